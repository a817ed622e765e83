// Values that the cycle worker sets at the start of each cycle and the parking code and the periodic
// work read from other threads: the current time of week, the live limit to restore, the stock
// airports folder.
#pragma once

#include "foundation/foundation_state.h"

#include "platform/win_path.h"

#include <atomic>
#include <cstdint>

namespace oxl
{

/// Stores the current weekday and half hour (one reading of the time source) in
/// gFoundation.gCurrentDayHalfHour.
void gf_storeCurrentDayHalfHour();

/// The simulator's stock airports folder (SIM_INSTALL_PATH joined with "Scenery"); empty when unknown.
WinPath gf_stockAirportsPath();
/// Stores the stock airports folder (the empty path forgets it).
void gf_setStockAirportsPath(WinPath folder);

} // namespace oxl
