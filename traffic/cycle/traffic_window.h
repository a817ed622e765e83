// The traffic link's status in the main window: the window reads the link's values when it paints
// (through the program's view of the traffic side), and the link's repaint and message-line calls
// reach the window.
#pragma once

#include "traffic/source/traffic_display.h"
#include "window/main_window.h"

namespace oxl
{

/// The window's view of the traffic link's status values.
TrafficStatus gf_trafficStatusOf(const TrafficDisplay& display);

/// The main window as the traffic link's repaints and messages reach it (the program installs it into
/// gSource.gTrafficDisplay).
TrafficDisplayPort& gf_mainWindowTrafficDisplay();

} // namespace oxl
