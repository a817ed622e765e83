#include "traffic/engine/live_movement.h"

#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_tick.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/engine/track_reading.h"

#include <cmath>
#include <limits>

namespace oxl
{
namespace
{

using test::at;
using test::LiveScenario;

constexpr std::uint32_t kHex = 0x700001;

// The movement alone as the engine's flight steps.
class MovementAlone : public NoFlightSteps
{
  public:
    MovementAlone(LiveEngine& engine, const MovementSteps& steps) : engine_(engine), steps_(steps) {}
    void moveActive(LiveAc& ac) override { moveActiveAc(engine_, steps_, ac); }

  private:
    LiveEngine& engine_;
    const MovementSteps& steps_;
};

// The plain movement whose ground reports take the next report's speed.
class SpeedFromNextReport : public PlainMovement
{
  public:
    void groundReportStep(LiveEngine&, LiveAc& ac) const override { ac.speedValue = ac.stream[1].gs; }
};

// An active aircraft flying its stream under the plain movement, at the first report's position.
class Movement : public LiveScenario
{
  protected:
    LiveAc& activeAc(std::vector<Report> reports, std::uint32_t hexid = kHex)
    {
        LiveAc ac;
        ac.hexid = hexid;
        ac.callsign = "MOV1";
        ac.simState = SimState::active;
        ac.objectId = 7;
        ac.phase = GroundPhase::flying;
        ac.turnStep = 0.5 * kDegToRad;
        ac.stream.assign(reports.begin(), reports.end());
        ac.lat = ac.stream.front().lat;
        ac.lon = ac.stream.front().lon;
        ac.alt = ac.stream.front().alt;
        ac.onGround = ac.stream.front().airborne == 0 ? 1 : 0;
        harness->engine().live.push_back(std::move(ac));
        harness->engine().n.phases = std::make_unique<MovementAlone>(harness->engine(), *steps);
        return harness->engine().live.back();
    }

    std::unique_ptr<MovementSteps> steps = std::make_unique<PlainMovement>();
};

TEST(CurvePoint, TangentsFollowTheLegsAndTheRangeIsChecked)
{
    CurveSegment c;
    c.originLat = 51.0;
    c.originLon = 7.0;
    c.t0 = 0.0;
    c.t1 = 1.0;
    c.ctrlEast = 0.0;
    c.ctrlNorth = 100.0; // first leg due north
    c.endEast = 100.0;
    c.endNorth = 100.0; // second leg due east
    double lat = 0.0, lon = 0.0, heading = 0.0;
    ASSERT_TRUE(gf_curvePoint(c, 0.0, lat, lon, heading));
    EXPECT_NEAR(heading, 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(lat, 51.0);
    ASSERT_TRUE(gf_curvePoint(c, 1.0, lat, lon, heading));
    EXPECT_NEAR(heading, kPi / 2, 1e-12);
    EXPECT_NEAR(lat, 51.0 + 100.0 / kMetresPerDegree, 1e-12);
    EXPECT_NEAR(lon, 7.0 + 100.0 / (kMetresPerDegree * std::cos(51.0 * kDegToRad)), 1e-12);
    EXPECT_FALSE(gf_curvePoint(c, 1.01, lat, lon, heading));
    c.ctrlEast = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(gf_curvePoint(c, 0.5, lat, lon, heading));
}

TEST(TurnToward, DeadBandDirectionAndOppositeTies)
{
    const double step = 0.01;
    struct Case
    {
        double headingDeg, wantedDeg, expectedDelta;
    } cases[] = {
        {90.0, 90.4, 0.0},    // within the dead band
        {90.0, 100.0, step},  // clockwise
        {90.0, 80.0, -step},  // counter-clockwise
        {350.0, 10.0, step},  // clockwise through north
        {10.0, 350.0, -step}, // counter-clockwise through north
        {180.0, 0.0, -step},  // opposite, from 180 or less: counter-clockwise
        {90.0, 270.0, -step}, // opposite, from 180 or less
        {270.0, 90.0, step},  // opposite, from above 180: clockwise
    };
    for (const Case& c : cases)
    {
        const double heading = c.headingDeg * kDegToRad;
        const double turned = turnToward(heading, c.wantedDeg * kDegToRad, step);
        EXPECT_NEAR(gf_wrapPi(turned - heading), c.expectedDelta, 1e-12)
            << c.headingDeg << " " << c.wantedDeg;
    }
}

TEST_F(Movement, AirborneLegIsRetimedFromDistanceAndClampedByTheWindows)
{
    // 1 nm north at 240 kt takes 1500 ticks.
    const double oneNmDeg = 1.0 / 60.0;
    LiveAc& ac = activeAc({at(50.0, 8.0, 5000, 240, 0), at(50.0 + oneNmDeg, 8.0, 5000, 240, 3000),
                           at(50.0 + 2 * oneNmDeg, 8.0, 5000, 240, 3300)});
    harness->run(1);
    const std::int32_t consumedAt = harness->tick() - 1;
    const LiveAc& after = harness->engine().live.back();
    ASSERT_EQ(after.stream.size(), 2u);
    // 1500 ticks wanted, but lookBehind 1000 keeps it at or after 3000 - 1000.
    EXPECT_EQ(after.stream.front().dueTick, 2000);
    EXPECT_NEAR(after.latStep * (2000 - consumedAt), oneNmDeg, 1e-12);
    (void)ac;
}

TEST_F(Movement, LookAheadCapsALateRetiming)
{
    const double tenthNmDeg = 0.1 / 60.0;
    // 0.1 nm at 10 kt would take 3600 ticks; lookAhead 1000 caps it at the report's due tick + 1000.
    activeAc({at(50.0, 8.0, 5000, 10, 0), at(50.0 + tenthNmDeg, 8.0, 5000, 10, 500)});
    harness->run(1);
    EXPECT_EQ(harness->engine().live.back().stream.front().dueTick, 1500);
}

TEST_F(Movement, OverdueReportIsReachedInTwentyFiveTicksWithoutAJump)
{
    // 0.003 nm at 480 kt would take 22 ticks; the report is overdue as well.
    activeAc(
        {at(50.0, 8.0, 5000, 480, 0), at(50.00005, 8.0, 5000, 480, 1), at(50.0001, 8.0, 5000, 480, 900)});
    const std::int32_t start = harness->tick();
    harness->run(1);
    const LiveAc& ac = harness->engine().live.back();
    ASSERT_EQ(ac.stream.size(), 2u);
    EXPECT_EQ(ac.stream.front().dueTick, start + 25);
    EXPECT_NEAR(ac.latStep, 0.00005 / 25, 1e-15);
    harness->run(24);
    EXPECT_NEAR(ac.lat, 50.00005, 1e-12);
    EXPECT_EQ(ac.stream.size(), 2u);
}

TEST_F(Movement, StationaryNextReportStopsTheAircraft)
{
    steps = std::make_unique<SpeedFromNextReport>();
    activeAc({at(50.0, 8.0, 0, 12, 0), at(50.0, 8.0, 0, 12, 300), at(50.0, 8.0, 0, 0, 600)});
    harness->run(1);
    const LiveAc& ac = harness->engine().live.back();
    EXPECT_EQ(ac.stream.front().stationary, 1);
    EXPECT_EQ(ac.latStep, 0.0);
    EXPECT_EQ(ac.lonStep, 0.0);
    EXPECT_EQ(ac.tas, 0.0);
    EXPECT_DOUBLE_EQ(ac.lat, 50.0);
}

TEST_F(Movement, AirborneStationaryReportIsSkippedExceptForRotorcraft)
{
    for (AcCategory category : {AcCategory::Large, AcCategory::Rotorcraft})
    {
        harness->engine().live.clear();
        Report hover = at(50.0, 8.0, 800, 0, 500);
        hover.stationary = 1;
        LiveAc& ac = activeAc({at(50.0, 8.0, 800, 100, 0), hover, at(50.01, 8.0, 800, 100, 900)});
        ac.category = category;
        harness->run(1);
        const LiveAc& moved = harness->engine().live.back();
        if (category == AcCategory::Rotorcraft)
            EXPECT_EQ(moved.stream.size(), 2u);
        else
        {
            ASSERT_EQ(moved.stream.size(), 1u);
            EXPECT_DOUBLE_EQ(moved.stream.front().lat, 50.01);
        }
    }
}

TEST_F(Movement, AntimeridianAndPoleAreCrossedTheShortWay)
{
    activeAc({at(10.0, 179.99, 30000, 480, 0), at(10.0, -179.99, 30000, 480, 200)});
    harness->run(100);
    const LiveAc& east = harness->engine().live.back();
    EXPECT_GT(std::abs(east.lon), 179.99);
    EXPECT_LE(east.lon, 180.0);
    EXPECT_GE(east.lon, -180.0);

    LiveAc polar;
    polar.phase = GroundPhase::flying;
    polar.lat = 89.9999;
    polar.lon = 10.0;
    polar.latStep = 0.001;
    advancePosition(harness->engine(), *steps, polar);
    EXPECT_NEAR(polar.lat, 89.9991, 1e-9);
    EXPECT_NEAR(polar.lon, -170.0, 1e-9);
}

TEST_F(Movement, UnmovableAircraftIsRemovedAloneAndLogged)
{
    // A leg whose travel time is not a number: the aircraft leaves, the other one flies on.
    Report bad = at(50.01, 8.0, 5000, std::numeric_limits<double>::quiet_NaN(), 400);
    activeAc({at(50.0, 8.0, 5000, 200, 0), bad, at(50.02, 8.0, 5000, 200, 800)});
    LiveAc& good = activeAc(
        {at(40.0, 8.0, 5000, 200, 0), at(40.01, 8.0, 5000, 200, 400), at(40.02, 8.0, 5000, 200, 800)},
        kHex + 1);
    good.objectId = 8;
    harness->run(5);
    EXPECT_EQ(harness->engine().findByHexid(kHex)->simState, SimState::removingfromsim);
    EXPECT_EQ(harness->engine().findByHexid(kHex + 1)->simState, SimState::active);
    bool logged = false;
    for (const std::string& line : log.lines())
        logged = logged || line.find("nextPosMain: tick count") != std::string::npos;
    EXPECT_TRUE(logged);
}

// A late aircraft has a minute from now to reach its next report, one whose turn was reported behind it (it
// flew on, extrapolated) the way there and back; neither report is reachable by its due tick.
TEST_F(Movement, ALateAircraftHasAMinuteFromNowAndATurnRoundTwice)
{
    harness->run(6000);
    for (const auto& [i, nm] : {std::pair(0u, 3.0), std::pair(1u, -7.0)}) // [nm] north of the aircraft
        activeAc({at(40.0 + i, 8, 5000, 240, 0), at(40.0 + i + nm / 60, 8, 5000, 240, 1),
                  at(40.0 + i + nm * 1.1 / 60, 8, 5000, 240, 9000)},
                 kHex + i)
            .objectId = 7 + i;
    harness->run(1);
    for (const std::uint32_t hexid : {kHex, kHex + 1})
        EXPECT_EQ(harness->engine().findByHexid(hexid)->simState, SimState::active) << hexid;
}

TEST_F(Movement, SettleEndsAtStaticPitchFromEitherSide)
{
    for (double startPitchDeg : {-4.0, 2.0})
    {
        harness->engine().live.clear();
        LiveAc& ac = activeAc({at(50.0, 8.0, 0, 100, 0), at(50.01, 8.0, 0, 100, 5000)});
        ac.staticPitch = 0.5 * kDegToRad;
        ac.pitch = startPitchDeg * kDegToRad;
        ac.bank = 0.02;
        ac.pitchSettle = 1;
        ac.stream.front().dueTick = harness->tick() + 5000;
        ac.pitchStep = (ac.staticPitch - ac.pitch) / 50;
        ac.bankStep = -ac.bank / 50;
        harness->run(60);
        const LiveAc& settled = harness->engine().live.back();
        EXPECT_EQ(settled.pitchSettle, 0);
        EXPECT_DOUBLE_EQ(settled.pitch, settled.staticPitch);
        EXPECT_EQ(settled.bank, 0.0);
    }
}

TEST_F(Movement, RecordedStreamIsFlownWithoutJumpsAtReportBoundaries)
{
    // Reports every 5 s at 250 kt, arriving late and early by up to a second.
    test::FlightIdentity who;
    who.hexid = kHex;
    test::StreamBuilder b(who, {50.0, 8.0}, 90.0);
    b.every(5).speed(250).altitude(6000).fly(60).track(120).fly(60);
    std::vector<Report> reports;
    std::int32_t due = 0;
    for (const test::TimedLine& l : b.lines())
    {
        Report r = l.line.report;
        r.dueTick = due + ((due / 500) % 2 == 0 ? 100 : -100);
        due += 500;
        reports.push_back(r);
    }
    activeAc(reports);
    harness->run(due);
    const std::vector<test::RecordedPosition> track = harness->positionsOf(7);
    ASSERT_GT(track.size(), 1000u);
    // 250 kt is 0.000694 nm per tick; no tick may move much more, before or after a report.
    double largest = 0.0;
    for (std::size_t i = 1; i < track.size(); ++i)
        largest = std::max(largest, gf_distanceNm({track[i - 1].position.lat, track[i - 1].position.lon},
                                                  {track[i].position.lat, track[i].position.lon}));
    EXPECT_LT(largest, 3 * 250.0 / kTicksPerHour);
}

// The reading rules one by one, on a flight east at 280 kt: each row fails when its rule is taken out.
class TrackReading : public LiveScenario
{
};

TEST_F(TrackReading, EachRuleReadsTheTrackTheReportsDraw)
{
    const auto east = [](double every, std::vector<int> at = {}, double nm = 0, int n = 6)
    {
        std::deque<Report> s(n);
        for (int i = 0; i < n; ++i)
            std::tie(s[i].lat, s[i].lon, s[i].gs, s[i].airborne, s[i].sourceTime) =
                std::tuple(19.4 + nm / 60 * std::count(at.begin(), at.end(), i), -99 + every * i / 727.7, 280,
                           1, every * i + 1);
        return s;
    };
    const auto read = [](const std::deque<Report>& s, double eastNm = 0) {
        return double(gf_readReport({s[0].lat, s[0].lon + eastNm / 56.6}, kPi / 2, s, 1, AcCategory::Large));
    };
    LiveAc ac;
    std::tie(ac.category, ac.stream) = std::pair(AcCategory::Large, east(10));
    std::deque<Report> repeated = east(10, {2}, 20, 10), turn = east(30, {1, 2, 2}, -1.17, 3),
                       north = east(5, {1, 2, 2, 3, 3, 3}, .389, 4);
    for (Report& r : north) // the source turned north where the aircraft flew on east
        r.lon = north[0].lon;
    for (const int i : {1, 2, 4, 5, 7, 8}) // two reports in three repeat the one before; one jumps 20 nm
        repeated[i].lon = repeated[i - 1].lon;
    std::tie(turn[1].lon, turn[2].lon) = std::pair(turn[0].lon + 1.17 / 56.6, turn[0].lon);
    // Heights every 5 s, and the one read: [ft] from 10,000.
    const auto heights = [&](std::vector<double> ft)
    {
        std::deque<Report> s = east(5, {}, 0, int(ft.size()));
        for (std::size_t i = 0; i < ft.size(); ++i)
            s[i].alt = 10000 + ft[i];
        return s;
    };
    const auto heightOf = [](const std::deque<Report>& s)
    { return gf_readHeightFt(s, 1, AcCategory::Large) - 10000; };
    const auto descentOf = [](const std::deque<Report>& s)
    { return gf_readDescentFpm(s, 1, AcCategory::Large); };
    // The next report of the category where the feeds' fit puts it, and how far south that is [nm].
    const auto drawn = [](std::deque<Report> s, AcCategory category = AcCategory::Large)
    {
        gf_drawFeedsTogether(s, category);
        return s[1];
    };
    const auto drawnNm = [&](const std::deque<Report>& s, AcCategory category)
    { return (s[1].lat - drawn(s, category).lat) * 60; };
    std::deque<Report> pole = east(5);
    for (int i = 0; i < 6; ++i) // north over the pole, one feed 0.5 nm behind the other
    {
        const LatLon p = gf_destinationPoint({89.998, 0}, 0, (i * .389 - i % 2 * .5) * kFeetPerNm);
        std::tie(pole[i].lat, pole[i].lon) = std::pair(p.lat, p.lon);
    }
    std::deque<Report> feeds = east(5, {1, 3, 5}, .5), dateLine = east(5, {1}, .155);
    for (Report& r : dateLine) // the same flight across the antimeridian
        r.lon = gf_wrapDeg180(r.lon + 278.995);
    // Whether the engine keeps a report at kt [kt] that comes dtS [s] after the last one it kept, nm [nm]
    // east of it, where the source first sent that position sinceS [s] before it (held since).
    const auto kept = [&](double kt, double dtS, double nm, double sinceS)
    {
        Report last = east(5, {}, 0, 1).front();
        std::tie(last.alt, last.gs) = std::pair(10000, kt);
        LiveAc source(last, AcProfile{}, 1000);
        std::tie(source.hexid, source.callsign, source.type, source.category, source.simState,
                 source.objectId, source.positionTime) =
            std::tuple(kHex, "MOV1", "A320", AcCategory::Large, SimState::active, 7, 1000 - sinceS);
        harness->engine().live.clear();
        const LiveAc& held = harness->engine().live.emplace_back(std::move(source));
        TrafficLine line;
        std::tie(line.hexid, line.callsign, line.type, line.timestamp, line.report) =
            std::tuple(kHex, "MOV1", "A320", 1000 + dtS, last);
        line.report.lon += nm / 56.6;
        acceptReport(harness->engine(), std::move(line));
        return double(held.stream.size() - 1);
    };
    const double scatter = double(NextReport::scatter), ahead = double(NextReport::ahead),
                 turned = double(NextReport::turn);
    const std::tuple<const char*, double, double> rows[] = {
        {"a field stale by 1.2x is a hint", gf_airLegSpeedKt(ac, 233), 280},
        {"so is one 1.75x too fast", gf_airLegSpeedKt(ac, 490), 280},
        {"repeats and a jump are no legs", gf_shownSpeedKt(repeated, AcCategory::Large), 280},
        {"one leg alone is no speed", gf_shownSpeedKt(east(10, {}, 0, 2), AcCategory::Large), 0},
        {"catch-up at the positions' speed, below 10,000 ft", gf_catchUpKt(ac, 95, 5000), 350},
        {"a light turboprop at 305 kt low down: margin", gf_catchUpCeilingKt(AcCategory::Light, 305, 5000),
         350},
        {"0.5 nm aside of the neighbours' track, ahead: scatter", read(east(5, {1}, .5)), scatter},
        {"so are two reports 3 nm aside", read(east(5, {1, 2}, -3)), scatter},
        {"reports that agree 3 nm aside are a jump", read(east(5, {1, 2, 3, 4, 5}, -3)), ahead},
        {"a turn round reported every 30 s is flown", read(turn, 1), ahead},
        {"0.155 nm aside is the positions' own noise", read(east(5, {1}, .155)), ahead},
        {"1 nm aside at 30-s reports is a turn away and back", read(east(30, {1}, 1)), ahead},
        {"a report behind on its neighbours' track is a turn", read(north, 1), turned},
        {"a report passed while the next lies ahead: scatter", read(east(5), .8), scatter},
        {"a height 1,000 ft off both neighbours is scatter", heightOf(heights({0, 1000, 0, 0})), 0},
        {"a height off one neighbour only is none", heightOf(heights({0, 700, 800})), 700},
        {"two sources' heights by turns hold the level", heightOf(heights({0, 300, 0, 300, 0, 300})), 0},
        {"three reports 500 ft apart draw a descent", descentOf(heights({0, 0, -500, -1000, -1500})), 6000},
        {"a stuck height resumed draws none", descentOf(heights({0, 0, -1500, -1600, -1700})), 3600},
        {"two feeds 0.5 nm apart by turns draw one track between them", drawnNm(feeds, AcCategory::Large),
         .392},
        {"so do two feeds by turns over the pole",
         gf_distanceNm({pole[1].lat, pole[1].lon}, {drawn(pole).lat, drawn(pole).lon}), .392},
        {"a report 2 nm aside is no second feed", drawnNm(east(5, {1}, 2), AcCategory::Large), 0},
        {"a helicopter's reports are kept as sent", drawnNm(feeds, AcCategory::Rotorcraft), 0},
        {"0.155 nm aside across the antimeridian is noise too", read(dateLine), ahead},
        {"a position 10 m on after 2 s at 100 kt is the last one repeated", kept(100, 2, .0054, 0), 0},
        {"at 20 kt it is the aircraft moving on", kept(20, 2, .0054, 0), 1},
        {"3 nm 10 s after a position held for a minute is no jump", kept(280, 10, 3, 60), 1},
        {"1.2 nm on 5 s later may be a source's scatter, for the reading to tell", kept(280, 5, 1.2, 0), 1},
        {"2.5 nm on is a jump", kept(280, 5, 2.5, 0), 0},
        {"the newest leaping 3 nm aside waits", (ac.stream = east(5, {1}, -3, 2), gf_awaitsNextReport(ac)),
         1},
    };
    for (const auto& [name, got, want] : rows)
        EXPECT_NEAR(got, want, want / 100) << name;
}

} // namespace
} // namespace oxl
