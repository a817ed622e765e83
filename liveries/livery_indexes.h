// The indexes that the livery match reads: every installed title stored once in the main index, views of
// them by airline and type, by type over all airlines, and the types of the optional categories that have
// liveries. Built on the cycle worker once per run from the scanned list; read there without a lock.
#pragma once

#include "liveries/dbase.h"
#include "records/aircraft_records.h"

#include <atomic>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oxl
{

/// One stored livery title and its kind.
struct TitleRecord
{
    std::string title;  ///< owns the text that every other index views
    bool cargo = false; ///< a freighter livery
};

/// Titles of one (airline, type), in the order of the scanned list.
using TitleRecords = std::vector<TitleRecord>;
/// Type code -> titles.
using TypeTitleRecords = std::unordered_map<std::string, TitleRecords, TextHash, std::equal_to<>>;
/// A list of views of stored titles.
using TitleViews = std::vector<std::string_view>;
/// Type code -> views.
using TypeTitleViews = std::unordered_map<std::string, TitleViews, TextHash, std::equal_to<>>;
/// Airline code -> type code -> views.
using AirlineTypeTitleViews = std::unordered_map<std::string, TypeTitleViews, TextHash, std::equal_to<>>;

/// Index 0 of the kind-split indexes: passenger liveries.
inline constexpr std::size_t kPaxIndex = 0;
/// Index 1 of the kind-split indexes: cargo liveries.
inline constexpr std::size_t kCargoIndex = 1;

/// Per kind (0 passenger, 1 cargo): airline -> type -> title views.
/// Per kind (0 passenger, 1 cargo): type -> title views over all airlines.
/// Light types with liveries, ascending.
/// Business-jet types with liveries, ascending.
/// Rotorcraft types with liveries, ascending.

/// Fills gLiveries.MainLiveryIndex from gLiveries.ScannedLiveries (sorted by airline, type, title) and the
/// title lookup table.
void gf_buildMainIndex();
/// Fills gLiveries.AirlineLiveryIndex from gLiveries.MainLiveryIndex.
void gf_buildAirlineIndexes();
/// Fills gLiveries.TypeLiveryIndex from gLiveries.MainLiveryIndex; the titles of one type keep the main
/// index's walk order.
void gf_buildTypeIndexes();
/// Logs the category's summary, fills its type list and switches its setting off when it has no livery.
void gf_summarizeCategory(AcCategory category);
/// Enables the switch of each optional category that has liveries and disables the others (a new cycle
/// enables every control, and the summaries that decide them run once per process).
void gf_showCategorySwitches();
/// Appends the types to the list of the first set flag and logs them, 20 per line.
void gf_fillCategoryTypeLists(bool light, bool buzjet, bool rotorcraft,
                              const std::vector<std::string>& types);

/// The stored title equal to the text, empty when no installed livery has it (first one in the main
/// index's walk order when a hand-edited file holds it twice).
std::string_view gf_findLiveryTitle(std::string_view title);
/// True when the airline has a livery of the type.
bool gf_hasLiveryOfAirlineType(const std::string& airline, const std::string& type);
/// The airline keys of gLiveries.MainLiveryIndex, each cut to its first three characters, in iteration order.
std::vector<std::string> gf_indexAirlineCodes();
/// A random light type with liveries (the first when RANDOM is off); empty when there is none.
std::string gf_randomLightType();
/// A random business-jet type with liveries; empty when there is none.
std::string gf_randomBuzjetType();
/// A random rotorcraft type with liveries; empty when there is none.
std::string gf_randomRotorcraftType();

/// Reserves the special titles, the category type lists and the shared similar-type lists, once per process.
void gf_reserveLiveryIndexes();
/// Empties every index, the regcode data, the similar-model tables and the pending titles. Cycle worker
/// only: the titles die.
void gf_clearLiveryIndexes();

} // namespace oxl
