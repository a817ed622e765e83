// What a live aircraft does when its report stream runs dry: it arrives at its stand, holds on a
// taxiway, is carried on by synthetic reports for a while or is given up. Also the choice of a free stand
// for a taxiing aircraft, the clearing of colliding neighbours and the learning of soft stand options.
#pragma once

#include "airports/stand.h"
#include "foundation/half_hours.h"
#include "foundation/units.h"
#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"

#include <cstdint>

namespace oxl
{

/// [ticks] between two hold reports of an aircraft stopped on a taxiway.
inline constexpr std::int32_t kHoldReportTicks = 300;
/// [ticks] how far a parked aircraft's single extension reaches: seven days.
inline constexpr std::int32_t kParkedExtensionTicks = 100 * 604800;
/// [nm] an aircraft farther than this from its stand has not arrived.
inline constexpr double kArrivedAtStandNm = metresToNm(2.0);
/// [nm] stand search radius of a wide search and of a narrow one.
inline constexpr double kTry2ParkWideNm = metresToNm(55.0);
inline constexpr double kTry2ParkNarrowNm = metresToNm(20.0);

/// The stream has reached its last report; true when it was extended, false when the aircraft is given up.
bool endOfStream(LiveEngine& engine, LiveAc& ac);

/// The aircraft's own reports have ended: its newest report is due, or the end of its stream carries it on
/// or holds it on reports it made up. A parked aircraft's stay at its stand is no end.
bool gf_reportsEnded(const LiveEngine& engine, const LiveAc& ac);

/// Appends one synthetic report continuing the front report and keeps n as the extension steps left.
void extendStream(LiveAc& ac, std::int32_t n);

/// The last report of phase parking was reached: the aircraft parks, or taxis on when not at its stand.
void arriveAtStand(LiveEngine& engine, LiveAc& ac);

/// Looks for a free stand near the newest report and sends the aircraft onto it; wide: 55 m, else 20 m.
void try2Park(LiveEngine& engine, LiveAc& ac, bool wide);

/// Removes the parked or pushing-back live aircraft on the adjacent stand when it could collide with the
/// newcomer on the chosen stand.
void clearAdjacentStand(LiveEngine& engine, std::uint32_t adjacentId, const LiveAc& newcomer,
                        const Stand& chosen);

/// Learns a soft stand option for an aircraft seen at the park airport without a stand.
void learnStandOnDeparture(LiveEngine& engine, LiveAc& ac, bool departing);

/// Extends the option of the stand that already saw this aircraft at another time; true when it did.
bool learnAtKnownStand(LiveEngine& engine, LiveAc& ac, DayHalfHour now, bool departing);

/// Lets learning for the hexid pass at most once per three half-hours; force passes always.
bool gf_learnGate(LiveEngine& engine, DayHalfHour now, std::uint32_t hexid, bool force);

} // namespace oxl
