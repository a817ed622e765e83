// The program's own readers and link on their fixed ports (49004, 49005, PORT_NUMBER 10747), driven by
// the traffic-source stand-in with its default ports.
#include "foundation/config_keys.h"
#include "foundation/run_state.h"
#include "platform/net_udp.h"
#include "tests/support/log_capture.h"
#include "tests/support/standin_process.h"
#include "traffic/source/source_link.h"
#include "traffic/source/source_state.h"
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
    gSource.gTrafficReader.setStopListener(recorder);
    trafficReaderThread(kTrafficPort, true);
    gSource.gTrafficReader.clearStopListener();
    EXPECT_EQ(recorder.stopped,
              "The Traffic Reader has stopped with error: bind to stream socket failed, error: 10048 "
              "Address already in use");
}

TEST(FixedPorts, ProgramReadersAndLinkWithTheStandin)
{
    test::LogCapture log;
    gRangeNm.store(40.0);
    gSource.gTrafficFilter.setRangeReference(51.5, -0.25);
    gSource.gAddingStack.clear();
    gSource.gAddingStack.setAccept(true);
    gSource.gSourceLink.sourceOnThisPc.store(1);
    gSource.gSourceLink.listenForRealTraffic();
    ReaderThread qnhThread;
    ReaderThread trafficThread;
    qnhThread.start(gSource.gQnhReader, kQnhPort, true);
    trafficThread.start(gSource.gTrafficReader, kTrafficPort, true);
    ASSERT_TRUE(eventually(
        []
        {
            return gSource.gQnhReader.boundPort() == kQnhPort &&
                   gSource.gTrafficReader.boundPort() == kTrafficPort;
        }));

    test::ToolProcess standin(OXL_STANDIN_DIR, "traffic_standin",
                              {"--aircraft", "2", "--interval", "0.3", "--qnh", "1008"});
    gSource.gSourceLink.gf_waitForRealTraffic();
    ASSERT_TRUE(gSource.gSourceLink.connected());
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 1);
    const UserAcData user{.lat = 51.5, .lon = -0.25, .alt = 1000.0};
    EXPECT_TRUE(eventually(
        [&]
        {
            gSource.gSourceLink.gf_sendUserState(user);
            return gSource.gAddingStack.size() >= 4 && gSource.gEngineQnh.load() == 1008;
        }));
    gSource.gSourceLink.closeLink();
    standin.stop();
    trafficThread.stopAndJoin();
    qnhThread.stopAndJoin();
    gSource.gAddingStack.setAccept(false);
    gSource.gAddingStack.clear();
    gFoundation.gProfessionalLevel.store(0);
    EXPECT_GT(gFoundation.gTrafficTime.load(), 1.7e9);
    EXPECT_TRUE(log.contains("RealTraffic connected"));
    EXPECT_TRUE(log.contains("          QNH Reader connected"));
    EXPECT_TRUE(log.contains("          Traffic Reader disconnected"));
}

} // namespace
} // namespace oxl
