#include "foundation/half_hours.h"

#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

HalfHourSet setOf(std::initializer_list<std::size_t> halves)
{
    HalfHourSet s;
    for (auto h : halves)
    {
        s.set(h);
    }
    return s;
}

TEST(HalfHours, FromText)
{
    struct Case
    {
        const char* text;
        HalfHourSet set;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {"0,47", setOf({0, 47}), {}},
        {"", HalfHourSet(), {}},
        {"48,-1,x,1,",
         setOf({1}),
         {"===> gf_hours2bitset invalid hour '48' in 48,-1,x,1,",
          "===> gf_hours2bitset invalid hour '-1' in 48,-1,x,1,",
          "===> gf_hours2bitset invalid hour 'x' in 48,-1,x,1,",
          "===> gf_hours2bitset invalid hour '' in 48,-1,x,1,"}},
        {"5x", setOf({5}), {}},
        {" 5", HalfHourSet(), {"===> gf_hours2bitset invalid hour ' 5' in  5"}},
        {"99999999999,3", setOf({3}), {"===> gf_hours2bitset invalid hour '99999999999' in 99999999999,3"}},
        {"3,3,10", setOf({3, 10}), {}},
    };
    for (const Case& c : cases)
    {
        test::LogCapture log;
        EXPECT_EQ(gf_hours2bitset(c.text), c.set) << c.text;
        EXPECT_EQ(log.lines(), c.logged) << c.text;
    }
}

TEST(HalfHours, ToTextAndBack)
{
    EXPECT_EQ(gf_bitset2hours(setOf({3, 10})), "3,10");
    EXPECT_EQ(gf_bitset2hours(HalfHourSet()), "");
    HalfHourSet all;
    for (std::size_t i = 0; i < HalfHourSet::kSize; ++i)
    {
        all.set(i);
    }
    EXPECT_EQ(gf_hours2bitset(gf_bitset2hours(all)), all);
    EXPECT_EQ(all.bits(), 0xFFFF'FFFF'FFFFull);
    EXPECT_EQ(all.count(), 48);
}

TEST(HalfHours, PositionsFrom48AreOutOfRange)
{
    HalfHourSet s;
    try
    {
        s.set(48);
        FAIL() << "no exception";
    }
    catch (const std::out_of_range& e)
    {
        EXPECT_STREQ(e.what(), "invalid bitset position");
    }
    EXPECT_THROW((void)s.test(63), std::out_of_range);
    EXPECT_TRUE(s.none());
    EXPECT_EQ(HalfHourSet::fromBits(~0ull).bits(), 0xFFFF'FFFF'FFFFull);
}

TEST(HalfHours, TimeOfWeekPacksWeekdayInTheLowHalf)
{
    const DayHalfHour t{7, 47};
    EXPECT_EQ(gf_packDayHalfHour(t), (47ull << 32) | 7ull);
    EXPECT_EQ(gf_unpackDayHalfHour(gf_packDayHalfHour(t)), t);
}

} // namespace
} // namespace oxl
