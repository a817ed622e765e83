// What the system answers when a disk takes no more writes: full, read-only or not ours to write.
#pragma once

#include <filesystem>
#include <system_error>

namespace oxl::plat
{

/// True when the error says the disk has no room left (no space, or the user's quota used up).
bool isDiskFull(const std::error_code& error);
/// True when the error says the place takes no writes: a read-only file system, or no permission.
bool isUnwritable(const std::error_code& error);
/// Why new files cannot be made in the folder (read-only file system, no permission); empty when they
/// can. Asks the system only: nothing is written.
std::error_code folderWriteRefusal(const std::filesystem::path& folder);

} // namespace oxl::plat
