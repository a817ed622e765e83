// The fit tests shared by the stand search, the static parking and the learning.
#include "airports/stand.h"

#include "foundation/units.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

constexpr double kM = metresToNm(1.0); // one metre in nautical miles

StandOccupancy realOption(std::uint32_t weekday, std::initializer_list<std::size_t> halves)
{
    StandOccupancy o;
    o.airline = "KLM";
    o.type = "B738";
    o.registration = "PH-BXA";
    o.callsign = "KLM1234";
    o.id = 1;
    o.weekday = weekday;
    o.kind = StandOptionKind::real;
    for (const std::size_t h : halves)
    {
        o.halfHours.set(h);
    }
    return o;
}

struct HalfHourCase
{
    std::string name;
    std::uint32_t weekday;
    std::uint32_t half;
    bool expected;
};

void PrintTo(const HalfHourCase& c, std::ostream* os)
{
    *os << c.name;
}

class FitsHalfHour : public ::testing::TestWithParam<HalfHourCase>
{
};

TEST_P(FitsHalfHour, AcceptsTheHalfHourAndItsNeighbours)
{
    const StandOccupancy o = realOption(3, {0, 10, 47});
    const HalfHourCase& c = GetParam();
    EXPECT_EQ(gf_fitsHalfHour(o, c.weekday, c.half, "PH-BXA"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FitsHalfHour,
                         ::testing::Values(HalfHourCase{"Held", 3, 10, true},
                                           HalfHourCase{"OneBefore", 3, 11, true},
                                           HalfHourCase{"OneAfter", 3, 9, true},
                                           HalfHourCase{"TwoAway", 3, 12, false},
                                           HalfHourCase{"MidnightSeesLastHalfHour", 3, 1, true},
                                           HalfHourCase{"LastSeesMidnight", 3, 46, true},
                                           HalfHourCase{"OtherWeekday", 4, 10, false}),
                         [](const auto& info) { return info.param.name; });

TEST(FitsHalfHourAtMidnight, AcceptsBit47AndBit1)
{
    EXPECT_TRUE(gf_fitsHalfHour(realOption(2, {47}), 2, 0, "PH-BXA"));
    EXPECT_TRUE(gf_fitsHalfHour(realOption(2, {1}), 2, 0, "PH-BXA"));
    EXPECT_FALSE(gf_fitsHalfHour(realOption(2, {2}), 2, 0, "PH-BXA"));
}

TEST(FitsHalfHourRefuses, DisabledSoftOrOtherRegistration)
{
    StandOccupancy o = realOption(3, {10});
    EXPECT_FALSE(gf_fitsHalfHour(o, 3, 10, "PH-BXB"));
    o.kind = StandOptionKind::soft;
    EXPECT_FALSE(gf_fitsHalfHour(o, 3, 10, "PH-BXA"));
    o.kind = StandOptionKind::real;
    o.id = 0;
    EXPECT_FALSE(gf_fitsHalfHour(o, 3, 10, "PH-BXA"));
}

TEST(FitsHalfHourRefuses, HalfHour48WithTheBitsetError)
{
    StandOccupancy o = realOption(3, {10});
    o.id = 0; // even a disabled option reports the bad half-hour
    try
    {
        (void)gf_fitsHalfHour(o, 3, 48, "PH-BXA");
        FAIL() << "no error for half-hour 48";
    }
    catch (const std::out_of_range& e)
    {
        EXPECT_STREQ(e.what(), "invalid bitset position");
    }
}

TEST(OccupancyMatches, ByCallsignCoupledCallsignOrAirlineAndType)
{
    StandOccupancy o = realOption(1, {5});
    o.coupledCallsign = "KLM1235";
    EXPECT_TRUE(gf_occupancyMatches(o, "KLM1234", "XXX", "XXXX"));
    EXPECT_TRUE(gf_occupancyMatches(o, "KLM1235", "XXX", "XXXX"));
    EXPECT_TRUE(gf_occupancyMatches(o, "OTHER", "KLM", "B738"));
    EXPECT_FALSE(gf_occupancyMatches(o, "OTHER", "KLM", "B739"));
    o.kind = StandOptionKind::soft;
    EXPECT_FALSE(gf_occupancyMatches(o, "KLM1234", "KLM", "B738"));
}

TEST(OccupancyMatches, EmptyCallsignEqualsEmptyCallsign)
{
    StandOccupancy o = realOption(1, {5});
    o.callsign.clear();
    EXPECT_TRUE(gf_occupancyMatches(o, "", "XXX", "XXXX"));
}

struct RadiusCase
{
    std::string name;
    double standM;
    double aircraftM;
    bool expected;
};

void PrintTo(const RadiusCase& c, std::ostream* os)
{
    *os << c.name;
}

class FitsRadius : public ::testing::TestWithParam<RadiusCase>
{
};

TEST_P(FitsRadius, KeepsTheAircraftInTheStandsSizeStep)
{
    const RadiusCase& c = GetParam();
    const Stand stand("A1", 1, 52.0, 4.0, 0.0, c.standM);
    EXPECT_EQ(gf_fitsRadius(stand, c.aircraftM * kM), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FitsRadius,
                         ::testing::Values(RadiusCase{"SameSize", 18.0, 18.0, true},
                                           RadiusCase{"Aircraft1_8mLarger", 18.0, 19.8, true},
                                           RadiusCase{"Aircraft1_9mLarger", 18.0, 19.9, false},
                                           RadiusCase{"SmallAircraftStand6_9mLarger", 20.0, 13.1, true},
                                           RadiusCase{"SmallAircraftStandHalfStepLarger", 20.0, 13.0, false},
                                           RadiusCase{"LargeAircraftStand10_4mLarger", 40.4, 30.0, true},
                                           RadiusCase{"LargeAircraftStandHalfStepLarger", 40.5, 30.0, false},
                                           RadiusCase{"SmallStepUpTo17_8m", 26.7, 17.8, false},
                                           RadiusCase{"LargeStepAbove17_8m", 26.8, 17.9, true}),
                         [](const auto& info) { return info.param.name; });

TEST(FitsRadiusHalfSteps, LandOnTheSameSideForEveryStandSize)
{
    // Stand sizes come in tenths of a metre and pass through nautical miles: an exact half step must
    // round away from the aircraft's size for every one of them.
    for (int tenths = 100; tenths <= 600; ++tenths)
    {
        const double standM = tenths / 10.0;
        const Stand stand("A1", 1, 0.0, 0.0, 0.0, standM);
        if (standM - 7.0 <= 17.8)
        {
            EXPECT_FALSE(gf_fitsRadius(stand, (standM - 7.0) * kM)) << standM;
        }
        if (standM - 10.5 > 17.8)
        {
            EXPECT_FALSE(gf_fitsRadius(stand, (standM - 10.5) * kM)) << standM;
        }
        EXPECT_TRUE(gf_fitsRadius(stand, (standM + 1.8) * kM)) << standM;
    }
}

TEST(StandConstruction, KeepsMetresAsNauticalMilesAndClearsFlags)
{
    const Stand s("B12", 7, 52.3, 4.76, 1.5, 18.52);
    EXPECT_EQ(s.name, "B12");
    EXPECT_EQ(s.standId, 7u);
    EXPECT_DOUBLE_EQ(s.radius, 0.01);
    EXPECT_DOUBLE_EQ(s.heading, 1.5);
    EXPECT_EQ(s.occupied + s.taken + s.cargo + s.ramp + s.helipad + s.manual + s.blocked + s.excluded, 0);
    EXPECT_GE(s.adjacent.capacity(), 8u);
}

TEST(StandLookups, ByNameAndById)
{
    std::vector<Stand> stands{Stand("A1", 1, 0, 0, 0, 20), Stand("A2", 2, 0, 0, 0, 20),
                              Stand("A2", 3, 0, 0, 0, 20)};
    ASSERT_NE(gf_findStandByName(stands, "A2"), nullptr);
    EXPECT_EQ(gf_findStandByName(stands, "A2")->standId, 2u);
    EXPECT_EQ(gf_findStandByName(stands, "a2"), nullptr);
    EXPECT_EQ(gf_standNameById(stands, 3), "A2");
    EXPECT_EQ(gf_standNameById(stands, 0), "sid==0?");
    EXPECT_EQ(gf_standNameById(stands, 9), "unknown");
    EXPECT_EQ(gf_findStandById(stands, 0), nullptr);
    EXPECT_EQ(gf_findStandById(stands, 1), &stands[0]);
}

} // namespace
} // namespace oxl
