#include "traffic/engine/ground_movement.h"

#include "airports/airports_state.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "records/aircraft_words.h"
#include "simlink/sim_ids.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/aircraft_profile.h"
#include "traffic/engine/stand_departure.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/source/source_state.h"
#include "traffic/source/udp_readers.h"

#include <algorithm>
#include <cmath>

namespace oxl
{
namespace
{

using test::LiveScenario;
using test::RecordedEvent;

constexpr std::uint32_t kHex = 0x720001;
constexpr std::uint32_t kObject = 11;
// Stand A1 faces north; A2 lies 43 m east of it.
constexpr LatLon kStandA1{50.0, 8.0};
constexpr LatLon kStandA2{50.0, 8.0006};
constexpr double kStandRadiusM = 20.0;

Report at(LatLon p, double alt, double gs, std::int32_t due)
{
    return test::at(p.lat, p.lon, alt, gs, due);
}

LatLon move(LatLon from, double bearingDeg, double metres)
{
    return gf_destinationPoint(from, bearingDeg * kDegToRad, nmToFeet(metresToNm(metres)));
}

double metresBetween(LatLon a, LatLon b)
{
    return nmToMetres(gf_distanceNm(a, b));
}

// [ticks] a leg of the distance at the speed.
std::int32_t legTicks(LatLon a, LatLon b, double kt)
{
    return static_cast<std::int32_t>(std::lround(gf_distanceNm(a, b) * kTicksPerHour / kt));
}

double headingDeg(const LiveAc& ac)
{
    return ac.heading * kRadToDeg;
}

// The largest change of position [m] and heading [deg] from one tick to the next.
struct Steps
{
    double metres = 0.0;
    double degrees = 0.0;
};

// An A320 under the full movement at a park airport with two stands whose file is loaded.
class GroundMovement : public LiveScenario
{
  protected:
    void SetUp() override
    {
        LiveScenario::SetUp();
        gSource.gEngineQnh.store(kStandardQnh);
        gAirports.gParking.parkAirport.code = "EDDF";
        gAirports.gParking.parkAirport.latitude = kStandA1.lat;
        gAirports.gParking.parkAirport.longitude = kStandA1.lon;
        gAirports.gParking.fileLoaded = true;
        std::vector<Stand> stands;
        stands.emplace_back("A1", 1, kStandA1.lat, kStandA1.lon, 0.0, kStandRadiusM);
        stands.emplace_back("A2", 2, kStandA2.lat, kStandA2.lon, 0.0, kStandRadiusM);
        gAirports.gParking.setStands(std::move(stands));
        installGroundMovement(harness->engine());
    }

    void TearDown() override
    {
        gSource.gEngineQnh.store(kStandardQnh);
        LiveScenario::TearDown();
    }

    LiveAc& aircraft(const std::vector<Report>& reports, GroundPhase phase)
    {
        AcIdent ident;
        ident.callsign = "GRD1";
        ident.airline = "GRD";
        ident.type = "A320";
        LiveAc ac(reports.front(), gf_acProfile(ident), 1000.0);
        ac.hexid = kHex;
        ac.simState = SimState::active;
        ac.objectId = kObject;
        ac.phase = phase;
        ac.previousPhase = GroundPhase::flying;
        ac.turnStep = ac.maxTurnStep;
        ac.taxiInSpeed = gf_categoryConstants(ac.category).taxiInSpeedKt;
        ac.maxClimbStep = gf_categoryConstants(ac.category).maxClimbStepFt;
        ac.staticCgHeight = 10.0;
        ac.stream.assign(reports.begin(), reports.end());
        ac.lat = reports.front().lat;
        ac.lon = reports.front().lon;
        ac.alt = reports.front().alt;
        ac.onGround = reports.front().airborne == 0 ? 1 : 0;
        ac.agl = ac.alt;
        if (reports.size() > 1)
            ac.heading = gf_bearingRad({reports[0].lat, reports[0].lon}, {reports[1].lat, reports[1].lon});
        harness->engine().live.push_back(std::move(ac));
        return harness->engine().live.back();
    }

    // Parked at A1 with the report showing where it goes next.
    LiveAc& parkedAtA1(LatLon departure, bool departureSeen)
    {
        Report stand = at(kStandA1, 0, 0, 100);
        stand.stationary = 1;
        LiveAc& ac = aircraft({stand, at(departure, 0, 8, 600)}, GroundPhase::parked);
        ac.previousPhase = GroundPhase::parking;
        ac.heading = 0.0;
        ac.standLat = kStandA1.lat;
        ac.standLon = kStandA1.lon;
        ac.standHeading = 0.0;
        ac.standId = 1;
        ac.departureSeen = departureSeen ? 1 : 0;
        ac.throttleIndex = 0;
        ac.flapsIndex = 0;
        return ac;
    }

    const LiveAc& ac() { return *harness->engine().findByHexid(kHex); }

    // Runs tick by tick with the height above the runway the simulator would report, keeping the
    // largest steps while the aircraft is active.
    void run(std::int32_t ticks)
    {
        for (std::int32_t i = 0; i < ticks; ++i)
        {
            LiveAc* now = harness->engine().findByHexid(kHex);
            if (now == nullptr)
                return;
            now->agl = std::max(now->alt - now->staticCgHeight, 0.0);
            const LatLon before{now->lat, now->lon};
            const double headingBefore = now->heading;
            harness->run(1);
            now = harness->engine().findByHexid(kHex);
            if (now == nullptr || now->simState != SimState::active)
                continue;
            largest.metres = std::max(largest.metres, metresBetween(before, {now->lat, now->lon}));
            largest.degrees =
                std::max(largest.degrees, std::abs(gf_wrapPi(now->heading - headingBefore)) * kRadToDeg);
        }
    }

    template <class Predicate> std::int32_t runUntil(Predicate&& holds, std::int32_t maxTicks)
    {
        for (std::int32_t i = 0; i < maxTicks; ++i)
        {
            if (holds())
                return harness->tick() - 1;
            run(1);
        }
        return holds() ? harness->tick() - 1 : -1;
    }

    std::vector<std::uint32_t> dataOf(std::uint32_t eventId) const
    {
        std::vector<std::uint32_t> data;
        for (const RecordedEvent& e : harness->events)
            if (e.event.eventId == eventId)
                data.push_back(e.event.data);
        return data;
    }

    Steps largest;
};

TEST_F(GroundMovement, DepartureAheadPullsOutTwoRadiiAlongTheStandHeading)
{
    parkedAtA1(move(kStandA1, 10.0, 60.0), true);
    run(101);
    const LiveAc& out = ac();
    EXPECT_EQ(out.phase, GroundPhase::taxi);
    EXPECT_EQ(out.previousPhase, GroundPhase::parked);
    EXPECT_EQ(out.departureSeen, 0);
    // The departure report is replaced by one point two radii ahead of the stand.
    ASSERT_EQ(out.stream.size(), 1u);
    const LatLon ahead = move(kStandA1, 0.0, nmToMetres(2.0 * out.radius));
    EXPECT_NEAR(metresBetween({out.stream[0].lat, out.stream[0].lon}, ahead), 0.0, 0.01);
    EXPECT_EQ(out.stream[0].dueTick, 100 + legTicks(kStandA1, ahead, out.taxiInSpeed));
    EXPECT_EQ(out.stream[0].gs, out.taxiInSpeed);
    EXPECT_TRUE(log.contains("A1      : GRD1     pulling out"));
    EXPECT_EQ(dataOf(kEvEngineAutoStart), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(dataOf(kEvFlapsSet), (std::vector<std::uint32_t>{3072}));
    EXPECT_EQ(dataOf(kEvTaxiLights), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(dataOf(kEvStrobes), (std::vector<std::uint32_t>{0}));

    const std::int32_t due = out.stream[0].dueTick;
    run(due - harness->tick() + 1);
    EXPECT_NEAR(metresBetween({ac().lat, ac().lon}, ahead), 0.0, 0.05);
    EXPECT_NEAR(headingDeg(ac()), 0.0, 1e-9);
}

TEST_F(GroundMovement, ParkedAircraftWithoutADepartureMakesNoManoeuvre)
{
    parkedAtA1(move(kStandA1, 180.0, 60.0), false);
    run(101);
    EXPECT_NE(ac().phase, GroundPhase::pushing_back);
    EXPECT_FALSE(log.contains("pulling out"));
    EXPECT_TRUE(dataOf(kEvEngineAutoStart).empty());
    // The report it had stays its target.
    ASSERT_EQ(ac().stream.size(), 1u);
    EXPECT_NEAR(metresBetween({ac().stream[0].lat, ac().stream[0].lon}, move(kStandA1, 180.0, 60.0)), 0.0,
                0.01);
}

TEST_F(GroundMovement, PushBackWithoutItsStandLeavesTheAircraftWhereItIs)
{
    LiveAc& parked = parkedAtA1(move(kStandA1, 180.0, 60.0), true);
    parked.standId = 9; // not a stand of the airport
    run(101);
    EXPECT_NE(ac().phase, GroundPhase::pushing_back);
    EXPECT_EQ(ac().pushBackStage, 0);
    EXPECT_TRUE(dataOf(kEvEngineAutoStart).empty());
}

struct PushBackRow
{
    const char* name;
    std::uint8_t sideKnown;
    std::uint8_t side;
    double finalHeadingDeg; ///< nose direction after the push-back
};

TEST_F(GroundMovement, PushBackGoesStraightOrTurnsToTheReportedSideThenTaxisOut)
{
    const PushBackRow rows[] = {
        {"no side reported: straight back", 0, 0, 0.0},
        {"nose to the right: tail swings west", 1, 1, 90.0},
        {"nose to the left: tail swings east", 1, 0, 270.0},
    };
    for (const PushBackRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->engine().live.clear();
        harness->events.clear();
        largest = {};
        const std::int32_t start = harness->tick();
        LiveAc& parked = parkedAtA1(move(kStandA1, 180.0, 60.0), true);
        for (Report& r : parked.stream)
            r.dueTick += start;
        parked.pushBackSideKnown = row.sideKnown;
        parked.pushBackSide = row.side;
        // Left over from the turn onto the stand: it must not swing the aircraft toward where it is pushed.
        parked.turnToTarget = 1;
        parked.targetTurnAngle = 40.0;
        run(101);
        ASSERT_EQ(ac().phase, GroundPhase::pushing_back);
        EXPECT_EQ(ac().pushBackStage, 2);
        EXPECT_EQ(dataOf(kEvTaxiLights), (std::vector<std::uint32_t>{1}));
        EXPECT_EQ(dataOf(kEvBeaconLights), (std::vector<std::uint32_t>{1}));
        // Straight back 2.5 stand radii, in two halves, with the side point after them.
        const LatLon straightBack = move(kStandA1, 180.0, 2.5 * kStandRadiusM);
        ASSERT_EQ(ac().stream.size(), 3u);
        EXPECT_NEAR(metresBetween({ac().stream[1].lat, ac().stream[1].lon}, straightBack), 0.0, 0.01);
        EXPECT_NEAR(metresBetween({ac().stream[0].lat, ac().stream[0].lon}, straightBack),
                    kStandRadiusM * 1.25, 0.01);
        EXPECT_LT(ac().speedValue, 0.0); // tail first

        const std::int32_t pushedBackAt =
            runUntil([&] { return ac().phase == GroundPhase::pushed_back; }, 20000);
        ASSERT_GE(pushedBackAt, 0);
        const LiveAc& done = ac();
        EXPECT_EQ(done.pushBackStage, 1);
        EXPECT_EQ(done.pushedBackDistance, 900.0);
        EXPECT_EQ(done.departureSeen, 0);
        EXPECT_EQ(dataOf(kEvEngineAutoStart), (std::vector<std::uint32_t>{0}));
        EXPECT_EQ(dataOf(kEvFlapsSet), (std::vector<std::uint32_t>{3072}));
        EXPECT_NEAR(gf_wrapPi((headingDeg(done) - row.finalHeadingDeg) * kDegToRad) * kRadToDeg, 0.0, 3.0);
        if (row.sideKnown == 0)
            EXPECT_NEAR(metresBetween({done.lat, done.lon}, straightBack), 0.0, 0.05);
        else
        {
            const LatLon side = move(straightBack, row.side != 0 ? 270.0 : 90.0, nmToMetres(done.radius));
            EXPECT_NEAR(metresBetween({done.lat, done.lon}, side), 0.0, 0.5);
        }
        // Tail first at a few knots: never more than a few centimetres or a fraction of a degree a tick.
        EXPECT_LT(largest.metres, 0.1);
        EXPECT_LT(largest.degrees, 1.0);

        // The reports show it taxiing away: once its report acceptance lets it drive off, it follows them.
        LiveAc& away = *harness->engine().findByHexid(kHex);
        away.phase = GroundPhase::taxi;
        away.previousPhase = GroundPhase::pushed_back;
        away.standId = 0;
        const LatLon from{away.lat, away.lon};
        const std::int32_t t0 = harness->tick() + 50;
        const LatLon p1 = move(from, row.finalHeadingDeg, 80.0);
        const LatLon p2 = move(p1, row.finalHeadingDeg + 90.0, 80.0);
        away.stream.assign({at(from, 0, 10, t0), at(p1, 0, 10, t0 + legTicks(from, p1, 10)),
                            at(p2, 0, 10, t0 + legTicks(from, p1, 10) + legTicks(p1, p2, 10))});
        away.stream.push_back(away.stream.back());
        away.stream.back().dueTick += 3000;
        away.stream.back().stationary = 1;
        away.stream.back().gs = 0.0;
        run(away.stream[2].dueTick - harness->tick() + 2);
        EXPECT_LT(metresBetween({ac().lat, ac().lon}, p2), 1.0);
        EXPECT_NE(ac().phase, GroundPhase::parking); // just left its stand: it does not park again
        EXPECT_LT(largest.metres, 0.1);
        EXPECT_LT(largest.degrees, 1.0);
    }
}

struct CornerRow
{
    const char* name;
    double cornerDeg;
    double speedKt;
    double legM; ///< from the front report to the corner
    bool curve;
    bool midReport;
};

TEST_F(GroundMovement, TaxiCornersAreCurvedSplitOrFlownStraight)
{
    const CornerRow rows[] = {
        {"2 degrees: straight", 2.0, 15.0, 60.0, false, false},
        {"30 degrees: curve", 30.0, 15.0, 60.0, true, false},
        {"90 degrees on a short leg: curve", 90.0, 15.0, 40.0, true, false},
        {"90 degrees slowly over a long leg: slow down first", 90.0, 15.0, 100.0, false, true},
        {"90 degrees fast over a long leg: curve", 90.0, 50.0, 400.0, true, false},
        {"170 degrees: a turn-around, not a curve", 170.0, 15.0, 40.0, false, false},
    };
    for (const CornerRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->engine().live.clear();
        largest = {};
        const std::int32_t start = harness->tick() + 100;
        const LatLon f{50.01, 8.0};
        const LatLon corner = move(f, 0.0, row.legM);
        const LatLon after = move(corner, row.cornerDeg, 60.0);
        const std::int32_t cornerDue = start + legTicks(f, corner, row.speedKt);
        const std::int32_t afterDue = cornerDue + legTicks(corner, after, row.speedKt);
        LiveAc& taxiing = aircraft({at(f, 0, row.speedKt, start), at(corner, 0, row.speedKt, cornerDue),
                                    at(after, 0, row.speedKt, afterDue)},
                                   GroundPhase::taxi);
        taxiing.heading = 0.0;
        run(start - harness->tick() + 1);
        const LiveAc& now = ac();
        EXPECT_EQ(now.curve.active(), row.curve);
        if (row.curve)
        {
            EXPECT_NEAR(now.curveTurnAngle, row.cornerDeg, 0.01);
            EXPECT_EQ(now.stream.size(), 1u); // the corner report became the curve's control point
            EXPECT_EQ(now.turnToTarget, 0);
        }
        EXPECT_EQ(now.stream.size(), row.midReport ? 3u : row.curve ? 1u : 2u);
        if (row.cornerDeg >= 90.0 && row.curve)
        {
            // Widened to 2000 ticks, less the 100 that every taxi report takes off again.
            EXPECT_EQ(now.earlyMargin, 1900);
            EXPECT_EQ(now.lateMargin, 1900);
            EXPECT_GT(now.turnStep, now.maxTurnStep); // a sharp corner turns faster
        }
        run(afterDue + 2000 - harness->tick());
        EXPECT_LT(largest.metres, nmToMetres(row.speedKt) / kTicksPerHour * 2.0 + 1e-6);
        EXPECT_LT(largest.degrees, 1.0);
    }
}

TEST_F(GroundMovement, LandingTaxisToAFreeStandAndParks)
{
    // A landing at 20 ft over a runway south of the apron, the roll-out westward, a turn off to the north
    // and the taxi to a stop 15 m short of stand A2.
    const LatLon exitPoint{49.995, kStandA2.lon};
    const LatLon slow = move(exitPoint, 90.0, 300.0);
    const LatLon touchdown = move(slow, 90.0, 900.0);
    const LatLon threshold = move(touchdown, 90.0, 300.0);
    const LatLon stop = move(kStandA2, 180.0, 15.0);
    std::vector<Report> reports{at(threshold, 20, 140, 0)};
    std::int32_t due = 0;
    auto add = [&](LatLon p, double gs)
    {
        const Report& last = reports.back();
        due += std::max(legTicks({last.lat, last.lon}, p, (last.gs + gs) / 2.0), 25);
        reports.push_back(at(p, 0, gs, due));
    };
    add(touchdown, 130);
    add(slow, 60);
    add(exitPoint, 20);
    add(stop, 3);
    reports.push_back(reports.back());
    reports.back().gs = 0.0;
    reports.back().stationary = 1;
    reports.back().dueTick += 500;
    LiveAc& landing = aircraft(reports, GroundPhase::flying);
    landing.landing = 1;
    landing.heading = 270.0 * kDegToRad;
    run(300);
    harness->pushAnswer(SimAnswer{kObject, 1, 0, SimAnswerKind::groundData, 0.0, 0.0});
    run(1);
    ASSERT_EQ(ac().rollOut, 1);

    std::int32_t standReached = -1;
    std::int32_t settled = -1;
    const std::int32_t parkingAt = runUntil(
        [&]
        {
            const LiveAc& now = ac();
            if (now.phase == GroundPhase::parking && standReached < 0 && now.stream.size() >= 2)
            {
                standReached = now.stream[0].dueTick;
                settled = now.stream[1].dueTick;
            }
            return now.phase == GroundPhase::parking;
        },
        30000);
    ASSERT_GE(parkingAt, 0);
    EXPECT_EQ(ac().standId, 2u);
    EXPECT_EQ(ac().previousPhase, GroundPhase::taxi);
    // The drive onto the stand takes the distance at the taxi-in speed, then it stands 50 ticks.
    const double speed = ac().taxiInSpeed;
    EXPECT_EQ(standReached, parkingAt + std::max(legTicks(stop, kStandA2, speed), 100));
    EXPECT_EQ(settled, standReached + 50);

    run(standReached - harness->tick() + 1);
    EXPECT_LT(metresBetween({ac().lat, ac().lon}, kStandA2), 0.05);
    EXPECT_EQ(ac().phase, GroundPhase::parking);
    run(settled - harness->tick());
    EXPECT_FALSE(log.contains("arrived at stand"));
    run(1);
    EXPECT_EQ(ac().phase, GroundPhase::parked);
    EXPECT_TRUE(log.contains("A2      : GRD1     arrived at stand"));
    EXPECT_NEAR(gf_wrapPi(ac().heading) * kRadToDeg, 0.0, 1.0); // turned to the stand heading on the way
    EXPECT_LT(largest.metres, nmToMetres(140.0) / kTicksPerHour * 1.5);
}

TEST_F(GroundMovement, GroundStreamThatRunsDryHoldsThenIsRemoved)
{
    MAX_HOLDING_MINUTES.set(1);
    const LatLon f{50.02, 8.0}; // far from every stand
    const LatLon n = move(f, 0.0, 50.0);
    const std::int32_t last = 100 + legTicks(f, n, 12);
    aircraft({at(f, 0, 12, 100), at(n, 0, 12, last)}, GroundPhase::taxi);
    run(last - harness->tick() + 1);
    ASSERT_EQ(ac().holding, 1);
    EXPECT_EQ(ac().holdStartTick, last);
    // Holding exactly one minute goes on; the hold report at two whole minutes ends it.
    run(last + 12000 - harness->tick());
    EXPECT_EQ(ac().simState, SimState::active);
    EXPECT_NEAR(metresBetween({ac().lat, ac().lon}, n), 0.0, 0.05);
    run(1);
    EXPECT_EQ(ac().simState, SimState::removingfromsim);
    run(20);
    ASSERT_FALSE(harness->removals.empty());
    EXPECT_EQ(harness->removals.back().objectId, kObject);
}

TEST_F(GroundMovement, AirborneStreamThatRunsDryIsCarriedOnThenRemoved)
{
    harness->user = UserAcData{.lat = 50.0, .lon = 8.0, .onGround = true};
    const LatLon f{50.1, 8.0};
    const LatLon n = move(f, 0.0, 3000.0);
    const std::int32_t last = 100 + legTicks(f, n, 200);
    aircraft({at(f, 3000, 200, 100), at(n, 3000, 200, last)}, GroundPhase::flying);
    std::vector<Report> fronts;
    runUntil(
        [&]
        {
            const LiveAc& now = ac();
            if (now.simState == SimState::active && now.stream.size() == 1 &&
                (fronts.empty() || fronts.back().dueTick != now.stream[0].dueTick))
                fronts.push_back(now.stream[0]);
            return now.simState != SimState::active;
        },
        20000);
    ASSERT_EQ(ac().simState, SimState::removingfromsim);
    // Its own last report, then eight reports carried on along its heading, each 5 % slower.
    ASSERT_EQ(fronts.size(), 9u);
    for (std::size_t i = 1; i < fronts.size(); ++i)
    {
        EXPECT_NEAR(fronts[i].gs, fronts[i - 1].gs * 0.95, 1e-9);
        EXPECT_GT(fronts[i].lat, fronts[i - 1].lat);
    }
    EXPECT_EQ(harness->tick() - 1, fronts.back().dueTick);
    EXPECT_LT(largest.metres, nmToMetres(200.0) / kTicksPerHour * 1.5);
}

} // namespace
} // namespace oxl
