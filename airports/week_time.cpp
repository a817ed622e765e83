// Time-of-week arithmetic of the weekly stand statistics.
#include "airports/week_time.h"

namespace oxl
{
namespace
{

std::uint32_t previousWeekday(std::uint32_t weekday)
{
    return weekday <= 1 ? 7u : weekday - 1;
}

} // namespace

std::uint32_t gf_halfHoursElapsed(DayHalfHour from, DayHalfHour to)
{
    std::int64_t d =
        (static_cast<std::int64_t>(to.weekday) - static_cast<std::int64_t>(from.weekday)) * kHalfHoursPerDay +
        static_cast<std::int64_t>(to.half) - static_cast<std::int64_t>(from.half);
    if (d < 0)
    {
        d += kHalfHoursPerWeek;
    }
    return static_cast<std::uint32_t>(d);
}

DayHalfHour gf_stepBack(DayHalfHour t)
{
    if (t.half > 0)
    {
        return {t.weekday, t.half - 1};
    }
    return {previousWeekday(t.weekday), kHalfHoursPerDay - 1};
}

DayHalfHour gf_stepForward(DayHalfHour t)
{
    if (t.half + 1 < kHalfHoursPerDay)
    {
        return {t.weekday, t.half + 1};
    }
    return {t.weekday >= 7 ? 1u : t.weekday + 1, 0};
}

DayHalfHour gf_shiftBack(DayHalfHour t, std::uint32_t n)
{
    // Whole days first, so that an offset beyond one day still lands on the right weekday.
    for (std::uint32_t days = n / kHalfHoursPerDay; days > 0; --days)
    {
        t.weekday = previousWeekday(t.weekday);
    }
    const std::uint32_t rest = n % kHalfHoursPerDay;
    if (t.half >= rest)
    {
        t.half -= rest;
    }
    else
    {
        t.half = t.half + kHalfHoursPerDay - rest;
        t.weekday = previousWeekday(t.weekday);
    }
    return t;
}

std::vector<std::uint32_t> gf_halfHoursBefore(std::uint32_t n, DayHalfHour time)
{
    std::vector<std::uint32_t> halves;
    halves.reserve(n);
    std::uint32_t h = time.half % kHalfHoursPerDay;
    for (std::uint32_t i = 0; i < n; ++i)
    {
        halves.push_back(h);
        h = h == 0 ? kHalfHoursPerDay - 1 : h - 1;
    }
    return halves;
}

HalfHourSet gf_halfHourRange(std::uint32_t lo, std::uint32_t hi)
{
    HalfHourSet s;
    for (std::uint32_t h = lo; h <= hi; ++h)
    {
        s.set(h);
    }
    return s;
}

} // namespace oxl
