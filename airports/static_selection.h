// Static parking selection: how many static aircraft the park airport gets and which learned option of
// which stand each one shows, so that the parked aircraft follow what the stands held on this weekday at
// this half-hour. The result is the StaticParked list, which the placement turns into simulator objects.
#pragma once

#include "airports/parking_state.h"
#include "foundation/half_hours.h"

#include <cstdint>
#include <vector>

namespace oxl
{

/// Room for the planned static aircraft of one search pass.
inline constexpr std::size_t kStaticSearchCapacity = 512;

/// Which learned options a search pass offers.
enum class StaticSearchMode : std::uint32_t
{
    soft = 0, ///< options learned from aircraft that drove to a stand
    real = 1, ///< options observed at the stand
};

/// Disables the parking controls and starts collecting live callsigns; with showMessage says so on the
/// message line. The calculation follows on the next per-second step.
void gf_startStaticParking(ParkingState& state, bool showMessage);
/// The same for the program's parking state.
void gf_startStaticParking(bool showMessage);

/// The full calculation of the static aircraft of the park airport: the StaticParked list, sorted so that
/// the placement, which takes records from its end, places offset 0 first.
void gf_calcStaticParking(ParkingState& state);
/// The same for the program's parking state.
void gf_calcStaticParking();

/// Logs the time of day with the weekday and half-hour and returns them.
DayHalfHour gf_logDayAndHour();

/// Stops the callsign collection and keeps what it collected as the live callsign snapshot.
void gf_clearParkingLists(ParkingState& state);

/// Excludes the reserved stand and the stand the user aircraft stands on from static parking.
void gf_excludeUserStands(ParkingState& state);

/// Number of static aircraft wanted at the park airport; also sets the max-park limit and the shown
/// percentage.
std::int32_t gf_wantedStaticCount(ParkingState& state);

/// Fills the StaticParked list with real options and, when they are too few and soft or fake options
/// are allowed, soft ones; already = live aircraft that already hold stands.
void gf_fillStaticParked(ParkingState& state, DayHalfHour now, std::int32_t wanted, std::int32_t already);

/// One pass of the fill over the options of one kind.
void gf_collectStaticParked(ParkingState& state, DayHalfHour now, std::int32_t wanted, std::int32_t already,
                            StaticSearchMode mode);

/// Searches at offsets 0..MAX_FIT half-hours back until wanted stands are taken: true then, with the last
/// offset's records left in local; false when the offsets ran out, every record in the StaticParked list.
bool gf_countPositionsFound(ParkingState& state, DayHalfHour now, StaticSearchMode mode, std::int32_t wanted,
                            std::vector<StaticParked>& local);

/// Plans one option for every free stand that held one at now shifted back by offset half-hours.
void gf_searchStands(ParkingState& state, DayHalfHour now, StaticSearchMode mode, std::uint32_t offset,
                     std::vector<StaticParked>& list);

/// Orders the candidate option ids of a stand: the option of a static aircraft that already stands there
/// comes first (it keeps its identity), else the ids are shuffled.
void gf_pickStandOption(const ParkingState& state, std::vector<std::uint32_t>& candidateIds,
                        const Stand& stand);

/// True when the option's aircraft is planned, parked, live or being retired already.
bool gf_optionInUse(const ParkingState& state, const StandOccupancy& option);

} // namespace oxl
