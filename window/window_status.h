// The main window's side of the status service: the message line, the status fields and the controls
// that the other subsystems reach through foundation/status_service.h.
#pragma once

#include "foundation/status_service.h"

namespace oxl
{

/// The status service of the main window (gWindow.gMainWindow and its controls); the program installs it.
[[nodiscard]] StatusService& gf_windowStatusService();

} // namespace oxl
