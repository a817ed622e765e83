#include "foundation/time_text.h"
#include "foundation/foundation_state.h"

#include "foundation/run_state.h"
#include "platform/clock.h"

#include <cmath>
#include <ctime>
#include <fmt/format.h>

namespace oxl
{
namespace
{
constexpr std::size_t kTimeTextLength = 24;
constexpr int kHalfHoursPerDay = 48;

// hh:mm:ss sits 13 characters before the end of a full time text.
std::string timeOfDay(const std::string& timeText)
{
    if (timeText.size() < kTimeTextLength)
    {
        return timeText;
    }
    return timeText.substr(timeText.size() - 13, 8);
}
} // namespace

std::string gf_timeToText(std::int64_t secondsSince1970)
{
    std::tm tm{};
    if (!plat::breakDownUtc(secondsSince1970, tm))
    {
        return "Invalid time";
    }
    const int weekday = tm.tm_wday == 0 ? 7 : tm.tm_wday;
    return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", WeekdayNames[weekday],
                       MonthNames[tm.tm_mon + 1], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                       tm.tm_year + 1900);
}

std::string gf_nowTimeOfDay()
{
    return timeOfDay(gf_timeToText(plat::utcNowSeconds()));
}

std::string gf_todayDate()
{
    const std::string text = gf_timeToText(plat::utcNowSeconds());
    if (text.size() < kTimeTextLength)
    {
        return text;
    }
    return fmt::format("{}, {}", text.substr(4, 6), text.substr(20, 4));
}

std::int64_t gf_timeSourceSeconds()
{
    if (gFoundation.gProfessionalLevel.load() != 0)
    {
        const double traffic = gFoundation.gTrafficTime.load();
        // Guarded so that a damaged time never reaches the integer conversion.
        if (std::isfinite(traffic) && std::fabs(traffic) < 9.0e15)
        {
            const auto seconds = static_cast<std::int64_t>(traffic);
            if (seconds != 0)
            {
                return seconds;
            }
        }
    }
    return plat::utcNowSeconds();
}

std::string gf_simTimeOfDay()
{
    return timeOfDay(gf_timeToText(gf_timeSourceSeconds()));
}

std::pair<std::int32_t, std::int32_t> gf_weekdayHalfHourAt(std::int64_t secondsSince1970)
{
    std::tm tm{};
    if (!plat::breakDownUtc(secondsSince1970, tm))
    {
        return {-1, -1};
    }
    const int weekday = tm.tm_wday == 0 ? 7 : tm.tm_wday;
    const bool secondHalf = tm.tm_min > 29 || (tm.tm_min == 29 && tm.tm_sec >= 30);
    const int half = (2 * tm.tm_hour + (secondHalf ? 1 : 0)) % kHalfHoursPerDay;
    return {weekday, half};
}

std::pair<std::int32_t, std::int32_t> gf_weekdayHalfHour()
{
    // One reading for both values, so a call at midnight cannot pair the old weekday with half hour 0.
    return gf_weekdayHalfHourAt(gf_timeSourceSeconds());
}

} // namespace oxl
