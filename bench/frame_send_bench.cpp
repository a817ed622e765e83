// The frame sender against the simulator stand-in over loopback TCP: how long one frame holds simMutex
// for 100, 300 and 1000 aircraft, on average (the time) and at worst (worst_held_us): only the taking of
// the positions; the building (build_us) and the hand-over to the link (send_us) run without the lock.
// And how many bytes a frame puts on the link. Then the main loop beside a SimClient thread while the
// simulator adds a burst of creations: how long the main loop waits for simMutex at worst (worst_wait_us).
#include "records/records_state.h"
#include "simlink/client/sc_connect.h"
#include "simlink/sim_client.h"
#include "simlink/sim_direct.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"
#include "tools/sim_standin/standin_server.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <thread>

namespace oxl
{
namespace
{

constexpr std::int64_t kPositionMessageBytes = 100; // header 16 + fields 20 + one 64-byte block

void noProc(const std::byte*, std::uint32_t, void*)
{
}

/// A stand-in in this process with n AI aircraft near the user, and a registered connection to it.
class FrameSendRig
{
  public:
    // The frame rate 0.1: the benchmark plays the frames itself.
    explicit FrameSendRig(std::size_t n, double framesPerSecond = 0.1, std::vector<int> addDelaysMs = {200})
    {
        folder_ = std::filesystem::temp_directory_path() /
                  fmt::format("oxl_frame_bench_{}", std::random_device{}());
        std::filesystem::create_directories(folder_);
        standin::Options o;
        o.pipe = false;
        o.cfgDir = folder_;
        o.framesPerSecond = framesPerSecond;
        o.frameRateField = static_cast<float>(framesPerSecond);
        o.addDelaysMs = std::move(addDelaysMs);
        server_ = std::make_unique<standin::Server>(o);
        std::string error;
        if (!server_->start(error))
            return;
        for (std::size_t i = 0; i < n; ++i)
            server_->command(
                fmt::format("inject B{} {} 8.5492 3000", i, 47.4647 + 0.0001 * static_cast<double>(i)));
        const auto cwd = folder_;
        scSetEnvironment({[] { return std::optional<std::filesystem::path>(); },
                          [] { return std::optional<std::filesystem::path>(); },
                          [cwd] { return std::optional<std::filesystem::path>(cwd); },
                          [](plat::net::IpFamily) { return std::string(); }});
        gf_resetSimLink();
        gf_initSimQueues(5);
        ScHandle handle = nullptr;
        if (SimConnect_Open(&handle, kSimClientName, nullptr, 0, nullptr, 0) != kScOk)
            return;
        gSimLink.gSimHandle = handle;
        gf_defineSimData();
        ok_ = true;
    }

    ~FrameSendRig()
    {
        if (gSimLink.gSimHandle)
            SimConnect_Close(gSimLink.gSimHandle);
        gf_resetSimLink();
        scSetEnvironment({});
        server_.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    bool ok() const { return ok_; }

  private:
    std::filesystem::path folder_;
    std::unique_ptr<standin::Server> server_;
    bool ok_ = false;
};

void BM_FrameSenderHoldsSimMutex(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    FrameSendRig rig(n);
    if (!rig.ok())
    {
        state.SkipWithError("the stand-in could not be reached");
        return;
    }
    std::vector<SimPosition> tick(n);
    for (std::size_t i = 0; i < n; ++i)
        tick[i] = {47.4647 + 0.0001 * static_cast<double>(i), 8.5492, 0.0, 0.0, 1.57, 3000.0, 0.0, 250.0,
                   static_cast<std::uint32_t>(3 + i)};
    double buildS = 0.0;
    double sendS = 0.0;
    double worstS = 0.0;
    for (auto _ : state)
    {
        {
            std::lock_guard lock(gRecords.gSimQueues.simMutex);
            *gRecords.gSimQueues.send = tick;
        }
        // The stand-in's answers are read as the SimClient thread would between frames.
        SimConnect_CallDispatch(gSimLink.gSimHandle, &noProc, nullptr);
        // Only the taking holds simMutex; the frame is built and handed to the link without it.
        const auto take = std::chrono::steady_clock::now();
        if (!gf_takeFrame())
        {
            state.SkipWithError("simMutex was busy");
            return;
        }
        const auto built = std::chrono::steady_clock::now();
        gf_buildFrame();
        const auto send = std::chrono::steady_clock::now();
        gf_sendFrame();
        const auto end = std::chrono::steady_clock::now();
        const double heldS = std::chrono::duration<double>(built - take).count();
        buildS += std::chrono::duration<double>(send - built).count();
        sendS += std::chrono::duration<double>(end - send).count();
        worstS = std::max(worstS, heldS);
        state.SetIterationTime(heldS);
    }
    const auto frames = static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n) * kPositionMessageBytes);
    state.counters["build_us"] = 1e6 * buildS / frames;
    state.counters["send_us"] = 1e6 * sendS / frames;
    state.counters["worst_held_us"] = 1e6 * worstS;
    state.counters["bytes_per_frame"] =
        static_cast<double>(static_cast<std::int64_t>(n) * kPositionMessageBytes);
}
BENCHMARK(BM_FrameSenderHoldsSimMutex)
    ->Arg(100)
    ->Arg(300)
    ->Arg(1000)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

// The SimClient thread's dispatch loop, as the program runs it: frames, added objects, replies.
class DispatchThread
{
  public:
    DispatchThread()
        : thread_(
              [this]
              {
                  while (!stop_.load())
                  {
                      SimConnect_CallDispatch(gSimLink.gSimHandle, &gf_dispatchProc, nullptr);
                      std::this_thread::sleep_for(kDispatchPeriod);
                  }
              })
    {
    }
    ~DispatchThread()
    {
        stop_ = true;
        thread_.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The main loop's side of a burst: every wait for simMutex timed, the worst and those over a millisecond
// counted.
struct MainLoopWaits
{
    void note(std::chrono::steady_clock::time_point start)
    {
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        worstS = std::max(worstS, s);
        if (s > 1e-3)
            ++overOneMs;
    }
    // A call that takes simMutex itself, timed whole: the lock is all it waits for.
    template <typename Call> void timed(Call call)
    {
        const auto start = std::chrono::steady_clock::now();
        call();
        note(start);
    }
    // simMutex taken as the engine takes it around a direct call: only the taking is timed.
    std::unique_lock<std::mutex> lock()
    {
        const auto start = std::chrono::steady_clock::now();
        std::unique_lock held(gRecords.gSimQueues.simMutex);
        note(start);
        return held;
    }
    double worstS = 0.0;
    std::int64_t overOneMs = 0;
};

// What the main loop knows of one burst.
struct Burst
{
    std::set<std::uint32_t> created; ///< object ids
    std::size_t removed = 0;
    bool moving = true; ///< false once their removals are queued
};

// One tick of the main loop: hands over the positions of the aircraft created so far, takes the link's
// answers and asks for the centre of gravity of each new aircraft (a direct call, as the program does).
// The fill buffer is the main loop's own, written without the lock as the engine writes it.
void mainLoopTick(MainLoopWaits& waits, Burst& burst)
{
    std::vector<SimAnswer> answers;
    {
        std::lock_guard lock(gRecords.gSimAnswerQueue.simAnswerMutex);
        answers.swap(gRecords.gSimAnswerQueue.answers);
    }
    for (const SimAnswer& a : answers)
        if (a.kind == SimAnswerKind::liveCreated && burst.created.insert(a.objectId).second)
        {
            const auto held = waits.lock();
            gf_requestStaticCgHeld(a.objectId);
        }
        else if (a.kind == SimAnswerKind::objectRemoved)
            ++burst.removed;
    for (const std::uint32_t oid : burst.created)
        if (burst.moving)
            gRecords.gSimQueues.fill->push_back({47.4647, 8.5492, 0.0, 0.0, 1.57, 3000.0, 0.0, 250.0, oid});
    waits.timed([] { gf_handOverPositions(); });
}

void BM_MainLoopWaitsInCreationBurst(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    // 60 frames a second: the main loop waits for a busy lock instead of dropping its positions. The
    // simulator adds the objects of a burst all at once, 0.2 s after their creations.
    FrameSendRig rig(0, 60.0, {200});
    if (!rig.ok())
    {
        state.SkipWithError("the stand-in could not be reached");
        return;
    }
    static const std::string title = "Bench Jet";
    MainLoopWaits waits;
    std::uint32_t serial = 0;
    DispatchThread simClient;
    for (auto _ : state)
    {
        Burst burst;
        const auto tick = [&]
        {
            mainLoopTick(waits, burst);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        };
        for (std::size_t i = 0; i < n; ++i)
        {
            CreateRequest r;
            r.lat = 47.4647 + 0.0001 * static_cast<double>(i);
            r.lon = 8.5492;
            r.alt = 3000.0;
            r.heading = 90.0;
            r.callsign = fmt::format("B{}", ++serial);
            r.title = title;
            r.hexid = 20000 + serial;
            waits.timed([&] { gf_queueCreateAc(r); });
        }
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (burst.created.size() < n && std::chrono::steady_clock::now() < bound)
            tick();
        burst.moving = false;
        for (const std::uint32_t oid : burst.created)
            waits.timed([&] { gf_queueRemoval(oid); });
        while (burst.removed < n && std::chrono::steady_clock::now() < bound)
            tick();
        if (burst.removed < n)
        {
            state.SkipWithError("the burst was not created and removed within 30 s");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
    state.counters["worst_wait_us"] = 1e6 * waits.worstS;
    state.counters["waits_over_1ms"] = static_cast<double>(waits.overOneMs);
}
BENCHMARK(BM_MainLoopWaitsInCreationBurst)->Arg(300)->Iterations(8)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace oxl
