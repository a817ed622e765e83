// The client library against the simulator stand-in process, over TCP and over the pipe stand-in.
#include "simlink/client/sc_connect.h"
#include "simlink/client/sc_receive.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/wire.h"
#include "tests/support/sim_standin_process.h"
#include "tests/support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using test::ReceivedMessages;

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
        ASSERT_TRUE(sim.start(OXL_BIN_DIR, extraArgs(), tmp.path().string()));
        if (GetParam() == Transport::Tcp)
            test::writeBytes(tmp / "cwd" / "SimConnect.cfg",
                             "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" + std::to_string(sim.tcpPort()) +
                                 "\nDisableNagle=1\n");
        const auto cwd = tmp / "cwd";
        scSetEnvironment({[] { return std::optional<std::filesystem::path>(); },
                          [] { return std::optional<std::filesystem::path>(); },
                          [cwd] { return std::optional<std::filesystem::path>(cwd); },
                          [](plat::net::IpFamily) { return std::string(); }});
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
        return test::pollUntil([&] { lastDispatch = SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); },
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
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 403, "Plane Latitude", "degree", scwire::kDataFloat64, 0.0f,
                                             scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 403, "ZULU YEAR", "Number", scwire::kDataInt64, 0.0f,
                                             scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 407, "TITLE", nullptr, scwire::kDataStringV, 0.0f, scwire::kUnused),
              kScOk);
    ASSERT_EQ(SimConnect_MapClientEventToSimEvent(handle, 208, "NAV_LIGHTS_SET"), kScOk);
    ASSERT_EQ(SimConnect_AddClientEventToNotificationGroup(handle, 301, 208, 1), kScOk);
    ASSERT_EQ(SimConnect_SetNotificationGroupPriority(handle, 301, scwire::kGroupPriorityHighest), kScOk);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(handle, 109, 403, scwire::kObjectIdUser, scwire::kPeriodOnce, 0, 0, 0, 0),
              kScOk);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(handle, 106, 407, scwire::kObjectIdUser, scwire::kPeriodOnce, 0, 0, 0, 0),
              kScOk);

    ASSERT_TRUE(waitFor(scwire::kRecvSimObjectData, 2));
    auto event = scRecvEvent(msg(scwire::kRecvEvent));
    ASSERT_TRUE(event);
    EXPECT_EQ(event->eventId, 201u);
    EXPECT_EQ(event->data, 1u);

    std::vector<ScRecvSimObjectData> replies;
    for (const auto& m : got.messages)
        if (auto d = scRecvSimObjectData(m); d && got.ids()[&m - &got.messages[0]] == scwire::kRecvSimObjectData)
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

INSTANTIATE_TEST_SUITE_P(Transports, StandinLink, ::testing::Values(Transport::Pipe, Transport::Tcp),
                         [](const auto& info) { return info.param == Transport::Pipe ? "Pipe" : "Tcp"; });

} // namespace
} // namespace oxl
