#include "foundation/log.h"
#include "foundation/foundation_state.h"

#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/strings.h"
#include "foundation/time_text.h"
#include "foundation/utf.h"
#include "platform/clock.h"
#include "platform/error_output.h"
#include "platform/log_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fmt/format.h>
#include <functional>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{
constexpr std::string_view kMarker = "===> ";
constexpr std::string_view kIndent = "          ";
// [characters] of outside text that a log line shows; enough for any good datagram's fields.
constexpr std::size_t kOutsideTextLimit = 300;
// How often the log looks whether its file is still where it was opened: a look costs as much as a line.
constexpr auto kPlaceCheckInterval = std::chrono::seconds(1);

// What a caller's text becomes in the log: one line of valid UTF-8, whatever the caller passed. The text
// is shown by gf_showBytes, so that a line feed (at its start and end too), carriage return and tab inside
// it are written "\n", "\r" and "\t", any other control character and every byte that starts no character
// "\xe9", and nothing else changes; the empty lines before and after are the program's own (gf_logSpaced).
// A backslash is never escaped here: the program's paths stay as they are, and a caller's escaped text
// (outside text through gf_outsideText, which doubles its backslashes) is written as it is, not escaped
// twice. No text can pass for escaped: every byte is looked at, so an escape in a line is the sink's or the
// caller's, and neither can end the line or reach a terminal raw.
std::string safeLine(std::string_view prefix, std::string_view text, std::size_t emptyBefore = 0,
                     std::size_t emptyAfter = 0)
{
    std::string line(emptyBefore, '\n');
    line.append(prefix).append(gf_showBytes(text)).append(emptyAfter + 1, '\n');
    return line;
}

// A note for standard error, of one line whatever the path or the system's text in it.
std::string noteLine(std::string_view text)
{
    return gf_showBytes(text) + "\n";
}

// What the message line says of a failed write or open: a full disk or a folder that takes no files in
// the user's words, anything else in the system's.
std::string troubleReason(const std::error_code& error)
{
    if (error == std::errc::no_space_on_device)
        return "the disk is full";
    if (error == std::errc::read_only_file_system || error == std::errc::permission_denied ||
        error == std::errc::operation_not_permitted)
        return "the folder is read-only";
    return error.message();
}

std::string logName()
{
    return gFoundation.gLogPath ? gFoundation.gLogPath->string() : std::string(kLogFileName);
}

std::string headerLine()
{
    return safeLine(
        {},
        fmt::format("{} (utc) {} version {} for {}", gf_timeToText(plat::utcNowSeconds()), kProductName,
                    fmt::format("{}.{}.{}", kProgramVersionMajor, kProgramVersionMinor, kProgramVersionPatch),
                    kSimulatorName));
}

// Writes the whole lines (`count` of them) at the log's end in one write; the error of a failed write.
// Under gLogMutex.
std::error_code putLine(std::string_view lines, std::uint64_t count = 1)
{
    if (const std::error_code error = gFoundation.gLogFile.append(lines))
        return error;
    gFoundation.gLogGoodEnd += lines.size();
    gFoundation.gLogLinesSinceCheck += count;
    return {};
}

// Once a second at most: whether the log's file is still where it was opened. A file removed or renamed
// away while the program runs is made again at its path, beginning with the header and the gap, so that
// the rest of the run is not written into a file nobody sees; the error while it cannot be. Under
// gLogMutex.
std::error_code keepInPlace()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - gFoundation.gLogCheckedAt < kPlaceCheckInterval)
        return gFoundation.gLogFile.isOpen() ? std::error_code() : std::make_error_code(std::errc::io_error);
    gFoundation.gLogCheckedAt = now;
    if (gFoundation.gLogFile.isOpen() && !gFoundation.gLogFile.lostFrom(*gFoundation.gLogPath))
    {
        gFoundation.gLogLinesSinceCheck = 0;
        return {};
    }
    const std::uint64_t gone = gFoundation.gLogFile.isOpen() ? gFoundation.gLogLinesSinceCheck : 0;
    if (const std::error_code error = gFoundation.gLogFile.open(*gFoundation.gLogPath, false))
        return error;
    gFoundation.gLogGoodEnd = gFoundation.gLogFile.size();
    std::string gap = fmt::format("The log {} was removed or renamed while {} ran: it is written again here",
                                  logName(), kProductName);
    if (gone > 0)
        gap += fmt::format("; the {} line{} before went to the old file", gone, gf_pluralSU64(gone));
    std::error_code error = putLine(headerLine());
    if (!error)
        error = putLine(safeLine(kMarker, gap));
    gFoundation.gLogLinesSinceCheck = 0;
    return error;
}

// Writes whole lines (`count` of them, each with its line feed) to the open log and returns what standard
// error is to be told, written by the caller once the lock is let go. A failed write (a full disk) does
// not end the log: its lines are counted, and the next write tries again, after the count of the lines
// lost. Standard error hears of the first failure, of every tenfold count, and of the log's return. Under
// gLogMutex.
std::string putLineOrReport(std::string_view line, std::uint64_t count = 1)
{
    std::string note;
    std::error_code failed = keepInPlace();
    if (!failed && gFoundation.gLogUnwritten > 0)
    {
        // What a failed write left of its line is cut away, so that the log goes on with whole lines.
        gFoundation.gLogFile.cut(gFoundation.gLogGoodEnd);
        const std::uint64_t lost = gFoundation.gLogUnwritten;
        failed = putLine(
            safeLine(kMarker, fmt::format("{} log line{} could not be written: {}", lost, gf_pluralSU64(lost),
                                          gFoundation.gLogTrouble.value_or(""))));
        if (!failed)
        {
            note = noteLine(fmt::format("{}: {} line{} could not be written ({}); the log is written again",
                                        logName(), lost, gf_pluralSU64(lost),
                                        gFoundation.gLogTrouble.value_or("")));
            gFoundation.gLogUnwritten = 0;
            gFoundation.gLogTrouble.reset();
        }
    }
    if (!failed)
        failed = putLine(line, count);
    if (!failed)
        return note;
    const std::uint64_t before = std::exchange(gFoundation.gLogUnwritten, gFoundation.gLogUnwritten + count);
    const std::uint64_t lost = gFoundation.gLogUnwritten;
    if (before == 0)
    {
        gFoundation.gLogTrouble = troubleReason(failed);
        return noteLine(
            fmt::format("{}: a line could not be written ({}); lines are counted until the log can "
                        "be written again",
                        logName(), failed.message()));
    }
    std::uint64_t power = 10;
    while (power <= before && power <= std::numeric_limits<std::uint64_t>::max() / 10)
        power *= 10;
    if (power > before && power <= lost)
        return noteLine(fmt::format("{}: {} lines could not be written so far", logName(), lost));
    return {};
}

void tellErrorOutput(const std::string& note)
{
    if (!note.empty())
        plat::writeErrorOutputNoWait(note);
}

// Writes what was handed over until nothing is left, each batch in one write, and lets its callers go
// on. Only the one thread that found no writer at work runs it.
void writePending()
{
    for (;;)
    {
        std::vector<char> batch;
        std::uint64_t lines = 0;
        std::uint64_t upTo = 0;
        {
            std::lock_guard queue(gFoundation.gLogQueueMutex);
            if (gFoundation.gLogPending.empty())
            {
                gFoundation.gLogWriting = false;
                return;
            }
            batch.swap(gFoundation.gLogPending);
            lines = std::exchange(gFoundation.gLogPendingLines, 0);
            upTo = gFoundation.gLogQueued;
        }
        std::string note;
        {
            std::lock_guard lock(gFoundation.gLogMutex);
            if (gFoundation.gLogPath)
                note = putLineOrReport(std::string_view(batch.data(), batch.size()), lines);
        }
        tellErrorOutput(note);
        gFoundation.gLogDone.store(upTo);
        gFoundation.gLogDone.notify_all();
    }
}

// Hands the line to the log and returns once it is written (or dropped): written by this thread, with
// every line handed over meanwhile, or by the thread already writing, with the others of its next batch.
void writeSafeLine(const std::string& line)
{
    std::uint64_t mine = 0;
    bool writer = false;
    {
        std::lock_guard queue(gFoundation.gLogQueueMutex);
        gFoundation.gLogPending.insert(gFoundation.gLogPending.end(), line.begin(), line.end());
        ++gFoundation.gLogPendingLines;
        mine = ++gFoundation.gLogQueued;
        writer = !std::exchange(gFoundation.gLogWriting, true);
    }
    if (writer)
        return writePending();
    for (std::uint64_t done = gFoundation.gLogDone.load(); done < mine; done = gFoundation.gLogDone.load())
        gFoundation.gLogDone.wait(done);
}

void writeLine(std::string_view prefix, std::string_view text)
{
    writeSafeLine(safeLine(prefix, text));
}

// Opens the log at the path, at the end of what it holds when `append`, else emptied; the error of a
// failed open. Under gLogMutex.
std::error_code openFile(const fs::path& path, bool append)
{
    if (const std::error_code error = gFoundation.gLogFile.open(path, !append))
        return error;
    gFoundation.gLogPath = path;
    gFoundation.gLogElsewhere = false;
    gFoundation.gLogGoodEnd = gFoundation.gLogFile.size();
    gFoundation.gLogUnwritten = 0;
    gFoundation.gLogTrouble.reset();
    gFoundation.gLogCheckedAt = std::chrono::steady_clock::now();
    gFoundation.gLogLinesSinceCheck = 0;
    return {};
}

// Rotates the backups of the path and opens it; a log that cannot be rotated is kept whole and this
// run's lines follow its own. The error of a failed open.
std::error_code rotateAndOpen(const fs::path& path, std::string& rotationTrouble)
{
    std::error_code rotated;
    try
    {
        gf_rotateLog(path);
    }
    catch (const fs::filesystem_error& e)
    {
        rotated = e.code();
    }
    std::lock_guard lock(gFoundation.gLogMutex);
    const std::error_code opened = openFile(path, static_cast<bool>(rotated));
    if (rotated)
        rotationTrouble = troubleReason(rotated);
    return opened;
}

// Opens the log at its path, else in the folder that `fallback` finds (none: nullopt), and writes the
// header line.
void openLog(const fs::path& logPath, const std::function<std::optional<fs::path>()>& fallback)
{
    gf_closeLog();
    std::string rotationTrouble;
    const std::error_code failed = rotateAndOpen(logPath, rotationTrouble);
    std::string notice;
    if (!failed && !rotationTrouble.empty())
        notice = fmt::format("The log {} could not be rotated ({}): this run's lines follow the last run's",
                             logPath.string(), rotationTrouble);
    bool open = !failed;
    if (!open)
    {
        // A folder that takes no file (read-only, full to its last entry): the log goes where it can, into
        // a folder of the user's own.
        if (const std::optional<fs::path> folder = fallback())
        {
            const fs::path elsewhere = *folder / logPath.filename();
            std::string ignoredTrouble;
            open = !rotateAndOpen(elsewhere, ignoredTrouble);
            if (open)
                notice = fmt::format("The log cannot be written in its folder ({}): it is written to {}",
                                     troubleReason(failed), elsewhere.string());
        }
    }
    if (!open)
        throw std::runtime_error("Failed to write file " + logPath.string());
    std::string note;
    {
        std::lock_guard lock(gFoundation.gLogMutex);
        gFoundation.gLogStartNotice = notice.empty() ? std::nullopt : std::optional<std::string>(notice);
        gFoundation.gLogElsewhere = failed.value() != 0;
        note = putLineOrReport(headerLine());
    }
    // The user who looks for Log.txt in its folder learns where it is.
    if (failed)
        note = noteLine(notice) + note;
    tellErrorOutput(note);
    if (!notice.empty())
        gf_logMarked(notice);
}
} // namespace

void gf_log(std::string_view text)
{
    writeLine({}, text);
}

void gf_logMarked(std::string_view text)
{
    writeLine(kMarker, text);
}

void gf_logIndented(std::string_view text)
{
    writeLine(kIndent, text);
}

void gf_logAs(LogForm form, std::string_view text)
{
    writeLine(form == LogForm::marked     ? kMarker
              : form == LogForm::indented ? kIndent
                                          : std::string_view(),
              text);
}

void gf_logIfRunning(const std::string& text)
{
    if (gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0)
    {
        return;
    }
    writeLine({}, text);
}

void log_detail::logSpaced(std::string_view format, fmt::format_args args)
{
    const std::size_t before = std::min(format.find_first_not_of('\n'), format.size());
    format.remove_prefix(before);
    const std::size_t after = format.size() - (format.find_last_not_of('\n') + 1);
    format.remove_suffix(after);
    writeSafeLine(safeLine({}, fmt::vformat(format, args), before, after));
}

void gf_rotateLog(const fs::path& logPath)
{
    const std::string text = logPath.string();
    const auto dot = text.rfind('.');
    if (dot == std::string::npos)
    {
        return;
    }
    const fs::path first = text.substr(0, dot) + "0" + text.substr(dot);
    const fs::path second = text.substr(0, dot) + "00" + text.substr(dot);
    // Names are looked at, not what a link at them leads to: a link is moved like a file, never followed.
    if (fs::exists(fs::symlink_status(logPath)))
    {
        // Renamed, not copied: a full disk still rotates, and a failed step stops before anything
        // earlier is overwritten. The log is made afresh by the open that follows.
        if (fs::exists(fs::symlink_status(first)))
            fs::rename(first, second);
        fs::rename(logPath, first);
        return;
    }
    if (fs::is_regular_file(fs::symlink_status(first)))
    {
        // The first backup stays as it is; its copy replaces the second only once it is whole. The copy
        // is made as a new file, so that nothing at its name is written through.
        fs::path partial = second;
        partial += ".tmp";
        try
        {
            fs::remove(partial);
            fs::copy_file(first, partial, fs::copy_options::none);
            fs::rename(partial, second);
        }
        catch (const fs::filesystem_error&)
        {
            std::error_code ignored;
            fs::remove(partial, ignored);
            throw;
        }
    }
}

void gf_openLog()
{
    openLog(fs::path(kLogFileName), [] { return plat::privateFolder(kProductName); });
}

void gf_openLog(const fs::path& logPath, const fs::path& fallbackFolder)
{
    openLog(logPath,
            [&fallbackFolder]() -> std::optional<fs::path>
            {
                if (fallbackFolder.empty() || plat::makePrivateFolder(fallbackFolder))
                    return std::nullopt;
                return fallbackFolder;
            });
}

std::string gf_logTrouble()
{
    std::lock_guard lock(gFoundation.gLogMutex);
    if (!gFoundation.gLogTrouble)
        return {};
    return fmt::format("The log {} cannot be written: {}", logName(), *gFoundation.gLogTrouble);
}

std::string gf_logStartNotice()
{
    std::lock_guard lock(gFoundation.gLogMutex);
    return gFoundation.gLogStartNotice.value_or("");
}

std::string gf_logElsewhere()
{
    std::lock_guard lock(gFoundation.gLogMutex);
    return gFoundation.gLogElsewhere && gFoundation.gLogPath ? gFoundation.gLogPath->string() : std::string();
}

void gf_closeLog()
{
    std::lock_guard lock(gFoundation.gLogMutex);
    gFoundation.gLogFile.close();
    gFoundation.gLogPath.reset();
}

std::string gf_outsideText(std::string_view text)
{
    std::size_t taken = 0;
    std::string shown = gf_showBytes(text, Backslash::doubled, kOutsideTextLimit, &taken);
    if (taken < text.size())
        shown += fmt::format("... ({} bytes)", text.size());
    return shown;
}

std::string gf_boxedText(int a, int b, bool leadingBreak, bool trailingBreak, const std::string& title)
{
    std::string result = leadingBreak ? "\n" : "";
    int n = a + b;
    if (n % 2 != 0)
    {
        ++n;
    }
    if (title.empty())
    {
        result.append(static_cast<std::size_t>(std::max(n, 0)), '*');
    }
    else if (n > static_cast<int>(title.size()) + 2)
    {
        const std::string stars(static_cast<std::size_t>(n / 2 - 1), '*');
        result += stars + " " + title + " " + stars;
    }
    else
    {
        result += title;
    }
    if (trailingBreak)
    {
        result += '\n';
    }
    return result;
}

} // namespace oxl
