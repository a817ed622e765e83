// The parking code's values in the main window.
#include "airports/parking_window.h"

#include "window/main_window.h"

#include <algorithm>

namespace oxl
{

void gf_showParkingState(ParkingState& state)
{
    // The window reads its own copies from the GUI thread; the parking state itself belongs to the
    // cycle worker, which is the thread that calls this.
    gMainWindow.setText(StatusText::parkAirportDisplay, state.parkAirport.code.empty()
                                                            ? std::string()
                                                            : gf_airportDisplayName(state.parkAirport));
    gMainWindow.setText(StatusText::reservedStand, state.reservedStand);
    gMainWindow.maxPark.store(state.maxPark);
    gMainWindow.maxParkPercent.store(static_cast<std::uint32_t>(std::max(state.wantedPercentage, 0)));
    gMainWindow.softUsed.store(state.softUsed ? 1 : 0);
    gMainWindow.liveAverageFit.store(state.averageLiveStay);
    gMainWindow.staticAverageFit.store(state.averageStaticStay);
    gMainWindow.updateCount.store(state.learnedUpdates);
    state.learnedUpdatesShown = state.learnedUpdates;
    gf_invalidateBand(kStatisticsBand);
}

void gf_connectParkingToWindow()
{
    gParking.hooks.repaint = [] { gf_showParkingState(gParking); };
}

} // namespace oxl
