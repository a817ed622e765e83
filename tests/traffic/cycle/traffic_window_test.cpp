// The traffic link's values as the main window paints them, and its messages in the message line.
#include "traffic/cycle/traffic_window.h"

#include "platform/win_headless.h"
#include "tests/support/log_capture.h"
#include "traffic/source/source_state.h"
#include "window/gui_main.h"
#include "window/window_state.h"

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
        gWindow.gMainWindow.resetForCycle();
        gSource.gTrafficDisplay.resetForCycle();
        gf_installTrafficDisplayPort(&gf_mainWindowTrafficDisplay());
    }
    ~TrafficWindowTest() override
    {
        gf_installTrafficDisplayPort(nullptr);
        gSource.gTrafficDisplay.resetForCycle();
    }
    test::LogCapture log;
};

TEST_F(TrafficWindowTest, WindowSeesTheLinksValues)
{
    gSource.gTrafficDisplay.sourceConnected.store(1);
    gSource.gTrafficDisplay.setSourceStatus("RT2 edition: Professional");
    gSource.gTrafficDisplay.trafficState.store(ReaderState::receiving);
    gSource.gTrafficDisplay.qnhState.store(ReaderState::quiet);
    gSource.gTrafficDisplay.qnh.store(998);
    const TrafficStatus shown = gf_trafficStatusOf(gSource.gTrafficDisplay);
    EXPECT_TRUE(shown.sourceConnected);
    EXPECT_EQ(shown.editionText, "RT2 edition: Professional");
    EXPECT_EQ(shown.trafficState, ShownReaderState::receiving);
    EXPECT_EQ(shown.qnhState, ShownReaderState::quiet);
    EXPECT_EQ(shown.qnh, 998);
}

TEST_F(TrafficWindowTest, LinkMessagesReachTheMessageLineAndTheLog)
{
    gSource.gTrafficDisplay.showMessage("Waiting for RealTraffic");
    EXPECT_EQ(gf_shownMessage(), "Waiting for RealTraffic");
    EXPECT_TRUE(log.contains("Waiting for RealTraffic"));
    gSource.gTrafficDisplay.clearMessage();
    EXPECT_EQ(gf_shownMessage(), "");
}

} // namespace
} // namespace oxl
