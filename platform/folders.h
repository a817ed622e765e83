// Known user folders of the Windows shell, mapped onto this machine's folders.
#pragma once

#include <filesystem>
#include <optional>

namespace oxl::plat
{

/// The user's roaming AppData folder: OXL_APPDATA, else $XDG_CONFIG_HOME, else ~/.config; nullopt when none
/// is known.
std::optional<std::filesystem::path> roamingAppData();
/// The user's Documents folder: OXL_DOCUMENTS, else ~/Documents; nullopt when no home is known.
std::optional<std::filesystem::path> documents();
/// The Public Documents folder shared by all users: OXL_PUBLIC_DOCUMENTS, else ~/Public; nullopt when none is
/// known.
std::optional<std::filesystem::path> publicDocuments();

/// The machine's ProgramData folder (C:\ProgramData, which holds the simulator's scenery.cfg and
/// simobjects.cfg below "Lockheed Martin"): OXL_PROGRAMDATA, else the folder "ProgramData" of drive C;
/// nullopt when neither is known.
std::optional<std::filesystem::path> programData();

/// The value of an environment variable, nullopt when unset or empty.
std::optional<std::string> environment(const char* name);

} // namespace oxl::plat
