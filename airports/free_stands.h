// Free stands for live aircraft: the stand at a position, the stand a live aircraft drives to, the stand a
// departing aircraft most plausibly used, the callsign pair the learned data gives, and the parked list.
#pragma once

#include "airports/parking_state.h"
#include "airports/stand.h"
#include "foundation/half_hours.h"
#include "foundation/units.h"
#include "records/aircraft_records.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace oxl
{

/// [nm] search distance when an aircraft comes to rest.
inline constexpr double kParkAtRestNm = metresToNm(20.0);
/// [nm] search distance when a taxiing aircraft parks or one is spawned at rest.
inline constexpr double kParkTaxiingNm = metresToNm(55.0);

/// Name of the stand within 55 m of the position; "" when none, with no stands, or while the user
/// aircraft is not on the ground. Safe on any thread.
[[nodiscard]] std::string gf_standAtPosition(ParkingState& state, double lat, double lon);

/// The nearest free stand within maxDistanceNm that the aircraft fits (one up to 20 m away even when the
/// aircraft is too large for it, which then learns the aircraft's size); with match, failing that, a
/// fitting stand within 85 m whose learned option matches the aircraft. Helipads only for rotorcraft,
/// and rotorcraft only on helipads. nullptr when none.
Stand* gf_nearestFreeStand(ParkingState& state, double lat, double lon, const AcProfile& aircraft,
                           double maxDistanceNm, bool match);

/// The stand that fits the aircraft best and is not used at the time of week by a learned option,
/// stands of matching options first; with retry, at an airport of at most 10 stands, the next half-hour
/// is tried when nothing fits. nullptr when none.
Stand* gf_searchFittingStands(ParkingState& state, DayHalfHour time, const AcProfile& aircraft, bool retry);

/// Gives the aircraft the callsign pair of the first learned option of its airline around the time
/// whose callsign or coupled callsign is the aircraft's; leaves it unchanged when there is none.
void gf_searchForCoupledCsAroundThisTime(const ParkingState& state, DayHalfHour time, AcProfile& aircraft);

/// Rebuilds the list of parked live aircraft (longest parked last) and removes those parked too long.
void gf_checkLiveParkedTimes(ParkingState& state, std::span<LiveAc> live);

/// Number of parked live aircraft; withAverage also stores their average stay [h] for the window.
std::uint32_t gf_countLiveParked(ParkingState& state, std::span<const LiveAc> live, DayHalfHour now,
                                 bool withAverage);

/// Removes the aircraft that stands at the reserved stand: a static one first, else a parked live one.
void gf_removeAtReservedStand(ParkingState& state, std::span<LiveAc> live);

} // namespace oxl
