#include "airports/airport_scan.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "foundation/strings.h"
#include "foundation/system_lookups.h"
#include "foundation/text_files.h"
#include "foundation/worker_slots.h"

#include <fmt/format.h>

#include <algorithm>
#include <deque>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{

NoAirportScanPort gNoScanPort;

constexpr std::size_t kScanLogReserve = 2048; // lines

// Folders below the program folder, as Windows texts for the log and as paths of this machine.
constexpr std::string_view kTbloText = "TBLO";
constexpr std::string_view kScanReportText = "output\\info\\AirportsScanLog.txt";
constexpr std::string_view kOrbxText = "airports\\my_ORBX";
constexpr std::string_view kThirdpartyText = "airports\\my_thirdparty";

fs::path lf_local(std::string_view windowsText)
{
    std::string text(windowsText);
    std::replace(text.begin(), text.end(), '\\', '/');
    return fs::path(text);
}

// The Windows text of a file found below a scanned folder: the folder's own text and the rest of the
// path, so that text tests see the same form as the folder lists.
std::string lf_entryText(const WinPath& folder, const fs::path& root, const fs::path& entry)
{
    std::string rest = entry.lexically_relative(root).generic_string();
    std::replace(rest.begin(), rest.end(), '/', '\\');
    return (folder / rest).text();
}

// The decode workers of one folder. Their results are taken oldest first; whatever way the folder scan
// ends, every result is taken and every thread joined before it returns, so no worker writes the scan
// log or the airport folders after its folder's scan.
class BglWorkers
{
  public:
    explicit BglWorkers(const WinPath& folder) : folder_(folder) {}
    BglWorkers(const BglWorkers&) = delete;
    BglWorkers& operator=(const BglWorkers&) = delete;
    ~BglWorkers()
    {
        try
        {
            takeAll();
        }
        catch (...)
        {
            // Only the scan log's own allocation can fail here; the threads are still joined below.
        }
        joinAll();
    }

    // Starts the decode of one file on a thread of its own; the slot is taken before the thread exists,
    // so the worker's release can never come first.
    void start(const fs::path& file, AirportScanPort& port)
    {
        std::packaged_task<void()> task([&port, file] { port.processBglFile(file); });
        pending_.push_back(task.get_future());
        gFoundation.gRunningWorkers.fetch_add(1);
        try
        {
            threads_.emplace_back(std::move(task));
        }
        catch (...)
        {
            gf_releaseWorkerSlot();
            pending_.pop_back();
            throw;
        }
    }

    std::size_t pendingCount() const { return pending_.size(); }

    // Takes the oldest result; a failing file is reported and the walk goes on.
    void takeOldest(const std::string& currentFile)
    {
        std::future<void> oldest = std::move(pending_.front());
        pending_.pop_front();
        try
        {
            oldest.get();
        }
        catch (const std::exception& error)
        {
            gf_addScanLogLines({fmt::format("{} airports search aborted, futs inner, ", "===> "),
                                error.what(), std::to_string(pending_.size()), currentFile});
        }
    }

    // Takes every remaining result, oldest first; each failure is one line and the rest are still taken.
    void takeAll()
    {
        while (!pending_.empty())
        {
            std::future<void> oldest = std::move(pending_.front());
            pending_.pop_front();
            try
            {
                oldest.get();
            }
            catch (const std::exception& error)
            {
                gf_addScanLogLine(fmt::format("{} airports search in {} aborted, futs outer error: {}",
                                              "===> ", folder_.text(), error.what()));
            }
        }
    }

  private:
    void joinAll()
    {
        for (std::thread& thread : threads_)
            if (thread.joinable())
                thread.join();
        threads_.clear();
    }

    const WinPath& folder_;
    std::deque<std::future<void>> pending_;
    std::vector<std::thread> threads_;
};

// The walk's own failure (opening or stepping the directory iterator), told apart from a failure with
// one of its entries.
struct IteratorProblem : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// Steps to the next entry of the walk.
void lf_advance(fs::recursive_directory_iterator& it)
{
    std::error_code error;
    it.increment(error);
    if (error)
        throw IteratorProblem(fs::filesystem_error("recursive_directory_iterator::increment", error).what());
}

// The request to send the files kept for offline learning.
std::string lf_zipRequest()
{
    std::error_code error;
    const fs::path folder = fs::absolute(lf_local(kTbloText), error);
    return fmt::format(
        "Please zip the folder {} and mail it to the maker of {}, so that its airports can be learned "
        "for every user",
        WinPath::fromReal(error ? lf_local(kTbloText) : folder).text(), kProductName);
}

void lf_removeTbloFolder()
{
    std::error_code error;
    fs::remove_all(lf_local(kTbloText), error);
    if (error)
        throw fs::filesystem_error("remove_all", lf_local(kTbloText), error);
}

// The copies of one airport folder; returns how many files were dealt with (not needed or copied).
std::size_t lf_copyToTblo(const std::vector<std::string>& names, std::string_view folderText, bool orbx)
{
    AirportScanPort& port = gf_airportScanPort();
    const fs::path folder = lf_local(folderText);
    const fs::path tblo = lf_local(kTbloText);
    std::size_t done = 0;
    for (const std::string& stem : names)
    {
        if (!port.stockArchivedAirport(stem))
        {
            if (orbx)
                ++done;
            continue;
        }
        const fs::path source = folder / (stem + ".xml");
        const fs::path target = tblo / (stem + ".xml");
        const std::string sourceText = fmt::format("{}\\{}.xml", folderText, stem);
        const std::string targetText = fmt::format("{}\\{}.xml", kTbloText, stem);
        if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing))
        {
            if (orbx)
                gf_logMarked(fmt::format("failed to copy {}", sourceText));
            else
                gf_logMarked(fmt::format("'{}' failed to copy '{}'", sourceText, targetText));
            continue;
        }
        gf_log(fmt::format("{} copied to {}", stem, targetText));
        if (orbx)
            ++done;
        // A generated file beside a link file only exists to be learned offline; the link stays in force.
        std::error_code error;
        if (fs::exists(folder / (stem + ".txt"), error))
        {
            fs::remove(source, error);
            if (error)
                throw fs::filesystem_error("remove", source, error);
        }
    }
    return done;
}

// The file count of TBLO after a folder's copies, and what it means for the user.
void lf_reportTblo(bool orbx)
{
    const std::int64_t files = gf_countFiles(lf_local(kTbloText));
    gf_status().setCount(StatusCount::tbloFiles,
                         static_cast<std::uint64_t>(std::max<std::int64_t>(files, 0)));
    if (files != 0)
    {
        gf_logMarked(lf_zipRequest());
        return;
    }
    if (orbx)
    {
        gf_log("All your ORBX airports are done, no off line learning needed.");
        return;
    }
    gf_log("All your third party airports are done, no off line learning needed.");
    lf_removeTbloFolder();
}

// The stems of the airport files of a folder.
std::vector<std::string> lf_airportStems(std::string_view folderText)
{
    std::vector<std::string> stems = gf_listXmlFiles(lf_local(folderText));
    for (std::string& name : stems)
        name.resize(name.size() - std::string_view(".xml").size());
    return stems;
}

void lf_prepareTblo()
{
    const fs::path tblo = lf_local(kTbloText);
    std::error_code error;
    const bool exists = fs::exists(tblo, error);
    if (error)
        throw fs::filesystem_error("exists", tblo, error);
    if (exists)
    {
        gf_cleanFolder(tblo);
        return;
    }
    fs::create_directory(tblo, error);
    if (error)
        throw fs::filesystem_error("create_directory", tblo, error);
}

} // namespace

void NoAirportScanPort::processBglFile(const std::filesystem::path& /*file*/)
{
    gf_releaseWorkerSlot();
}

void gf_installAirportScanPort(AirportScanPort* port)
{
    gAirports.gScanPort.store(port);
}

AirportScanPort& gf_airportScanPort()
{
    AirportScanPort* const port = gAirports.gScanPort.load();
    return port != nullptr ? *port : gNoScanPort;
}

void gf_addScanLogLine(std::string text)
{
    std::lock_guard lock(gAirports.gScanLogMutex);
    gAirports.gScanLog.push_back(std::move(text));
}

void gf_addScanLogLines(std::initializer_list<std::string> lines)
{
    std::lock_guard lock(gAirports.gScanLogMutex);
    gAirports.gScanLog.insert(gAirports.gScanLog.end(), lines);
}

std::vector<std::string> gf_scanLogLines()
{
    std::lock_guard lock(gAirports.gScanLogMutex);
    return gAirports.gScanLog;
}

void gf_scanAirports()
{
    gf_status().showMessage("Scanning for addon airports ...", false);
    gf_logSpaced("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++",
                 AFG_AUTOMATIC.value() ? "automatic " : "manual ");
    lf_prepareTblo();

    std::vector<std::string> folders;
    folders.reserve(10);
    if (AFG_AUTOMATIC.value())
    {
        gf_readSceneryCfg(folders);
        gf_readSceneryAddonsXml(folders);
    }
    else
    {
        gf_readAfolderParameters(folders);
        if (folders.empty())
            throw UserErrorException(
                49, "Set afolder parameter(-s) to your add-on airports first, see Manual 6.1");
    }
    gf_cleanFolder(lf_local(kOrbxText));
    gf_cleanFolder(lf_local(kThirdpartyText));

    if (!gf_runAirportScan(folders))
        gf_status().showMessage("Warning: Scan has not found any add-on airports", true);

    SCAN_AIRPORTS.set(false);
    SCAN_AIRPORTS.save();
    gf_status().showSetting(SCAN_AIRPORTS);
    gf_status().repaint(WindowBand::all);

    if (gf_countFiles(lf_local(kTbloText)) == 0)
        lf_removeTbloFolder();
    gf_logSpaced("-------------------------- airports scan ends    ----------------------------\n");
}

bool gf_runAirportScan(const std::vector<std::string>& folders)
{
    gf_log(fmt::format("The scan will search {} folder{}", folders.size(), gf_pluralSU64(folders.size())));
    const fs::path report = lf_local(kScanReportText);
    std::error_code error;
    fs::remove(report, error);
    if (error && error != std::errc::no_such_file_or_directory)
        gf_log("problems with removing previous files (maybe still open?): " + error.message());

    gAirports.gAirportsFound.store(false);
    gf_status().setCount(StatusCount::tbloFiles, 0);
    {
        std::lock_guard lock(gAirports.gScanLogMutex);
        gAirports.gScanLog.clear();
        gAirports.gScanLog.reserve(kScanLogReserve);
    }
    gf_scanFolders(folders);

    {
        std::lock_guard lock(gAirports.gScanLogMutex);
        fs::create_directories(report.parent_path(), error);
        if (gf_writeReportLines(gAirports.gScanLog, report))
            gf_log(fmt::format("{} written", kScanReportText));
        else
            gf_logMarked(fmt::format("could not write {}", kScanReportText));
        gAirports.gScanLog.clear();
    }
    gf_status().clearMessage();

    const std::vector<std::string> thirdparty = lf_airportStems(kThirdpartyText);
    const std::vector<std::string> orbx = lf_airportStems(kOrbxText);
    gf_status().setFlag(StatusFlag::simaddonComplete, orbx.empty());
    gf_status().repaint(WindowBand::all);
    gf_copyOrbxToTblo(orbx);
    gf_copyThirdpartyToTblo(thirdparty);

    if (gAirports.gAirportsFound.load())
        gf_log("Airports scan successful");
    return gAirports.gAirportsFound.load();
}

void gf_scanFolders(const std::vector<std::string>& folders)
{
    for (const std::string& text : folders)
    {
        if (text.empty())
            continue;
        const WinPath folder(text);
        const fs::path real = folder.real();
        std::error_code error;
        const fs::file_status status = fs::status(real, error);
        if (error && error != std::errc::no_such_file_or_directory)
            throw fs::filesystem_error("exists", real, error);
        if (!fs::exists(status))
        {
            gf_status().showMessage(text + " does not exist, skipped!", true);
            continue;
        }
        if (!fs::is_directory(status))
        {
            gf_status().showMessage(text + " is not a folder name, skipped!", true);
            continue;
        }
        if (!gf_isInStockScenery(text))
            gf_scanFolderForBgl(folder);
    }
}

void gf_scanFolderForBgl(const WinPath& folder)
{
    gf_addScanLogLine(fmt::format("Scanning for {}{}", "addon airports in ", folder.text()));
    AirportScanPort& port = gf_airportScanPort();
    const fs::path root = folder.real();
    BglWorkers workers(folder);
    try
    {
        std::error_code error;
        fs::recursive_directory_iterator it(root, error);
        if (error)
            throw IteratorProblem(fs::filesystem_error("recursive_directory_iterator", root, error).what());
        for (; it != fs::recursive_directory_iterator(); lf_advance(it))
        {
            const fs::path& path = it->path();
            const std::string text = lf_entryText(folder, root, path);
            if (gf_isInStockScenery(text))
            {
                it.disable_recursion_pending();
                continue;
            }
            const fs::file_status status = it->status(error);
            if (error)
                throw fs::filesystem_error("status", path, error);
            if (!fs::is_regular_file(status) || !gf_isBglExtension(path.extension().string()))
                continue;
            if (text.find("statics") != std::string::npos || text.find("_heliports") != std::string::npos)
                continue;
            if (!port.hasAirportSection(path))
                continue;
            if (gf_stopSeen())
                break;
            gf_waitWorkerSlot();
            workers.start(path, port);
            if (workers.pendingCount() >
                static_cast<std::size_t>(std::max(gFoundation.gWorkerLimit.load(), 1)))
                workers.takeOldest(text);
        }
    }
    catch (const IteratorProblem& problem)
    {
        gf_addScanLogLine(
            fmt::format("{} airports search in folder {} aborted because of iterator problem: {}", "===> ",
                        folder.text(), problem.what()));
    }
    catch (const std::exception& failure)
    {
        gf_addScanLogLine(fmt::format("{} airports search in folder {} aborted, cause: {}", "===> ",
                                      folder.text(), failure.what()));
    }
    workers.takeAll();
}

void gf_copyOrbxToTblo(const std::vector<std::string>& names)
{
    if (names.empty())
        return;
    const std::size_t done = lf_copyToTblo(names, kOrbxText, true);
    gf_status().setFlag(StatusFlag::simaddonComplete, done == names.size());
    gf_status().repaint(WindowBand::all);
    lf_reportTblo(true);
}

void gf_copyThirdpartyToTblo(const std::vector<std::string>& names)
{
    if (names.empty())
        return;
    lf_copyToTblo(names, kThirdpartyText, false);
    lf_reportTblo(false);
}

} // namespace oxl
