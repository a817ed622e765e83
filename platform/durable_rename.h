// Replacing a file so that a power cut leaves either the old or the new file whole, never half a file.
#pragma once

#include <filesystem>
#include <system_error>

namespace oxl::plat
{

/// Flushes `temporary` to the disk, renames it over `target` and flushes the folder that holds the new
/// name; error is set (and target untouched) when the flush or the rename fails. A file system that
/// cannot flush at all still gets the rename: the answer is then the reason it gave, empty otherwise.
std::error_code renameDurably(const std::filesystem::path& temporary, const std::filesystem::path& target,
                              std::error_code& error);

} // namespace oxl::plat
