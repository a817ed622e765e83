// Connects the start-up load of the settings to the main window's controls.
#pragma once

namespace oxl
{

/// Installs the main window's side of the start-up load: check marks, box texts and the range.
void gf_connectSettingsView();

} // namespace oxl
