// Static placement and renewal at a fixture airport on a pinned clock: one record per call with its
// conflicts, callsigns and create request, the renewal keeping, retiring and planning static aircraft,
// the max-park limit and the removal of every static aircraft.
#include "airports/static_placement.h"

#include "airports/static_selection.h"
#include "airports/week_time.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "platform/clock.h"
#include "records/aircraft_words.h"
#include "tests/support/settings_fixture.h"
#include "window/window_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace oxl
{
namespace
{

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::int64_t kMonday1000 = 1704067200 + 10 * 3600; // weekday 1, half-hour 20
constexpr LatLon kOrigin{52.0, 4.0};

class StaticPlacement : public ::testing::Test
{
  protected:
    StaticPlacement() : clock_(kMonday1000)
    {
        state.services = std::make_unique<FixtureParking>(*this);
        plat::setSteadySource([this] { return steadyNow; });
        RANDOM.set(false);
        LOG.set(true);
        state.stands.reserve(64);
        live.reserve(64);
    }
    ~StaticPlacement() override { plat::setSteadySource({}); }

    Stand& addStand(const std::string& name)
    {
        const auto id = static_cast<std::uint32_t>(state.stands.size() + 1);
        const LatLon p = gf_destinationPoint(kOrigin, kTwoPi / 4.0, metresToFeet(id * 100.0));
        state.stands.emplace_back(name, id, p.lat, p.lon, kTwoPi / 8.0, 25.0);
        return state.stands.back();
    }

    static StandOccupancy& addOption(Stand& stand, const std::string& callsign,
                                     const std::string& registration, std::vector<std::uint32_t> halves,
                                     const std::string& coupled = "")
    {
        StandOccupancy o;
        o.airline = "KLM";
        o.type = "B738";
        o.callsign = callsign;
        o.registration = registration;
        o.coupledCallsign = coupled;
        for (const std::uint32_t h : halves)
            o.halfHours.set(h);
        o.id = static_cast<std::uint32_t>(stand.options.size() + 1);
        o.weekday = 1;
        o.kind = StandOptionKind::real;
        stand.options.push_back(o);
        return stand.options.back();
    }

    static StaticParked record(std::uint32_t standId, const std::string& callsign,
                               const std::string& coupled = "", std::uint8_t stays = 1,
                               std::uint32_t offset = 0)
    {
        return StaticParked{standId, offset, "KLM", "B738", callsign, coupled, "PH-" + callsign, stays};
    }

    /// A static aircraft as the placement left it, already made active by the engine.
    SimAc& activeStatic(const Stand& stand, const std::string& shown, const std::string& callsign,
                        const std::string& registration, DayHalfHour since, const std::string& coupled = "")
    {
        SimAc ac;
        ac.airline = "KLM";
        ac.type = "B738";
        ac.callsign = shown;
        ac.secondCallsign = callsign;
        ac.coupledCallsign = coupled;
        ac.registration = registration;
        ac.standId = stand.standId;
        ac.standLat = stand.latitude;
        ac.standLon = stand.longitude;
        ac.parkedSlot = gf_packDayHalfHour(since);
        ac.simState = SimState::active;
        ac.objectId = 100 + static_cast<std::uint32_t>(state.staticAircraft.size());
        state.staticAircraft.push_back(ac);
        return state.staticAircraft.back();
    }

    LiveAc& parkedLive(const Stand& stand, const std::string& callsign, std::int64_t parkedMinutesAgo,
                       GroundPhase phase = GroundPhase::parked)
    {
        LiveAc ac;
        ac.callsign = callsign;
        ac.hexid = 20000 + static_cast<std::uint32_t>(live.size());
        ac.standId = stand.standId;
        ac.phase = phase;
        ac.simState = SimState::active;
        ac.extensionCount = 1; // not reported any more: its parked time counts
        ac.parkedSince =
            std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>>(
                steadyNow.time_since_epoch() - std::chrono::minutes(parkedMinutesAgo))
                .count();
        live.push_back(ac);
        return live.back();
    }

    test::SettingsFolder settings;
    plat::FixedUtcClock clock_;
    std::chrono::steady_clock::time_point steadyNow{std::chrono::hours(1000)};
    ParkingState state;
    std::vector<LiveAc> live;
    std::vector<CreateRequest> creates;
    std::deque<std::string> titles;
    std::vector<std::string> removed;
    std::unordered_set<std::string> collected;

    // The parking code's neighbours here: the fixture's live aircraft, a record of creations and
    // removals, a title per type (none for type NONE) and the fixture's collected callsigns.
    class FixtureParking final : public NoParkingServices
    {
      public:
        explicit FixtureParking(StaticPlacement& test) : t_(test) {}
        std::span<LiveAc> liveAircraft() override { return t_.live; }
        void queueStaticCreate(const CreateRequest& r) override { t_.creates.push_back(r); }
        bool matchStaticLivery(AcProfile& ac, const std::string& /*standName*/, bool cargo) override
        {
            if (ac.type == "NONE")
                return false;
            t_.titles.push_back("Title " + ac.type);
            ac.livery = t_.titles.back();
            ac.cargo = cargo ? 1 : 0;
            return true;
        }
        void removeAircraftFromSim(SimAc& ac) override
        {
            t_.removed.push_back(ac.callsign);
            if (ac.simState == SimState::adding2sim)
                ac.createCancelled = 1;
            else
                ac.simState = SimState::removingfromsim;
        }
        std::unordered_set<std::string> takeCollectedCallsigns() override { return t_.collected; }

      private:
        StaticPlacement& t_;
    };
};

TEST(StaticCallsigns, ShownCallsignEndsInOneStar)
{
    EXPECT_EQ(gf_markStaticCallsign("ABC123__"), "ABC123*");
    EXPECT_EQ(gf_markStaticCallsign("ABC123*"), "ABC123*");
    EXPECT_EQ(gf_markStaticCallsign("ABC123"), "ABC123*");
}

TEST(StaticCallsigns, CallsignOfARecordFollowsItsStay)
{
    struct Row
    {
        const char* name;
        const char* callsign;
        const char* coupled;
        std::uint8_t stays;
        const char* shown;
    };
    const Row rows[] = {
        {"stays: its callsign", "KLM1", "KLM2", 1, "KLM1*"},
        {"leaves: its coupled callsign", "KLM1", "KLM2", 0, "KLM2*"},
        {"stays without callsign", "", "KLM2", 1, "KLM2*"},
        {"leaves without coupled callsign", "KLM1_", "", 0, "KLM1*"},
    };
    for (const Row& row : rows)
    {
        const StaticParked r{1, 0, "KLM", "B738", row.callsign, row.coupled, "", row.stays};
        EXPECT_EQ(gf_detcs(r), row.shown) << row.name;
    }
    test::SettingsFolder settings;
    EXPECT_EQ(gf_detcs(StaticParked{}), "");
    EXPECT_TRUE(settings.logged("===> lf_detcs callsign is empty.."));
}

TEST(StaticCallsigns, SerialSkipsZeroAfter9999)
{
    std::uint32_t serial = gf_nextStaticSerial();
    for (int i = 0; i < 10000 && serial != kLastStaticSerial; ++i)
    {
        const std::uint32_t next = gf_nextStaticSerial();
        ASSERT_EQ(next, serial + 1);
        serial = next;
    }
    ASSERT_EQ(serial, kLastStaticSerial);
    EXPECT_EQ(gf_nextStaticSerial(), 1u) << "hexid 0 is never ours";
}

TEST_F(StaticPlacement, PlacesTheLastRecordAsACreateRequest)
{
    clock_.set(kMonday1000 + 3600); // half-hour 22
    Stand& s = addStand("A1");
    s.cargo = 1;
    state.staticParked = {record(s.standId, "KLM11"), {s.standId, 2, "DLH", "A320", "", "", "", 1}};

    gf_assignStaticParking(state);
    ASSERT_EQ(state.staticAircraft.size(), 1u);
    const SimAc& ac = state.staticAircraft.front();
    const std::uint32_t serial = ac.hexid;
    EXPECT_GE(serial, 1u);
    EXPECT_LE(serial, kLastStaticSerial);
    EXPECT_EQ(ac.callsign, fmt::format("DLH{}*", serial));
    EXPECT_EQ(ac.simState, SimState::adding2sim);
    EXPECT_EQ(gf_unpackDayHalfHour(ac.parkedSlot), (DayHalfHour{1, 20})) << "placed as of its match, 2 back";
    EXPECT_EQ(ac.standCargo, 1);
    EXPECT_EQ(ac.cargo, 1);
    ASSERT_EQ(creates.size(), 1u);
    const CreateRequest& r = creates.front();
    EXPECT_EQ(r.lat, s.latitude);
    EXPECT_EQ(r.lon, s.longitude);
    EXPECT_DOUBLE_EQ(r.heading, 45.0);
    EXPECT_EQ(r.alt, 0.0);
    EXPECT_EQ(r.onGround, 1u);
    EXPECT_EQ(r.callsign, ac.callsign);
    EXPECT_EQ(r.title, "Title A320");
    EXPECT_EQ(r.hexid, serial);
    EXPECT_EQ(state.staticParked.size(), 1u);

    // The next record stands on the same stand now: dropped.
    gf_assignStaticParking(state);
    EXPECT_TRUE(state.staticParked.empty());
    EXPECT_EQ(creates.size(), 1u);
    EXPECT_TRUE(settings.logged(
        fmt::format("A1      : no static parking for KLM11, static aircraft {} is adjacent at "
                    "A1, possibly colliding",
                    ac.callsign)));
}

TEST_F(StaticPlacement, RecordsNextToAircraftAreDropped)
{
    struct Row
    {
        const char* name;
        int liveOn;        // stand index of a live aircraft, -1 none
        GroundPhase phase; // its phase
        int staticOn;      // stand index of a static aircraft, -1 none
        bool log;
        const char* line;
    };
    const Row rows[] = {
        {"live parked here", 1, GroundPhase::parked, -1, true,
         "B1      : no static parking for KLM1, live aircraft LIVE1 standing here"},
        {"live parking next door", 2, GroundPhase::parking, -1, true,
         "B1      : no static parking for KLM1, live aircraft LIVE1 is adjacent at C1, possibly colliding"},
        {"static next door", -1, GroundPhase::parked, 0, true,
         "B1      : no static parking for KLM1, static aircraft KLM9* is adjacent at A1, possibly colliding"},
        {"live taxiing next door is no conflict", 2, GroundPhase::taxi, -1, true, nullptr},
        {"without LOG nothing is logged", 1, GroundPhase::parked, -1, false, nullptr},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        state.stands.clear();
        state.staticAircraft.clear();
        live.clear();
        creates.clear();
        addStand("A1");
        Stand& b = addStand("B1");
        addStand("C1");
        b.adjacent = {1, 3};
        LOG.set(row.log);
        if (row.liveOn >= 0)
            parkedLive(state.stands[static_cast<std::size_t>(row.liveOn)], "LIVE1", 5, row.phase);
        if (row.staticOn >= 0)
            activeStatic(state.stands[static_cast<std::size_t>(row.staticOn)], "KLM9*", "KLM9", "PH-9",
                         {1, 20});
        state.staticParked = {record(b.standId, "KLM1")};
        const std::size_t lines = settings.logLines().size();

        gf_assignStaticParking(state);
        EXPECT_TRUE(state.staticParked.empty());
        const bool conflict = row.line != nullptr || !row.log;
        EXPECT_EQ(creates.size(), conflict ? 0u : 1u);
        if (row.line != nullptr)
        {
            EXPECT_TRUE(settings.logged(row.line));
        }
        else if (!row.log)
        {
            EXPECT_EQ(settings.logLines().size(), lines);
        }
    }
}

TEST_F(StaticPlacement, NoLiveryOrNoStandPlacesNothing)
{
    Stand& s = addStand("A1");
    state.staticParked = {record(77, "KLM2"), {s.standId, 0, "KLM", "NONE", "KLM1", "", "", 1}};
    gf_assignStaticParking(state);
    EXPECT_TRUE(state.staticAircraft.empty());
    EXPECT_TRUE(creates.empty());

    gf_assignStaticParking(state);
    EXPECT_TRUE(state.staticAircraft.empty());
    EXPECT_TRUE(settings.logged("===> stand with id unknown not found"));
}

TEST_F(StaticPlacement, RemovingEveryStaticAircraft)
{
    Stand& s = addStand("A1");
    activeStatic(s, "KLM1*", "KLM1", "PH-1", {1, 20});
    SimAc& queued = activeStatic(addStand("A2"), "KLM2*", "KLM2", "PH-2", {1, 20});
    queued.simState = SimState::adding2sim;
    SimAc& asked = activeStatic(addStand("A3"), "KLM3*", "KLM3", "PH-3", {1, 20});
    asked.simState = SimState::adding2sim;
    asked.removeWhenCreated = 1;

    gf_removeQueuedStatic(state);
    EXPECT_THAT(removed, ElementsAre("KLM1*", "KLM2*"));
    ASSERT_EQ(state.staticAircraft.size(), 2u) << "the withdrawn request's aircraft is gone";
    EXPECT_EQ(state.staticAircraft[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.staticAircraft[1].callsign, "KLM3*");
}

TEST_F(StaticPlacement, MaxParkRemovesTheLongestParked)
{
    Stand& a = addStand("A1");
    Stand& b = addStand("B1");
    Stand& c = addStand("C1");
    parkedLive(a, "LIVE1", 30);
    parkedLive(b, "LIVE2", 50);
    activeStatic(c, "KLM3*", "KLM3", "PH-3", {1, 18});
    activeStatic(addStand("D1"), "KLM4*", "KLM4", "PH-4", {1, 12});
    activeStatic(addStand("E1"), "KLM5*", "KLM5", "PH-5", {1, 12});
    state.maxPark = 2;

    gf_maxParkCheck(state, 1);
    EXPECT_THAT(removed, ElementsAre("LIVE2", "KLM4*"));
    EXPECT_TRUE(settings.logged("B1      : LIVE2 live max park exceeded, removed"));
    EXPECT_TRUE(settings.logged("D1      : KLM4* static max park exceeded, removed"));

    removed.clear();
    INITIAL_LOAD_ONLY.set(true);
    gf_maxParkCheck(state, 0);
    EXPECT_THAT(removed, ElementsAre()) << "the earliest static is leaving already; live ones stay with ILO";
    state.staticAircraft.erase(state.staticAircraft.begin() + 1);
    gf_maxParkCheck(state, 0);
    EXPECT_THAT(removed, ElementsAre("KLM5*"));

    removed.clear();
    state.maxPark = 0;
    gf_maxParkCheck(state, 1);
    EXPECT_TRUE(removed.empty()) << "no limit while no static parking runs";
}

TEST_F(StaticPlacement, CountForTheWindow)
{
    activeStatic(addStand("A1"), "KLM1*", "KLM1", "PH-1", {1, 16});
    activeStatic(addStand("A2"), "KLM2*", "KLM2", "PH-2", {1, 18}).simState = SimState::removingfromsim;
    activeStatic(addStand("A3"), "KLM3*", "KLM3", "PH-3", {1, 20}).simState = SimState::adding2sim;

    EXPECT_EQ(gf_countParkedForGui(state, false), 2u);
    EXPECT_EQ(state.averageStaticStay, -1.0f);
    EXPECT_EQ(gf_countParkedForGui(state, true), 2u);
    EXPECT_EQ(state.averageStaticStay, 2.0f) << "(4 + 2) half-hours over two aircraft, plus half an hour";
}

TEST_F(StaticPlacement, LiveParkedAboveTheWantedAreRemovedFirst)
{
    // Four stands at 50 % want two; three live aircraft stand there.
    parking_percentage.set(50);
    Stand& a = addStand("A1");
    Stand& b = addStand("B1");
    Stand& c = addStand("C1");
    addStand("D1");
    parkedLive(a, "LIVE1", 10);
    parkedLive(b, "LIVE2", 40);
    parkedLive(c, "LIVE3", 20);

    gf_adjustParking(state);
    EXPECT_TRUE(settings.logged("Parking adjustments: 1 more live ac than wanted"));
    EXPECT_THAT(removed, ElementsAre("LIVE2"));
    EXPECT_TRUE(settings.logged(fmt::format("live parked {} at B1 removed", gf_acLabel(live[1]))));
    EXPECT_TRUE(settings.logged("Parking adjustments: 0 to be removed, 0 to be added"));
}

TEST_F(StaticPlacement, RenewalKeepsRetiresAndPlans)
{
    parking_percentage.set(100);
    Stand& kept = addStand("A1");
    Stand& older = addStand("B1");
    Stand& gone = addStand("C1");
    Stand& liveNow = addStand("D1");
    Stand& fresh = addStand("E1");
    addOption(kept, "KLM1", "PH-1", {18, 19, 20});
    addOption(older, "KLM2", "PH-2", {20});
    addOption(fresh, "KLM5", "PH-5", {20});
    StandOccupancy& disabled = addOption(fresh, "KLM6", "PH-6", {10});
    disabled.id = 0;
    activeStatic(kept, "KLM1*", "KLM1", "PH-1", {1, 18});
    activeStatic(older, "KLM7*", "KLM7", "PH-7", {1, 12});
    activeStatic(gone, "KLM8*", "KLM8", "PH-8", {1, 12});
    activeStatic(liveNow, "KLM9*", "KLM9", "PH-9", {1, 19});
    collected = {"KLM9"};

    gf_adjustParking(state);
    // A1 keeps its aircraft; B1's was placed before its new record matched; C1 no longer holds one;
    // D1's aircraft is flying live.
    EXPECT_THAT(removed, ElementsAre("KLM7*", "KLM8*", "KLM9*"));
    std::vector<std::string> planned;
    for (const StaticParked& p : state.staticParked)
        planned.push_back(p.callsign);
    EXPECT_THAT(planned, ElementsAre("KLM2", "KLM5"));
    EXPECT_TRUE(settings.logged("Parking adjustments: 3 to be removed, 2 to be added"));
    EXPECT_EQ(disabled.id, 2u) << "options are numbered anew";
    EXPECT_TRUE(state.retire.empty());
    ASSERT_EQ(state.parkCandidates.size(), 1u);
    EXPECT_EQ(state.parkCandidates.front().shownCallsign, "KLM1*");
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 1) << "records remain to be placed";
}

TEST_F(StaticPlacement, DueCoupledCallsignBringsTheAircraftBackUnderIt)
{
    parking_percentage.set(100);
    Stand& s = addStand("A1");
    addOption(s, "KLM1", "PH-1", {19, 20}, "KLM2");
    activeStatic(s, "KLM1*", "KLM1", "PH-1", {1, 19}, "KLM2");

    gf_adjustParking(state);
    EXPECT_THAT(removed, ElementsAre("KLM1*"));
    ASSERT_EQ(state.staticParked.size(), 1u);
    const StaticParked& again = state.staticParked.front();
    EXPECT_EQ(again.standId, s.standId);
    EXPECT_EQ(again.offset, 1u);
    EXPECT_EQ(again.stays, 0);
    EXPECT_EQ(gf_detcs(again), "KLM2*");

    // Placed once the old object has left, it keeps the registration and shows the coupled callsign.
    state.staticAircraft.clear();
    gf_assignStaticParking(state);
    ASSERT_EQ(creates.size(), 1u);
    EXPECT_EQ(creates.front().callsign, "KLM2*");
    EXPECT_EQ(state.staticAircraft.front().registration, "PH-1");
}

TEST_F(StaticPlacement, KeepOrRetireComparesTheMatchTime)
{
    Stand& s = addStand("A1");
    const SimAc& ac = activeStatic(s, "KLM1*", "KLM1", "PH-1", {1, 17});
    struct Row
    {
        const char* name;
        std::uint32_t offset;
        bool retired;
    };
    const Row rows[] = {
        {"matched after it was placed", 2, true},
        {"matched when it was placed", 3, false},
        {"matched before", 5, false},
    };
    for (const Row& row : rows)
    {
        state.retire.clear();
        state.parkCandidates.clear();
        state.staticParked = {record(s.standId, "KLM4", "", 1, row.offset)};
        gf_keepOrRetireStatic(state, {1, 20}, ac, 0);
        EXPECT_EQ(state.retire.size(), row.retired ? 1u : 0u) << row.name;
        EXPECT_EQ(state.parkCandidates.size(), row.retired ? 0u : 1u) << row.name;
        EXPECT_EQ(state.staticParked.size(), row.retired ? 1u : 0u) << row.name;
    }
}

TEST_F(StaticPlacement, TrimTakesRecordsThenKeptThenLive)
{
    Stand& a = addStand("A1");
    parkedLive(a, "LIVE1", 10);
    state.staticParked = {record(2, "KLM1"), record(3, "KLM2")};
    state.parkCandidates.resize(2);
    state.parkCandidates[1].shownCallsign = "KLM3*";
    state.parkCandidates[1].standId = 4;
    state.liveParked = {{"LIVE1", 0, a.standId, 10}};

    gf_trimToWanted(state, 2);
    EXPECT_TRUE(state.staticParked.empty());
    EXPECT_EQ(state.parkCandidates.size(), 1u);
    ASSERT_EQ(state.retire.size(), 1u);
    EXPECT_EQ(state.retire.front().callsign, "KLM3*");

    gf_trimToWanted(state, 0);
    EXPECT_TRUE(state.parkCandidates.empty());
    EXPECT_TRUE(state.liveParked.empty());
    EXPECT_THAT(removed, ElementsAre("LIVE1"));
}

} // namespace
} // namespace oxl
