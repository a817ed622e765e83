// The parking code's values copied into the main window when it asks for a repaint.
#include "airports/parking_window.h"

#include "window/window_state.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

TEST(ParkingWindowTest, RepaintCopiesTheParkingValuesIntoTheWindow)
{
    gWindow.gMainWindow.resetForCycle();
    ParkingState state;
    state.parkAirport.code = "EDDF";
    state.parkAirport.iata = "FRA";
    state.reservedStand = "V155";
    state.maxPark = 120;
    state.averageLiveStay = 2.5f;
    state.averageStaticStay = 4.0f;
    state.learnedUpdates = 7;
    state.wantedPercentage = 28;
    state.softUsed = true;
    gf_showParkingState(state);
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::parkAirportDisplay),
              gf_airportDisplayName(state.parkAirport));
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::reservedStand), "V155");
    EXPECT_EQ(gWindow.gMainWindow.maxPark.load(), 120u);
    EXPECT_EQ(gWindow.gMainWindow.liveAverageFit.load(), 2.5f);
    EXPECT_EQ(gWindow.gMainWindow.staticAverageFit.load(), 4.0f);
    EXPECT_EQ(gWindow.gMainWindow.updateCount.load(), 7u);
    EXPECT_EQ(state.learnedUpdatesShown, 7u);
    EXPECT_EQ(gWindow.gMainWindow.maxParkPercent.load(), 28u);
    EXPECT_EQ(gWindow.gMainWindow.softUsed.load(), 1);

    state.parkAirport = {};
    gf_showParkingState(state);
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::parkAirportDisplay), "");
}

} // namespace
} // namespace oxl
