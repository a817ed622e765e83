// The start-up checks of each cycle: settings, data folders, version check, controls, program folder,
// database, airport list, the simulator's install path and the traffic source's installation.
#include "traffic/cycle/cycle_worker.h"

#include "airports/airport_list.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/disk_refusal.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/settings_file.h"
#include "foundation/status_service.h"
#include "foundation/system_lookups.h"
#include "platform/disk_refusal.h"
#include "traffic/cycle/cycle_detail.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/source/source_link.h"
#include "traffic/source/source_state.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <system_error>

#include <fmt/format.h>

namespace oxl
{

namespace
{

namespace fs = std::filesystem;

// The value that MAX_FIT_FL is reset to at every cycle start [h].
constexpr float kMaxFitPerHalfHour = 0.5f;
// The parking target every cycle starts with [%].
constexpr std::int32_t kStartParkingPercentage = 30;

const char* const kDataFolders[] = {
    "output",
    "output/info",
    "output/errors",
    "airports",
    "airports/learned",
    "airports/stock",
    "airports/simaddon",
    "airports/thirdparty",
    "airports/my_ORBX",
    "airports/my_thirdparty",
    "input/my_regcodes",
};

const char* const kLeftoverFiles[] = {"input/AIG-regcodes0.xml", "input/AIG-regcodes00.xml"};

bool lf_anyManualFolderSet()
{
    for (const StringParameter& folder : lfolder)
        if (!folder.value().empty())
            return true;
    for (const StringParameter& folder : afolder)
        if (!folder.value().empty())
            return true;
    return false;
}

[[noreturn]] void lf_throwNoInstallPath()
{
    gf_cyclePorts().window->clearControlText(ALL_INSTALL_PATH);
    throw UserErrorException(151,
                             "No P3D install path detected, type full Install Path above, and press Enter");
}

} // namespace

void gf_createDataFolders()
{
    // A program folder that takes no writes (a system-wide install) is said once; what it already holds
    // is read all the same, and what cannot be saved there is said where it fails.
    std::optional<DiskRefusal> refused;
    if (const std::error_code error = plat::folderWriteRefusal("."))
        refused = gf_writeRefused(fs::current_path(), error);
    const auto unless = [&refused](const char* what, const char* path, const std::error_code& error)
    {
        if (!error)
            return;
        const std::optional<DiskRefusal> refusal = gf_writeRefused(path, error);
        if (!refusal)
            throw fs::filesystem_error(what, fs::path(path), error);
        if (refusal->full())
            throw DiskRefusedError(*refusal);
        if (!refused)
            refused = refusal;
    };
    for (const char* folder : kDataFolders)
    {
        std::error_code error;
        fs::create_directories(folder, error);
        unless("create_directories", folder, error);
    }
    for (const char* file : kLeftoverFiles)
    {
        std::error_code error;
        fs::remove(file, error);
        unless("remove", file, error);
    }
    if (refused)
    {
        // The notice stays in view beside the messages that follow; the log has the reason.
        const std::string logElsewhere = gf_logElsewhere();
        gf_status().showNotice(
            logElsewhere.empty()
                ? fmt::format("{} cannot be written: the log, scans and learned airports are not saved",
                              refused->file.string())
                : fmt::format("{} cannot be written: scans and learned airports are not saved; the log is "
                              "written to {}",
                              refused->file.string(), logElsewhere));
        gf_logMarked(cycle::unwritableText(*refused));
    }
}

void gf_enableControls()
{
    CycleWindowPort& window = *gf_cyclePorts().window;
    for (Parameter* parameter : gf_configurationKeys())
        if (const auto* control = dynamic_cast<const ControlBinding*>(parameter))
            window.enableControl(*control, true);
    const bool autoRange = AUTO_RANGE.value();
    window.enableControl(LEARN_SOFT, false);
    window.enableControl(gFlushStaticButton, false);
    window.enableControl(DESTINATION, false);
    window.enableControl(gRereadButton, false);
    window.enableControl(RANGE, !autoRange);
    window.enableControl(AR_ABOVE_HEIGHT, autoRange);
    window.enableControl(gUnblockButton, !BLOCK_CALLSIGN.value().empty());
    window.enableControl(parking_percentage, false);
    window.enableControl(MAX_FIT_FL, false);
    parking_percentage.set(kStartParkingPercentage);
    window.clearControlText(parking_percentage);
    MAX_FIT_FL.set(static_cast<float>(MAX_FIT.value()) * kMaxFitPerHalfHour + kMaxFitPerHalfHour);
    window.clearControlText(MAX_FIT_FL);
}

void gf_detectSimInstall()
{
    const int sum = (gf_isP3dInstalled(5) ? 5 : 0) + (gf_isP3dInstalled(6) ? 6 : 0);
    if (sum == 0)
    {
        cycle::showAndLog("P3D not detected?");
        if (lf_anyManualFolderSet())
            return;
        lf_throwNoInstallPath();
    }
    if (sum == 11)
        throw UserErrorException(153, "More than one P3D version detected, type full Install Path to wanted "
                                      "version above and press Enter");
    gf_log(fmt::format("P3Dv{} detected", sum));
    const std::string path = gf_getP3dSetupPath(sum).string();
    if (path.empty())
        lf_throwNoInstallPath();
    ALL_INSTALL_PATH.set(path);
    SIM_INSTALL_PATH.set(path);
    gf_cyclePorts().window->showString(ALL_INSTALL_PATH);
    SIM_INSTALL_PATH.save();
}

void gf_checkStockAirportsPath()
{
    const WinPath folder = WinPath(SIM_INSTALL_PATH.value()) / "Scenery";
    gf_setStockAirportsPath(folder);
    std::error_code error;
    if (!fs::exists(folder.real(), error))
        cycle::showAndLog(fmt::format("Stock airports path does not exist: {}", folder));
}

void gf_startupChecks()
{
    const CyclePorts& ports = gf_cyclePorts();
    gf_loadAllParameters();
    // The choices come from the settings alone: shown before any wait for the disk.
    ports.window->fillCombos();
    cycle::repaintWindow();
    if (!cycle::whenTheDiskLets(gf_createDataFolders))
        return;
    gFoundation.gSavedLiveLimit.store(MAX_LIVE_SEL.value());
    if (gCycle.gSkipVersionCheck.load() == 0 &&
        !cycle::whenTheDiskLets([&ports] { ports.services->checkVersions(); }))
        return;
    gf_enableControls();
    PROGRAM_INSTALL_PATH.setAndSave(fs::current_path().string());
    gf_storeCurrentDayHalfHour();
    if (!gCycle.gDbaseRead.load())
    {
        ports.liveries->readDbase();
        gCycle.gDbaseRead.store(true);
    }
    gf_readAirports(kAirportListFileName);

    ALL_INSTALL_PATH.set(SIM_INSTALL_PATH.value());
    ports.window->enableControl(ALL_INSTALL_PATH, true);
    ports.window->showString(ALL_INSTALL_PATH);
    if (ALL_INSTALL_PATH.value().empty())
        gf_detectSimInstall();

    cycle::repaintWindow();
    const fs::path jar = gf_getAppDataPath() / "InsideSystems" / "RealTraffic.jar";
    std::error_code error;
    const bool found = fs::exists(jar, error);
    if (error && error != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("exists", jar, error);
    gSource.gSourceLink.sourceOnThisPc.store(found ? 1 : 0);
    cycle::showAndLog(fmt::format("RealTraffic {}detected at this PC", found ? "" : "not "));
    ports.window->saveManualRange();
}

} // namespace oxl
