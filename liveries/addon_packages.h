// The folders of AI aircraft that the simulator's own registers of add-on content name: the packages of
// add-ons.cfg with their add-on.xml, and the entries of simobjects.cfg. The files are read line by line
// as text, as the simulator writes them; only folder names are collected, the scan tests them.
#pragma once

#include "platform/win_path.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace oxl
{

/// The folders a livery scan walks: path texts in the order found; entries may be empty or repeat.
using LiveryFolderList = std::vector<std::string>;

/// Gives the simulator's major version ("5" or "6"); the cycle worker's version lookup, installed by the
/// program. It may throw (the version is unknown).
using SimulatorVersionSource = std::function<std::string()>;

/// Installs the version lookup used for the add-on files' folders (empty: none, the lookup throws).
void gf_setSimulatorVersionSource(SimulatorVersionSource source);
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
