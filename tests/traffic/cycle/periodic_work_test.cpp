// The periodic work driven by passes that each find the simulator's second: the cadences, the renewal of
// static parking in two passes, the daily reset, message ageing, the window's requests and keeping live
// aircraft out of the user aircraft's way.
#include "airports/airports_state.h"
#include "foundation/geodesy.h"
#include "foundation/periodic_requests.h"
#include "records/records_state.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"
#include "tests/support/temp_folder.h"
#include "tests/traffic/cycle/loop_fixture.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_display.h"
#include "traffic/source/traffic_filter.h"
#include "window/window_state.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <tuple>

namespace oxl::test
{
namespace
{

constexpr double kUserLat = 47.0;
constexpr double kUserLon = 8.0;

// The position `northNm` north and `eastFt` east of the user.
LatLon offset(double northNm, double eastFt)
{
    const double lat = kUserLat + northNm / 60.0;
    return {lat, kUserLon + eastFt / kFeetPerNm / 60.0 / std::cos(lat * kDegToRad)};
}

class PeriodicWorkTest : public MainLoopFixture
{
  protected:
    void SetUp() override
    {
        MainLoopFixture::SetUp();
        harness->user.lat = kUserLat;
        harness->user.lon = kUserLon;
        COLLISION_USER_AIR.set(true);
        COLLISION_USER_GND.set(true);
    }

    void TearDown() override
    {
        gSource.gTrafficDisplay.resetForCycle();
        gFoundation.gProfessionalLevel.store(0);
        MainLoopFixture::TearDown();
    }

    std::vector<std::string> secondsOf(const std::string& what) const { return callsOf(what + " "); }

    static std::vector<std::string> series(const std::string& what, std::vector<int> seconds)
    {
        std::vector<std::string> out;
        for (int s : seconds)
            out.push_back(at(what, s));
        return out;
    }

    std::vector<std::uint32_t> removedObjects() const
    {
        const auto& removals = harness->engine().n.mainQueues->removals;
        return {removals.begin(), removals.end()};
    }
};

TEST_F(PeriodicWorkTest, CadencesOfTheFirstFourMinutes)
{
    AUTO_RANGE.set(true);
    runSecondsUntil(250);
    // The park-airport step every 16 s, but never on a multiple of 15 (240).
    EXPECT_EQ(secondsOf("parkAirport"),
              series("parkAirport", {16, 32, 48, 64, 80, 96, 112, 128, 144, 160, 176, 192, 208, 224}));
    EXPECT_EQ(secondsOf("readerStatus"), series("readerStatus", {59, 118, 177, 236}));
    EXPECT_EQ(secondsOf("autoRange"), series("autoRange", {30, 60, 90, 120, 150, 180, 210, 240}));
    EXPECT_EQ(gWindow.gMainWindow.minutesToRenewal.load(), 16u);
    const FilterSnapshot filter = gSource.gTrafficFilter.snapshot();
    EXPECT_EQ(filter.rangeLat, kUserLat);
    EXPECT_EQ(filter.rangeLon, kUserLon);
}

// An aircraft already shown is let go a fifth beyond the range, at least 5 nm; while the range is automatic
// its largest is kept for five minutes after it was last chosen (a manual range keeps nothing).
TEST_F(PeriodicWorkTest, LetGoRadiusKeepsTheAutomaticRangeForFiveMinutes)
{
    const std::tuple<int, bool, double, double> rows[] = {{10, true, 60, 72},   {305, true, 20, 72},
                                                          {315, true, 20, 25},  {320, true, 60, 72},
                                                          {321, false, 20, 25}, {330, true, 20, 25}};
    for (const auto& [untilS, automatic, rangeNm, letGoNm] : rows)
    {
        AUTO_RANGE.set(automatic);
        gRangeNm.store(rangeNm);
        runSecondsUntil(untilS);
        EXPECT_EQ(gSource.gTrafficFilter.letGoRadiusNm(), letGoNm) << untilS;
    }
    gRangeNm.store(40.0);
}

TEST_F(PeriodicWorkTest, CountdownToTheNextRenewalAtTheFirstMinute)
{
    AUTO_RANGE.set(false);
    runSecondsUntil(60);
    EXPECT_EQ(gWindow.gMainWindow.minutesToRenewal.load(), 19u);
    EXPECT_TRUE(secondsOf("autoRange").empty());
}

TEST_F(PeriodicWorkTest, SimulatorTimeGoesOutEveryFifteenSecondsAtTheProfessionalLevel)
{
    runSecondsUntil(30);
    EXPECT_EQ(simTimeReads, 0);
    gFoundation.gProfessionalLevel.store(1);
    runSecondsUntil(60);
    EXPECT_EQ(simTimeReads, 2);
}

TEST_F(PeriodicWorkTest, QuietReaderIsLookedAtAgainEveryFifteenSeconds)
{
    gSource.gTrafficDisplay.qnhState.store(ReaderState::quiet);
    runSecondsUntil(30);
    EXPECT_EQ(secondsOf("readerStatus"), series("readerStatus", {15, 30}));
}

TEST_F(PeriodicWorkTest, AircraftAtTheReservedStandLeavesEveryFifteenSeconds)
{
    gAirports.gParking.setStands({Stand("B12", 7, 47.1, 8.1, 0.0, 20.0)});
    gAirports.gParking.reservedStand = "B12";
    SimAc& parked = addStatic(3, "EZY11*", 47.1, 8.1);
    parked.standId = 7;
    runSecondsUntil(14);
    EXPECT_TRUE(removedObjects().empty());
    runSecondsUntil(15);
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{503}));
}

TEST_F(PeriodicWorkTest, DoubleAircraftCheckAtSecondSixtyOne)
{
    LiveAc& live = addLive(0x4B1801, "SWR12", 47.2, 8.2, true);
    live.registration = "HB-JXA";
    SimAc& creating = addStatic(1, "SWR12*", 47.3, 8.3);
    creating.simState = SimState::adding2sim;
    addStatic(2, "EDW55*", 47.4, 8.4).registration = "HB-JXA";
    addStatic(4, "SWR12*", 47.5, 8.5);
    runSecondsUntil(60);
    EXPECT_TRUE(removedObjects().empty());
    runSecondsUntil(61);
    // The twin being created is passed over; the next one, the same registration, goes; one per check.
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{502}));
    EXPECT_EQ(gAirports.gParking.staticAircraft[2].simState, SimState::active);
}

TEST_F(PeriodicWorkTest, RenewalRunsInTwoPassesAfterTwentyMinutes)
{
    gWindow.gMainWindow.parkAirportActive.store(1);
    gAirports.gParking.parkAirport.code = "LSZH";
    gAirports.gParking.setStands({Stand("A1", 1, 47.46, 8.55, 0.0, 20.0)});
    runSecondsUntil(1199);
    EXPECT_EQ(gFoundation.gRenewalRequest.load(), 0);
    runSecondsUntil(1200);
    EXPECT_EQ(secondsOf("noMatchList"), series("noMatchList", {1200}));
    EXPECT_EQ(gFoundation.gRenewalRequest.load(), 1);
    EXPECT_TRUE(secondsOf("disableParking").empty());
    runSecondsUntil(1215);
    EXPECT_EQ(secondsOf("disableParking"), series("disableParking", {1215}));
    EXPECT_TRUE(gSource.gCallsignCollector.collecting());
    gf_showMessage("Renewal of static parking ...", false);
    runSecondsUntil(1229);
    EXPECT_TRUE(secondsOf("adjustParking").empty());
    runSecondsUntil(1230);
    EXPECT_EQ(secondsOf("adjustParking"), series("adjustParking", {1230}));
    EXPECT_EQ(gFoundation.gRenewalRequest.load(), 0);
    EXPECT_EQ(gf_shownMessage(), "");
    runSecondsUntil(1232);
    // The park-airport step waits while the renewal is half done (1216) and comes back after it.
    const auto steps = secondsOf("parkAirport");
    EXPECT_EQ(std::vector<std::string>(steps.end() - 2, steps.end()), series("parkAirport", {1184, 1232}));
    gSource.gCallsignCollector.stop();
}

TEST_F(PeriodicWorkTest, NoRenewalWithInitialLoadOnly)
{
    gWindow.gMainWindow.parkAirportActive.store(1);
    INITIAL_LOAD_ONLY.set(true);
    runSecondsUntil(1230);
    EXPECT_EQ(gFoundation.gRenewalRequest.load(), 0);
    EXPECT_TRUE(secondsOf("disableParking").empty());
}

TEST_F(PeriodicWorkTest, DayEndsAtSecond86400)
{
    values.seconds = 86399;
    secondTick.store(1);
    LoopContext context = loop();
    ASSERT_TRUE(gf_mainLoopStep(context));
    EXPECT_EQ(values.seconds, 0);
    EXPECT_EQ(secondsOf("matchSummary"), series("matchSummary", {0}));
    EXPECT_EQ(secondsOf("clearPendingTitles"), series("clearPendingTitles", {0}));
    EXPECT_EQ(secondsOf("noMatchList"), series("noMatchList", {86400}));
    runSecondsUntil(16);
    EXPECT_EQ(secondsOf("parkAirport"), series("parkAirport", {16}));
}

TEST_F(PeriodicWorkTest, MessageStaysTwentyFiveSeconds)
{
    runSecondsUntil(10);
    gf_showMessage("Hello", false);
    runSecondsUntil(34);
    EXPECT_EQ(gf_shownMessage(), "Hello");
    runSecondsUntil(35);
    EXPECT_EQ(gf_shownMessage(), "");
}

TEST_F(PeriodicWorkTest, BlockRequestRemovesTheActiveAircraftOfTheCallsign)
{
    struct Row
    {
        const char* name;
        const char* blocked;
        bool adding;                               // the second SWR12 waits for the simulator to add it
        std::vector<std::uint32_t> removed, letGo; // objects removed, creations let go
    };
    for (const Row& row :
         {Row{"empty callsign", "", false, {}, {}}, Row{"callsign", "SWR12", false, {0x1802}, {}},
          Row{"unknown callsign", "DLH4", false, {}, {}}, Row{"being added", "SWR12", true, {}, {0x4B1802}}})
    {
        SCOPED_TRACE(row.name);
        engine().live.clear();
        engine().n.mainQueues->removals.clear();
        addLive(0x4B1801, "SWR12", 47.2, 8.2, false).simState = SimState::buffer;
        LiveAc& second = addLive(0x4B1802, "SWR12", 47.2, 8.2, false);
        if (row.adding)
            std::tie(second.simState, second.objectId) = std::tuple(SimState::adding2sim, 0u);
        BLOCK_CALLSIGN.set(row.blocked);
        gFoundation.gBlockCallsignRequest.store(1);
        LoopContext context = loop();
        gf_everySecond(context);
        EXPECT_EQ(removedObjects(), row.removed);
        EXPECT_EQ(engine().n.simQueues->withdrawals, row.letGo);
        EXPECT_EQ(gFoundation.gBlockCallsignRequest.load(), 0);
    }
}

TEST_F(PeriodicWorkTest, FlushSwitchesInitialLoadOnlyOnWithoutSavingIt)
{
    const std::string saved = "<?xml version=\"1.0\"?>\n<parameters>\n"
                              "\t<parameter name=\"INITIAL_LOAD_ONLY\" value=\"0\" />\n</parameters>\n";
    settings.writeParameters(saved);
    INITIAL_LOAD_ONLY.set(false);
    gFoundation.gFlushStaticRequest.store(1);
    LoopContext context = loop();
    gf_everySecond(context);
    EXPECT_EQ(calls, (std::vector<std::string>{"removeQueuedStatic", "showCheck INITIAL_LOAD_ONLY"}));
    EXPECT_TRUE(INITIAL_LOAD_ONLY.value());
    EXPECT_EQ(gFoundation.gFlushStaticRequest.load(), 0);
    std::ifstream file(settings.parametersFile(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_EQ(bytes.str(), saved);

    calls.clear();
    gFoundation.gFlushStaticRequest.store(1);
    gf_everySecond(context);
    EXPECT_EQ(calls, (std::vector<std::string>{"removeQueuedStatic"}));
}

TEST_F(PeriodicWorkTest, StandCheckWaitsWhileTheParkingControlsAreBusy)
{
    checkText = "Reserved stand B12 of LSZH is not free";
    gFoundation.gStandCheckRequest.store(1);
    gWindow.gMainWindow.parkingBusy.store(1);
    gf_pendingStandCheck();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(gFoundation.gStandCheckRequest.load(), 1);
    gWindow.gMainWindow.parkingBusy.store(0);
    gf_pendingStandCheck();
    EXPECT_EQ(calls, (std::vector<std::string>{"checkParkAirports"}));
    EXPECT_EQ(gf_shownMessage(), checkText);
    EXPECT_EQ(gFoundation.gStandCheckRequest.load(), 0);
}

TEST_F(PeriodicWorkTest, LowUserRemovesGroundAircraftOnItsHeadingLine)
{
    struct Row
    {
        const char* name;
        double eastFt;
        bool removed;
    };
    for (const Row& row :
         {Row{"30 ft right", 30.0, true}, Row{"30 ft left", -30.0, true}, Row{"60 ft right", 60.0, false}})
    {
        SCOPED_TRACE(row.name);
        engine().live.clear();
        engine().n.mainQueues->removals.clear();
        harness->user.altAboveGround = 300.0;
        harness->user.alt = 1700.0;
        harness->user.heading = 0.0;
        const LatLon at = offset(0.5, row.eastFt);
        LiveAc& ac = addLive(0x4B1801, "SWR12", at.lat, at.lon, true);
        ac.alt = 1400.0;
        ac.heading = 90.0 * kDegToRad;
        LoopContext context = loop();
        EXPECT_EQ(gf_avoidUserAircraft(context), row.removed);
        EXPECT_EQ(engine().live[0].simState, row.removed ? SimState::removingfromsim : SimState::active);
    }
}

TEST_F(PeriodicWorkTest, CrossingTrafficWhoseHeadingLinePassesCloseIsRemoved)
{
    struct Row
    {
        const char* name;
        double passesFt;
        bool removed;
    };
    for (const Row& row : {Row{"600 ft", 600.0, true}, Row{"800 ft", 800.0, false}})
    {
        SCOPED_TRACE(row.name);
        engine().live.clear();
        harness->user.altAboveGround = 8000.0;
        harness->user.alt = 10000.0;
        const LatLon at{kUserLat, kUserLon + 3.0 / 60.0 / std::cos(kUserLat * kDegToRad)};
        const double dFt = gf_distanceNm({kUserLat, kUserLon}, at) * kFeetPerNm;
        const double bearingDeg = gf_bearingRad({kUserLat, kUserLon}, at) * kRadToDeg;
        LiveAc& ac = addLive(0x4B1801, "SWR12", at.lat, at.lon, false);
        ac.alt = 9500.0;
        // Flying back past the user, its heading line missing the user by the row's distance.
        ac.heading = (bearingDeg + 180.0 - std::asin(row.passesFt / dFt) * kRadToDeg) * kDegToRad;
        LoopContext context = loop();
        EXPECT_EQ(gf_avoidUserAircraft(context), row.removed);
    }
}

TEST_F(PeriodicWorkTest, AvoidanceInTheAirIsSwitchedOff)
{
    COLLISION_USER_AIR.set(false);
    harness->user.altAboveGround = 300.0;
    const LatLon at = offset(0.5, 0.0);
    addLive(0x4B1801, "SWR12", at.lat, at.lon, true);
    LoopContext context = loop();
    EXPECT_FALSE(gf_avoidUserAircraft(context));
}

TEST_F(PeriodicWorkTest, UserOnTheGroundKeepsItsClearance)
{
    harness->user.onGround = true;
    harness->user.halfSpan = 0.02;
    const LatLon near = offset(0.045, 0.0);
    const LatLon outside = offset(0.047, 0.0);
    addLive(0x4B1801, "SWR12", outside.lat, outside.lon, true).radius = 0.02;
    addLive(0x4B1802, "SWR13", near.lat, near.lon, true).radius = 0.02;
    addLive(0x4B1803, "SWR14", near.lat, near.lon, true).radius = 0.02;
    const LatLon stand = offset(0.043, 0.0);
    addStatic(5, "EZY1*", stand.lat, stand.lon).radius = 0.02;
    LoopContext context = loop();

    // One removal per second: the first live aircraft within 0.046 nm, and no static one that second.
    EXPECT_TRUE(gf_avoidUserAircraft(context));
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{0x1802}));
    EXPECT_TRUE(gf_avoidUserAircraft(context));
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{0x1802, 0x1803}));
    // The user moved since the last static check (none yet): the static aircraft within 0.044 nm goes.
    EXPECT_TRUE(gf_avoidUserAircraft(context));
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{0x1802, 0x1803, 505}));
}

TEST_F(PeriodicWorkTest, StaticAircraftAreCheckedOnlyWhenTheUserMoved)
{
    harness->user.onGround = true;
    harness->user.halfSpan = 0.02;
    LoopContext context = loop();
    EXPECT_FALSE(gf_avoidUserAircraft(context));
    const LatLon stand = offset(0.043, 0.0);
    addStatic(5, "EZY1*", stand.lat, stand.lon).radius = 0.02;
    EXPECT_FALSE(gf_avoidUserAircraft(context));
    harness->user.lat += 0.000001;
    EXPECT_TRUE(gf_avoidUserAircraft(context));
    const LatLon farStand = offset(0.045, 0.0);
    addStatic(6, "EZY2*", farStand.lat, farStand.lon).radius = 0.02;
    harness->user.lat -= 0.000001;
    EXPECT_FALSE(gf_avoidUserAircraft(context));
}

TEST_F(PeriodicWorkTest, TaxiingAircraftClearStaticAircraftOutOfTheirWayOnceTheyMoved)
{
    COLLISION_LIVE_PARKED_GND.set(true);
    gAirports.gParking.setStands(
        {Stand("C1", 1, 47.5, 8.5, 0.0, 20.0), Stand("C2", 2, 47.5, 8.5001, 0.0, 20.0)});
    addStatic(1, "EZY1*", 47.5, 8.5);
    addStatic(2, "EZY2*", 47.5, 8.5001);
    for (std::uint32_t i = 0; i < 2; ++i)
    {
        gAirports.gParking.staticAircraft[i].standId = i + 1;
        gAirports.gParking.staticAircraft[i].radius = 0.02;
    }
    LiveAc& taxiing = addLive(0x4B1801, "SWR12", 47.5, 8.50005, true);
    taxiing.radius = 0.02;
    taxiing.phase = GroundPhase::parked;
    LoopContext context = loop();
    gf_everySecond(context);
    EXPECT_TRUE(removedObjects().empty());

    engine().live[0].phase = GroundPhase::taxi;
    gf_everySecond(context);
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{501}));
    // Standing still since its last look: the aircraft is not looked at again.
    gf_everySecond(context);
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{501}));
    engine().live[0].lon += 0.00001;
    gf_everySecond(context);
    EXPECT_EQ(removedObjects(), (std::vector<std::uint32_t>{501, 502}));
}

} // namespace
} // namespace oxl::test

namespace oxl::test
{
namespace
{

// The window's controls leave requests; the next second serves them on the cycle worker.
TEST_F(PeriodicWorkTest, WindowRequestsAreServedWithinASecond)
{
    addStatic(7, "SWR7*", 47.45, 8.55);
    addStatic(8, "SWR8*", 47.45, 8.55).simState = SimState::adding2sim;
    LiveAc& parked = addLive(0x4B1801, "SWR12", 47.45, 8.55, true);
    parked.phase = GroundPhase::parked;
    addLive(0x4B1802, "SWR14", 47.2, 8.2, false); // flying: its lights are its own
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        gRecords.gSimQueues.events.clear();
    }
    gFoundation.gNavLightsRequest.store(2);
    AUTO_RANGE.set(true);
    gFoundation.gAutoRangeRequest.store(1);
    gf_requestDestination("ZZZZ");
    DESTINATION.set("LSZH");
    gf_showMessage("", false);
    LoopContext context = loop();
    gf_everySecond(context);

    std::vector<std::pair<std::uint32_t, std::uint32_t>> lights; // object id, value
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        for (const SimEventEntry& e : gRecords.gSimQueues.events)
            if (e.eventId == kEvNavLights)
                lights.emplace_back(e.objectId, e.data);
        gRecords.gSimQueues.events.clear();
    }
    EXPECT_EQ(lights, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{507, 1}, {parked.objectId, 1}}));
    EXPECT_EQ(gFoundation.gNavLightsRequest.load(), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{at("autoRange", 1)}));
    EXPECT_EQ(gFoundation.gAutoRangeRequest.load(), 0);
    EXPECT_EQ(gf_shownMessage(), "destination 'ZZZZ' is unknown ...");
    EXPECT_EQ(gf_takeDestinationRequest(), std::nullopt);
    EXPECT_EQ(gFoundation.gLoopSecondsShown.load(), 1);

    // MAX_LIVE_SEL lowered below the active live aircraft: the farthest goes.
    MAX_LIVE_SEL.set(0);
    gFoundation.gTrimLiveRequest.store(1);
    engine().n.mainQueues->removals.clear();
    gf_everySecond(context);
    EXPECT_EQ(gFoundation.gTrimLiveRequest.load(), 0);
    EXPECT_FALSE(removedObjects().empty());
}

} // namespace
} // namespace oxl::test
