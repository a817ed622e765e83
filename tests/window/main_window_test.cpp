// The window object's cycle reset and the once-a-second recount of live and parked aircraft.
#include "tests/window/window_fixture.h"
#include "window/window_state.h"

namespace oxl::test
{
namespace
{

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, CycleResetEmptiesTheCycleValuesAndKeepsTheOthers)
{
    gWindow.gMainWindow.setText(StatusText::userTitle, "Boeing 737-800");
    gWindow.gMainWindow.setText(StatusText::parkAirportDisplay, "EDDF (FRA)");
    gWindow.gMainWindow.setText(StatusText::tbloFolder, "airports\\TBLO");
    gWindow.gMainWindow.liveAverageFit.store(3.5f);
    gWindow.gMainWindow.liveCount.store(9);
    gWindow.gMainWindow.guiSeconds.store(500);
    gWindow.gMainWindow.simConnected.store(1);
    gWindow.gMainWindow.userModelKnown.store(0);
    gWindow.gMainWindow.noSourceLink.store(0);
    gWindow.gMainWindow.liveryCount.store(5123);
    gWindow.gMainWindow.minutesToRenewal.store(7);
    gf_showError("old error");

    gWindow.gMainWindow.resetForCycle();
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::userTitle), "");
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::parkAirportDisplay), "");
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::tbloFolder), "airports\\TBLO");
    EXPECT_EQ(gWindow.gMainWindow.liveAverageFit.load(), -1.0f);
    EXPECT_EQ(gWindow.gMainWindow.liveCount.load(), 0u);
    EXPECT_EQ(gWindow.gMainWindow.guiSeconds.load(), 0u);
    EXPECT_EQ(gWindow.gMainWindow.simConnected.load(), 0);
    EXPECT_EQ(gWindow.gMainWindow.userModelKnown.load(), 1);
    EXPECT_EQ(gWindow.gMainWindow.noSourceLink.load(), 1);
    EXPECT_EQ(gf_shownError(), "");
    EXPECT_EQ(gWindow.gMainWindow.liveryCount.load(), 5123u);
    EXPECT_EQ(gWindow.gMainWindow.minutesToRenewal.load(), 7u);
}

TEST_F(MainWindowTest, RecountStoresTheCountsAndRepaintsOnlyWhatChanged)
{
    open();
    std::optional<AircraftCounts>& counts = useFixedTrafficView().counts;
    counts = AircraftCounts{4, 10, 2};
    gf_refreshCounts();
    EXPECT_EQ(gWindow.gMainWindow.liveCount.load(), 4u);
    EXPECT_EQ(gWindow.gMainWindow.parkedStaticCount.load(), 10u);
    EXPECT_EQ(gWindow.gMainWindow.parkedLiveCount.load(), 2u);
    screen.pumpUntilIdle();

    const int paints = screen.paintCount();
    gf_refreshCounts();
    screen.pumpUntilIdle();
    EXPECT_EQ(screen.paintCount(), paints);

    counts->parkedLive = 3;
    gf_refreshCounts();
    screen.pumpUntilIdle();
    EXPECT_EQ(screen.lastPaintRect(), kStatisticsBand);
}

TEST_F(MainWindowTest, PostingNeedsAWindow)
{
    EXPECT_FALSE(gf_postToMainWindow(kQuitMessage));
    open();
    EXPECT_TRUE(gf_postToMainWindow(kQuitMessage));
}

} // namespace
} // namespace oxl::test
