// The scenario harness's stream builder, which the engine's scenario tests trust for their inputs.
#include "tests/support/live_harness.h"

#include "foundation/units.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using test::FlightIdentity;
using test::StreamBuilder;

TEST(StreamBuilder, ClimbingLegThenStopAlongAPath)
{
    StreamBuilder b(FlightIdentity{}, {51.0, 0.0}, 0.0, 1000.0);
    b.every(6).speed(300).altitude(3000).verticalSpeed(1200).fly(60);
    ASSERT_EQ(b.lines().size(), 10u);
    const auto& first = b.lines().front();
    const auto& last = b.lines().back();
    EXPECT_DOUBLE_EQ(first.line.timestamp, 1000.0);
    EXPECT_DOUBLE_EQ(last.atS, 54.0);
    EXPECT_NEAR(last.line.report.alt, 3000.0 + 1200.0 * 54.0 / 60.0, 1e-9);
    EXPECT_EQ(last.line.report.airborne, 1);
    // 300 kt for 54 s is 4.5 nm north.
    EXPECT_NEAR(gf_distanceNm({51.0, 0.0}, {last.line.report.lat, last.line.report.lon}), 4.5, 1e-6);

    b.altitude(0).speed(20).toward({51.1, 0.01});
    EXPECT_LT(gf_distanceNm(b.position(), {51.1, 0.01}), 20.0 * 6.0 / kSecondsPerHour + 1e-9);
    const std::size_t before = b.lines().size();
    b.standStill(30);
    ASSERT_EQ(b.lines().size(), before + 5);
    EXPECT_EQ(b.lines()[before].line.report.stationary, 0); // it moved to get there
    for (std::size_t i = before + 1; i < b.lines().size(); ++i)
    {
        EXPECT_EQ(b.lines()[i].line.report.stationary, 1);
        EXPECT_DOUBLE_EQ(b.lines()[i].line.report.gs, 0.0);
        EXPECT_EQ(b.lines()[i].line.report.airborne, 0);
    }
}

} // namespace
} // namespace oxl
