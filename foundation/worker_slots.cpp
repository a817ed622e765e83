// Worker-slot limiter.
#include "foundation/worker_slots.h"

#include <chrono>
#include <thread>

namespace oxl
{

void gf_resetWorkerSlots()
{
    // A platform that reports no thread count still gets one worker at a time.
    const auto threads = static_cast<std::int32_t>(std::thread::hardware_concurrency());
    gFoundation.gWorkerLimit.store(threads > 0 ? threads : 1);
    gFoundation.gRunningWorkers.store(0);
}

void gf_waitWorkerSlot()
{
    while (gFoundation.gRunningWorkers.load() >= gFoundation.gWorkerLimit.load())
    {
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + std::chrono::microseconds(10));
    }
}

void gf_releaseWorkerSlot()
{
    // A worker of a scan from before the last reset must not drive the count below zero, which
    // would let more workers than the limit run.
    std::int32_t running = gFoundation.gRunningWorkers.load();
    while (running > 0 && !gFoundation.gRunningWorkers.compare_exchange_weak(running, running - 1))
    {
    }
}

} // namespace oxl
