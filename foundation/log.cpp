#include "foundation/log.h"
#include "foundation/foundation_state.h"

#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/strings.h"
#include "foundation/time_text.h"
#include "platform/clock.h"
#include "platform/error_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{
constexpr std::string_view kMarker = "===> ";
constexpr std::string_view kIndent = "          ";
// [characters] of outside text that a log line shows; enough for any good datagram's fields.
constexpr std::size_t kOutsideTextLimit = 300;
// Lines of one kind of repeated error from one source are written at most this often.
constexpr auto kRepeatInterval = std::chrono::seconds(1);

// Writes the whole line; false when the write failed. Under gLogMutex.
bool putLine(std::ofstream& log, std::string_view line)
{
    errno = 0;
    log.write(line.data(), static_cast<std::streamsize>(line.size()));
    log.flush();
    if (!log)
        return false;
    gFoundation.gLogGoodEnd += line.size();
    return true;
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

std::error_code lastError()
{
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

std::string logName()
{
    return gFoundation.gLogPath ? gFoundation.gLogPath->string() : std::string(kLogFileName);
}

// Writes one line (its line feed included) to the open log and returns what standard error is to be
// told, written by the caller once the lock is let go. A failed write (a full disk) does not end the
// log: its lines are counted, and the next line tries again, after the count of the lines lost. Standard
// error hears of the first failure, of every tenfold count, and of the log's return. Under gLogMutex.
std::string putLineOrReport(std::ofstream& log, std::string_view line)
{
    std::string note;
    if (gFoundation.gLogUnwritten > 0)
    {
        // What a failed write left of its line is cut away, so that the log goes on with whole lines.
        std::error_code ignored;
        if (gFoundation.gLogPath)
            fs::resize_file(*gFoundation.gLogPath, gFoundation.gLogGoodEnd, ignored);
        log.clear();
        log.seekp(static_cast<std::streamoff>(gFoundation.gLogGoodEnd));
        const std::uint64_t lost = gFoundation.gLogUnwritten;
        if (putLine(log, fmt::format("{}{} log line{} could not be written: {}\n", kMarker, lost,
                                     gf_pluralSU64(lost), gFoundation.gLogTrouble.value_or(""))))
        {
            note = fmt::format("{}: {} line{} could not be written ({}); the log is written again\n",
                               logName(), lost, gf_pluralSU64(lost), gFoundation.gLogTrouble.value_or(""));
            gFoundation.gLogUnwritten = 0;
            gFoundation.gLogTrouble.reset();
        }
    }
    if (gFoundation.gLogUnwritten == 0 && putLine(log, line))
        return note;
    const std::uint64_t lost = ++gFoundation.gLogUnwritten;
    if (lost == 1)
    {
        const std::error_code error = lastError();
        gFoundation.gLogTrouble = troubleReason(error);
        return fmt::format("{}: a line could not be written ({}); lines are counted until the log can be "
                           "written again\n",
                           logName(), error.message());
    }
    std::uint64_t power = 10;
    while (power < lost && power <= std::numeric_limits<std::uint64_t>::max() / 10)
        power *= 10;
    if (power == lost)
        return fmt::format("{}: {} lines could not be written so far\n", logName(), lost);
    return {};
}

void tellErrorOutput(const std::string& note)
{
    if (!note.empty())
        plat::writeErrorOutputNoWait(note);
}

void writeLine(std::string_view prefix, std::string_view text)
{
    std::string line;
    line.reserve(prefix.size() + text.size() + 1);
    line.append(prefix).append(text).push_back('\n');
    std::string note;
    {
        std::lock_guard lock(gFoundation.gLogMutex);
        if (gFoundation.gLogFile && gFoundation.gLogFile->is_open())
            note = putLineOrReport(*gFoundation.gLogFile, line);
    }
    tellErrorOutput(note);
}

void writeLine(LogForm form, std::string_view text)
{
    writeLine(form == LogForm::marked     ? kMarker
              : form == LogForm::indented ? kIndent
                                          : std::string_view(),
              text);
}

// Opens the log at the path, at the end of what it holds when `append`, else emptied; the error of a
// failed open. Under gLogMutex.
std::error_code openStream(const fs::path& path, bool append)
{
    std::ofstream& log = gFoundation.gLogFile ? *gFoundation.gLogFile : gFoundation.gLogFile.emplace();
    log.clear();
    // Unbuffered: each line goes to the file in one write, so a failed one is known and retried whole.
    log.rdbuf()->pubsetbuf(nullptr, 0);
    errno = 0;
    log.open(path, std::ios::out | std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!log.is_open())
        return lastError();
    std::error_code ignored;
    const std::uintmax_t size = append ? fs::file_size(path, ignored) : 0;
    gFoundation.gLogPath = path;
    gFoundation.gLogGoodEnd = size == static_cast<std::uintmax_t>(-1) ? 0 : size;
    gFoundation.gLogUnwritten = 0;
    gFoundation.gLogTrouble.reset();
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
    const std::error_code opened = openStream(path, static_cast<bool>(rotated));
    if (rotated)
        rotationTrouble = troubleReason(rotated);
    return opened;
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

void gf_logIfRunning(const std::string& text)
{
    if (gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0)
    {
        return;
    }
    writeLine({}, text);
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
    if (fs::exists(logPath))
    {
        // Renamed, not copied: a full disk still rotates, and a failed step stops before anything
        // earlier is overwritten. The log is made afresh by the open that follows.
        if (fs::exists(first))
            fs::rename(first, second);
        fs::rename(logPath, first);
        return;
    }
    if (fs::exists(first))
    {
        // The first backup stays as it is; its copy replaces the second only once it is whole.
        fs::path partial = second;
        partial += ".tmp";
        try
        {
            fs::copy_file(first, partial, fs::copy_options::overwrite_existing);
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
    std::error_code ignored;
    fs::path fallback = fs::temp_directory_path(ignored);
    gf_openLog(fs::path(kLogFileName), fallback.empty() ? fallback : fallback / kProductName);
}

void gf_openLog(const fs::path& logPath, const fs::path& fallbackFolder)
{
    gf_closeLog();
    std::string rotationTrouble;
    const std::error_code failed = rotateAndOpen(logPath, rotationTrouble);
    std::string notice;
    if (!failed && !rotationTrouble.empty())
        notice = fmt::format("The log {} could not be rotated ({}): this run's lines follow the last run's",
                             logPath.string(), rotationTrouble);
    bool open = !failed;
    if (!open && !fallbackFolder.empty())
    {
        // A folder that takes no file (read-only, full to its last entry): the log goes where it can.
        std::error_code ignored;
        fs::create_directories(fallbackFolder, ignored);
        const fs::path elsewhere = fallbackFolder / logPath.filename();
        std::string ignoredTrouble;
        open = !rotateAndOpen(elsewhere, ignoredTrouble);
        if (open)
            notice = fmt::format("The log cannot be written in its folder ({}): it is written to {}",
                                 troubleReason(failed), elsewhere.string());
    }
    if (!open)
        throw std::runtime_error("Failed to write file " + logPath.string());
    std::string note;
    {
        std::lock_guard lock(gFoundation.gLogMutex);
        gFoundation.gLogStartNotice = notice.empty() ? std::nullopt : std::optional<std::string>(notice);
        note = putLineOrReport(*gFoundation.gLogFile,
                               fmt::format("{} (utc) {} version {} for {}\n",
                                           gf_timeToText(plat::utcNowSeconds()), kProductName,
                                           fmt::format("{}.{}.{}", kProgramVersionMajor, kProgramVersionMinor,
                                                       kProgramVersionPatch),
                                           kSimulatorName));
    }
    tellErrorOutput(note);
    if (!notice.empty())
        gf_logMarked(notice);
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

void gf_closeLog()
{
    std::lock_guard lock(gFoundation.gLogMutex);
    if (gFoundation.gLogFile && gFoundation.gLogFile->is_open())
    {
        gFoundation.gLogFile->flush();
        gFoundation.gLogFile->close();
    }
}

bool gf_isLogSafe(std::string_view text)
{
    return text.size() <= kOutsideTextLimit &&
           std::all_of(text.begin(), text.end(),
                       [](char c)
                       {
                           const auto byte = static_cast<unsigned char>(c);
                           return byte >= 0x20 && byte < 0x7f && byte != '\\';
                       });
}

std::string gf_outsideText(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string result;
    result.reserve(std::min(text.size(), kOutsideTextLimit) + 16);
    std::size_t taken = 0;
    for (; taken < text.size() && result.size() < kOutsideTextLimit; ++taken)
    {
        const auto byte = static_cast<unsigned char>(text[taken]);
        if (byte == '\\')
            result += "\\\\";
        else if (byte == '\n')
            result += "\\n";
        else if (byte == '\r')
            result += "\\r";
        else if (byte == '\t')
            result += "\\t";
        else if (byte < 0x20 || byte >= 0x7f)
            result.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 0xf]);
        else
            result += static_cast<char>(byte);
    }
    if (taken < text.size())
        result += fmt::format("... ({} bytes)", text.size());
    return result;
}

namespace
{
// [lines, lines/s] what one sender's repeated errors may write at once and in the long run: a local
// process sending bad datagrams by the thousand cannot take the log from the real source.
constexpr double kSenderBurst = 10.0;
constexpr double kSenderLinesPerSecond = 2.0;
// [lines, lines/s] the same for all kinds and senders together, counts included (under 2 MB an hour).
constexpr double kTotalBurst = 20.0;
constexpr double kTotalLinesPerSecond = 4.0;
constexpr double kCountReserve = kTotalBurst / 2 + 1.0; // [lines] left in the bucket by counts
// Bounds of what is remembered of the sources; beyond them, new sources wait for old ones to age.
constexpr std::size_t kMaxKeys = 1024;
constexpr std::size_t kMaxSenders = 64;
constexpr std::size_t kHeldNames = 3; // sources named in a count line

// The lines of a bucket that held `lines` at `refilled`, refilled up to `now` (full when never used).
double linesAt(double lines, std::chrono::steady_clock::time_point refilled,
               std::chrono::steady_clock::time_point now, double burst, double perSecond)
{
    if (lines < 0.0)
        return burst;
    if (now <= refilled)
        return lines;
    return std::min(burst, lines + std::chrono::duration<double>(now - refilled).count() * perSecond);
}

std::string sourceName(ErrorSource source)
{
    if (source.aircraft.empty())
        return gf_outsideText(source.sender.substr(0, 64));
    const std::string aircraft = gf_outsideText(source.aircraft.substr(0, 16));
    return source.sender.empty()
               ? aircraft
               : fmt::format("{} from {}", aircraft, gf_outsideText(source.sender.substr(0, 64)));
}
} // namespace

RepeatLimitedLog::Kind& RepeatLimitedLog::kindOf(std::string_view kind, TimePoint now)
{
    auto found = std::find_if(kinds_.begin(), kinds_.end(), [&](const Kind& k) { return k.name == kind; });
    if (found == kinds_.end())
        found = kinds_.insert(kinds_.end(), Kind{std::string(kind), now - kRepeatInterval, 0, {}, 0});
    return *found;
}

RepeatLimitedLog::Bucket& RepeatLimitedLog::senderBucket(std::string_view sender, TimePoint now)
{
    const auto found = senders_.find(std::string(sender));
    if (found != senders_.end())
        return found->second;
    if (senders_.size() >= kMaxSenders)
    {
        // Senders whose bucket has refilled have nothing held against them and are forgotten.
        std::erase_if(senders_,
                      [&](const auto& entry)
                      {
                          return linesAt(entry.second.lines, entry.second.refilled, now, kSenderBurst,
                                         kSenderLinesPerSecond) >= kSenderBurst;
                      });
        if (senders_.size() >= kMaxSenders)
            return senders_["\x01 further senders"];
    }
    return senders_[std::string(sender)];
}

bool RepeatLimitedLog::keyDue(const std::string& key, TimePoint now)
{
    const auto found = written_.find(key);
    if (found != written_.end())
        return now - found->second >= kRepeatInterval;
    if (written_.size() >= kMaxKeys)
        std::erase_if(written_, [&](const auto& entry) { return now - entry.second >= kRepeatInterval; });
    return written_.size() < kMaxKeys;
}

std::string RepeatLimitedLog::countLine(Kind& kind)
{
    std::string text =
        fmt::format("{}{}: {} more like it left out", kindPrefix_, kind.name, std::exchange(kind.leftOut, 0));
    if (!kind.heldFrom.empty())
        text += fmt::format(", of {}", fmt::join(kind.heldFrom, ", "));
    if (kind.heldFromOthers > 0)
        text += fmt::format(" and {} more", kind.heldFromOthers);
    kind.heldFrom.clear();
    kind.heldFromOthers = 0;
    return text;
}

bool RepeatLimitedLog::admit(std::string_view kind, ErrorSource source)
{
    const auto now = plat::steadyNow();
    std::string count;
    {
        std::lock_guard lock(mutex_);
        Kind& k = kindOf(kind, now);
        std::string key;
        // Cut, so that a flood of long fields cannot make the remembered keys large.
        key.append(kind).append(1, '\0').append(source.sender.substr(0, 64)).append(1, '\0');
        key.append(source.aircraft.substr(0, 32));
        bool due = keyDue(key, now);
        if (due)
        {
            Bucket& sender = senderBucket(source.sender, now);
            sender.lines = linesAt(sender.lines, sender.refilled, now, kSenderBurst, kSenderLinesPerSecond);
            sender.refilled = now;
            total_.lines = linesAt(total_.lines, total_.refilled, now, kTotalBurst, kTotalLinesPerSecond);
            total_.refilled = now;
            due = sender.lines >= 1.0 && total_.lines >= 1.0;
            if (due)
            {
                sender.lines -= 1.0;
                total_.lines -= 1.0;
            }
        }
        if (!due)
        {
            ++k.leftOut;
            if (!source.sender.empty() || !source.aircraft.empty())
            {
                std::string name = sourceName(source);
                if (std::find(k.heldFrom.begin(), k.heldFrom.end(), name) == k.heldFrom.end())
                {
                    if (k.heldFrom.size() < kHeldNames)
                        k.heldFrom.push_back(std::move(name));
                    else
                        ++k.heldFromOthers;
                }
            }
            return false;
        }
        written_[key] = now;
        k.written = now;
        if (k.leftOut > 0)
            count = countLine(k);
    }
    if (!count.empty())
        gf_log(count);
    return true;
}

void RepeatLimitedLog::write(std::string_view kind, std::string_view line, LogForm form, ErrorSource source)
{
    if (admit(kind, source))
        writeLine(form, line);
}

void RepeatLimitedLog::flush(bool all)
{
    std::vector<std::string> counts;
    {
        std::lock_guard lock(mutex_);
        // Called for every datagram: the clock is read only when something is held back.
        if (std::none_of(kinds_.begin(), kinds_.end(), [](const Kind& k) { return k.leftOut > 0; }))
            return;
        const auto now = plat::steadyNow();
        total_.lines = linesAt(total_.lines, total_.refilled, now, kTotalBurst, kTotalLinesPerSecond);
        total_.refilled = now;
        for (Kind& k : kinds_)
        {
            // Counts take the bucket's upper half only: they never starve the lines of a real error.
            if (k.leftOut == 0 ||
                (!all && (now - k.written < kRepeatInterval || total_.lines < kCountReserve)))
                continue;
            if (!all)
                total_.lines -= 1.0;
            k.written = now;
            counts.push_back(countLine(k));
        }
    }
    for (const std::string& count : counts)
        gf_log(count);
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
