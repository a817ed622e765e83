#include "foundation/errors.h"
#include "liveries/liveries_state.h"
#include "tests/liveries/livery_index_fixture.h"
#include "window/window_state.h"
#include "window/window_status.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class LiveryProcessingTest : public test::LiveryIndexTest
{
  protected:
    LiveryProcessingTest()
    {
        SCAN_LIVERIES.set(false);
        writeScanned({{"BAW", "A320", "BA A320", "G-EUPA", 0, false},
                      {"BAW", "A321", "BA A321", "", 0, false},
                      {"DLH", "B744", "LH B744 cargo", "D-ABVM", 0, true},
                      {"PVT", "C172", "Private Cessna", "", 0, false}});
        writeRegcodesEnc(
            R"(<AIG-regcodes><livery title="BA A321" reg="G-EUXA" special="true"/></AIG-regcodes>)");
    }

    std::vector<std::string> logged(const std::vector<std::string>& wanted) const
    {
        std::vector<std::string> found;
        for (const std::string& line : settings_.logLines())
            if (std::find(wanted.begin(), wanted.end(), line) != wanted.end())
                found.push_back(line);
        return found;
    }
};

TEST_F(LiveryProcessingTest, ReadingModeBuildsEverythingFromTheLastScan)
{
    gf_scanLiveries();
    EXPECT_TRUE(gLiveries.gLiveriesProcessed);
    EXPECT_TRUE(gLiveries.ScannedLiveries.empty());
    EXPECT_EQ(gWindow.gMainWindow.liveryCount.load(), 4u);
    EXPECT_EQ(gLiveries.MainLiveryIndex.size(), 3u);
    EXPECT_EQ(gLiveries.RegcodeMap.size(), 3u);
    EXPECT_EQ(gLiveries.RegcodeMap.at("G-EUXA"), "BA A321");
    EXPECT_THAT(gLiveries.LightTypes, ElementsAre("C172"));
    EXPECT_THAT(gLiveries.SimilarModels.at("A320"), ElementsAre("A321"));
    EXPECT_THAT(gf_lookupSimilarList("BAW", "A319"), ElementsAre("A320", "A321"));
    EXPECT_FALSE(fs::exists(work_ / "input" / "AIG-regcodes.xml"));
    EXPECT_THAT(
        logged({"3 registration codes", "3 airlines, 3 pax aircraft models and 1 cargo aircraft models",
                "4 similar model definitions", "Category Light: 1 pax liverie",
                "Category Rotorcraft: No livery found"}),
        ElementsAre("3 registration codes", "3 airlines, 3 pax aircraft models and 1 cargo aircraft models",
                    "4 similar model definitions", "Category Light: 1 pax liverie",
                    "Category Rotorcraft: No livery found"));
    EXPECT_FALSE(HELICOPTERS.value());
}

TEST_F(LiveryProcessingTest, LaterCyclesSkipTheProcessing)
{
    struct Switches final : NoStatusService // a new cycle has enabled every control before the skip
    {
        std::map<std::uint32_t, bool> enabled;
        void enableControl(const ControlBinding& c, bool on) override { enabled[c.controlId] = on; }
    } switches;
    gf_scanLiveries();
    gf_installStatusService(&switches);
    gf_scanLiveries();
    gf_installStatusService(&gf_windowStatusService());
    EXPECT_TRUE(settings_.logged("Processing scanned liveries skipped; already done in previous start-up"));
    EXPECT_EQ(gLiveries.MainLiveryIndex.size(), 3u);
    EXPECT_EQ(switches.enabled, (std::map<std::uint32_t, bool>{{LIGHT_AIRCRAFT.controlId, true},
                                                               {HELICOPTERS.controlId, false},
                                                               {HIGH_PERF_AIRCRAFT.controlId, false}}));
}

TEST_F(LiveryProcessingTest, ClearRequestIsServedAtTheNextCycleStart)
{
    gf_scanLiveries();
    const std::string_view before = gLiveries.RegcodeMap.at("G-EUPA");
    gf_requestLiveryIndexClear();
    // Nothing changes before the cycle worker comes round: titles in use stay valid.
    EXPECT_TRUE(gf_liveryIndexClearRequested());
    EXPECT_EQ(gLiveries.RegcodeMap.at("G-EUPA").data(), before.data());

    writeScanned({{"EZY", "A320", "EZ A320", "G-EZAA", 0, false}});
    gf_scanLiveries();
    EXPECT_FALSE(gf_liveryIndexClearRequested());
    EXPECT_TRUE(gLiveries.gLiveriesProcessed);
    EXPECT_EQ(gLiveries.MainLiveryIndex.size(), 1u);
    EXPECT_FALSE(gLiveries.RegcodeMap.contains("G-EUPA"));
    EXPECT_EQ(gLiveries.RegcodeMap.at("G-EZAA"), "EZ A320");
    EXPECT_THAT(gLiveries.SimilarModels.at("A319"), ElementsAre("A320"));
    EXPECT_FALSE(gLiveries.AirlineSimilarModels.contains("BAW"));
}

TEST_F(LiveryProcessingTest, MissingFileEndsTheCycleAndLeavesNothingHalfBuilt)
{
    fs::remove(work_ / "output" / "LiveriesScanned.xml");
    EXPECT_THROW(gf_scanLiveries(), UserErrorException);
    EXPECT_FALSE(gLiveries.gLiveriesProcessed);
    EXPECT_TRUE(gLiveries.MainLiveryIndex.empty());
}

} // namespace
} // namespace oxl
