#include "foundation/geodesy.h"

#include "foundation/config_keys.h"

#include <cmath>
#include <gsl/narrow>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace oxl
{
namespace
{

// The derived constants keep the values that stored positions and distances were computed with.
static_assert(kDegToRad == 0.017453292519943295 && kRadToDeg == 57.29577951308232);
static_assert(kTwoPi == 6.283185307179586 && kDistanceFactorNm == 6875.493541569878);
static_assert(kRadPerFoot == 4.787404208238998e-8);

struct CityPair
{
    const char* name;
    LatLon a;
    LatLon b;
    double distanceNm; // on the sphere of 1 nm per minute of arc, by the spherical law of cosines
};

const CityPair kCityPairs[] = {
    {"London-NewYork", {51.4700, -0.4543}, {40.6413, -73.7781}, 2989.351},
    {"Sydney-LosAngeles", {-33.9461, 151.1772}, {33.9425, -118.4081}, 6508.087},
    {"Frankfurt-Tokyo", {50.0333, 8.5706}, {35.7647, 140.3864}, 5054.174},
    {"Paris-London", {49.0097, 2.5479}, {51.4700, -0.4543}, 187.220},
    {"Santiago-Sydney", {-33.3930, -70.7858}, {-33.9461, 151.1772}, 6119.164},
    {"SanFrancisco-LosAngeles", {37.6190, -122.3750}, {33.9425, -118.4081}, 293.098},
};

TEST(Geodesy, AngleDifferencesWrapIntoOneHalfTurnEitherWay)
{
    const std::pair<double, double> cases[] = {{0.0, 0.0},      {179.0, 179.0}, {181.0, -179.0},
                                               {-181.0, 179.0}, {540.0, 180.0}, {-350.0, 10.0},
                                               {719.0, -1.0}};
    for (const auto& [in, out] : cases)
        EXPECT_DOUBLE_EQ(gf_wrapDeg180(in), out) << in;
}

TEST(Geodesy, RadianAnglesWrapIntoOneTurn)
{
    struct Row
    {
        const char* name;
        double in;
        double twoPi; // wrapped into [0, 2π)
        double pi;    // wrapped into [-π, π]
    };
    const Row rows[] = {
        {"zero", 0.0, 0.0, 0.0},
        {"quarter turn", kPi / 2.0, kPi / 2.0, kPi / 2.0},
        {"three quarters", 1.5 * kPi, 1.5 * kPi, -kPi / 2.0},
        {"negative quarter", -kPi / 2.0, 1.5 * kPi, -kPi / 2.0},
        {"two turns and a quarter", 4.5 * kPi, kPi / 2.0, kPi / 2.0},
        // A remainder too small to survive adding a full turn is no turn at all, never 2π.
        {"tiny negative", -1e-20, 0.0, -1e-20},
    };
    for (const Row& r : rows)
    {
        EXPECT_NEAR(gf_wrapTwoPi(r.in), r.twoPi, 1e-12) << r.name;
        EXPECT_LT(gf_wrapTwoPi(r.in), kTwoPi) << r.name;
        EXPECT_NEAR(gf_wrapPi(r.in), r.pi, 1e-12) << r.name;
    }
}

TEST(Geodesy, DistanceOfCityPairs)
{
    for (const CityPair& c : kCityPairs)
    {
        EXPECT_NEAR(gf_distanceNm(c.a, c.b), c.distanceNm, 0.001) << c.name;
        EXPECT_NEAR(gf_distanceNm(c.b, c.a), c.distanceNm, 0.001) << c.name;
    }
}

TEST(Geodesy, DistanceFigures)
{
    EXPECT_EQ(gf_distanceNm({47.5, 8.5}, {47.5, 8.5}), 0.0);
    EXPECT_NEAR(gf_distanceNm({0, 0}, {0, 1}), 60.0, 1e-9);
    EXPECT_NEAR(gf_distanceNm({-60, 30}, {-59, 30}), 60.0, 1e-9);
    EXPECT_NEAR(gf_distanceNm({0, 179.5}, {0, -179.5}), 60.0, 1e-9);
}

TEST(Geodesy, AntipodesAreHalfTheGlobeNeverNaN)
{
    // Antipodes (to rounding), where rounding of the haversine term can exceed 1.
    int checked = 0;
    for (double lat = -89.0; lat <= 89.0; lat += 0.37)
    {
        for (double lon = -179.0; lon <= 0.0; lon += 1.13)
        {
            const double d = gf_distanceNm({lat, lon}, {-lat, lon + 180.0});
            ASSERT_FALSE(std::isnan(d)) << lat << "," << lon;
            ASSERT_NEAR(d, 10800.0, 1e-3) << lat << "," << lon;
            ++checked;
        }
    }
    EXPECT_GT(checked, 70000);
}

TEST(Geodesy, Bearings)
{
    struct Case
    {
        const char* name;
        LatLon a, b;
        double rad;
    };
    const Case cases[] = {
        {"North", {0, 0}, {1, 0}, 0.0},
        {"East", {0, 0}, {0, 1}, kPi / 2},
        {"South", {0, 0}, {-1, 0}, kPi},
        {"West", {0, 0}, {0, -1}, 3 * kPi / 2},
        {"EastOverTheAntimeridian", {0, 179.5}, {0, -179.5}, kPi / 2},
        {"London-NewYork", {51.4700, -0.4543}, {40.6413, -73.7781}, 5.025556682448848},
    };
    for (const Case& c : cases)
    {
        const double b = gf_bearingRad(c.a, c.b);
        EXPECT_NEAR(b, c.rad, 1e-12) << c.name;
        EXPECT_GE(b, 0.0) << c.name;
        EXPECT_LT(b, 2 * kPi) << c.name;
    }
}

TEST(Geodesy, DestinationPoints)
{
    const LatLon start{47.4647, 8.5492};
    const LatLon same = gf_destinationPoint(start, 1.0, 0.0);
    EXPECT_NEAR(same.lat, start.lat, 1e-12);
    EXPECT_NEAR(same.lon, start.lon, 1e-12);

    // Ten nautical miles east of 179.9 crosses the antimeridian.
    const LatLon crossed = gf_destinationPoint({0, 179.9}, kPi / 2, nmToFeet(10.0));
    EXPECT_LT(crossed.lon, -179.0);
    EXPECT_NEAR(crossed.lon, -179.9333, 1e-3);

    // Along the initial bearing over the full distance, every city pair lands on its other city.
    for (const CityPair& c : kCityPairs)
    {
        const double feet = gf_distanceNm(c.a, c.b) / (kRadPerFoot * kDistanceFactorNm / 2.0);
        const LatLon end = gf_destinationPoint(c.a, gf_bearingRad(c.a, c.b), feet);
        EXPECT_LT(gf_distanceNm(end, c.b), 1e-6) << c.name;
    }
}

TEST(Geodesy, Percentages)
{
    struct Case
    {
        std::int64_t part, whole;
        std::int32_t percent;
    };
    const Case cases[] = {{1, 3, 33},  {2, 3, 67},    {5, 0, 0},   {5, -4, 0},
                          {1, 200, 1}, {-1, 200, -1}, {3, 3, 100}, {21'474'836, 1, 2'147'483'600}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(gf_percentage(c.part, c.whole), c.percent) << c.part << "/" << c.whole;
    }
    EXPECT_THROW(gf_percentage(30'000'000, 1), gsl::narrowing_error);
    EXPECT_THROW(gf_percentage(INT64_MAX, 1), gsl::narrowing_error);
    EXPECT_THROW(gf_percentage(INT64_MIN, 1), gsl::narrowing_error);
}

TEST(Geodesy, NumberTexts)
{
    const std::pair<float, const char*> cases[] = {{2.0f, "2"}, {2.5f, "2.5"}, {40.0f, "40"}, {-3.0f, "-3"},
                                                   {0.0f, "0"}, {24.0f, "24"}, {0.5f, "0.5"}};
    for (const auto& [v, text] : cases)
    {
        EXPECT_EQ(gf_formatNumber(v), text);
    }
}

TEST(Geodesy, PercentVariationFromTheThreadsEngine)
{
    gf_randomEngine().seed(42);
    // 1608637542 is even: the first draw of a 42-seeded engine moves up.
    EXPECT_EQ(gf_randomPercent(200.0, 5.0), 210.0);

    std::mt19937* other = nullptr;
    std::thread([&other] { other = &gf_randomEngine(); }).join();
    EXPECT_NE(other, &gf_randomEngine());
}

class RandomSwitch : public testing::Test
{
  protected:
    ~RandomSwitch() override { RANDOM.set(old_); }
    bool old_ = RANDOM.value();
};

TEST_F(RandomSwitch, OffPicksTheFirstAndKeepsTheOrder)
{
    RANDOM.set(false);
    std::vector<std::string> v{"a", "b", "c", "d", "e", "f", "g", "h"};
    const auto original = v;
    for (int i = 0; i < 100; ++i)
    {
        EXPECT_EQ(gf_randomIndex(1000), 0u);
        gf_shuffle(v);
    }
    EXPECT_EQ(v, original);
    // The percent variation still draws.
    std::set<double> seen;
    for (int i = 0; i < 200; ++i)
    {
        seen.insert(gf_randomPercent(100.0, 10.0));
    }
    EXPECT_EQ(seen, (std::set<double>{90.0, 110.0}));
    EXPECT_EQ(gf_randomPercent(100.0, 0.0), 100.0);
    EXPECT_EQ(gf_randomPercent(100.0, -5.0), 100.0);
}

TEST_F(RandomSwitch, OnDrawsFromTheThreadsEngine)
{
    RANDOM.set(true);
    gf_randomEngine().seed(42);
    EXPECT_EQ(gf_randomIndex(10), 1608637542u % 10);
    EXPECT_EQ(gf_randomIndex(1), 0u);
    EXPECT_EQ(gf_randomIndex(-3), 0u);
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 500; ++i)
    {
        const auto k = gf_randomIndex(5);
        ASSERT_LT(k, 5u);
        seen.insert(k);
    }
    EXPECT_EQ(seen.size(), 5u);

    std::vector<std::string> v;
    for (int i = 0; i < 20; ++i)
    {
        v.push_back(std::to_string(i));
    }
    auto shuffled = v;
    gf_shuffle(shuffled);
    EXPECT_NE(shuffled, v);
    std::sort(shuffled.begin(), shuffled.end());
    std::sort(v.begin(), v.end());
    EXPECT_EQ(shuffled, v);
}

} // namespace
} // namespace oxl
