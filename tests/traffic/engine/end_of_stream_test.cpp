#include "traffic/engine/end_of_stream.h"

#include "airports/airports_state.h"
#include "foundation/geodesy.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/stand_approach.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/source/source_state.h"

#include <fmt/format.h>

#include <cmath>

namespace oxl
{
namespace
{

using test::LiveScenario;

constexpr std::uint32_t kHex = 0x600001;
constexpr double kTaxiKt = 10.0;
constexpr double kA320RadiusNm = 0.0092;

class EndOfStream : public LiveScenario
{
  protected:
    void SetUp() override
    {
        LiveScenario::SetUp();
        harness->engine().n.phases = std::make_unique<StandInMovement>(harness->engine(), givenUp);
    }

    // A stand-in for the movement: the aircraft is at the front report when it falls due; a stream that
    // has run dry asks the end-of-stream rules, and the aircraft is given up when they do not extend it.
    class StandInMovement : public NoFlightSteps
    {
      public:
        StandInMovement(LiveEngine& engine, std::vector<std::pair<std::uint32_t, std::int32_t>>& givenUp)
            : engine_(engine), givenUp_(givenUp)
        {
        }
        void moveActive(LiveAc& ac) override
        {
            if (ac.stream.front().dueTick > engine_.tick())
                return;
            ac.lat = ac.stream.front().lat;
            ac.lon = ac.stream.front().lon;
            while (ac.stream.size() < 2)
            {
                const std::size_t before = ac.stream.size();
                if (endOfStream(engine_, ac) && ac.stream.size() > before)
                    continue;
                givenUp_.emplace_back(ac.hexid, engine_.tick());
                removeAircraftFromSim(engine_, ac);
                return;
            }
            ac.stream.pop_front();
        }

      protected:
        LiveEngine& engine_;
        std::vector<std::pair<std::uint32_t, std::int32_t>>& givenUp_;
    };

    // The stand-in that also clears a stand of static aircraft.
    class StandInMovementClearingStands final : public StandInMovement
    {
      public:
        using StandInMovement::StandInMovement;
        void makeWayAtStand(LiveAc& ac, const Stand& stand) override
        {
            oxl::makeWayAtStand(engine_, ac, stand);
        }
    };

    /// An active aircraft with one report due at the tick, standing at that report.
    LiveAc& active(std::uint32_t hexid, const std::string& callsign, double lat, double lon, double alt,
                   double gs, GroundPhase phase, std::int32_t dueTick)
    {
        Report r = test::at(lat, lon, alt, gs, dueTick);
        r.track = 90.0;
        AcProfile profile;
        profile.callsign = callsign;
        profile.airline = "BAW";
        profile.type = "A320";
        profile.hexid = hexid;
        profile.radius = kA320RadiusNm;
        profile.taxiInSpeed = kTaxiKt;
        LiveAc& ac = harness->engine().live.emplace_back(r, profile, 1000.0);
        ac.simState = SimState::active;
        ac.objectId = hexid - kHex + 100;
        ac.phase = phase;
        ac.onGround = alt > 0.0 ? 0 : 1;
        ac.lat = lat;
        ac.lon = lon;
        ac.alt = alt;
        ac.heading = kDegToRad * 90.0;
        return ac;
    }

    std::int32_t givenUpAt(std::uint32_t hexid) const
    {
        for (const auto& [hex, tick] : givenUp)
            if (hex == hexid)
                return tick;
        return -1;
    }

    std::vector<std::pair<std::uint32_t, std::int32_t>> givenUp; ///< (hexid, tick)
};

TEST_F(EndOfStream, TaxiingAircraftHoldsUntilTheHoldingTimeIsOver)
{
    MAX_HOLDING_MINUTES.set(2);
    active(kHex, "BAW1", 51.47, -0.46, 0, 12, GroundPhase::taxi, 100);
    std::vector<std::int32_t> holdDues;
    harness->runUntil(
        [&]
        {
            const LiveAc* seen = harness->aircraft(kHex);
            if (seen != nullptr && seen->simState == SimState::active && seen->stream.size() == 1 &&
                (holdDues.empty() || holdDues.back() != seen->stream.front().dueTick))
                holdDues.push_back(seen->stream.front().dueTick);
            return givenUpAt(kHex) >= 0;
        },
        20000);
    // The hold starts at tick 100 and puts a standing report every 300 ticks; holding exactly two minutes
    // (tick 12100) goes on, the first hold report beyond them ends it.
    ASSERT_FALSE(holdDues.empty());
    EXPECT_EQ(holdDues.front(), 100);
    EXPECT_EQ(holdDues.back(), 100 + 60 * 300);
    EXPECT_EQ(givenUpAt(kHex), 100 + 60 * 300);
    EXPECT_EQ(harness->aircraft(kHex)->simState, SimState::removingfromsim);
}

TEST_F(EndOfStream, SecondAircraftStoppedBesideATaxiingOneIsGivenUp)
{
    LiveAc& other = active(kHex + 1, "BAW2", 51.47, -0.46, 0, 12, GroundPhase::taxi, 5000);
    other.stream.push_back(other.stream.front());
    active(kHex, "BAW1", 51.47, -0.4599, 0, 12, GroundPhase::taxi, 100); // 7 m apart
    harness->run(102);
    EXPECT_EQ(givenUpAt(kHex), 100);
    EXPECT_EQ(harness->aircraft(kHex)->holding, 0);
    EXPECT_EQ(harness->aircraft(kHex + 1)->simState, SimState::active);
}

struct AirRow
{
    const char* name;
    double insideRangeNm; ///< how far inside the radius at which the reader lets it go the stream ends
    bool extended;
};

TEST_F(EndOfStream, AirborneStreamIsExtendedInsideTheRangeThenGivenUp)
{
    const AirRow rows[] = {{"0.6 nm inside", 0.6, true}, {"0.4 nm inside", 0.4, false}};
    ASSERT_GT(gSource.gTrafficFilter.letGoRadiusNm() - 0.6, gRangeNm.load()); // both end beyond the range
    std::uint32_t hexid = kHex;
    for (const AirRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        ++hexid;
        const std::int32_t start = harness->tick() + 10;
        const double distanceNm = gSource.gTrafficFilter.letGoRadiusNm() - row.insideRangeNm;
        harness->user = UserAcData{.lat = 51.0, .alt = 3000.0, .altAboveGround = 3000.0};
        LiveAc& ac =
            active(hexid, "AIR1", 51.0 + distanceNm / 60.0, 0.0, 5000, 200, GroundPhase::flying, start);
        ac.heading = 0.0;                                    // northbound, away from the user
        std::vector<std::pair<std::int32_t, double>> fronts; // (due tick, ground speed) of each front
        harness->runUntil(
            [&]
            {
                const LiveAc* seen = harness->aircraft(hexid);
                if (seen != nullptr && seen->simState == SimState::active &&
                    (fronts.empty() || fronts.back().first != seen->stream.front().dueTick))
                    fronts.emplace_back(seen->stream.front().dueTick, seen->stream.front().gs);
                return givenUpAt(hexid) >= 0;
            },
            10000);
        ASSERT_FALSE(fronts.empty());
        fronts.erase(fronts.begin()); // the aircraft's own last report
        if (!row.extended)
        {
            EXPECT_EQ(givenUpAt(hexid), start);
            EXPECT_TRUE(fronts.empty());
            continue;
        }
        // Eight reports of 8 s, each 5 % slower, then the aircraft is given up at the last one.
        ASSERT_EQ(fronts.size(), 8u);
        double expected = 200.0;
        for (std::size_t i = 0; i < fronts.size(); ++i)
        {
            expected *= 0.95;
            EXPECT_EQ(fronts[i].first, start + 800 * static_cast<std::int32_t>(i + 1));
            EXPECT_NEAR(fronts[i].second, expected, 1e-9);
        }
        EXPECT_EQ(givenUpAt(hexid), start + 8 * 800);
    }
}

class StandParking : public EndOfStream
{
  protected:
    void SetUp() override
    {
        EndOfStream::SetUp();
        gAirports.gParking.parkAirport.code = "EGLL";
        gAirports.gParking.parkAirport.latitude = 51.47;
        gAirports.gParking.parkAirport.longitude = -0.46;
        std::vector<Stand> stands;
        stands.emplace_back("A1", 1, 51.4700, -0.4600, 1.5, 40.0);
        stands.emplace_back("A2", 2, 51.4700, -0.4603, 1.5, 40.0); // 21 m west
        stands[0].adjacent = {2};
        stands[1].adjacent = {1};
        gAirports.gParking.setStands(std::move(stands));
        LiveEngine& engine = harness->engine();
        options = &test::installDouble<test::StandOptionRecorder>(engine.n.stands);
        parkChecks = &test::installDouble<test::ParkCheckRecorder>(engine.n.staticParking);
        engine.n.phases = std::make_unique<StandInMovementClearingStands>(engine, givenUp);
    }

    test::StandOptionRecorder* options = nullptr;
    test::ParkCheckRecorder* parkChecks = nullptr;
};

TEST_F(StandParking, TaxiingAircraftDrivesOntoAFreeStandAndParks)
{
    // Taxiing in, stopped 15 m east of stand A1.
    LiveAc& ac = active(kHex, "BAW1", 51.4700, -0.45980, 0, 0, GroundPhase::taxi, 300);
    ac.stream.front().stationary = 1;
    ac.previousPhase = GroundPhase::flying;
    const double distanceNm = gf_distanceNm({ac.lat, ac.lon}, {51.47, -0.46});
    try2Park(harness->engine(), ac, false);
    ASSERT_EQ(ac.phase, GroundPhase::parking);
    EXPECT_EQ(ac.previousPhase, GroundPhase::taxi);
    EXPECT_EQ(ac.standId, 1u);
    ASSERT_EQ(ac.stream.size(), 3u);
    const std::int32_t t =
        std::max(static_cast<std::int32_t>(std::round(distanceNm * kTicksPerHour / kTaxiKt)), 100);
    EXPECT_EQ(ac.stream[1].dueTick, 300 + t);
    EXPECT_EQ(ac.stream[2].dueTick, 300 + t + 50);
    EXPECT_EQ(ac.stream[2].gs, 0.0);
    EXPECT_EQ(ac.stream[2].stationary, 1);
    EXPECT_DOUBLE_EQ(ac.targetHeading, 1.5);

    std::int32_t arrivedAt = -1;
    harness->runUntil(
        [&]
        {
            const LiveAc* seen = harness->aircraft(kHex);
            if (arrivedAt < 0 && seen->phase == GroundPhase::parked)
                arrivedAt = harness->tick() - 1;
            return arrivedAt >= 0;
        },
        3000);
    EXPECT_EQ(arrivedAt, 300 + t + 50);
    EXPECT_TRUE(log.contains("A1      : BAW1     arrived at stand"));
    const LiveAc* parked = harness->aircraft(kHex);
    EXPECT_EQ(parked->simState, SimState::active);
    // Parked: one extension reaching seven days ahead.
    ASSERT_EQ(parked->stream.size(), 1u);
    EXPECT_EQ(parked->stream.front().dueTick, arrivedAt + 60480000);
    EXPECT_EQ(parked->stream.front().stationary, 1);
    EXPECT_EQ(parked->extensionCount, 1);
    EXPECT_EQ(parked->parkedSlot, gf_packDayHalfHour(harness->weekHalfHour));
    EXPECT_EQ(options->stands, std::vector<std::uint32_t>{1});
    EXPECT_EQ(parkChecks->checks, std::vector<std::uint8_t>{0});
    EXPECT_EQ(harness->engine().couplingQueue.back(), kHex);
    EXPECT_EQ(harness->engine().liveParked,
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{kHex, harness->weekHalfHour.half}}));
}

TEST_F(StandParking, StandTakenFromAParkedLiveAircraftAndItsStaticNeighbour)
{
    LiveAc& holder = active(kHex + 1, "OLD1", 51.47, -0.46, 0, 0, GroundPhase::parked, 90000);
    holder.standId = 1;
    SimAc neighbour;
    neighbour.callsign = "STAT1*";
    neighbour.type = "A320";
    neighbour.standId = 2;
    neighbour.objectId = 50;
    neighbour.simState = SimState::active;
    SimAc queued = neighbour;
    queued.callsign = "STAT2*";
    queued.standId = 1;
    queued.objectId = 0;
    queued.simState = SimState::adding2sim;
    gAirports.gParking.staticAircraft = {neighbour, queued};
    CreateRequest request;
    request.callsign = "STAT2*";
    harness->engine().n.mainQueues->staticCreates.push_back(request);

    LiveAc& ac = active(kHex, "BAW1", 51.4700, -0.45980, 0, 0, GroundPhase::taxi, 300);
    ac.stream.front().stationary = 1;
    try2Park(harness->engine(), ac, false);

    ASSERT_EQ(ac.standId, 1u);
    EXPECT_EQ(holder.simState, SimState::removingfromsim);
    EXPECT_TRUE(log.contains("A1      : OLD1     removed, BAW1 wants to park there"));
    // The queued static aircraft on the stand is never created; the one beside it makes way.
    EXPECT_TRUE(harness->engine().n.mainQueues->staticCreates.empty());
    ASSERT_EQ(gAirports.gParking.staticAircraft.size(), 1u);
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].callsign, "STAT1*");
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::removingfromsim);
    EXPECT_TRUE(log.contains("queued A1      : STAT2*    makes way for BAW1 "));
    EXPECT_TRUE(log.contains("A2      : STAT1*   makes way for BAW1 parking at excluded stand A1"));
}

TEST_F(StandParking, ReservedStandIsNeverTakenAndOnePositionIsSearchedOnce)
{
    gAirports.gParking.reservedStand = "A1";
    LiveAc& ac = active(kHex, "BAW1", 51.4700, -0.45995, 0, 0, GroundPhase::taxi, 300);
    try2Park(harness->engine(), ac, false);
    EXPECT_EQ(ac.phase, GroundPhase::taxi);
    EXPECT_EQ(ac.standId, 0u);

    gAirports.gParking.reservedStand.clear();
    try2Park(harness->engine(), ac, false); // same position: no second search
    EXPECT_EQ(ac.phase, GroundPhase::taxi);

    ac.stream.front().lon = -0.45996;
    try2Park(harness->engine(), ac, false);
    EXPECT_EQ(ac.phase, GroundPhase::parking);
    EXPECT_EQ(ac.standId, 1u);
}

TEST_F(StandParking, ArrivalFartherThanTwoMetresTaxisOn)
{
    LiveAc& ac = active(kHex, "BAW1", 51.4700, -0.45990, 0, 0, GroundPhase::parking, 300);
    ac.standId = 1;
    ac.standLat = 51.47;
    ac.standLon = -0.46;
    arriveAtStand(harness->engine(), ac);
    EXPECT_EQ(ac.phase, GroundPhase::taxi);
    EXPECT_EQ(ac.previousPhase, GroundPhase::parking);
    EXPECT_TRUE(options->stands.empty());
}

struct GateRow
{
    const char* name;
    std::uint32_t entryHalf; ///< half-hour of the gate's entry
    std::uint32_t nowHalf;
    bool passes;
};

TEST_F(EndOfStream, LearnGateLetsOneAircraftLearnOncePerThreeHalfHours)
{
    const GateRow rows[] = {
        {"same half-hour", 20, 20, false},  {"next", 20, 21, false},
        {"second next", 20, 22, false},     {"third next", 20, 23, true},
        {"midnight 47 to 0", 47, 0, false}, {"midnight 47 to 1", 47, 1, false},
        {"midnight 47 to 2", 47, 2, true},  {"a day later", 20, 20, false},
    };
    LiveEngine& engine = harness->engine();
    for (const GateRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        engine.liveParked = {{kHex, row.entryHalf}};
        EXPECT_EQ(gf_learnGate(engine, {2, row.nowHalf}, kHex, false), row.passes);
        EXPECT_EQ(engine.liveParked.front().second, row.passes ? row.nowHalf : row.entryHalf);
        EXPECT_TRUE(gf_learnGate(engine, {2, row.nowHalf}, kHex, true));
    }
    engine.liveParked.clear();
    EXPECT_TRUE(gf_learnGate(engine, {2, 5}, kHex, false));
    EXPECT_EQ(engine.liveParked, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{kHex, 5}}));
}

} // namespace
} // namespace oxl
