// The intake of a busy sky at 300, 1000, 3000 and 10000 aircraft: every 2 s the source sends one report per
// aircraft in one burst, and the ticks take them from the adding stack, two a tick and a backlog within
// the tick's budget. Per burst: the ticks it took (ticks_per_burst), the longest tick's intake
// (longest_tick_us, against the 10 ms tick) and the lines dropped as already due (none while it keeps up).
#include "bench/engine_rig.h"
#include "foundation/units.h"
#include "traffic/engine/live_tick.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

namespace oxl
{
namespace
{

constexpr std::int32_t kTicksPerRound = 200; // the source's 2 s between two reports of one aircraft
constexpr double kStepDeg = 250.0 * 2.0 / kSecondsPerHour / 60.0; // 2 s north at 250 kt

// The platform's steady clock on Monday's first half hour.
struct RunningClock : StillClock
{
    std::int64_t steadyNow100ns() override { return PlatformClock{}.steadyNow100ns(); }
};

struct IntakeBench : EngineRig
{
    explicit IntakeBench(std::int64_t count)
    {
        // The tick's budget is spent against the real clock.
        engine.n.clock = std::make_unique<RunningClock>();
        for (std::int64_t i = 0; i < count; ++i)
        {
            Report r;
            r.lat = 40.0 + 0.01 * static_cast<double>(i % 100);
            r.lon = 10.0 + 0.01 * static_cast<double>(i / 100);
            r.alt = 5000.0 + 500.0 * static_cast<double>(i % 70);
            r.gs = 250.0;
            r.airborne = 1;
            r.dueTick = kReportDelayTicks;
            AcProfile profile;
            profile.hexid = 20000 + static_cast<std::uint32_t>(i);
            profile.callsign = "BNC" + std::to_string(i);
            profile.type = "A320";
            LiveAc ac(r, std::move(profile), 0.0);
            ac.stream.push_back(r);
            ac.lastTime = 0.0;
            engine.live.push_back(std::move(ac));
        }
        adding.setAccept(true);
    }

    // The next report of every aircraft, in the source's order.
    void pushBurst()
    {
        ++round;
        for (const LiveAc& ac : engine.live)
        {
            TrafficLine line;
            line.hexid = ac.hexid;
            line.callsign = ac.callsign;
            line.type = ac.type;
            line.timestamp = 2.0 * round;
            line.report = ac.stream.back();
            line.report.lat += kStepDeg;
            adding.push(std::move(line), tick.load());
        }
    }

    // The engine's own steps would consume the reports; here only the newest stays.
    void trimStreams()
    {
        for (LiveAc& ac : engine.live)
            while (ac.stream.size() > 1)
                ac.stream.pop_front();
    }

    int round = 0;
};

void BM_IntakeBurst(benchmark::State& state)
{
    IntakeBench bench(state.range(0));
    double ticks = 0.0;
    double longest = 0.0;
    for (auto _ : state)
    {
        bench.trimStreams();
        bench.pushBurst();
        double burst = 0.0;
        std::int32_t used = 0;
        while (bench.adding.size() > 0)
        {
            const auto start = std::chrono::steady_clock::now();
            takeTrafficLines(bench.engine, bench.adding);
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            burst += s;
            longest = std::max(longest, s);
            bench.tick.fetch_add(1);
            ++used;
        }
        bench.tick.fetch_add(std::max(kTicksPerRound - used, 0));
        ticks += used;
        state.SetIterationTime(burst);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["ticks_per_burst"] = ticks / static_cast<double>(state.iterations());
    state.counters["longest_tick_us"] = longest * 1e6;
    state.counters["dropped"] = static_cast<double>(bench.engine.intake.droppedPastDue);
}

BENCHMARK(BM_IntakeBurst)
    ->Arg(300)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace oxl
