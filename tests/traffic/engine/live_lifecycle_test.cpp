#include "traffic/engine/live_lifecycle.h"

#include "airports/airports_state.h"
#include "records/aircraft_words.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/ground_movement.h"
#include "traffic/engine/live_tick.h"
#include "traffic/source/traffic_filter.h"

#include <fmt/format.h>

#include <cmath>
#include <limits>

namespace oxl
{
namespace
{

using test::FlightIdentity;
using test::LiveScenario;
using test::StreamBuilder;

constexpr std::uint32_t kHex = 0x400001;

struct SpacingRow
{
    const char* name;
    double gs0, track0, alt0;
    double dt, gs, track, alt;
    std::int32_t extension;
    bool accepted;
};

TEST_F(LiveScenario, ReportsAreAcceptedBySpacingAndSpeed)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const SpacingRow rows[] = {
        {"same time stamp", 240, 90, 5000, 0.0, 240, 100, 5000, 0, false},
        {"one second apart", 240, 90, 5000, 1.0, 240, 100, 5000, 0, false},
        {"1.01 s apart", 240, 90, 5000, 1.01, 240, 100, 5000, 0, true},
        {"4 to 80 kt", 4, 90, 0, 10.0, 80, 120, 0, 0, false},
        {"4 to 79 kt", 4, 90, 0, 10.0, 79, 120, 0, 0, true},
        {"ten times faster", 20, 90, 3000, 10.0, 200, 120, 3000, 0, false},
        {"ten times slower", 200, 90, 3000, 10.0, 20, 120, 3000, 0, false},
        {"240 kt same track under 450 m", 240, 90, 5000, 3.6, 240, 90, 5000, 0, false},
        {"240 kt same track beyond 450 m", 240, 90, 5000, 3.7, 240, 90, 5000, 0, true},
        {"240 kt track change 1.5 deg", 240, 90, 5000, 2.0, 240, 91.5, 5000, 0, true},
        {"extension lifts the track rule", 240, 90, 5000, 2.0, 240, 90, 5000, 1, true},
        {"10 kt taxi under 20 m", 10, 90, 0, 3.8, 10, 91, 0, 0, false},
        {"10 kt taxi beyond 20 m", 10, 90, 0, 3.9, 10, 91, 0, 0, true},
        {"standing under 15 s", 0, 90, 0, 14.4, 0, 90, 0, 0, false},
        {"standing 15 s, a hair early", 0, 90, 0, 14.99, 0, 90, 0, 0, true},
        {"standing beyond 15 s", 0, 90, 0, 15.1, 0, 90, 0, 0, true},
        {"time stamp no number", 240, 90, 5000, nan, 240, 100, 5000, 0, false},
    };
    std::uint32_t hexid = kHex;
    for (const SpacingRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        ++hexid;
        harness->accept(line(hexid, 1000.0, row.gs0, row.track0, row.alt0, fmt::format("C{}", hexid)), 3000);
        LiveAc* ac = harness->engine().findByHexid(hexid);
        ASSERT_NE(ac, nullptr);
        ac->extensionCount = row.extension;
        harness->accept(line(hexid, 1000.0 + row.dt, row.gs, row.track, row.alt, fmt::format("C{}", hexid)),
                        3100);
        EXPECT_EQ(ac->stream.size(), row.accepted ? 2u : 1u);
    }
}

TEST_F(LiveScenario, NewHexidsAreRefusedForSameFlightOrSwitchedOffCategory)
{
    harness->accept(line(kHex, 1000, 240, 90, 5000, "ABC123", "A320"), 3000);
    harness->accept(line(kHex + 1, 1000, 240, 90, 5000, "ABC123", "A320"), 3000);
    EXPECT_EQ(harness->aircraft(kHex + 1), nullptr);
    harness->accept(line(kHex + 2, 1000, 240, 90, 5000, "ABC123", "B744"), 3000);
    EXPECT_NE(harness->aircraft(kHex + 2), nullptr);

    LIGHT_AIRCRAFT.set(false);
    harness->accept(line(kHex + 3, 1000, 90, 90, 3000, "GABCD", "C172"), 3000);
    EXPECT_EQ(harness->aircraft(kHex + 3), nullptr);
    LIGHT_AIRCRAFT.set(true);
    harness->accept(line(kHex + 4, 1000, 90, 90, 3000, "GABCE", "C172"), 3000);
    ASSERT_NE(harness->aircraft(kHex + 4), nullptr);
    EXPECT_EQ(harness->aircraft(kHex + 4)->category, AcCategory::Light);

    // An unknown type takes the type of its registration record; without one nothing is created.
    harness->registrations["G-EUPT"] = DbaseRecord{"BAW", "A319", "", false};
    TrafficLine unknown = line(kHex + 5, 1000, 240, 90, 5000, "BAW12", "");
    unknown.registration = "G-EUPT";
    harness->accept(unknown, 3000);
    ASSERT_NE(harness->aircraft(kHex + 5), nullptr);
    EXPECT_EQ(harness->aircraft(kHex + 5)->type, "A319");
    harness->accept(line(kHex + 6, 1000, 240, 90, 5000, "XYZ1", "ZZZZ"), 3000);
    EXPECT_EQ(harness->aircraft(kHex + 6), nullptr);

    // Beyond the range a line goes on a known aircraft's stream and creates none.
    for (TrafficLine beyond : {line(kHex + 7, 1000, 240, 90, 5000, "XYZ2"), line(kHex, 1010, 240, 90, 5000)})
    {
        beyond.beyondRange = 1;
        harness->accept(beyond, 3100);
    }
    EXPECT_EQ(harness->aircraft(kHex + 7), nullptr);
    EXPECT_EQ(harness->aircraft(kHex)->stream.size(), 2u);
}

// An airborne aircraft through its whole life: buffer, spawn, create request, creation answer, lights,
// activation, end of stream, removal and the deletion of its flight plan.
TEST_F(LiveScenario, AirborneAircraftLivesFromFirstReportToRemoval)
{
    StreamBuilder flight(FlightIdentity{}, {51.5, -0.2}, 90.0);
    flight.speed(240).altitude(10000).every(5).fly(60);
    harness->schedule(flight.lines());

    ASSERT_TRUE(harness->runUntil([&] { return !harness->creates.empty(); }, 4000));
    const LiveAc* ac = harness->aircraft(kHex);
    ASSERT_NE(ac, nullptr);
    EXPECT_EQ(ac->simState, SimState::adding2sim);
    EXPECT_EQ(ac->phase, GroundPhase::flying);
    const test::RecordedCreate& create = harness->creates.front();
    EXPECT_EQ(create.tick, 2950); // spawned at due 3000 - 100, handed over on the next 50-tick boundary
    const CreateRequest& r = create.request;
    EXPECT_DOUBLE_EQ(r.lat, 51.5);
    EXPECT_DOUBLE_EQ(r.lon, -0.2);
    EXPECT_DOUBLE_EQ(r.alt, 10000.0);
    EXPECT_NEAR(r.heading, 90.0, 0.1);
    EXPECT_NEAR(r.pitch, -3.0, 1e-9);
    EXPECT_DOUBLE_EQ(r.bank, 0.0);
    EXPECT_EQ(r.onGround, 0u);
    EXPECT_EQ(r.airspeed, 0u);
    EXPECT_EQ(r.callsign, "ABC123");
    EXPECT_EQ(r.title, "TITLE A320");
    EXPECT_EQ(r.hexid, kHex);

    const std::int32_t answerTick = create.tick + harness->createDelayTicks;
    harness->run(answerTick + 200 - harness->tick());
    ac = harness->aircraft(kHex);
    const std::uint32_t objectId = harness->objectOf(kHex);
    ASSERT_NE(objectId, 0u);
    EXPECT_EQ(ac->objectId, objectId);
    EXPECT_EQ(ac->simState, SimState::adding2sim);
    EXPECT_DOUBLE_EQ(ac->staticCgHeight, 10.0);
    ASSERT_EQ(harness->lightToggles.size(), 2u);
    EXPECT_EQ(harness->lightToggles[0].tick, answerTick + 49);
    EXPECT_EQ(harness->lightToggles[1].tick, answerTick + 99);
    ASSERT_EQ(harness->staticCgRequests.size(), 1u);
    EXPECT_EQ(harness->staticCgRequests[0].tick, answerTick);

    harness->run(1);
    EXPECT_EQ(harness->aircraft(kHex)->simState, SimState::active);
    harness->run(10);
    EXPECT_EQ(harness->positionsOf(objectId).size(), 11u); // from the activation tick on
    EXPECT_TRUE(harness->engine().filter().knows(kHex));   // the reader follows it beyond the range

    // The flight plan written at creation goes with the object.
    const auto plan = harness->flightPlanFolder() / fmt::format("{}.pln", objectId);
    test::writeBytes(plan, "plan");
    LiveAc* live = harness->engine().findByHexid(kHex);
    const std::string label = gf_acLabel(*live);
    live->flightPlanSet = 1;
    live->stream.clear();
    ASSERT_TRUE(harness->runUntil([&] { return harness->aircraft(kHex) == nullptr; }, 40));
    ASSERT_EQ(harness->removals.size(), 1u);
    EXPECT_EQ(harness->removals[0].objectId, objectId);
    EXPECT_FALSE(std::filesystem::exists(plan));
    harness->run(10);
    EXPECT_FALSE(harness->engine().filter().knows(kHex));
    EXPECT_TRUE(log.contains(fmt::format("===> updateLiveAc stream empty ? {}, hexid:{}, objectid:{}, "
                                         "alt:10000 ft, lalo:51.500000,-0.200000, TAS:240",
                                         label, kHex, objectId)));
}

TEST_F(LiveScenario, TaxiingAircraftIsPutOnTheGroundByGroundData)
{
    harness->groundElevationFt = 80.0;
    StreamBuilder taxi(FlightIdentity{}, {51.47, -0.45}, 270.0);
    taxi.speed(12).altitude(0).every(5).fly(60);
    harness->schedule(taxi.lines());
    ASSERT_TRUE(harness->runUntil([&] { return !harness->creates.empty(); }, 4000));
    EXPECT_EQ(harness->creates[0].tick, 2750); // spawned 300 ticks ahead of due, handed over at 2750
    EXPECT_EQ(harness->creates[0].request.onGround, 1u);
    EXPECT_EQ(harness->aircraft(kHex)->phase, GroundPhase::taxi);
    ASSERT_TRUE(harness->runUntil([&] { return harness->aircraft(kHex)->onGround != 0; }, 400));
    const LiveAc* ac = harness->aircraft(kHex);
    EXPECT_EQ(harness->tick() % harness->groundDataPeriodTicks, 1); // answered on the 100-tick boundary
    EXPECT_DOUBLE_EQ(ac->alt, 80.0 + 10.0);
    EXPECT_DOUBLE_EQ(ac->agl, 0.0 - 80.0 - 10.0);
    EXPECT_EQ(ac->rotationCounter, 1);
}

TEST_F(LiveScenario, RemovalWhileQueuedWithdrawsTheRequest)
{
    StreamBuilder flight(FlightIdentity{}, {51.5, -0.2}, 90.0);
    flight.speed(240).altitude(10000).every(5).fly(25); // every line arrives before the spawn
    harness->schedule(flight.lines());
    ASSERT_TRUE(
        harness->runUntil([&] { return !harness->engine().n.mainQueues->liveCreates.empty(); }, 4000));
    removeAircraftFromSim(harness->engine(), *harness->engine().findByHexid(kHex));
    EXPECT_TRUE(harness->aircraft(kHex)->createCancelled);
    harness->run(100);
    EXPECT_EQ(harness->aircraft(kHex), nullptr);
    EXPECT_TRUE(harness->creates.empty());
}

TEST_F(LiveScenario, RemovalDuringCreationRemovesAtActivation)
{
    StreamBuilder flight(FlightIdentity{}, {51.5, -0.2}, 90.0);
    flight.speed(240).altitude(10000).every(5).fly(60);
    harness->schedule(flight.lines());
    ASSERT_TRUE(harness->runUntil(
        [&] { return harness->aircraft(kHex) && harness->aircraft(kHex)->objectId; }, 4000));
    removeAircraftFromSim(harness->engine(), *harness->engine().findByHexid(kHex));
    EXPECT_TRUE(harness->aircraft(kHex)->removeWhenCreated);
    const std::int32_t activationTick = harness->creates[0].tick + harness->createDelayTicks + 200;
    harness->run(activationTick + 1 - harness->tick());
    const LiveAc* ac = harness->aircraft(kHex);
    ASSERT_NE(ac, nullptr);
    EXPECT_EQ(ac->simState, SimState::removingfromsim);
    const std::uint32_t objectId = ac->objectId;
    ASSERT_TRUE(harness->runUntil([&] { return harness->aircraft(kHex) == nullptr; }, 40));
    ASSERT_EQ(harness->removals.size(), 1u);
    EXPECT_EQ(harness->removals[0].objectId, objectId);
}

// A simulator that adds its objects 90 s late: an aircraft whose reports end while it waits is let go as one
// in the simulator would be, inside the range once its stream's carry-on is over, beyond it at once; the
// object that comes late is removed, never moved.
TEST_F(LiveScenario, WaitingAircraftIsLetGoWhenItsReportsEnd)
{
    struct Row
    {
        const char* name;
        double userNorthNm; ///< how far north of the flight the user is
        std::int32_t carryOnTicks;
    };
    const double beyondNm = harness->engine().filter().letGoRadiusNm() + 1.0;
    const Row rows[] = {{"inside the range", 0.0, 8 * 800}, {"beyond the range", beyondNm, 0}};
    installGroundMovement(harness->engine());
    harness->createDelayTicks = 9000;
    FlightIdentity identity;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->user = UserAcData{.lat = 51.5 + row.userNorthNm / 60.0, .lon = -0.2, .alt = 3000.0};
        const std::int32_t start = harness->tick();
        StreamBuilder flight(identity, {51.5, -0.2}, 90.0);
        flight.speed(240).altitude(10000).every(5).fly(20);
        harness->schedule(flight.lines(), start);
        harness->run(3000);
        ASSERT_NE(harness->aircraft(identity.hexid), nullptr);
        ASSERT_EQ(harness->aircraft(identity.hexid)->simState, SimState::adding2sim);
        ASSERT_TRUE(harness->runUntil([&] { return harness->aircraft(identity.hexid) == nullptr; }, 20000));
        // Its last report (15 s) falls due 30 s after it came.
        EXPECT_EQ(harness->tick() - 1, start + 4500 + row.carryOnTicks);
        ASSERT_TRUE(harness->runUntil(
            [&] { return !harness->removals.empty() && harness->removals.back().tick > start; }, 20000));
        const std::uint32_t objectId = harness->removals.back().objectId;
        EXPECT_TRUE(harness->positionsOf(objectId).empty());
        EXPECT_TRUE(log.contains(
            fmt::format("object {} (hexid {}) added by the simulator for no aircraft waiting: removed",
                        objectId, identity.hexid)));
        ++identity.hexid;
    }
    EXPECT_EQ(harness->engine().intake.endOfStreamRemovals, 2u);
    // 100 queued at once: the 50 served last, whose reports end at 5 s (due at +3500), are never created.
    harness->creates.clear();
    for (std::uint32_t i = 0; i < 100; ++i, identity.callsign = fmt::format("B{:x}", ++identity.hexid))
    {
        StreamBuilder burst(identity, {harness->user.lat + i / 1e3, -0.2}, 90);
        harness->schedule(burst.speed(240).altitude(9000).fly(i < 50 ? 10 : 90).lines(), harness->tick());
    }
    harness->run(9000);
    EXPECT_EQ(harness->creates.size(), 50u);
    for (const test::RecordedCreate& c : harness->creates)
        EXPECT_GE(c.request.hexid, 0x400003 + 50) << c.request.callsign;
}

// Brings the default flight to active; returns its object id.
std::uint32_t activate(test::LiveHarness& harness, const FlightIdentity& identity = FlightIdentity{})
{
    StreamBuilder flight(identity, {51.5, -0.2}, 90.0);
    flight.speed(240).altitude(10000).every(5).fly(120);
    harness.schedule(flight.lines(), harness.tick());
    EXPECT_TRUE(harness.runUntil(
        [&]
        {
            const LiveAc* ac = harness.aircraft(identity.hexid);
            return ac != nullptr && ac->simState == SimState::active;
        },
        4000));
    return harness.objectOf(identity.hexid);
}

TEST_F(LiveScenario, NewCallsignRespawnsFromTheCurrentPosition)
{
    const std::uint32_t objectId = activate(*harness);
    LiveAc* ac = harness->engine().findByHexid(kHex);
    ac->lat = 51.51;
    ac->lon = -0.19;
    ac->alt = 9000.0;
    ac->throttleIndex = 2;
    TrafficLine renamed = line(kHex, 2e9, 240, 90, 9000, "XYZ789");
    harness->accept(renamed, harness->tick() + 3000);
    EXPECT_EQ(ac->simState, SimState::liveryrespawn);
    EXPECT_TRUE(log.contains(fmt::format("          {} respawns", gf_acLabel(*ac))));
    EXPECT_EQ(ac->callsign, "XYZ789");
    EXPECT_EQ(ac->secondCallsign, "XYZ789");
    EXPECT_EQ(harness->engine().n.mainQueues->removals.back(), objectId);
    const Report front = ac->stream.front();
    EXPECT_DOUBLE_EQ(front.lat, 51.51);
    EXPECT_DOUBLE_EQ(front.alt, 9000.0);
    EXPECT_EQ(front.dueTick, harness->tick() + 1);

    ASSERT_TRUE(
        harness->runUntil([&] { return harness->aircraft(kHex)->simState != SimState::liveryrespawn; }, 40));
    ac = harness->engine().findByHexid(kHex);
    EXPECT_EQ(ac->simState, SimState::adding2sim); // back in buffer and spawned again at once
    EXPECT_EQ(ac->throttleIndex, 5u);
    EXPECT_EQ(ac->flapsIndex, 4u);
    EXPECT_EQ(ac->objectId, 0u);
    EXPECT_DOUBLE_EQ(ac->lat, 51.51);
}

TEST_F(LiveScenario, NewCallsignWithoutRespawnsOnlyRenames)
{
    GUID_CHANGES.set(false);
    activate(*harness);
    const std::size_t before = harness->engine().findByHexid(kHex)->stream.size();
    harness->accept(line(kHex, 2e9, 240, 90, 9000, "XYZ789"), harness->tick() + 3000);
    const LiveAc* ac = harness->aircraft(kHex);
    EXPECT_EQ(ac->simState, SimState::active);
    EXPECT_EQ(ac->callsign, "XYZ789");
    EXPECT_EQ(ac->stream.size(), before + 1);
}

TEST_F(LiveScenario, FailedCreationDropsTheAircraftOnce)
{
    harness->failCreate.insert(kHex);
    StreamBuilder flight(FlightIdentity{}, {51.5, -0.2}, 90.0);
    flight.speed(240).altitude(10000).every(5).fly(60);
    harness->schedule(flight.lines());
    ASSERT_TRUE(harness->runUntil([&] { return !harness->creates.empty(); }, 4000));
    harness->run(harness->createDelayTicks + 1);
    EXPECT_EQ(harness->aircraft(kHex), nullptr);
    EXPECT_EQ(harness->notCreated, std::vector<std::uint32_t>{kHex});
}

TEST_F(LiveScenario, LoweredLimitRemovesTheFarthest)
{
    LiveEngine& engine = harness->engine();
    for (std::uint32_t i = 0; i < 50; ++i)
    {
        harness->accept(line(kHex + i, 1000, 240, 90, 5000, fmt::format("T{}", i)), 3000);
        LiveAc& ac = *engine.findByHexid(kHex + i);
        // The nearest five wait for the simulator to add them, and count as shown.
        ac.simState = i < 5 ? SimState::adding2sim : SimState::active;
        ac.objectId = i < 5 ? 0 : 100 + i;
        ac.lat = 51.5 + 0.01 * i; // 0.6 nm apart, farther with every index
        ac.lon = -0.2;
    }
    harness->user.lat = 51.5;
    harness->user.lon = -0.2;
    MAX_LIVE_SEL.set(40);
    gf_trimLiveToMax(engine);
    std::vector<std::uint32_t> removed(engine.n.mainQueues->removals.begin(),
                                       engine.n.mainQueues->removals.end());
    std::sort(removed.begin(), removed.end());
    std::vector<std::uint32_t> expected;
    for (std::uint32_t i = 40; i < 50; ++i)
        expected.push_back(100 + i);
    EXPECT_EQ(removed, expected);
    EXPECT_EQ(engine.activeCount(), 35u);
}

TEST_F(LiveScenario, FarthestCandidateNeedsMoreThanATenthOfAMile)
{
    LiveEngine& engine = harness->engine();
    for (std::uint32_t i = 0; i < 2; ++i)
    {
        harness->accept(line(kHex + i, 1000, 240, 90, 5000, fmt::format("T{}", i)), 3000);
        LiveAc& ac = *engine.findByHexid(kHex + i);
        ac.simState = SimState::active;
        ac.objectId = 100 + i;
        ac.lat = 51.5 + (i == 0 ? 0.1 : 0.1 + 0.05 / 60.0); // the second one 0.05 nm farther
        ac.lon = -0.2;
    }
    harness->user.lat = 51.5;
    harness->user.lon = -0.2;
    EXPECT_FALSE(gf_removeFarthestLive(engine, -1.0));
    EXPECT_EQ(engine.findByHexid(kHex)->simState, SimState::removingfromsim);
    EXPECT_EQ(engine.findByHexid(kHex + 1)->simState, SimState::active);
    EXPECT_TRUE(gf_removeFarthestLive(engine, 100.0));
}

struct AnswerRow
{
    const char* name;
    SimAnswer answer;
    double staticCg, staticPitchDeg, alt, agl;
    bool onGround;
};

TEST_F(LiveScenario, GroundDataAndStaticCgAnswers)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const AnswerRow rows[] = {
        {"ground data airborne",
         {7, 0, 0, SimAnswerKind::groundData, 100.0, 900.0},
         0.0,
         0.0,
         5000.0,
         900.0,
         false},
        {"ground data on ground",
         {7, 1, 0, SimAnswerKind::groundData, 100.0, 0.0},
         0.0,
         0.0,
         100.0,
         0.0,
         true},
        {"static cg in range",
         {7, 0, 0, SimAnswerKind::staticCg, 12.5, 2.0 * kDegToRad},
         12.5,
         2.0,
         5000.0,
         2500.0,
         false},
        {"static cg too high",
         {7, 0, 0, SimAnswerKind::staticCg, 35.5, -1.0 * kDegToRad},
         0.0,
         0.7,
         5000.0,
         2500.0,
         false},
        {"static pitch no number",
         {7, 0, 0, SimAnswerKind::staticCg, 1.0, nan},
         1.0,
         0.7,
         5000.0,
         2500.0,
         false},
        {"unknown object", {8, 1, 0, SimAnswerKind::groundData, 100.0, 0.0}, 0.0, 0.0, 5000.0, 2500.0, false},
        {"unknown kind",
         {7, 1, 0, static_cast<SimAnswerKind>(9), 100.0, 0.0},
         0.0,
         0.0,
         5000.0,
         2500.0,
         false},
    };
    for (const AnswerRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness = std::make_unique<test::LiveHarness>();
        harness->accept(line(kHex, 1000, 240, 90, 5000), 3000);
        LiveAc& ac = *harness->engine().findByHexid(kHex);
        ac.simState = SimState::active;
        ac.objectId = 7;
        ac.alt = 5000.0;
        harness->pushAnswer(row.answer);
        simHousekeeping(harness->engine());
        EXPECT_DOUBLE_EQ(ac.staticCgHeight, row.staticCg);
        EXPECT_NEAR(ac.staticPitch, row.staticPitchDeg * kDegToRad, 1e-12);
        EXPECT_DOUBLE_EQ(ac.alt, row.alt);
        EXPECT_DOUBLE_EQ(ac.agl, row.agl);
        EXPECT_EQ(ac.onGround != 0, row.onGround);
    }
}

TEST_F(LiveScenario, CreationAnswerActivatesOnlyItsOwnRecord)
{
    LiveEngine& engine = harness->engine();
    harness->accept(line(kHex, 1000, 240, 90, 5000), 3000);
    engine.findByHexid(kHex)->simState = SimState::adding2sim;
    harness->pushAnswer({5, kHex, 0, SimAnswerKind::liveCreated, 0.0, 5000.0});
    simHousekeeping(engine);
    ASSERT_EQ(engine.deferred.size(), 1u);
    // The record goes and a new one of the same hexid waits for its own creation.
    engine.live.clear();
    harness->accept(line(kHex, 2000, 240, 90, 5000), 3000);
    engine.findByHexid(kHex)->simState = SimState::adding2sim;
    for (int i = 0; i < 201; ++i)
        simHousekeeping(engine);
    EXPECT_TRUE(engine.deferred.empty());
    EXPECT_EQ(engine.findByHexid(kHex)->simState, SimState::adding2sim);
    EXPECT_EQ(engine.findByHexid(kHex)->objectId, 0u);
    // An object for an aircraft that left while the simulator added it: nothing would move it.
    harness->pushAnswer({6, kHex + 7, 0, SimAnswerKind::liveCreated, 0.0, 5000.0});
    simHousekeeping(engine);
    EXPECT_EQ(engine.n.mainQueues->removals, std::deque<std::uint32_t>{6});
}

TEST_F(LiveScenario, RequestsAreWithdrawnByHexid)
{
    LiveEngine& engine = harness->engine();
    harness->accept(line(kHex, 1000, 240, 90, 5000, "SAME1", "A320"), 3000);
    harness->accept(line(kHex + 1, 1000, 240, 90, 5000, "SAME1", "B744"), 3000);
    for (std::uint32_t hexid : {kHex, kHex + 1})
    {
        LiveAc& ac = *engine.findByHexid(hexid);
        ac.simState = SimState::adding2sim;
        engine.n.mainQueues->liveCreates.push_back(makeCreateRequest(ac));
    }
    removeAircraftFromSim(engine, *engine.findByHexid(kHex));
    ASSERT_EQ(engine.n.mainQueues->liveCreates.size(), 1u);
    EXPECT_EQ(engine.n.mainQueues->liveCreates.front().hexid, kHex + 1);
    EXPECT_FALSE(engine.findByHexid(kHex + 1)->createCancelled);

    std::deque<CreateRequest> statics(2);
    statics[0].callsign = "STA1";
    statics[1].callsign = "STA2";
    EXPECT_FALSE(gf_removeFromCreateDeque(statics, ""));
    EXPECT_TRUE(gf_removeFromCreateDeque(statics, "STA1"));
    ASSERT_EQ(statics.size(), 1u);
    EXPECT_EQ(statics[0].callsign, "STA2");
}

TEST_F(LiveScenario, AircraftWithoutObjectIsErasedWhenRemoved)
{
    LiveEngine& engine = harness->engine();
    harness->accept(line(kHex, 1000, 240, 90, 5000), 3000);
    LiveAc& ac = *engine.findByHexid(kHex);
    ac.simState = SimState::active;
    removeAircraftFromSim(engine, ac);
    EXPECT_TRUE(ac.erase);
    EXPECT_TRUE(engine.n.mainQueues->removals.empty());
    EXPECT_TRUE(log.contains(
        fmt::format("===> removeAircraftFromSim removing act {}, with objectid=0 ?", gf_acLabel(ac))));
    harness->run(1);
    EXPECT_EQ(harness->aircraft(kHex), nullptr);

    // A respawn without an object goes straight back to buffer.
    harness->accept(line(kHex + 1, 1000, 240, 90, 5000, "RSP1"), 3000);
    LiveAc& other = *engine.findByHexid(kHex + 1);
    other.simState = SimState::active;
    liveryRespawn(engine, other);
    EXPECT_EQ(other.simState, SimState::buffer);
    EXPECT_EQ(other.stream.size(), 2u);
}

TEST_F(LiveScenario, FlightPlanThatCannotBeDeletedIsLogged)
{
    LiveEngine& engine = harness->engine();
    harness->accept(line(kHex, 1000, 240, 90, 5000), 3000);
    LiveAc& ac = *engine.findByHexid(kHex);
    ac.simState = SimState::removingfromsim;
    ac.objectId = 9;
    ac.flightPlanSet = 1;
    // A folder in the plan's place cannot be removed as a file.
    test::writeBytes(harness->flightPlanFolder() / "9.pln" / "inside", "x");
    harness->pushAnswer({9, 0, 0, SimAnswerKind::objectRemoved, 0.0, 0.0});
    simHousekeeping(engine);
    EXPECT_EQ(engine.findByHexid(kHex), nullptr);
    bool logged = false;
    for (const std::string& l : log.lines())
        logged = logged || l.starts_with("===> deleting flight plan ");
    EXPECT_TRUE(logged);
}

TEST_F(LiveScenario, StaticAircraftAnswers)
{
    LiveEngine& engine = harness->engine();
    SimAc s;
    s.hexid = 12;
    s.callsign = "STA1*";
    s.simState = SimState::adding2sim;
    s.removeWhenCreated = 1;
    gAirports.gParking.staticAircraft.push_back(s);
    harness->pushAnswer({40, 12, 0, SimAnswerKind::staticCreated, 0.0, 0.0});
    for (int i = 0; i < 201; ++i)
        simHousekeeping(engine);
    ASSERT_EQ(gAirports.gParking.staticAircraft.size(), 1u);
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].objectId, 40u);
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::removingfromsim);
    EXPECT_EQ(engine.n.mainQueues->removals.back(), 40u);
    harness->pushAnswer({40, 0, 0, SimAnswerKind::objectRemoved, 0.0, 0.0});
    simHousekeeping(engine);
    EXPECT_TRUE(gAirports.gParking.staticAircraft.empty());

    s.removeWhenCreated = 0;
    for (const std::uint32_t hexid : {12u, 13u, 14u})
        gAirports.gParking.staticAircraft.emplace_back(s).hexid = hexid;
    // One whose title was refused leaves the list, and the next one takes its slot.
    harness->pushAnswer({0, 12, 0, SimAnswerKind::createFailed, 0.0, 0.0});
    simHousekeeping(engine);
    EXPECT_EQ(gAirports.gParking.staticAircraft.at(0).hexid, 13u);
    EXPECT_EQ(harness->notCreated, std::vector<std::uint32_t>{12});

    // A creation refused for its tail number drops the aircraft but not its livery.
    harness->pushAnswer({0, 13, 0, SimAnswerKind::createRefused, 0.0, 0.0});
    simHousekeeping(engine);
    EXPECT_EQ(gAirports.gParking.staticAircraft.size(), 1u);
    EXPECT_EQ(harness->notCreated, std::vector<std::uint32_t>{12});
}

} // namespace
} // namespace oxl
