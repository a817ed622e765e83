// The folder an aircraft.cfg lies in, as its sections name the model, texture and flight-model entries.
#pragma once

#include "platform/win_path.h"

#include <filesystem>
#include <string>
#include <vector>

namespace oxl
{

/// An aircraft folder whose entries are listed once, with their types, on the first question, so that the
/// three existence tests of every section cost no further directory reads or status queries. One object
/// belongs to one scan worker.
class CfgFolder
{
  public:
    /// The folder named by its Windows text.
    explicit CfgFolder(WinPath folder);

    /// The folder's Windows path.
    const WinPath& path() const { return path_; }

    /// The type of the folder's entry with that Windows name (any case, trailing dots ignored, links
    /// followed); not_found when there is none. A query that fails for another reason than a missing
    /// path raises std::filesystem::filesystem_error.
    std::filesystem::file_type entryType(const std::string& name);

  private:
    /// One entry of the folder, with its type as the listing gave it (none for a link, asked for when
    /// needed).
    struct Entry
    {
        std::string name;
        std::filesystem::file_type type = std::filesystem::file_type::none;
    };

    void list();
    std::filesystem::file_type typeOfEntry(const Entry& entry) const;

    WinPath path_;
    bool listed_ = false;
    std::filesystem::path real_;
    std::vector<Entry> entries_; ///< sorted by name in byte order
};

} // namespace oxl
