#include "platform/timer_resolution.h"

#include <atomic>

namespace oxl::plat
{
namespace
{
std::atomic<std::int32_t> gActiveRequests{0};
} // namespace

TimerResolutionScope::TimerResolutionScope(std::chrono::milliseconds /*period*/)
{
    // The kernel's high-resolution timers already serve sleeps of a millisecond; only the count is kept.
    gActiveRequests.fetch_add(1);
}

TimerResolutionScope::~TimerResolutionScope()
{
    gActiveRequests.fetch_sub(1);
}

std::int32_t activeTimerResolutionRequests()
{
    return gActiveRequests.load();
}

} // namespace oxl::plat
