#pragma once
// The window services without a display: the same model and message queue, WM_PAINT sent when
// something is invalid and no message waits (as the system does), and a record of what the
// window shows for tests to query. A driver stands in for the user: clicks, combo choices,
// typing, Enter, the close button, minimising and moving.

#include "platform/win_system.h"

#include <chrono>
#include <condition_variable>

namespace oxl::win
{

/// [px] What one character of a text measures without a display (a little above the real font's mean).
inline constexpr int kHeadlessCharacterWidth = 7;

/// One text on the screen as painted.
struct PaintedText
{
    int x = 0; ///< [px] top-left corner
    int y = 0;
    std::string text;
    ColorRef colour = 0;
};

/// One line on the screen as painted.
struct PaintedLine
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ColorRef colour = 0;
};

/// One drawing call of a paint.
struct PaintOp
{
    enum class Kind
    {
        Fill,
        Line,
        Text
    };
    Kind kind = Kind::Fill;
    Rect rect;           ///< a fill's rectangle (cut to the paint rectangle)
    ColorRef colour = 0; ///< a fill's colour
    PaintedLine line;    ///< a line
    PaintedText text;    ///< a text
};

/// The headless window system and its test driver.
class HeadlessWindows final : public WindowSystem
{
  public:
    HeadlessWindows() = default;
    std::string_view name() const override { return "headless"; }

    // ---- the user (any thread; what reaches the window procedure is dispatched on the GUI thread) ----
    /// Clicks a check box or push button: WM_COMMAND BN_CLICKED; false when missing or disabled.
    bool click(unsigned id);
    /// Chooses item `index` of a combo box: selection, then WM_COMMAND CBN_SELCHANGE when it changed;
    /// false when missing, disabled or out of range.
    bool chooseItem(unsigned id, int index);
    /// Replaces an edit box's text as typed by the user (no message); false when missing or disabled.
    bool type(unsigned id, std::string_view utf8);
    /// Presses Enter in an edit box: WM_CHAR 13 to the box's procedure; false when missing or disabled.
    bool pressEnter(unsigned id);
    /// Clicks the window's close button: WM_CLOSE.
    bool clickClose();
    /// Minimises the window or restores it.
    void iconify(bool minimised);
    /// Moves the window's outer top-left corner to (x, y) on the screen.
    void moveTo(int x, int y);
    /// The one screen's work area from now on (a laptop's small screen, a large one).
    void setWorkArea(const Rect& area);
    Rect workArea(int x, int y) const override;

    // ---- the loop ----
    /// GUI thread: dispatches and paints until nothing is left; returns the messages dispatched.
    int pumpUntilIdle() { return pumpMessages(); }
    /// Any thread: waits until the message loop (on another thread) has nothing left to do; false
    /// when that did not happen within the limit.
    bool waitIdle(std::chrono::milliseconds limit);

    // ---- what the window shows ----
    /// Texts on the screen whose top-left corner lies in r, in painting order.
    std::vector<PaintedText> textsIn(const Rect& r) const;
    /// The last painted text on the screen that contains `part`.
    std::optional<PaintedText> findText(std::string_view part) const;
    /// The colour of the last fill that covers the pixel (x, y).
    std::optional<ColorRef> fillAt(int x, int y) const;
    /// Lines on the screen, in painting order.
    std::vector<PaintedLine> lines() const;
    /// The drawing calls of the last WM_PAINT, cut to its paint rectangle.
    std::vector<PaintOp> lastPaint() const;
    /// The paint rectangle of the last WM_PAINT.
    Rect lastPaintRect() const;
    /// WM_PAINTs so far.
    int paintCount() const;
    /// True while the window is kept above others.
    bool topmost() const;
    /// True once the window was shown.
    bool shown() const;
    /// The client area's rectangle (0, 0, width, height).
    Rect clientRect() const;
    /// The control's background colour set for the window.
    ColorRef controlBackground() const;

  protected:
    void wake() override { wakeup_.notify_all(); }
    void nativeCreateWindow() override {}
    void nativeCreateControl(unsigned) override {}
    void nativeShowWindow() override {}
    void nativePaintNow() override { paintIfInvalid(); }
    void nativeLoop() override;
    int nativePump() override;

  private:
    bool paintIfInvalid();
    bool userMay(unsigned id, ControlKind kind, const Control** out = nullptr) const;
    void commit(const Rect& paintRect, std::vector<PaintOp> ops);

    std::condition_variable wakeup_; ///< waits use mutex_
    std::condition_variable idle_;
    bool waiting_ = false; ///< the loop waits for work
    std::vector<PaintOp> screen_;
    std::vector<PaintOp> lastPaint_;
    Rect lastPaintRect_;
    int paintCount_ = 0;
    Rect workArea_{0, 0, 1920, 1080}; ///< a common desktop screen; mutex_
};

/// Installs a fresh headless window system for this process and returns it (tests).
HeadlessWindows& useHeadless();

} // namespace oxl::win
