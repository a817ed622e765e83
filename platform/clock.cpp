#include "platform/clock.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <time.h>

namespace oxl::plat
{
namespace
{
// Sources are swapped by tests while other threads may read the time, hence the lock.
std::mutex gSourceMutex;
UtcSource gUtcSource;
SteadySource gSteadySource;
} // namespace

std::chrono::system_clock::time_point utcNow()
{
    {
        std::lock_guard lock(gSourceMutex);
        if (gUtcSource)
        {
            return gUtcSource();
        }
    }
    return std::chrono::system_clock::now();
}

std::int64_t utcNowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(utcNow().time_since_epoch()).count();
}

std::chrono::steady_clock::time_point steadyNow()
{
    {
        std::lock_guard lock(gSourceMutex);
        if (gSteadySource)
        {
            return gSteadySource();
        }
    }
    return std::chrono::steady_clock::now();
}

void setUtcSource(UtcSource source)
{
    std::lock_guard lock(gSourceMutex);
    gUtcSource = std::move(source);
}

void setSteadySource(SteadySource source)
{
    std::lock_guard lock(gSourceMutex);
    gSteadySource = std::move(source);
}

bool breakDownUtc(std::int64_t secondsSince1970, std::tm& out)
{
    const time_t t = static_cast<time_t>(secondsSince1970);
    if (static_cast<std::int64_t>(t) != secondsSince1970)
    {
        return false;
    }
    return gmtime_r(&t, &out) != nullptr;
}

FixedUtcClock::FixedUtcClock(std::int64_t secondsSince1970)
    : seconds_(std::make_shared<std::atomic<std::int64_t>>(secondsSince1970))
{
    setUtcSource([seconds = seconds_]
                 { return std::chrono::system_clock::time_point(std::chrono::seconds(seconds->load())); });
}

FixedUtcClock::~FixedUtcClock()
{
    setUtcSource({});
}

void FixedUtcClock::set(std::int64_t secondsSince1970)
{
    seconds_->store(secondsSince1970);
}

} // namespace oxl::plat
