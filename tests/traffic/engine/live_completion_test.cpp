#include "traffic/engine/live_completion.h"

#include "simlink/sim_ids.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/live_flight_hooks.h"

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace oxl
{
namespace
{

using test::LiveScenario;
using test::RecordedEvent;

constexpr std::uint32_t kHex = 0x720001;

struct LeverWrite
{
    std::uint32_t objectId;
    double spoilers, throttle1, throttle2;
};

class CreationCompletion : public LiveScenario
{
  protected:
    // The harness's simulator that records the flight plans and lever writes it is given.
    struct RecordingSimulator : test::LiveHarness::Simulator
    {
        RecordingSimulator(test::LiveHarness& harness, CreationCompletion& test) : Simulator(harness), t(test)
        {
        }
        std::filesystem::path flightPlanFolder() override
        {
            return t.noPlanFolder ? std::filesystem::path{} : Simulator::flightPlanFolder();
        }
        std::int32_t setFlightPlan(std::uint32_t objectId, const std::filesystem::path& file) override
        {
            t.plans.emplace_back(objectId, file);
            return t.planResult;
        }
        std::int32_t setSpoilersThrottles(std::uint32_t objectId, double s, double t1, double t2) override
        {
            // Written under the simulator lock: trying it here must fail.
            t.lockedDuringWrite = !h_.engine().n.simQueues->simMutex.try_lock();
            if (!t.lockedDuringWrite)
                h_.engine().n.simQueues->simMutex.unlock();
            t.levers.push_back({objectId, s, t1, t2});
            return 0;
        }
        CreationCompletion& t;
    };

    void SetUp() override
    {
        LiveScenario::SetUp();
        LiveEngine& engine = harness->engine();
        installLiveFlight(engine);
        engine.n.sim = std::make_unique<RecordingSimulator>(*harness, *this);
    }

    // Reports of an aircraft flying east at the altitude, one every 5 s, due from tick 3000.
    void schedule(double alt, const std::string& origin, const std::string& destination)
    {
        for (int i = 0; i < 30; ++i)
        {
            TrafficLine l = line(kHex, 1000 + 5 * i, alt > 0 ? 300 : 0, 90, alt, "CMP123", "A320");
            l.origin = origin;
            l.destination = destination;
            l.report.lon += alt > 0 ? 0.011 * i : 0.0;
            l.report.stationary = alt > 0 || i == 0 ? 0 : 1;
            harness->accept(l, 3000 + 500 * i);
        }
    }

    std::vector<std::pair<std::uint32_t, std::filesystem::path>> plans;
    std::int32_t planResult = 0;
    bool noPlanFolder = false; // the link could not make its flight-plan folder
    std::vector<LeverWrite> levers;
    bool lockedDuringWrite = false;
};

TEST_F(CreationCompletion, AirborneCreationWritesItsFlightPlanAndComesAliveAtTwelveThousandFeet)
{
    schedule(12000, "EDDF", "KJFK");
    ASSERT_TRUE(harness->runUntil(
        [&] { return harness->aircraft(kHex) && harness->aircraft(kHex)->simState == SimState::active; },
        6000));
    const LiveAc& ac = *harness->aircraft(kHex);
    const std::filesystem::path file = harness->flightPlanFolder() / fmt::format("{}.pln", ac.objectId);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(ac.flightPlanSet, 1);
    ASSERT_EQ(plans.size(), 1u);
    EXPECT_EQ(plans[0].first, ac.objectId);
    EXPECT_EQ(plans[0].second, file);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("EDDF"), std::string::npos);
    EXPECT_NE(text.str().find("KJFK"), std::string::npos);

    // Lights toggled twice, then the airborne configuration 200 ticks after the creation answer.
    EXPECT_EQ(harness->lightToggles.size(), 2u);
    ASSERT_EQ(eventsOf(kEvEngineAutoStart).size(), 1u);
    EXPECT_EQ(eventsOf(kEvSpoilersSet).at(0).event.data, 0u);
    EXPECT_EQ(eventsOf(kEvLandingLights).at(0).event.data, 0u);
    EXPECT_EQ(eventsOf(kEvLogoLights).at(0).event.data, 0u);
    EXPECT_EQ(eventsOf(kEvStrobes).at(0).event.data, 1u);
    EXPECT_EQ(eventsOf(kEvCabinLights).at(0).event.data, 1u);
    // Events reach the fake simulator with the frame after their tick.
    EXPECT_EQ(eventsOf(kEvEngineAutoStart)[0].tick - harness->lightToggles[0].tick, 150 + 1);

    // Removal deletes the plan with the aircraft.
    const std::uint32_t objectId = ac.objectId;
    harness->engine().findByHexid(kHex)->simState = SimState::active;
    harness->pushAnswer(SimAnswer{objectId, kHex, 0, SimAnswerKind::objectRemoved, 0.0, 0.0});
    harness->run(2);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(CreationCompletion, NoRouteNoPlanAndARefusedPlanIsLogged)
{
    schedule(12000, "", "KJFK");
    ASSERT_TRUE(harness->runUntil(
        [&] { return harness->aircraft(kHex) && harness->aircraft(kHex)->simState == SimState::active; },
        6000));
    EXPECT_TRUE(plans.empty());
    EXPECT_EQ(harness->aircraft(kHex)->flightPlanSet, 0);

    plans.clear();
    SetUp();
    planResult = -1;
    schedule(12000, "EDDF", "KJFK");
    ASSERT_TRUE(harness->runUntil(
        [&] { return harness->aircraft(kHex) && harness->aircraft(kHex)->objectId != 0; }, 6000));
    EXPECT_EQ(harness->aircraft(kHex)->flightPlanSet, 1);
    bool logged = false;
    for (const std::string& text : log.lines())
        logged = logged || text.find("CMP123 creating a flight plan failed") != std::string::npos;
    EXPECT_TRUE(logged);

    // Without a flight-plan folder no plan is written, not even beside the program.
    plans.clear();
    SetUp();
    planResult = 0;
    noPlanFolder = true;
    schedule(12000, "EDDF", "KJFK");
    ASSERT_TRUE(harness->runUntil(
        [&] { return harness->aircraft(kHex) && harness->aircraft(kHex)->objectId != 0; }, 6000));
    const std::uint32_t objectId = harness->aircraft(kHex)->objectId;
    EXPECT_TRUE(plans.empty());
    EXPECT_EQ(harness->aircraft(kHex)->flightPlanSet, 0);
    EXPECT_FALSE(std::filesystem::exists(fmt::format("{}.pln", objectId)));
}

TEST_F(CreationCompletion, TouchdownExtendsSpoilersAndSettles)
{
    struct Row
    {
        AcCategory category;
        std::uint8_t reverse;
        std::size_t leverWrites;
        double throttle;
    } rows[] = {{AcCategory::Large, 0, 1, 100.0},
                {AcCategory::Heavy, 1, 1, -100.0},
                {AcCategory::Light, 0, 0, 0.0},
                {AcCategory::Rotorcraft, 0, 1, 100.0}};
    for (const Row& row : rows)
    {
        levers.clear();
        harness->events.clear();
        LiveAc ac;
        ac.hexid = kHex;
        ac.objectId = 5;
        ac.category = row.category;
        ac.reverseMarker = row.reverse;
        ac.settleTicks = 100;
        ac.pitch = -4.0 * kDegToRad;
        ac.bank = 0.01;
        ac.staticPitch = 1.0 * kDegToRad;
        ac.heading = 1.2;
        ac.landing = 1;
        harness->engine().fastRequest = true;
        onTouchdown(harness->engine(), ac);
        EXPECT_EQ(ac.rollOut, 1);
        EXPECT_EQ(ac.pitchSettle, 1);
        EXPECT_EQ(ac.landing, 0);
        EXPECT_EQ(ac.towingCheck, 1);
        EXPECT_DOUBLE_EQ(ac.touchdownHeading, 1.2);
        EXPECT_FALSE(harness->engine().fastRequest);
        EXPECT_DOUBLE_EQ(ac.pitchStep, 5.0 * kDegToRad / 100);
        EXPECT_DOUBLE_EQ(ac.bankStep, -0.0001);
        ASSERT_EQ(levers.size(), row.leverWrites);
        if (!levers.empty())
        {
            EXPECT_TRUE(lockedDuringWrite);
            EXPECT_EQ(levers[0].spoilers, 100.0);
            EXPECT_EQ(levers[0].throttle1, row.throttle);
            EXPECT_EQ(levers[0].throttle2, row.throttle);
        }
        harness->run(1);
        const auto spoilers = eventsOf(kEvSpoilersSet);
        EXPECT_EQ(spoilers.size(), row.category == AcCategory::Rotorcraft ? 0u : 1u);
        if (!spoilers.empty())
        {
            EXPECT_EQ(spoilers[0].event.data, 16383u);
        }
    }
}

TEST_F(CreationCompletion, ParkedCreationShutsDownAndTaxiCreationStarts)
{
    struct Row
    {
        GroundPhase phase;
        std::uint32_t engineEvent, nav, beacon, taxi, flaps;
    } rows[] = {{GroundPhase::parked, kEvEngineAutoShutdown, 1, 0, 0, 0},
                {GroundPhase::taxi, kEvEngineAutoStart, 1, 1, 1, 3072}};
    NAV_LIGHTS_WHILE_PARKED.set(true);
    for (const Row& row : rows)
    {
        harness->events.clear();
        LiveAc ac;
        ac.objectId = 6;
        ac.phase = row.phase;
        ac.flapsIndex = 0;
        Report ground;
        ac.stream.push_back(ground);
        onAiCreated(harness->engine(), ac);
        EXPECT_EQ(ac.simState, SimState::active);
        harness->run(1);
        EXPECT_EQ(eventsOf(row.engineEvent).size(), 1u);
        EXPECT_EQ(eventsOf(kEvNavLights).at(0).event.data, row.nav);
        EXPECT_EQ(eventsOf(kEvBeaconLights).at(0).event.data, row.beacon);
        EXPECT_EQ(eventsOf(kEvTaxiLights).at(0).event.data, row.taxi);
        EXPECT_EQ(eventsOf(kEvThrottleSet).at(0).event.data, 0u);
        if (row.flaps != 0)
        {
            EXPECT_EQ(eventsOf(kEvFlapsSet).at(0).event.data, row.flaps);
        }
        else
        {
            EXPECT_TRUE(eventsOf(kEvFlapsSet).empty());
        }
    }
}

} // namespace
} // namespace oxl
