// Reading and writing the texts, check marks and selections of the main window's controls. Any thread
// may write them: the window layer keeps the controls' state under its own lock.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/parameters.h"
#include "platform/win.h"

namespace oxl
{

/// The band of the client area that holds the controls and their labels; repainted after a write.
inline constexpr win::Rect kControlBand{0, 112, 880, 392};

/// Writes the whole-number setting as decimal text into its control (a combo box selects the choice
/// with that text and otherwise keeps its selection); logs "GetDlgItem failed for ID {}" when the
/// window has no such control.
void gf_setIntBoxText(const IntParameter& setting, const ControlBinding& control);
/// The same for a combo box setting: its box selects the item of the current value.
void gf_setIntBoxText(const ComboParameter& setting);
/// The same for a number edit box setting.
void gf_setIntBoxText(const EditParameter<IntParameter>& setting);
/// Writes the number setting into its edit box: no decimals when whole, else one.
void gf_setFloatBoxText(const EditParameter<FloatParameter>& setting);
/// Writes the text setting into its edit box; logs "GetDlgItem failed for ID {}" without one.
void gf_setStringBoxText(const StringEditParameter& setting);
/// gf_setStringBoxText that lets no exception out.
void gf_setStringBoxTextNoThrow(const StringEditParameter& setting) noexcept;
/// Shows the setting's value as its box's check mark (a setting changed by the program, not the user).
void gf_showCheckMark(const CheckBoxParameter& box);

/// The text of a control (an edit box's text, a combo box's selected item) as UTF-8, at most 1023
/// UTF-16 units; empty (and "GetDlgItem failed for ID {}" logged) when there is no such control.
std::string gf_getTextFromId(std::uint32_t controlId);
/// Empties a control's text.
void gf_clearControlText(std::uint32_t controlId);

} // namespace oxl
