// The main loop on a fake clock: the 10 ms grid with catch-up and re-basing, the tick's rates, the
// passes while the flight is not running, resuming, and the stop flags.
#include "foundation/units.h"
#include "platform/timer_resolution.h"
#include "tests/support/log_capture.h"
#include "tests/traffic/cycle/loop_fixture.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/engine/ground_movement.h"
#include "traffic/engine/live_tick.h"
#include "traffic/source/source_state.h"

#include <fmt/format.h>

#include <algorithm>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

// The harness's clock whose steady time moves on by a step at each reading.
class SteppingClock : public LiveHarness::Clock
{
  public:
    SteppingClock(LiveHarness& harness, std::int64_t step100ns) : Clock(harness), step100ns_(step100ns) {}
    std::int64_t steadyNow100ns() override { return now100ns_ += step100ns_; }

  private:
    std::int64_t step100ns_;
    std::int64_t now100ns_ = 0;
};

class MainLoopTest : public MainLoopFixture
{
  protected:
    /// Runs the loop; pass `lastPass` sets the stop flag.
    void runLoopFor(int lastPass, std::function<void(int)> extra = {})
    {
        onPass = [lastPass, extra](int pass)
        {
            if (extra)
                extra(pass);
            if (pass == lastPass)
                gf_requestStop(ExitReason::userClosedSim, 0);
        };
        LoopContext context = loop();
        gf_mainLoop(context);
    }

    std::vector<std::int64_t> startsMs() const
    {
        std::vector<std::int64_t> ms;
        for (const auto& start : passStarts)
            ms.push_back(std::chrono::duration_cast<std::chrono::microseconds>(start).count() / 1000);
        return ms;
    }
};

TEST_F(MainLoopTest, PassesFollowTheTenMillisecondGrid)
{
    runLoopFor(4);
    EXPECT_EQ(startsMs(), (std::vector<std::int64_t>{0, 10, 20, 30}));
    EXPECT_EQ(sleeps, (std::vector<std::chrono::milliseconds>{10ms, 10ms, 10ms}));
    EXPECT_EQ(harness->tick(), 4);
}

TEST_F(MainLoopTest, LatePassesAreCaughtUpBackToBack)
{
    // The second pass takes 35 ms: the passes due at 20, 30 and 40 ms follow at once.
    runLoopFor(7,
               [this](int pass)
               {
                   if (pass == 2)
                       now += 35ms;
               });
    EXPECT_EQ(startsMs(), (std::vector<std::int64_t>{0, 10, 45, 45, 45, 50, 60}));
    EXPECT_EQ(sleeps, (std::vector<std::chrono::milliseconds>{10ms, 5ms, 10ms}));
}

TEST_F(MainLoopTest, PassEndingLessThanAMillisecondEarlyIsFollowedAtOnce)
{
    runLoopFor(3,
               [this](int pass)
               {
                   if (pass == 1)
                       now += 9600us;
               });
    ASSERT_EQ(passStarts.size(), 3u);
    EXPECT_EQ(passStarts[1], 9600us);
    EXPECT_EQ(passStarts[2], 20600us);
    EXPECT_EQ(sleeps, (std::vector<std::chrono::milliseconds>{11ms}));
}

TEST_F(MainLoopTest, SecondTickReBasesTheGridToThePassThatSawIt)
{
    // While not running the per-second reply is not taken, so each pass after it re-bases the grid.
    running = false;
    runLoopFor(6,
               [this](int pass)
               {
                   if (pass == 3)
                   {
                       now += 13ms;
                       secondTick.store(1);
                   }
               });
    EXPECT_EQ(startsMs(), (std::vector<std::int64_t>{0, 10, 20, 33, 43, 53}));
}

TEST_F(MainLoopTest, SecondTakenByATickLeavesTheGridAlone)
{
    runLoopFor(4,
               [this](int pass)
               {
                   if (pass == 2)
                   {
                       now += 3ms;
                       secondTick.store(1);
                   }
               });
    EXPECT_EQ(startsMs(), (std::vector<std::int64_t>{0, 10, 20, 30}));
    EXPECT_EQ(secondTick.load(), 0);
    EXPECT_EQ(values.seconds, 1);
}

TEST_F(MainLoopTest, StartOfTheLoopPreparesItsCycle)
{
    values.seconds = 77;
    std::int32_t resolutionRequests = -1;
    bool accepting = false;
    runLoopFor(1,
               [&](int)
               {
                   resolutionRequests = plat::activeTimerResolutionRequests();
                   accepting = adding.accepting();
               });
    EXPECT_EQ(calls, (std::vector<std::string>{"parkAirport true 77", "readerStatus 77"}));
    EXPECT_EQ(values.seconds, 0);
    EXPECT_TRUE(accepting);
    EXPECT_EQ(resolutionRequests, 1);
    EXPECT_EQ(plat::activeTimerResolutionRequests(), 0);
}

TEST_F(MainLoopTest, StopFlagEndsTheLoopOnATickWithoutASecond)
{
    runLoopFor(3);
    EXPECT_EQ(passStarts.size(), 3u);
    EXPECT_EQ(harness->tick(), 3);
    EXPECT_EQ(values.seconds, 0);
}

TEST_F(MainLoopTest, StopFlagEndsTheLoopOnANotRunningPass)
{
    running = false;
    runLoopFor(2);
    EXPECT_EQ(passStarts.size(), 2u);
    EXPECT_EQ(harness->tick(), 0);
}

TEST_F(MainLoopTest, InRangeRequestAndUserStateRates)
{
    gRangeMeters.store(wholeNmToMetres(25));
    LoopContext context = loop();
    for (int i = 0; i < 250; ++i)
        gf_handleAddingStack(context);
    EXPECT_EQ(inRangeTicks, (std::vector<std::int32_t>{0, 100, 200}));
    EXPECT_EQ(inRangeRadiusM, gf_inRangeRequestM(wholeNmToMetres(25)));
    EXPECT_EQ(gf_inRangeRequestM(wholeNmToMetres(10)), 24076u);
    EXPECT_EQ(gf_inRangeRequestM(wholeNmToMetres(100)), 200000u);
    EXPECT_EQ(userStateTicks, (std::vector<std::int32_t>{0, 100, 200}));
    EXPECT_EQ(userPositionTicks, (std::vector<std::int32_t>{0, 100, 200}));
    EXPECT_EQ(harness->tick(), 250);

    inRangeTicks.clear();
    engine().fastRequest = true;
    for (int i = 0; i < 51; ++i)
        gf_handleAddingStack(context);
    EXPECT_EQ(inRangeTicks, (std::vector<std::int32_t>{260, 280, 300}));
}

TEST_F(MainLoopTest, FailedInRangeRequestIsASimulatorError)
{
    inRangeResult = kScFail;
    LoopContext context = loop();
    gf_handleAddingStack(context);
    EXPECT_EQ(simRequestErrors, 1);
    EXPECT_TRUE(settings.logged("===> SimConnect request ac within range fails"));
}

TEST_F(MainLoopTest, SimulatorErrorStopsTheRequestsAndTheTicks)
{
    simError = true;
    LoopContext context = loop();
    gf_handleAddingStack(context);
    EXPECT_TRUE(inRangeTicks.empty());
    EXPECT_EQ(userStateTicks, (std::vector<std::int32_t>{0}));
    ASSERT_TRUE(gf_mainLoopStep(context));
    EXPECT_EQ(harness->tick(), 1);
    EXPECT_TRUE(values.paused);
}

TrafficLine intakeLine(std::uint32_t n)
{
    TrafficLine line;
    line.hexid = 0x500000 + n;
    line.callsign = "LIN" + std::to_string(n);
    line.type = "A320";
    line.report.lat = 51.5;
    line.report.lon = -0.2;
    line.report.alt = 5000;
    line.report.airborne = 1;
    line.timestamp = 1000;
    return line;
}

// Two lines a tick while no more wait; a backlog share by share until 2 ms of the tick are spent; a
// line that waited out the whole delay in the stack is dropped and counted. Arrival order throughout.
TEST_F(MainLoopTest, TrafficLinesAreTakenInArrivalOrderAndABacklogWithinTheTickBudget)
{
    adding.setAccept(true);
    std::uint32_t next = 0;
    const auto pushLines = [&](std::uint32_t count, std::int32_t tickNow)
    {
        for (std::uint32_t i = 0; i < count; ++i)
            adding.push(intakeLine(next++), tickNow);
    };
    pushLines(2, 0);
    EXPECT_EQ(takeTrafficLines(engine(), adding), 2u);

    // Each reading of the clock moves it 0.8 ms on: the 2 ms budget lets two shares follow the first.
    engine().n.clock = std::make_unique<SteppingClock>(*harness, 8000);
    pushLines(9, 0);
    std::vector<std::size_t> taken;
    std::vector<std::size_t> left;
    for (int i = 0; i < 3; ++i)
    {
        taken.push_back(takeTrafficLines(engine(), adding));
        left.push_back(adding.size());
    }
    EXPECT_EQ(taken, (std::vector<std::size_t>{6, 2, 1}));
    EXPECT_EQ(left, (std::vector<std::size_t>{3, 1, 0}));

    // Pushed 3000 ticks ago: due now.
    pushLines(1, engine().tick() - kReportDelayTicks);
    pushLines(1, engine().tick());
    EXPECT_EQ(takeTrafficLines(engine(), adding), 1u);
    EXPECT_EQ(engine().intake.droppedPastDue, 1u);
    EXPECT_EQ(engine().intake.linesTaken, 12u);

    std::vector<std::uint32_t> hexids;
    for (const LiveAc& ac : engine().live)
        hexids.push_back(ac.hexid);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t n = 0; n < 11; ++n)
        expected.push_back(0x500000 + n);
    expected.push_back(0x500000 + 12);
    EXPECT_EQ(hexids, expected);
}

// One line a minute of ticks tells the tick rate, the intake and the aircraft given up at the end of
// their stream; a pause is no time the ticks cover, and the loop's end writes the minute under way.
TEST_F(MainLoopTest, IntakeAndEndOfStreamAreLoggedOncePerMinuteOfTicks)
{
    test::LogCapture log;
    // An airborne aircraft whose reports end: extended while the user's position is unknown, then given up.
    installGroundMovement(engine());
    test::StreamBuilder flight(test::FlightIdentity{}, {51.5, -0.2}, 90.0);
    flight.speed(240).altitude(10000).every(5).fly(30);
    harness->schedule(flight.lines());
    ASSERT_TRUE(harness->runUntil([&] { return engine().intake.endOfStreamRemovals == 1; }, 16000));
    ASSERT_TRUE(harness->runUntil([&] { return engine().live.empty(); }, 100));

    engine().n.clock = std::make_unique<SteppingClock>(*harness, 100000); // 10 ms a tick
    adding.setAccept(true);
    adding.push(intakeLine(0), 0);
    adding.countSystemDrops(7);
    const std::uint64_t taken = engine().intake.linesTaken;
    for (int i = 0; i < 100; ++i)
        countIntakeTick(engine(), adding);
    pauseIntake(engine());
    for (int i = 0; i < kIntakeLogTicks; ++i)
        countIntakeTick(engine(), adding);
    // The simulator quits a second into the next minute: the loop's end tells that second's rate.
    running = false;
    runLoopFor(2);
    // A loop that ends after its first tick (a failing reader) gives it its 10 ms; the waiting line is late.
    engine().n.clock = std::make_unique<SteppingClock>(*harness, 1000);
    running = true;
    runLoopFor(1);
    std::vector<std::string> intake;
    for (const std::string& line : log.lines())
        if (line.starts_with("Intake: "))
            intake.push_back(line);
    const std::string expected =
        fmt::format("Intake: 100.0 ticks/s, {} lines taken, 0 dropped past due, 1 removed "
                    "at end of stream, 1 waiting, 0 aircraft, 0 active, 7 datagrams dropped by the system",
                    taken);
    constexpr std::string_view later =
        "Intake: 100.0 ticks/s, 0 lines taken, {} dropped past due, 0 removed at "
        "end of stream, {} waiting, 0 aircraft, 0 active, 0 datagrams dropped by the system";
    EXPECT_EQ(intake,
              (std::vector<std::string>{expected, fmt::format(later, 0, 1), fmt::format(later, 1, 0)}));
    EXPECT_EQ(engine().intake.endOfStreamRemovals, 0u);
}

TEST_F(MainLoopTest, NotRunningPassesKeepTheLinksAlive)
{
    plat::FixedUtcClock clock(1'796'573'998); // 16:19:58 UTC
    adding.setAccept(true);
    SimQueues& queues = *engine().n.simQueues;
    queues.fill->push_back(SimPosition{});
    queues.send->push_back(SimPosition{});
    harness->pushAnswer(SimAnswer{77, 0, 0, SimAnswerKind::objectRemoved, 0.0, 0.0});
    gFoundation.gStandCheckRequest.store(1);
    running = false;
    LoopContext context = loop();

    ASSERT_TRUE(gf_mainLoopStep(context));
    EXPECT_FALSE(adding.accepting());
    EXPECT_TRUE(values.paused);
    EXPECT_TRUE(queues.fill->empty());
    EXPECT_TRUE(queues.send->empty());
    EXPECT_TRUE(engine().n.simAnswers->answers.empty());
    EXPECT_TRUE(settings.logged("16:19:58 Flight not running"));

    for (int pass = 2; pass <= 250; ++pass)
        ASSERT_TRUE(gf_mainLoopStep(context));
    // About once a second the source still gets the user's state and the stand check runs.
    EXPECT_EQ(userStateTicks.size(), 2u);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "checkParkAirports"), 1);
    EXPECT_EQ(gFoundation.gStandCheckRequest.load(), 0);
    EXPECT_EQ(harness->tick(), 0);
    const auto lines = settings.logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "16:19:58 Flight not running"), 1);
    EXPECT_TRUE(inRangeTicks.empty());
}

TEST_F(MainLoopTest, FlightResumesOnTheNextSecond)
{
    plat::FixedUtcClock clock(1'796'573'998);
    running = false;
    LoopContext context = loop();
    ASSERT_TRUE(gf_mainLoopStep(context));
    running = true;
    ASSERT_TRUE(gf_mainLoopStep(context));
    EXPECT_TRUE(values.paused);
    EXPECT_FALSE(adding.accepting());
    secondTick.store(1);
    ASSERT_TRUE(gf_mainLoopStep(context));
    EXPECT_FALSE(values.paused);
    EXPECT_TRUE(adding.accepting());
    EXPECT_TRUE(settings.logged("16:19:58 Flight resumed"));
    EXPECT_EQ(harness->tick(), 2);
}

TEST_F(MainLoopTest, CycleResetBringsTheLoopBack)
{
    gCycle.gLoopValues.seconds = 500;
    gCycle.gLoopValues.paused = true;
    gCycle.gLoopValues.renewalPass = true;
    gFoundation.gRenewalRequest.store(1);
    gFoundation.gBlockCallsignRequest.store(1);
    gSource.gTickCounter.store(4711);
    gf_resetMainLoopForCycle();
    EXPECT_EQ(gCycle.gLoopValues.seconds, 0);
    EXPECT_FALSE(gCycle.gLoopValues.paused);
    EXPECT_FALSE(gCycle.gLoopValues.renewalPass);
    EXPECT_EQ(gCycle.gLoopValues.notRunningCountdown, 100);
    EXPECT_EQ(gFoundation.gRenewalRequest.load(), 0);
    EXPECT_EQ(gFoundation.gBlockCallsignRequest.load(), 0);
    EXPECT_EQ(gSource.gTickCounter.load(), 0);
}

} // namespace
} // namespace oxl::test
