// The frame sender against the stand-in: positions, events, flaps and the error state; and the main
// loop's hand-over of positions while the sender holds the lock.
#include "records/records_state.h"
#include "simlink/sim_ids.h"
#include "tests/support/sim_link_fixture.h"

#include <atomic>
#include <cmath>

namespace oxl::test
{
namespace
{

std::vector<std::uint32_t> eventIds(const std::vector<nlohmann::json>& sent)
{
    std::vector<std::uint32_t> ids;
    for (const auto& e : sent)
        ids.push_back(e["fields"]["eventId"]);
    return ids;
}

TEST_F(SimLinkTest, PositionsOfATickMoveTheObjectsAndUncreatedOnesAreSkipped)
{
    ASSERT_TRUE(connected());
    const std::uint32_t oid = createIdentified("DLH1", 20010, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    SimPosition p = movedNearUser(oid);
    p.tas = 140;
    gf_queuePosition(p);
    SimPosition notCreated = p;
    notCreated.objectId = 0;
    gf_queuePosition(notCreated);
    EXPECT_NE(gf_handOverPositions(), PositionHandOver::dropped);
    ASSERT_TRUE(eventually([&] { return objectByTail("DLH1")["positionWrites"] == 1; }));
    const auto object = objectByTail("DLH1");
    EXPECT_DOUBLE_EQ(object["latitude"].get<double>(), 47.47);
    EXPECT_DOUBLE_EQ(object["altitude"].get<double>(), 1500.0);
    const auto writes = calls("SimConnect_SetDataOnSimObject");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0]["fields"]["definitionId"], kDefPosition);
    EXPECT_EQ(writes[0]["fields"]["unitSize"], 64);
    EXPECT_EQ(writes[0]["size"], 100);
}

TEST_F(SimLinkTest, EventsGoOutInQueuingOrderAndFlapsAreWrappedInReleases)
{
    ASSERT_TRUE(connected());
    const std::uint32_t oid = createIdentified("DLH2", 20011, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    ASSERT_TRUE(eventually([&] { return calls("SimConnect_TransmitClientEvent").size() == 3; }));
    const std::size_t releasesBefore = calls("SimConnect_AIReleaseControl").size();
    gf_setLights(oid, {1, 1, 0, 1, 0, 1, 1});
    gf_queueSimEvent({oid, kEvFlapsSet, 8192});
    gf_queueSimEvent({oid, kEvGearSet, 1});
    ASSERT_TRUE(eventually([&] { return calls("SimConnect_TransmitClientEvent").size() == 12; }));
    const auto sent = calls("SimConnect_TransmitClientEvent");
    EXPECT_EQ(eventIds({sent.begin() + 3, sent.end()}),
              (std::vector<std::uint32_t>{208, 207, 211, 209, 210, 213, 212, 218, 220}));
    EXPECT_EQ(sent[5]["fields"]["data"], 0);

    // release, flaps, release: the releases come right before and right after the flaps event.
    const auto journal = sim.journal();
    std::vector<std::string> around;
    for (std::size_t i = 0; i < journal.size(); ++i)
        if (journal[i]["call"] == "SimConnect_TransmitClientEvent" &&
            journal[i]["fields"]["eventId"] == kEvFlapsSet)
            around = {journal[i - 1]["call"], journal[i + 1]["call"]};
    EXPECT_EQ(around,
              (std::vector<std::string>{"SimConnect_AIReleaseControl", "SimConnect_AIReleaseControl"}));
    EXPECT_EQ(calls("SimConnect_AIReleaseControl").size(), releasesBefore + 2);

    // Another thread's direct calls never come between a flaps event and its releases.
    std::thread caller(
        []
        {
            for (int i = 0; i < 150; ++i)
                gf_requestUserAcTitleModel();
        });
    for (std::uint32_t i = 0; i < 50; ++i)
        gf_queueSimEvent({oid, kEvFlapsSet, i});
    caller.join();
    EXPECT_TRUE(sim.waitState([](const nlohmann::json& s) { return s["flapsTrios"] == 51; }));
    EXPECT_EQ(sim.state()["brokenFlapsTrios"], 0);
}

TEST_F(SimLinkTest, NothingIsSentWhileTheMainLoopHoldsTheLockAndNothingIsLost)
{
    ASSERT_TRUE(connected());
    const std::uint32_t oid = createIdentified("DLH3", 20012, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    ASSERT_TRUE(eventually([&] { return calls("SimConnect_TransmitClientEvent").size() == 3; }));
    {
        std::unique_lock lock(gRecords.gSimQueues.simMutex);
        gRecords.gSimQueues.events.push_back({oid, kEvCabinLights, 1});
        gRecords.gSimQueues.events.push_back({oid, kEvLogoLights, 1});
        // Several frames pass at 60 per second while the lock is held.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(gRecords.gSimQueues.events.size(), 2u);
    }
    EXPECT_EQ(calls("SimConnect_TransmitClientEvent").size(), 3u);
    ASSERT_TRUE(eventually([&] { return calls("SimConnect_TransmitClientEvent").size() == 5; }));
    const auto sent = calls("SimConnect_TransmitClientEvent");
    EXPECT_EQ(eventIds({sent.begin() + 3, sent.end()}), (std::vector<std::uint32_t>{212, 213}));
}

TEST_F(SimLinkTest, AfterARequestErrorQueuedWorkIsDiscardedWithoutCalls)
{
    ASSERT_TRUE(connected());
    gf_simRequestError();
    EXPECT_EQ(gSimLink.gSimError.load(), 1);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(exitReasons, (std::vector<std::uint32_t>{kExitSimConnectError}));
        EXPECT_EQ(restartDelays, (std::vector<std::uint32_t>{9}));
    }
    EXPECT_TRUE(log.contains("SimConnect request error"));
    CreateRequest r;
    r.callsign = "NOPE1";
    r.title = "Known Jet";
    r.hexid = 20013;
    gf_queueCreateAc(r);
    gf_queueSimEvent({5, kEvGearSet, 1});
    gf_queueRemoval(5);
    ASSERT_TRUE(eventually(
        []
        {
            std::lock_guard lock(gRecords.gSimQueues.simMutex);
            return gRecords.gSimQueues.events.empty() && gRecords.gSimQueues.creates.empty() &&
                   gRecords.gSimQueues.removals.empty();
        }));
    EXPECT_TRUE(calls("SimConnect_AICreateNonATCAircraft").empty());
    EXPECT_TRUE(calls("SimConnect_TransmitClientEvent").empty());
    EXPECT_TRUE(calls("SimConnect_AIRemoveObject").empty());
}

TEST_F(SimLinkTest, ThrottleAndSpoilerWritesReachTheObject)
{
    ASSERT_TRUE(connected());
    const std::uint32_t oid = createIdentified("DLH5", 20014, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    EXPECT_EQ(gf_setSpoilersThrottles(oid, 0.0, 75.0, 75.0), kScOk);
    ASSERT_TRUE(eventually([&] { return !objectByTail("DLH5")["levers"].empty(); }));
    const auto levers = objectByTail("DLH5")["levers"];
    EXPECT_DOUBLE_EQ(levers["general eng throttle lever position:1"].get<double>(), 75.0);
}

TEST_F(SimLinkTest, FlightPlanOfAnAircraftIsLoadedAndAMissingOneIsLogged)
{
    ASSERT_TRUE(connected());
    const std::uint32_t oid = createIdentified("DLH6", 20015, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    const auto file = tmp / "plan.pln";
    writeBytes(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SimBase.Document/>\r\n");
    EXPECT_EQ(
        gf_simCall(
            [&](ScHandle h)
            { return SimConnect_AISetAircraftFlightPlan(h, oid, file.string().c_str(), kReqFlightPlan); }),
        kScOk);
    ASSERT_TRUE(eventually([&] { return objectByTail("DLH6")["flightPlan"] == file.string(); }));
    const auto missing = tmp / "missing.pln";
    gf_simCall(
        [&](ScHandle h)
        { return SimConnect_AISetAircraftFlightPlan(h, oid, missing.string().c_str(), kReqFlightPlan); });
    EXPECT_TRUE(
        eventually([&] { return log.contains("===> SimConnect exception: load flight plan failed"); }));
}

// The main loop's hand-over needs no simulator: only the lock and the reported frame rate matter.
class PositionHandOverTest : public ::testing::Test
{
  protected:
    void SetUp() override { gRecords.gSimQueues.reset(); }
    void TearDown() override
    {
        gRecords.gSimQueues.frameRate = 0.0f;
        gRecords.gSimQueues.reset();
    }

    // Holds simMutex on another thread until release is set.
    void holdLock()
    {
        holder = std::thread(
            [this]
            {
                std::lock_guard lock(gRecords.gSimQueues.simMutex);
                held = true;
                while (!release)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
        while (!held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    std::thread holder;
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
};

TEST_F(PositionHandOverTest, FreeLockSwapsTheBuffers)
{
    gf_queuePosition({47.0, 8.0, 0, 0, 0, 1000, 0, 0, 7});
    EXPECT_EQ(gf_handOverPositions(), PositionHandOver::swapped);
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    ASSERT_EQ(gRecords.gSimQueues.send->size(), 1u);
    EXPECT_EQ(gRecords.gSimQueues.send->front().objectId, 7u);
    EXPECT_TRUE(gRecords.gSimQueues.fill->empty());
}

TEST_F(PositionHandOverTest, BusyLockAtThirtyFramesDropsTheTick)
{
    gRecords.gSimQueues.frameRate = 30.0f;
    gf_queuePosition({47.0, 8.0, 0, 0, 0, 1000, 0, 0, 7});
    holdLock();
    EXPECT_EQ(gf_handOverPositions(), PositionHandOver::dropped);
    release = true;
    holder.join();
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    EXPECT_TRUE(gRecords.gSimQueues.fill->empty());
    EXPECT_TRUE(gRecords.gSimQueues.send->empty());
}

TEST_F(PositionHandOverTest, BusyLockAtSixtyFramesWaitsAndSwaps)
{
    gRecords.gSimQueues.frameRate = 60.0f;
    gf_queuePosition({47.0, 8.0, 0, 0, 0, 1000, 0, 0, 7});
    holdLock();
    std::thread releaser(
        [this]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            release = true;
        });
    EXPECT_EQ(gf_handOverPositions(), PositionHandOver::waitedAndSwapped);
    releaser.join();
    holder.join();
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    ASSERT_EQ(gRecords.gSimQueues.send->size(), 1u);
}

} // namespace
} // namespace oxl::test
