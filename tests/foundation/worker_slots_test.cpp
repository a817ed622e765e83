// The worker-slot limiter lets a waiting scan go on once a running worker releases its slot.
#include "foundation/worker_slots.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace oxl
{
namespace
{

TEST(WorkerSlots, ResetTakesTheMachinesThreads)
{
    gFoundation.gRunningWorkers = 5;
    gf_resetWorkerSlots();
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
    EXPECT_GE(gFoundation.gWorkerLimit.load(), 1);
    EXPECT_EQ(gFoundation.gWorkerLimit.load(),
              std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
}

TEST(WorkerSlots, WaitReturnsAtOnceBelowTheLimit)
{
    gf_resetWorkerSlots();
    gFoundation.gWorkerLimit = 2;
    gFoundation.gRunningWorkers = 1;
    gf_waitWorkerSlot();
    SUCCEED();
}

TEST(WorkerSlots, WaitEndsWhenAWorkerReleases)
{
    gf_resetWorkerSlots();
    gFoundation.gWorkerLimit = 8;
    gFoundation.gRunningWorkers = 8;
    std::atomic<bool> passed{false};
    std::thread scan(
        [&]
        {
            gf_waitWorkerSlot();
            passed = true;
        });
    EXPECT_FALSE(passed.load()); // all eight slots are taken
    gf_releaseWorkerSlot();
    scan.join();
    EXPECT_TRUE(passed.load());
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 7);
}

TEST(WorkerSlots, LateReleaseAfterAResetStaysAtZero)
{
    gf_resetWorkerSlots();
    gf_releaseWorkerSlot();
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
}

TEST(WorkerSlots, ManyWorkersNeverExceedTheLimit)
{
    gf_resetWorkerSlots();
    gFoundation.gWorkerLimit = 3;
    std::atomic<int> peak{0};
    std::vector<std::thread> workers;
    for (int n = 0; n < 40; ++n)
    {
        gf_waitWorkerSlot();
        const int now = ++gFoundation.gRunningWorkers;
        int seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now))
        {
        }
        workers.emplace_back(
            []
            {
                std::this_thread::yield();
                gf_releaseWorkerSlot();
            });
    }
    for (std::thread& worker : workers)
    {
        worker.join();
    }
    EXPECT_LE(peak.load(), 3);
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
}

} // namespace
} // namespace oxl
