// The window's key and focus rules: keys go only where the user put them. Only a click or Tab
// (Shift+Tab) moves the keyboard, a click on a check box leaves it with the window, Enter acts on the
// edit box that has it, Up and Down step the choice of the combo box that has it, and a key that no
// control takes is lost, never handed on to the next control.
#pragma once

#include "platform/win.h"

namespace oxl
{

/// What a key does at the control that has the keyboard.
win::KeyAction gf_keyAtControl(win::ControlKind kind, win::KeyStroke press);
/// What a key that no control took does; `chosen`: the keyboard is at a control the user chose.
win::KeyAction gf_keyLeftOver(bool chosen, win::KeyStroke press);
/// True when a click on a control of this kind gives it the keyboard; a check box takes no keys.
bool gf_clickTakesKeyboard(win::ControlKind kind);
/// The rules above, as the window system asks them.
const win::KeyRules& gf_windowKeyRules();

} // namespace oxl
