// Connects the layers of the program: the window starts cycle workers and the cycle worker reaches the
// window, the data files and the traffic status through the services installed here.
#pragma once

namespace oxl
{

/// Installs every service the layers take from each other (before the main window opens).
void gf_installProgramHooks();

} // namespace oxl
