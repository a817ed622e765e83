#include "platform/clock.h"

#include <gtest/gtest.h>

namespace oxl::plat
{
namespace
{

TEST(Clock, FixedUtcClockPinsAndReleasesTheTime)
{
    {
        FixedUtcClock clock(1'796'573'998); // Sun Dec 06 16:19:58 2026
        EXPECT_EQ(utcNowSeconds(), 1'796'573'998);
        clock.set(60);
        EXPECT_EQ(utcNowSeconds(), 60);
    }
    // Released: the real clock is well past 2020.
    EXPECT_GT(utcNowSeconds(), 1'577'836'800);
}

TEST(Clock, SteadySourceIsReplaceable)
{
    const auto pinned = std::chrono::steady_clock::time_point(std::chrono::hours(5));
    setSteadySource([pinned] { return pinned; });
    EXPECT_EQ(steadyNow(), pinned);
    setSteadySource({});
    EXPECT_NE(steadyNow(), pinned);
}

TEST(Clock, BreakDownUtc)
{
    std::tm tm{};
    ASSERT_TRUE(breakDownUtc(0, tm));
    EXPECT_EQ(tm.tm_year, 70);
    EXPECT_EQ(tm.tm_wday, 4); // Thursday
    ASSERT_TRUE(breakDownUtc(1'796'573'998, tm));
    EXPECT_EQ(tm.tm_year + 1900, 2026);
    EXPECT_EQ(tm.tm_mon, 11);
    EXPECT_EQ(tm.tm_mday, 6);
    EXPECT_EQ(tm.tm_hour, 16);
    // A year beyond what the calendar breakdown can represent.
    EXPECT_FALSE(breakDownUtc(INT64_MAX, tm));
}

} // namespace
} // namespace oxl::plat
