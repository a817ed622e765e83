#include "traffic/source/udp_readers.h"

#include "platform/clock.h"
#include "platform/net_udp.h"
#include "tests/support/log_capture.h"
#include "tests/traffic/source/traffic_line_fixture.h"
#include "traffic/source/source_state.h"
#include "traffic/source/wsa_error_text.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace oxl
{
namespace
{

using namespace std::chrono_literals;
using test::LineBuilder;

// Waits for a condition that the reader thread makes true; the bound only keeps a broken test from
// hanging.
template <class Condition> bool eventually(Condition condition)
{
    for (int i = 0; i < 1000; ++i)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

class ReaderTest : public ::testing::Test
{
  protected:
    ReaderTest()
        : traffic(filter, callsigns, stack, tick, lastTimestamp, display), qnh(traffic, display),
          sender(plat::net::openUdp())
    {
        filter.setRangeReference(51.5, -0.25);
        radius.store(40.0);
        stack.setAccept(true);
        traffic.setStopListener(stopRecorder);
        test::stepSteadyClock();
    }
    ~ReaderTest() override { plat::setSteadySource({}); }

    // Starts a reader on a free port and waits until it is bound.
    std::uint16_t start(UdpReceiver& reader, ReaderThread& thread, bool sourceOnThisPc)
    {
        thread.start(reader, 0, sourceOnThisPc);
        EXPECT_TRUE(eventually([&] { return reader.boundPort() != 0; }));
        return reader.boundPort();
    }

    void send(std::uint16_t port, std::string_view bytes)
    {
        ASSERT_TRUE(plat::net::sendDatagram(sender, "127.0.0.1", port, bytes));
    }

    // Waits until the reader counted `count` datagrams, then stops it so that the last one is handled.
    void finish(UdpReceiver& reader, ReaderThread& thread, std::uint32_t count)
    {
        EXPECT_TRUE(eventually([&] { return reader.datagramCount.load() >= count; }));
        thread.stopAndJoin();
    }

    test::LogCapture log;
    std::atomic<double> radius{0.0};
    TrafficFilter filter{radius};
    CallsignCollector callsigns;
    AddingStack stack;
    std::atomic<std::int32_t> tick{0};
    std::atomic<double> lastTimestamp{0.0};
    TrafficDisplay display;
    TrafficReader traffic;
    QnhReader qnh;
    plat::net::Socket sender;
    // Keeps the name and error of a reader that stopped.
    struct StopRecorder : ReaderStopListener
    {
        void readerStopped(std::string_view name, std::string_view error) override
        {
            stoppedWith = std::string(name) + ": " + std::string(error);
        }
        std::string stoppedWith;
    } stopRecorder;
};

TEST_F(ReaderTest, TrafficReaderParsesDatagramsAndLogsBadOnes)
{
    // The clock stands still: a repeat of an error from the same aircraft and sender is held back.
    plat::setSteadySource([] { return std::chrono::steady_clock::time_point(); });
    ReaderThread thread;
    const std::uint16_t port = start(traffic, thread, true);
    EXPECT_EQ(display.trafficState.load(), ReaderState::receiving);
    EXPECT_EQ(display.qnhState.load(), ReaderState::receiving);
    send(port, LineBuilder().text());
    send(port, LineBuilder().with({{8, "abc"}}).text());
    send(port, LineBuilder().with({{8, "abc"}}).text());
    send(port, LineBuilder().with({{1, "x12"}}).text());
    send(port, LineBuilder().with({{1, "4000124"}}).text());
    finish(traffic, thread, 5);
    EXPECT_EQ(stack.size(), 2u);
    EXPECT_TRUE(log.contains("          Traffic Reader connected"));
    EXPECT_TRUE(log.contains("exception in processLineSub: gs:abc (hexid 4000123, callsign TST123)"));
    EXPECT_TRUE(
        log.contains("exception in processLineSub: gs: 1 more like it left out, of 4000123 from 127.0.0.1"));
    EXPECT_TRUE(log.contains("exception in processLineSub: hexid incorrectx12 (hexid x12, callsign TST123)"));
    EXPECT_TRUE(log.contains("Traffic Reader has stopped"));
    EXPECT_TRUE(log.contains("          Traffic Reader disconnected"));
    EXPECT_EQ(display.trafficState.load(), ReaderState::notRunning);
    EXPECT_TRUE(stopRecorder.stoppedWith.empty());
}

TEST_F(ReaderTest, DuplicatesAreSkippedOnlyFromAnotherPc)
{
    for (const bool onThisPc : {false, true})
    {
        SCOPED_TRACE(onThisPc ? "source on this PC" : "source on another PC");
        stack.clear();
        traffic.datagramCount.store(0);
        ReaderThread thread;
        const std::uint16_t port = start(traffic, thread, onThisPc);
        const std::string line = LineBuilder().text();
        send(port, line);
        send(port, line);
        finish(traffic, thread, 2);
        EXPECT_EQ(traffic.datagramCount.load(), 2u);
        EXPECT_EQ(stack.size(), onThisPc ? 2u : 1u);
    }
}

TEST_F(ReaderTest, OversizeDatagramsAreSkippedAndTheReaderGoesOn)
{
    ReaderThread thread;
    const std::uint16_t port = start(traffic, thread, true);
    send(port, std::string(20000, 'x'));
    send(port, std::string(16384, 'y'));
    send(port, LineBuilder().text());
    finish(traffic, thread, 1);
    EXPECT_TRUE(log.contains("buffer overrun: 20000 bytes"));
    EXPECT_TRUE(log.contains("buffer overrun: 16384 bytes"));
    EXPECT_EQ(stack.size(), 1u);
    EXPECT_TRUE(stopRecorder.stoppedWith.empty());
}

TEST_F(ReaderTest, PortInUseStopsTheReaderWithItsError)
{
    plat::net::Socket holder = plat::net::openUdp();
    ASSERT_TRUE(plat::net::bindUdp(holder, "127.0.0.1", 0));
    traffic.run(plat::net::localPort(holder), true);
    EXPECT_EQ(stopRecorder.stoppedWith,
              "Traffic Reader: bind to stream socket failed, error: 10048 Address already in use");
    EXPECT_TRUE(log.contains("          Traffic Reader disconnected"));
}

TEST_F(ReaderTest, QnhDatagramsOverTheSocket)
{
    ReaderThread thread;
    const std::uint16_t port = start(qnh, thread, true);
    send(port, R"({"QNH": 2992})");
    send(port, "not json");
    send(port, R"({"QNH": 1008})");
    finish(qnh, thread, 3);
    EXPECT_EQ(qnh.lastQnh.load(), 1008);
    EXPECT_EQ(traffic.qnh.load(), 1008);
    EXPECT_EQ(gSource.gEngineQnh.load(), 1008);
    EXPECT_EQ(display.qnh.load(), 1008);
    EXPECT_TRUE(log.contains("===> QNH datagram is not a JSON object: not json"));
    EXPECT_TRUE(log.contains("QNH Reader has stopped"));
}

struct QnhRow
{
    const char* datagram;
    std::int32_t published; // 0 = nothing published
    const char* logged;     // "" = nothing logged
};

TEST_F(ReaderTest, QnhValuesAndTheirLogLines)
{
    const QnhRow rows[] = {
        {R"({"QNH": 2992})", 1013, ""},
        {R"({"QNH": 1013.4})", 1013, ""},
        {R"({"QNH": 1012.5})", 1013, ""},
        {R"({"QNH": "1008"})", 1008, ""},
        {R"({"QNH": "1009hPa"})", 1009, ""},
        {R"({"QNH": "abc"})", 0, R"(===> QNH string parse error: abc in {"QNH": "abc"})"},
        {R"({"QNH": "99999999999"})", 0,
         R"(===> QNH string parse error: 99999999999 in {"QNH": "99999999999"})"},
        {R"({"QNH": 920})", 0, R"(Strange QNH 920 found in {"QNH": 920})"},
        {R"({"QNH": 12345678901})", 0, R"(Strange QNH 12345678901 found in {"QNH": 12345678901})"},
        {R"({"QNH": null})", 0, R"(no QNH {"QNH": null})"},
        {R"({"QNH": true})", 0, R"(no QNH {"QNH": true})"},
        {R"({"QNH": []})", 0, R"(no QNH {"QNH": []})"},
        {R"({"pressure": 1000})", 0, R"(no QNH {"pressure": 1000})"},
        {R"({"QNH": 1e300})", 0, R"(===> QNH 1e+300 does not fit in {"QNH": 1e300})"},
        {R"([1013])", 0, R"(===> QNH datagram is not a JSON object: [1013])"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.datagram);
        qnh.lastQnh.store(1000);
        display.qnh.store(0);
        const auto linesBefore = log.lines().size();
        qnh.handleDatagram(row.datagram);
        EXPECT_EQ(display.qnh.load(), row.published);
        const auto lines = log.lines();
        if (*row.logged == '\0')
            EXPECT_EQ(lines.size(), linesBefore);
        else
            EXPECT_EQ(lines.back(), row.logged);
    }
}

TEST_F(ReaderTest, SameQnhIsPublishedOnceExceptStandard)
{
    display.qnhState.store(ReaderState::quiet);
    struct CountingWindow : NoTrafficWindow
    {
        void repaint() override { ++repaints; }
        int repaints = 0;
    } window;
    const int& repaints = window.repaints;
    display.install(&window);
    qnh.handleDatagram(R"({"QNH": 1005})");
    EXPECT_EQ(display.qnhState.load(), ReaderState::receiving);
    qnh.handleDatagram(R"({"QNH": 1005})");
    EXPECT_EQ(repaints, 1);
    qnh.handleDatagram(R"({"QNH": 1013})");
    qnh.handleDatagram(R"({"QNH": 1013})");
    EXPECT_EQ(repaints, 3);
}

TEST_F(ReaderTest, WatchdogShowsQuietAndReceivingReaders)
{
    gf_updateReaderStatus(display, qnh, traffic);
    EXPECT_EQ(display.trafficState.load(), ReaderState::notRunning); // source not connected: nothing
    display.sourceConnected.store(1);
    gf_updateReaderStatus(display, qnh, traffic);
    EXPECT_EQ(display.trafficState.load(), ReaderState::quiet);
    EXPECT_EQ(display.qnhState.load(), ReaderState::quiet);
    EXPECT_EQ(traffic.reported.load(), 0);
    traffic.datagramCount.store(5);
    gf_updateReaderStatus(display, qnh, traffic);
    EXPECT_EQ(display.trafficState.load(), ReaderState::receiving);
    EXPECT_EQ(display.qnhState.load(), ReaderState::quiet);
    EXPECT_EQ(traffic.reported.load(), 1);
}

TEST(TrafficIntake, CycleResetClearsWhatTheCycleLeft)
{
    gSource.gTrafficReader.qnh.store(1001);
    gSource.gTrafficReader.stop.store(1);
    gSource.gQnhReader.lastQnh.store(1001);
    gSource.gQnhReader.datagramCount.store(7);
    gSource.gEngineQnh.store(1001);
    gSource.gTrafficFilter.setParkAirport(true, 1.0, 2.0);
    gSource.gTrafficFilter.setReferenceElevation(300.0);
    gSource.gCallsignCollector.start();
    gSource.gCallsignCollector.offer("BAW1");
    gSource.gAddingStack.setAccept(true);
    gSource.gAddingStack.push(TrafficLine{}, 0);
    gSource.gTrafficDisplay.sourceConnected.store(1);
    gSource.gTrafficDisplay.waitingForSource.store(0);

    gf_resetTrafficIntakeForCycle();

    EXPECT_EQ(gSource.gTrafficReader.qnh.load(), 1013);
    EXPECT_EQ(gSource.gTrafficReader.stop.load(), 0);
    EXPECT_EQ(gSource.gQnhReader.lastQnh.load(), 1013);
    EXPECT_EQ(gSource.gQnhReader.datagramCount.load(), 0u);
    EXPECT_EQ(gSource.gEngineQnh.load(), 1013);
    const FilterSnapshot filter = gSource.gTrafficFilter.snapshot();
    EXPECT_FALSE(filter.parkSet);
    EXPECT_FALSE(filter.refElevationFt.has_value());
    EXPECT_FALSE(gSource.gCallsignCollector.collecting());
    EXPECT_TRUE(gSource.gCallsignCollector.copy().empty());
    EXPECT_FALSE(gSource.gAddingStack.accepting());
    EXPECT_EQ(gSource.gAddingStack.size(), 0u);
    EXPECT_EQ(gSource.gTrafficDisplay.sourceConnected.load(), 0);
    EXPECT_EQ(gSource.gTrafficDisplay.waitingForSource.load(), 1);
}

TEST(WsaErrorText, CodesAndUnknownCodes)
{
    EXPECT_EQ(gf_wsaErrorText(10048), "10048 Address already in use");
    EXPECT_EQ(gf_wsaErrorText(10058), "10058 Can't send numLines socket shutdown");
    EXPECT_EQ(gf_wsaErrorText(11004), "11004 No host data of that type was found");
    EXPECT_EQ(gf_wsaErrorText(11002), "11002 Unknown errror code");
}

// Converts one captured datagram (old comma format, arrival time) into the traffic line read on 49005.
std::string captureToLine(const std::string& entry)
{
    const auto open = entry.find('(');
    const auto comma = entry.find(',', open);
    const std::string arrival = entry.substr(open + 1, comma - open - 1);
    const auto quote = entry.find("'AITFC");
    const std::string old = entry.substr(quote + 1, entry.rfind('\'') - quote - 1);
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t next; (next = old.find(',', start)) != std::string::npos; start = next + 1)
        fields.push_back(old.substr(start, next - start));
    fields.push_back(old.substr(start));
    fields.resize(29);
    fields[14] = arrival;
    fields[20] = "-1";
    fields[23] = "0";
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i ? "," : "") + fields[i];
    return line;
}

TEST_F(ReaderTest, CapturedTrafficAroundMexicoCity)
{
    std::ifstream capture(std::string(OXL_SHARED_DIR) + "/data/traffic/MMMX-capture.txt");
    if (!capture.is_open())
        GTEST_SKIP() << "no captured traffic beside the checkout";
    filter.setRangeReference(19.4363, -99.0721);
    radius.store(60.0);
    filter.setParkAirport(true, 19.4363, -99.0721);
    filter.setReferenceElevation(7316.0);
    ReaderThread thread;
    const std::uint16_t port = start(traffic, thread, true);
    std::uint32_t sent = 0;
    for (std::string entry; std::getline(capture, entry);)
    {
        send(port, captureToLine(entry));
        // Keep within the socket's receive buffer.
        if (++sent % 200 == 0)
        {
            EXPECT_TRUE(eventually([&] { return traffic.datagramCount.load() >= sent; }));
        }
    }
    finish(traffic, thread, sent);
    EXPECT_EQ(sent, 6517u);
    std::vector<TrafficLine> lines;
    stack.takeUpTo(sent, [&](TrafficLine& line) { lines.push_back(std::move(line)); });
    ASSERT_GT(lines.size(), 3000u);
    std::size_t ground = 0;
    for (const auto& line : lines)
    {
        EXPECT_GT(line.hexid, 10000u);
        EXPECT_FALSE(line.type.empty());
        EXPECT_FALSE(line.callsign.empty() && line.registration.empty());
        if (!line.report.airborne)
        {
            ++ground;
            EXPECT_EQ(line.report.alt, 0.0);
            EXPECT_EQ(line.report.tas, 180.0);
        }
    }
    EXPECT_GT(ground, 100u);
    EXPECT_GT(lastTimestamp.load(), 1553203752.0);
    for (const auto& logged : log.lines())
        EXPECT_EQ(logged.find("exception in processLineSub"), std::string::npos) << logged;
}

} // namespace
} // namespace oxl
