// The livery folder's process-wide state: the database tables, the scan's reports and lists, the indexes,
// the matching's memory, the registration codes and the similar models, with the thread that owns each group.
#pragma once

#include "foundation/disk_refusal.h"
#include "foundation/thread_owner.h"
#include "liveries/addon_packages.h"
#include "liveries/dbase.h"
#include "liveries/livery_data.h"
#include "liveries/livery_indexes.h"
#include "liveries/livery_matching.h"
#include "liveries/regcodes.h"
#include "liveries/similar_models.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace oxl
{

/// The livery folder's state, one instance (gLiveries).
struct LiveriesState
{
    // The groups marked as the cycle worker's are checked by cycleOwner in debug builds where the worker
    // enters the folder (scan, matching, pending and failed titles, summary); released by
    // gf_releaseLiveries at the cycle reset, so that the next cycle's worker takes them over.
    ThreadOwner cycleOwner;

    // The scan's reports, written by the scan on the cycle worker.
    /// Paths of aircraft.cfg files without any [fltsim.N] header.
    ReportList EmptyCfgFiles;
    /// Files rejected as a whole (section numbers out of range, no atc_model line).
    ReportList InvalidCfgFiles;
    /// Sections that gave no livery, and remarks on sections.
    ReportList IncompleteSections;
    /// Airline codes the database does not know: "{:12} in {} " and the section header.
    ReportList InvalidAirlineCodes;
    /// Type codes that are neither known nor a model fix key: "{:16} in {}".
    ReportList InvalidModelCodes;
    /// Repaired type codes, in the order they were repaired.
    ReportList ModelFixes;
    /// Fields of scanned liveries that the database corrected.
    ReportList DbaseCorrections;

    // The scan's lists, the cycle worker's (the scan workers read DontUseTitles).
    /// Every title that became a record in the current scan.
    TitleRegister ScannedTitles;
    /// Titles the registration-code files mark as not to be used; filled before the folder walk and only
    /// read while scan workers run, so it has no lock.
    std::vector<std::string> DontUseTitles;
    /// The scan's list of liveries; touched only by the cycle worker.
    std::list<LiveryData> ScannedLiveries;
    /// The last scan's LiveriesScanned.xml could not be saved: the scan must run again.
    bool scanNotSaved = false;
    /// Why, when the disk refused it.
    std::optional<DiskRefusal> scanRefused;

    // The indexes, built and cleared by the cycle worker's livery processing and read by the matching on it.
    /// Airline code -> type code -> title records; owns every title.
    std::unordered_map<std::string, TypeTitleRecords, TextHash, std::equal_to<>> MainLiveryIndex;
    /// Per kind (0 passenger, 1 cargo): airline -> type -> title views.
    AirlineTypeTitleViews AirlineLiveryIndex[2];
    /// Per kind (0 passenger, 1 cargo): type -> title views over all airlines.
    TypeTitleViews TypeLiveryIndex[2];
    /// Light types with liveries, ascending.
    std::vector<std::string> LightTypes;
    /// Business-jet types with liveries, ascending.
    std::vector<std::string> BuzjetTypes;
    /// Rotorcraft types with liveries, ascending.
    std::vector<std::string> RotorcraftTypes;

    // The matching's memory, the cycle worker's.
    /// Live matches per step (index step - 1); kept for the life of the process.
    std::array<std::int32_t, kMatchSteps> MatchStepCounters{};
    /// Titles the simulator failed to create, each once, in order of its first failure; copies, so that they
    /// outlive a rescan.
    std::vector<std::string> FailedTitles;
    /// "type airline" of every aircraft whose creation failed.
    std::unordered_set<std::string> FailedTypeAirlines;
    /// Hexid -> title chosen for a live aircraft, so that it keeps its livery when it spawns again.
    std::unordered_map<std::uint32_t, std::string_view> PendingTitles;

    // The registration codes, built by the cycle worker's livery processing.
    /// Regcode -> stored title (a view into MainLiveryIndex).
    std::unordered_map<std::string, std::string_view, TextHash, std::equal_to<>> RegcodeMap;
    /// Titles reserved for their registrations, once per special entry merged.
    std::vector<std::string_view> SpecialTitles;
    /// Report lines of the offline pass (output/info/OfflineRegcodes.txt).
    std::vector<std::string> RegcodeReport;

    // The similar models, built by the cycle worker's livery processing.
    /// Type -> its similar types that have liveries.
    SimilarTable SimilarModels;
    /// Airline -> type the airline has no livery of -> similar types the airline has liveries of.
    std::unordered_map<std::string, SimilarTable, TextHash, std::equal_to<>> AirlineSimilarModels;

    // The indexes' helpers (the cycle worker's). Every stored title once, the first in the main index's
    // walk order: registration codes look titles up tens of thousands of times per build, which a walk
    // over every title cannot afford.
    std::unordered_set<std::string_view> TitleTable;
    /// Whether the special titles were reserved since the last clear.
    bool ReservedOnce = false;
    // The similar models' shared answers of no and one type (the cycle worker's).
    std::vector<std::string> SharedEmptyList;
    std::vector<std::string> SharedSingleList;

    // Set by the cycle worker, read by any thread.
    /// Set once the scanned liveries are in the indexes; later cycles of the process skip the processing.
    std::atomic<bool> gLiveriesProcessed{false};

    // The simulator version lookup the program installs before the first cycle; null: the version is
    // unknown. Read by the scan on the cycle worker.
    std::atomic<SimulatorVersionPort*> VersionPort{nullptr};

    /// The database tables: filled once per process by the cycle worker at its first cycle's start, then
    /// read by any thread.
    Dbase gDbase;
};

/// The livery folder's state.
extern LiveriesState gLiveries;

/// Gives the cycle worker's part of the state up at the cycle reset: the next cycle's worker takes it.
void gf_releaseLiveries();

} // namespace oxl
