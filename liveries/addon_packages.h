// The folders of AI aircraft that the simulator's own registers of add-on content name: the packages of
// add-ons.cfg with their add-on.xml, and the entries of simobjects.cfg. The files are read line by line
// as text, as the simulator writes them; only folder names are collected, the scan tests them.
#pragma once

#include "platform/win_path.h"

#include <filesystem>
#include <string>
#include <vector>

namespace oxl
{

/// The folders a livery scan walks: path texts in the order found; entries may be empty or repeat.
using LiveryFolderList = std::vector<std::string>;

/// Where the livery code learns the simulator's major version; the program installs the cycle worker's
/// version lookup.
class SimulatorVersionPort
{
  public:
    SimulatorVersionPort() = default;
    virtual ~SimulatorVersionPort() = default;
    SimulatorVersionPort(const SimulatorVersionPort&) = delete;
    SimulatorVersionPort& operator=(const SimulatorVersionPort&) = delete;

    /// The simulator's major version ("5" or "6"); may throw when the version is unknown.
    [[nodiscard]] virtual std::string majorVersion() = 0;
};

/// Before the program installs its lookup, and in tests that install none: the version is unknown.
class NoSimulatorVersion : public SimulatorVersionPort
{
  public:
    /// Throws std::runtime_error.
    [[nodiscard]] std::string majorVersion() override;
};

/// Installs the version lookup used for the add-on files' folders (not owned; it must outlive its use);
/// null restores the one that knows no version.
void gf_installSimulatorVersionPort(SimulatorVersionPort* port);
/// The installed version lookup.
[[nodiscard]] SimulatorVersionPort& gf_simulatorVersionPort();
/// The simulator's major version from the installed lookup; std::runtime_error when none is installed.
std::string gf_simulatorVersion();

/// <AppData>/Lockheed Martin/Prepar3D v<N>/add-ons.cfg for the simulator's major version N.
std::filesystem::path gf_addOnsCfgPath(const std::string& version);
/// C:\ProgramData\Lockheed Martin\Prepar3D v<N>\simobjects.cfg for the simulator's major version N.
WinPath gf_simObjectsCfgPath(const std::string& version);

/// Joins a path text below a base folder the way Windows joins paths: a text with a drive letter or a
/// network share replaces the base, a text starting with '\' keeps only the base's drive.
std::string gf_joinWindowsPath(const std::string& base, const std::string& text);

/// Appends the SimObjects folders of the packages that add-ons.cfg lists; failures are logged, the
/// folders found before stay.
void gf_readP3DAddOnsAircraft(LiveryFolderList& folders);
/// Appends the trimmed values of the Path lines of one package section to the package folders.
void gf_collectPackagePaths(const std::vector<std::string>& lines, std::vector<std::string>& packagePaths);
/// Appends the AI folders of simobjects.cfg; a failing existence test raises
/// std::filesystem::filesystem_error.
void gf_readSimObjectsCfg(LiveryFolderList& folders);
/// Appends the folders of the Path lines of one entry section, skipping the simulator's own categories.
void gf_collectEntryPaths(const std::vector<std::string>& lines, LiveryFolderList& folders);

} // namespace oxl
