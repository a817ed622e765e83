#pragma once
// What the window asks of the window manager and what a test sends through the display as a user's
// input: plain X11 requests to one window.

#include <X11/Xlib.h>

namespace oxl::win::x11
{

/// A point in the window and the same point on the screen.
struct Point
{
    int x = 0, y = 0;         ///< [px] in the window
    int rootX = 0, rootY = 0; ///< [px] on the screen
};

/// Asks the window manager to keep the window above others (_NET_WM_STATE_ABOVE) or not; without a
/// window manager nothing covers the window anyway.
void setAbove(Display* display, Window window, int screen, bool above);
/// A left click (press and release) at the point, sent to the window; true when both were sent.
bool sendClick(Display* display, Window window, int screen, Point at);
/// A press and release of the X key symbol, sent to the window; true when both were sent.
bool sendKey(Display* display, Window window, int screen, unsigned long keysym);
/// What a window manager sends when its close button is clicked (WM_DELETE_WINDOW).
bool sendClose(Display* display, Window window);

} // namespace oxl::win::x11
