// The window object's cycle reset and the once-a-second recount of live and parked aircraft.
#include "tests/window/window_fixture.h"

namespace oxl::test
{
namespace
{

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, CycleResetEmptiesTheCycleValuesAndKeepsTheOthers)
{
    gMainWindow.setText(StatusText::userTitle, "Boeing 737-800");
    gMainWindow.setText(StatusText::parkAirportDisplay, "EDDF (FRA)");
    gMainWindow.setText(StatusText::tbloFolder, "airports\\TBLO");
    gMainWindow.liveAverageFit.store(3.5f);
    gMainWindow.liveCount.store(9);
    gMainWindow.guiSeconds.store(500);
    gMainWindow.simConnected.store(1);
    gMainWindow.userModelKnown.store(0);
    gMainWindow.noSourceLink.store(0);
    gMainWindow.liveryCount.store(5123);
    gMainWindow.minutesToRenewal.store(7);
    gf_showError("old error");

    gMainWindow.resetForCycle();
    EXPECT_EQ(gMainWindow.text(StatusText::userTitle), "");
    EXPECT_EQ(gMainWindow.text(StatusText::parkAirportDisplay), "");
    EXPECT_EQ(gMainWindow.text(StatusText::tbloFolder), "airports\\TBLO");
    EXPECT_EQ(gMainWindow.liveAverageFit.load(), -1.0f);
    EXPECT_EQ(gMainWindow.liveCount.load(), 0u);
    EXPECT_EQ(gMainWindow.guiSeconds.load(), 0u);
    EXPECT_EQ(gMainWindow.simConnected.load(), 0);
    EXPECT_EQ(gMainWindow.userModelKnown.load(), 1);
    EXPECT_EQ(gMainWindow.noSourceLink.load(), 1);
    EXPECT_EQ(gf_shownError(), "");
    EXPECT_EQ(gMainWindow.liveryCount.load(), 5123u);
    EXPECT_EQ(gMainWindow.minutesToRenewal.load(), 7u);
}

TEST_F(MainWindowTest, RecountStoresTheCountsAndRepaintsOnlyWhatChanged)
{
    open();
    AircraftCounts counts{4, 10, 2};
    gf_setAircraftCounter([&] { return counts; });
    gf_refreshCounts();
    EXPECT_EQ(gMainWindow.liveCount.load(), 4u);
    EXPECT_EQ(gMainWindow.parkedStaticCount.load(), 10u);
    EXPECT_EQ(gMainWindow.parkedLiveCount.load(), 2u);
    screen.pumpUntilIdle();

    const int paints = screen.paintCount();
    gf_refreshCounts();
    screen.pumpUntilIdle();
    EXPECT_EQ(screen.paintCount(), paints);

    counts.parkedLive = 3;
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
