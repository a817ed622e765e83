// What a click on a check box or button and a choice in a combo box do: the WM_COMMAND dispatcher, the
// handlers of the three kinds of control, the respond countdown of static parking, and the radius the
// user chose by hand while "Auto range" is on. All run on the GUI thread; what they want of the cycle
// (lights, removals, a radius step, a restart) they ask for through the requests of the periodic work.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/win.h"

namespace oxl
{

/// WM_COMMAND: the buttons, then the check boxes, then the combo boxes; true when a handler took the
/// control. An exception of a handler is logged ("lf_HandleWMCOMMAND exception {}") and gives false.
bool gf_HandleWMCOMMAND(win::WParam wParam);
/// "Unblock", "Re-read" and "Flush static"; true for their ids.
bool gf_handleButtons(unsigned controlId);
/// Toggles the check box, stores and saves the new state, then its own effect; true for a box's id.
bool gf_handleCheckBoxes(unsigned controlId);
/// A new selection in one of the seven combo boxes: stored, saved, shown, then its effect.
bool gf_handleComboBoxes(win::WParam wParam);
/// The index and text of the new selection when wParam is CBN_SELCHANGE of this combo box.
std::optional<std::pair<int, std::string>> gf_getComboSelection(unsigned comboId, win::WParam wParam);

/// While static parking runs: marks the parameters changed and asks the 15-second routine to
/// recompute static parking, telling the user in how many seconds (not with "ILO" on).
void gf_respondCountdown();

} // namespace oxl
