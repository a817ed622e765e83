// The SimClient thread against the stand-in: registration, the user aircraft's data, pause, new flight,
// QUIT, a dropped link and a simulator of the wrong version.
#include "airports/airports_state.h"
#include "records/records_state.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_ids.h"
#include "tests/support/sim_link_fixture.h"
#include "window/window_state.h"

#include <chrono>
#include <cstdint>

namespace oxl::test
{
namespace
{

TEST_F(SimLinkTest, RegistersEverythingInOrderWithConsecutiveSendIds)
{
    ASSERT_TRUE(connected());
    const auto journal = sim.journal();
    ASSERT_GE(journal.size(), 74u);
    EXPECT_EQ(journal[0]["call"], "SimConnect_Open");
    EXPECT_EQ(journal[0]["fields"]["name"], "Ordalis_P3D");
    std::vector<std::string> expected;
    expected.insert(expected.end(), 6, "SimConnect_SubscribeToSystemEvent");
    expected.insert(expected.end(), 33, "SimConnect_AddToDataDefinition");
    expected.insert(expected.end(), 17, "SimConnect_MapClientEventToSimEvent");
    expected.insert(expected.end(), 16, "SimConnect_AddClientEventToNotificationGroup");
    expected.push_back("SimConnect_SetNotificationGroupPriority");
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(journal[i + 1]["call"], expected[i]) << i;
        EXPECT_EQ(journal[i + 1]["sendId"], i + 2) << i;
    }
    std::vector<std::string> subscribed;
    for (std::size_t i = 1; i <= 6; ++i)
        subscribed.push_back(journal[i]["fields"]["systemEventName"]);
    EXPECT_EQ(subscribed, (std::vector<std::string>{"Sim", "ObjectAdded", "ObjectRemoved", "PositionChanged",
                                                    "FlightLoaded", "Frame"}));
    std::vector<std::uint32_t> definitionOrder;
    for (std::size_t i = 7; i < 40; ++i)
    {
        const std::uint32_t d = journal[i]["fields"]["definitionId"];
        if (definitionOrder.empty() || definitionOrder.back() != d)
            definitionOrder.push_back(d);
        EXPECT_EQ(journal[i]["fields"]["datumId"], 0xFFFFFFFFu);
        EXPECT_EQ(journal[i]["fields"]["epsilon"], 0.0);
    }
    EXPECT_EQ(definitionOrder, (std::vector<std::uint32_t>{407, 408, 409, 402, 403, 405, 406, 404, 401}));
    EXPECT_EQ(journal[40]["fields"]["eventName"], "GEAR_SET");
    EXPECT_EQ(journal[56]["fields"]["eventName"], "FREEZE_ATTITUDE_SET");
    std::vector<std::uint32_t> grouped;
    for (std::size_t i = 57; i < 73; ++i)
    {
        grouped.push_back(journal[i]["fields"]["eventId"]);
        EXPECT_EQ(journal[i]["fields"]["groupId"], 301);
        EXPECT_EQ(journal[i]["fields"]["maskable"], 1);
    }
    EXPECT_EQ(grouped, (std::vector<std::uint32_t>{208, 207, 211, 209, 210, 213, 212, 214, 218, 219, 220, 222,
                                                   223, 215, 216, 217}));
    const auto session = sim.state()["sessions"][0];
    EXPECT_EQ(session["definitions"]["403"].size(), 12u);
    EXPECT_EQ(session["definitions"]["404"][3]["type"], scwire::kDataString32);
    EXPECT_EQ(session["definitions"]["407"][0]["type"], scwire::kDataStringV);

    EXPECT_EQ(gWindow.gMainWindow.simConnected.load(), 1);
    EXPECT_EQ(gWindow.gMainWindow.simRunning.load(), 1);
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::simulatorText),
              "Lockheed Martin Prepar3D v5 (5.3.17.28160)");
    EXPECT_TRUE(log.contains("Lockheed Martin Prepar3D v5 (5.3.17.28160) connected"));
}

TEST_F(SimLinkTest, UserAircraftPositionTitleAndPerSecondReplies)
{
    ASSERT_TRUE(connected());
    const auto unixNow = []
    { return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()); };
    const std::int64_t before = unixNow();
    gf_requestUserAcPosition();
    ASSERT_TRUE(eventually([] { return gSimLink.gUserObjectId.load() == 1; }));
    const UserAcData user = gf_requestUserAcPosition();
    EXPECT_NEAR(user.lat, 47.4647, 1e-9);
    EXPECT_NEAR(user.lon, 8.5492, 1e-9);
    // The simulator's time (the stand-in's UTC clock) is kept from every reply, before the traffic source
    // has told its level.
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 0);
    const std::int64_t simUtc = gSimLink.gSimUtcSeconds.load();
    EXPECT_GE(simUtc, before);
    EXPECT_LE(simUtc, unixNow());

    gf_requestUserAcTitleModel();
    ASSERT_TRUE(eventually([] { return gf_userTitle() == "Standin Boeing 737-800"; }));
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::userTitle), "Standin Boeing 737-800");
    EXPECT_TRUE(eventually([&] { return log.contains("          model raw: B738"); }));

    ASSERT_EQ(gf_simCall(
                  [](ScHandle h)
                  {
                      return SimConnect_RequestDataOnSimObject(h, kReqUserOnGround, kDefUserOnGround, 0,
                                                               scwire::kPeriodSecond, 0, 0, 0, 0);
                  }),
              kScOk);
    EXPECT_TRUE(
        eventually([] { return gSimLink.gSecondTick.load() == 1 && gSimLink.gUserDataValid.load() == 1; }));
    EXPECT_EQ(gSimLink.gUserOnGround.load(), 1);
}

TEST_F(SimLinkTest, UserStandIsShownAndHandedToTheCycleWorkerWhenANewFlightLoads)
{
    gAirports.gParking.setStands({Stand("A12", 1, 47.4647, 8.5492, 0.0, 20.0)});
    ASSERT_TRUE(connected());
    // The stand counts only once the user aircraft is known to stand on the ground.
    gf_requestUserAcPosition();
    ASSERT_TRUE(eventually([] { return gSimLink.gUserObjectId.load() == 1; }));
    gf_simCall(
        [](ScHandle h)
        {
            return SimConnect_RequestDataOnSimObject(h, kReqUserOnGround, kDefUserOnGround, 0,
                                                     scwire::kPeriodSecond, 0, 0, 0, 0);
        });
    ASSERT_TRUE(eventually([] { return gSimLink.gUserDataValid.load() == 1; }));
    gf_requestUserAcPosition();
    ASSERT_TRUE(eventually([] { return gf_userStand() == "A12"; }));
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::userStand), "A12");
    sim.command("newflight C:\\flight.fxml");
    ASSERT_TRUE(eventually(
        [&]
        {
            std::lock_guard lock(mutex);
            return !standsAtRest.empty();
        }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(standsAtRest, (std::vector<std::string>{"A12"}));
    gAirports.gParking.reset();
}

TEST_F(SimLinkTest, StaticCentreOfGravityAndFrameRateReachTheMainLoop)
{
    ASSERT_TRUE(connected());
    EXPECT_TRUE(eventually([] { return gRecords.gSimQueues.frameRate.load() == 60.0f; }));
    gf_simCall(
        [](ScHandle h)
        {
            return SimConnect_RequestDataOnSimObject(h, kReqStaticCg, kDefStaticCg, 1, scwire::kPeriodOnce, 0,
                                                     0, 0, 0);
        });
    const auto cg = waitAnswer(SimAnswerKind::staticCg);
    ASSERT_TRUE(cg);
    EXPECT_EQ(cg->objectId, 1u);
    EXPECT_DOUBLE_EQ(cg->value1, 8.0);
    EXPECT_DOUBLE_EQ(cg->value2, 0.01);
}

TEST_F(SimLinkTest, EmptyUserModelIsAUserErrorThatClosesTheLink)
{
    ASSERT_TRUE(connected());
    sim.command("user-model");
    gf_requestUserAcTitleModel();
    ASSERT_TRUE(eventually([] { return !gf_shownError().empty(); }));
    EXPECT_EQ(gf_shownError(),
              "71: atc_model= in [General] section of your aircraft.cfg is empty or missing");
    ASSERT_TRUE(eventually([&] { return log.contains("SimConnect closed ok"); }));
    EXPECT_EQ(gSimLink.gSimRunning.load(), 0);
    EXPECT_EQ(gf_simCall([](ScHandle) { return kScOk; }), kScFail);
    std::lock_guard lock(mutex);
    EXPECT_TRUE(exitReasons.empty());
}

TEST_F(SimLinkTest, TeleportOfTheUserAircraftIsANewFlight)
{
    ASSERT_TRUE(connected());
    gf_requestUserAcPosition();
    ASSERT_TRUE(eventually([] { return gSimLink.gUserObjectId.load() == 1; }));
    sim.command("teleport 47.8 8.5492");
    gf_requestUserAcPosition();
    ASSERT_TRUE(eventually([] { return gFoundation.gStopRequested.load() == 1; }));
    EXPECT_TRUE(log.contains("Teleport"));
    std::lock_guard lock(mutex);
    EXPECT_EQ(exitReasons, (std::vector<std::uint32_t>{kExitNewFlight}));
    EXPECT_EQ(restartDelays, (std::vector<std::uint32_t>{30}));
}

TEST_F(SimLinkTest, PauseClearsAndResumeSetsTheRunningFlag)
{
    ASSERT_TRUE(connected());
    sim.command("pause 1");
    ASSERT_TRUE(eventually(
        [] { return gSimLink.gSimRunning.load() == 0 && !gWindow.gMainWindow.simRunning.load(); }));
    sim.command("pause 0");
    EXPECT_TRUE(
        eventually([] { return gSimLink.gSimRunning.load() == 1 && gWindow.gMainWindow.simRunning.load(); }));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
}

TEST_F(SimLinkTest, NewFlightStopsTheCycleOnceWithTheFirstReason)
{
    ASSERT_TRUE(connected());
    sim.command("newflight C:\\Users\\me\\Documents\\Prepar3D v5 Files\\other.fxml");
    ASSERT_TRUE(eventually([&] { return log.contains("===> SimConnect: New file event"); }));
    sim.command("event PositionChanged");
    ASSERT_TRUE(eventually([&] { return log.contains("===> User ac position changed"); }));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 1);
    std::lock_guard lock(mutex);
    EXPECT_EQ(exitReasons, (std::vector<std::uint32_t>{kExitNewFlight}));
}

std::string userPositionHex(const std::string& latHex, const std::string& yearHex);
constexpr const char* kLat47 = "355eba490cba4740"; // 47.4535
constexpr const char* kLatNan = "000000000000f87f";
constexpr const char* kYear2026 = "ea07000000000000";
constexpr const char* kYearHuge = "ea07000000001000"; // 2026 with bit 52 of the 64-bit field set

TEST_F(SimLinkTest, RepeatedMessagesOfTheSimulatorAreLoggedOnceASecondAndCounted)
{
    ASSERT_TRUE(connected());
    const auto before = std::filesystem::file_size(log.file());
    // 10,000 of an unknown message, of an exception and of a range reply without data, another of each amid
    // them: each its first line, the repeats counted, and the log grows by what its repeat limit allows, not
    // by a line a message.
    for (const char* flood : {"fault unknown 30583 5000", "fault exception 99 5000", "fault bytype 101 5000",
                              "fault unknown 30584", "fault exception 98", "fault unknown 30583 5000",
                              "fault exception 99 5000", "fault bytype 101 5000", "fault unknown 30585"})
        ASSERT_EQ(sim.command(flood), "ok");
    ASSERT_TRUE(eventually([&] { return log.contains("! Unknown Dispatch dwID 30585"); }));
    gf_logHeldSimLines(true);
    // The user block bad and good by turns, new numbers of three kinds, one object added again and again.
    const std::string turns = userPositionHex(kLatNan, kYear2026) + userPositionHex(kLat47, kYear2026) +
                              userPositionHex(kLat47, kYearHuge) + userPositionHex(kLat47, kYear2026);
    ASSERT_EQ(sim.command("raw " + turns + " 2000"), "ok");
    for (const char* flood : {"fault exception 1000 4000 1", "fault unknown 40000 4000 1",
                              "fault foreign 50000 4000 1", "fault added 600 4000", "fault short 5"})
        ASSERT_EQ(sim.command(flood), "ok");
    ASSERT_TRUE(eventually([&] { return log.contains("! short message id 5 size 12"); }));
    gf_stopSimClientThread();
    EXPECT_LT(std::filesystem::file_size(log.file()) - before, 50000u);
    EXPECT_TRUE(log.contains("! Unknown Dispatch dwID 30584") &&
                log.contains("===> SIMCONNECT_EXCEPTION #98"));
    // Nothing goes unseen: the lines written and the counts add up to every message.
    std::uint64_t told = 0;
    for (const std::string& l : log.lines())
        told += l == "! Unknown Dispatch dwID 30583" || l == "===> SIMCONNECT_EXCEPTION #99" ||
                        l == "! short message id 9 size 40"
                    ? 1
                : l.ends_with("left out, of 30583") || l.ends_with("left out, of 99") ||
                        l.ends_with("left out, of 9")
                    ? std::stoull(l.substr(l.find(": ") + 2))
                    : 0;
    EXPECT_EQ(told, 30000u);
    for (const char* kind : {"===> User aircraft position refused", "===> Simulator time refused",
                             "===> SIMCONNECT_EXCEPTION #", "! Unknown Dispatch dwID ", "just spawned, but"})
        EXPECT_TRUE(linesWith(kind) > 0 && linesWith(kind) < 25) << kind;
    EXPECT_EQ(gSimLink.gNewObjects, std::vector<std::uint32_t>{600});
}

// One reply to the user-position request (109, definition 403) as the simulator sends it: 40 bytes of
// header, then latitude, longitude, pitch, bank, heading, altitude, altitude above ground, ground
// velocity, ZULU time, day of year, year and light states.
std::string userPositionHex(const std::string& latHex, const std::string& yearHex)
{
    return "8800000005000000080000006d0000000100000093010000000000000100000001000000010000"
           "00" +
           latHex +
           "ac1c5a643b1f214000000000000000000000000000000000333333333333f33f000000000020964000000000000000000"
           "0"
           "00000000000000c0a80000000000005000000000000000" +
           yearHex + "0000000000000000";
}

TEST_F(SimLinkTest, UserPositionWithNumbersOutOfRangeIsRefused)
{
    ASSERT_TRUE(connected());
    // The day arithmetic would overflow on this year: the position is taken, the time is not.
    ASSERT_EQ(sim.command("raw " + userPositionHex(kLat47, kYearHuge)), "ok");
    ASSERT_TRUE(eventually(
        [&]
        { return log.contains("===> Simulator time refused: year 4503599627372522 day 80 second 43200"); }));
    EXPECT_EQ(gSimLink.gSimUtcSeconds.load(), 0);
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        EXPECT_DOUBLE_EQ(gSimLink.gUserAcData.lat, 47.4535);
        EXPECT_DOUBLE_EQ(gSimLink.gUserAcData.alt, 1416.0);
    }
    EXPECT_EQ(gSimLink.gUserObjectId.load(), 1u);

    // A position that is not a number reaches nothing, not even the time.
    ASSERT_EQ(sim.command("raw " + userPositionHex(kLatNan, kYear2026)), "ok");
    ASSERT_TRUE(eventually(
        [&] { return log.contains("===> User aircraft position refused: lat nan lon 8.561 alt 1416"); }));
    EXPECT_EQ(gSimLink.gSimUtcSeconds.load(), 0);
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        EXPECT_DOUBLE_EQ(gSimLink.gUserAcData.lat, 47.4535);
    }

    // A sound reply after them is taken whole: 21 March 2026, 12:00 UTC.
    ASSERT_EQ(sim.command("raw " + userPositionHex(kLat47, kYear2026)), "ok");
    EXPECT_TRUE(eventually([] { return gSimLink.gSimUtcSeconds.load() == 1774094400; }));

    // An altitude no aircraft reaches (1416 ft made 1e300) is refused too: it never reaches the source.
    std::string high = userPositionHex(kLat47, kYear2026);
    ASSERT_EQ(sim.command("raw " + high.replace(high.find("0000000000209640"), 16, "9c7500883ce4377e")),
              "ok");
    EXPECT_TRUE(eventually(
        [&]
        {
            return log.contains("===> User aircraft position refused: lat 47.4535 lon 8.561 alt 1e+300") ||
                   log.contains("User aircraft position refused: 1 more like it left out");
        }));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
}

TEST_F(SimLinkTest, QuitThenCloseIsTheSimulatorsNormalEnd)
{
    ASSERT_TRUE(connected());
    sim.command("quit");
    ASSERT_TRUE(eventually([] { return gSimLink.gSimRunning.load() == 0; }));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
    sim.command("drop");
    ASSERT_TRUE(eventually([] { return gFoundation.gStopRequested.load() == 1; }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(exitReasons, (std::vector<std::uint32_t>{kExitSimWasClosed}));
        EXPECT_EQ(restartDelays, (std::vector<std::uint32_t>{0}));
    }
    EXPECT_TRUE(eventually(
        [&]
        {
            return log.contains("SimConnect: the link to the simulator is gone (closed by the simulator, "
                                "status 4, error 0xC000013E)");
        }));
    EXPECT_EQ(gSimLink.gSimError.load(), 0);
    EXPECT_FALSE(log.contains("SimConnect request error"));
}

TEST_F(SimLinkTest, DroppedLinkIsASimulatorFailureThatRestartsAndClearsTheHandle)
{
    ASSERT_TRUE(connected());
    // A QUIT counts only for the close that follows it: not once the simulator says it runs again.
    sim.command("quit");
    ASSERT_TRUE(eventually([] { return gSimLink.gSimQuit.load() == 1; }));
    sim.command("event Sim 1");
    ASSERT_TRUE(eventually([] { return gSimLink.gSimQuit.load() == 0; }));
    sim.command("drop");
    ASSERT_TRUE(eventually([] { return gFoundation.gStopRequested.load() == 1; }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(exitReasons, (std::vector<std::uint32_t>{kExitSimConnectError}));
    }
    EXPECT_EQ(gSimLink.gSimError.load(), 1);
    EXPECT_TRUE(log.contains("SimConnect request error"));
    EXPECT_TRUE(eventually(
        [&]
        {
            return log.contains("SimConnect: the link to the simulator is gone (closed by the simulator, "
                                "status 4, error 0xC000013E)");
        }));
    EXPECT_TRUE(eventually(
        []
        {
            std::lock_guard lock(gRecords.gSimQueues.simMutex);
            return gSimLink.gSimHandle == nullptr;
        }));
    EXPECT_EQ(gSimLink.gSimRunning.load(), 0);
    EXPECT_FALSE(gWindow.gMainWindow.simConnected.load());
    EXPECT_EQ(gf_simCall([](ScHandle) { return kScOk; }), kScFail);
}

TEST_F(SimLinkTest, StopWhileDispatchingClosesTheConnection)
{
    ASSERT_TRUE(connected());
    gf_stopSimClientThread();
    EXPECT_TRUE(log.contains("SimConnect closed ok"));
    EXPECT_FALSE(gWindow.gMainWindow.simConnected.load());
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
}

class WrongSimulatorTest : public SimLinkTest
{
  protected:
    std::vector<std::string> standinArgs() override { return {"--name", "Lockheed Martin Prepar3D v6"}; }
};

TEST_F(WrongSimulatorTest, OtherMajorVersionIsShownAsUserErrorAndTheLinkCloses)
{
    ASSERT_TRUE(eventually([&] { return !gf_shownError().empty(); }));
    EXPECT_EQ(gf_shownError(),
              "78: wrong P3D version 'Lockheed Martin Prepar3D v6 (5.3.17.28160)' connects ... ?)");
    {
        std::lock_guard lock(mutex);
        EXPECT_TRUE(exitReasons.empty());
    }
    ASSERT_TRUE(eventually([&] { return log.contains("SimConnect closed ok"); }));
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    EXPECT_EQ(gSimLink.gSimHandle, nullptr);
}

class NoSimulatorTest : public ::testing::Test
{
  protected:
    void SetUp() override { gWindow.gMainWindow.resetForCycle(); }
    void TearDown() override
    {
        gf_stopSimClientThread();
        gf_resetSimLink();
        gFoundation.gStopRequested = 0;
        scSetEnvironment({});
    }
    TempFolder tmp;
    ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    LogCapture log;
};

TEST_F(NoSimulatorTest, WaitsWithOneMessageAndEndsWithoutClosingWhenTheCycleStops)
{
    scSetEnvironment(bareScEnvironment());
    gf_initSimQueues(5);
    startLinkClient();
    ASSERT_TRUE(eventually([&] { return log.contains("Waiting for Prepar3Dv5 ..."); }));
    // Let a few connection attempts fail before the cycle stops.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    gFoundation.gStopRequested = 1;
    gf_stopSimClientThread();
    std::size_t waiting = 0;
    for (const auto& line : log.lines())
        waiting += line == "Waiting for Prepar3Dv5 ..." ? 1 : 0;
    EXPECT_EQ(waiting, 1u);
    EXPECT_FALSE(log.contains("SimConnect closed ok"));
    EXPECT_EQ(gWindow.gMainWindow.simConnected.load(), 0);
}

} // namespace
} // namespace oxl::test
