#include "tests/support/log_capture.h"

#include "foundation/foundation_state.h"
#include "foundation/log.h"
#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace oxl::test
{

LogCapture::LogCapture()
{
    // A fresh start, as in a new process: the repeat limits' allowance is full again.
    std::unique_lock lock(gFoundation.gRepeatMutex);
    gFoundation.gRepeatAllowance = {};
    lock.unlock();
    gf_openLog(file());
}

LogCapture::~LogCapture()
{
    gf_closeLog();
}

void stepSteadyClock()
{
    auto seconds = std::make_shared<std::atomic<int>>(0);
    plat::setSteadySource(
        [seconds] { return std::chrono::steady_clock::time_point(std::chrono::seconds(++*seconds)); });
}

std::vector<std::string> LogCapture::lines() const
{
    std::vector<std::string> all = splitLines(readBytes(file()));
    if (!all.empty())
    {
        all.erase(all.begin());
    }
    return all;
}

bool LogCapture::contains(const std::string& line) const
{
    const auto all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

std::vector<std::string> splitLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size())
    {
        const auto end = bytes.find('\n', start);
        if (end == std::string::npos)
        {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace oxl::test
