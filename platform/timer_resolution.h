// The system timer's resolution while a loop paces itself with short sleeps. Linux sleeps already end
// within a fraction of a millisecond of their deadline, so asking for a finer timer changes nothing
// here; the scope marks where the program wants one and keeps the count of such requests.
#pragma once

#include <chrono>
#include <cstdint>

namespace oxl::plat
{

/// Asks for the given timer resolution while it lives; on Linux no setting is needed.
class TimerResolutionScope
{
  public:
    /// Begins the request (the main loop asks for 1 ms).
    explicit TimerResolutionScope(std::chrono::milliseconds period);
    ~TimerResolutionScope();
    TimerResolutionScope(const TimerResolutionScope&) = delete;
    TimerResolutionScope& operator=(const TimerResolutionScope&) = delete;
};

/// Number of timer-resolution requests in force in the process.
std::int32_t activeTimerResolutionRequests();

} // namespace oxl::plat
