// The frame sender against the simulator stand-in over loopback TCP: how long one frame holds simMutex
// for 100, 300 and 1000 aircraft, on average (the time) and at worst (worst_held_us): only the taking of
// the positions; the building (build_us) and the hand-over to the link (send_us) run without the lock.
// And how many bytes a frame puts on the link.
#include "records/records_state.h"
#include "simlink/client/sc_connect.h"
#include "simlink/sim_client.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"
#include "tools/sim_standin/standin_server.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>

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
    explicit FrameSendRig(std::size_t n)
    {
        folder_ = std::filesystem::temp_directory_path() /
                  fmt::format("oxl_frame_bench_{}", std::random_device{}());
        std::filesystem::create_directories(folder_);
        standin::Options o;
        o.pipe = false;
        o.cfgDir = folder_;
        o.framesPerSecond = 0.1; // the benchmark plays the frames itself
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

} // namespace
} // namespace oxl
