// SimConnect.cfg in Public Documents, Documents and the working folder, the registry ports and the
// transport chain with its fall-through rules.
#include "simlink/client/sc_connect.h"
#include "simlink/client/simconnect.h"
#include "tests/support/sim_raw_peer.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <map>

namespace oxl
{
namespace
{

using plat::net::IpFamily;

class ConfigFiles : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        for (const char* f : {"public", "documents", "cwd"})
            std::filesystem::create_directories(tmp / f);
        const auto root = tmp.path();
        scSetEnvironment({[root] { return std::optional<std::filesystem::path>(root / "public"); },
                          [root] { return std::optional<std::filesystem::path>(root / "documents"); },
                          [root] { return std::optional<std::filesystem::path>(root / "cwd"); },
                          [this](IpFamily f) { return registry.count(f) ? registry.at(f) : std::string(); }});
    }
    void TearDown() override { scSetEnvironment({}); }

    void write(const char* folder, const std::string& text)
    {
        test::writeBytes(tmp / folder / "SimConnect.cfg", text);
    }

    ScConfig read(std::uint32_t index = 0)
    {
        ScConfig cfg;
        for (const auto& f : scConfigCandidates())
            scReadConfig(f, index, cfg);
        return cfg;
    }

    test::TempFolder tmp;
    test::ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    std::map<IpFamily, std::string> registry;
};

TEST_F(ConfigFiles, CandidatesAreReadInOrderPublicDocumentsWorkingFolder)
{
    const auto files = scConfigCandidates();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0], tmp / "public" / "SimConnect.cfg");
    EXPECT_EQ(files[1], tmp / "documents" / "SimConnect.cfg");
    EXPECT_EQ(files[2], tmp / "cwd" / "SimConnect.cfg");
}

TEST_F(ConfigFiles, NoFilesGiveTheDefaults)
{
    const ScConfig cfg = read();
    EXPECT_EQ(cfg.protocol, ScProtocol::Pipe);
    EXPECT_EQ(cfg.address, "");
    EXPECT_EQ(cfg.port, "");
    EXPECT_EQ(cfg.maxReceiveSize, 41088u);
    EXPECT_FALSE(cfg.disableNagle);
}

TEST_F(ConfigFiles, LaterFilesReplaceEarlierValuesAndEmptyValuesChangeNothing)
{
    write("public", "[SimConnect]\nProtocol=IPv6\nAddress=::1\nPort=600\nDisableNagle=1\n");
    write("cwd", "[simconnect]\naddress = \"127.0.0.1\"\nPORT=\nMaxReceiveSize=100000\n");
    const ScConfig cfg = read();
    EXPECT_EQ(cfg.protocol, ScProtocol::IPv6);
    EXPECT_EQ(cfg.address, "127.0.0.1");
    EXPECT_EQ(cfg.port, "600");
    EXPECT_EQ(cfg.maxReceiveSize, 100000u);
    EXPECT_TRUE(cfg.disableNagle);
}

TEST_F(ConfigFiles, MaxReceiveSizeOnlyRises)
{
    write("documents", "[SimConnect]\nMaxReceiveSize=8000\n");
    EXPECT_EQ(read().maxReceiveSize, 41088u);
}

TEST_F(ConfigFiles, ProtocolOfAFamilyTakesTheRegistryPortOverAnEarlierFilesPort)
{
    registry[IpFamily::IPv4] = "1234567890123";
    write("public", "[SimConnect]\nPort=700\n");
    write("documents", "[SimConnect]\nProtocol=IPv4\n");
    const ScConfig cfg = read();
    EXPECT_EQ(cfg.protocol, ScProtocol::IPv4);
    EXPECT_EQ(cfg.port, ""); // a registry value of more than 9 characters does not fit
    write("documents", "[SimConnect]\nProtocol=IPv4\nPort=701\n");
    EXPECT_EQ(read().port, "701");
}

TEST_F(ConfigFiles, UnknownProtocolLeavesTheProtocol)
{
    write("public", "[SimConnect]\nProtocol=IPv4\n");
    write("cwd", "[SimConnect]\nProtocol=Carrier pigeon\n");
    EXPECT_EQ(read().protocol, ScProtocol::IPv4);
}

TEST_F(ConfigFiles, IndexedSectionsAreReadForTheirIndex)
{
    write("documents", "[SimConnect]\nPort=1\n[SimConnect.2]\nPort=2\n");
    EXPECT_EQ(read(2).port, "2");
    EXPECT_EQ(scHasConfigSection(tmp / "documents" / "SimConnect.cfg", 2), 0u);
    EXPECT_EQ(scHasConfigSection(tmp / "documents" / "SimConnect.cfg", 3), 3u);
}

TEST_F(ConfigFiles, MissingSectionOfAnIndexRefusesTheOpen)
{
    write("documents", "[SimConnect.1]\nProtocol=IPv4\n[SimConnect.2]\n; nothing here\n");
    ScHandle h = nullptr;
    EXPECT_EQ(SimConnect_Open(&h, "Ordalis_P3D", nullptr, 0, nullptr, 2), kScInvalidArg);
    ScConnection* conn = nullptr;
    EXPECT_EQ(scConnect(&conn, 2), 3u);
}

TEST_F(ConfigFiles, WithoutFilesTheDefaultPipeIsOpened)
{
    test::RawSimPeer peer;
    ASSERT_TRUE(peer.listenPipe());
    ScConnection* conn = nullptr;
    ASSERT_EQ(scConnect(&conn, 0), 0u);
    EXPECT_EQ(conn->kind(), ScTransportKind::Pipe);
    EXPECT_TRUE(peer.accept());
    scCloseConnection(conn);
}

TEST_F(ConfigFiles, WithoutPipeTheRegistryIPv4PortIsTried)
{
    test::RawSimPeer peer;
    ASSERT_TRUE(peer.listenTcp());
    registry[IpFamily::IPv4] = std::to_string(peer.port());
    ScConnection* conn = nullptr;
    ASSERT_EQ(scConnect(&conn, 0), 0u);
    EXPECT_EQ(conn->kind(), ScTransportKind::Socket);
    EXPECT_TRUE(peer.accept());
    EXPECT_TRUE(scNetworkStarted());
    scCloseConnection(conn);
    EXPECT_FALSE(scNetworkStarted());
}

TEST_F(ConfigFiles, RegistryPortsComeFromTheRegistryStandIn)
{
    test::writeBytes(tmp / "registry.xml",
                     "<registry><key root=\"HKCU\" path=\"SOFTWARE\\Lockheed Martin\\Prepar3D v5\">"
                     "<value name=\"SimConnect_Port_IPv4\" type=\"REG_SZ\">500</value>"
                     "<value name=\"SimConnect_Port_IPv6\" type=\"REG_SZ\">5000000000</value>"
                     "</key></registry>");
    test::ScopedEnv registryFile("OXL_REGISTRY", (tmp / "registry.xml").string());
    EXPECT_EQ(scRegistryPortValue(IpFamily::IPv4), "500");
    EXPECT_EQ(scRegistryPortValue(IpFamily::IPv6), "");
    test::ScopedEnv noRegistry("OXL_REGISTRY", (tmp / "none.xml").string());
    EXPECT_EQ(scRegistryPortValue(IpFamily::IPv4), "");
}

TEST_F(ConfigFiles, ConfiguredTcpAddressGetsNoFallBack)
{
    test::RawSimPeer pipe;
    ASSERT_TRUE(pipe.listenPipe());
    test::RawSimPeer closed;
    ASSERT_TRUE(closed.listenTcp());
    const auto port = std::to_string(closed.port());
    closed = test::RawSimPeer();
    write("documents", "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.2\nPort=" + port + "\n");
    ScConnection* conn = nullptr;
    EXPECT_EQ(scConnect(&conn, 0), 1u);
    // The pipe that is there was never tried.
    EXPECT_FALSE(pipe.accept(std::chrono::milliseconds(100)));
}

TEST_F(ConfigFiles, RemotePipeHostGetsNoFallBack)
{
    test::RawSimPeer peer;
    ASSERT_TRUE(peer.listenTcp());
    registry[IpFamily::IPv4] = std::to_string(peer.port());
    write("cwd", "[SimConnect]\nProtocol=Pipe\nAddress=flightsim-pc\n");
    ScConnection* conn = nullptr;
    EXPECT_EQ(scConnect(&conn, 0), 1u);
    EXPECT_FALSE(peer.accept(std::chrono::milliseconds(100)));
}

TEST_F(ConfigFiles, NamedPipeOfTheConfigIsOpened)
{
    test::RawSimPeer peer;
    ASSERT_TRUE(peer.listenPipe("\\\\.\\pipe\\Other Sim"));
    write("cwd", "[SimConnect]\nProtocol=Auto\nAddress=.\nPort=Other Sim\n");
    ScConnection* conn = nullptr;
    ASSERT_EQ(scConnect(&conn, 0), 0u);
    EXPECT_TRUE(peer.accept());
    scCloseConnection(conn);
}

TEST_F(ConfigFiles, IndexAllOnesReadsNoFile)
{
    test::RawSimPeer peer;
    ASSERT_TRUE(peer.listenPipe());
    write("cwd", "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.2\nPort=9\n");
    ScConnection* conn = nullptr;
    ASSERT_EQ(scConnect(&conn, 0xFFFFFFFF), 0u);
    EXPECT_EQ(conn->kind(), ScTransportKind::Pipe);
    scCloseConnection(conn);
}

} // namespace
} // namespace oxl
