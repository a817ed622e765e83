#include "traffic/engine/flight_phases.h"

#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "simlink/sim_ids.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/flight_commands.h"
#include "traffic/engine/live_flight_hooks.h"
#include "traffic/engine/live_movement.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/source/source_state.h"
#include "traffic/source/udp_readers.h"

#include <algorithm>
#include <cmath>

namespace oxl
{
namespace
{

using test::LiveScenario;
using test::RecordedEvent;

constexpr std::uint32_t kHex = 0x710001;
constexpr std::uint32_t kObject = 9;

Report at(double lat, double lon, double alt, double gs, double vs, std::int32_t due)
{
    Report r = test::at(lat, lon, alt, gs, due);
    r.vs = vs;
    return r;
}

// An active Large aircraft under the full movement; the test plays the simulator's ground data.
class FlightPhases : public LiveScenario
{
  protected:
    // The harness's simulator that records the lever writes.
    struct LeverSimulator : test::LiveHarness::Simulator
    {
        LeverSimulator(test::LiveHarness& harness, FlightPhases& test) : Simulator(harness), t(test) {}
        std::int32_t setSpoilersThrottles(std::uint32_t, double s, double t1, double) override
        {
            t.levers.emplace_back(s, t1);
            return 0;
        }
        FlightPhases& t;
    };

    void SetUp() override
    {
        LiveScenario::SetUp();
        gSource.gEngineQnh.store(kStandardQnh);
        installLiveFlight(harness->engine());
        harness->engine().n.sim = std::make_unique<LeverSimulator>(*harness, *this);
    }

    void TearDown() override
    {
        gSource.gEngineQnh.store(kStandardQnh);
        LiveScenario::TearDown();
    }

    LiveAc& aircraft(const std::vector<Report>& reports, GroundPhase phase)
    {
        LiveAc ac;
        ac.hexid = kHex;
        ac.callsign = "PHS1";
        ac.airline = "PHS";
        ac.category = AcCategory::Large;
        ac.simState = SimState::active;
        ac.objectId = kObject;
        ac.phase = phase;
        ac.rotationTicks = 200;
        ac.climbPitchTicks = 300;
        ac.flareTicks = 400;
        ac.settleTicks = 350;
        ac.rotationPitch = -6.0 * kDegToRad;
        ac.climbPitch = -16.5 * kDegToRad;
        ac.maxClimbStep = 0.6;
        ac.turnStep = 0.07 * kDegToRad;
        ac.staticCgHeight = 10.0;
        ac.stream.assign(reports.begin(), reports.end());
        ac.lat = reports.front().lat;
        ac.lon = reports.front().lon;
        ac.alt = reports.front().alt;
        ac.onGround = reports.front().airborne == 0 ? 1 : 0;
        ac.agl = ac.alt;
        harness->engine().live.push_back(std::move(ac));
        return harness->engine().live.back();
    }

    // Runs tick by tick, feeding the height above the terrain (at 0 ft) as the simulator would.
    void fly(std::int32_t ticks)
    {
        for (std::int32_t i = 0; i < ticks && !harness->engine().live.empty(); ++i)
        {
            LiveAc& ac = harness->engine().live.back();
            ac.agl = std::max(ac.alt - ac.staticCgHeight, 0.0);
            harness->run(1);
        }
    }

    std::vector<std::pair<double, double>> levers;

    static std::vector<std::uint32_t> dataOf(const std::vector<RecordedEvent>& events)
    {
        std::vector<std::uint32_t> data;
        for (const RecordedEvent& e : events)
            data.push_back(e.event.data);
        return data;
    }
};

TEST_F(FlightPhases, TakeOffFromTheRunwayToCruise)
{
    // East along the runway, accelerating, then climbing at 2000 ft/min to 12000 ft.
    std::vector<Report> reports;
    const double kt = 1.0 / 60.0 / kTicksPerHour; // degrees of latitude per tick at 1 kt
    double lon = 8.0;
    std::int32_t due = 0;
    const double dLon = 1.0 / std::cos(50.0 * kDegToRad);
    for (double gs : {12.0, 17.0, 22.0, 27.0, 60.0, 100.0, 140.0})
    {
        reports.push_back(at(50.0, lon, 0, gs, 0, due));
        lon += gs * kt * 500 * dLon;
        due += 500;
    }
    double alt = 300;
    for (int i = 0; i < 70; ++i)
    {
        reports.push_back(at(50.0, lon, alt, 160 + i * 3, 2000, due));
        lon += (160 + i * 3) * kt * 500 * dLon;
        alt += 2000.0 / 60.0 * 5.0;
        due += 500;
    }
    LiveAc& ac = aircraft(reports, GroundPhase::taxi);
    startTakeOff(harness->engine(), PlainMovement{}, ac);
    std::int32_t liftOffTick = -1;
    std::int32_t flyingTick = -1;
    for (std::int32_t t = 0; t < due && flyingTick < 0; ++t)
    {
        fly(1);
        const LiveAc& now = harness->engine().live.back();
        if (liftOffTick < 0 && now.phase == GroundPhase::take_off)
            liftOffTick = harness->tick() - 1;
        if (now.phase == GroundPhase::flying)
            flyingTick = harness->tick() - 1;
    }
    ASSERT_GE(liftOffTick, 0);
    ASSERT_GE(flyingTick, 0);
    // Idle, then the throttle follows the roll's speed up to take-off power.
    EXPECT_EQ(dataOf(eventsOf(kEvThrottleSet)), (std::vector<std::uint32_t>{0, 4914, 8191, 16383, 11468}));
    // The gear goes up once during the climb-out, 300 ticks after the rotation (200 ticks) ended.
    std::vector<RecordedEvent> gearUp;
    for (const RecordedEvent& e : eventsOf(kEvGearSet))
        if (e.event.data == 0 && e.tick >= liftOffTick && e.tick <= flyingTick)
            gearUp.push_back(e);
    // The rotation counter reaches 0 after 199 further ticks; the gear goes up 300 ticks later.
    EXPECT_EQ(std::count_if(gearUp.begin(), gearUp.end(),
                            [&](const RecordedEvent& e) { return e.tick == liftOffTick + 199 + 300; }),
              1);
    // Flaps 1 for the roll.
    EXPECT_EQ(dataOf(eventsOf(kEvFlapsSet)).front(), 3072u);

    fly(due - harness->tick());
    const LiveAc& cruise = harness->engine().live.back();
    EXPECT_EQ(cruise.highLights, 1);
    EXPECT_GT(cruise.alt, 10000.0);
    // Above 10000 ft: landing, taxi, strobes and logo lights off, cabin on.
    std::vector<RecordedEvent> landingLights = eventsOf(kEvLandingLights);
    EXPECT_EQ(landingLights.back().event.data, 0u);
}

TEST_F(FlightPhases, ApproachSetsTheLandingConfigurationAndAGoAroundUndoesItOnce)
{
    harness->engine().n.parking->parkAirport.code = "EDDF";
    harness->engine().n.parking->parkAirport.latitude = 50.0;
    harness->engine().n.parking->parkAirport.longitude = 8.5;
    harness->engine().n.parking->parkAirport.altitude = 0.0;
    // Descending toward the airport at 1500 ft and 140 kt, then climbing away at 1500 ft/min.
    std::vector<Report> reports;
    double lon = 8.4;
    double alt = 1500;
    std::int32_t due = 0;
    for (int i = 0; i < 6; ++i)
    {
        reports.push_back(at(50.0, lon, alt, 140, -700, due));
        lon += 0.003;
        alt -= 60;
        due += 500;
    }
    for (int i = 0; i < 6; ++i)
    {
        reports.push_back(at(50.0, lon, alt, 150, 1500, due));
        lon += 0.003;
        alt += 125;
        due += 500;
    }
    aircraft(reports, GroundPhase::flying).heading = kPi / 2.0;
    fly(3 * 500);
    const LiveAc& approaching = harness->engine().live.back();
    EXPECT_EQ(approaching.landing, 1);
    EXPECT_EQ(harness->engine().couplingQueue.size(), 1u);
    EXPECT_EQ(dataOf(eventsOf(kEvFlapsSet)), (std::vector<std::uint32_t>{16383}));
    EXPECT_EQ(dataOf(eventsOf(kEvThrottleSet)), (std::vector<std::uint32_t>{4914}));
    EXPECT_EQ(dataOf(eventsOf(kEvGearSet)).back(), 1u);

    fly(due - harness->tick());
    const LiveAc& away = harness->engine().live.back();
    EXPECT_EQ(away.landing, 0);
    EXPECT_EQ(away.goAroundDone, 1);
    EXPECT_EQ(dataOf(eventsOf(kEvThrottleSet)), (std::vector<std::uint32_t>{4914, 16383}));
    EXPECT_EQ(dataOf(eventsOf(kEvFlapsSet)), (std::vector<std::uint32_t>{16383, 0}));
}

TEST_F(FlightPhases, LandingWithFlareTouchdownAndRollOut)
{
    // A landing leg at 60 ft above the runway, the roll-out, and a turn off to the north.
    std::vector<Report> reports{at(50.0, 8.0, 60, 140, -700, 0),   at(50.0, 8.01, 0, 130, 0, 900),
                                at(50.0, 8.02, 0, 80, 0, 1400),    at(50.0, 8.025, 0, 60, 0, 1900),
                                at(50.003, 8.025, 0, 15, 0, 2600), at(50.006, 8.025, 0, 15, 0, 3300)};
    LiveAc& ac = aircraft(reports, GroundPhase::flying);
    ac.landing = 1;
    ac.throttleIndex = 1;
    ac.flapsIndex = 3;
    ac.heading = kPi / 2;
    ac.staticPitch = 0.5 * kDegToRad;
    std::vector<std::uint32_t> stages;
    std::vector<std::int32_t> stageTicks;
    for (int t = 0; t < 700; ++t)
    {
        fly(1);
        const LiveAc& now = harness->engine().live.back();
        if (stages.empty() || stages.back() != now.flareState)
        {
            stages.push_back(now.flareState);
            stageTicks.push_back(harness->tick() - 1);
        }
    }
    // Flare stages at 30, 20, 10 and 3 ft above the static CG height, descending 0.1, 0.075, 0.05 ft/tick.
    EXPECT_EQ(stages, (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
    ASSERT_EQ(stageTicks.size(), 5u);
    EXPECT_NEAR(stageTicks[2] - stageTicks[1], 100, 2);
    EXPECT_NEAR(stageTicks[3] - stageTicks[2], 134, 2);
    EXPECT_NEAR(stageTicks[4] - stageTicks[3], 140, 2);
    EXPECT_TRUE(harness->engine().fastRequest);
    EXPECT_EQ(dataOf(eventsOf(kEvThrottleSet)), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(eventsOf(kEvThrottleSet)[0].tick, stageTicks[3]);
    EXPECT_GE(harness->engine().live.back().pitch, -4.0 * kDegToRad - 1e-12);

    // The simulator reports the aircraft on the ground.
    harness->pushAnswer(SimAnswer{kObject, 1, 0, SimAnswerKind::groundData, 0.0, 0.0});
    fly(1);
    const std::int32_t touchdownTick = harness->tick() - 1;
    {
        const LiveAc& down = harness->engine().live.back();
        EXPECT_EQ(down.rollOut, 1);
        EXPECT_EQ(down.onGround, 1);
        EXPECT_FALSE(harness->engine().fastRequest);
        EXPECT_EQ(harness->engine().couplingQueue.back(), kHex);
    }
    EXPECT_EQ(dataOf(eventsOf(kEvSpoilersSet)), (std::vector<std::uint32_t>{16383}));
    ASSERT_EQ(levers.size(), 1u);
    EXPECT_EQ(levers[0], std::make_pair(100.0, 100.0));
    fly(350);
    EXPECT_DOUBLE_EQ(harness->engine().live.back().pitch, 0.5 * kDegToRad);
    EXPECT_EQ(harness->engine().live.back().pitchSettle, 0);

    // Slower than 90 kt on the runway: spoilers in, levers back, flaps 1.
    fly(1400 - harness->tick() + 1);
    EXPECT_EQ(dataOf(eventsOf(kEvSpoilersSet)), (std::vector<std::uint32_t>{16383, 0}));
    ASSERT_EQ(levers.size(), 2u);
    EXPECT_EQ(levers[1], std::make_pair(0.0, 0.0));
    EXPECT_EQ(dataOf(eventsOf(kEvFlapsSet)), (std::vector<std::uint32_t>{3072}));

    // Turned off the runway: roll-out over, taxi lights.
    fly(2599 - harness->tick());
    harness->engine().live.back().heading = 0.0;
    fly(2);
    const LiveAc& off = harness->engine().live.back();
    EXPECT_EQ(off.rollOut, 0);
    EXPECT_EQ(off.touchdownHeading, 0.0);
    EXPECT_EQ(dataOf(eventsOf(kEvFlapsSet)), (std::vector<std::uint32_t>{3072, 0}));
    EXPECT_EQ(dataOf(eventsOf(kEvTaxiLights)).back(), 1u);
    EXPECT_EQ(dataOf(eventsOf(kEvLandingLights)).back(), 0u);
    EXPECT_GT(touchdownTick, stageTicks[4]);
}

TEST_F(FlightPhases, CommandsRespectTheCategory)
{
    LiveAc& heli = aircraft({at(50.0, 8.0, 0, 0, 0, 0)}, GroundPhase::taxi);
    heli.category = AcCategory::Rotorcraft;
    gf_setFlaps(harness->engine(), heli, 2);
    setGear(harness->engine(), heli, true);
    setSpoilers(harness->engine(), heli, true);
    EXPECT_TRUE(harness->events.empty());
    harness->run(1);
    EXPECT_TRUE(harness->events.empty());
    EXPECT_EQ(throttleFor(heli, 1), 4u);

    heli.category = AcCategory::Large;
    heli.flapsIndex = 0;
    gf_setFlaps(harness->engine(), heli, 4);
    gf_setFlaps(harness->engine(), heli, 4);
    gf_setFlaps(harness->engine(), heli, 5);
    EXPECT_EQ(heli.flapsIndex, 5u);
    gf_setThrottle(harness->engine(), heli, 3);
    gf_setThrottle(harness->engine(), heli, 3);
    harness->run(1);
    ASSERT_EQ(harness->events.size(), 2u);
    EXPECT_EQ(harness->events[0].event.eventId, kEvFlapsSet);
    EXPECT_EQ(harness->events[0].event.data, 0u);
    EXPECT_EQ(harness->events[1].event.data, 11468u);
    bool logged = false;
    for (const std::string& line : log.lines())
        logged = logged || line.find("gf_setFlaps: invalid flaps index") != std::string::npos;
    EXPECT_TRUE(logged);
}

TEST_F(FlightPhases, BankFollowsTheTurnWithinTheCategoryLimits)
{
    LiveAc ac;
    ac.category = AcCategory::Heavy;
    setBankStep(ac, 1.0, 100); // a turn larger than the 20 degree limit
    EXPECT_NEAR(ac.bankStep, -0.015 * kDegToRad, 1e-15);
    ac.bank = -0.1;
    setBankStep(ac, 0.1, 100000);
    EXPECT_NEAR(ac.bankStep, 0.0, 1e-15);
}

} // namespace
} // namespace oxl
