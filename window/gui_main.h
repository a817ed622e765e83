// The window's life: the window class, the main window at its stored position, the message loop,
// and the messages between the window and the cycle worker: WM_APP+1 starts a cycle worker,
// WM_APP+2 saves the window's position and ends the program.
#pragma once

#include <stop_token>

#include "platform/win.h"

namespace oxl
{

inline constexpr unsigned kStartCycleMessage = win::WM_APP + 1; ///< start a cycle worker
inline constexpr unsigned kQuitMessage = win::WM_APP + 2;       ///< save the position and quit

/// What the window needs of the layers above it; the program installs its port, tests their own.
class GuiPort
{
  public:
    GuiPort() = default;
    virtual ~GuiPort() = default;
    GuiPort(const GuiPort&) = delete;
    GuiPort& operator=(const GuiPort&) = delete;

    /// True when the window starts a cycle worker (cycleWorker) for each start message.
    [[nodiscard]] virtual bool runsCycles() const = 0;
    /// The body of a cycle worker thread.
    virtual void cycleWorker(std::stop_token stop) = 0;
    /// The close button's request to end the cycle: the window-closed flag, the stop flag and the
    /// exit reason USER CLOSED SIM.
    virtual void requestClose() = 0;
};

/// The window on its own (tests, and before the program installs its port): no cycle runs, and the
/// close button sets the window-closed and the stop flag only.
class NoGuiPort : public GuiPort
{
  public:
    [[nodiscard]] bool runsCycles() const override { return false; }
    void cycleWorker(std::stop_token /*stop*/) override {}
    void requestClose() override;
};

/// Any thread: posts kStartCycleMessage or kQuitMessage to the main window; false without one.
bool gf_postToMainWindow(unsigned msg);

/// Installs the window's port (before gf_guiMain; not owned, it must outlive the window); null restores
/// the window on its own.
void gf_installGuiPort(GuiPort* port);
/// The installed port.
[[nodiscard]] GuiPort& gf_guiPort();

/// The application body after the single-instance check and the log: window class, window, data
/// folder, first cycle worker and message loop; returns the loop's exit code, 1 on a failed start.
int gf_guiMain();
/// Everything of gf_guiMain before the message loop; false (logged) when the start failed.
bool gf_openMainWindow();
/// Asks the current cycle worker to stop and waits for it (the end of gf_guiMain; tests).
void gf_joinCycleWorker();
/// Reads the window position from parameters.xml and creates and shows the window there, moved onto the
/// screen's work area where it would be off it (the stored position stays).
bool initInstance();
/// The main window's procedure.
win::LResult gf_WndProc(win::Hwnd hwnd, unsigned msg, win::WParam wParam, win::LParam lParam);
/// A stored coordinate that sits on a bound of its range is replaced by the fallback and saved.
void gf_clampWindowPos(int fallbackX, int fallbackY);
/// The window of the last message the window procedure received.
win::Hwnd gf_wndProcHwnd();
/// True while a cycle worker thread runs.
bool gf_cycleWorkerAlive();
/// Back to the state before the first window (tests): close request and worker forgotten.
void gf_resetGuiState();

} // namespace oxl
