#pragma once
// The model behind the window services: window and control state, the message queue and the
// invalid part of the client area, all under one mutex. It is the truth that every thread reads
// and changes; a backend mirrors it on its GUI thread (FLTK) or only records paints (headless).

#include "platform/win.h"

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace oxl::win
{

/// One queued message.
struct Message
{
    Hwnd hwnd = kNoWindow;
    unsigned msg = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

/// The state of one child control.
struct Control
{
    ControlSpec spec;
    bool enabled = true;
    bool checked = false;
    std::string text;               ///< edit text or button caption
    std::vector<std::string> items; ///< combo list
    int selection = CB_ERR;         ///< combo selection
    WndProc proc = nullptr;         ///< sub-classed procedure of an edit box; none = default handling
    unsigned dirty = 0;             ///< kDirty* bits not yet mirrored into the backend's widget
};

inline constexpr unsigned kDirtyState = 1;  ///< enabled or checked changed
inline constexpr unsigned kDirtyText = 2;   ///< text or caption changed
inline constexpr unsigned kDirtyItems = 4;  ///< combo list changed
inline constexpr unsigned kDirtySelect = 8; ///< combo selection changed

/// The window model and message queue; a backend derives from it.
class WindowSystem
{
  public:
    virtual ~WindowSystem();
    /// "fltk" or "headless".
    virtual std::string_view name() const = 0;

    bool registerClass(std::string_view className, WndProc proc);
    Hwnd createWindow(std::string_view className, std::string_view title, int x, int y, int width,
                      int height);
    bool showWindow(Hwnd hwnd);
    bool updateWindow(Hwnd hwnd);
    int runMessageLoop();
    int pumpMessages();
    bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam);
    void postQuitMessage(int exitCode);
    void invalidateRect(Hwnd hwnd, const Rect& rect);
    Rect getWindowRect(Hwnd hwnd) const;
    /// The work area of the screen that holds (x, y), else of the first screen.
    virtual Rect workArea(int x, int y) const = 0;
    bool setTopmost(Hwnd hwnd, bool topmost);
    void setControlBackground(ColorRef colour);

    Hwnd createControl(const ControlSpec& spec);
    bool isWindow(Hwnd hwnd) const;
    void enableWindow(Hwnd hwnd, bool enable);
    bool isWindowEnabled(Hwnd hwnd) const;
    bool isChecked(Hwnd hwnd) const;
    bool setButtonCheck(Hwnd hwnd, bool checked);
    std::string getWindowText(Hwnd hwnd) const;
    bool setWindowText(Hwnd hwnd, std::string_view utf8);
    void comboResetContent(Hwnd hwnd);
    int comboAddString(Hwnd hwnd, std::string_view utf8);
    int comboSetCurSel(Hwnd hwnd, int index);
    int comboGetCurSel(Hwnd hwnd) const;
    std::optional<std::string> comboGetLbText(Hwnd hwnd, int index) const;
    WndProc setWindowProc(Hwnd hwnd, WndProc proc);

    /// The client area's size of the window created with this outer size.
    static Rect clientRectFor(int width, int height);

  protected:
    WindowSystem() = default;

    /// Any thread, no lock held: the model changed or a message is waiting; rouse the GUI thread.
    virtual void wake() = 0;
    /// GUI thread, no lock held: make the real window for the model's title, position and size.
    virtual void nativeCreateWindow() = 0;
    /// GUI thread, no lock held: make the real widget of a control just added to the model.
    virtual void nativeCreateControl(unsigned id) = 0;
    /// GUI thread: show the real window.
    virtual void nativeShowWindow() = 0;
    /// GUI thread: paint what is invalid now.
    virtual void nativePaintNow() = 0;
    /// GUI thread: the loop until quit (signals are already routed).
    virtual void nativeLoop() = 0;
    /// GUI thread: handle what is waiting without blocking; returns the messages dispatched.
    virtual int nativePump() = 0;

    /// GUI thread: takes and dispatches one queued message; false when the queue is empty.
    bool dispatchOne();
    /// GUI thread: turns a SIGTERM/SIGINT seen since the last call into WM_CLOSE.
    void routeSignal();
    /// Any thread: true while a SIGTERM/SIGINT waits to be routed.
    static bool signalWaiting();
    /// GUI thread: sends WM_PAINT with this canvas to the window procedure.
    void sendPaint(Canvas& canvas);
    /// Takes the invalid part of the client area (empty when nothing is invalid).
    Rect takeInvalid();
    /// True when the message loop should end.
    bool quitRequested() const { return quit_.load(); }

    mutable std::mutex mutex_;
    std::deque<Message> queue_;
    std::map<std::string, WndProc, std::less<>> classes_;
    std::map<unsigned, Control> controls_;
    WndProc mainProc_ = nullptr;
    bool created_ = false;
    bool shown_ = false;
    bool topmost_ = false;
    bool iconified_ = false;
    bool topmostDirty_ = false;
    std::string title_;
    Rect outer_;   ///< the window's outer rectangle on the screen
    Rect client_;  ///< (0, 0, width, height) of the client area
    Rect invalid_; ///< union of the invalidated rectangles, empty when none
    ColorRef controlBackground_ = 0xFFFFFF;
    std::atomic<bool> quit_{false};
    std::atomic<int> exitCode_{0};

  private:
    Control* find(Hwnd hwnd);
    const Control* find(Hwnd hwnd) const;
    void markDirty(Control& c, unsigned bits);
};

/// The text cut to at most `units` UTF-16 units, never inside a character.
std::string cutToUtf16Units(std::string_view utf8, std::size_t units);

/// The procedure a control starts with: typing is the widget's own, so nothing is left to do.
LResult defaultControlProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam);
/// Where the signal handler writes one byte to rouse a GUI thread that waits on a descriptor.
void setSignalWakeFd(int fd);
/// A headless window system (no display needed).
std::unique_ptr<WindowSystem> makeHeadlessSystem();
/// An FLTK window system on the display of $DISPLAY; nothing when that display cannot be opened.
std::unique_ptr<WindowSystem> makeFltkSystem();

/// The window system in use (made on first use: headless when OXL_HEADLESS=1
/// or DISPLAY is empty or cannot be opened, otherwise FLTK).
WindowSystem& windowSystem();
/// Replaces the window system in use (tests; no other thread may be using the old one).
void installWindowSystem(std::unique_ptr<WindowSystem> system);

} // namespace oxl::win
