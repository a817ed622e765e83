// Clocks of the program: UTC wall time and a steady clock, both replaceable so tests can pin time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>

namespace oxl::plat
{

/// Source of the current UTC wall-clock time.
using UtcSource = std::function<std::chrono::system_clock::time_point()>;
/// Source of the current steady-clock time.
using SteadySource = std::function<std::chrono::steady_clock::time_point()>;

/// Current UTC time from the installed source (the system clock unless a test replaced it).
std::chrono::system_clock::time_point utcNow();
/// Current UTC time as whole seconds since 1970.
std::int64_t utcNowSeconds();
/// Current steady-clock time from the installed source.
std::chrono::steady_clock::time_point steadyNow();

/// Replaces the UTC source; an empty function restores the system clock.
void setUtcSource(UtcSource source);
/// Replaces the steady source; an empty function restores the system's steady clock.
void setSteadySource(SteadySource source);

/// Breaks seconds since 1970 down as UTC; false when the time cannot be represented.
bool breakDownUtc(std::int64_t secondsSince1970, std::tm& out);

/// Pins the UTC clock to a fixed time for as long as it lives (tests).
class FixedUtcClock
{
  public:
    /// Pins the clock at the given seconds since 1970.
    explicit FixedUtcClock(std::int64_t secondsSince1970);
    ~FixedUtcClock();
    FixedUtcClock(const FixedUtcClock&) = delete;
    FixedUtcClock& operator=(const FixedUtcClock&) = delete;
    /// Moves the pinned time to the given seconds since 1970.
    void set(std::int64_t secondsSince1970);

  private:
    std::shared_ptr<std::atomic<std::int64_t>> seconds_;
};

} // namespace oxl::plat
