// The last metres of a live aircraft onto a stand: the reports that bring it there, and the clearing of
// static aircraft that stand on or beside the stand it takes.
#pragma once

#include "airports/stand.h"
#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"

#include <cstdint>

namespace oxl
{

/// [ticks] fewest ticks of the drive onto a stand, and the wait after it until the aircraft stands still.
inline constexpr std::int32_t kDriveToStandMinTicks = 100;
inline constexpr std::int32_t kDriveToStandSettleTicks = 50;

/// Appends the drive onto the stand at (lat, lon) [deg] with its heading [rad]: a report at the stand
/// and a standing copy 50 ticks later.
void drive2Stand(LiveAc& ac, double lat, double lon, double heading);

/// Clears the stand of the static aircraft on it (removed, or never created when still queued) and of
/// colliding static aircraft on its adjacent stands.
void makeWayAtStand(LiveEngine& engine, const LiveAc& ac, const Stand& stand);

/// Removes the first active static aircraft on the adjacent stand that could collide with the live
/// aircraft on the stand.
void makeWayAtAdjacentStand(LiveEngine& engine, const LiveAc& ac, std::uint32_t adjacentId,
                            const Stand& stand);

} // namespace oxl
