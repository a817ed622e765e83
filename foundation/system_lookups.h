// Lookups over the operating system: the simulator's installation in the registry, the AppData
// folder, and removing, counting and listing the files of a folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace oxl
{

/// The simulator's installation key under the local machine, for major version 5 or 6.
std::u16string gf_p3dRegistryKey(int version);
/// True when the simulator of that major version is installed (its key opens in the 64-bit view).
bool gf_isP3dInstalled(int version);
/// The simulator's installation folder from its "SetupPath" value; empty when not found.
std::filesystem::path gf_getP3dSetupPath(int version);
/// A REG_SZ value of an open key; winreg::RegException when it is missing or of another type.
std::u16string gf_regGetString(plat::RegKey key, std::u16string_view valueName);
/// Closes the key unless it is none or a predefined root, and clears the handle.
void gf_regCloseKey(plat::RegKey& key);

/// The roaming application-data folder, nullopt when the system knows none.
std::optional<std::filesystem::path> gf_shellAppDataFolder();
/// The roaming application-data folder; logs a marked line and gives an empty path when unknown.
std::filesystem::path gf_getAppDataPath();

/// Removes the file when it exists; a failure is logged, never raised.
void gf_removeFileIfExists(const std::filesystem::path& path);
/// Removes every file and empty sub-folder directly inside the folder; UserErrorException 5 on failure.
void gf_cleanFolder(const std::filesystem::path& folder);
/// Number of regular files directly inside the folder (0 when it does not exist).
std::int64_t gf_countFiles(const std::filesystem::path& folder);
/// Names (with extension, without folder) of the regular files directly inside the folder whose
/// extension is ".xml" whatever its case; empty when the folder does not exist.
std::vector<std::string> gf_listXmlFiles(const std::filesystem::path& folder);

} // namespace oxl
