// The program's own readers and link on their fixed ports (49004, 49005, PORT_NUMBER 10747), driven by
// the traffic-source stand-in with its default ports.
#include "foundation/config_keys.h"
#include "foundation/run_state.h"
#include "platform/net_udp.h"
#include "tests/support/log_capture.h"
#include "tests/support/standin_process.h"
#include "traffic/source/source_link.h"
#include "traffic/source/udp_readers.h"

#include <gtest/gtest.h>

#include <thread>

#include <fmt/format.h>

namespace oxl
{
namespace
{

using namespace std::chrono_literals;

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

TEST(FixedPorts, TrafficPortInUseIsAReaderError)
{
    test::LogCapture log;
    plat::net::Socket holder = plat::net::openUdp();
    ASSERT_TRUE(plat::net::bindUdp(holder, "127.0.0.1", kTrafficPort));
    struct StopRecorder : ReaderStopListener
    {
        void readerStopped(std::string_view name, std::string_view error) override
        {
            stopped = fmt::format("The {} has stopped with error: {}", name, error);
        }
        std::string stopped;
    } recorder;
    gTrafficReader.setStopListener(recorder);
    trafficReaderThread(kTrafficPort, true);
    gTrafficReader.clearStopListener();
    EXPECT_EQ(recorder.stopped,
              "The Traffic Reader has stopped with error: bind to stream socket failed, error: 10048 "
              "Address already in use");
}

TEST(FixedPorts, ProgramReadersAndLinkWithTheStandin)
{
    test::LogCapture log;
    gRangeNm.store(40.0);
    gTrafficFilter.setRangeReference(51.5, -0.25);
    gAddingStack.clear();
    gAddingStack.setAccept(true);
    gSourceLink.sourceOnThisPc.store(1);
    gSourceLink.listenForRealTraffic();
    ReaderThread qnhThread;
    ReaderThread trafficThread;
    qnhThread.start(gQnhReader, kQnhPort, true);
    trafficThread.start(gTrafficReader, kTrafficPort, true);
    ASSERT_TRUE(eventually(
        [] { return gQnhReader.boundPort() == kQnhPort && gTrafficReader.boundPort() == kTrafficPort; }));

    test::ToolProcess standin(OXL_BIN_DIR, "traffic_standin",
                              {"--aircraft", "2", "--interval", "0.3", "--qnh", "1008"});
    gSourceLink.gf_waitForRealTraffic();
    ASSERT_TRUE(gSourceLink.connected());
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 1);
    const SourceUserState user{0.0, 0.0, 0.0, 1000.0, 0.0, 51.5, -0.25};
    EXPECT_TRUE(eventually(
        [&]
        {
            gSourceLink.gf_sendUserState(user);
            return gAddingStack.size() >= 4 && gEngineQnh.load() == 1008;
        }));
    gSourceLink.closeLink();
    standin.stop();
    trafficThread.stopAndJoin();
    qnhThread.stopAndJoin();
    gAddingStack.setAccept(false);
    gAddingStack.clear();
    gFoundation.gProfessionalLevel.store(0);
    EXPECT_GT(gFoundation.gTrafficTime.load(), 1.7e9);
    EXPECT_TRUE(log.contains("RealTraffic connected"));
    EXPECT_TRUE(log.contains("          QNH Reader connected"));
    EXPECT_TRUE(log.contains("          Traffic Reader disconnected"));
}

} // namespace
} // namespace oxl
