// Painting of the main window: the bands, the header, the status band with its "Sim" and "RT"
// boxes, the labels of the controls, the static-parking statistics and the message line, all from
// the main window's fields and the settings. Only WM_PAINT draws, on the canvas it is given.
#pragma once

#include <string_view>

#include "platform/win.h"

namespace oxl
{

inline constexpr win::ColorRef kLimeText = 0x32CD32;   ///< good state
inline constexpr win::ColorRef kYellowText = 0x00FFFF; ///< in between, or worth a look
inline constexpr win::ColorRef kRedText = 0x0000FF;    ///< failed, or a conflict
inline constexpr win::ColorRef kBlackText = 0x000000;  ///< labels
inline constexpr win::ColorRef kGreyText = 0xA0A0A0;   ///< labels of controls that are off

inline constexpr win::Rect kSimBox{397, 30, 425, 112}; ///< the "Sim" indicator box
inline constexpr win::Rect kRtBox{425, 30, 453, 112};  ///< the "RT" indicator box

/// The notice the header shows beside the version.
inline constexpr std::string_view kHeaderNotice = "Live traffic for P3D v5/v6";

/// The whole WM_PAINT.
void gf_paintWindow(win::Canvas& canvas);
/// The status band.
void gf_paintStatus(win::Canvas& canvas);
/// The QNH text of the status band.
void gf_paintQnh(win::Canvas& canvas);
/// Every label of the control band.
void gf_paintLabels(win::Canvas& canvas);
/// The statistics band.
void gf_paintStatistics(win::Canvas& canvas);
/// Draws one text; a text that is no valid UTF-8 (or too long to convert) is logged and skipped.
void gf_textOut(win::Canvas& canvas, int x, int y, std::string_view text, win::ColorRef colour);
/// gf_textOut in black when enabled, grey when not.
void gf_textOutEnabled(win::Canvas& canvas, int x, int y, std::string_view text, bool enabled);

} // namespace oxl
