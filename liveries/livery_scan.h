// The scanning mode of the livery step: collect the folders to search (the user's lfolder settings or
// the simulator's add-on registers), walk each tree for aircraft.cfg and sim.cfg files, read the files
// on a pool of scan workers, correct the liveries with the database, keep the highest-priority folder
// per airline and type when asked to, and write LiveriesScanned.xml with the scan reports.
#pragma once

#include "liveries/addon_packages.h"
#include "platform/win_path.h"

#include <cstdint>
#include <filesystem>

namespace oxl
{

/// The highest folder index; the eleventh and later existing folders share it.
inline constexpr std::uint32_t kMaxLiveryFolderIndex = 10;
/// Path texts this long or longer are not descended into [characters].
inline constexpr std::size_t kMaxDescendPathLength = 250;
/// Folders reserved in the scan's folder list.
inline constexpr std::size_t kLiveryFoldersReserved = 10;

/// Runs a scan while SCAN_LIVERIES is on: the folder list of the mode, the walk and the written file;
/// switches SCAN_LIVERIES off when the scan is done and its file saved. UserErrorException 48 (manual mode
/// without folders), 53 (manual) or 43 (automatic) when no livery was found. A scan stopped by the stop flags
/// leaves SCAN_LIVERIES on.
void gf_scanInstalledLiveries();

/// The folder list of the current mode: lfolder0..9 (non-empty ones), or the add-on packages and then
/// simobjects.cfg in automatic mode.
LiveryFolderList gf_liveryFolderList();

/// Scans every folder of the list into gLiveries.ScannedLiveries, corrects, prioritizes, sorts and
/// de-duplicates them, writes LiveriesScanned.xml and the reports; false when no livery was found, true when
/// written or stopped. A failing existence or status test of a folder raises
/// std::filesystem::filesystem_error.
bool gf_scanLiveryFolders(const LiveryFolderList& folders);

/// Walks one folder tree and appends the liveries of its configuration files to gLiveries.ScannedLiveries, in
/// the order the walk meets the files; the files are read by a pool of scan workers, as many as the machine
/// has threads.
void gf_searchLiveriesInFolder(int folderIndex, const WinPath& folder);

/// True for a configuration file name of an aircraft folder: aircraft.cfg or sim.cfg, any case.
bool gf_isAircraftConfigName(const std::filesystem::path& name);
/// True for the name of a livery's texture folder: texture or texture.<anything>, any case; the walk
/// does not descend into one.
bool gf_isTextureFolderName(const std::filesystem::path& name);
/// True when the file is read by the IVAO package reader (its path text names IVAO_MTL or ivao_x-csl).
bool gf_isIvaoPackageFile(const WinPath& file);

/// Takes airline, type and cargo flag from the database for every livery whose ATC id is a known
/// registration; each changed field adds a line to gLiveries.DbaseCorrections.
void gf_applyDbaseToLiveries();
/// Keeps, for each airline and type, only the liveries of the lowest folder index.
void gf_keepPrioritizedLiveries();

} // namespace oxl
