// Static parking selection at a fixture airport on a pinned clock: the wanted count, the offset search,
// the checks that keep one aircraft from showing twice, the stays rule and the window's controls.
#include "airports/static_selection.h"

#include "airports/week_time.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "platform/clock.h"
#include "tests/support/live_harness.h"
#include "tests/support/settings_fixture.h"
#include "window/window_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace oxl
{
namespace
{

using ::testing::ElementsAre;

constexpr std::int64_t kMonday0000 = 1704067200;              // 2024-01-01 00:00:00 UTC, a Monday
constexpr std::int64_t kMonday1000 = kMonday0000 + 10 * 3600; // weekday 1, half-hour 20
constexpr LatLon kOrigin{52.0, 4.0};

/// Who an option shows.
struct Occupant
{
    Occupant(std::string cs, std::string reg = "", std::string coupledCs = "", std::string airl = "KLM",
             std::string typ = "B738")
        : callsign(std::move(cs)), registration(std::move(reg)), coupled(std::move(coupledCs)),
          airline(std::move(airl)), type(std::move(typ))
    {
    }
    std::string callsign;
    std::string registration;
    std::string coupled;
    std::string airline;
    std::string type;
};

class StaticSelection : public ::testing::Test
{
  protected:
    StaticSelection() : clock_(kMonday1000)
    {
        state.services = std::make_unique<FixtureParking>(*this);
        RANDOM.set(false);
        gWindow.gMainWindow.resetForCycle();
        gWindow.gMainWindow.parkingBusy.store(0);
        state.stands.reserve(64); // tests keep references to the stands they add
    }

    /// Adds a stand 100 m east of the previous one; ids count from 1.
    Stand& addStand(const std::string& name, double radiusM = 25.0)
    {
        const auto id = static_cast<std::uint32_t>(state.stands.size() + 1);
        const LatLon p = gf_destinationPoint(kOrigin, kTwoPi / 4.0, metresToFeet(id * 100.0));
        state.stands.emplace_back(name, id, p.lat, p.lon, 0.0, radiusM);
        state.locator.publish(state.stands);
        return state.stands.back();
    }

    /// Adds an option holding the half-hours on the weekday; its id follows the stand's last one.
    static StandOccupancy& addOption(Stand& stand, const Occupant& who, std::uint32_t weekday,
                                     std::vector<std::uint32_t> halves,
                                     StandOptionKind kind = StandOptionKind::real)
    {
        StandOccupancy o;
        o.airline = who.airline;
        o.type = who.type;
        o.registration = who.registration;
        o.callsign = who.callsign;
        o.coupledCallsign = who.coupled;
        for (const std::uint32_t h : halves)
            o.halfHours.set(h);
        o.id = static_cast<std::uint32_t>(stand.options.size() + 1);
        o.weekday = weekday;
        o.kind = kind;
        stand.options.push_back(o);
        return stand.options.back();
    }

    /// Stands S1..Sn each holding its own aircraft now (Monday half-hour 20).
    void standsHeldNow(int n)
    {
        for (int i = 1; i <= n; ++i)
            addOption(addStand(fmt::format("S{}", i)), {fmt::format("KLM{}", i), fmt::format("PH-B{:02}", i)},
                      1, {20});
    }

    std::vector<std::string> plannedStands() const
    {
        std::vector<std::string> names;
        for (const StaticParked& p : state.staticParked)
            names.push_back(gf_standNameById(state.stands, p.standId));
        return names;
    }

    test::SettingsFolder settings;
    plat::FixedUtcClock clock_;
    ParkingState state;
    int repaints = 0;
    bool collecting = false;
    std::unordered_set<std::string> collected;
    UserAcData user{.onGround = true};

    // The parking code's neighbours here: the fixture's user, callsign collection and repaint count.
    class FixtureParking final : public NoParkingServices
    {
      public:
        explicit FixtureParking(StaticSelection& test) : t_(test) {}
        UserAcData userAircraft() override { return t_.user; }
        void startCallsignCollection() override
        {
            t_.collecting = true;
            t_.collected.clear();
        }
        std::unordered_set<std::string> takeCollectedCallsigns() override
        {
            t_.collecting = false;
            auto taken = t_.collected;
            t_.collected.clear();
            return taken;
        }
        void repaint() override { ++t_.repaints; }

      private:
        StaticSelection& t_;
    };
};

struct WantedRow
{
    const char* name;
    int stands;
    int percentage;
    int custom;
    int maxParkSel;
    std::int32_t wanted;
    std::int32_t shownPercentage;
};

TEST_F(StaticSelection, WantedCountFollowsTheShareOfStands)
{
    const WantedRow rows[] = {
        {"three stands at 30 % give one", 3, 30, -1, 500, 1, 33},
        {"four stands give round(1.2)", 4, 30, -1, 500, 1, 25},
        {"ten stands give three", 10, 30, -1, 500, 3, 30},
        {"two stands at 50 % give one", 2, 50, -1, 500, 1, 50},
        {"one stand gets one", 1, 0, -1, 500, 1, 100},
        {"the custom percentage wins", 10, 30, 100, 500, 10, 100},
        {"the max-park choice limits", 100, 30, -1, 10, 10, 10},
        {"max park 0 gives none", 10, 30, -1, 0, 0, 30},
    };
    for (const WantedRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        state.stands.clear();
        for (int i = 0; i < row.stands; ++i)
            addStand(fmt::format("S{}", i));
        parking_percentage.set(row.percentage);
        CUSTOM_PARKING_PERCENTAGE.set(row.custom);
        MAX_PARK_SEL.set(row.maxParkSel);
        EXPECT_EQ(gf_wantedStaticCount(state), row.wanted);
        EXPECT_EQ(state.maxPark, static_cast<std::uint32_t>(row.wanted));
        EXPECT_EQ(state.wantedPercentage, row.shownPercentage);
    }
}

TEST_F(StaticSelection, StartDisablesTheControlsAndCollectsCallsigns)
{
    collected.insert("OLD1");
    gf_startStaticParking(state, true);
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 1);
    EXPECT_TRUE(collecting);
    EXPECT_TRUE(collected.empty());
    EXPECT_EQ(gf_shownMessage(), "Calculating static parked aircraft ...");

    collected.insert("KLM1");
    gf_clearParkingLists(state);
    EXPECT_FALSE(collecting);
    EXPECT_TRUE(collected.empty());
    EXPECT_EQ(state.liveCallsignSnapshot, (std::unordered_set<std::string>{"KLM1"}));
}

TEST_F(StaticSelection, EnoughAtOffsetZeroKeepsExactlyTheWanted)
{
    RANDOM.set(true);
    standsHeldNow(10);
    gf_calcStaticParking(state);

    ASSERT_EQ(state.staticParked.size(), 3u);
    for (const StaticParked& p : state.staticParked)
        EXPECT_EQ(p.offset, 0u);
    EXPECT_TRUE(settings.logged(
        "10 real positions found, Max fit=24 hours, day 1, hh:20 or 10.5 hrs, fit: 0.5 hour"));
    EXPECT_TRUE(settings.logged("3 positions (30% vs wanted 30%, with Max fit=24 hours)"));
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 0)
        << "nothing enabled them: the placement is still to come";
}

TEST_F(StaticSelection, NothingFoundEnablesTheControlsAgain)
{
    MAX_FIT.set(0);
    for (int i = 1; i <= 4; ++i)
        addOption(addStand(fmt::format("S{}", i)), {fmt::format("KLM{}", i)}, 1, {19});
    gWindow.gMainWindow.parkingBusy.store(1);

    gf_calcStaticParking(state);
    EXPECT_TRUE(state.staticParked.empty());
    EXPECT_TRUE(settings.logged("no parking positions found"));
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 0);

    MAX_FIT.set(1);
    gf_calcStaticParking(state);
    ASSERT_EQ(state.staticParked.size(), 1u);
    EXPECT_EQ(state.staticParked.front().offset, 1u);
    EXPECT_EQ(state.lastRealOffset, 1);
}

TEST_F(StaticSelection, OffsetsReachBackAcrossMidnightIntoSunday)
{
    clock_.set(kMonday0000 + 3600); // Monday half-hour 2
    Stand& s = addStand("A1");
    addOption(s, {"KLM9"}, 7, {45});
    addStand("A2");
    addStand("A3");
    addStand("A4");

    gf_calcStaticParking(state);
    ASSERT_THAT(plannedStands(), ElementsAre("A1"));
    EXPECT_EQ(state.staticParked.front().offset, 5u);
    EXPECT_EQ(state.staticParked.front().callsign, "KLM9");
    EXPECT_TRUE(
        settings.logged("1 real position found, Max fit=24 hours, day 1, hh:2 or 1.5 hrs, fit: 3 hour"));
    EXPECT_EQ(state.lastRealOffset, 5);
}

TEST_F(StaticSelection, RecordsAreSortedSoThatTheClosestMatchIsPlacedFirst)
{
    parking_percentage.set(100);
    addOption(addStand("A1"), {"KLM1"}, 1, {17});
    addOption(addStand("A2"), {"KLM2"}, 1, {20});
    addOption(addStand("A3"), {"KLM3"}, 1, {19});
    addOption(addStand("A4"), {"KLM4"}, 1, {16});

    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("A4", "A1", "A3", "A2"));
    EXPECT_TRUE(settings.logged("4 positions (100% vs wanted 100%, with Max fit=24 hours)"));
}

TEST_F(StaticSelection, ARegistrationShowsOnlyOnce)
{
    parking_percentage.set(100);
    // A2 holds the aircraft of A1 half an hour earlier; B1 and B2 hold one aircraft in the same half-hour.
    addOption(addStand("A1"), {"KLM1", "PH-AAA"}, 1, {20});
    StandOccupancy& moved = addOption(addStand("A2"), {"KLM1", "PH-AAA"}, 1, {19});
    addOption(addStand("B1"), {"KLM2", "PH-BBB"}, 1, {20});
    StandOccupancy& twin = addOption(addStand("B2"), {"KLM3", "PH-BBB"}, 1, {20});

    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("A1", "B1"));
    EXPECT_EQ(moved.id, 0u) << "disabled until the renewal numbers the options anew";
    EXPECT_EQ(twin.id, 0u);
}

TEST_F(StaticSelection, OptionsWithoutCoupledCallsignOrRegistrationAreNotInUse)
{
    parking_percentage.set(100);
    addOption(addStand("A1"), {"KLM1"}, 1, {20});
    addOption(addStand("A2"), {"KLM2"}, 1, {20});
    SimAc parked;
    parked.secondCallsign = "KLM7";
    state.staticAircraft.push_back(parked);
    state.retire.push_back({"", 9});

    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("A1", "A2"));
}

TEST_F(StaticSelection, OptionInUseRules)
{
    struct Row
    {
        const char* name;
        Occupant option;
        bool inUse;
    };
    state.staticParked.push_back({1, 0, "DLH", "A320", "DLH1", "DLH1X", "D-AAAA", 1});
    SimAc parked;
    parked.callsign = "DLH2*";
    parked.secondCallsign = "DLH2";
    parked.registration = "D-BBBB";
    state.staticAircraft.push_back(parked);
    state.retire.push_back({"DLH3", 4});
    state.liveCallsignSnapshot = {"DLH4", "DLH5_"};
    const Row rows[] = {
        {"planned registration", {"X1", "D-AAAA"}, true},
        {"planned callsign", {"DLH1", "X-1"}, true},
        {"planned callsign as coupled", {"X1", "X-1", "DLH1"}, true},
        {"a planned coupled callsign names nobody", {"DLH1X", "X-1"}, false},
        {"static aircraft's first callsign", {"X1", "X-1", "DLH2"}, true},
        {"static aircraft's registration", {"X1", "D-BBBB"}, true},
        {"the shown callsign is not compared", {"DLH2*", "X-1"}, false},
        {"retired", {"DLH3", "X-1"}, true},
        {"live", {"DLH4", "X-1"}, true},
        {"live as a ghost", {"X1", "X-1", "DLH5"}, true},
        {"free", {"DLH6", "D-CCCC"}, false},
        {"empty values name nobody", {"", ""}, false},
    };
    for (const Row& row : rows)
    {
        StandOccupancy o;
        o.callsign = row.option.callsign;
        o.registration = row.option.registration;
        o.coupledCallsign = row.option.coupled;
        EXPECT_EQ(gf_optionInUse(state, o), row.inUse) << row.name;
    }
}

TEST_F(StaticSelection, LiveCallsignsCollectedBeforeTheCalculationAreLeftOut)
{
    standsHeldNow(4);
    gf_startStaticParking(state, false);
    collected.insert("KLM1");
    collected.insert("KLM2_");
    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("S3"));
}

TEST_F(StaticSelection, ReservedAndUserStandsAreExcluded)
{
    standsHeldNow(4);
    parking_percentage.set(100);
    state.reservedStand = "S2";
    user.lat = state.stands[2].latitude;
    user.lon = state.stands[2].longitude;

    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("S1", "S4"));
    EXPECT_TRUE(state.stands[1].excluded);
    EXPECT_TRUE(state.stands[2].excluded);

    user.onGround = false;
    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("S1", "S3", "S4"))
        << "a user aircraft in the air stands nowhere";
}

TEST_F(StaticSelection, APlannedStandBlocksItsNeighbours)
{
    standsHeldNow(4);
    parking_percentage.set(100);
    state.stands[0].adjacent = {2};
    state.stands[2].adjacent = {4};

    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("S1", "S3"));
    EXPECT_TRUE(state.stands[1].blocked);
    EXPECT_TRUE(state.stands[3].blocked);
}

TEST_F(StaticSelection, WingsOfAStaticNeighbourKeepLargeTypesAway)
{
    ASSERT_TRUE(test::loadProgramDatabase(OXL_BIN_DIR));
    parking_percentage.set(100);
    Stand& a = addStand("A1");
    Stand& b = addStand("B1");
    addStand("C1");
    addStand("D1");
    // B1 lies 60 m from A1: two A380 half-spans reach further, an A380's and a turboprop's do not.
    const LatLon near = gf_destinationPoint({a.latitude, a.longitude}, kTwoPi / 4.0, metresToFeet(60.0));
    b.latitude = near.lat;
    b.longitude = near.lon;
    b.adjacent = {a.standId};
    SimAc big;
    big.type = "A388";
    big.standId = a.standId;
    big.standLat = a.latitude;
    big.standLon = a.longitude;
    big.simState = SimState::active;
    state.staticAircraft.push_back(big);
    addOption(b, {"KLM1", "", "", "KLM", "A388"}, 1, {20});
    addOption(b, {"KLM2", "", "", "KLM", "AT76"}, 1, {20});

    gf_calcStaticParking(state);
    ASSERT_THAT(plannedStands(), ElementsAre("B1"));
    EXPECT_EQ(state.staticParked.front().type, "AT76");

    // An aircraft not yet in the simulator takes no room.
    state.staticAircraft.front().simState = SimState::adding2sim;
    state.stands[1].options[1].halfHours = {};
    gf_calcStaticParking(state);
    ASSERT_THAT(plannedStands(), ElementsAre("B1"));
    EXPECT_EQ(state.staticParked.front().type, "A388");
}

TEST_F(StaticSelection, CoupledOptionStaysWhenItHoldsTheNextHalfHour)
{
    struct Row
    {
        const char* name;
        std::int64_t time;
        std::vector<std::uint32_t> halves;
        std::uint32_t weekday;
        bool nextDayOption;
        std::uint8_t stays;
    };
    const Row rows[] = {
        {"holds the next half-hour", kMonday1000, {20, 21}, 1, false, 1},
        {"leaves before it", kMonday1000, {19, 20}, 1, false, 0},
        {"the half-hour after now counts, not the one after the search time",
         kMonday1000,
         {18, 19, 21},
         1,
         false,
         1},
        {"at midnight the next weekday's option decides", kMonday0000 - 1800, {47}, 7, true, 1},
        {"at midnight without one it leaves", kMonday0000 - 1800, {47}, 7, false, 0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        clock_.set(row.time);
        state.stands.clear();
        Stand& s = addStand("A1");
        addOption(s, {"KLM1", "PH-AAA", "KLM2"}, row.weekday, row.halves);
        if (row.nextDayOption)
            addOption(s, {"KLM2", "PH-AAA", "", "KLM", "B738"}, gf_stepForward({row.weekday, 47}).weekday,
                      {0});
        gf_calcStaticParking(state);
        ASSERT_EQ(state.staticParked.size(), 1u);
        EXPECT_EQ(state.staticParked.front().stays, row.stays);
    }
}

TEST_F(StaticSelection, StandingAircraftKeepsItsIdentity)
{
    RANDOM.set(true);
    Stand& s = addStand("A1");
    for (int i = 1; i <= 6; ++i)
        addOption(s, {fmt::format("DLH{}", i), fmt::format("D-AI{:02}", i), "", "DLH", "A320"}, 1, {20});
    std::vector<std::uint32_t> ids{1, 2, 3, 4, 5, 6};
    SimAc standing;
    standing.airline = "DLH";
    standing.type = "A320";
    standing.callsign = "DLH4*";
    standing.standId = s.standId;
    state.staticAircraft.push_back(standing);

    gf_pickStandOption(state, ids, s);
    EXPECT_EQ(ids.front(), 4u);

    state.staticAircraft.front().type = "A321";
    std::vector<std::uint32_t> shuffled{1, 2, 3, 4, 5, 6};
    gf_pickStandOption(state, shuffled, s);
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_THAT(shuffled, ElementsAre(1, 2, 3, 4, 5, 6));
}

struct SoftRow
{
    const char* name;
    bool parkSoft;
    bool parkFake;
    int realStands;
    std::size_t planned;
    bool softUsed;
};

TEST_F(StaticSelection, SoftPassRunsOnlyWhenTheRealOneLeftTheListShort)
{
    const SoftRow rows[] = {
        {"short, soft allowed", true, false, 1, 3, true},
        {"short, fake allowed", false, true, 1, 3, true},
        {"short, neither allowed", false, false, 1, 1, false},
        {"enough real ones", true, false, 3, 3, false},
    };
    for (const SoftRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        PARK_SOFT.set(row.parkSoft);
        PARK_FAKE.set(row.parkFake);
        state.stands.clear();
        for (int i = 1; i <= 10; ++i)
        {
            Stand& s = addStand(fmt::format("S{}", i));
            addOption(s, {fmt::format("KLM{}", i)}, 1, {20},
                      i <= row.realStands ? StandOptionKind::real : StandOptionKind::soft);
        }
        gf_calcStaticParking(state);
        EXPECT_EQ(state.staticParked.size(), row.planned);
        EXPECT_EQ(state.softUsed, row.softUsed);
        EXPECT_EQ(state.lastSoftOffset, row.softUsed ? 0 : -1);
    }
}

TEST_F(StaticSelection, HelipadsOnlyWithHelicopters)
{
    parking_percentage.set(100);
    Stand& h = addStand("H1");
    h.helipad = 1;
    addOption(h, {"HELI1", "", "", "PVT", "EC35"}, 1, {20});
    addOption(addStand("A1"), {"KLM1"}, 1, {20});

    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("H1", "A1"));
    HELICOPTERS.set(false);
    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("A1"));
}

TEST_F(StaticSelection, WeekMatchesEveryWeekday)
{
    parking_percentage.set(100);
    addOption(addStand("A1"), {"KLM1"}, 3, {20});
    addOption(addStand("A2"), {"KLM2"}, 1, {20});

    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("A2"));
    WEEK.set(true);
    gf_calcStaticParking(state);
    EXPECT_THAT(plannedStands(), ElementsAre("A1", "A2"));
    EXPECT_TRUE(
        settings.logged("2 real positions found, Max fit=24 hours, week, hh:20 or 10.5 hrs, fit: 0.5 hour"));
}

TEST_F(StaticSelection, DayAndHourAreLogged)
{
    EXPECT_EQ(gf_logDayAndHour(), (DayHalfHour{1, 20}));
    EXPECT_TRUE(settings.logged("10:00:00 (utc) It is day 1 (Mon), 10.5 hours"));
}

} // namespace
} // namespace oxl
