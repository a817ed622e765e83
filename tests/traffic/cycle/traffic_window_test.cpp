// The traffic link's values as the main window paints them, and its messages in the message line.
#include "traffic/cycle/traffic_window.h"

#include "platform/win_headless.h"
#include "tests/support/log_capture.h"
#include "window/gui_main.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

class TrafficWindowTest : public ::testing::Test
{
  protected:
    TrafficWindowTest()
    {
        win::useHeadless();
        gMainWindow.resetForCycle();
        gTrafficDisplay.resetForCycle();
        gf_connectTrafficDisplayToWindow();
    }
    ~TrafficWindowTest() override
    {
        static NoTrafficWindow noWindow; // outlives every test
        gTrafficDisplay.install(noWindow);
        gTrafficDisplay.resetForCycle();
    }
    test::LogCapture log;
};

TEST_F(TrafficWindowTest, WindowSeesTheLinksValues)
{
    gTrafficDisplay.sourceConnected.store(1);
    gTrafficDisplay.setSourceStatus("RT2 edition: Professional");
    gTrafficDisplay.trafficState.store(ReaderState::receiving);
    gTrafficDisplay.qnhState.store(ReaderState::quiet);
    gTrafficDisplay.qnh.store(998);
    const TrafficStatus shown = gf_trafficStatusOf(gTrafficDisplay);
    EXPECT_TRUE(shown.sourceConnected);
    EXPECT_EQ(shown.editionText, "RT2 edition: Professional");
    EXPECT_EQ(shown.trafficState, ShownReaderState::receiving);
    EXPECT_EQ(shown.qnhState, ShownReaderState::quiet);
    EXPECT_EQ(shown.qnh, 998);
}

TEST_F(TrafficWindowTest, LinkMessagesReachTheMessageLineAndTheLog)
{
    gTrafficDisplay.showMessage("Waiting for RealTraffic");
    EXPECT_EQ(gf_shownMessage(), "Waiting for RealTraffic");
    EXPECT_TRUE(log.contains("Waiting for RealTraffic"));
    gTrafficDisplay.clearMessage();
    EXPECT_EQ(gf_shownMessage(), "");
}

} // namespace
} // namespace oxl
