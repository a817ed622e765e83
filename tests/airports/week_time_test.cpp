// Time-of-week arithmetic across midnight and the end of the week.
#include "airports/week_time.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

struct ShiftCase
{
    std::string name;
    DayHalfHour from;
    std::uint32_t n;
    DayHalfHour expected;
};

void PrintTo(const ShiftCase& c, std::ostream* os)
{
    *os << c.name;
}

class ShiftBack : public ::testing::TestWithParam<ShiftCase>
{
};

TEST_P(ShiftBack, LandsOnTheRightWeekdayAndHalfHour)
{
    const ShiftCase& c = GetParam();
    EXPECT_EQ(gf_shiftBack(c.from, c.n), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShiftBack,
                         ::testing::Values(ShiftCase{"NoOffset", {3, 20}, 0, {3, 20}},
                                           ShiftCase{"SameDay", {3, 20}, 5, {3, 15}},
                                           ShiftCase{"ToMidnight", {3, 20}, 20, {3, 0}},
                                           ShiftCase{"AcrossMidnight", {3, 2}, 3, {2, 47}},
                                           ShiftCase{"MondayToSunday", {1, 3}, 5, {7, 46}},
                                           ShiftCase{"LargestOffset", {1, 0}, 47, {7, 1}},
                                           ShiftCase{"OneWholeDay", {1, 10}, 48, {7, 10}}),
                         [](const auto& info) { return info.param.name; });

TEST(DayHalfHourSteps, ForwardWrapsSundayMidnightToMonday)
{
    EXPECT_EQ(gf_stepForward({7, 47}), (DayHalfHour{1, 0}));
    EXPECT_EQ(gf_stepForward({3, 47}), (DayHalfHour{4, 0}));
    EXPECT_EQ(gf_stepForward({3, 12}), (DayHalfHour{3, 13}));
}

TEST(DayHalfHourSteps, BackWrapsMondayMidnightToSunday)
{
    EXPECT_EQ(gf_stepBack({1, 0}), (DayHalfHour{7, 47}));
    EXPECT_EQ(gf_stepBack({5, 0}), (DayHalfHour{4, 47}));
    EXPECT_EQ(gf_stepBack({5, 30}), (DayHalfHour{5, 29}));
}

TEST(DayHalfHourSteps, ForwardThenBackIsTheSameTimeAllWeek)
{
    for (std::uint32_t w = 1; w <= 7; ++w)
    {
        for (std::uint32_t h = 0; h < 48; ++h)
        {
            const DayHalfHour t{w, h};
            EXPECT_EQ(gf_stepBack(gf_stepForward(t)), t);
            EXPECT_EQ(gf_weekIndex(gf_stepForward(t)), (gf_weekIndex(t) + 1) % 336);
        }
    }
}

struct ElapsedCase
{
    std::string name;
    DayHalfHour from;
    DayHalfHour to;
    std::uint32_t expected;
};

void PrintTo(const ElapsedCase& c, std::ostream* os)
{
    *os << c.name;
}

class Elapsed : public ::testing::TestWithParam<ElapsedCase>
{
};

TEST_P(Elapsed, CountsHalfHoursThroughTheWeek)
{
    const ElapsedCase& c = GetParam();
    EXPECT_EQ(gf_halfHoursElapsed(c.from, c.to), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Elapsed,
                         ::testing::Values(ElapsedCase{"Same", {2, 5}, {2, 5}, 0},
                                           ElapsedCase{"LaterSameDay", {2, 5}, {2, 9}, 4},
                                           ElapsedCase{"AcrossMidnight", {2, 46}, {3, 1}, 3},
                                           ElapsedCase{"SundayToMonday", {7, 40}, {1, 2}, 10},
                                           ElapsedCase{"AlmostAWeek", {1, 1}, {1, 0}, 335}),
                         [](const auto& info) { return info.param.name; });

TEST(WeekIndex, RunsFromMondayMidnightToSundayNight)
{
    EXPECT_EQ(gf_weekIndex({1, 0}), 0);
    EXPECT_EQ(gf_weekIndex({2, 3}), 51);
    EXPECT_EQ(gf_weekIndex({7, 47}), 335);
}

TEST(HalfHoursBefore, GoesBackAcrossMidnightWithTheCurrentFirst)
{
    EXPECT_EQ(gf_halfHoursBefore(4, {2, 1}), (std::vector<std::uint32_t>{1, 0, 47, 46}));
    EXPECT_EQ(gf_halfHoursBefore(1, {2, 30}), (std::vector<std::uint32_t>{30}));
    EXPECT_TRUE(gf_halfHoursBefore(0, {2, 30}).empty());
}

TEST(HalfHourInHours, ShowsTheEndOfTheHalfHour)
{
    EXPECT_DOUBLE_EQ(gf_halfHourInHours(0), 0.5);
    EXPECT_DOUBLE_EQ(gf_halfHourInHours(47), 24.0);
}

TEST(HalfHourRange, HoldsBothEnds)
{
    const HalfHourSet s = gf_halfHourRange(3, 5);
    EXPECT_EQ(s.bits(), 0b111000u);
    EXPECT_TRUE(gf_halfHourRange(6, 5).none());
    EXPECT_THROW((void)gf_halfHourRange(40, 48), std::out_of_range);
}

} // namespace
} // namespace oxl
