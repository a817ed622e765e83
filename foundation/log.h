// The program's log, Log.txt in the working folder: one line per event from every thread, each flushed.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oxl
{

/// The log's file name, relative to the working folder.
inline constexpr std::string_view kLogFileName = "Log.txt";

/// Writes the text as one line.
void gf_log(std::string_view text);
/// Writes "===> " and the text (warnings and failures).
void gf_logMarked(std::string_view text);
/// Writes ten blanks and the text (continuation lines).
void gf_logIndented(std::string_view text);
/// Writes the text only while neither gFoundation.gStopRequested nor gFoundation.gWindowClosed is set.
void gf_logIfRunning(const std::string& text);

/// Rotates the backups (Log0.txt, Log00.txt), opens Log.txt afresh and writes the header line. A log that
/// cannot be rotated is kept and this run's lines follow it; a folder that takes no log sends it to
/// Log.txt in the temporary folder's "Ordalis_P3D". std::runtime_error "Failed to write file Log.txt"
/// when no log can be opened anywhere.
void gf_openLog();
/// The same for a log at another path (the backups are named after it), with the folder it falls back to
/// (empty: none).
void gf_openLog(const std::filesystem::path& logPath, const std::filesystem::path& fallbackFolder = {});
/// Flushes and closes the log; later lines are dropped until it is opened again.
void gf_closeLog();
/// Moves the first backup onto the second and the log onto the first; without a log, copies the first
/// backup over the second. A failed step raises std::filesystem::filesystem_error and leaves every earlier
/// log whole. A path without '.' is left alone.
void gf_rotateLog(const std::filesystem::path& logPath);
/// For the message line: why the log cannot be written now ("The log Log.txt cannot be written: the disk
/// is full"); empty while it can.
std::string gf_logTrouble();
/// For the message line: what the last opening did instead of the usual (the log kept unrotated, or written
/// to another folder); empty when nothing.
std::string gf_logStartNotice();

/// Outside text (datagrams, replies of other programs) made fit for one log line: a backslash, the control
/// characters and every byte outside printable ASCII escaped ("\\", "\n", "\x1b"), and text beyond a few
/// hundred characters cut, followed by "... (N bytes)".
std::string gf_outsideText(std::string_view text);

/// True when gf_outsideText leaves the text as it is.
bool gf_isLogSafe(std::string_view text);

/// How a line is written: as gf_log, gf_logMarked or gf_logIndented write it.
enum class LogForm
{
    plain,
    marked,
    indented,
};

/// Where a repeated error came from: the address of the datagram's sender and the aircraft (its hexid as
/// sent); either may be empty.
struct ErrorSource
{
    std::string_view sender;
    std::string_view aircraft;
};

/// Writes the lines of repeated errors and counts the lines that it leaves out, so that a flood of bad
/// input can neither flood the log nor hide another error or go unseen. A line passes when none of its
/// kind from its source (sender and aircraft) was written for a second, within a rate for each sender and
/// a rate for all kinds together.
class RepeatLimitedLog
{
  public:
    /// Count lines name a kind after the prefix and what was held back: "{prefix}{kind}: {n} more like it
    /// left out", followed by ", of " and up to three sources when they are known.
    explicit RepeatLimitedLog(std::string_view kindPrefix = {}) : kindPrefix_(kindPrefix) {}
    /// True when a line of the kind from the source may be written now; else the line is counted as left
    /// out. The count of those of the kind left out before is written first.
    bool admit(std::string_view kind, ErrorSource source = {});
    /// Writes the line when admit(kind, source) lets it through.
    void write(std::string_view kind, std::string_view line, LogForm form = LogForm::plain,
               ErrorSource source = {});
    /// Writes the count of every kind whose lines were left out and of which nothing was written for a
    /// second, within the rate for all kinds (every such kind at once when `all` is set).
    void flush(bool all = false);

  private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Kind
    {
        std::string name;
        TimePoint written; // the kind's last line or count
        std::uint64_t leftOut = 0;
        std::vector<std::string> heldFrom; // the first few sources held back since the last count
        std::uint64_t heldFromOthers = 0;  // lines held back from further sources
    };
    // Lines that may be written at once, refilled at a steady rate up to a limit.
    struct Bucket
    {
        double lines = -1.0; // full when first used
        TimePoint refilled;
    };
    Kind& kindOf(std::string_view kind, TimePoint now);
    Bucket& senderBucket(std::string_view sender, TimePoint now);
    bool keyDue(const std::string& key, TimePoint now);
    std::string countLine(Kind& kind);

    std::string kindPrefix_;
    std::mutex mutex_;
    std::vector<Kind> kinds_;                            // the few kinds of a caller, searched in order
    std::unordered_map<std::string, TimePoint> written_; // kind, sender and aircraft: its last line
    std::unordered_map<std::string, Bucket> senders_;
    Bucket total_;
};

/// A heading or closing line of stars of width a + b (rounded up to even), with an optional title.
std::string gf_boxedText(int a, int b, bool leadingBreak, bool trailingBreak, const std::string& title);

} // namespace oxl
