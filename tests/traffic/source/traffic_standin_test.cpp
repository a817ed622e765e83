// The traffic-source link and readers against the traffic-source stand-in running as its own process, and
// the command lines of both stand-ins.
#include "foundation/run_state.h"
#include "tests/support/log_capture.h"
#include "tests/support/standin_process.h"
#include "traffic/source/source_link.h"
#include "traffic/source/udp_readers.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace oxl
{
namespace
{

using namespace std::chrono_literals;

class StandinTest : public ::testing::Test
{
  protected:
    StandinTest()
        : traffic(filter, callsigns, stack, tick, lastTimestamp, display), qnh(traffic, display),
          link(display)
    {
        filter.setRangeReference(51.5, -0.25);
        radius.store(40.0);
        stack.setAccept(true);
        link.install(&neighbours);
        link.sourceOnThisPc.store(1);
        link.listenForRealTraffic("0");
        trafficThread.start(traffic, 0, true);
        qnhThread.start(qnh, 0, true);
        EXPECT_TRUE(until([&] { return traffic.boundPort() != 0 && qnh.boundPort() != 0; }));
    }
    ~StandinTest() override { gFoundation.gProfessionalLevel.store(0); }

    std::vector<std::string> standinArgs(std::vector<std::string> more)
    {
        std::vector<std::string> args{"--port",         std::to_string(link.listenPort()),
                                      "--traffic-port", std::to_string(traffic.boundPort()),
                                      "--qnh-port",     std::to_string(qnh.boundPort()),
                                      "--record",       record.string()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // Runs a main-loop stand-in: the user state every pass until the condition holds.
    template <class Condition> bool until(Condition condition)
    {
        for (int pass = 0; pass < 1500; ++pass)
        {
            if (condition())
                return true;
            if (link.connected() || pass % 10 == 0)
                link.gf_sendUserState(user);
            std::this_thread::sleep_for(10ms);
        }
        return condition();
    }

    std::vector<std::string> recorded() const
    {
        std::vector<std::string> lines;
        for (const auto& line : test::splitLines(test::readBytes(record)))
        {
            const auto blank = line.find(' ');
            if (blank != std::string::npos)
                lines.push_back(line.substr(blank + 1));
        }
        return lines;
    }

    test::LogCapture log;
    test::TempFolder folder;
    std::filesystem::path record = folder / "received.txt";
    std::atomic<double> radius{0.0};
    TrafficFilter filter{radius};
    CallsignCollector callsigns;
    AddingStack stack;
    std::atomic<std::int32_t> tick{0};
    std::atomic<double> lastTimestamp{0.0};
    TrafficDisplay display;
    TrafficReader traffic;
    QnhReader qnh;
    SourceLink link;
    ReaderThread trafficThread;
    ReaderThread qnhThread;
    UserAcData user{.lat = 51.5, .lon = -0.25, .pitch = 0.0213, .heading = 1.5, .alt = 360.0};
    int removals = 0;

    // Counts the removals, resets the test's own readers, and never sees an exit reason.
    struct Neighbours : SourceLinkPort
    {
        explicit Neighbours(StandinTest& test) : t(test) {}
        void removeLiveAircraft() override { ++t.removals; }
        void resetReaders() override
        {
            t.traffic.resetState();
            t.qnh.resetState();
        }
        bool exitReasonNotSet() override { return true; }
        StandinTest& t;
    } neighbours{*this};
};

TEST_F(StandinTest, HandshakeUserStateTrafficAndQnh)
{
    test::ToolProcess standin(OXL_STANDIN_DIR, "traffic_standin",
                              standinArgs({"--reply", "split", "--aircraft", "3", "--interval", "0.3",
                                           "--qnh", "1005", "--radius", "8"}));
    ASSERT_TRUE(standin.started());
    link.gf_waitForRealTraffic();
    ASSERT_TRUE(link.connected());
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 1);
    EXPECT_EQ(display.sourceStatus(), "RT prof edition: 10.0.5");
    EXPECT_TRUE(until([&] { return stack.size() >= 6 && qnh.lastQnh.load() == 1005; }));
    std::vector<TrafficLine> lines;
    stack.takeUpTo(100, [&](TrafficLine& line) { lines.push_back(std::move(line)); });
    for (const auto& line : lines)
    {
        EXPECT_GE(line.hexid, 4000001u);
        EXPECT_LE(line.hexid, 4000003u);
        EXPECT_EQ(line.report.airborne, 1);
        EXPECT_NEAR(line.report.lat, 51.5, 8.5 / 60.0);
    }
    EXPECT_EQ(traffic.qnh.load(), 1005);
    link.closeLink();
    EXPECT_EQ(standin.stop(), 0);
    const auto got = recorded();
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got[0], "# connected");
    EXPECT_EQ(got[1], "Qs999=version");
    EXPECT_EQ(got[2], "Qs121=2130;0;1.500000;360000;0;0.898845;-0.004363");
    EXPECT_EQ(got.back(), "# closed");
    EXPECT_EQ(got[got.size() - 2], "exit");
}

TEST_F(StandinTest, LossOfTheSourceAndItsReturn)
{
    test::ToolProcess standin(
        OXL_STANDIN_DIR, "traffic_standin",
        standinArgs({"--level", "1", "--drop-after", "1", "--aircraft", "1", "--interval", "0.2"}));
    link.gf_waitForRealTraffic();
    ASSERT_TRUE(link.connected());
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 0);
    EXPECT_EQ(display.sourceStatus(), "RT stnd edition: 10.0.5");
    EXPECT_TRUE(until([&] { return !link.connected(); }));
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(display.sourceConnected.load(), 0);
    EXPECT_TRUE(until([&] { return link.connected(); }));
    EXPECT_EQ(display.sourceConnected.load(), 1);
    EXPECT_TRUE(until([&] { return stack.size() > 0; }));
    link.closeLink();
    standin.stop();

    std::vector<std::string> linkLines;
    for (const auto& line : log.lines())
        if (line.find("RealTraffic") != std::string::npos)
            linkLines.push_back(line.find(" RealTraffic") == 8 ? line.substr(9) : line);
    const std::vector<std::string> expected{
        "Waiting for RealTraffic to connect to |Ordalis_P3D ...",
        "RealTraffic connected",
        "sendDataPacket to RealTraffic failed: 10054 Connection reset by peer",
        "RealTraffic client socket closed",
        "RealTraffic gone? Wait for RealTraffic to re-connect ...",
        "RealTraffic re-connected",
    };
    EXPECT_EQ(linkLines, expected);
    // No second version request after the return.
    int versionRequests = 0;
    for (const auto& line : recorded())
        versionRequests += line == "Qs999=version";
    EXPECT_EQ(versionRequests, 1);
}

TEST_F(StandinTest, MalformedDatagramsAreLoggedAndTheReadersGoOn)
{
    test::ToolProcess standin(
        OXL_STANDIN_DIR, "traffic_standin",
        standinArgs({"--reply", "malformed", "--bad", "--aircraft", "1", "--interval", "0.2"}));
    link.gf_waitForRealTraffic();
    ASSERT_TRUE(link.connected());
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 0);
    EXPECT_TRUE(until([&] { return stack.size() >= 2; }));
    link.closeLink();
    standin.stop();
    EXPECT_TRUE(log.contains("===> RealTraffic version reply is not JSON: {\"version\":10.0.5,level"));
    EXPECT_TRUE(log.contains("exception in processLineSub: gs:abc (hexid 4000999, callsign BAD999)"));
    EXPECT_TRUE(log.contains(
        "exception in processLineSub: invalid lalo: 0.000010,-0.000050 (hexid 4000998, callsign X)"));
    EXPECT_TRUE(log.contains("buffer overrun: 20000 bytes"));
    EXPECT_TRUE(log.contains("===> QNH datagram is not a JSON object: not json"));
    EXPECT_NE(traffic.boundPort(), 0);
    EXPECT_NE(qnh.boundPort(), 0);
}

TEST_F(StandinTest, ReplaysACapturedSession)
{
    // Six datagrams of a captured session, one second apart, replayed ten times faster without a link.
    const std::string capture =
        "(1553203752.4, ':', 'AITFC,10918260,19.5024,-99.1132,23025,-3264,1,325,333,TPU960,A319,"
        "N524TA,LIM,MEX')\n"
        "(1553203753.4, ':', 'AITFC,853750,20.6095,-97.6171,38000,0,1,273,382,SLI2655,E190,"
        "XA-ACN,PUJ,MEX')\n"
        "(1553203754.4, ':', 'AITFC,15205156,19.4458,-99.0691,0,0,1,86,0,,A319,CC-AMP,MEX,')\n"
        "(1553203755.4, ':', 'AITFC,10918260,19.5100,-99.1200,22800,-3264,1,325,333,TPU960,"
        "A319,N524TA,LIM,MEX')\n"
        "(1553203756.4, ':', 'AITFC,854518,19.4379,-99.0659,0,0,1,140,22,SLI444,E190,XA-ALQ,"
        "CUN,MEX')\n"
        "(1553203757.4, ':', 'AITFC,9999,19.4379,-99.0659,0,0,1,140,22,SLI445,E190,XA-ALR,"
        "CUN,MEX')\n";
    const auto replay = folder / "session.txt";
    test::writeBytes(replay, capture);
    filter.setRangeReference(19.4363, -99.0721);
    filter.setParkAirport(true, 19.4363, -99.0721);
    filter.setReferenceElevation(7316.0);
    radius.store(100.0);
    test::ToolProcess standin(OXL_STANDIN_DIR, "traffic_standin",
                              standinArgs({"--no-tcp", "--replay", replay.string(), "--speed", "10"}));
    ASSERT_TRUE(until([&] { return traffic.datagramCount.load() >= 6; }));
    trafficThread.stopAndJoin();
    standin.stop();
    std::vector<std::uint32_t> hexids;
    stack.takeUpTo(10,
                   [&](TrafficLine& line)
                   {
                       hexids.push_back(line.hexid);
                       EXPECT_GT(line.timestamp, 1.7e9);
                   });
    // The far E190 is outside 100 nm, the third has no callsign but a registration, the last is static.
    EXPECT_EQ(hexids, (std::vector<std::uint32_t>{10918260, 15205156, 10918260, 854518}));
}

} // namespace
} // namespace oxl

namespace oxl
{
namespace
{

TEST_F(StandinTest, ReplaysTrafficLinesFromTheFirstConnectionStampedWhenSent)
{
    // Three reports of one aircraft half a second apart, replayed ten times faster once the link is up.
    std::string lines;
    for (const char* time : {"100.0", "100.5", "101.0"})
        lines +=
            fmt::format("RTTFC,4000777,51.5200,-0.2600,3500,-640,1,270,180,TST777,A320,G-TSTA,EGPH,EGLL,{}"
                        ",,,,,,-1,,,0,,,,,\n",
                        time);
    const auto replay = folder / "lines.txt";
    test::writeBytes(replay, lines);
    test::ToolProcess standin(OXL_STANDIN_DIR, "traffic_standin",
                              standinArgs({"--replay", replay.string(), "--speed", "10"}));
    link.gf_waitForRealTraffic();
    ASSERT_TRUE(link.connected());
    ASSERT_TRUE(until([&] { return stack.size() >= 3; }));
    // What the demo waits for to say that its show is over.
    EXPECT_TRUE(until([&] { return std::ranges::count(recorded(), "# replay ended") == 1; }));
    link.closeLink();
    standin.stop();
    double connectedAt = 0.0;
    for (const auto& line : test::splitLines(test::readBytes(record)))
        if (line.ends_with(" # connected"))
            connectedAt = std::stod(line);
    ASSERT_GT(connectedAt, 1.7e9);
    std::vector<double> times;
    stack.takeUpTo(10, [&](TrafficLine& line) { times.push_back(line.timestamp); });
    ASSERT_EQ(times.size(), 3u);
    // Stamped at sending (milliseconds in the stand-in's own record), in order, after the connection.
    EXPECT_GE(times[0], connectedAt - 0.001);
    EXPECT_LE(times[0], times[1]);
    EXPECT_LE(times[1], times[2]);
}

// A bad option ends either stand-in with a message naming it and exit status 2, never an abort or a
// value that quietly wraps; --help lists every option and ends with 0.
TEST(StandinOptions, BadOptionsEndWithAMessageAndStatusTwo)
{
    struct Row
    {
        const char* tool;
        const char* arguments;
        int status;
        const char* said;
    };
    const Row rows[] = {
        {"traffic_standin", "--port abc", 2, "--port"},   {"traffic_standin", "--port 70000", 2, "--port"},
        {"traffic_standin", "--user 47.4", 2, "--user"},  {"traffic_standin", "--help", 0, "--drop-after"},
        {"sim_standin", "--port abc", 2, "--port"},       {"sim_standin", "--port 70000", 2, "--port"},
        {"sim_standin", "--help", 0, "--journal-memory"},
    };
    test::TempFolder folder;
    const std::filesystem::path said = folder / "said.txt";
    for (const Row& row : rows)
    {
        SCOPED_TRACE(fmt::format("{} {}", row.tool, row.arguments));
        const int status = std::system(fmt::format("'{}/{}' {} >'{}' 2>&1 </dev/null", OXL_STANDIN_DIR,
                                                   row.tool, row.arguments, said.string())
                                           .c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), row.status);
        EXPECT_NE(test::readBytes(said).find(row.said), std::string::npos) << test::readBytes(said);
    }
}

} // namespace
} // namespace oxl
