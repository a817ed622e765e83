#pragma once
// The window's drawing on a real display: FLTK's drawing calls in the window's font and colours.

#include "platform/win.h"

#include <FL/Enumerations.H>

namespace oxl::win
{

inline constexpr Fl_Font kFont = FL_HELVETICA;
inline constexpr Fl_Fontsize kFontSize = 12; // [px] the tightest label gaps allow about 6.5 px per glyph

/// The toolkit's colour of a COLORREF.
Fl_Color flColour(ColorRef c);

/// The device context of one WM_PAINT: FLTK's drawing calls on the window's back buffer.
class FltkCanvas final : public Canvas
{
  public:
    explicit FltkCanvas(const Rect& paintRect) : paintRect_(paintRect) {}
    void fillRect(const Rect& r, ColorRef colour) override;
    void line(int x1, int y1, int x2, int y2, ColorRef colour) override;
    void textOut(int x, int y, std::string_view utf8, ColorRef colour) override;
    int textWidth(std::string_view utf8) const override;
    Rect paintRect() const override { return paintRect_; }

  private:
    Rect paintRect_;
};

} // namespace oxl::win
