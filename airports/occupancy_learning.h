// What live aircraft teach the park airport's stands: which aircraft stood where, on which weekday and in
// which half-hours, as real (seen standing) or soft (guessed from a departure) options, with the visits
// that stretch an option over a whole stay and the second callsign an aircraft leaves with.
#pragma once

#include "airports/airport_file.h"
#include "airports/parking_state.h"
#include "airports/stand.h"
#include "foundation/half_hours.h"
#include "records/aircraft_records.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oxl
{

/// [half-hours] longest stay that one visit stretches an option over, by kind of aircraft.
inline constexpr std::uint32_t kCargoVisitLimit = 12;
/// [half-hours] the same for a Heavy aircraft.
inline constexpr std::uint32_t kHeavyVisitLimit = 8;
/// [half-hours] the same for every other aircraft.
inline constexpr std::uint32_t kOtherVisitLimit = 6;

/// Visits of live aircraft at one stand, by hexid.
using StandVisitMap = std::unordered_map<std::uint32_t, StandVisit>;

/// The option gf_addOccupancy made, or the one that already held the same occupancy.
struct OccupancyAdded
{
    std::uint32_t id = 0; ///< the new option's id; the existing duplicate's id when none was made
    bool created = false; ///< a new option was appended
};

/// The key an aircraft is learned under: its registration, else its callsign ("" = not learned).
[[nodiscard]] std::string lt_learningKey(const AcProfile& aircraft);

/// Learns a real option of the aircraft at the stand for the time; closeVisit ends its stay there.
/// True when the stand's options were updated (the learned-update count then rises).
bool lt_addStandOption(ParkingState& parking, std::uint32_t standId, const AcProfile& aircraft,
                       DayHalfHour time, bool closeVisit);

/// The same for a soft option, learned when an aircraft leaves a stand; direct marks a stand on which
/// the aircraft was already seen (a visit), as opposed to one chosen for it by the stand search.
bool lt_addStandOptionOnDeparture(ParkingState& parking, std::uint32_t standId, const AcProfile& aircraft,
                                  bool direct, DayHalfHour time, bool closeVisit);

/// Appends an option of the kind for the key at the time's weekday and half-hour, unless the key is
/// empty or an option with the same registration, weekday, half-hours and callsign exists. The
/// airline and type come from the database record of the key (its operator first) when there is one.
/// A half-hour of 48 or more raises std::out_of_range.
OccupancyAdded gf_addOccupancy(Stand& stand, StandOptionKind kind, DayHalfHour time,
                               std::string_view callsign, const std::string& key, const AcProfile& aircraft);

/// Learns the callsign for the option with the id: its callsign when it has none, else its coupled
/// callsign when the name differs from both. A trailing '_' (a ghost's mark) is dropped first.
void gf_setOccupancyName(Stand& stand, std::uint32_t id, std::string_view callsign);

/// Sets the half-hours in the option with the id; false (logged) for a half-hour outside 0..47 or when
/// the stand has no option with the id.
bool updateOptions(Stand& stand, const std::vector<std::uint32_t>& halfHours, std::uint32_t id);

/// Splits a list of half-hours running back from today's across midnight: yesterday's part goes into
/// oldId's option, today's (without the newest, which the new option already holds) into newId's.
bool updateOptionsWrapped(Stand& stand, const std::vector<std::uint32_t>& halfHours, std::uint32_t oldId,
                          std::uint32_t newId);

/// Records the n half-hours up to the time of a stay that crossed midnight in the two options, and the
/// callsign in both.
void gf_recordParkedHalfHours(Stand& stand, DayHalfHour time, std::string_view callsign, std::uint32_t n,
                              std::uint32_t oldId, std::uint32_t newId);

/// Stretches the visit's option up to the time; on a new weekday a new option for today takes the
/// visit over. False when the stay is too long (12 half-hours cargo, 8 Heavy, 6 others) or no time has
/// passed, so that the caller starts a new option.
bool gf_extendStandVisit(DayHalfHour time, Stand& stand, std::uint32_t id, StandVisit& visit,
                         const AcProfile& aircraft, const std::string& key, StandOptionKind kind);

/// Ends a visit; the iterator after it.
StandVisitMap::iterator gf_eraseStandVisit(StandVisitMap& visits, StandVisitMap::iterator node);

/// Counts one learned change and repaints the window when the count shown is out of date.
void gf_countLearnedUpdate(ParkingState& parking);

/// The folder of an airport's learned file by its file's publisher: learned/stock, learned/simaddon or
/// learned/thirdparty/<publisher>; empty for a publisher that cannot name a folder.
[[nodiscard]] std::filesystem::path gf_learnedFolder(std::string_view publisher);

/// Saves what was learned at the park airport into its learned file (where the last read looked for it,
/// else in the publisher's learned folder), below the program folder: the
/// options learned in this run (fixed ones only for a hand-made file, fake ones never), changed stand
/// sizes and cargo marks, stands made by hand and the ten settings. Shows and logs the result; on
/// success the learned-update count and parametersChanged are reset. False when nothing was saved.
bool gf_saveAirportFile(ParkingState& parking, const ParkFileInfo& info, bool handmade,
                        bool& parametersChanged);

} // namespace oxl
