// What the main window shows of the static parking: the parking code's values are copied into the
// window's status fields on the cycle worker, each time the parking code asks for a repaint.
#pragma once

#include "airports/parking_state.h"

namespace oxl
{

/// Copies the park airport, its reserved stand, the parking maximum with its share of the stands, the
/// soft-search mark, the average stays and the learned-update count of the state into the main window
/// and repaints the statistics band.
void gf_showParkingState(ParkingState& state);

} // namespace oxl
