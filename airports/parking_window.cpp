// The parking code's values in the main window.
#include "airports/parking_window.h"

#include "foundation/status_service.h"

#include <algorithm>

namespace oxl
{

void gf_showParkingState(ParkingState& state)
{
    // The window reads its own copies from the GUI thread; the parking state itself belongs to the
    // cycle worker, which is the thread that calls this.
    StatusService& status = gf_status();
    status.setText(StatusText::parkAirportDisplay,
                   state.parkAirport.code.empty() ? std::string() : gf_airportDisplayName(state.parkAirport));
    status.setText(StatusText::reservedStand, state.reservedStand);
    status.setCount(StatusCount::maxPark, state.maxPark);
    status.setCount(StatusCount::maxParkPercent,
                    static_cast<std::uint32_t>(std::max(state.wantedPercentage, 0)));
    status.setFlag(StatusFlag::softUsed, state.softUsed);
    status.setAverageStays(state.averageStaticStay, state.averageLiveStay);
    status.setCount(StatusCount::learnedUpdates, state.learnedUpdates);
    state.learnedUpdatesShown = state.learnedUpdates;
    status.repaint(WindowBand::statistics);
}

} // namespace oxl
