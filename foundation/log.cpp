#include "foundation/log.h"
#include "foundation/foundation_state.h"

#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/strings.h"
#include "foundation/time_text.h"
#include "platform/clock.h"

#include <algorithm>
#include <cerrno>
#include <fmt/format.h>
#include <iostream>
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
// Lines of one kind of repeated error are written at most this often.
constexpr auto kRepeatInterval = std::chrono::seconds(1);

// Writes the whole line; false when the write failed. Under gLogMutex.
bool putLine(std::ofstream& log, std::string_view line)
{
    log.write(line.data(), static_cast<std::streamsize>(line.size()));
    log.flush();
    if (!log)
        return false;
    gFoundation.gLogGoodEnd += line.size();
    return true;
}

// Writes one line (its line feed included) to the open log. A failed write (a full disk) does not end
// the log: it is said on stderr with the line, and the next line tries again, after the count of the
// lines lost. Under gLogMutex.
void putLineOrReport(std::ofstream& log, std::string_view line)
{
    if (gFoundation.gLogUnwritten > 0)
    {
        // What a failed write left of its line is cut away, so that the log goes on with whole lines.
        std::error_code ignored;
        if (gFoundation.gLogPath)
            fs::resize_file(*gFoundation.gLogPath, gFoundation.gLogGoodEnd, ignored);
        log.clear();
        log.seekp(static_cast<std::streamoff>(gFoundation.gLogGoodEnd));
        const std::string lost =
            fmt::format("{}{} log line{} could not be written\n", kMarker, gFoundation.gLogUnwritten,
                        gf_pluralSU64(gFoundation.gLogUnwritten));
        if (putLine(log, lost))
            gFoundation.gLogUnwritten = 0;
    }
    if (gFoundation.gLogUnwritten == 0 && putLine(log, line))
        return;
    const int error = errno;
    if (gFoundation.gLogUnwritten++ == 0)
        std::cerr << fmt::format(
            "{}: a line could not be written ({}); the log tries again at its next line\n",
            gFoundation.gLogPath ? gFoundation.gLogPath->string() : std::string(kLogFileName),
            std::generic_category().message(error));
    std::cerr << line << std::flush;
}

void writeLine(std::string_view prefix, std::string_view text)
{
    std::string line;
    line.reserve(prefix.size() + text.size() + 1);
    line.append(prefix).append(text).push_back('\n');
    std::lock_guard lock(gFoundation.gLogMutex);
    if (gFoundation.gLogFile && gFoundation.gLogFile->is_open())
        putLineOrReport(*gFoundation.gLogFile, line);
}

void writeLine(LogForm form, std::string_view text)
{
    writeLine(form == LogForm::marked     ? kMarker
              : form == LogForm::indented ? kIndent
                                          : std::string_view(),
              text);
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
    // Copies, not moves: the log is emptied by the open that follows.
    if (fs::exists(first))
    {
        fs::copy_file(first, second, fs::copy_options::overwrite_existing);
    }
    if (fs::exists(logPath))
    {
        fs::copy_file(logPath, first, fs::copy_options::overwrite_existing);
    }
}

void gf_openLog()
{
    gf_openLog(fs::path(kLogFileName));
}

void gf_openLog(const fs::path& logPath)
{
    gf_closeLog();
    gf_rotateLog(logPath);
    {
        std::lock_guard lock(gFoundation.gLogMutex);
        std::ofstream& log = gFoundation.gLogFile ? *gFoundation.gLogFile : gFoundation.gLogFile.emplace();
        log.clear();
        // Unbuffered: each line goes to the file in one write, so a failed one is known and retried whole.
        log.rdbuf()->pubsetbuf(nullptr, 0);
        log.open(logPath, std::ios::out | std::ios::trunc | std::ios::binary);
        if (log.is_open())
        {
            gFoundation.gLogPath = logPath;
            gFoundation.gLogGoodEnd = 0;
            gFoundation.gLogUnwritten = 0;
            putLineOrReport(log, fmt::format("{} (utc) {} version {} for {}\n",
                                             gf_timeToText(plat::utcNowSeconds()), kProductName,
                                             fmt::format("{}.{}.{}", kProgramVersionMajor,
                                                         kProgramVersionMinor, kProgramVersionPatch),
                                             kSimulatorName));
            return;
        }
    }
    throw std::runtime_error("Failed to write file " + logPath.string());
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

bool RepeatLimitedLog::admit(std::string_view kind)
{
    const auto now = plat::steadyNow();
    std::uint64_t leftOut = 0;
    {
        std::lock_guard lock(mutex_);
        auto found =
            std::find_if(kinds_.begin(), kinds_.end(), [&](const Kind& k) { return k.name == kind; });
        if (found == kinds_.end())
            found = kinds_.insert(kinds_.end(), Kind{std::string(kind), now - kRepeatInterval, 0});
        if (now - found->written < kRepeatInterval)
        {
            ++found->leftOut;
            return false;
        }
        found->written = now;
        leftOut = std::exchange(found->leftOut, 0);
    }
    if (leftOut > 0)
        gf_log(leftOutText(kind, leftOut));
    return true;
}

void RepeatLimitedLog::write(std::string_view kind, std::string_view line, LogForm form)
{
    if (admit(kind))
        writeLine(form, line);
}

std::string RepeatLimitedLog::leftOutText(std::string_view kind, std::uint64_t count) const
{
    return fmt::format("{}{}: {} more like it left out", kindPrefix_, kind, count);
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
        for (Kind& k : kinds_)
            if (k.leftOut > 0 && (all || now - k.written >= kRepeatInterval))
                counts.push_back(leftOutText(k.name, std::exchange(k.leftOut, 0)));
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
