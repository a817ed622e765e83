#pragma once
// The window services the main window is written against: one top-level window with a window
// procedure, a message queue that any thread may post to, painting through a canvas, and four
// kinds of child controls addressed by their control id. Names and numbers follow the Win32 calls
// the window code was designed around, so that the window code reads like its design.
//
// Threads: the thread that creates the window and runs the message loop is the GUI thread; every
// window procedure runs there. Any thread may post messages, invalidate, and read or change a
// control's state (check mark, text, combo items and selection, enabled); no call made from
// another thread waits for the GUI thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oxl::win
{

using Hwnd = std::uint32_t;     ///< 0 = no window; the main window; a control's handle is its id
using ColorRef = std::uint32_t; ///< 0x00BBGGRR, as the window code's colour constants are written
using WParam = std::uintptr_t;  ///< first message parameter
using LParam = std::intptr_t;   ///< second message parameter
using LResult = std::intptr_t;  ///< a window procedure's result

/// A window procedure: the main window's, or an edit box's (sub-classed) procedure.
using WndProc = LResult (*)(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam);

inline constexpr Hwnd kNoWindow = 0;   ///< what lookups return when there is no such window
inline constexpr Hwnd kMainWindow = 1; ///< handle of the one main window (control ids are above it)

inline constexpr unsigned WM_CREATE = 0x0001;  ///< sent inside createWindow; controls are made here
inline constexpr unsigned WM_DESTROY = 0x0002; ///< not sent by this layer; kept for the procedure
inline constexpr unsigned WM_PAINT = 0x000F;   ///< lParam is the Canvas* of this paint
inline constexpr unsigned WM_CLOSE = 0x0010;   ///< the close button, or SIGTERM/SIGINT to the process
inline constexpr unsigned WM_CHAR = 0x0102;    ///< to an edit box's procedure: wParam 13 = Enter
inline constexpr unsigned WM_COMMAND = 0x0111; ///< wParam = control id | notification << 16
inline constexpr unsigned WM_APP = 0x8000;     ///< first message number free for the program

inline constexpr unsigned BN_CLICKED = 0;    ///< check box or push button clicked
inline constexpr unsigned CBN_SELCHANGE = 1; ///< the user chose another item of a combo box
inline constexpr int CB_ERR = -1;            ///< no selection / no such combo item
inline constexpr WParam kEnterKey = 13;      ///< WM_CHAR code of the Enter key

inline constexpr int kMinimisedPosition = -32000;  ///< window rectangle of a minimised window
inline constexpr int kCaptionHeight = 28;          ///< [px] outer height minus client height of the window
inline constexpr std::size_t kMaxTextUnits = 1023; ///< UTF-16 units a control text read returns

/// The low word of a WM_COMMAND wParam: the control id.
constexpr unsigned loWord(WParam w)
{
    return static_cast<unsigned>(w & 0xFFFFu);
}
/// The high word of a WM_COMMAND wParam: the notification code.
constexpr unsigned hiWord(WParam w)
{
    return static_cast<unsigned>((w >> 16) & 0xFFFFu);
}
/// A wParam made of a low and a high word.
constexpr WParam makeWParam(unsigned lo, unsigned hi)
{
    return (lo & 0xFFFFu) | (WParam{hi & 0xFFFFu} << 16);
}
/// A COLORREF from red, green and blue.
constexpr ColorRef rgb(unsigned r, unsigned g, unsigned b)
{
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
/// Red, green and blue parts of a COLORREF.
constexpr unsigned redOf(ColorRef c)
{
    return c & 0xFFu;
}
constexpr unsigned greenOf(ColorRef c)
{
    return (c >> 8) & 0xFFu;
} ///< green part of a COLORREF
constexpr unsigned blueOf(ColorRef c)
{
    return (c >> 16) & 0xFFu;
} ///< blue part of a COLORREF

/// A rectangle in client coordinates; right and bottom are exclusive, as FillRect treats them.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
    /// True when the rectangle holds no pixel.
    bool empty() const { return right <= left || bottom <= top; }
    /// True when the pixel (x, y) lies inside.
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

/// The device context of one WM_PAINT: only valid during that WM_PAINT.
class Canvas
{
  public:
    virtual ~Canvas() = default;
    /// Fills r with a solid colour.
    virtual void fillRect(const Rect& r, ColorRef colour) = 0;
    /// A one-pixel line from (x1, y1) to (x2, y2); the last point is not drawn (Polyline of two points).
    virtual void line(int x1, int y1, int x2, int y2, ColorRef colour) = 0;
    /// UTF-8 text with its top-left corner at (x, y), transparent background, the window's font.
    virtual void textOut(int x, int y, std::string_view utf8, ColorRef colour) = 0;
    /// [px] How wide textOut draws the UTF-8 text.
    virtual int textWidth(std::string_view utf8) const = 0;
    /// The part of the client area this paint is for (the invalidated rectangles).
    virtual Rect paintRect() const = 0;
};

/// The four kinds of child control the window uses.
enum class ControlKind
{
    CheckBox,   ///< 12 x 12, not automatic: a click only notifies, the procedure toggles the mark
    PushButton, ///< a button with a caption
    Edit,       ///< a single-line edit box; Enter reaches its procedure as WM_CHAR 13
    Combo,      ///< a drop-down list of texts (no typing)
};

/// What createControl makes: kind, id, place and first state.
struct ControlSpec
{
    ControlKind kind = ControlKind::CheckBox;
    unsigned id = 0;      ///< control id, also its handle; must be above kMainWindow and unique
    int x = 0;            ///< [px] left edge in the client area
    int y = 0;            ///< [px] top edge in the client area
    int width = 0;        ///< [px]
    int height = 0;       ///< [px] for a combo box: the closed box (the list opens below it)
    std::string caption;  ///< a push button's text
    bool enabled = true;  ///< created enabled
    bool checked = false; ///< a check box's first mark
};

// ---- keys: what a key or a click does to the keyboard's place; the window sets the rules ----

/// A key as the rules tell keys apart.
enum class Key
{
    enter, ///< Return or the keypad's Enter
    up,
    down,
    tab,
    space,
    other,
};

/// A key pressed, with the modifiers held.
struct KeyStroke
{
    Key key = Key::other;
    bool shift = false;
    bool command = false; ///< Ctrl, Alt or Meta
};

/// What a key does.
enum class KeyAction
{
    own,             ///< what the toolkit itself does with it there (typing in a box, its navigation)
    enter,           ///< Enter on an edit box: WM_CHAR 13 to its procedure
    chooseAbove,     ///< a combo box chooses the item above, as a choice in its list does
    chooseBelow,     ///< a combo box chooses the item below
    openList,        ///< a combo box opens its list
    passOn,          ///< not the control's: on to the window
    nextControl,     ///< the keyboard moves on to the next control
    previousControl, ///< the keyboard moves back to the previous control
    nothing,         ///< the key is lost
};

/// The rules of keys and clicks; the toolkit's own stand in for a null one.
struct KeyRules
{
    /// A key at the control that has the keyboard.
    KeyAction (*atControl)(ControlKind kind, KeyStroke press) = nullptr;
    /// A key that no control took; `chosen`: the keyboard is at a control, not at the window itself.
    KeyAction (*leftOver)(bool chosen, KeyStroke press) = nullptr;
    /// True when a click on a control of this kind gives it the keyboard (else the window keeps it).
    bool (*clickTakesKeyboard)(ControlKind kind) = nullptr;
};

/// Any thread: installs the rules (not copied); null restores the toolkit's own.
void installKeyRules(const KeyRules* rules);
/// What a key does at the control that has the keyboard (the toolkit's own: Enter reaches an edit
/// box's procedure, everything else is the control's).
KeyAction keyAtControl(ControlKind kind, KeyStroke press);
/// What a key that no control took does (the toolkit's own: its navigation).
KeyAction keyLeftOver(bool chosen, KeyStroke press);
/// True when a click on a control of this kind gives it the keyboard (the toolkit's own: always).
bool clickTakesKeyboard(ControlKind kind);

// ---- window, class and message loop (GUI thread unless said otherwise) ----

/// Registers the window class `className` with its procedure; false when the name is taken or empty.
bool registerClass(std::string_view className, WndProc proc);
/// Creates the main window of a registered class at the screen position (x, y) with an outer size
/// of width x height (the client area is kCaptionHeight less high); WM_CREATE is sent to its
/// procedure before this returns. Returns kNoWindow when the class is unknown or a window exists.
Hwnd createWindow(std::string_view className, std::string_view title, int x, int y, int width, int height);
/// Shows the window; false for an unknown handle.
bool showWindow(Hwnd hwnd);
/// Paints whatever is invalid at once; false for an unknown handle.
bool updateWindow(Hwnd hwnd);
/// Runs the message loop until postQuitMessage; returns its exit code. SIGTERM and SIGINT
/// become WM_CLOSE to the main window while the loop runs.
int runMessageLoop();
/// Dispatches every message that is waiting and paints what is invalid, without waiting for more;
/// returns the number of messages dispatched (the loop body of a test's GUI thread).
int pumpMessages();
/// Any thread: queues a message for a window's procedure; false when the window does not exist.
bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam = 0, LParam lParam = 0);
/// Any thread: ends the message loop with the exit code.
void postQuitMessage(int exitCode);
/// The default handling of a message this window's procedure does not take: nothing, 0.
LResult defWindowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam);
/// Any thread: marks a part of the main window's client area for repainting (with erase).
void invalidateRect(Hwnd hwnd, const Rect& rect);
/// Any thread: marks the whole client area for repainting.
void invalidateWindow(Hwnd hwnd);
/// Any thread: the window's outer rectangle on the screen; left and top are kMinimisedPosition
/// while the window is minimised; all zero for an unknown handle.
Rect getWindowRect(Hwnd hwnd);
/// GUI thread: the work area (the screen less its panels) of the screen that holds the point (x, y), or
/// of the first screen when none does.
Rect screenWorkArea(int x, int y);
/// Any thread: keeps the window above all others (HWND_TOPMOST) or not; false for an unknown handle.
bool setTopmost(Hwnd hwnd, bool topmost);
/// Any thread: the background colour of edit boxes and check boxes (WM_CTLCOLOREDIT/STATIC).
void setControlBackground(ColorRef colour);
/// Which backend runs the windows: "fltk" or "headless".
std::string_view backendName();
/// Why no window can be shown though $DISPLAY names a display and headless running was not asked
/// for; empty when there is nothing to say.
std::string displayFailure();

// ---- controls (any thread unless said otherwise) ----

/// GUI thread, normally during WM_CREATE: creates a child control of the main window; returns its
/// handle (= its id) or kNoWindow when there is no main window or the id is taken.
Hwnd createControl(const ControlSpec& spec);
/// The control with this id in the window, or kNoWindow (GetDlgItem).
Hwnd getDlgItem(Hwnd parent, unsigned id);
/// True when the handle names an existing window or control.
bool isWindow(Hwnd hwnd);
/// Enables or disables a window or control; a disabled control takes no input.
void enableWindow(Hwnd hwnd, bool enable);
/// True when the window or control is enabled.
bool isWindowEnabled(Hwnd hwnd);
/// True when the check box with this id is checked (IsDlgButtonChecked == 1).
bool isDlgButtonChecked(Hwnd parent, unsigned id);
/// Sets or clears a check box's mark (BM_SETCHECK); false when hwnd is no check box.
bool setButtonCheck(Hwnd hwnd, bool checked);
/// The text of an edit box, a button's caption or a combo box's selected item, cut to
/// kMaxTextUnits UTF-16 units at a character boundary (GetWindowTextW); empty when unknown.
std::string getWindowText(Hwnd hwnd);
/// Sets an edit box's text or a button's caption; on a combo box selects the item with exactly
/// this text and otherwise leaves the selection. False when nothing was set.
bool setWindowText(Hwnd hwnd, std::string_view utf8);
/// Empties a combo box's list and selection (CB_RESETCONTENT).
void comboResetContent(Hwnd hwnd);
/// Appends an item to a combo box's list; returns its index or CB_ERR (CB_ADDSTRING).
int comboAddString(Hwnd hwnd, std::string_view utf8);
/// Selects an item (-1 clears); returns the index, or CB_ERR when out of range (CB_SETCURSEL).
int comboSetCurSel(Hwnd hwnd, int index);
/// The selected item's index or CB_ERR (CB_GETCURSEL).
int comboGetCurSel(Hwnd hwnd);
/// The text of an item, nothing when the index is out of range (CB_GETLBTEXT).
std::optional<std::string> comboGetLbText(Hwnd hwnd, int index);
/// GUI thread: replaces an edit box's procedure and returns the previous one (GWLP_WNDPROC).
WndProc setWindowProc(Hwnd hwnd, WndProc proc);
/// Passes a message on to a procedure, the previous one of a sub-classed box (CallWindowProcW).
LResult callWindowProc(WndProc proc, Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam);

} // namespace oxl::win
