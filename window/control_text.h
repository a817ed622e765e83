// Writing a setting's current value into the main-window control bound to it.
#pragma once

#include "foundation/parameters.h"
#include "platform/win.h"

namespace oxl
{

/// The band of the client area that holds the controls and their labels; repainted after a write.
inline constexpr win::Rect kControlBand{0, 112, 880, 392};

/// Writes the whole-number setting as decimal text into its control (a combo box selects the equal
/// choice); logs "GetDlgItem failed for ID {}" when the window has no such control.
void gf_setIntBoxText(const IntParameter& setting, const ControlBinding& control);
/// The same for a combo box setting.
void gf_setIntBoxText(const ComboParameter& setting);
/// The same for a number edit box setting.
void gf_setIntBoxText(const EditParameter<IntParameter>& setting);
/// Writes the number setting into its edit box: no decimals when whole, else one.
void gf_setFloatBoxText(const EditParameter<FloatParameter>& setting);
/// Writes the text setting into its edit box; logs "GetDlgItem failed for ID {}" without one.
void gf_setStringBoxText(const StringEditParameter& setting);
/// gf_setStringBoxText that lets no exception out.
void gf_setStringBoxTextNoThrow(const StringEditParameter& setting) noexcept;

} // namespace oxl
