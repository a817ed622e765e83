#pragma once
// The window services on a real display (FLTK 1.3 on X11), and what a test of the real window
// needs to look at it: the pixels of the client area and input sent through the display.

#include "platform/win.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace oxl::win
{

/// The pixels of the client area, row by row, three bytes (red, green, blue) each.
struct ClientImage
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    /// The colour of pixel (x, y) as a COLORREF; 0 outside the image.
    ColorRef at(int x, int y) const;
    /// Writes the image as a binary PPM file; false when it cannot be written.
    bool writePpm(const std::filesystem::path& file) const;
};

/// Installs the FLTK window system on $DISPLAY for this process; false (and nothing installed)
/// when the display cannot be opened.
bool useFltk();
/// GUI thread, FLTK only: waits until the window is on the screen (at most `limit`), paints what
/// is invalid and reads the client area back.
std::optional<ClientImage> readClientArea(std::chrono::milliseconds limit);
/// GUI thread, FLTK only: a left click at client point (x, y), sent through the display as a
/// pointer press and release (the way a user's click arrives).
bool sendClick(int x, int y);
/// GUI thread, FLTK only: a key press and release of the X key symbol `keysym` (e.g. 0xFF0D for
/// Return, 'a' for a), sent through the display to the window.
bool sendKey(unsigned long keysym);

/// GUI thread, FLTK only: what a window manager sends when its close button is clicked
/// (WM_DELETE_WINDOW).
bool sendCloseRequest();

} // namespace oxl::win
