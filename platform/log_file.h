// The log's file and the folder of the user's own that it falls back to: no link is followed, so that
// nobody else can send the lines into a file of their choice.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace oxl::plat
{

/// A file that lines are appended to, each in one write; opened without following a link at its name.
class AppendFile
{
  public:
    constexpr AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    /// Opens the file, made when missing and emptied first when `empty`; a link, or anything but a plain
    /// file, at the path is refused. The file open before is closed either way; the error of a failed open.
    std::error_code open(const std::filesystem::path& path, bool empty);
    /// True while a file is open.
    bool isOpen() const { return fd_ >= 0; }
    /// Appends the bytes at the file's end; the error when not all of them could be written.
    std::error_code append(std::string_view bytes);
    /// Cuts the file to its first `size` bytes (what a failed append left of its line goes).
    void cut(std::uint64_t size);
    /// The file's size in bytes; 0 when unknown.
    std::uint64_t size() const;
    /// True when the path no longer leads to the open file: it was removed, renamed away or replaced.
    bool lostFrom(const std::filesystem::path& path) const;
    /// Closes the file.
    void close();

  private:
    int fd_ = -1;
};

/// Makes the folder (mode 0700) when it is missing and checks that it is this user's own: a folder, not a
/// link, owned by this user and closed to everyone else; the error when it is not (EPERM for a folder of
/// another user's or one open to others).
std::error_code makePrivateFolder(const std::filesystem::path& folder);

/// A folder of the user's own named `name`, for files that would otherwise go into the shared temporary
/// folder: in the user's cache folder ($XDG_CACHE_HOME, else ~/.cache), else in $XDG_RUNTIME_DIR, else
/// "<name>-<user id>" in the temporary folder, the first that makePrivateFolder takes; when another's
/// stands in the way of each, a fresh folder of a name nobody can have made, if `anyName` (not for files
/// that another process must find at the same name); nullopt when none.
std::optional<std::filesystem::path> privateFolder(std::string_view name, bool anyName = true);

/// The folder of the program's own runtime files (its single-instance lock and pipes): $XDG_RUNTIME_DIR,
/// which is the user's alone, else privateFolder "Ordalis_P3D", so that no other account can plant a file
/// at their names; nullopt when neither can be had.
std::optional<std::filesystem::path> runtimeFolder();

} // namespace oxl::plat
