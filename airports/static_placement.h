// Static placement and renewal: the planned static aircraft become simulator objects one at a time, the
// static parking follows the half-hour and weekday every renewal, the parked aircraft stay within the
// max-park limit, and static aircraft are removed on request.
#pragma once

#include "airports/parking_state.h"
#include "foundation/half_hours.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oxl
{

/// Highest static serial; static hexids run 1..9999 (hexid 0 would not be recognised as ours).
inline constexpr std::uint32_t kLastStaticSerial = 9999;

/// The next static serial of the process, 1..9999 and round again.
std::uint32_t gf_nextStaticSerial();

/// Places the last planned static aircraft (the record is used up whatever happens): queues its create
/// request unless a live or static aircraft stands on or next to its stand or no livery fits.
void gf_assignStaticParking(ParkingState& state);

/// The callsign a static aircraft shows for a record: its callsign while it stays, else its coupled one.
std::string gf_detcs(const StaticParked& record);

/// The shown form of a callsign: trailing '_' removed, one '*' at the end.
std::string gf_markStaticCallsign(std::string_view name);

/// The renewal: keeps, retires and plans static aircraft so that the parking follows the time of week.
void gf_adjustParking(ParkingState& state);

/// Sorts every active static aircraft into kept (ParkCandidate) or retired (RetireEntry) against the new
/// records, and marks the kept ones whose callsign is due to change.
void gf_matchStaticAircraft(ParkingState& state, DayHalfHour now);

/// Keeps the aircraft (and drops the record at recordIndex) unless the record matched at a later time
/// than the aircraft was placed; then the aircraft is retired and the record stays.
void gf_keepOrRetireStatic(ParkingState& state, DayHalfHour now, const SimAc& aircraft,
                           std::size_t recordIndex);

/// Takes away new records, then kept static aircraft, then live parked aircraft until their sum is wanted.
void gf_trimToWanted(ParkingState& state, std::int32_t wanted);

/// Removes at most one live and one static parked aircraft above the max-park limit (extra = live
/// aircraft about to be added).
void gf_maxParkCheck(ParkingState& state, std::uint8_t extra);

/// Hexid and seconds parked of every parked live aircraft, longest parked first.
std::vector<std::pair<std::uint32_t, std::int64_t>> gf_parkedDurations(std::span<const LiveAc> live);

/// Removes the n longest-parked live aircraft.
void gf_removeLiveParked(ParkingState& state, std::uint32_t n);

/// Removes every static aircraft: active ones from the simulator, queued ones from the create queue.
void gf_removeQueuedStatic(ParkingState& state);

/// Number of static aircraft active or leaving; withAverage (and WEEK off) also stores their average
/// stay [h] for the window.
std::uint32_t gf_countParkedForGui(ParkingState& state, bool withAverage);

} // namespace oxl
