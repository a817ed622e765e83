// The scan for add-on airports: the folders named by the simulator's scenery lists or by the user, the
// BGL files in them decoded by worker threads into airport files of my_ORBX and my_thirdparty, the
// copies kept for offline learning in TBLO, and the scan's report AirportsScanLog.txt.
#pragma once

#include "airports/airports_state.h"
#include "platform/win_path.h"

#include <atomic>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// What the scan needs of its neighbours; installed by the program, replaced by tests.
class AirportScanPort
{
  public:
    AirportScanPort() = default;
    virtual ~AirportScanPort() = default;
    AirportScanPort(const AirportScanPort&) = delete;
    AirportScanPort& operator=(const AirportScanPort&) = delete;

    /// The simulator's major version as text ("5", "6"); may raise the version's UserErrorException.
    [[nodiscard]] virtual std::string simulatorVersion() = 0;
    /// True when the BGL file has an airport section (the quick test before a worker is started).
    [[nodiscard]] virtual bool hasAirportSection(const std::filesystem::path& file) = 0;
    /// The worker task that decodes one BGL file; it releases its worker slot on every way out.
    virtual void processBglFile(const std::filesystem::path& file) = 0;
    /// True when the stock archived file of the airport exists and wants offline learning.
    [[nodiscard]] virtual bool stockArchivedAirport(const std::string& icao) = 0;
};

/// The scan on its own (tests): no simulator version, no BGL file has an airport section (a decode
/// only releases its slot) and no stock file wants offline learning.
class NoAirportScanPort : public AirportScanPort
{
  public:
    [[nodiscard]] std::string simulatorVersion() override { return {}; }
    [[nodiscard]] bool hasAirportSection(const std::filesystem::path& /*file*/) override { return false; }
    void processBglFile(const std::filesystem::path& file) override;
    [[nodiscard]] bool stockArchivedAirport(const std::string& /*icao*/) override { return false; }
};

/// Installs the neighbours of the scan (not owned; before a cycle starts, not while a scan runs); null
/// restores the scan on its own.
void gf_installAirportScanPort(AirportScanPort* port);
/// The installed neighbours of the scan.
[[nodiscard]] AirportScanPort& gf_airportScanPort();

/// The scan driver: the folders to scan, the scan, its report and the TBLO copies; switches
/// SCAN_AIRPORTS off. Raises UserErrorException 42/49 for bad manual folders and file-system errors.
void gf_scanAirports();
/// Appends one line to the scan log (any thread).
void gf_addScanLogLine(std::string text);
/// Appends lines to the scan log together, none of another thread's between them (any thread).
void gf_addScanLogLines(std::initializer_list<std::string> lines);
/// A copy of the scan log collected so far.
std::vector<std::string> gf_scanLogLines();

/// Adds the active, non-stock local folders of the simulator's scenery.cfg.
void gf_readSceneryCfg(std::vector<std::string>& folders);
/// Adds the local folder of one scenery.cfg entry (its lines after the header) when the entry is active.
void gf_readSceneryArea(const std::vector<std::string>& lines, const std::string& installPath,
                        std::vector<std::string>& folders);
/// Adds the <Path> folders of the simulator's scenery_add-ons.xml.
void gf_readSceneryAddonsXml(std::vector<std::string>& folders);
/// Replaces the list by the non-empty afolder0..afolder9 settings; UserErrorException 42 for a stock one.
void gf_readAfolderParameters(std::vector<std::string>& folders);

/// Scans the folders for BGL airports and copies the files wanted for offline learning; true when any
/// airport was linked or generated.
bool gf_runAirportScan(const std::vector<std::string>& folders);
/// Scans every existing, non-stock folder of the list (Windows path texts).
void gf_scanFolders(const std::vector<std::string>& folders);
/// Walks one folder for BGL files with airports and decodes each on a worker; returns once every
/// worker started for the folder has ended.
void gf_scanFolderForBgl(const WinPath& folder);

/// True for exactly ".BGL" or ".bgl".
bool gf_isBglExtension(std::string_view extension);
/// True when the path text names one of the simulator's own scenery folders (\World, \0006 ...).
bool gf_isStockScenery(std::string_view pathText);
/// True when the path text contains the stock scenery folder's text (always, while that is unknown).
bool gf_isInStockScenery(std::string_view pathText);

/// Copies the my_ORBX airport files (stems) that want offline learning to TBLO.
void gf_copyOrbxToTblo(const std::vector<std::string>& names);
/// Copies the my_thirdparty airport files (stems) that want offline learning to TBLO.
void gf_copyThirdpartyToTblo(const std::vector<std::string>& names);

} // namespace oxl
