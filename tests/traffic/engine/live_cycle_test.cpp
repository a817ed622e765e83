#include "traffic/engine/live_cycle.h"

#include "airports/airports_state.h"
#include "records/aircraft_words.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_tick.h"

#include <fmt/format.h>

namespace oxl
{
namespace
{

using test::LiveScenario;

constexpr std::uint32_t kHex = 0x600001;

LiveAc& add(test::LiveHarness& harness, std::uint32_t hexid, SimState state, const std::string& callsign)
{
    TrafficLine l;
    l.hexid = hexid;
    l.callsign = callsign;
    l.type = "A320";
    l.timestamp = 1000;
    l.report.alt = 5000;
    l.report.airborne = 1;
    harness.accept(l, 3000);
    LiveAc& ac = *harness.engine().findByHexid(hexid);
    ac.simState = state;
    ac.objectId = state == SimState::active ? hexid & 0xFF : 0;
    return ac;
}

TEST_F(LiveScenario, LostSourceTakesTheShownAircraftOut)
{
    LiveEngine& engine = harness->engine();
    add(*harness, kHex, SimState::active, "ACT1");
    add(*harness, kHex + 1, SimState::adding2sim, "QUE1");
    add(*harness, kHex + 2, SimState::adding2sim, "SIM1");
    add(*harness, kHex + 3, SimState::buffer, "BUF1");
    engine.n.mainQueues->liveCreates.push_back(makeCreateRequest(*engine.findByHexid(kHex + 1)));

    gf_takeLiveAircraftOut(engine);
    EXPECT_EQ(engine.findByHexid(kHex)->simState, SimState::removingfromsim);
    EXPECT_EQ(engine.n.mainQueues->removals.front(), kHex & 0xFF);
    EXPECT_EQ(engine.findByHexid(kHex + 1), nullptr);
    EXPECT_TRUE(engine.n.mainQueues->liveCreates.empty());
    // A creation with the simulator is let go: the link removes its object should it still come.
    EXPECT_EQ(engine.findByHexid(kHex + 2), nullptr);
    EXPECT_EQ(engine.n.simQueues->withdrawals, std::vector<std::uint32_t>{kHex + 2});
    EXPECT_EQ(engine.findByHexid(kHex + 3)->simState, SimState::buffer);
    EXPECT_EQ(engine.live.size(), 2u);
}

TEST_F(LiveScenario, CouplingQueueServesOneAircraftAndSkipsGoneOnes)
{
    LiveEngine& engine = harness->engine();
    add(*harness, kHex, SimState::active, "BAW1");
    SimAc twin;
    twin.hexid = 4;
    twin.callsign = "BAW1*";
    twin.secondCallsign = "BAW1";
    twin.simState = SimState::active;
    twin.objectId = 30;
    gAirports.gParking.staticAircraft.push_back(twin);
    engine.couplingQueue = {kHex + 9, kHex};

    gf_serveCouplingQueue(engine);
    EXPECT_EQ(engine.couplingQueue, std::deque<std::uint32_t>{kHex});
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::active);
    gf_serveCouplingQueue(engine);
    EXPECT_TRUE(engine.couplingQueue.empty());
    EXPECT_EQ(engine.findByHexid(kHex)->coupledSearchDone, 1u);
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::removingfromsim);
}

TEST_F(LiveScenario, CycleResetEmptiesTheEngine)
{
    LiveEngine& engine = harness->engine();
    add(*harness, kHex, SimState::buffer, "BUF1");
    engine.spawnStack.push_back(kHex);
    engine.ghostCallsigns.push_back("X_");
    engine.unmatchedSet.insert("PVT C172 N1");
    engine.couplingQueue.push_back(kHex);
    engine.deferred.push_back({});
    engine.fastRequest = true;
    engine.n.mainQueues->removals.push_back(5);
    harness->pushAnswer({5, 0, 0, SimAnswerKind::objectRemoved, 0, 0});
    gf_clearLiveCycleData(engine);
    EXPECT_TRUE(engine.live.empty());
    EXPECT_TRUE(engine.spawnStack.empty());
    EXPECT_TRUE(engine.ghostCallsigns.empty());
    EXPECT_TRUE(engine.unmatchedSet.empty());
    EXPECT_TRUE(engine.couplingQueue.empty());
    EXPECT_TRUE(engine.deferred.empty());
    EXPECT_FALSE(engine.fastRequest);
    EXPECT_TRUE(engine.n.mainQueues->removals.empty());
    EXPECT_TRUE(engine.n.simAnswers->answers.empty());
}

TEST_F(LiveScenario, SpawnStackIsServedLastInFirstOut)
{
    LiveEngine& engine = harness->engine();
    add(*harness, kHex + 20, SimState::adding2sim, "FIRST1");
    add(*harness, kHex + 21, SimState::adding2sim, "SECOND1");
    LiveAc& silent = add(*harness, kHex + 22, SimState::adding2sim, "SILENT1");
    silent.callsign.clear();
    engine.spawnStack = {kHex + 20, kHex + 21, kHex + 22, kHex + 99};

    createRequestFromSpawnStack(engine); // no aircraft: dropped
    EXPECT_TRUE(engine.n.mainQueues->liveCreates.empty());
    createRequestFromSpawnStack(engine); // empty callsign: logged, no request
    EXPECT_TRUE(engine.n.mainQueues->liveCreates.empty());
    EXPECT_TRUE(log.contains(fmt::format("===> lf_handleAddingStack {} objectid = 0?", gf_acLabel(silent))));
    createRequestFromSpawnStack(engine);
    createRequestFromSpawnStack(engine);
    ASSERT_EQ(engine.n.mainQueues->liveCreates.size(), 2u);
    EXPECT_EQ(engine.n.mainQueues->liveCreates[0].callsign, "SECOND1");
    EXPECT_EQ(engine.n.mainQueues->liveCreates[1].callsign, "FIRST1");
    EXPECT_TRUE(engine.spawnStack.empty());
}

TEST_F(LiveScenario, QueuesAreHandedOverAtTheirRates)
{
    LiveEngine& engine = harness->engine();
    MainLoopQueues& queues = *engine.n.mainQueues;
    queues.removals = {7, 8};
    queues.liveCreates.resize(1);
    queues.liveCreates[0].hexid = 20001;
    queues.staticCreates.resize(1);
    queues.staticCreates[0].hexid = 12;
    struct PlacementCounter : NoParking
    {
        void assignStaticParking() override { ++placements; }
        int placements = 0;
    };
    const auto& counter = test::installDouble<PlacementCounter>(engine.n.staticParking);
    gAirports.gParking.staticParked.resize(1);
    harness->groundDataPeriodTicks = 0;
    harness->failCreate = {20001}; // no aircraft waits for its object, which would be removed
    harness->run(101);             // ticks 0..100
    ASSERT_EQ(harness->removals.size(), 2u);
    EXPECT_EQ(harness->removals[0].tick, 0);
    EXPECT_EQ(harness->removals[1].tick, 10);
    ASSERT_EQ(harness->creates.size(), 2u);
    EXPECT_EQ(harness->creates[0].request.hexid, 20001u); // live first, alone in its slot
    EXPECT_EQ(harness->creates[0].tick, 0);
    EXPECT_EQ(harness->creates[1].request.hexid, 12u);
    EXPECT_EQ(harness->creates[1].tick, 50);
    EXPECT_EQ(counter.placements, 2); // with the static request at 50 and on the empty boundary at 100
}

} // namespace
} // namespace oxl
