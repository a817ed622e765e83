#include "traffic/engine/stream_ops.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace oxl
{
namespace
{

TEST(CheckedTicks, RoundsAndRefusesWhatDoesNotFitThirtyTwoBits)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Row
    {
        const char* name;
        double ticks;
        bool fits;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"half rounds away from zero", 2.5, true, 3},
        {"negative half", -2.5, true, -3},
        {"largest", 2147483647.0, true, 2147483647},
        {"smallest", -2147483648.0, true, std::numeric_limits<std::int32_t>::min()},
        {"one beyond the largest", 2147483648.0, false, 0},
        {"far beyond", 3e12, false, 0},
        {"far below", -3e12, false, 0},
        {"no number", std::numeric_limits<double>::quiet_NaN(), false, 0},
        {"infinity", inf, false, 0},
        {"minus infinity", -inf, false, 0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        if (row.fits)
            EXPECT_EQ(gf_checkedTicks(row.ticks), row.expected);
        else
            EXPECT_THROW(gf_checkedTicks(row.ticks), std::range_error);
    }
}

Report report(double lat, double gs, std::int32_t due)
{
    Report r;
    r.lat = lat;
    r.lon = 8.0;
    r.gs = gs;
    r.dueTick = due;
    return r;
}

TEST(LegSpeed, MeanOfTheGroundSpeedsWithAFloorOfOneKnot)
{
    struct Row
    {
        const char* name;
        Report front, next;
        double expectedKt;
    };
    // 0.01 degrees of latitude is 0.6 nm.
    const Row rows[] = {
        {"mean", report(50.0, 100, 0), report(50.01, 140, 500), 120.0},
        {"crawling", report(50.0, 0.2, 0), report(50.01, 0.4, 500), 1.0},
        {"both still, timed", report(50.0, 0, 0), report(50.01, 0, 3600), 60.0},
        {"both still, at least 25 ticks", report(50.0, 0, 0), report(50.01, 0, 0),
         0.6 * kTicksPerHour / 25.0},
        {"both still, same spot", report(50.0, 0, 0), report(50.0, 0, 500), 1.0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        LiveAc ac;
        ac.stream = {row.front, row.next};
        EXPECT_NEAR(legSpeed(ac), row.expectedKt, 1e-6 * row.expectedKt);
    }
}

} // namespace
} // namespace oxl
