// The five edit boxes of the main window: a typed value takes effect when the user presses Enter in
// the box. Install path, blocked callsign and destination are texts; parking percentage and max fit
// are numbers, whose whole text must be a finite number ("nan", "inf" and "12abc" are not).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/parameters.h"
#include "platform/win.h"

namespace oxl
{

/// Enter in an empty install-path box: refused, and the user is told what to do instead.
inline constexpr std::string_view kEmptyInstallPath =
    "The install path is empty: type the full path of the simulator's folder above and press Enter";

/// Enter on an install path that names a file or anything else but a folder: refused.
inline constexpr std::string_view kNotAFolderInstallPath =
    "This install path is not a folder: {}; type the simulator's folder and press Enter";

/// The procedure that handles Enter in the edit box of this setting (nullptr for no edit box).
win::WndProc gf_editBoxProcFor(const ControlBinding& box);

/// Shared procedure of the three text boxes: Enter acts on the box's setting, every other message goes
/// on to the box's previous procedure.
win::LResult gf_editBoxProc(StringEditParameter& setting, win::Hwnd hwnd, unsigned msg, win::WParam wParam,
                            win::LParam lParam);
/// Enter in the parking-percentage box.
win::LResult gf_parkingPercentageBoxProc(win::Hwnd hwnd, unsigned msg, win::WParam wParam,
                                         win::LParam lParam);
/// Enter in the Max-fit box (taken only while static parking runs).
win::LResult gf_maxFitBoxProc(win::Hwnd hwnd, unsigned msg, win::WParam wParam, win::LParam lParam);

/// Enter in the parking-percentage box: the typed whole number within 0..100 (empty: 0), not saved.
void gf_processTbInt(EditParameter<IntParameter>& setting);
/// Enter in the Max-fit box: whole and half hours, MAX_FIT saved; true when the value changed.
bool gf_processTbFloat(EditParameter<FloatParameter>& setting);
/// Enter in the install-path box: an existing path is saved and the cycle restarts with it.
void gf_processInstallPath(const std::string& text);
/// Enter in the callsign box: blocks a callsign of 4 to 8 characters, or unblocks on an empty box.
void gf_processBlockCallsign();
/// Ends the blocking of the blocked callsign, if any.
void gf_unblockCallsigns();
/// Enter in the destination box: an ICAO code of 4 characters is looked up by the cycle worker.
void gf_processDestination();

/// A whole number that is the whole text (blanks around it allowed); nullopt otherwise. `outOfRange`
/// is set when the text is a number too large for an int.
std::optional<std::int32_t> gf_parseWholeNumber(std::string_view text, bool* outOfRange = nullptr);
/// A finite number that is the whole text (blanks around it allowed); nullopt otherwise.
std::optional<float> gf_parseFiniteNumber(std::string_view text);

} // namespace oxl
