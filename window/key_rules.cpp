// The window's key and focus rules.
#include "window/key_rules.h"

namespace oxl
{

using win::Key;
using win::KeyAction;

win::KeyAction gf_keyAtControl(win::ControlKind kind, win::KeyStroke press)
{
    const bool plain = !press.shift && !press.command;
    switch (kind)
    {
    case win::ControlKind::Edit:
        // Typing is the box's own; Enter acts on it and never reaches the next control.
        return press.key == Key::enter ? KeyAction::enter : KeyAction::own;
    case win::ControlKind::Combo:
        // Up and Down choose as a choice in the list does; Return and the rest choose nothing.
        if (plain && press.key == Key::up)
            return KeyAction::chooseAbove;
        if (plain && press.key == Key::down)
            return KeyAction::chooseBelow;
        return plain && press.key == Key::space ? KeyAction::openList : KeyAction::passOn;
    case win::ControlKind::PushButton:
        return KeyAction::own; // Space presses a button the user clicked
    case win::ControlKind::CheckBox:
        break;
    }
    return KeyAction::passOn;
}

win::KeyAction gf_keyLeftOver(bool chosen, win::KeyStroke press)
{
    // The toolkit's own navigation would move the keyboard on Return and the arrows as well, round to the
    // install path, where a Return restarts the program.
    if (press.key != Key::tab || press.command || !chosen)
        return KeyAction::nothing;
    return press.shift ? KeyAction::previousControl : KeyAction::nextControl;
}

bool gf_clickTakesKeyboard(win::ControlKind kind)
{
    return kind != win::ControlKind::CheckBox;
}

const win::KeyRules& gf_windowKeyRules()
{
    static const win::KeyRules rules{gf_keyAtControl, gf_keyLeftOver, gf_clickTakesKeyboard};
    return rules;
}

} // namespace oxl
