#include "foundation/time_text.h"

#include "foundation/run_state.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

TEST(TimeText, TimeToText)
{
    const std::pair<std::int64_t, std::string> cases[] = {
        {0, "Thu Jan 01 00:00:00 1970"},
        {1'796'572'998, "Sun Dec 06 16:03:18 2026"},
        {1'792'060'169, "Thu Okt 15 10:29:29 2026"},
        {-86'400, "Wed Dec 31 00:00:00 1969"},
        {INT64_MAX, "Invalid time"},
    };
    for (const auto& [t, text] : cases)
    {
        EXPECT_EQ(gf_timeToText(t), text) << t;
    }
}

TEST(TimeText, NameTables)
{
    EXPECT_EQ(WeekdayNames[1], "Mon");
    EXPECT_EQ(WeekdayNames[7], "Sun");
    EXPECT_EQ(WeekdayNames[0], "???");
    EXPECT_EQ(WeekdayNames[8], "???");
    EXPECT_EQ(MonthNames[10], "Okt");
    EXPECT_EQ(MonthNames[13], "???");
}

TEST(TimeText, NowTexts)
{
    plat::FixedUtcClock clock(1'796'572'998);
    EXPECT_EQ(gf_nowTimeOfDay(), "16:03:18");
    EXPECT_EQ(gf_todayDate(), "Dec 06, 2026");
}

TEST(TimeText, WeekdayAndHalfHour)
{
    const std::int64_t thursday = 1'792'022'400; // Thu Okt 15 00:00:00 2026
    struct Case
    {
        std::int64_t seconds;
        std::int32_t weekday;
        std::int32_t half;
    };
    const Case cases[] = {
        {thursday + 10 * 3600 + 29 * 60 + 29, 4, 20}, {thursday + 10 * 3600 + 29 * 60 + 30, 4, 21},
        {thursday + 10 * 3600 + 59 * 60 + 59, 4, 21}, {thursday + 11 * 3600, 4, 22},
        {thursday + 23 * 3600 + 59 * 60 + 59, 4, 47}, {thursday + 3 * 86400, 7, 0},
        {thursday + 4 * 86400 + 1800, 1, 1},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(gf_weekdayHalfHourAt(c.seconds), std::make_pair(c.weekday, c.half))
            << gf_timeToText(c.seconds);
    }
    EXPECT_EQ(gf_weekdayHalfHourAt(INT64_MAX), std::make_pair(-1, -1));
}

TEST(TimeText, TimeSourceFollowsTheTrafficAtProfessionalLevel)
{
    plat::FixedUtcClock clock(1'796'601'599); // Sun Dec 06 23:59:59 2026
    const double traffic = 1'792'060'169.75;  // Thu Okt 15 10:29:29 2026
    EXPECT_EQ(gf_simTimeOfDay(), "23:59:59");
    EXPECT_EQ(gf_weekdayHalfHour(), std::make_pair(7, 47));

    gFoundation.gTrafficTime = traffic;
    EXPECT_EQ(gf_simTimeOfDay(), "23:59:59") << "not at the professional level";
    gFoundation.gProfessionalLevel = 1;
    EXPECT_EQ(gf_simTimeOfDay(), "10:29:29");
    EXPECT_EQ(gf_weekdayHalfHour(), std::make_pair(4, 20));
    gFoundation.gTrafficTime = 0.4; // cut to whole seconds it is 0: the PC clock
    EXPECT_EQ(gf_simTimeOfDay(), "23:59:59");
    gFoundation.gTrafficTime = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(gf_simTimeOfDay(), "23:59:59");
    gFoundation.gProfessionalLevel = 0;
    gFoundation.gTrafficTime = 0.0;

    // Midnight: both values come from one reading.
    clock.set(1'796'601'600);
    EXPECT_EQ(gf_weekdayHalfHour(), std::make_pair(1, 0));
}

} // namespace
} // namespace oxl
