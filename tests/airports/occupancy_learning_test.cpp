// Occupancy learning at a fixture airport: real options from aircraft that arrive, stay and leave,
// soft options from departures, stays across midnight, the second callsign and the database identity.
#include "airports/occupancy_learning.h"

#include "foundation/half_hours.h"
#include "liveries/liveries_state.h"
#include "tests/support/log_capture.h"
#include "tests/support/parking_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

constexpr std::uint32_t kMon = 1;
constexpr std::uint32_t kTue = 2;
constexpr std::uint32_t kHex = 0x484C01;

HalfHourSet halves(std::initializer_list<std::uint32_t> list)
{
    HalfHourSet s;
    for (const std::uint32_t h : list)
        s.set(h);
    return s;
}

class OccupancyLearning : public ::testing::Test
{
  protected:
    OccupancyLearning()
    {
        parking_.services = std::make_unique<test::CountingRepaints>(repaints_);
        parking_.stands.emplace_back("A1", 1, 52.30, 4.76, 0.0, 30.0);
        parking_.stands.emplace_back("A2", 2, 52.31, 4.76, 0.0, 30.0);
        aircraft_.hexid = kHex;
        aircraft_.callsign = "KLM1234";
        aircraft_.registration = "PH-XRA";
        aircraft_.airline = "KLM";
        aircraft_.type = "B738";
        aircraft_.category = AcCategory::Large;
    }
    ~OccupancyLearning() override { gLiveries.gDbase.registrations.clear(); }

    Stand& stand() { return parking_.stands.front(); }

    bool arrive(DayHalfHour t) { return lt_addStandOption(parking_, 1, aircraft_, t, false); }
    bool leave(DayHalfHour t) { return lt_addStandOption(parking_, 1, aircraft_, t, true); }

    ParkingState parking_;
    AcProfile aircraft_;
    int repaints_ = 0;
};

TEST_F(OccupancyLearning, AnAircraftWithoutKeyOrStandTeachesNothing)
{
    AcProfile nameless = aircraft_;
    nameless.registration.clear();
    nameless.callsign.clear();
    EXPECT_FALSE(lt_addStandOption(parking_, 1, nameless, {kMon, 20}, false));
    EXPECT_FALSE(lt_addStandOption(parking_, 9, aircraft_, {kMon, 20}, false));
    EXPECT_FALSE(lt_addStandOption(parking_, 0, aircraft_, {kMon, 20}, false));
    EXPECT_TRUE(stand().options.empty());
    EXPECT_EQ(parking_.learnedUpdates, 0u);

    // Without a registration the callsign is the key.
    AcProfile noReg = aircraft_;
    noReg.registration.clear();
    EXPECT_TRUE(lt_addStandOption(parking_, 1, noReg, {kMon, 20}, false));
    ASSERT_EQ(stand().options.size(), 1u);
    EXPECT_EQ(stand().options[0].registration, "KLM1234");
}

TEST_F(OccupancyLearning, AnArrivalMakesARealOptionAndAVisitThatTheDepartureStretches)
{
    ASSERT_TRUE(arrive({kMon, 20}));
    ASSERT_EQ(stand().options.size(), 1u);
    const StandOccupancy& option = stand().options[0];
    EXPECT_EQ(option.kind, StandOptionKind::real);
    EXPECT_EQ(option.id, 1u);
    EXPECT_EQ(option.weekday, kMon);
    EXPECT_EQ(option.fixed, 0u);
    EXPECT_EQ(option.halfHours, halves({20}));
    EXPECT_EQ(option.callsign, "KLM1234");
    EXPECT_EQ(option.airline, "KLM");
    EXPECT_EQ(option.type, "B738");
    ASSERT_TRUE(stand().realVisits.contains(kHex));
    EXPECT_EQ(stand().realVisits[kHex].lastUpdate, (DayHalfHour{kMon, 20}));
    EXPECT_EQ(parking_.learnedUpdates, 1u);
    EXPECT_EQ(repaints_, 1);

    ASSERT_TRUE(leave({kMon, 23}));
    ASSERT_EQ(stand().options.size(), 1u);
    EXPECT_EQ(stand().options[0].halfHours, halves({20, 21, 22, 23}));
    EXPECT_FALSE(stand().realVisits.contains(kHex));
    EXPECT_EQ(parking_.learnedUpdates, 2u);
}

TEST_F(OccupancyLearning, LaterCallsOfAStayWithoutCloseSetTheirHalfHour)
{
    ASSERT_TRUE(arrive({kMon, 20}));
    ASSERT_TRUE(arrive({kMon, 26}));
    ASSERT_EQ(stand().options.size(), 1u);
    EXPECT_EQ(stand().options[0].halfHours, halves({20, 26}));
    // The same half-hour again changes nothing but still counts as learned.
    ASSERT_TRUE(arrive({kMon, 26}));
    EXPECT_EQ(stand().options[0].halfHours, halves({20, 26}));
}

struct StayRow
{
    const char* name;
    AcCategory category;
    std::uint8_t cargo;
    std::uint32_t leaveHalf;
    bool stretched; // one option for the whole stay; else a new option for the departure's half-hour
};

class VisitLimits : public OccupancyLearning, public ::testing::WithParamInterface<StayRow>
{
};

TEST_P(VisitLimits, AStayLongerThanTheLimitStartsANewOption)
{
    const StayRow& row = GetParam();
    aircraft_.category = row.category;
    aircraft_.cargo = row.cargo;
    ASSERT_TRUE(arrive({kMon, 10}));
    ASSERT_TRUE(leave({kMon, row.leaveHalf}));
    if (row.stretched)
    {
        ASSERT_EQ(stand().options.size(), 1u);
        EXPECT_EQ(stand().options[0].halfHours.count(), static_cast<int>(row.leaveHalf - 10 + 1));
    }
    else
    {
        ASSERT_EQ(stand().options.size(), 2u);
        EXPECT_EQ(stand().options[0].halfHours, halves({10}));
        EXPECT_EQ(stand().options[1].halfHours, halves({row.leaveHalf}));
        EXPECT_EQ(stand().options[1].id, 2u);
    }
    EXPECT_FALSE(stand().realVisits.contains(kHex));
}

INSTANTIATE_TEST_SUITE_P(ByKind, VisitLimits,
                         ::testing::Values(StayRow{"LargeFiveHalfHours", AcCategory::Large, 0, 15, true},
                                           StayRow{"LargeSixHalfHours", AcCategory::Large, 0, 16, false},
                                           StayRow{"LargeFourHours", AcCategory::Large, 0, 18, false},
                                           StayRow{"HeavySevenHalfHours", AcCategory::Heavy, 0, 17, true},
                                           StayRow{"HeavyEightHalfHours", AcCategory::Heavy, 0, 18, false},
                                           StayRow{"CargoElevenHalfHours", AcCategory::Large, 1, 21, true},
                                           StayRow{"CargoTwelveHalfHours", AcCategory::Heavy, 1, 22, false}),
                         [](const ::testing::TestParamInfo<StayRow>& info)
                         { return std::string(info.param.name); });

TEST_F(OccupancyLearning, AStayAcrossMidnightFillsBothDays)
{
    ASSERT_TRUE(arrive({kMon, 46}));
    ASSERT_TRUE(leave({kTue, 1}));
    ASSERT_EQ(stand().options.size(), 2u);
    const StandOccupancy& monday = stand().options[0];
    const StandOccupancy& tuesday = stand().options[1];
    EXPECT_EQ(monday.weekday, kMon);
    EXPECT_EQ(monday.halfHours, halves({46, 47}));
    EXPECT_EQ(tuesday.weekday, kTue);
    EXPECT_EQ(tuesday.halfHours, halves({0, 1}));
    EXPECT_EQ(tuesday.id, 2u);
    EXPECT_FALSE(stand().realVisits.contains(kHex));
}

TEST_F(OccupancyLearning, AStayFromTheLastHalfHourPutsEverythingIntoToday)
{
    ASSERT_TRUE(arrive({kMon, 47}));
    ASSERT_TRUE(leave({kTue, 2}));
    ASSERT_EQ(stand().options.size(), 2u);
    EXPECT_EQ(stand().options[0].halfHours, halves({47}));
    EXPECT_EQ(stand().options[1].halfHours, halves({0, 1, 2}));
}

TEST_F(OccupancyLearning, AGivenOptionKeepsTheAircraftToItsHalfHours)
{
    StandOccupancy given;
    given.registration = "PH-XRA";
    given.weekday = kMon;
    given.halfHours = halves({10, 11});
    given.id = 1;
    given.fixed = 1;
    given.kind = StandOptionKind::real;
    stand().options.push_back(given);
    EXPECT_FALSE(arrive({kMon, 20}));
    EXPECT_EQ(stand().options.size(), 1u);
    EXPECT_EQ(parking_.learnedUpdates, 0u);

    // Another weekday, or a soft option, is not held back by it.
    EXPECT_TRUE(arrive({kTue, 20}));
    EXPECT_TRUE(lt_addStandOptionOnDeparture(parking_, 1, aircraft_, false, {kMon, 20}, false));
    EXPECT_EQ(stand().options.size(), 3u);

    // A disabled given option holds nothing back.
    stand().options[0].id = 0;
    EXPECT_TRUE(arrive({kMon, 30}));
}

TEST_F(OccupancyLearning, SoftOptionsFollowTheDepartureRules)
{
    // A stand found by the search: a new soft option with a visit, then bits while the visit is open.
    ASSERT_TRUE(lt_addStandOptionOnDeparture(parking_, 2, aircraft_, false, {kMon, 30}, false));
    Stand& s = parking_.stands[1];
    ASSERT_EQ(s.options.size(), 1u);
    EXPECT_EQ(s.options[0].kind, StandOptionKind::soft);
    ASSERT_TRUE(s.softVisits.contains(kHex));
    EXPECT_TRUE(s.realVisits.empty());
    ASSERT_TRUE(lt_addStandOptionOnDeparture(parking_, 2, aircraft_, false, {kMon, 31}, false));
    EXPECT_EQ(s.options[0].halfHours, halves({30, 31}));

    // Seen at the stand again (direct) without closing: the visit stretches the option and stays open.
    ASSERT_TRUE(lt_addStandOptionOnDeparture(parking_, 2, aircraft_, true, {kMon, 33}, false));
    EXPECT_EQ(s.options[0].halfHours, halves({30, 31, 32, 33}));
    ASSERT_TRUE(s.softVisits.contains(kHex));
    EXPECT_EQ(s.softVisits[kHex].lastUpdate, (DayHalfHour{kMon, 33}));

    // The departure closes it.
    ASSERT_TRUE(lt_addStandOptionOnDeparture(parking_, 2, aircraft_, true, {kMon, 35}, true));
    EXPECT_EQ(s.options[0].halfHours, halves({30, 31, 32, 33, 34, 35}));
    EXPECT_FALSE(s.softVisits.contains(kHex));
    EXPECT_EQ(s.options.size(), 1u);
}

TEST_F(OccupancyLearning, ASoftOptionTooLongAfterItsVisitIsOnlyRenewedOnClose)
{
    ASSERT_TRUE(lt_addStandOptionOnDeparture(parking_, 1, aircraft_, false, {kMon, 10}, false));
    // Direct and still open, but far beyond the limit: no new option, the visit stays.
    ASSERT_TRUE(lt_addStandOptionOnDeparture(parking_, 1, aircraft_, true, {kMon, 30}, false));
    EXPECT_EQ(stand().options.size(), 1u);
    EXPECT_TRUE(stand().softVisits.contains(kHex));
    ASSERT_TRUE(lt_addStandOptionOnDeparture(parking_, 1, aircraft_, true, {kMon, 30}, true));
    ASSERT_EQ(stand().options.size(), 2u);
    EXPECT_EQ(stand().options[1].halfHours, halves({30}));
    EXPECT_FALSE(stand().softVisits.contains(kHex));
}

TEST_F(OccupancyLearning, ABadHalfHourIsLoggedAndLearnsNothing)
{
    test::LogCapture log;
    EXPECT_FALSE(arrive({kMon, 48}));
    EXPECT_TRUE(stand().options.empty());
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("lt_addStandOption: hh_now: 48, invalid bitset position") !=
                                       std::string::npos;
                            }));
}

TEST_F(OccupancyLearning, TheDatabaseGivesTheIdentityWithTheOperatorFirst)
{
    gLiveries.gDbase.registrations["PH-XRA"] = DbaseRecord{"KLM", "B739", "TRA", false};
    gLiveries.gDbase.registrations["PH-XRB"] = DbaseRecord{"KLM", "B77W", "", false};
    AcProfile second = aircraft_;
    second.hexid = kHex + 1;
    second.registration = "PH-XRB";
    ASSERT_TRUE(arrive({kMon, 20}));
    ASSERT_TRUE(lt_addStandOption(parking_, 1, second, {kMon, 20}, false));
    ASSERT_EQ(stand().options.size(), 2u);
    EXPECT_EQ(stand().options[0].airline, "TRA");
    EXPECT_EQ(stand().options[0].type, "B739");
    EXPECT_EQ(stand().options[1].airline, "KLM");
    EXPECT_EQ(stand().options[1].type, "B77W");
}

TEST_F(OccupancyLearning, NewOptionIdsStayUniqueWhenTheLastOneIsDisabled)
{
    const AcProfile& ac = aircraft_;
    EXPECT_EQ(gf_addOccupancy(stand(), StandOptionKind::real, {kMon, 1}, "A", "R1", ac).id, 1u);
    EXPECT_EQ(gf_addOccupancy(stand(), StandOptionKind::real, {kMon, 2}, "B", "R2", ac).id, 2u);
    EXPECT_EQ(gf_addOccupancy(stand(), StandOptionKind::real, {kMon, 3}, "C", "R3", ac).id, 3u);
    stand().options.back().id = 0; // disabled by the static selection
    stand().options[0].id = 7;
    const OccupancyAdded added = gf_addOccupancy(stand(), StandOptionKind::real, {kMon, 4}, "D", "R4", ac);
    EXPECT_TRUE(added.created);
    EXPECT_EQ(added.id, 8u);
}

TEST_F(OccupancyLearning, AnEqualOccupancyIsNotAddedTwice)
{
    const OccupancyAdded first =
        gf_addOccupancy(stand(), StandOptionKind::real, {kMon, 5}, "KLM1_", "R1", aircraft_);
    EXPECT_TRUE(first.created);
    EXPECT_EQ(stand().options[0].callsign, "KLM1"); // a ghost's mark is not learned
    const OccupancyAdded again =
        gf_addOccupancy(stand(), StandOptionKind::soft, {kMon, 5}, "KLM1", "R1", aircraft_);
    EXPECT_FALSE(again.created);
    EXPECT_EQ(again.id, 1u);
    EXPECT_FALSE(gf_addOccupancy(stand(), StandOptionKind::real, {kMon, 5}, "KLM1", "", aircraft_).created);
    EXPECT_EQ(stand().options.size(), 1u);
}

struct NameRow
{
    const char* name;
    const char* callsign;
    const char* coupled;
    const char* learned;
    const char* wantCallsign;
    const char* wantCoupled;
};

class SecondCallsign : public OccupancyLearning, public ::testing::WithParamInterface<NameRow>
{
};

TEST_P(SecondCallsign, IsLearnedOnlyWhenItDiffersFromBoth)
{
    const NameRow& row = GetParam();
    StandOccupancy option;
    option.id = 4;
    option.callsign = row.callsign;
    option.coupledCallsign = row.coupled;
    stand().options.push_back(option);
    gf_setOccupancyName(stand(), 4, row.learned);
    EXPECT_EQ(stand().options[0].callsign, row.wantCallsign);
    EXPECT_EQ(stand().options[0].coupledCallsign, row.wantCoupled);
}

INSTANTIATE_TEST_SUITE_P(Cases, SecondCallsign,
                         ::testing::Values(NameRow{"NoCallsignYet", "", "", "KLM1", "KLM1", ""},
                                           NameRow{"SameCallsign", "KLM1", "", "KLM1", "KLM1", ""},
                                           NameRow{"GhostOfTheSame", "KLM1", "", "KLM1_", "KLM1", ""},
                                           NameRow{"NewSecond", "KLM1", "", "KLM2", "KLM1", "KLM2"},
                                           NameRow{"SameSecond", "KLM1", "KLM2", "KLM2", "KLM1", "KLM2"},
                                           NameRow{"ReplacesSecond", "KLM1", "KLM2", "KLM3", "KLM1", "KLM3"},
                                           NameRow{"EmptyName", "KLM1", "KLM2", "_", "KLM1", "KLM2"}),
                         [](const ::testing::TestParamInfo<NameRow>& info)
                         { return std::string(info.param.name); });

TEST_F(OccupancyLearning, ASecondCallsignDuringAStayIsLearned)
{
    ASSERT_TRUE(arrive({kMon, 20}));
    aircraft_.callsign = "KLM88";
    ASSERT_TRUE(leave({kMon, 22}));
    EXPECT_EQ(stand().options[0].callsign, "KLM1234");
    EXPECT_EQ(stand().options[0].coupledCallsign, "KLM88");
}

TEST_F(OccupancyLearning, HalfHoursOutsideTheDayEndTheUpdate)
{
    stand().options.push_back(StandOccupancy{});
    stand().options[0].id = 1;
    test::LogCapture log;
    EXPECT_FALSE(updateOptions(stand(), {3, 50, 4}, 1));
    EXPECT_EQ(stand().options[0].halfHours, halves({3}));
    EXPECT_FALSE(updateOptions(stand(), {5}, 2));
    EXPECT_TRUE(updateOptions(stand(), {5}, 1));
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("updateOptions exception:invalid bitset position") !=
                                       std::string::npos;
                            }));
}

} // namespace
} // namespace oxl
