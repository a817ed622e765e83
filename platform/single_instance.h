// The named mutex that keeps a second instance of the program from running: an exclusive lock on a
// file named after the mutex, held until the process ends.
#pragma once

#include <filesystem>
#include <string_view>

namespace oxl::plat
{

/// The lock file that stands for the named mutex: in plat::runtimeFolder (made when missing), named after
/// the mutex with every character outside [A-Za-z0-9._-] replaced by '_'; empty when there is no such folder.
std::filesystem::path singleInstanceLockFile(std::string_view mutexName);

/// Creates the named mutex: true when this process now holds it, false when another process already
/// does (the program's ERROR_ALREADY_EXISTS). The lock lives as long as the process. Without a lock file of
/// this user's own (no folder, a link or another's file at its name) the process runs as the holder.
bool acquireSingleInstance(std::string_view mutexName);

} // namespace oxl::plat
