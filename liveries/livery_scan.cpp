#include "liveries/livery_scan.h"

#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "foundation/strings.h"
#include "foundation/worker_pool.h"
#include "foundation/worker_slots.h"
#include "liveries/aircraft_cfg.h"
#include "liveries/liveries_scanned.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/regcodes.h"
#include "liveries/registrations.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{

using ReaderResult = std::future<std::list<LiveryData>>;

/// The longest wait for the oldest result to become valid.
constexpr std::chrono::seconds kFutureValidWait{10};
/// Pause between two tests of the oldest result's validity.
constexpr std::chrono::milliseconds kFutureValidPoll{1};

void removeScannedFile()
{
    std::error_code error;
    if (fs::remove(gf_liveriesScannedPath(), error))
        gf_log(fmt::format("{} removed", gf_liveriesScannedPath().string()));
}

bool stopRequested()
{
    return gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0;
}

std::string flagWord(bool flag)
{
    return flag ? "true" : "false";
}

// The Windows text of an entry met by the walk of a folder: the folder's text and the entry's path
// below the folder's real path.
WinPath entryText(const WinPath& folder, const fs::path& root, const fs::path& entry)
{
    std::string relative =
        entry.generic_string().substr(std::min(root.generic_string().size(), entry.generic_string().size()));
    relative.erase(0, relative.find_first_not_of('/'));
    std::replace(relative.begin(), relative.end(), '/', '\\');
    return folder / relative;
}

// The oldest pending result, dropped from the list whatever happens: its liveries, or the reader's
// exception. A result that never becomes valid is given up after ten seconds.
std::list<LiveryData> takeOldestResult(std::deque<ReaderResult>& pending, bool duringWalk)
{
    ReaderResult oldest = std::move(pending.front());
    pending.pop_front();
    const auto start = std::chrono::steady_clock::now();
    while (!oldest.valid())
    {
        if (duringWalk)
        {
            gf_logMarked("futs #1 not yet valid ? ...");
        }
        else
        {
            gf_log("futs #1 not yet valid ...");
        }
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + kFutureValidPoll);
        if (std::chrono::steady_clock::now() - start > kFutureValidWait)
        {
            throw std::runtime_error("Future wait timed out after 10 seconds");
        }
    }
    return oldest.get();
}

// Queues the reading of one configuration file on the folder's workers; its slot is taken before the task
// is queued and given back when it cannot be, so the count never leaks.
void startReader(int folderIndex, const WinPath& file, WorkerPool& workers, std::deque<ReaderResult>& pending)
{
    gf_waitWorkerSlot();
    using Reader = std::list<LiveryData> (*)(int, const WinPath&);
    const Reader reader = gf_isIvaoPackageFile(file) ? &gf_readAircraftCfg : &gf_searchLiveriesinFile;
    auto task = std::make_shared<std::packaged_task<std::list<LiveryData>()>>(
        [reader, folderIndex, file] { return reader(folderIndex, file); });
    pending.push_back(task->get_future());
    gFoundation.gRunningWorkers.fetch_add(1);
    try
    {
        workers.post([task] { (*task)(); });
    }
    catch (...)
    {
        gf_releaseWorkerSlot();
        pending.pop_back();
        throw;
    }
}

void takeResultDuringWalk(std::deque<ReaderResult>& pending)
{
    try
    {
        gLiveries.ScannedLiveries.splice(gLiveries.ScannedLiveries.end(), takeOldestResult(pending, true));
    }
    catch (const std::exception& e)
    {
        gf_log(fmt::format("liveries search aborted, futs inner, {}", e.what()));
    }
}

void takeResultsAfterWalk(std::deque<ReaderResult>& pending)
{
    while (!pending.empty())
    {
        try
        {
            gLiveries.ScannedLiveries.splice(gLiveries.ScannedLiveries.end(),
                                             takeOldestResult(pending, false));
        }
        catch (const std::exception& e)
        {
            gf_log(fmt::format("liveries search aborted, futs outer, {}", e.what()));
        }
    }
}

// A walk that ended early loses the results still pending, but waits for their readers: a reader left
// running would still register titles and report lines after the scan has emptied them.
void abandonResults(std::deque<ReaderResult>& pending)
{
    for (ReaderResult& result : pending)
    {
        if (result.valid())
        {
            result.wait();
        }
    }
    pending.clear();
}

// A record whose title a file that comes first took after the record's own worker had claimed it goes.
void dropDisplacedLiveries()
{
    for (const LiveryData& gone : gLiveries.ScannedTitles.takeDisplaced())
    {
        const auto it = std::find_if(gLiveries.ScannedLiveries.begin(), gLiveries.ScannedLiveries.end(),
                                     [&gone](const LiveryData& l)
                                     { return l.folderIndex == gone.folderIndex && gf_sameLivery(l, gone); });
        if (it != gLiveries.ScannedLiveries.end())
        {
            gLiveries.ScannedLiveries.erase(it);
        }
    }
}

} // namespace

bool gf_isAircraftConfigName(const fs::path& name)
{
    std::string stem = name.stem().string();
    std::string extension = name.extension().string();
    std::transform(stem.begin(), stem.end(), stem.begin(), gf_upperByte);
    std::transform(extension.begin(), extension.end(), extension.begin(), gf_upperByte);
    return extension == ".CFG" && (stem == "AIRCRAFT" || stem == "SIM");
}

bool gf_isTextureFolderName(const fs::path& name)
{
    const std::string text = name.string();
    constexpr std::string_view kTexture = "texture";
    return (text.size() == kTexture.size() ||
            (text.size() > kTexture.size() && text[kTexture.size()] == '.')) &&
           namesEqualNoCase(std::string_view(text).substr(0, kTexture.size()), kTexture);
}

bool gf_isIvaoPackageFile(const WinPath& file)
{
    return file.text().find("ivao_x-csl") != std::string::npos ||
           file.text().find("IVAO_MTL") != std::string::npos;
}

void gf_searchLiveriesInFolder(int folderIndex, const WinPath& folder)
{
    std::deque<ReaderResult> pending;
    // As many readers as slots; leaving the walk joins them, so no reader runs on after it.
    WorkerPool workers(static_cast<std::size_t>(std::max(gFoundation.gWorkerLimit.load(), 1)));
    const fs::path root = folder.real();
    try
    {
        fs::recursive_directory_iterator it(root);
        for (; it != fs::recursive_directory_iterator(); ++it)
        {
            const fs::directory_entry& entry = *it;
            const WinPath text = entryText(folder, root, entry.path());
            try
            {
                // Scenery folders hold no aircraft, and deep paths are beyond what the simulator loads. A
                // texture folder holds a livery's images, and its readers only ask whether it exists.
                if (text.text().find("airport") != std::string::npos ||
                    gf_isTextureFolderName(entry.path().filename()))
                {
                    it.disable_recursion_pending();
                }
                else if (text.text().size() >= kMaxDescendPathLength)
                {
                    // The liveries below are missed: the user learns why.
                    if (entry.is_directory())
                        gf_log(fmt::format(
                            "{} not searched for liveries: its path has {} characters, {} at most",
                            text.text(), text.text().size(), kMaxDescendPathLength - 1));
                    it.disable_recursion_pending();
                }
                if (!entry.is_regular_file() || !gf_isAircraftConfigName(entry.path().filename()))
                {
                    continue;
                }
                startReader(folderIndex, text, workers, pending);
            }
            catch (const std::exception& e)
            {
                gf_log(fmt::format("liveries search in {} aborted, cause: {}", text.text(), e.what()));
            }
            if (pending.size() > static_cast<std::size_t>(std::max(gFoundation.gWorkerLimit.load(), 0)))
            {
                takeResultDuringWalk(pending);
            }
        }
    }
    catch (const std::exception& e)
    {
        gf_log(fmt::format("liveries search in folder {} aborted because of iterator problem: {}",
                           folder.text(), e.what()));
        abandonResults(pending);
        return;
    }
    takeResultsAfterWalk(pending);
}

void gf_applyDbaseToLiveries()
{
    for (LiveryData& livery : gLiveries.ScannedLiveries)
    {
        if (livery.atcid.empty())
        {
            continue;
        }
        const std::optional<DbaseRecord> record = gf_lookupRegistration(livery.atcid);
        if (!record)
        {
            continue;
        }
        if (livery.cargo != record->cargo)
        {
            gLiveries.DbaseCorrections.add(fmt::format("{:80} {} cargo {} => {}", livery.title, livery.atcid,
                                                       flagWord(livery.cargo), flagWord(record->cargo)));
            livery.cargo = record->cargo;
        }
        const std::string& airline = record->opr.empty() ? record->airl : record->opr;
        if (livery.airl != airline)
        {
            gLiveries.DbaseCorrections.add(
                fmt::format("{:80} {} airl {} => {}", livery.title, livery.atcid, livery.airl, airline));
            livery.airl = airline;
        }
        if (livery.type != record->type)
        {
            gLiveries.DbaseCorrections.add(fmt::format("{:80} {} model {} => {}", livery.title, livery.atcid,
                                                       livery.type, record->type));
            livery.type = record->type;
        }
    }
}

void gf_keepPrioritizedLiveries()
{
    // One pass for the lowest index of every airline and type, one to drop the others: the same
    // liveries stay as when each livery is compared with every other one.
    std::map<std::pair<std::string, std::string>, std::uint32_t> lowest;
    for (const LiveryData& livery : gLiveries.ScannedLiveries)
    {
        const auto [it, inserted] = lowest.try_emplace({livery.airl, livery.type}, livery.folderIndex);
        if (!inserted)
        {
            it->second = std::min(it->second, livery.folderIndex);
        }
    }
    gLiveries.ScannedLiveries.remove_if(
        [&lowest](const LiveryData& livery) {
            return livery.folderIndex > lowest.at({livery.airl, livery.type});
        });
}

bool gf_scanLiveryFolders(const LiveryFolderList& folders)
{
    gLiveries.ScannedLiveries.clear();
    gLiveries.scanNotSaved = false;
    gLiveries.scanRefused.reset();
    // A scan that ended with an exception left its titles registered; they would reject the same
    // titles now.
    gf_clearScanContainers();
    gf_removeScanOutputs();
    gf_readDontUseTitles();

    std::uint32_t folderIndex = 0;
    std::size_t total = 0;
    for (const std::string& text : folders)
    {
        if (text.empty())
        {
            continue;
        }
        const WinPath folder(text);
        const fs::path real = folder.real();
        if (!fs::exists(real))
        {
            gf_log(text + " does not exist, skipped!");
            continue;
        }
        if (!fs::is_directory(real))
        {
            gf_log(text + " is not a folder name, skipped!");
            continue;
        }
        folderIndex = std::min(folderIndex + 1, kMaxLiveryFolderIndex);
        if (stopRequested())
        {
            continue;
        }
        const std::size_t before = gLiveries.ScannedLiveries.size();
        gf_searchLiveriesInFolder(static_cast<int>(folderIndex), folder);
        dropDisplacedLiveries();
        const std::size_t found = gLiveries.ScannedLiveries.size() - before;
        const std::string where = fmt::format("found in {}", text);
        if (found == 0)
        {
            gf_log(fmt::format("No liveries {}", where));
        }
        else
        {
            gf_log(fmt::format("{} liverie{} {}", found, gf_pluralSU64(found), where));
        }
        total += found;
    }

    if (stopRequested())
    {
        gLiveries.ScannedLiveries.clear();
        gf_clearScanContainers();
        return true;
    }
    if (gLiveries.ScannedLiveries.empty())
    {
        // The finished scan found nothing: the liveries of the last one are gone.
        removeScannedFile();
        gf_clearScanContainers();
        gf_status().setCount(StatusCount::liveries, 0);
        gf_status().repaint(WindowBand::status);
        return false;
    }
    if (folders.size() > 1)
    {
        gf_log(fmt::format("{} in total", total));
    }
    gf_applyDbaseToLiveries();
    if (LIG_PRIORITIZE.value())
    {
        gf_keepPrioritizedLiveries();
    }
    gLiveries.ScannedLiveries.sort(gf_liveryBefore);
    gLiveries.ScannedLiveries.unique(gf_sameLivery);
    const SaveResult saved = gf_writeLiveriesScannedXml();
    gLiveries.scanNotSaved = !saved;
    gLiveries.scanRefused = saved.refused;
    gLiveries.ScannedLiveries.clear();
    gf_writeScanReports();
    gf_clearScanContainers();
    gf_status().clearMessage();
    return true;
}

LiveryFolderList gf_liveryFolderList()
{
    LiveryFolderList folders;
    folders.reserve(kLiveryFoldersReserved);
    if (LIG_AUTOMATIC.value())
    {
        gf_readP3DAddOnsAircraft(folders);
        gf_readSimObjectsCfg(folders);
        return folders;
    }
    for (const StringParameter& folder : lfolder)
    {
        if (!folder.value().empty())
        {
            folders.push_back(folder.value());
        }
    }
    return folders;
}

void gf_scanInstalledLiveries()
{
    const bool automatic = LIG_AUTOMATIC.value();
    gf_status().showMessage(fmt::format("Scanning {} for liveries ...",
                                        LIG_PRIORITIZE.value() && !automatic ? "prioritized " : ""),
                            false);
    gf_logSpaced("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++",
                 automatic ? "automatic" : "manual");
    const LiveryFolderList folders = gf_liveryFolderList();
    if (!automatic && folders.empty())
    {
        throw UserErrorException(
            48,
            "Set lfolder parameter(-s) to your liveries first, see Manual 5.1 (or check Liveries automatic)");
    }
    if (!gf_scanLiveryFolders(folders))
    {
        if (automatic)
        {
            throw UserErrorException(
                43, "Automatic scan has not found any liveries, switch off automatic and set "
                    "lfolder parameter(-s), Manual 5.1");
        }
        throw UserErrorException(53, "no liveries found");
    }
    // A stopped scan wrote nothing: it must run again in the next cycle.
    if (stopRequested())
    {
        return;
    }
    if (gLiveries.scanNotSaved)
    {
        gf_logMarked(fmt::format("{} not saved, the liveries are scanned again at the next start",
                                 gf_liveriesScannedPath().string()));
        return;
    }
    SCAN_LIVERIES.set(false);
    SCAN_LIVERIES.save();
    gf_status().showSetting(SCAN_LIVERIES);
    gf_status().repaint(WindowBand::controls);
    gf_logSpaced("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
}

} // namespace oxl
