// The static-parking controls of the main window, switched off while static parking is computed or
// placed so that its settings cannot change under it.
#pragma once

#include "window/control_text.h" // gf_showCheckMark

namespace oxl
{

/// Sets the parking-busy flag, disables the ten static-parking controls and clears the message line.
void gf_disableParkingControls();

/// Clears the parking-busy flag, restarts the renewal countdown at 19 minutes, enables the ten
/// static-parking controls again and clears the message line.
void gf_enableParkingControls();

} // namespace oxl
