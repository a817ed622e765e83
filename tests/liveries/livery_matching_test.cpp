#include "tests/liveries/livery_match_fixture.h"

#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "liveries/liveries_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <set>

namespace oxl
{
namespace
{

using test::matchAircraft;
using ::testing::ElementsAre;

// What one aircraft gets at depths 1 to 4: the step (0 = no livery) and the title.
struct Outcome
{
    std::int64_t step = 0;
    const char* title = "";
};

struct LiveRow
{
    const char* name;
    const char* airline;
    const char* type;
    const char* registration;
    bool cargo;
    std::array<Outcome, 4> atDepth; // depth 1, 2, 3, 4
};

constexpr Outcome kNone{};

// RANDOM is off: every pick is the first candidate that is not reserved for a registration.
const LiveRow kLiveRows[] = {
    {"RegcodeOfTheLivery",
     "BAW",
     "A320",
     "G-EUPA",
     false,
     {Outcome{1, "BA A320 one"}, {1, "BA A320 one"}, {1, "BA A320 one"}, {1, "BA A320 one"}}},
    {"ReservedTitle",
     "DLH",
     "A320",
     "D-AIZZ",
     false,
     {Outcome{1, "LH A320 Award"}, {1, "LH A320 Award"}, {1, "LH A320 Award"}, {1, "LH A320 Award"}}},
    {"AirlineTypeAvoidsReserved",
     "DLH",
     "A320",
     "",
     false,
     {kNone, {2, "LH A320 Base"}, {2, "LH A320 Base"}, {2, "LH A320 Base"}}},
    {"AllCandidatesReserved",
     "VIP",
     "GLF5",
     "",
     false,
     {kNone, {2, "VIP GLF5 Award"}, {2, "VIP GLF5 Award"}, {2, "VIP GLF5 Award"}}},
    {"OperatorFliesForRecordAirline",
     "CLH",
     "A321",
     "D-AOPR",
     false,
     {kNone, {2, "LH A321"}, {2, "LH A321"}, {2, "LH A321"}}},
    {"EmptyAirlineSkipsAirlineSteps", "", "A321", "D-AOPR", false, {kNone, kNone, kNone, kNone}},
    {"CargoTakesAirlinePax",
     "DLH",
     "B744",
     "D-ABVX",
     true,
     {kNone, {2, "LH 744 pax"}, {2, "LH 744 pax"}, {2, "LH 744 pax"}}},
    {"CargoLivery",
     "BOX",
     "B744",
     "D-ABOX",
     true,
     {kNone, {2, "Box 744 freighter"}, {2, "Box 744 freighter"}, {2, "Box 744 freighter"}}},
    {"PaxNeverTakesCargo", "BOX", "B744", "", false, {kNone, kNone, kNone, kNone}},
    {"SimilarTypeOfTheAirline", "BAW", "A321", "", false, {kNone, kNone, {3, "BA A319"}, {3, "BA A319"}}},
    {"PrivateTakesGeneric",
     "PVT",
     "C172",
     "",
     false,
     {kNone, {4, "Generic C172"}, {4, "Generic C172"}, {4, "Generic C172"}}},
    {"GenericForAirlinerAtDepthFour", "EZY", "A20N", "", false, {kNone, kNone, kNone, {4, "Generic A20N"}}},
    {"HeavyWithoutLivery", "QTR", "B744", "", false, {kNone, kNone, kNone, kNone}},
    {"RotorcraftGeneric",
     "XYZ",
     "EC35",
     "",
     false,
     {kNone, kNone, {4, "FSLTL_EC35 rescue"}, {4, "FSLTL_EC35 rescue"}}},
    {"AnyAirlineOfTheType", "XYZ", "PA28", "", false, {kNone, kNone, {5, "Club PA28"}, {5, "Club PA28"}}},
    // The airline's similar A319 is a Large type: skipped at step 3, taken from any airline at step 6.
    {"SimilarTypeOfOtherCategory", "BAW", "C208", "", false, {kNone, kNone, {6, "BA A319"}, {6, "BA A319"}}},
    {"SimilarTypeOfAnyAirline", "ABC", "C56X", "", false, {kNone, kNone, {6, "Exec GLF5"}, {6, "Exec GLF5"}}},
    {"RandomTypeOfTheCategory",
     "XYZ",
     "BE58",
     "",
     false,
     {kNone, kNone, {6, "Generic C172"}, {6, "Generic C172"}}},
};

class LiveryMatching : public test::LiveryMatchTest
{
  protected:
    static std::array<std::int32_t, kMatchSteps> countersFor(std::int64_t step)
    {
        std::array<std::int32_t, kMatchSteps> counters{};
        if (step > 0)
            counters[static_cast<std::size_t>(step - 1)] = 1;
        return counters;
    }
};

TEST_F(LiveryMatching, LiveCascadeAtEveryDepth)
{
    for (const LiveRow& row : kLiveRows)
    {
        for (std::int32_t depth = 1; depth <= 4; ++depth)
        {
            SCOPED_TRACE(testing::Message() << row.name << " at depth " << depth);
            MATCHING_DEPTH.set(depth);
            test::resetMatchBookkeeping();
            const Outcome& expected = row.atDepth[static_cast<std::size_t>(depth - 1)];
            AcProfile ac = matchAircraft(row.airline, row.type, row.registration, row.cargo);
            const std::size_t linesBefore = settings_.logLines().size();

            gf_matchLiveAcLivery(ac);

            EXPECT_EQ(ac.livery, expected.title);
            EXPECT_EQ(gLiveries.MatchStepCounters, countersFor(expected.step));
            const std::vector<std::string> lines = settings_.logLines();
            if (expected.step == 0)
                EXPECT_EQ(lines.size(), linesBefore);
            else
                EXPECT_THAT(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore),
                                                     lines.end()),
                            ElementsAre(fmt::format("          {} ={}= {}", gf_acLabel(ac), expected.step,
                                                    expected.title)));
            EXPECT_EQ(ac.reverseMarker, std::string_view(expected.title).starts_with("FSLTL_") ? 1 : 0);
            EXPECT_TRUE(ac.livery.empty() || isStoredTitle(ac.livery));
        }
    }
}

TEST_F(LiveryMatching, MatchLineNamesAircraftStepAndTitle)
{
    AcProfile ac = matchAircraft("DLH", "A321", "D-AOPR", false, "DLH4AB");
    ac.origin = "EDDF";
    ac.destination = "EGLL";
    gf_matchLiveAcLivery(ac);
    EXPECT_TRUE(settings_.logged("          DLH4AB   D-AOPR   EDDF->EGLL DLH A321 =2= LH A321"));
}

TEST_F(LiveryMatching, LogOffWritesNoMatchLine)
{
    LOG.set(false);
    const std::size_t before = settings_.logLines().size();
    AcProfile ac = matchAircraft("DLH", "A321", "");
    gf_matchLiveAcLivery(ac);
    EXPECT_EQ(ac.livery, "LH A321");
    EXPECT_EQ(settings_.logLines().size(), before);
    EXPECT_EQ(gLiveries.MatchStepCounters[1], 1);
}

struct StaticRow
{
    const char* name;
    const char* airline;
    const char* type;
    const char* registration;
    bool standCargo;
    std::array<Outcome, 4> atDepth;
};

const StaticRow kStaticRows[] = {
    {"RegcodeOfTheLivery",
     "BAW",
     "A320",
     "G-EUPA",
     false,
     {Outcome{1, "BA A320 one"}, {1, "BA A320 one"}, {1, "BA A320 one"}, {1, "BA A320 one"}}},
    {"AirlineType",
     "DLH",
     "A320",
     "",
     false,
     {kNone, {2, "LH A320 Base"}, {2, "LH A320 Base"}, {2, "LH A320 Base"}}},
    // Unlike a live aircraft, a static one with an empty airline still tries the record's airline.
    {"EmptyAirlineTakesRecordAirline",
     "",
     "A321",
     "D-AOPR",
     false,
     {kNone, {2, "LH A321"}, {2, "LH A321"}, {2, "LH A321"}}},
    {"CargoStandGivesFreighter",
     "BOX",
     "B744",
     "",
     true,
     {kNone, {2, "Box 744 freighter"}, {2, "Box 744 freighter"}, {2, "Box 744 freighter"}}},
    {"PassengerStandRefusesFreighter", "BOX", "B744", "", false, {kNone, kNone, kNone, kNone}},
    {"PrivateTakesGeneric",
     "PVT",
     "C172",
     "",
     false,
     {kNone, {4, "Generic C172"}, {4, "Generic C172"}, {4, "Generic C172"}}},
    // Similar types of another category are tried by a static match.
    {"SimilarTypeOfOtherCategory", "BAW", "C208", "", false, {kNone, kNone, {3, "BA A319"}, {3, "BA A319"}}},
    {"GenericForAirlinerAtDepthFour", "EZY", "A20N", "", false, {kNone, kNone, kNone, {4, "Generic A20N"}}},
    {"AnyAirlineOfTheType", "XYZ", "PA28", "", false, {kNone, kNone, {5, "Club PA28"}, {5, "Club PA28"}}},
};

TEST_F(LiveryMatching, StaticCascadeAtEveryDepth)
{
    for (const StaticRow& row : kStaticRows)
    {
        for (std::int32_t depth = 1; depth <= 4; ++depth)
        {
            SCOPED_TRACE(testing::Message() << row.name << " at depth " << depth);
            MATCHING_DEPTH.set(depth);
            const Outcome& expected = row.atDepth[static_cast<std::size_t>(depth - 1)];
            AcProfile ac = matchAircraft(row.airline, row.type, row.registration, !row.standCargo);
            const std::size_t linesBefore = settings_.logLines().size();

            const bool matched = gf_matchStaticAcLivery(ac, "B12", row.standCargo);

            EXPECT_EQ(matched, expected.step != 0);
            EXPECT_EQ(ac.livery, expected.title);
            EXPECT_EQ(ac.cargo, row.standCargo ? 1 : 0);
            const std::vector<std::string> lines = settings_.logLines();
            const std::string line =
                expected.step == 0
                    ? fmt::format("{:8}: {} no livery match ...", "B12", gf_acShortLabel(ac))
                    : fmt::format("          {} ={}= {}", gf_acLabel(ac), expected.step, expected.title);
            EXPECT_THAT(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore),
                                                 lines.end()),
                        ElementsAre(line));
            EXPECT_EQ(gLiveries.MatchStepCounters, (std::array<std::int32_t, kMatchSteps>{}));
            EXPECT_EQ(ac.reverseMarker, 0);
            EXPECT_TRUE(gLiveries.PendingTitles.empty());
        }
    }
}

TEST_F(LiveryMatching, StaticAircraftWithTitleKeepsIt)
{
    AcProfile ac = matchAircraft("QTR", "B744", "");
    ac.livery = "Chosen earlier";
    EXPECT_TRUE(gf_matchStaticAcLivery(ac, "B12", true));
    EXPECT_EQ(ac.livery, "Chosen earlier");
    EXPECT_EQ(ac.cargo, 0);
    EXPECT_TRUE(settings_.logged(fmt::format("          {} =s= Chosen earlier", gf_acLabel(ac))));
}

TEST_F(LiveryMatching, FailedTitleIsNeverReturned)
{
    // The live match ends at the step that found the failed title, without counting it.
    AcProfile failed = matchAircraft("DLH", "A321", "");
    failed.livery = gf_findLiveryTitle("LH A321");
    gf_onLiveryNotCreated(failed);
    AcProfile live = matchAircraft("DLH", "A321", "");
    gf_matchLiveAcLivery(live);
    EXPECT_TRUE(live.livery.empty());
    EXPECT_EQ(gLiveries.MatchStepCounters, (std::array<std::int32_t, kMatchSteps>{}));

    // A failed reserved title ends the cascade at step 1.
    AcProfile reserved = matchAircraft("DLH", "A320", "D-AIZZ");
    reserved.livery = gf_findLiveryTitle("LH A320 Award");
    gf_onLiveryNotCreated(reserved);
    AcProfile again = matchAircraft("DLH", "A320", "D-AIZZ");
    gf_matchLiveAcLivery(again);
    EXPECT_TRUE(again.livery.empty());

    // The static match settles the same way and reports no title, without a log line.
    AcProfile parked = matchAircraft("DLH", "A321", "");
    const std::size_t before = settings_.logLines().size();
    EXPECT_FALSE(gf_matchStaticAcLivery(parked, "B12", false));
    EXPECT_TRUE(parked.livery.empty());
    EXPECT_EQ(settings_.logLines().size(), before);
}

TEST_F(LiveryMatching, FailedCreationIsShownAndRecorded)
{
    AcProfile ac = matchAircraft("DLH", "A321", "", false, "DLH4AB");
    ac.livery = gf_findLiveryTitle("LH A321");
    gf_onLiveryNotCreated(ac);
    EXPECT_TRUE(settings_.logged("DLH4AB 'LH A321' could not be created by your Sim!"));
    EXPECT_THAT(gLiveries.FailedTitles, ElementsAre("LH A321"));
    EXPECT_THAT(gf_failedLiveriesList(), ElementsAre("  A321 DLH"));

    // While the cycle stops nothing is recorded.
    gf_requestStop(ExitReason::newSettings, 0);
    gf_onLiveryNotCreated(ac);
    EXPECT_EQ(gLiveries.FailedTitles.size(), 1u);
}

TEST_F(LiveryMatching, TwentiethFailedLiveryEndsTheCycleWithError81)
{
    AcProfile ac = matchAircraft("DLH", "A321", "");
    // A livery counts once, however many of its creations were under way when it was first refused.
    std::string title;
    for (int i = 2; i < 40; ++i)
    {
        ac.livery = title = fmt::format("Broken {}", i / 2);
        gf_onLiveryNotCreated(ac);
    }
    EXPECT_EQ(gLiveries.FailedTitles.size(), 19u);
    try
    {
        ac.livery = title = "Broken 20";
        gf_onLiveryNotCreated(ac);
        FAIL() << "no error 81";
    }
    catch (const UserErrorException& e)
    {
        EXPECT_STREQ(e.what(),
                     "81: There are too many liveries that could not be created by P3D!, see Log.txt");
    }
    EXPECT_TRUE(
        settings_.logged("===> Error 81, There are too many liveries that could not be created by P3D!"));
    EXPECT_EQ(gLiveries.FailedTitles.size(), 20u);
}

TEST_F(LiveryMatching, ClearedIndexesLeaveNoViewBehind)
{
    AcProfile ac = matchAircraft("DLH", "A321", "");
    ac.livery = gf_findLiveryTitle("LH A321");
    gf_onLiveryNotCreated(ac);
    gf_storePendingTitle(0x400001, gf_findLiveryTitle("BA A319"));
    gf_clearLiveryIndexes();
    // The failed titles are copies and stay; pending titles would point into the freed titles.
    EXPECT_THAT(gLiveries.FailedTitles, ElementsAre("LH A321"));
    EXPECT_TRUE(gf_takePendingTitle(0x400001).empty());
}

TEST_F(LiveryMatching, PendingTitleUntilItFails)
{
    const std::string_view title = gf_findLiveryTitle("BA A320 two");
    gf_storePendingTitle(0x400001, title);
    EXPECT_EQ(gf_takePendingTitle(0x400001), "BA A320 two");
    EXPECT_EQ(gf_takePendingTitle(0x400001), "BA A320 two");
    EXPECT_TRUE(gf_takePendingTitle(0x400002).empty());

    AcProfile ac = matchAircraft("BAW", "A320", "");
    ac.livery = title;
    gf_onLiveryNotCreated(ac);
    EXPECT_TRUE(gf_takePendingTitle(0x400001).empty());
    EXPECT_FALSE(gLiveries.PendingTitles.contains(0x400001));

    gf_storePendingTitle(0x400003, gf_findLiveryTitle("BA A319"));
    gf_erasePendingTitle(0x400003);
    EXPECT_TRUE(gf_takePendingTitle(0x400003).empty());
}

TEST_F(LiveryMatching, SummaryCountsStepsAndFailures)
{
    const std::size_t before = settings_.logLines().size();
    AcProfile failed = matchAircraft("DLH", "A321", "");
    failed.livery = gf_findLiveryTitle("LH A321");
    gf_onLiveryNotCreated(failed);
    gf_logLiveryMatchSummary();
    // Silent while no live match was counted, even with failed creations.
    EXPECT_EQ(settings_.logLines().size(), before + 1);

    for (const char* airline : {"DLH", "PVT", "PVT"})
    {
        AcProfile ac = matchAircraft(airline, airline == std::string("PVT") ? "C172" : "A320", "");
        gf_matchLiveAcLivery(ac);
    }
    LOG.set(false);
    const std::size_t start = settings_.logLines().size();
    gf_logLiveryMatchSummary();
    const std::vector<std::string> lines = settings_.logLines();
    const std::string stars31(31, '*');
    EXPECT_THAT(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(start), lines.end()),
                ElementsAre("", stars31 + " live traffic livery matching summary " + stars31,
                            "Matches at step: ", "  1: 0", "  2: 1", "  3: 0", "  4: 2", "  5: 0", "  6: 0",
                            "", "Could not be created by P3D:", "  A321 DLH", std::string(100, '*'), ""));
    // The counters stay for the next summary.
    EXPECT_EQ(gLiveries.MatchStepCounters[3], 2);
}

TEST_F(LiveryMatching, NoMatchListWhileLogIsOn)
{
    const std::size_t before = settings_.logLines().size();
    gf_logNoMatchList({});
    EXPECT_EQ(settings_.logLines().size(), before);

    gf_logNoMatchList({"QTR B744 A7-BEA", "BOX B744 D-AAAA", "PVT A320 D-\nA\\"});
    const std::vector<std::string> lines = settings_.logLines();
    EXPECT_THAT(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
                ElementsAre("", "No match found for:", "QTR B744 A7-BEA", "BOX B744 D-AAAA",
                            "PVT A320 D-\\nA\\\\", ""));

    LOG.set(false);
    gf_logNoMatchList({"QTR B744 A7-BEA"});
    EXPECT_EQ(settings_.logLines().size(), lines.size());
}

TEST_F(LiveryMatching, RandomPicksStayAmongTheCandidates)
{
    RANDOM.set(true);
    gf_randomEngine().seed(20261207);
    std::set<std::string_view> seen;
    for (int i = 0; i < 200; ++i)
    {
        AcProfile ac = matchAircraft("BAW", "A320", "");
        gf_matchLiveAcLivery(ac);
        seen.insert(ac.livery);
        // The reserved title of the airline is never drawn while another candidate exists.
        AcProfile lh = matchAircraft("DLH", "A320", "");
        gf_matchLiveAcLivery(lh);
        EXPECT_EQ(lh.livery, "LH A320 Base");
    }
    EXPECT_EQ(seen, (std::set<std::string_view>{"BA A320 one", "BA A320 two"}));
}

} // namespace
} // namespace oxl
