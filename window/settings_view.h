// Connects the start-up load of the settings to the main window's controls.
#pragma once

namespace oxl
{

/// Installs the main window's side of the start-up load and of the version update: check marks,
/// box texts, the range and the snapping of old radii and heights.
void gf_connectSettingsView();

} // namespace oxl
