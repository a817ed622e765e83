// What the local disk refused: the one rule that tells a write the disk refused (full, read-only, not ours
// to write) from every other failure, and the result that carries that cause with a failed save or
// download, so that what waits for space is tried again and never taken for an answer of the site.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

namespace oxl
{

/// A write that the local disk refused: the file or folder (absolute) and the system's error.
struct DiskRefusal
{
    std::filesystem::path file;
    std::error_code error;
    /// True when the disk has no room (no space, the user's quota used up): the write succeeds once there
    /// is room again; otherwise the place takes no writes at all (read-only, not ours to write).
    [[nodiscard]] bool full() const;
};

/// The refusal behind a write to `file` that failed with `error`; none when the disk was not why.
std::optional<DiskRefusal> gf_writeRefused(const std::filesystem::path& file, const std::error_code& error);

/// How a save or a download into a file ended: done, or failed, and then the refusal when the local disk
/// was why (a failure without one is the source's: the site, the transfer).
struct SaveResult
{
    bool done = false;
    std::optional<DiskRefusal> refused;
    explicit operator bool() const { return done; }
};

/// Thrown by a step that could not go on because the disk refused a write; carries the refusal, and as
/// its text what failed because of it (the system's reason and the file when nothing else failed).
class DiskRefusedError : public std::runtime_error
{
  public:
    explicit DiskRefusedError(DiskRefusal refusal, const std::string& consequence = {});
    /// The refusal it carries.
    [[nodiscard]] const DiskRefusal& refusal() const { return refusal_; }
    /// True when something else failed because of the refusal (then what() says what).
    [[nodiscard]] bool hasConsequence() const { return hasConsequence_; }

  private:
    DiskRefusal refusal_;
    bool hasConsequence_;
};

/// The refusal a failure carries: a DiskRefusedError's, or a file-system error's that only a write can
/// get (no room, a read-only file system; a denied permission may answer a read too); none otherwise.
std::optional<DiskRefusal> gf_refusalOf(const std::exception& failure);

/// What the user reads about something that waits for disk space: "{what} waits for disk space ({reason})".
std::string gf_waitsForSpaceText(const std::string& what, const DiskRefusal& refusal);

} // namespace oxl
