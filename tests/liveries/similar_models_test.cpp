#include "liveries/liveries_state.h"
#include "tests/liveries/livery_index_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class SimilarModelsTest : public test::LiveryIndexTest
{
  protected:
    static void buildWith(const std::vector<LiveryData>& liveries)
    {
        buildFrom(liveries);
        gf_buildTypeIndexes();
        gf_buildSimilarModels();
    }

    static std::vector<std::string> keysOf(const SimilarTable& table)
    {
        std::vector<std::string> keys;
        for (const auto& [key, list] : table)
            keys.push_back(key);
        return keys;
    }
};

const std::vector<LiveryData> kFleet = {
    {"BAW", "A320", "ba a320", "", 0, false},
    {"BAW", "A321", "ba a321", "", 0, false},
    {"DLH", "A20N", "lh a20n", "", 0, false},
    {"DLH", "A319", "lh a319", "", 0, false},
};

TEST_F(SimilarModelsTest, TypesGetTheMembersWithLiveriesAndTheFirstLineWins)
{
    buildWith(kFleet);
    EXPECT_THAT(keysOf(gLiveries.SimilarModels), UnorderedElementsAre("A20N", "A319", "A320", "A321"));
    EXPECT_THAT(gLiveries.SimilarModels.at("A319"), ElementsAre("A320", "A321"));
    EXPECT_THAT(gLiveries.SimilarModels.at("A321"), ElementsAre("A319", "A320"));
    EXPECT_THAT(gLiveries.SimilarModels.at("A20N"), ElementsAre("A320"));
    // A320 stands in two groups: "A320,A20N" sorts before "A320,A319,A321".
    EXPECT_THAT(gLiveries.SimilarModels.at("A320"), ElementsAre("A20N"));
    EXPECT_TRUE(settings_.logged("4 similar model definitions"));
}

TEST_F(SimilarModelsTest, AirlinesGetOnlyTypesTheyLackWithMembersTheyHave)
{
    buildWith(kFleet);
    EXPECT_THAT(keysOf(gLiveries.AirlineSimilarModels.at("BAW")), UnorderedElementsAre("A20N", "A319"));
    EXPECT_THAT(gf_lookupSimilarList("BAW", "A319"), ElementsAre("A320", "A321"));
    EXPECT_THAT(gf_lookupSimilarList("DLH", "A321"), ElementsAre("A319"));
    EXPECT_THAT(gf_lookupSimilarList("DLH", "A320"), ElementsAre("A20N"));
    EXPECT_THAT(gf_lookupSimilarList("BAW", "A320"), IsEmpty());
    EXPECT_THAT(gf_lookupSimilarList("EZY", "A320"), IsEmpty());
}

TEST_F(SimilarModelsTest, GroupWithoutOtherLiveriesAddsNothing)
{
    buildWith({{"BAW", "A320", "only", "", 0, false}});
    EXPECT_THAT(keysOf(gLiveries.SimilarModels), UnorderedElementsAre("A319", "A321", "A20N"));
    EXPECT_FALSE(gLiveries.SimilarModels.contains("A320"));
}

TEST_F(SimilarModelsTest, ShuffledListKeepsItsMembers)
{
    buildWith(kFleet);
    RANDOM.set(true);
    for (int i = 0; i < 5; ++i)
        EXPECT_THAT(gf_lookupSimilarList("BAW", "A319"), UnorderedElementsAre("A320", "A321"));
}

TEST_F(SimilarModelsTest, SingleKeyListHoldsTheProducersType)
{
    gf_reserveSharedTypeLists();
    EXPECT_THAT(gf_singleKeyList([] { return std::string("C172"); }), ElementsAre("C172"));
    EXPECT_THAT(gf_singleKeyList([] { return std::string("PA28"); }), ElementsAre("PA28"));
    EXPECT_THAT(gf_singleKeyList([] { return std::string(); }), IsEmpty());
}

TEST_F(SimilarModelsTest, ClearedTablesFollowTheNextScan)
{
    buildWith(kFleet);
    gf_clearLiveryIndexes();
    EXPECT_TRUE(gLiveries.SimilarModels.empty());
    EXPECT_TRUE(gLiveries.AirlineSimilarModels.empty());
    buildWith({{"BAW", "A320", "ba a320", "", 0, false}, {"BAW", "A319", "ba a319", "", 0, false}});
    EXPECT_THAT(gLiveries.SimilarModels.at("A321"), ElementsAre("A319", "A320"));
    EXPECT_THAT(gLiveries.SimilarModels.at("A320"), ElementsAre("A319"));
    EXPECT_FALSE(gLiveries.AirlineSimilarModels.contains("DLH"));
}

} // namespace
} // namespace oxl
