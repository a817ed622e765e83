// The stop protocol: the first reason wins, the close button's reason, the reason words.
#include "foundation/run_state.h"

#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace oxl
{
namespace
{

class RunStateTest : public ::testing::Test
{
  protected:
    RunStateTest() { gf_clearStop(); }
    ~RunStateTest() override { gf_clearStop(); }
};

TEST_F(RunStateTest, EveryReasonHasItsWord)
{
    const std::vector<std::string> words{"NOT YET SET",  "SIM WAS CLOSED",  "NEW FLIGHT",
                                         "NEW SETTINGS", "USER CLOSED SIM", "SIMCONNECT ERROR",
                                         "READER ERROR", "SYSTEM ERROR"};
    for (std::uint32_t reason = 0; reason < words.size(); ++reason)
        EXPECT_EQ(gf_exitReasonWord(reason), words[reason]);
}

TEST_F(RunStateTest, AValueOutsideTheTableThrows)
{
    try
    {
        gf_exitReasonWord(8);
        FAIL() << "no exception";
    }
    catch (const std::out_of_range& e)
    {
        EXPECT_STREQ(e.what(), "invalid unordered_map<K, T> key");
    }
}

TEST_F(RunStateTest, FirstStopAloneWritesReasonAndDelay)
{
    EXPECT_TRUE(gf_requestStop(ExitReason::readerError, 15));
    EXPECT_FALSE(gf_requestStop(ExitReason::simconnectError, 9));
    EXPECT_EQ(gf_exitReason(), ExitReason::readerError);
    EXPECT_EQ(gFoundation.gRestartDelay.load(), 15);
    EXPECT_TRUE(gf_stopSeen());
}

TEST_F(RunStateTest, OneWinnerAmongRacingThreads)
{
    std::atomic<int> winners{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back(
            [&winners, i]
            {
                if (gf_requestStop(i % 2 ? ExitReason::readerError : ExitReason::simconnectError, i))
                    ++winners;
            });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(winners.load(), 1);
    // Reason and delay come from the same winner.
    EXPECT_EQ(gf_exitReason() == ExitReason::readerError, gFoundation.gRestartDelay.load() % 2 == 1);
}

TEST_F(RunStateTest, WindowCloseKeepsAnEarlierReason)
{
    gf_requestStop(ExitReason::newSettings, 3);
    gf_requestWindowClose();
    EXPECT_EQ(gf_exitReason(), ExitReason::newSettings);
    EXPECT_EQ(gFoundation.gWindowClosed.load(), 1);
}

TEST_F(RunStateTest, WindowCloseTwiceSetsUserClosedOnce)
{
    gf_requestWindowClose();
    gf_requestWindowClose();
    EXPECT_EQ(gf_exitReason(), ExitReason::userClosedSim);
    EXPECT_EQ(gFoundation.gStopRequested.load(), 1);
}

TEST_F(RunStateTest, SimulatorLossAfterAStopChangesNothing)
{
    test::LogCapture log;
    gf_requestStop(ExitReason::newSettings, 2);
    gf_simGone();
    EXPECT_EQ(gf_exitReason(), ExitReason::newSettings);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(RunStateTest, SimulatorLossEndsTheCycleAtOnce)
{
    gFoundation.gRestartDelay.store(7);
    gf_simGone();
    EXPECT_EQ(gf_exitReason(), ExitReason::simWasClosed);
    EXPECT_EQ(gFoundation.gRestartDelay.load(), 0);
}

TEST_F(RunStateTest, ClearStopStartsAFreshCycle)
{
    gf_requestWindowClose();
    gf_clearStop();
    EXPECT_FALSE(gf_stopSeen());
    EXPECT_EQ(gf_exitReason(), ExitReason::notYetSet);
}

} // namespace
} // namespace oxl
