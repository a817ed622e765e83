// The choice of an installed livery for every aircraft that goes into the simulator: a cascade from the
// livery reserved for the registration down to any livery of a similar type, limited by MATCHING_DEPTH;
// the per-step counters and their summary, the titles the simulator failed to create, the titles kept
// for aircraft that spawn again and the list of aircraft without a match. Cycle worker only, no locks.
#pragma once

#include "records/aircraft_records.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace oxl
{

/// The generic airline of liveries that belong to no particular airline.
inline constexpr std::string_view kGenericAirline = "ZZZ";
/// The airline of private aircraft, which try the generic liveries of their type first.
inline constexpr std::string_view kPrivateAirline = "PVT";
/// Liveries the simulator failed to create over the life of the process at which the cycle ends with
/// error 81.
inline constexpr std::size_t kFailedTitlesLimit = 20;
/// Tries of a random pick before the titles reserved for registrations are left out.
inline constexpr int kSpecialPickTries = 5;

/// Steps of the cascade, 1 (reserved for the registration) .. 6 (any livery of a similar type).
inline constexpr std::int64_t kMatchSteps = 6;

/// Titles the simulator failed to create, in order of failure; copies, so that they outlive a rescan.
/// "type airline" of every aircraft whose creation failed.
/// Hexid -> title chosen for a live aircraft, so that it keeps its livery when it spawns again.

/// Chooses the livery of a live aircraft: sets its title (empty when nothing matched) and its reverse
/// marker, counts and logs the step.
void gf_matchLiveAcLivery(AcProfile& ac);
/// Chooses the livery of a static aircraft for the stand it will stand on (its name and cargo flag);
/// true when the aircraft has a title on return. Counts nothing and keeps no pending title.
bool gf_matchStaticAcLivery(AcProfile& ac, const std::string& standName, bool standCargo);

/// The pending title of the hexid; empty when there is none or when the simulator failed to create it
/// (the entry is then forgotten).
std::string_view gf_takePendingTitle(std::uint32_t hexid);
/// Keeps the title for the hexid.
void gf_storePendingTitle(std::uint32_t hexid, std::string_view title);
/// Forgets the hexid's pending title.
void gf_erasePendingTitle(std::uint32_t hexid);
/// Forgets every pending title (cycle reset, closing down, once a day).
void gf_clearPendingTitles();

/// Records a title the simulator could not create; at the 20th title of the process throws
/// UserErrorException 81. A title refused again (a creation sent before its first refusal came back) is
/// shown but counts no further. Nothing while a stop is requested or the window is closed.
void gf_onLiveryNotCreated(const AcProfile& ac);
/// "  " + entry for every entry of gLiveries.FailedTypeAirlines.
std::vector<std::string> gf_failedLiveriesList();
/// Writes the matching summary to the log once any live match was counted.
void gf_logLiveryMatchSummary();
/// Writes the aircraft that found no livery to the log while LOG is on.
void gf_logNoMatchList(const std::vector<std::string>& unmatched);

/// True when the simulator failed to create the title.
bool gf_isFailedTitle(std::string_view title);

} // namespace oxl
