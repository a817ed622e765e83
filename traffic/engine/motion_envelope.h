// The last step of every tick's motion before its frame goes to the simulator: whichever rule moved the
// aircraft there, the frame keeps within what its category can do. The rules that read reports decide
// where the aircraft should be; the envelope decides how fast it may get there.
#pragma once

#include "foundation/geodesy.h"
#include "records/aircraft_records.h"

namespace oxl
{

/// Whether the aircraft rolls for take-off: toward reports in the air or at rolling speed, or rolling
/// on past a repeated position. It accelerates as its category does and never slows.
bool gf_inTakeOffRoll(const LiveAc& ac);

/// Holds the tick's motion from `from` to where the aircraft now is within its category's envelope and
/// notes the speed shown: on the ground no quicker gain than it accelerates, no harder stop than it brakes,
/// no faster against the nose than a push-back; a take-off roll and the climb-out after it accelerate as
/// the category does, a roll never slows and a roll-out never speeds up; in the air nothing reverses, a
/// report behind is joined by slowing along the nose.
void gf_holdToEnvelope(LiveAc& ac, LatLon from);

} // namespace oxl
