#include "traffic/source/source_link.h"

#include "foundation/run_state.h"
#include "platform/net_tcp.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <thread>

namespace oxl
{
namespace
{

using namespace std::chrono_literals;

struct Qs121Row
{
    const char* name;
    UserAcData state;
    const char* line;
};

TEST(SourceLines, ExactBytes)
{
    const Qs121Row rows[] = {
        {"user aircraft near London",
         {.lat = 51.5, .lon = -0.25, .pitch = 0.0213, .heading = 1.5, .alt = 360.0},
         "Qs121=2130;0;1.500000;360000;0;0.898845;-0.004363\r\n"},
        {"cruise keeps every foot",
         {.lat = 40.0,
          .lon = -73.5,
          .pitch = -0.05,
          .bank = 0.3,
          .heading = 6.2,
          .alt = 36000.0,
          .groundVelocity = 450.0},
         "Qs121=-5000;30000;6.200000;36000000;450000;0.698132;-1.282817\r\n"},
        {"shortest ground velocity",
         {.lat = 1.0, .lon = 1.0, .groundVelocity = 123.4567},
         "Qs121=0;0;0.000000;0;123456.7;0.017453;0.017453\r\n"},
        {"ground velocity in exponent form",
         {.lat = 1.0, .lon = 1.0, .groundVelocity = 500.0},
         "Qs121=0;0;0.000000;0;5e+05;0.017453;0.017453\r\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(gf_formatQs121(row.state), row.line);
    }
    EXPECT_EQ(gf_formatQs123(1700000000), "Qs123=1700000000000\r\n");
}

// A traffic source played by the test: connects, and reads or writes what the test asks.
struct Peer
{
    explicit Peer(std::uint16_t port) : socket(plat::net::connectTcp("127.0.0.1", port, 2000ms)) {}
    explicit Peer(plat::net::Socket connected) : socket(std::move(connected)) {}

    // Reads until `count` bytes arrived or the peer closed.
    std::string read(std::size_t count)
    {
        std::string got;
        char buffer[256];
        while (got.size() < count)
        {
            const long n = plat::net::receiveWithin(socket, buffer, sizeof buffer, 5000ms);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    plat::net::Socket socket;
};

class SourceLinkTest : public ::testing::Test
{
  protected:
    SourceLinkTest() : link(display)
    {
        link.install(&neighbours);
        link.sourceOnThisPc.store(1);
        link.listenForRealTraffic("0");
        gFoundation.gProfessionalLevel.store(0);
    }
    ~SourceLinkTest() override
    {
        gFoundation.gStopRequested.store(0);
        gFoundation.gProfessionalLevel.store(0);
    }

    // The handshake with a peer that answers the version request with `reply` in the given pieces.
    void handshake(std::vector<std::string> pieces, bool closeAfter = false)
    {
        std::thread source(
            [&]
            {
                Peer peer(link.listenPort());
                request = peer.read(15);
                for (const auto& piece : pieces)
                {
                    plat::net::sendAll(peer.socket, piece);
                    std::this_thread::sleep_for(20ms);
                }
                if (!closeAfter)
                    held = std::move(peer.socket);
            });
        link.gf_waitForRealTraffic();
        source.join();
    }

    test::LogCapture log;
    TrafficDisplay display;
    SourceLink link;
    int removals = 0;
    int readerResets = 0;
    std::string request;

    // Counts the removals and the reader resets, and never sees an exit reason.
    struct Neighbours : SourceLinkPort
    {
        explicit Neighbours(SourceLinkTest& test) : t(test) {}
        void removeLiveAircraft() override { ++t.removals; }
        void resetReaders() override { ++t.readerResets; }
        bool exitReasonNotSet() override { return true; }
        SourceLinkTest& t;
    } neighbours{*this};
    plat::net::Socket held;
};

TEST_F(SourceLinkTest, HandshakeReadsAProfessionalSource)
{
    handshake({R"({"version":"10.0.5","level":2})"});
    EXPECT_EQ(request, "Qs999=version\r\n");
    EXPECT_TRUE(link.connected());
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 1);
    EXPECT_EQ(display.sourceStatus(), "RT prof edition: 10.0.5");
    EXPECT_EQ(display.sourceConnected.load(), 1);
    EXPECT_EQ(display.waitingForSource.load(), 0);
    EXPECT_EQ(readerResets, 1);
    EXPECT_TRUE(log.contains("Waiting for RealTraffic to connect to |Ordalis_P3D ..."));
    EXPECT_TRUE(log.contains("RealTraffic connected"));
}

TEST_F(SourceLinkTest, VersionRepliesOfEveryKind)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> pieces;
        bool close;
        std::uint8_t level;
        const char* status;
        const char* logged;
    };
    const Row rows[] = {
        {"split in two",
         {R"({"version":"10.)", R"(0.5","level":2})"},
         false,
         1,
         "RT prof edition: 10.0.5",
         ""},
        {"without level", {R"({"version":"9.1"})"}, false, 0, "RT stnd edition: 9.1", ""},
        {"level not a number", {R"({"version":"9.1","level":"2"})"}, false, 0, "RT stnd edition: 9.1", ""},
        {"not an object", {"[2]"}, false, 0, "", ""},
        {"malformed", {"{level:2"}, true, 0, "", "===> RealTraffic version reply is not JSON: {level:2"},
        {"closed without a reply", {}, true, 0, "", "No RealTraffic version received?"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        link.closeLink();
        link.listenForRealTraffic("0");
        gFoundation.gProfessionalLevel.store(1);
        display.setSourceStatus("old");
        handshake(row.pieces, row.close);
        EXPECT_EQ(gFoundation.gProfessionalLevel.load(), row.level);
        if (*row.logged != '\0')
            EXPECT_TRUE(log.contains(row.logged));
        else
            EXPECT_EQ(display.sourceStatus(), row.status);
        EXPECT_TRUE(log.lines().back() == "RealTraffic connected");
    }
}

TEST_F(SourceLinkTest, UserStateLossAndReconnection)
{
    handshake({R"({"version":"10.0.5","level":1})"});
    UserAcData user{.lat = 51.5, .lon = -0.25, .pitch = 0.0213, .heading = 1.5, .alt = 360.0};
    {
        Peer reader(std::move(held));
        link.gf_sendUserState(user);
        EXPECT_EQ(reader.read(51), "Qs121=2130;0;1.500000;360000;0;0.898845;-0.004363\r\n");
        link.gf_sendQs123(1700000000);
        EXPECT_EQ(reader.read(21), "Qs123=1700000000000\r\n");
    }
    // The source closed its end: sends fail within a few lines.
    for (int i = 0; i < 50 && link.connected(); ++i)
        link.gf_sendUserState(user);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(display.sourceConnected.load(), 0);
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(readerResets, 2);
    EXPECT_TRUE(log.contains("sendDataPacket to RealTraffic failed: 10054 Connection reset by peer"));
    EXPECT_TRUE(log.contains("RealTraffic client socket closed"));
    const auto gone = log.lines();
    EXPECT_NE(gone.back().find(" RealTraffic gone? Wait for RealTraffic to re-connect ..."),
              std::string::npos);

    link.gf_sendUserState(user); // nobody waiting: returns at once
    EXPECT_FALSE(link.connected());

    Peer back(link.listenPort());
    for (int i = 0; i < 100 && !link.connected(); ++i)
    {
        link.gf_sendUserState(user);
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(link.connected());
    EXPECT_EQ(display.sourceConnected.load(), 1);
    EXPECT_NE(log.lines().back().find(" RealTraffic re-connected"), std::string::npos);
    link.gf_sendUserState(user);
    link.closeLink();
    EXPECT_EQ(back.read(100), "Qs121=2130;0;1.500000;360000;0;0.898845;-0.004363\r\nexit\r\n");
}

TEST_F(SourceLinkTest, NothingIsSentBeforeTheUserPositionIsKnown)
{
    handshake({R"({"level":2})"});
    Peer reader(std::move(held));
    link.gf_sendUserState(UserAcData{});
    link.closeLink();
    EXPECT_EQ(reader.read(100), "exit\r\n");
}

TEST_F(SourceLinkTest, StopRequestEndsTheWaitForTheSource)
{
    std::thread stopper(
        []
        {
            std::this_thread::sleep_for(300ms);
            gFoundation.gStopRequested.store(1);
        });
    link.gf_waitForRealTraffic();
    stopper.join();
    EXPECT_FALSE(link.connected());
    EXPECT_FALSE(log.contains("RealTraffic connected"));
}

TEST_F(SourceLinkTest, WithoutListeningSocketTheAcceptFailsAtOnce)
{
    link.closeLink();
    EXPECT_FALSE(link.waitForClient(0ms));
    link.gf_sendUserState(UserAcData{.lat = 51.5, .lon = -0.25});
    EXPECT_FALSE(link.connected());
}

TEST_F(SourceLinkTest, ListeningFailuresNameTheirStep)
{
    const std::string port = std::to_string(link.listenPort());
    SourceLink second(display);
    try
    {
        second.listenForRealTraffic(port);
        FAIL() << "bound twice";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_EQ(std::string(e.what()),
                  "Bind failed at port " + port + " with error 10048 Address already in use");
    }
    EXPECT_THROW(second.listenForRealTraffic("no-such-service"), std::runtime_error);
}

} // namespace
} // namespace oxl
