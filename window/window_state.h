// The window folder's process-wide state: the main window's data, the port the program installs (the window's
// and the traffic side's), the window handles, the close and worker flags, and the cycle worker's thread.
#pragma once

#include "foundation/thread_owner.h"
#include "platform/win.h"
#include "window/main_window.h"

#include <atomic>
#include <thread>

namespace oxl
{

class GuiPort;
class TrafficViewPort;

/// The window folder's state, one instance (gWindow).
struct WindowState
{
    // The port the program installs before the window opens; null while the window is on its own.
    std::atomic<GuiPort*> gPort{nullptr};
    // The view of the traffic side the program installs before the window opens; null: one that knows
    // nothing. Read by the window thread, the main loop and the cycle worker.
    std::atomic<TrafficViewPort*> gTrafficView{nullptr};

    // Set by the window thread, read by any thread.
    std::atomic<win::Hwnd> gWndProcHwnd{win::kNoWindow};
    std::atomic<win::Hwnd> gMainHwnd{win::kNoWindow};
    // A close asked for while a restart countdown runs: the restarting worker's reset clears the run
    // flags, so the window keeps the request itself and honours it at the next WM_APP+1.
    std::atomic<bool> gCloseRequested{false};
    // Set by the window thread when it starts the cycle worker, cleared by the worker when it ends.
    std::atomic<bool> gWorkerAlive{false};

    // The main window's data, each member guarded as marked there; read and written by every thread.
    MainWindow gMainWindow;

    // The window thread's own, checked by guiOwner in debug builds; released by gf_resetGuiState. The
    // thread object comes last, so that at exit the worker is joined before the state it uses goes away.
    ThreadOwner guiOwner;
    // Where the window opened when its stored place was off the screen's work area; empty when it was on.
    win::Rect gMovedOnScreen;
    std::jthread gCycleWorker;
};

/// The window folder's state.
extern WindowState gWindow;

} // namespace oxl
