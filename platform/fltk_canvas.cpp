#include "platform/fltk_canvas.h"

#include <FL/fl_draw.H>

#include <cmath>

namespace oxl::win
{
namespace
{

int signOf(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

Fl_Color flColour(ColorRef c)
{
    return fl_rgb_color(static_cast<uchar>(redOf(c)), static_cast<uchar>(greenOf(c)),
                        static_cast<uchar>(blueOf(c)));
}

void FltkCanvas::fillRect(const Rect& r, ColorRef colour)
{
    if (r.empty())
        return;
    fl_color(flColour(colour));
    fl_rectf(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void FltkCanvas::line(int x1, int y1, int x2, int y2, ColorRef colour)
{
    if (x1 == x2 && y1 == y2)
        return;
    fl_color(flColour(colour));
    fl_line_style(FL_SOLID, 1);
    fl_line(x1, y1, x2 - signOf(x2 - x1), y2 - signOf(y2 - y1)); // the last point is not drawn
    fl_line_style(0);
}

void FltkCanvas::textOut(int x, int y, std::string_view utf8, ColorRef colour)
{
    fl_font(kFont, kFontSize);
    fl_color(flColour(colour));
    fl_draw(utf8.data(), static_cast<int>(utf8.size()), x, y + fl_height() - fl_descent());
}

int FltkCanvas::textWidth(std::string_view utf8) const
{
    fl_font(kFont, kFontSize);
    return static_cast<int>(std::ceil(fl_width(utf8.data(), static_cast<int>(utf8.size()))));
}

} // namespace oxl::win
