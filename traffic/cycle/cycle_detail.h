// Helpers shared by the stages of the cycle worker (start-up, connection, closing down); not for
// other folders.
#pragma once

#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/cycle_state.h"

#include <chrono>
#include <string>

namespace oxl::cycle
{

/// Pauses the worker on the installed clock.
void sleepFor(std::chrono::milliseconds pause);
/// Shows the text on the message line and logs it.
void showAndLog(const std::string& text);
/// Asks the main window to repaint, when there is one.
void repaintWindow();

/// The reader threads, joined at closing down.
ReaderThreads& readerThreads();

/// Asks the SimClient thread to stop (closing down joins it with gf_stopSimClientThread).
void requestSimClientStop();

} // namespace oxl::cycle
