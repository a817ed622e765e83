// The client library against the simulator stand-in process, over TCP and over the pipe stand-in.
#include "simlink/client/sc_connect.h"
#include "simlink/client/sc_receive.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/wire.h"
#include "tests/support/sc_environment.h"
#include "tests/support/sim_standin_process.h"
#include "tests/support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using test::bareScEnvironment;
using test::ReceivedMessages;

// Subscriptions the stand-in holds for the first client (0 before it has one).
std::size_t subscriptions(const nlohmann::json& state)
{
    return state["sessions"].empty() ? 0 : state["sessions"][0]["subscriptions"].size();
}

enum class Transport
{
    Pipe,
    Tcp
};

class StandinLink : public ::testing::TestWithParam<Transport>
{
  protected:
    void SetUp() override
    {
        std::filesystem::create_directories(tmp / "cwd");
        ASSERT_TRUE(sim.start(OXL_STANDIN_DIR, extraArgs(), tmp.path().string()));
        if (GetParam() == Transport::Tcp)
            test::writeBytes(tmp / "cwd" / "SimConnect.cfg",
                             "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" +
                                 std::to_string(sim.tcpPort()) + "\nDisableNagle=1\n");
        const auto cwd = tmp / "cwd";
        scSetEnvironment(bareScEnvironment(cwd));
        ASSERT_EQ(SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, nullptr, 0), kScOk);
        ASSERT_TRUE(handle);
    }

    void TearDown() override
    {
        if (handle)
        {
            EXPECT_EQ(SimConnect_Close(handle), kScOk);
        }
        scSetEnvironment({});
    }

    virtual std::vector<std::string> extraArgs() { return {"--add-delay-ms", "50", "--title", "Known Jet"}; }

    // Dispatches until `n` messages of id have arrived.
    bool waitFor(std::uint32_t id, std::size_t n = 1)
    {
        return test::pollUntil(
            [&] { lastDispatch = SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); },
            [&] { return got.count(id) >= n; });
    }

    std::span<const std::byte> msg(std::uint32_t id) { return *got.first(id); }

    test::TempFolder tmp;
    test::ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    test::SimStandinProcess sim;
    ScHandle handle = nullptr;
    ReceivedMessages got;
    ScResult lastDispatch = kScOk;
};

TEST_P(StandinLink, OpenIsAnsweredWithTheSimulatorNameAndVersion)
{
    ASSERT_TRUE(waitFor(scwire::kRecvOpen));
    auto open = scRecvOpen(msg(scwire::kRecvOpen));
    ASSERT_TRUE(open);
    EXPECT_EQ(open->applicationName, "Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5");
    EXPECT_EQ(open->applicationVersionMajor, 5u);
    EXPECT_EQ(open->applicationVersionMinor, 3u);
    EXPECT_EQ(open->applicationBuildMajor, 17u);
    EXPECT_EQ(open->applicationBuildMinor, 28160u);
    auto journal = sim.journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0]["call"], "SimConnect_Open");
    EXPECT_EQ(journal[0]["sendId"], 1);
    EXPECT_EQ(journal[0]["fields"]["name"], "Ordalis_P3D");
    EXPECT_EQ(journal[0]["fields"]["stamp"], 0x50334400u);
    EXPECT_EQ(journal[0]["fields"]["versions"], nlohmann::json({5, 3, 0, 0}));
}

TEST_P(StandinLink, RegistrationIsRecordedAndRequestsAreAnswered)
{
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(handle, 201, "Sim"), kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 403, "Plane Latitude", "degree", scwire::kDataFloat64,
                                             0.0f, scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 403, "ZULU YEAR", "Number", scwire::kDataInt64, 0.0f,
                                             scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 407, "TITLE", nullptr, scwire::kDataStringV, 0.0f,
                                             scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_MapClientEventToSimEvent(handle, 208, "NAV_LIGHTS_SET"), kScOk);
    ASSERT_EQ(SimConnect_AddClientEventToNotificationGroup(handle, 301, 208, 1), kScOk);
    ASSERT_EQ(SimConnect_SetNotificationGroupPriority(handle, 301, scwire::kGroupPriorityHighest), kScOk);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(handle, 109, 403, scwire::kObjectIdUser, scwire::kPeriodOnce,
                                                0, 0, 0, 0),
              kScOk);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(handle, 106, 407, scwire::kObjectIdUser, scwire::kPeriodOnce,
                                                0, 0, 0, 0),
              kScOk);

    ASSERT_TRUE(waitFor(scwire::kRecvSimObjectData, 2));
    auto event = scRecvEvent(msg(scwire::kRecvEvent));
    ASSERT_TRUE(event);
    EXPECT_EQ(event->eventId, 201u);
    EXPECT_EQ(event->data, 1u);

    std::vector<ScRecvSimObjectData> replies;
    for (const auto& m : got.messages)
        if (auto d = scRecvSimObjectData(m);
            d && got.ids()[&m - &got.messages[0]] == scwire::kRecvSimObjectData)
            replies.push_back(*d);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].requestId, 109u);
    EXPECT_EQ(replies[0].objectId, 1u);
    EXPECT_NEAR(*scDataF64(replies[0].data, 0), 47.4647, 1e-9);
    EXPECT_GE(*scDataI64(replies[0].data, 8), 2026);
    EXPECT_EQ(replies[1].requestId, 106u);
    EXPECT_EQ(scDataStringV(replies[1].data, 0), "Standin Boeing 737-800");

    auto state = sim.state();
    auto session = state["sessions"][0];
    EXPECT_EQ(session["subscriptions"]["sim"], 201);
    EXPECT_EQ(session["definitions"]["403"].size(), 2u);
    EXPECT_EQ(session["definitions"]["403"][1]["type"], scwire::kDataInt64);
    EXPECT_EQ(session["definitions"]["407"][0]["units"], "");
    EXPECT_EQ(session["eventMap"]["208"], "NAV_LIGHTS_SET");
    EXPECT_EQ(session["groups"]["301"]["events"], nlohmann::json({208}));
    EXPECT_EQ(session["groups"]["301"]["priority"], 1);
}

TEST_P(StandinLink, CreatedAircraftAreAddedIdentifiedMovedAndRemoved)
{
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(handle, 202, "ObjectAdded"), kScOk);
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(handle, 203, "ObjectRemoved"), kScOk);
    ASSERT_EQ(SimConnect_MapClientEventToSimEvent(handle, 215, "FREEZE_LATITUDE_LONGITUDE_SET"), kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 404, "Plane Alt Above Ground", "feet",
                                             scwire::kDataFloat64, 0, scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 404, "ATC ID", nullptr, scwire::kDataString32, 0,
                                             scwire::kUnused),
              kScOk);
    for (const char* name : {"Plane Latitude", "Plane Longitude", "Plane Altitude"})
        ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 402, name, name[6] == 'A' ? "feet" : "degree",
                                                 scwire::kDataFloat64, 0, scwire::kUnused),
                  kScOk);
    const ScInitPosition at{47.47, 8.55, 3000, 0, 0, 90, 0, 250};
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Known Jet", "HBJOE", at, 104), kScOk);
    ASSERT_TRUE(waitFor(scwire::kRecvEventObjectAddRemove));
    auto added = scRecvObjectAddRemove(msg(scwire::kRecvEventObjectAddRemove));
    ASSERT_TRUE(added);
    EXPECT_EQ(added->event.eventId, 202u);
    EXPECT_EQ(added->event.data, 3u); // the first AI object id
    EXPECT_EQ(added->objectType, scwire::kObjectAircraft);
    ASSERT_TRUE(waitFor(scwire::kRecvAssignedObjectId));
    EXPECT_EQ(scRecvAssignedObjectId(msg(scwire::kRecvAssignedObjectId))->objectId, 3u);

    ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(handle, 101, 404, 20000, scwire::kObjectAircraft), kScOk);
    ASSERT_TRUE(waitFor(scwire::kRecvSimObjectDataByType, 2));
    bool sawAi = false;
    for (const auto& m : got.messages)
        if (auto d = scRecvSimObjectData(m); d && d->requestId == 101 && d->objectId == 3)
        {
            sawAi = true;
            EXPECT_NEAR(*scDataF64(d->data, 0), 3000.0, 1e-9);
            EXPECT_EQ(scDataFixedString(d->data, 8, 32), "HBJOE");
            EXPECT_EQ(d->outOf, 2u);
        }
    EXPECT_TRUE(sawAi);

    const double position[3] = {47.5, 8.6, 2500};
    ASSERT_EQ(SimConnect_AIReleaseControl(handle, 3, 103), kScOk);
    ASSERT_EQ(SimConnect_TransmitClientEvent(handle, 3, 215, 1, 301, 16), kScOk);
    ASSERT_EQ(SimConnect_SetDataOnSimObject(handle, 402, 3, 0, 0, sizeof position, position), kScOk);
    ASSERT_TRUE(sim.waitState([](const nlohmann::json& s)
                              { return s["objects"].size() > 1 && s["objects"][1]["positionWrites"] == 1; }));
    auto ai = sim.state()["objects"][1];
    EXPECT_EQ(ai["released"], true);
    EXPECT_EQ(ai["altitude"], 2500.0);
    EXPECT_EQ(ai["events"][0]["event"], "FREEZE_LATITUDE_LONGITUDE_SET");
    EXPECT_EQ(ai["events"][0]["data"], 1);

    ASSERT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), kScOk);
    ASSERT_TRUE(waitFor(scwire::kRecvEventObjectAddRemove, 2));
    EXPECT_EQ(sim.state()["objects"].size(), 1u);
}

TEST_P(StandinLink, FailedCreationNamesTheSendIdOfTheCreation)
{
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Unknown Glider", "DGLID", ScInitPosition{}, 104),
              kScOk);
    std::uint32_t sendId = 0;
    ASSERT_EQ(SimConnect_GetLastSentPacketID(handle, &sendId), kScOk);
    ASSERT_TRUE(waitFor(scwire::kRecvException));
    auto e = scRecvException(msg(scwire::kRecvException));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->exception, scwire::kExceptionCreateObjectFailed);
    EXPECT_EQ(e->sendId, sendId);
}

TEST_P(StandinLink, MissingFlightPlanIsReported)
{
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Known Jet", "HBJOE", ScInitPosition{}, 104), kScOk);
    ASSERT_TRUE(sim.waitState([](const nlohmann::json& s) { return s["objects"].size() == 2; }));
    const std::string plan = (tmp / "missing.pln").string();
    ASSERT_EQ(SimConnect_AISetAircraftFlightPlan(handle, 3, plan.c_str(), 110), kScOk);
    ASSERT_TRUE(waitFor(scwire::kRecvException));
    EXPECT_EQ(scRecvException(msg(scwire::kRecvException))->exception,
              scwire::kExceptionLoadFlightplanFailed);
    EXPECT_EQ(sim.state()["objects"][1]["flightPlan"], plan);
}

TEST_P(StandinLink, FramesAndPerSecondRepliesArriveWhileTheFlightRuns)
{
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(handle, 204, "Frame"), kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 409, "SIM ON GROUND", "Bool", scwire::kDataInt64, 0,
                                             scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(handle, 108, 409, 0, scwire::kPeriodSecond, 0, 0, 0, 0),
              kScOk);
    ASSERT_TRUE(waitFor(scwire::kRecvEventFrame, 3));
    auto frame = scRecvFrame(msg(scwire::kRecvEventFrame));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->event.eventId, 204u);
    EXPECT_EQ(frame->frameRate, 30.0f);
    ASSERT_TRUE(waitFor(scwire::kRecvSimObjectData, 1));
    auto second = scRecvSimObjectData(msg(scwire::kRecvSimObjectData));
    EXPECT_EQ(second->requestId, 108u);
    EXPECT_EQ(*scDataI64(second->data, 0), 1);
}

TEST_P(StandinLink, PauseNewFlightAndQuitReachTheClient)
{
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(handle, 201, "Sim"), kScOk);
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(handle, 206, "FlightLoaded"), kScOk);
    ASSERT_TRUE(sim.waitState([](const nlohmann::json& s) { return subscriptions(s) == 2; }));
    ASSERT_TRUE(waitFor(scwire::kRecvEvent));
    EXPECT_EQ(sim.command("pause 1"), "ok");
    EXPECT_EQ(sim.command("newflight C:\\Flights\\Zurich.fxml"), "ok");
    EXPECT_EQ(sim.command("quit"), "ok");
    ASSERT_TRUE(waitFor(scwire::kRecvQuit));
    std::vector<std::uint32_t> simData;
    for (const auto& m : got.messages)
        if (auto e = scRecvEvent(m);
            e && got.ids()[&m - &got.messages[0]] == scwire::kRecvEvent && e->eventId == 201)
            simData.push_back(e->data);
    EXPECT_EQ(simData, (std::vector<std::uint32_t>{1, 0}));
    auto file = scRecvFilename(msg(scwire::kRecvEventFilename));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->event.eventId, 206u);
    EXPECT_EQ(file->fileName, "C:\\Flights\\Zurich.fxml");
}

TEST_P(StandinLink, SplitMergedAndPaddedMessagesArriveWhole)
{
    ASSERT_TRUE(waitFor(scwire::kRecvOpen));
    for (const char* fault : {"fault split", "fault pad 7", "fault merge 3"})
        EXPECT_EQ(sim.command(fault), "ok");
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(handle, 201, "Sim"), kScOk);
    ASSERT_TRUE(sim.waitState([](const nlohmann::json& s) { return subscriptions(s) == 1; }));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sim.command("event Sim 1"), "ok");
    ASSERT_TRUE(waitFor(scwire::kRecvEvent, 4));
    EXPECT_EQ(lastDispatch, kScOk);
    for (const auto& m : got.messages)
        EXPECT_TRUE(scRecvHeader(m));
}

TEST_P(StandinLink, MalformedMessagesEndTheLinkOrAreSkipped)
{
    ASSERT_TRUE(waitFor(scwire::kRecvOpen));
    EXPECT_EQ(sim.command("fault short"), "ok");
    EXPECT_EQ(sim.command("fault tiny"), "ok");
    EXPECT_EQ(sim.command("fault unknown"), "ok");
    ASSERT_TRUE(waitFor(99));
    // The bodiless EVENT is handed out whole; its decoder refuses it.
    ASSERT_TRUE(got.first(scwire::kRecvEvent));
    EXPECT_FALSE(scRecvEvent(msg(scwire::kRecvEvent)));
    EXPECT_EQ(sim.command("fault size 2"), "ok");
    ASSERT_TRUE(test::pollUntil(
        [&] { lastDispatch = SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); },
        [&] { return lastDispatch != kScOk; }));
    EXPECT_EQ(lastDispatch, static_cast<ScResult>(0x80004004));
}

// The simulator removes the AI objects of a client whose link closed.
TEST_P(StandinLink, DroppedLinkIsReportedAsFailureAndTakesTheClientsObjects)
{
    ASSERT_TRUE(waitFor(scwire::kRecvOpen));
    const ScInitPosition at{47.47, 8.55, 3000, 0, 0, 90, 0, 250};
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Known Jet", "HBJOE", at, 104), kScOk);
    ASSERT_TRUE(sim.waitState([](const nlohmann::json& s) { return s["objects"].size() == 2; }));
    EXPECT_EQ(sim.command("drop"), "ok");
    ASSERT_TRUE(test::pollUntil(
        [&] { lastDispatch = SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); },
        [&] { return lastDispatch != kScOk; }));
    EXPECT_LT(lastDispatch, 0);
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), lastDispatch);
    EXPECT_TRUE(sim.waitState([](const nlohmann::json& s) { return s["objects"].size() == 1; }));
}

TEST(StandinRegistry, ChainFallsThroughToTheRegistryPortOfTheStandIn)
{
    test::TempFolder tmp;
    test::ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    test::ScopedEnv registry{"OXL_REGISTRY", (tmp / "registry.xml").string()};
    test::SimStandinProcess sim;
    ASSERT_TRUE(sim.start(OXL_STANDIN_DIR, {"--no-pipe", "--registry", (tmp / "registry.xml").string()},
                          tmp.path().string()));
    scSetEnvironment({nullptr, nullptr, nullptr, scRegistryPortValue});
    ScHandle handle = nullptr;
    ASSERT_EQ(SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, nullptr, 0), kScOk);
    EXPECT_EQ(handle->kind(), ScTransportKind::Socket);
    ReceivedMessages got;
    EXPECT_TRUE(test::pollUntil([&] { SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); },
                                [&] { return got.count(scwire::kRecvOpen) == 1; }));
    EXPECT_EQ(SimConnect_Close(handle), kScOk);
    scSetEnvironment({});
}

TEST(StandinRegistry, ChainReachesTheStandInOverIPv6)
{
    test::TempFolder tmp;
    test::ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    test::ScopedEnv registry{"OXL_REGISTRY", (tmp / "registry.xml").string()};
    test::SimStandinProcess sim;
    if (!sim.start(OXL_STANDIN_DIR,
                   {"--no-pipe", "--no-tcp", "--tcp6", "--registry", (tmp / "registry.xml").string()},
                   tmp.path().string()))
        GTEST_SKIP() << "no IPv6 loopback here";
    scSetEnvironment({nullptr, nullptr, nullptr, scRegistryPortValue});
    ScHandle handle = nullptr;
    ASSERT_EQ(SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, nullptr, 0), kScOk);
    ReceivedMessages got;
    EXPECT_TRUE(test::pollUntil([&] { SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); },
                                [&] { return got.count(scwire::kRecvOpen) == 1; }));
    EXPECT_EQ(sim.journal()[0]["call"], "SimConnect_Open");
    EXPECT_EQ(SimConnect_Close(handle), kScOk);
    scSetEnvironment({});
}

INSTANTIATE_TEST_SUITE_P(Transports, StandinLink, ::testing::Values(Transport::Pipe, Transport::Tcp),
                         [](const auto& info) { return info.param == Transport::Pipe ? "Pipe" : "Tcp"; });

} // namespace
} // namespace oxl
