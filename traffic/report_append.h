// The once-a-second clearing of static aircraft out of a taxiing live aircraft's way.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/live_engine.h"

namespace oxl
{

/// [factor] a static aircraft closer than this many radius sums to a taxiing one is in its way.
inline constexpr double kStaticClearanceFactor = 1.1;

/// Stores the aircraft's position as its last avoidance position and removes the first active static
/// aircraft of another callsign whose stand is in its way; nothing while it rolls out or takes off.
void avoidStatics(LiveEngine& engine, LiveAc& ac);

} // namespace oxl
