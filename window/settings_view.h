// The main window's side of the start-up load of the settings.
#pragma once

#include "foundation/settings_file.h"

namespace oxl
{

/// The main window's side of the start-up load: check marks, box texts and the range.
SettingsView& gf_windowSettingsView();

} // namespace oxl
