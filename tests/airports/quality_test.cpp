#include "airports/quality.h"

#include "airports/airport_file.h"
#include "foundation/config_keys.h"
#include "foundation/units.h"
#include "liveries/liveries_state.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

namespace oxl
{
namespace
{

Stand standOf(double radiusM, const std::string& name = "S")
{
    return Stand(name, 0, 52.0, 4.0, 0.0, radiusM);
}

/// Adds options of one kind spread over the weekdays 1..days, half-hours 0.. in turn.
void addOptions(Stand& stand, int count, int days, int halfHoursEach, StandOptionKind kind)
{
    for (int i = 0; i < count; ++i)
    {
        StandOccupancy option;
        option.registration = "R" + std::to_string(i);
        option.weekday = static_cast<std::uint32_t>(i % days + 1);
        for (int h = 0; h < halfHoursEach; ++h)
        {
            option.halfHours.set(static_cast<std::size_t>(h));
        }
        option.kind = kind;
        option.id = static_cast<std::uint32_t>(stand.options.size() + 1);
        stand.options.push_back(option);
    }
}

/// The highest score a stand can reach: 200 options, every weekday, 600 half-hours.
Stand fullStand(double radiusM)
{
    Stand stand = standOf(radiusM);
    addOptions(stand, 200, 7, 3, StandOptionKind::real);
    return stand;
}

TEST(QualityFactor, NoOptionsAtAllIsUnknown)
{
    EXPECT_EQ(gf_qualityFactor({standOf(20.0), standOf(30.0)}), (QualityPair{-1, -1}));
    EXPECT_EQ(gf_qualityFactor(std::vector<Stand>{}), (QualityPair{-1, -1}));
}

TEST(QualityFactor, TenRealOptionsOnThreeWeekdaysAtOneStand)
{
    Stand stand = standOf(30.0);
    addOptions(stand, 10, 3, 4, StandOptionKind::real); // 40 half-hours in all
    EXPECT_EQ(gf_qualityFactor({stand}), (QualityPair{66, 0}));
}

TEST(QualityFactor, FullStandsGiveNinetyNine)
{
    EXPECT_EQ(gf_qualityFactor({fullStand(30.0), fullStand(5.0), fullStand(9.0)}), (QualityPair{99, 0}));
}

struct WeightRow
{
    const char* name;
    double learnedRadiusM;
    double emptyRadiusM;
    std::int32_t expectedReal;
};

class QualityWeights : public ::testing::TestWithParam<WeightRow>
{
};

TEST_P(QualityWeights, EmptyStandsCountInTheWeights)
{
    const WeightRow& row = GetParam();
    EXPECT_EQ(gf_qualityFactor({fullStand(row.learnedRadiusM), standOf(row.emptyRadiusM)}).real,
              row.expectedReal);
}

INSTANTIATE_TEST_SUITE_P(Rows, QualityWeights,
                         ::testing::Values(WeightRow{"equal_weights", 30.0, 40.0, 50}, // 99.375 / 2
                                           WeightRow{"small_learned", 5.0, 20.0, 23},  // × 0.3 / 1.3
                                           WeightRow{"medium_learned", 8.0, 20.0, 60}, // × 1.5 / 2.5
                                           WeightRow{"seven_metres_is_small", 7.0, 20.0, 23},
                                           WeightRow{"ten_metres_is_medium", 10.0, 20.0, 60}),
                         [](const ::testing::TestParamInfo<WeightRow>& info)
                         { return std::string(info.param.name); });

TEST(QualityFactor, DisabledOptionsScoreNothingAndKindsCountApart)
{
    Stand disabled = standOf(30.0);
    addOptions(disabled, 3, 1, 2, StandOptionKind::real);
    for (StandOccupancy& option : disabled.options)
    {
        option.id = 0;
    }
    EXPECT_EQ(gf_qualityFactor({disabled}), (QualityPair{0, 0}));

    Stand soft = standOf(30.0);
    addOptions(soft, 10, 3, 4, StandOptionKind::soft);
    EXPECT_EQ(gf_qualityFactor({soft}), (QualityPair{0, 66}));
}

TEST(QualityPairText, ShowsSoftOnlyWhileRealIsLow)
{
    EXPECT_EQ(gf_pairText({50, 20}), "50");
    EXPECT_EQ(gf_pairText({45, 3}), "45");
    EXPECT_EQ(gf_pairText({30, 7}), "30/ 7");
    EXPECT_EQ(gf_pairText({-1, -1}), "  ");
    EXPECT_EQ(gf_pairText({-1, 12}), "-1/12");
}

class FakeOccupants : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        test::resetSettingsToDefaults();
        RANDOM.set(false);
        gLiveries.gDbase.halfSpansNm.clear();
        const std::pair<const char*, double> spansM[] = {
            {"C208", 7.9}, {"B752", 19.0}, {"B763", 23.9}, {"A306", 22.4}, {"C172", 5.5},
            {"EC35", 5.1}, {"B77W", 32.2}, {"A320", 17.9}, {"B738", 17.9}, {"B739", 3.0},
            {"BCS3", 3.0}, {"B78X", 30.0}, {"E75L", 4.0},  {"B737", 17.0}};
        for (const auto& [type, spanM] : spansM)
        {
            gLiveries.gDbase.halfSpansNm[type] = metresToNm(spanM);
        }
    }
    void TearDown() override
    {
        gLiveries.gDbase.halfSpansNm.clear();
        test::resetSettingsToDefaults();
    }

    static const StandOccupancy& only(const Stand& stand)
    {
        EXPECT_EQ(stand.options.size(), 1u);
        return stand.options.front();
    }

    test::SettingsFolder settings_;
    const DayHalfHour now_{3, 21};
};

TEST_F(FakeOccupants, EachKindOfStandGetsItsOwnCandidates)
{
    Stand heli = standOf(4.0, "H1");
    heli.helipad = 1;
    Stand cargo = standOf(8.0, "C1");
    cargo.cargo = 1;
    Stand ramp = standOf(6.0, "R1");
    ramp.ramp = 1;
    Stand gate = standOf(40.0, "G1");
    std::vector<Stand> stands{heli, cargo, ramp, gate};

    gf_fillFakeOccupants("EHAM.xml", stands, now_);

    const std::pair<const char*, const char*> expected[] = {
        {"PVT", "EC35"}, {"FDX", "C208"}, {"PVT", "C172"}, {"KLM", "B77W"}};
    for (std::size_t i = 0; i < stands.size(); ++i)
    {
        const StandOccupancy& option = only(stands[i]);
        EXPECT_EQ(option.airline, expected[i].first) << stands[i].name;
        EXPECT_EQ(option.type, expected[i].second) << stands[i].name;
        EXPECT_EQ(option.callsign, "FAKE" + std::to_string(i + 1));
        EXPECT_EQ(option.registration, "REGFAKE" + std::to_string(i + 1));
        EXPECT_EQ(option.coupledCallsign, "");
        EXPECT_EQ(option.weekday, 3u);
        EXPECT_EQ(option.halfHours, HalfHourSet().set(21));
        EXPECT_EQ(option.kind, StandOptionKind::soft);
        EXPECT_EQ(option.fixed, 1u);
        EXPECT_EQ(option.fake, 1u);
        EXPECT_EQ(option.id, 1u);
    }
}

TEST_F(FakeOccupants, OtherRegionsTakeTheDefaultPairWhateverTheSize)
{
    std::vector<Stand> stands{standOf(1.0, "A"), standOf(90.0, "B")};
    gf_fillFakeOccupants("LOWW.xml", stands, now_);
    for (const Stand& stand : stands)
    {
        EXPECT_EQ(only(stand).airline, "ZZZ");
        EXPECT_EQ(only(stand).type, "B738");
    }
}

TEST_F(FakeOccupants, StandsWithoutCandidateGetNothingAndUseNoNumber)
{
    Stand hugeCargo = standOf(60.0, "C9"); // too large for every freighter of the list
    hugeCargo.cargo = 1;
    std::vector<Stand> stands{hugeCargo, standOf(40.0, "G1")};
    gf_fillFakeOccupants("EHAM.xml", stands, now_);
    EXPECT_TRUE(stands[0].options.empty());
    EXPECT_EQ(only(stands[1]).callsign, "FAKE1");
}

TEST_F(FakeOccupants, RandomPicksAmongTheFittingPairs)
{
    RANDOM.set(true);
    gf_randomEngine().seed(7);
    std::set<std::string> seen;
    for (int i = 0; i < 40; ++i)
    {
        std::vector<Stand> stands{standOf(4.0, "K1")};
        gf_fillFakeOccupants("KJFK.xml", stands, now_);
        seen.insert(only(stands[0]).airline + " " + only(stands[0]).type);
    }
    const std::set<std::string> fitting{"DAL B739", "JBU BCS3", "SKW E75L"};
    EXPECT_TRUE(std::includes(fitting.begin(), fitting.end(), seen.begin(), seen.end()));
    EXPECT_GT(seen.size(), 1u);
}

TEST_F(FakeOccupants, NewIdFollowsTheLargestIdEvenWhenTheLastOptionIsDisabled)
{
    Stand stand = standOf(40.0);
    addOptions(stand, 2, 1, 1, StandOptionKind::real);
    stand.options.back().id = 0;
    std::vector<Stand> stands{stand};
    gf_fillFakeOccupants("EHAM.xml", stands, now_);
    ASSERT_EQ(stands[0].options.size(), 3u);
    EXPECT_EQ(stands[0].options.back().id, 2u);
}

TEST_F(FakeOccupants, HalfHourOutsideTheDayIsRefused)
{
    std::vector<Stand> stands{standOf(40.0)};
    EXPECT_THROW(gf_fillFakeOccupants("EHAM.xml", stands, DayHalfHour{1, 48}), std::out_of_range);
    EXPECT_TRUE(stands[0].options.empty());
}

TEST_F(FakeOccupants, AreNeverWrittenIntoALearnedFile)
{
    test::TempFolder folder;
    ScannedAirport airport;
    airport.name = "Hand";
    airport.publisher = "stock";
    airport.stands = {standOf(40.0, "G1")};
    addOptions(airport.stands[0], 1, 1, 1, StandOptionKind::real);
    gf_fillFakeOccupants("EHAM.xml", airport.stands, now_);
    ASSERT_EQ(airport.stands[0].options.size(), 2u);

    ASSERT_TRUE(gf_writeApf(airport, folder / "EHAM.xml", ApfMode::learned, true));
    const std::string text = test::readBytes(folder / "EHAM.xml");
    EXPECT_EQ(text.find("REGFAKE"), std::string::npos);
    EXPECT_EQ(text.find("cs=\"FAKE"), std::string::npos);
    EXPECT_NE(text.find("reg=\"R0\""), std::string::npos);
}

} // namespace
} // namespace oxl
