#pragma once
// A virtual X display of a test's own: Xvfb on the first free display number, local connections
// only, stopped when the object goes.

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>

namespace oxl::test
{

/// How long a test waits for an event it needs: what a loaded two-core machine may take under the sanitizers.
inline constexpr int kEventLimit = 120'000; // [ms]
/// Asks until the answer is yes, at most kEventLimit; false if it never is.
bool waitUntil(const std::function<bool()>& yes);

/// Starts Xvfb (1280 x 800, 24 bits) and waits until it takes connections (every wait: kEventLimit).
class XvfbDisplay
{
  public:
    /// With two monitors the screen is two of 1280 x 800 side by side, as the toolkit sees them (xrandr).
    explicit XvfbDisplay(int monitors = 1);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;
    /// True when the server runs.
    bool running() const { return !name_.empty(); }
    /// The DISPLAY value, e.g. ":3"; empty when the server did not start.
    const std::string& name() const { return name_; }
    /// Why the server did not start.
    const std::string& error() const { return error_; }

    /// Waits until a client holds the pointer grab (an open list), or none; false if that never comes.
    bool waitForGrab(bool held) const;
    /// Waits until the screen pixel (x, y) shows the colour 0xRRGGBB; false if it never does.
    bool waitForColour(int x, int y, unsigned long rgb) const;
    /// The id of the window with this title, if it shows (a search fails now and then as a window goes).
    std::optional<unsigned long> window(const std::string& title) const;
    /// The screen position of the window manager's frame around the window with this title (of the
    /// window itself without one).
    std::optional<std::pair<int, int>> outerCorner(const std::string& title) const;
    /// Starts openbox, which ends with the server, and waits until it manages windows.
    bool startWindowManager() const;
    /// Leaves the work area that a desktop's panels leave (the root's _NET_WORKAREA, a window manager's).
    bool setWorkArea(int x, int y, int width, int height) const;

  private:
    pid_t pid_ = -1;
    std::string name_;
    std::string error_;
};

} // namespace oxl::test
