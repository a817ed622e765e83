#include "foundation/log.h"
#include "foundation/foundation_state.h"

#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/time_text.h"
#include "platform/clock.h"

#include <algorithm>
#include <fmt/format.h>
#include <stdexcept>

namespace oxl
{
namespace fs = std::filesystem;

std::ofstream gLogFile;
std::mutex gLogMutex;

namespace
{
constexpr std::string_view kMarker = "===> ";
constexpr std::string_view kIndent = "          ";

void writeLine(std::string_view prefix, std::string_view text)
{
    std::lock_guard lock(gLogMutex);
    if (gLogFile.is_open())
    {
        gLogFile << prefix << text << '\n';
        gLogFile.flush();
    }
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
        std::lock_guard lock(gLogMutex);
        gLogFile.clear();
        gLogFile.open(logPath, std::ios::out | std::ios::trunc | std::ios::binary);
        if (gLogFile.is_open())
        {
            gLogFile << fmt::format("{} (utc) {} version {} for {}", gf_timeToText(plat::utcNowSeconds()),
                                    kProductName,
                                    fmt::format("{}.{}.{}", kProgramVersionMajor, kProgramVersionMinor,
                                                kProgramVersionPatch),
                                    kSimulatorName)
                     << '\n';
            gLogFile.flush();
            return;
        }
    }
    throw std::runtime_error("Failed to write file " + logPath.string());
}

void gf_closeLog()
{
    std::lock_guard lock(gLogMutex);
    if (gLogFile.is_open())
    {
        gLogFile.flush();
        gLogFile.close();
    }
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
