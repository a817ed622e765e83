// The program's engine against the simulator stand-in: the engine holds simMutex around its direct calls,
// so the calls installed here must reach the simulator without taking it again.
#include "airports/free_stands.h"
#include "foundation/program.h"
#include "records/records_state.h"
#include "simlink/flight_plan.h"
#include "simlink/sim_ids.h"
#include "tests/support/sim_link_fixture.h"
#include "traffic/engine/flight_commands.h"
#include "traffic/engine/ground_movement.h"
#include "traffic/engine/live_assembly.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_livery_hooks.h"

#include <filesystem>
#include <memory>

namespace oxl::test
{
namespace
{

// The engine as the program puts it together.
void installProgramEngine(LiveEngine& engine)
{
    gf_installLinkSimulator(engine);
    gf_installLiveLiveryHooks(engine);
    installGroundMovement(engine);
    gf_installStandLearning(engine);
}

class LiveAssemblyTest : public SimLinkTest
{
  protected:
    void SetUp() override
    {
        SimLinkTest::SetUp();
        installProgramEngine(engine);
    }

    void TearDown() override
    {
        gf_removeFlightPlanFolder();
        SimLinkTest::TearDown();
    }

    /// A live aircraft waiting for its simulator object, with a route.
    LiveAc& waitingAircraft(const std::string& callsign, std::uint32_t hexid)
    {
        LiveAc ac;
        ac.callsign = callsign;
        ac.hexid = hexid;
        ac.origin = "LSZH";
        ac.destination = "EGLL";
        ac.simState = SimState::adding2sim;
        engine.live.push_back(std::move(ac));
        return engine.live.back();
    }

    /// Asks the stand-in to create the aircraft and runs the engine's housekeeping until it has its object.
    std::uint32_t createThroughEngine(const std::string& callsign, std::uint32_t hexid)
    {
        queueCreateNearUser(callsign, hexid);
        std::uint32_t objectId = 0;
        eventually(
            [&]
            {
                requestAcInRange();
                simHousekeeping(engine);
                if (const LiveAc* ac = engine.findByHexid(hexid))
                    objectId = ac->objectId;
                return objectId > 2;
            });
        return objectId;
    }

    /// Journal entries of one call for one object.
    std::vector<nlohmann::json> callsFor(const std::string& name, std::uint32_t objectId)
    {
        std::vector<nlohmann::json> out;
        for (const auto& e : calls(name))
            if (e["fields"].value("objectId", 0u) == objectId)
                out.push_back(e);
        return out;
    }

    ScopedEnv appData{"OXL_APPDATA", tmp.path().string()};
    LiveEngine engine;
};

TEST_F(LiveAssemblyTest, CreatedAircraftGetsFlightPlanCentreOfGravityRequestAndTwoLightToggles)
{
    ASSERT_TRUE(connected());
    ASSERT_TRUE(gf_createFlightPlanFolder());
    waitingAircraft("SWR10", 20100);
    const std::uint32_t oid = createThroughEngine("SWR10", 20100);
    ASSERT_GT(oid, 2u);

    // The answer waits 200 ticks; the lights are toggled at 50 and 100.
    for (int tick = 0; tick < 200; ++tick)
        simHousekeeping(engine);
    ASSERT_TRUE(eventually([&] { return callsFor("SimConnect_TransmitClientEvent", oid).size() >= 2; }));

    std::size_t toggles = 0;
    for (const auto& e : callsFor("SimConnect_TransmitClientEvent", oid))
        if (e["fields"]["eventId"] == kEvAllLightsToggle)
        {
            ++toggles;
            EXPECT_EQ(e["fields"]["groupId"], kSimNotifyGroup);
        }
    EXPECT_EQ(toggles, 2u);

    // Beside the link's own request for the data of the object as it was added.
    auto cg = callsFor("SimConnect_RequestDataOnSimObject", oid);
    std::erase_if(cg, [](const nlohmann::json& e) { return e["fields"]["requestId"] == kReqNewObject; });
    ASSERT_EQ(cg.size(), 1u);
    EXPECT_EQ(cg[0]["fields"]["requestId"], kReqStaticCg);
    EXPECT_EQ(cg[0]["fields"]["definitionId"], kDefStaticCg);

    const std::filesystem::path plan = gf_flightPlanFolder() / gf_flightPlanFileName(oid);
    EXPECT_TRUE(std::filesystem::exists(plan));
    ASSERT_TRUE(eventually([&] { return objectByTail("SWR10")["flightPlan"] == plan.string(); }));
    EXPECT_EQ(engine.findByHexid(20100)->simState, SimState::active);
    EXPECT_EQ(gSimLink.gSimError.load(), 0);
}

TEST_F(LiveAssemblyTest, SpoilerAndThrottleWriteUnderTheEnginesLockReachesTheObject)
{
    ASSERT_TRUE(connected());
    waitingAircraft("SWR11", 20101);
    const std::uint32_t oid = createThroughEngine("SWR11", 20101);
    ASSERT_GT(oid, 2u);
    setSpoilersThrottles(engine, *engine.findByHexid(20101), 40.0, 75.0);
    ASSERT_TRUE(eventually([&] { return !objectByTail("SWR11")["levers"].empty(); }));
    const auto levers = objectByTail("SWR11")["levers"];
    EXPECT_DOUBLE_EQ(levers["spoilers handle position"].get<double>(), 40.0);
    EXPECT_DOUBLE_EQ(levers["general eng throttle lever position:2"].get<double>(), 75.0);
}

TEST_F(LiveAssemblyTest, EngineSeesTheUserAircraftOfTheLink)
{
    ASSERT_TRUE(connected());
    ASSERT_TRUE(eventually(
        []
        {
            gf_requestUserAcPosition();
            return gf_requestUserAcPosition().lat != 0.0;
        }));
    const UserAcData data = gf_requestUserAcPosition();
    const UserAcData user = engine.user();
    EXPECT_DOUBLE_EQ(user.lat, data.lat);
    EXPECT_DOUBLE_EQ(user.lon, data.lon);
    EXPECT_DOUBLE_EQ(user.altAboveGround, data.altAboveGround);
    EXPECT_DOUBLE_EQ(user.groundVelocity, data.groundVelocity);
}

TEST_F(LiveAssemblyTest, DirectCallWithoutAConnectionFailsInsteadOfSending)
{
    gf_stopSimClientThread();
    gf_resetSimLink();
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    EXPECT_LT(engine.n.sim->allLightsToggle(3), 0);
    EXPECT_LT(engine.n.sim->setSpoilersThrottles(3, 0.0, 0.0, 0.0), 0);
}

// The parking code removes through the engine, as the program wires it.
class EngineRemovals final : public NoParkingServices
{
  public:
    explicit EngineRemovals(LiveEngine& engine) : engine_(engine) {}
    void removeAircraftFromSim(SimAc& ac) override { oxl::removeAircraftFromSim(engine_, ac); }

  private:
    LiveEngine& engine_;
};

TEST(LiveAssembly, ParkedAircraftOnTheReservedStandLeavesThroughTheEngine)
{
    ParkingState parking;
    LiveEngine engine;
    engine.n.parking = &parking;
    installProgramEngine(engine);
    parking.services = std::make_unique<EngineRemovals>(engine);
    std::vector<Stand> stands;
    stands.emplace_back("A12", 7, 47.4535, 8.5610, 1.5, 40.0);
    parking.setStands(std::move(stands));
    parking.reservedStand = "A12";
    LiveAc ac;
    ac.callsign = "SWR12";
    ac.hexid = 20200;
    ac.objectId = 31;
    ac.standId = 7;
    ac.phase = GroundPhase::parked;
    ac.simState = SimState::active;
    engine.live.push_back(ac);

    gf_removeAtReservedStand(parking, engine.live);
    EXPECT_EQ(engine.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(engine.n.mainQueues->removals, (std::deque<std::uint32_t>{31}));
    engine.n.mainQueues->clear();
}

} // namespace
} // namespace oxl::test
