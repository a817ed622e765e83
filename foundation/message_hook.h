// The way the foundation reaches the main window's message line without depending on the window.
#pragma once

#include <functional>
#include <string>

namespace oxl
{

/// Shows a text on the message line; the flag asks for the text to be logged as well.
using ShowMessageHook = std::function<void(const std::string& text, bool log)>;

/// Installs the message-line function (the window installs its gf_showMessage); empty restores the default,
/// which only logs (with gf_logIfRunning) when asked to.
void gf_setShowMessageHook(ShowMessageHook hook);
/// Passes a text to the installed message-line function.
void gf_foundationShowMessage(const std::string& text, bool log);

} // namespace oxl
