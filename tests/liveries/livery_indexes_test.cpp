#include "liveries/liveries_state.h"
#include "tests/liveries/livery_index_fixture.h"

#include <fmt/format.h>

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class LiveryIndexesTest : public test::LiveryIndexTest
{
};

std::vector<std::string> titlesOf(const TitleViews& views)
{
    return {views.begin(), views.end()};
}

const std::vector<LiveryData> kFleet = {
    {"", "", "No codes at all", "", 0, false},         {"", "C172", "Private Cessna", "", 0, false},
    {"BAW", "A320", "BA A320 a", "G-EUPA", 0, false},  {"BAW", "A320", "BA A320 b", "", 0, false},
    {"BAW", "B744", "BA B744 freighter", "", 0, true}, {"BAW", "B744", "BA B744 pax", "", 0, false},
    {"DLH", "B744", "LH B744 cargo", "", 0, true},     {"EZY", "A320", "BA A320 a", "", 0, false},
};

TEST_F(LiveryIndexesTest, TitlesGroupByAirlineAndTypeInListOrder)
{
    buildFrom(kFleet);
    gf_buildTypeIndexes();

    ASSERT_EQ(gLiveries.MainLiveryIndex.size(), 4u);
    ASSERT_TRUE(gLiveries.MainLiveryIndex.contains(""));
    EXPECT_EQ(gLiveries.MainLiveryIndex.at("").at("").front().title, "No codes at all");
    EXPECT_EQ(gLiveries.MainLiveryIndex.at("").at("C172").front().title, "Private Cessna");
    const TitleRecords& baA320 = gLiveries.MainLiveryIndex.at("BAW").at("A320");
    ASSERT_EQ(baA320.size(), 2u);
    EXPECT_EQ(baA320[0].title, "BA A320 a");
    EXPECT_EQ(baA320[1].title, "BA A320 b");
    EXPECT_EQ(baA320.capacity(), baA320.size());

    EXPECT_THAT(titlesOf(gLiveries.AirlineLiveryIndex[kPaxIndex].at("BAW").at("B744")),
                ElementsAre("BA B744 pax"));
    EXPECT_THAT(titlesOf(gLiveries.AirlineLiveryIndex[kCargoIndex].at("BAW").at("B744")),
                ElementsAre("BA B744 freighter"));
    // An airline with only cargo liveries stands in the cargo index only.
    EXPECT_FALSE(gLiveries.AirlineLiveryIndex[kPaxIndex].contains("DLH"));
    EXPECT_TRUE(gLiveries.AirlineLiveryIndex[kCargoIndex].contains("DLH"));

    // Airlines come in hash order; the titles of one airline keep their order.
    EXPECT_THAT(titlesOf(gLiveries.TypeLiveryIndex[kPaxIndex].at("A320")),
                UnorderedElementsAre("BA A320 a", "BA A320 b", "BA A320 a"));
    EXPECT_THAT(titlesOf(gLiveries.TypeLiveryIndex[kCargoIndex].at("B744")),
                UnorderedElementsAre("BA B744 freighter", "LH B744 cargo"));
    EXPECT_TRUE(gLiveries.TypeLiveryIndex[kPaxIndex].contains("B744"));
    EXPECT_FALSE(gLiveries.TypeLiveryIndex[kCargoIndex].contains("A320"));
    EXPECT_TRUE(gLiveries.TypeLiveryIndex[kPaxIndex].contains(""));

    for (const auto& kind : gLiveries.TypeLiveryIndex)
        for (const auto& [type, views] : kind)
            for (std::string_view view : views)
                EXPECT_TRUE(isStoredTitle(view)) << view;
}

TEST_F(LiveryIndexesTest, DuplicateTitlesAreKeptAndLookupsFindAStoredOne)
{
    buildFrom(kFleet);
    const std::string_view found = gf_findLiveryTitle(std::string("BA A320 a"));
    EXPECT_EQ(found, "BA A320 a");
    EXPECT_TRUE(isStoredTitle(found));
    EXPECT_EQ(gLiveries.MainLiveryIndex.at("EZY").at("A320").front().title, "BA A320 a");
    EXPECT_TRUE(gf_findLiveryTitle("BA A320").empty());
    EXPECT_TRUE(gf_findLiveryTitle("").empty());
}

TEST_F(LiveryIndexesTest, KeyQueriesAndAirlineCodes)
{
    buildFrom({{"BAWX", "A320", "t1", "", 0, false}, {"BAW", "A320", "t2", "", 0, false}});
    EXPECT_TRUE(gf_hasLiveryOfAirlineType("BAW", "A320"));
    EXPECT_FALSE(gf_hasLiveryOfAirlineType("BAW", "A321"));
    EXPECT_FALSE(gf_hasLiveryOfAirlineType("DLH", "A320"));
    EXPECT_THAT(gf_indexAirlineCodes(), ElementsAre("BAW", "BAW"));
}

TEST_F(LiveryIndexesTest, EmptyListGivesEmptyIndexesAndNoCategoryHasLiveries)
{
    buildFrom({});
    gf_buildTypeIndexes();
    EXPECT_TRUE(gLiveries.MainLiveryIndex.empty());
    EXPECT_TRUE(gLiveries.TypeLiveryIndex[kPaxIndex].empty());
    for (AcCategory category : {AcCategory::Light, AcCategory::Buzjets, AcCategory::Large, AcCategory::Heavy,
                                AcCategory::HighPerf, AcCategory::Rotorcraft})
        gf_summarizeCategory(category);
    for (const char* word : {"Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"})
        EXPECT_TRUE(settings_.logged(fmt::format("Category {}: No livery found", word))) << word;
}

TEST_F(LiveryIndexesTest, CategoryWithoutLiveriesSwitchesItsSettingOffOnce)
{
    buildFrom({{"BAW", "A320", "a", "", 0, false}});
    gf_buildTypeIndexes();
    ASSERT_TRUE(LIGHT_AIRCRAFT.value());
    gf_summarizeCategory(AcCategory::Light);
    gf_summarizeCategory(AcCategory::Light);
    EXPECT_FALSE(LIGHT_AIRCRAFT.value());
    EXPECT_EQ(settings_.valueOf(LIGHT_AIRCRAFT.name), "false");
    const std::string line = fmt::format(
        "{} temporarily switched off because you do not have light aircraft installed", LIGHT_AIRCRAFT.name);
    const std::vector<std::string> lines = settings_.logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Category Light: No livery found"), 2);
}

TEST_F(LiveryIndexesTest, CategorySummaryCountsBothKindsAndKeepsTheOptionalTypeLists)
{
    gf_reserveLiveryIndexes();
    buildFrom({{"BAW", "B744", "a", "", 0, false},
               {"BAW", "B744", "b", "", 0, true},
               {"BAW", "B744", "c", "", 0, true},
               {"PVT", "C172", "d", "", 0, false},
               {"PVT", "PA28", "e", "", 0, false},
               {"ZZZ", "GLF5", "f", "", 0, false}});
    gf_buildTypeIndexes();
    gf_summarizeCategory(AcCategory::Heavy);
    gf_summarizeCategory(AcCategory::Light);
    gf_summarizeCategory(AcCategory::Buzjets);
    EXPECT_TRUE(settings_.logged("Category Heavy: 1 pax liverie and 2 cargo liveries"));
    EXPECT_TRUE(settings_.logged("Category Light: 2 pax liveries"));
    EXPECT_TRUE(settings_.logged("  C172,PA28"));
    EXPECT_TRUE(settings_.logged("  B744"));
    EXPECT_THAT(gLiveries.LightTypes, ElementsAre("C172", "PA28"));
    EXPECT_THAT(gLiveries.BuzjetTypes, ElementsAre("GLF5"));
    EXPECT_THAT(gLiveries.RotorcraftTypes, IsEmpty());
    EXPECT_EQ(gf_randomLightType(), "C172");
    EXPECT_EQ(gf_randomRotorcraftType(), "");
    EXPECT_TRUE(LIGHT_AIRCRAFT.value());
}

struct TypeLineRow
{
    int types;
    std::vector<std::size_t> lineLengths; // types per logged line
};

void PrintTo(const TypeLineRow& row, std::ostream* os)
{
    *os << row.types << " types";
}

class TypeLinesTest : public test::LiveryIndexTest, public ::testing::WithParamInterface<TypeLineRow>
{
};

TEST_P(TypeLinesTest, TypesAreLoggedTwentyPerLine)
{
    std::vector<std::string> types;
    for (int i = 0; i < GetParam().types; ++i)
        types.push_back(fmt::format("T{:03}", i));
    gf_fillCategoryTypeLists(false, false, true, types);
    std::vector<std::size_t> lengths;
    for (const std::string& line : settings_.logLines())
        if (line.starts_with("  T"))
            lengths.push_back(static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1);
    EXPECT_EQ(lengths, GetParam().lineLengths);
    EXPECT_EQ(gLiveries.RotorcraftTypes.size(), types.size());
}

INSTANTIATE_TEST_SUITE_P(Counts, TypeLinesTest,
                         ::testing::Values(TypeLineRow{1, {1}}, TypeLineRow{20, {20}},
                                           TypeLineRow{21, {20, 1}}, TypeLineRow{40, {20, 20}}));

TEST_F(LiveryIndexesTest, ReserveActsOnceAndClearEmptiesEverything)
{
    gf_reserveLiveryIndexes();
    EXPECT_GE(gLiveries.SpecialTitles.capacity(), 4096u);
    EXPECT_GE(gLiveries.BuzjetTypes.capacity(), 128u);
    buildFrom(kFleet);
    gf_buildTypeIndexes();
    gLiveries.RegcodeMap.emplace("G-EUPA", gf_findLiveryTitle("BA A320 a"));
    gf_clearLiveryIndexes();
    EXPECT_TRUE(gLiveries.MainLiveryIndex.empty());
    EXPECT_TRUE(gLiveries.AirlineLiveryIndex[kCargoIndex].empty());
    EXPECT_TRUE(gLiveries.TypeLiveryIndex[kPaxIndex].empty());
    EXPECT_TRUE(gLiveries.RegcodeMap.empty());
    EXPECT_TRUE(gf_findLiveryTitle("BA A320 a").empty());
    EXPECT_GE(gLiveries.SpecialTitles.capacity(), 4096u);
}

} // namespace
} // namespace oxl
