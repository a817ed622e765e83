// The program's log, Log.txt in the working folder: one line per event from every thread, each flushed.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
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

/// Rotates the backups (Log0.txt, Log00.txt), opens Log.txt afresh and writes the header line;
/// std::runtime_error "Failed to write file Log.txt" when it cannot be opened.
void gf_openLog();
/// The same for a log at another path (the backups are named after it).
void gf_openLog(const std::filesystem::path& logPath);
/// Flushes and closes the log; later lines are dropped until it is opened again.
void gf_closeLog();
/// Copies the first backup over the second and the log over the first (a path without '.' is left alone).
void gf_rotateLog(const std::filesystem::path& logPath);

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

/// Writes the lines of repeated errors, at most one line a second of each kind, and counts the lines that
/// it leaves out, so that a flood of bad input can neither flood the log nor go unseen.
class RepeatLimitedLog
{
  public:
    /// Count lines name a kind after the prefix: "{prefix}{kind}: {n} more like it left out".
    explicit RepeatLimitedLog(std::string_view kindPrefix = {}) : kindPrefix_(kindPrefix) {}
    /// True when a line of the kind may be written now, none having been written for a second; else the
    /// line is counted as left out. The count of those left out before is written first.
    bool admit(std::string_view kind);
    /// Writes the line when admit(kind) lets it through.
    void write(std::string_view kind, std::string_view line, LogForm form = LogForm::plain);
    /// Writes the count of every kind whose lines were left out and whose last written line is a second
    /// old or more (every such kind at once when `all` is set).
    void flush(bool all = false);

  private:
    struct Kind
    {
        std::string name;
        std::chrono::steady_clock::time_point written;
        std::uint64_t leftOut = 0;
    };
    std::string leftOutText(std::string_view kind, std::uint64_t count) const;

    std::string kindPrefix_;
    std::mutex mutex_;
    std::vector<Kind> kinds_; // the few kinds of a caller, searched in order
};

/// A heading or closing line of stars of width a + b (rounded up to even), with an optional title.
std::string gf_boxedText(int a, int b, bool leadingBreak, bool trailingBreak, const std::string& title);

} // namespace oxl
