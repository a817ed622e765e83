// The child controls of the main window: where each one sits and how it starts.
#pragma once

#include <vector>

#include "foundation/control_binding.h"
#include "platform/win.h"

namespace oxl
{

/// One control of the main window: its kind, binding (id and row), left edge and width.
struct ControlPlace
{
    win::ControlKind kind = win::ControlKind::CheckBox;
    ControlBinding* binding = nullptr; ///< the setting or button it shows
    int x = 0;                         ///< [px] left edge
    int width = 0;                     ///< [px]; a check box is always 12 x 12
    int listHeight = 0;                ///< [px] a combo box's open list
};

/// Every control of the main window, row by row.
const std::vector<ControlPlace>& gf_controlPlaces();

/// Enables (or disables) the control of a setting or button; any thread.
void gf_enableControl(const ControlBinding& control, bool enable = true);

/// WM_CREATE: makes every control (check boxes checked from their value and enabled; buttons and
/// edit boxes disabled; combo boxes enabled and empty) and fills in the bindings' window.
void gf_createControls();

} // namespace oxl
