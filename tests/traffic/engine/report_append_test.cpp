#include "traffic/engine/report_append.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "simlink/sim_ids.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/live_flight_hooks.h"
#include "traffic/engine/stream_ops.h"

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace oxl
{
namespace
{

using test::at;
using test::LiveScenario;

constexpr std::uint32_t kHex = 0x730001;

// Two stands 40 m apart on one row; static aircraft of radius 0.02 nm stand on them.
class StaticAvoidance : public LiveScenario
{
  protected:
    void SetUp() override
    {
        LiveScenario::SetUp();
        std::vector<Stand> stands;
        stands.emplace_back("B1", 1, 47.4500, 8.5600, 0.0, 40.0);
        stands.emplace_back("B2", 2, 47.4500, 8.56053, 0.0, 40.0);
        gAirports.gParking.setStands(std::move(stands));
        gAirports.gParking.staticAircraft = {statik("STAT1*", 1, 60), statik("STAT2*", 2, 61)};
        LOG.set(true);
        ac.callsign = "SWR12";
        ac.radius = 0.02;
        ac.simState = SimState::active;
        ac.phase = GroundPhase::taxi;
        ac.onGround = 1;
    }

    static SimAc statik(const std::string& callsign, std::uint32_t standId, std::uint32_t objectId)
    {
        SimAc s;
        s.callsign = callsign;
        s.standId = standId;
        s.objectId = objectId;
        s.radius = 0.02;
        s.simState = SimState::active;
        return s;
    }

    // The aircraft at a distance north of stand B1 [nm].
    void placeNorthOfB1(double nm)
    {
        ac.lat = 47.45 + nm / 60.0;
        ac.lon = 8.56;
    }

    LiveAc ac;
};

TEST_F(StaticAvoidance, TheFirstStaticWithinTheClearanceIsRemoved)
{
    struct Row
    {
        const char* name;
        double northNm;
        bool removed;
    };
    // The clearance is 1.1 × (0.02 + 0.02) = 0.044 nm from the stand.
    const Row rows[] = {
        {"on the stand", 0.0, true}, {"just inside", 0.0435, true}, {"just outside", 0.0445, false}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        gAirports.gParking.staticAircraft = {statik("STAT1*", 1, 60)};
        placeNorthOfB1(row.northNm);
        avoidStatics(harness->engine(), ac);
        EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState == SimState::removingfromsim, row.removed);
        EXPECT_DOUBLE_EQ(ac.lastAvoidLat, ac.lat);
        EXPECT_DOUBLE_EQ(ac.lastAvoidLon, ac.lon);
    }
    EXPECT_TRUE(log.contains("B1      : STAT1*   removed for collision avoidance with static SWR12"));
}

TEST_F(StaticAvoidance, OnlyOneStaticGoesPerCall)
{
    // Halfway between both stands, both are in the way; the first in the list goes.
    ac.lat = 47.45;
    ac.lon = 8.560265;
    avoidStatics(harness->engine(), ac);
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::removingfromsim);
    EXPECT_EQ(gAirports.gParking.staticAircraft[1].simState, SimState::active);
    avoidStatics(harness->engine(), ac);
    EXPECT_EQ(gAirports.gParking.staticAircraft[1].simState, SimState::removingfromsim);
}

TEST_F(StaticAvoidance, StaticsThatAreNotInTheWayStay)
{
    placeNorthOfB1(0.0);
    // Its own static twin and a static aircraft that is not in the simulator yet are left alone.
    gAirports.gParking.staticAircraft[0].callsign = "SWR12";
    gAirports.gParking.staticAircraft[1].standId = 1;
    gAirports.gParking.staticAircraft[1].simState = SimState::adding2sim;
    avoidStatics(harness->engine(), ac);
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::active);
    EXPECT_EQ(gAirports.gParking.staticAircraft[1].simState, SimState::adding2sim);
}

TEST_F(StaticAvoidance, NothingHappensDuringRollOutOrTakeOff)
{
    placeNorthOfB1(0.0);
    for (int which = 0; which < 2; ++which)
    {
        ac.rollOut = which == 0 ? 1 : 0;
        ac.takeOff = which == 1 ? 1 : 0;
        avoidStatics(harness->engine(), ac);
        EXPECT_EQ(ac.lastAvoidLat, 0.0);
        EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::active);
    }
}

constexpr double kMetreDeg = 1.0 / kMetresPerDegree; // [deg of latitude per metre]

// An active Large aircraft with a report stream; each test hands it new reports.
class ReportAppend : public LiveScenario
{
  protected:
    void SetUp() override
    {
        LiveScenario::SetUp();
        options = &test::installDouble<test::StandOptionRecorder>(harness->engine().n.stands);
    }

    LiveAc& activeAc(const std::vector<Report>& reports, GroundPhase phase)
    {
        LiveAc ac;
        ac.hexid = kHex;
        ac.callsign = "APP1";
        ac.airline = "APP";
        ac.category = AcCategory::Large;
        ac.radius = 0.0092;
        ac.simState = SimState::active;
        ac.objectId = 12;
        ac.phase = phase;
        ac.stream.assign(reports.begin(), reports.end());
        ac.lat = reports.front().lat;
        ac.lon = reports.front().lon;
        ac.alt = reports.front().alt;
        ac.onGround = reports.front().airborne == 0 ? 1 : 0;
        ac.heading = 0.0; // due north
        harness->engine().live.push_back(std::move(ac));
        return harness->engine().live.back();
    }

    void append(LiveAc& ac, const Report& r) { appendReport(harness->engine(), PlainMovement{}, ac, r); }

    // The throttle events sent, after one frame has taken the queue to the simulator.
    std::vector<std::uint32_t> throttleData()
    {
        harness->run(1);
        std::vector<std::uint32_t> data;
        for (const test::RecordedEvent& e : harness->events)
            if (e.event.eventId == kEvThrottleSet)
                data.push_back(e.event.data);
        return data;
    }

    test::StandOptionRecorder* options = nullptr; // a stay that ends closes the stand visit
};

TEST_F(ReportAppend, StandingStillAndJitterOnTheGround)
{
    struct Row
    {
        const char* name;
        double northM; // from the last report
        double alt;    // of the new report [ft]
        double gs;     // of the new report [kt]
        bool accepted;
        bool copiesLast; // the new report became a copy of the last one
        bool stationary;
    };
    const Row rows[] = {
        {"same spot", 0.0, 0.0, 3.0, true, false, true},
        {"ten metres on the ground", 10.0, 0.0, 4.0, true, true, true},
        {"ten metres in the air", 10.0, 500.0, 140.0, false, false, false},
        {"moving on", 60.0, 0.0, 12.0, true, false, false},
        {"far but reported still", 60.0, 0.0, 0.0, true, false, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->engine().live.clear();
        LiveAc& ac = activeAc({at(47.0, 8.0, 0, 10, 100), at(47.0001, 8.0, 0, 10, 600)}, GroundPhase::taxi);
        Report r = at(47.0001 + row.northM * kMetreDeg, 8.0, row.alt, row.gs, 1100);
        const std::size_t before = ac.stream.size();
        append(ac, r);
        ASSERT_EQ(ac.stream.size(), before + (row.accepted ? 1 : 0));
        if (!row.accepted)
            continue;
        const Report& added = ac.stream.back();
        EXPECT_EQ(added.stationary, row.stationary ? 1 : 0);
        if (row.stationary)
        {
            EXPECT_EQ(added.gs, 0.0);
        }
        if (row.copiesLast)
        {
            EXPECT_EQ(added.lat, 47.0001);
            // The copy keeps the last report's due tick and is then moved behind it.
            EXPECT_EQ(added.dueTick, 601);
        }
    }
}

TEST_F(ReportAppend, DueTicksNeverRunBackward)
{
    LiveAc& ac =
        activeAc({at(47.0, 8.0, 3000, 200, 100), at(47.01, 8.0, 3000, 200, 900)}, GroundPhase::flying);
    ac.onGround = 0;
    // Late, early and out of order: each report is due after the one before it.
    for (const std::int32_t due : {400, 1500, 1500, 1200})
        append(ac, at(47.02 + 0.01 * static_cast<double>(ac.stream.size()), 8.0, 3000, 200, due));
    ASSERT_EQ(ac.stream.size(), 6u);
    const std::int32_t expected[] = {100, 900, 901, 1500, 1501, 1502};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(ac.stream[i].dueTick, expected[i]) << i;
}

TEST_F(ReportAppend, AnOverfullStreamOrAHeldAircraftThatJumpsIsGivenUp)
{
    std::vector<Report> many;
    for (int i = 0; i <= 200; ++i)
        many.push_back(at(47.0 + 0.001 * i, 8.0, 3000, 200, 100 * i));
    LiveAc& full = activeAc(many, GroundPhase::flying);
    append(full, at(47.3, 8.0, 3000, 200, 30000));
    EXPECT_EQ(full.simState, SimState::removingfromsim);
    EXPECT_EQ(full.stream.size(), 201u);

    harness->engine().live.clear();
    HOLDING_THRESHOLD_METERS.set(250);
    LiveAc& held = activeAc({at(47.0, 8.0, 0, 0, 100)}, GroundPhase::taxi);
    held.holding = 1;
    held.holdStartTick = 50;
    append(held, at(47.0 + 200 * kMetreDeg, 8.0, 0, 10, 600));
    EXPECT_EQ(held.simState, SimState::active);
    append(held, at(47.0 + 300 * kMetreDeg, 8.0, 0, 10, 1100));
    EXPECT_EQ(held.simState, SimState::removingfromsim);
    EXPECT_EQ(held.holding, 0);
    EXPECT_EQ(held.holdStartTick, 0);
}

TEST_F(ReportAppend, BirthTakesOnlyReportsThatPassTheStandStillCheck)
{
    LiveAc& ac = activeAc({at(47.0, 8.0, 3000, 200, 500)}, GroundPhase::birth);
    ac.simState = SimState::buffer;
    append(ac, at(47.01, 8.0, 3000, 200, 300));
    ASSERT_EQ(ac.stream.size(), 2u);
    EXPECT_EQ(ac.stream[1].dueTick, 501);
    // Airborne and at the same spot: no report to fly.
    append(ac, at(47.01, 8.0, 3000, 200, 900));
    EXPECT_EQ(ac.stream.size(), 2u);
}

TEST_F(ReportAppend, AStopThatIsOverDropsTheStationaryTail)
{
    // Moving, then standing still for a short while: the next moving report continues from the stop.
    LiveAc& ac = activeAc({at(47.0, 8.0, 0, 10, 100), at(47.0005, 8.0, 0, 10, 600)}, GroundPhase::taxi);
    Report still = at(47.001, 8.0, 0, 0, 1100);
    still.stationary = 1;
    ac.stream.push_back(still);
    still.dueTick = 1600;
    ac.stream.push_back(still);
    append(ac, at(47.0015, 8.0, 0, 10, 2100));
    ASSERT_EQ(ac.stream.size(), 3u);
    EXPECT_EQ(ac.stream[1].lat, 47.0005);
    EXPECT_EQ(ac.stream[2].lat, 47.0015);
    EXPECT_EQ(ac.stream[2].dueTick, 2100);

    // Standing still for good: a stationary report cuts the stream to its first report, and two
    // stationary reports start at once.
    harness->engine().live.clear();
    Report a = at(47.0, 8.0, 0, 0, 5000);
    a.stationary = 1;
    Report b = a;
    b.dueTick = 5500;
    LiveAc& parkedish = activeAc({a, b, b}, GroundPhase::taxi);
    Report c = a;
    c.dueTick = 6000;
    c.gs = 0.0;
    append(parkedish, c);
    ASSERT_EQ(parkedish.stream.size(), 2u);
    EXPECT_EQ(parkedish.stream[0].dueTick, harness->tick() + 1);
    EXPECT_EQ(parkedish.stream[1].dueTick, 6000);
}

TEST_F(ReportAppend, FastGroundReportsStartTheTakeOffRoll)
{
    LiveAc& ac = activeAc({at(47.0, 8.0, 0, 20, 100), at(47.001, 8.0, 0, 45, 600)}, GroundPhase::taxi);
    // Both the new and the last report must be at 43 kt or more.
    append(ac, at(47.003, 8.0, 0, 40, 1100));
    append(ac, at(47.006, 8.0, 0, 60, 1600));
    EXPECT_EQ(ac.takeOff, 0);
    append(ac, at(47.010, 8.0, 0, 75, 2100));
    EXPECT_EQ(ac.takeOff, 1);
    EXPECT_EQ(ac.lateMargin, 5000);
    EXPECT_EQ(ac.stream.size(), 5u);
    EXPECT_EQ(throttleData(), (std::vector<std::uint32_t>{0}));
}

TEST_F(ReportAppend, AirborneAgainDuringTheRollOutTakesOffOnceWithThrottleThree)
{
    LiveAc& ac = activeAc({at(47.0, 8.0, 0, 130, 100), at(47.005, 8.0, 200, 140, 600)}, GroundPhase::flying);
    ac.rollOut = 1;
    ac.landing = 0;
    ac.towingCheck = 1;
    ac.throttleIndex = 0;
    // The approach's last report, level, reached after the aircraft touched down ahead of it.
    append(ac, at(47.008, 8.0, 200, 140, 850));
    EXPECT_EQ(ac.takeOff, 0);
    append(ac, at(47.01, 8.0, 400, 145, 1100));
    append(ac, at(47.015, 8.0, 600, 150, 1600));
    EXPECT_EQ(ac.phase, GroundPhase::taxi);
    EXPECT_EQ(ac.takeOff, 1);
    EXPECT_EQ(ac.towingCheck, 0);
    EXPECT_EQ(ac.flapsIndex, 1u);
    EXPECT_EQ(ac.lateMargin, 5000);
    EXPECT_EQ(ac.earlyMargin, 3000);
    EXPECT_EQ(throttleData(), (std::vector<std::uint32_t>{11468}));
}

TEST_F(ReportAppend, PushBackRecordsItsTurnSideAndAPushedBackAircraftHoldsUntilFarEnough)
{
    LiveAc& pushing = activeAc({at(47.0, 8.0, 0, 0, 100)}, GroundPhase::pushing_back);
    pushing.pushBackStage = 2;
    Report r = at(47.0, 8.0002, 0, 3, 600);
    r.track = 80.0; // to the right of a heading of north
    append(pushing, r);
    EXPECT_EQ(pushing.stream.size(), 1u);
    EXPECT_EQ(pushing.pushBackSideKnown, 1);
    EXPECT_EQ(pushing.pushBackSide, 1);

    struct Row
    {
        const char* name;
        double northRadii;
        bool drivesOff;
    };
    // Radius 0.0092 nm; the hold reaches 2.75 radii, or the last hold distance up to 6 radii.
    const Row rows[] = {{"near", 2.0, false}, {"past 2.75 radii", 3.0, true}, {"past 6 radii", 6.5, true}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->engine().live.clear();
        LiveAc& ac = activeAc({at(47.0, 8.0, 0, 0, 100)}, GroundPhase::pushed_back);
        ac.pushedBackDistance = 0.0;
        ac.standId = 4;
        ac.standLat = 47.0;
        append(ac, at(47.0 + row.northRadii * 0.0092 / 60.0, 8.0, 0, 8, 600));
        EXPECT_EQ(ac.phase, row.drivesOff ? GroundPhase::taxi : GroundPhase::pushed_back);
        EXPECT_EQ(ac.holding, row.drivesOff ? 0 : 1);
        EXPECT_EQ(ac.stream.size(), row.drivesOff ? 2u : 1u);
        if (row.drivesOff)
        {
            EXPECT_EQ(ac.standId, 0u);
        }
    }

    // Held at 5 radii, then at 4 radii (inside the last hold distance); 5.5 radii is beyond it.
    harness->engine().live.clear();
    LiveAc& ac = activeAc({at(47.0, 8.0, 0, 0, 100)}, GroundPhase::pushed_back);
    ac.pushedBackDistance = 900.0;
    append(ac, at(47.0 + 5.0 * 0.0092 / 60.0, 8.0, 0, 8, 600));
    append(ac, at(47.0 + 4.0 * 0.0092 / 60.0, 8.0, 0, 8, 1100));
    EXPECT_EQ(ac.phase, GroundPhase::pushed_back);
    append(ac, at(47.0 + 5.5 * 0.0092 / 60.0, 8.0, 0, 8, 1600));
    EXPECT_EQ(ac.phase, GroundPhase::taxi);
}

TEST_F(ReportAppend, LandingDropsReportsBehindTheAircraft)
{
    struct Row
    {
        const char* name;
        double secondLat, thirdLat; // of the stream's last two reports
        std::size_t kept;           // reports left before the new one
    };
    // Heading north; the new report lies at 47.02.
    const Row rows[] = {{"last one behind", 47.01, 47.03, 2},
                        {"last two behind", 47.03, 47.04, 1},
                        {"none behind", 47.01, 47.015, 3}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->engine().live.clear();
        LiveAc& ac = activeAc({at(47.0, 8.0, 800, 140, 100), at(row.secondLat, 8.0, 500, 140, 600),
                               at(row.thirdLat, 8.0, 400, 140, 1100)},
                              GroundPhase::flying);
        ac.landing = 1;
        ac.onGround = 0;
        ac.extensionCount = 2;
        append(ac, at(47.02, 8.0, 300, 160, 1600));
        ASSERT_EQ(ac.stream.size(), row.kept + 1);
        // Landing never speeds up: the ground speed is held at the last report's.
        EXPECT_EQ(ac.stream.back().gs, 140.0);
        EXPECT_EQ(ac.stream.back().stationary, 0);
        EXPECT_EQ(ac.extensionCount, 0);
    }
    // With one report left, a report more than 90 degrees off the heading is refused.
    harness->engine().live.clear();
    LiveAc& ac = activeAc({at(47.0, 8.0, 800, 140, 100)}, GroundPhase::flying);
    ac.landing = 1;
    ac.onGround = 0;
    append(ac, at(46.999, 8.01, 300, 140, 600));
    EXPECT_EQ(ac.stream.size(), 1u);
}

TEST_F(ReportAppend, ParkedAircraftLeavesOnlyOnASteadyMoveAndIsGivenUpAfterAJump)
{
    const double standLat = 47.0;
    auto parked = [&]() -> LiveAc&
    {
        harness->engine().live.clear();
        Report r = at(standLat, 8.0, 0, 0, 100);
        r.stationary = 1;
        LiveAc& ac = activeAc({r}, GroundPhase::parked);
        ac.previousPhase = GroundPhase::taxi;
        ac.standId = 3;
        ac.standLat = standLat;
        ac.standLon = 8.0;
        ac.radius = 0.02;
        ac.extensionCount = 1;
        return ac;
    };
    // Jitter within 85 m: never leaves.
    LiveAc& jitter = parked();
    for (int i = 0; i < 10; ++i)
        append(jitter, at(standLat + (i % 2 == 0 ? 20 : 40) * kMetreDeg, 8.0, 0, 0, 600 + 500 * i));
    EXPECT_EQ(jitter.stream.size(), 1u);
    EXPECT_EQ(jitter.departureSeen, 0);
    EXPECT_EQ(jitter.leavingStand, 1);

    // A jump beyond 200 m removes it.
    LiveAc& jumper = parked();
    append(jumper, at(standLat + 250 * kMetreDeg, 8.0, 0, 5, 600));
    EXPECT_EQ(jumper.simState, SimState::removingfromsim);

    // A steady move away of more than half its radius over three reports is a departure.
    LiveAc& leaving = parked();
    for (int i = 0; i < 5 && leaving.departureSeen == 0; ++i)
        append(leaving, at(standLat + (5 + 10 * i) * kMetreDeg, 8.0, 0, 3, 600 + 500 * i));
    EXPECT_EQ(leaving.departureSeen, 1);
    EXPECT_EQ(leaving.awayCount, 3);
    EXPECT_EQ(leaving.phase, GroundPhase::parked);
    EXPECT_EQ(leaving.previousPhase, GroundPhase::parked);
    EXPECT_EQ(leaving.extensionCount, 0);
    EXPECT_EQ(leaving.stream.front().dueTick, harness->tick() + 1);
    EXPECT_EQ(leaving.stream.size(), 2u);
    EXPECT_EQ(options->stands, (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(options->closeFlags, (std::vector<bool>{true}));
}

TEST_F(ReportAppend, ShortStayAfterTouchdownMarksTheAircraftTowed)
{
    struct Row
    {
        const char* name;
        AcCategory category;
        std::int32_t stayedTicks;
        bool towed;
    };
    const Row rows[] = {{"heavy, 50 min", AcCategory::Heavy, 300000, true},
                        {"heavy, 70 min", AcCategory::Heavy, 420000, false},
                        {"large, 20 min", AcCategory::Large, 120000, true},
                        {"large, 30 min", AcCategory::Large, 180000, false},
                        {"business jet, 10 min", AcCategory::Buzjets, 60000, true},
                        {"light, 1 min", AcCategory::Light, 6000, false}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->engine().live.clear();
        // The parked extension is dated seven days after the tick it parked at.
        Report r = at(47.0, 8.0, 0, 0, harness->tick() - row.stayedTicks + 60480000);
        LiveAc& ac = activeAc({r}, GroundPhase::parked);
        ac.category = row.category;
        ac.extensionCount = 1;
        ac.towingCheck = 1;
        finishParking(harness->engine(), ac);
        EXPECT_EQ(ac.towed, row.towed ? 1 : 0);
        EXPECT_EQ(ac.towingCheck, 0);
        EXPECT_EQ(ac.stream.front().dueTick, harness->tick() + 1);
    }
}

// Also one behind the aircraft: its source turned while the stream ran dry.
TEST_F(ReportAppend, ARealReportEndsAnExtension)
{
    LiveAc& ac =
        activeAc({at(47.0, 8.0, 3000, 200, 100), at(47.01, 8.0, 3000, 200, 900)}, GroundPhase::flying);
    ac.onGround = 0;
    ac.extensionCount = 5;
    append(ac, at(46.99, 8.0, 3000, 200, 1400));
    EXPECT_EQ(ac.stream.size(), 3u);
    EXPECT_EQ(ac.extensionCount, 0);
    EXPECT_EQ(ac.stream.front().dueTick, harness->tick() + 1);
}

// The full engine: reports arrive through the adding stack late, early and out of order.
class AppendedFlight : public LiveScenario
{
  protected:
    void SetUp() override
    {
        LiveScenario::SetUp();
        installLiveFlight(harness->engine());
    }
};

TEST_F(AppendedFlight, LateEarlyAndOutOfOrderReportsAreFlownWithoutJumps)
{
    test::FlightIdentity who;
    who.hexid = kHex;
    who.callsign = "SMO123";
    test::StreamBuilder b(who, {50.0, 8.0}, 90.0);
    b.every(5).speed(250).altitude(6000).fly(120).track(130).fly(120).track(60).fly(120);
    std::vector<test::TimedLine> lines = b.lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        if (i % 3 == 1)
            lines[i].atS += 1.5; // late
        else if (i % 4 == 2)
            lines[i].atS -= 1.0; // early
    }
    // Two reports overtake each other on the way.
    std::swap(lines[20].atS, lines[21].atS);
    lines[21].atS -= 0.5;
    harness->schedule(lines);
    const std::int32_t end = static_cast<std::int32_t>(lines.back().atS * 100.0) + 2500;
    harness->run(end);

    const std::uint32_t objectId = harness->objectOf(kHex);
    ASSERT_NE(objectId, 0u);
    const std::vector<test::RecordedPosition> track = harness->positionsOf(objectId);
    ASSERT_GT(track.size(), 20000u);
    // 250 kt is 0.000694 nm per tick; no tick may move much more, before or after a report.
    double largest = 0.0;
    for (std::size_t i = 1; i < track.size(); ++i)
        largest = std::max(largest, gf_distanceNm({track[i - 1].position.lat, track[i - 1].position.lon},
                                                  {track[i].position.lat, track[i].position.lon}));
    EXPECT_LT(largest, 3 * 250.0 / kTicksPerHour);
    EXPECT_EQ(harness->aircraft(kHex)->simState, SimState::active);
    // Every report still queued is due after the one before it.
    const std::deque<Report>& stream = harness->aircraft(kHex)->stream;
    for (std::size_t i = 1; i < stream.size(); ++i)
        EXPECT_GT(stream[i].dueTick, stream[i - 1].dueTick);
}

} // namespace
} // namespace oxl
