// Helpers shared by the stages of the cycle worker (start-up, connection, closing down); not for
// other folders.
#pragma once

#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/cycle_state.h"

#include "foundation/disk_refusal.h"
#include "foundation/foundation_state.h"

#include <chrono>
#include <functional>
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

/// [s] between two tries of a start-up step that the full disk stopped.
inline constexpr std::chrono::seconds kDiskFullRetry{10};

/// Runs a start-up step. While it fails because the disk is full, the window and the log say which
/// file and why, and the step runs again every kDiskFullRetry; when it goes on, the log says why it
/// waited. A program folder that takes no writes is said plainly (UserErrorException). False when a stop
/// came during the wait.
bool whenTheDiskLets(const std::function<void()>& step);
/// What the user reads when a file or folder of the program folder cannot be written.
std::string unwritableText(const DiskRefusal& refusal);

/// Asks the SimClient thread to stop (closing down joins it with gf_stopSimClientThread).
void requestSimClientStop();

} // namespace oxl::cycle
