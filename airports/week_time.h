// Time-of-week arithmetic of the weekly stand statistics, over the foundation's DayHalfHour.
#pragma once

#include "foundation/half_hours.h"

#include <cstdint>
#include <vector>

namespace oxl
{

/// Half-hours in one day (positions 0..47 of a half-hour set).
inline constexpr std::uint32_t kHalfHoursPerDay = 48;
/// Half-hours in one week (linear indices 0..335).
inline constexpr std::uint32_t kHalfHoursPerWeek = 7 * kHalfHoursPerDay;

/// Position within the week, weekday × 48 − 48 + half: 0..335 for a set time ("earlier" compares these).
[[nodiscard]] constexpr std::int64_t gf_weekIndex(DayHalfHour t)
{
    return static_cast<std::int64_t>(t.weekday) * kHalfHoursPerDay - kHalfHoursPerDay + t.half;
}

/// Half-hours elapsed from one time to another, 0..335; a later weekday wraps through Sunday.
[[nodiscard]] std::uint32_t gf_halfHoursElapsed(DayHalfHour from, DayHalfHour to);

/// One half-hour earlier; half-hour 0 goes to 47 of the previous weekday, Monday to Sunday.
[[nodiscard]] DayHalfHour gf_stepBack(DayHalfHour t);

/// One half-hour later; half-hour 47 goes to 0 of the next weekday, Sunday to Monday.
[[nodiscard]] DayHalfHour gf_stepForward(DayHalfHour t);

/// The time moved back by n half-hours (the parking code's offsets are at most 47).
[[nodiscard]] DayHalfHour gf_shiftBack(DayHalfHour t, std::uint32_t n);

/// The half-hour as hours for logs: half × 0.5 + 0.5 (half-hour 0 shows as 0.5).
[[nodiscard]] constexpr double gf_halfHourInHours(std::uint32_t half)
{
    return half * 0.5 + 0.5;
}

/// The n half-hours going back from time's half-hour, the current one first (0 wraps to 47).
[[nodiscard]] std::vector<std::uint32_t> gf_halfHoursBefore(std::uint32_t n, DayHalfHour time);

/// The set of half-hours lo..hi, both inclusive and below 48; empty when lo > hi.
[[nodiscard]] HalfHourSet gf_halfHourRange(std::uint32_t lo, std::uint32_t hi);

} // namespace oxl
