// Cost of one main-loop tick of the live engine per live aircraft, at 10 to 1000 aircraft: answers
// (ground data for the aircraft near the ground every 100 ticks), the per-aircraft update, the sweep,
// the position hand-over and the frame that takes the positions. Also the cost of one whole main-loop
// pass with no aircraft and with N aircraft, and of the per-second routine over N aircraft.
#include "bench/engine_rig.h"
#include "foundation/config_keys.h"
#include "records/sim_queues.h"
#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/main_loop.h"
#include "traffic/engine/live_engine.h"
#include "traffic/engine/live_tick.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace oxl
{
namespace
{

struct TickBench : EngineRig
{
    explicit TickBench(std::int64_t count)
    {
        for (std::int64_t i = 0; i < count; ++i)
        {
            // Seven of ten cruise, two approach, one taxis.
            const int kind = static_cast<int>(i % 10);
            const bool taxi = kind == 9;
            const bool approach = kind >= 7 && !taxi;
            Report r;
            r.lat = 51.0 + 0.01 * static_cast<double>(i % 100);
            r.lon = -1.0 + 0.01 * static_cast<double>(i / 100);
            r.alt = taxi ? 0.0 : (approach ? 2000.0 : 35000.0);
            r.gs = taxi ? 15.0 : (approach ? 160.0 : 450.0);
            r.airborne = taxi ? 0 : 1;
            r.dueTick = 1 << 30;
            AcProfile profile;
            profile.hexid = 20000 + static_cast<std::uint32_t>(i);
            profile.callsign = "BNC" + std::to_string(i);
            LiveAc ac(r, std::move(profile), 0.0);
            ac.stream.push_back(r);
            ac.simState = SimState::active;
            ac.objectId = 3 + static_cast<std::uint32_t>(i);
            ac.lat = r.lat;
            ac.lon = r.lon;
            ac.alt = r.alt;
            ac.onGround = taxi ? 1 : 0;
            engine.live.push_back(std::move(ac));
        }
    }

    void runTick()
    {
        if (tick.load() % 100 == 0)
            for (const LiveAc& ac : engine.live)
                if (ac.alt < 2500.0)
                    answers.push(SimAnswer{ac.objectId, ac.onGround, 0, SimAnswerKind::groundData, 100.0,
                                           ac.alt - 100.0});
        liveTickWork(engine, adding);
        {
            std::lock_guard lock(queues.simMutex);
            benchmark::DoNotOptimize(queues.send->data());
            queues.send->clear();
        }
        tick.fetch_add(1);
    }
};

void BM_LiveTickPerAircraft(benchmark::State& state)
{
    TickBench bench(state.range(0));
    for (auto _ : state)
        bench.runTick();
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["aircraft"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_LiveTickPerAircraft)->Arg(10)->Arg(100)->Arg(300)->Arg(1000);

// The simulator runs, the in-range request succeeds and no second arrives: the pass is a plain tick.
struct RunningSimulator
{
    RunningSimulator()
    {
        gf_installCycleSimulatorPort(&sim_);
        gf_installMainLoopPort(&loop_);
    }
    ~RunningSimulator()
    {
        gf_installCycleSimulatorPort(nullptr);
        gf_installMainLoopPort(nullptr);
    }
    RunningSimulator(const RunningSimulator&) = delete;
    RunningSimulator& operator=(const RunningSimulator&) = delete;

    std::atomic<std::uint8_t> second{0};

  private:
    struct Running : NoCycleSimulator
    {
        bool simRunning() override { return true; }
    } sim_;
    struct NoSecondAndInRange : ProgramLoopPort
    {
        explicit NoSecondAndInRange(std::atomic<std::uint8_t>& flag) : second(flag) {}
        std::atomic<std::uint8_t>& secondTick() override { return second; }
        ScResult requestAcInRange(std::uint32_t) override { return ScResult{0}; }
        std::atomic<std::uint8_t>& second;
    } loop_{second};
};

void BM_MainLoopPass(benchmark::State& state)
{
    RunningSimulator simulator;
    TickBench bench(state.range(0));
    LoopValues values;
    LoopContext loop{bench.engine, bench.adding, values};
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(gf_mainLoopStep(loop));
        std::lock_guard lock(bench.queues.simMutex);
        bench.queues.send->clear();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["aircraft"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_MainLoopPass)->Arg(0)->Arg(100)->Arg(1000);

// The per-second routine with the user aircraft in the air among N active aircraft, none close enough
// to be removed: every aircraft is examined by the avoidance rules.
void BM_EverySecond(benchmark::State& state)
{
    COLLISION_USER_AIR.set(true);
    TickBench bench(state.range(0));
    // A simulator link whose user aircraft flies above the traffic.
    struct AirborneUser : NoSimulator
    {
        UserAcData userAircraft() override
        {
            UserAcData user;
            user.lat = 40.0;
            user.lon = 10.0;
            user.alt = 10000.0;
            user.altAboveGround = 9000.0;
            return user;
        }
    };
    bench.engine.n.sim = std::make_unique<AirborneUser>();
    LoopValues values;
    LoopContext loop{bench.engine, bench.adding, values};
    for (auto _ : state)
        gf_everySecond(loop);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["aircraft"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_EverySecond)->Arg(100)->Arg(1000);

} // namespace
} // namespace oxl
