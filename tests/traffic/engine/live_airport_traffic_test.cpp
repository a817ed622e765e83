// Real traffic around the user's airport as the source sends it: take-off rolls after a stale position,
// parked aircraft above the max-park limit, stale positions followed by a jump, stale reports behind a
// rolling aircraft, altitudes below the field, slow climbs and hovering helicopters.
#include "airports/airports_state.h"
#include "airports/static_placement.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "tests/support/capture_data.h"
#include "tests/support/parser_rig.h"
#include "tests/support/runway_judge.h"
#include "tests/traffic/engine/live_fixture.h"
#include "tests/traffic/source/traffic_line_fixture.h"
#include "tools/capture/capture_lines.h"
#include "traffic/engine/ground_movement.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/stream_ops.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

using test::FlightIdentity;
using test::LiveScenario;
using test::RecordedPosition;
using test::StreamBuilder;

constexpr double kFieldFt = 7316.0;
constexpr LatLon kField{19.4363, -99.0721};

FlightIdentity who(std::uint32_t hexid, const std::string& callsign, const std::string& type = "B738")
{
    FlightIdentity identity;
    identity.hexid = hexid;
    identity.callsign = callsign;
    identity.type = type;
    return identity;
}

// An airport list that holds the field alone.
struct FieldInAirportList : NoParking
{
    std::optional<double> nearestAirportElevationFt(double lat, double lon) override
    {
        return gf_distanceNm(kField, {lat, lon}) <= kGroundAirportNm ? std::optional<double>(kFieldFt)
                                                                     : std::nullopt;
    }
};

// The source repeats the position of line `from` in the `n` lines after it, while the aircraft flew on.
std::vector<test::TimedLine> staleAfter(std::vector<test::TimedLine> lines, std::size_t from, std::size_t n)
{
    for (std::size_t i = from + 1; i <= from + n; ++i)
    {
        lines[i].line.report.lat = lines[from].line.report.lat;
        lines[i].line.report.lon = lines[from].line.report.lon;
    }
    return lines;
}

// The full engine at Mexico City, the ground under everything at the field's elevation.
class AirportTraffic : public LiveScenario
{
  protected:
    void SetUp() override
    {
        LiveScenario::SetUp();
        installGroundMovement(harness->engine());
        harness->groundElevationFt = kFieldFt;
    }

    void parkAirportSet()
    {
        gAirports.gParking.parkAirport.code = "MMMX";
        gAirports.gParking.parkAirport.latitude = kField.lat;
        gAirports.gParking.parkAirport.longitude = kField.lon;
        gAirports.gParking.parkAirport.altitude = kFieldFt;
    }

    // Runs until every line was shown (30 s late) and a little more, noting the objects of each hexid.
    void runThrough(const std::vector<test::TimedLine>& lines, double moreS = 20.0)
    {
        harness->schedule(lines);
        const auto ticks = static_cast<std::int32_t>((lines.back().atS + 30.0 + moreS) * 100.0);
        for (std::int32_t i = 0; i < ticks; ++i)
        {
            harness->run(1);
            for (const LiveAc& ac : harness->engine().live)
                if (ac.objectId != 0)
                    objects_.insert({ac.hexid, ac.objectId});
        }
    }

    // Every position sent for the hexid's objects, in the order of their creation.
    std::vector<RecordedPosition> track(std::uint32_t hexid) const
    {
        std::vector<RecordedPosition> all;
        for (const auto& [h, objectId] : objects_)
            if (h == hexid)
                for (const RecordedPosition& p : harness->positionsOf(objectId))
                    all.push_back(p);
        return all;
    }

    std::set<std::pair<std::uint32_t, std::uint32_t>> objects_;

    // The runway as the user sees it: each object of the hexid against the reports of the lines.
    test::RunwayVerdict runwayOf(std::uint32_t hexid, const std::vector<test::TimedLine>& lines) const
    {
        std::vector<test::ShownReport> reports;
        for (const auto& [atS, line] : lines)
            reports.push_back(
                {atS + 30.0, line.report.lat, line.report.lon, line.report.alt, line.report.airborne != 0});
        test::RunwayVerdict verdict;
        for (const auto& [h, objectId] : objects_)
            if (h == hexid)
                verdict |=
                    test::judgeRunway(test::shownFrames(harness->positionsOf(objectId)), reports, kFieldFt);
        return verdict;
    }

    // [s] how long the nose points more than 30 degrees off the way the object moved in the last second.
    static double sidewaysS(const std::vector<RecordedPosition>& track)
    {
        int ticks = 0;
        for (std::size_t i = 100; i < track.size(); ++i)
        {
            const SimPosition &from = track[i - 100].position, &to = track[i].position;
            const double off = gf_bearingRad({from.lat, from.lon}, {to.lat, to.lon}) - to.heading;
            ticks += gf_distanceNm({from.lat, from.lon}, {to.lat, to.lon}) > metresToNm(10.0) &&
                     std::abs(gf_wrapPi(off)) > 30.0 * kDegToRad;
        }
        return ticks / 100.0;
    }

    // The fastest move between two ticks [kt].
    static double fastestKt(const std::vector<RecordedPosition>& track)
    {
        double fastest = 0.0;
        for (std::size_t i = 1; i < track.size(); ++i)
        {
            const double nm = gf_distanceNm({track[i - 1].position.lat, track[i - 1].position.lon},
                                            {track[i].position.lat, track[i].position.lon});
            const double ticks = std::max(track[i].tick - track[i - 1].tick, 1);
            fastest = std::max(fastest, nm * kTicksPerHour / ticks);
        }
        return fastest;
    }
};

// The source holds a departure at the runway with a stale position, then sends the roll and the climb:
// the stationary copy kept at 0 kt must not turn every later report into a speed jump.
TEST_F(AirportTraffic, DepartureHeldAtTheRunwayRollsAndTakesOff)
{
    StreamBuilder b(who(0x710101, "AMX222"), kField, 60.0);
    // Six reports taxiing at 15 kt, the last of them repeated four times, still at 15 kt.
    b.every(5).altitude(0).speed(15).fly(50);
    b.speed(100).fly(10).speed(150).fly(10).altitude(kFieldFt + 300).verticalSpeed(2000).speed(170).fly(90);
    runThrough(staleAfter(b.lines(), 5, 4));

    const std::vector<RecordedPosition> shown = track(0x710101);
    ASSERT_FALSE(shown.empty());
    const double highest =
        std::max_element(shown.begin(), shown.end(),
                         [](const auto& a, const auto& c) { return a.position.alt < c.position.alt; })
            ->position.alt;
    EXPECT_GT(highest, kFieldFt + 1500.0) << "held at the runway";
}

// Two aircraft parked above a max-park limit of one: the longest parked one goes, and while the source
// still reports it on its stand it is not created again to push the other one out.
TEST_F(AirportTraffic, AircraftRemovedForTheMaxParkLimitStaysAwayWhileParked)
{
    parkAirportSet();
    harness->parking().liveFromEngine = true;
    harness->parking().removeThroughEngine = true;
    harness->engine().n.staticParking = std::make_unique<test::GlobalStaticParking>();
    const LatLon s1 = gf_destinationPoint(kField, kPi / 2.0, 600.0);
    const LatLon s2 = gf_destinationPoint(kField, kPi / 2.0, 1200.0);
    std::vector<Stand> stands;
    stands.emplace_back("T1", 1, s1.lat, s1.lon, 0.0, 30.0);
    stands.emplace_back("T2", 2, s2.lat, s2.lon, 0.0, 30.0);
    gAirports.gParking.setStands(std::move(stands));
    gAirports.gParking.maxPark = 1;

    StreamBuilder first(who(0x710201, "VIV100", "A320"), s1, 0.0);
    first.every(10).standStill(400);
    StreamBuilder second(who(0x710202, "VIV200", "A320"), s2, 0.0, 1.7e9 + 60.0);
    second.every(10).standStill(300);
    // Then the first one leaves its stand.
    first.speed(10).fly(60);
    std::vector<test::TimedLine> lines = first.lines();
    for (test::TimedLine l : second.lines())
    {
        l.atS += 60.0;
        lines.push_back(l);
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& c) { return a.atS < c.atS; });
    runThrough(lines);

    std::size_t firstCreated = 0;
    std::size_t secondCreated = 0;
    for (const test::RecordedCreate& c : harness->creates)
    {
        firstCreated += c.request.hexid == 0x710201 ? 1 : 0;
        secondCreated += c.request.hexid == 0x710202 ? 1 : 0;
    }
    EXPECT_EQ(secondCreated, 1u);
    EXPECT_EQ(firstCreated, 2u) << "once parked, once when it moved off its stand";
    EXPECT_TRUE(log.contains("T1      : VIV100 live max park exceeded, removed"));
    const auto logged = log.lines();
    EXPECT_EQ(std::count_if(logged.begin(), logged.end(),
                            [](const std::string& l)
                            { return l.find("live max park exceeded") != std::string::npos; }),
              1);
    harness->parking().liveFromEngine = false;
    harness->parking().removeThroughEngine = false;
}

// The source repeats a helicopter's position eight times and then jumps to where it really is: the
// helicopter catches up at a speed it can fly (the steps along a leg differ from the great circle by a
// hair, hence the per mille).
TEST_F(AirportTraffic, StalePositionsAndAJumpAreNotCoveredInADash)
{
    StreamBuilder b(who(0x710301, "XCHEL", "EC35"), gf_destinationPoint(kField, 0.0, 60000.0), 90.0);
    b.every(5).altitude(kFieldFt + 800).speed(100).fly(180);
    runThrough(staleAfter(b.lines(), 11, 8), -1.0); // up to the last report, before the stream runs dry

    const std::vector<RecordedPosition> shown = track(0x710301);
    ASSERT_GT(shown.size(), 3000u);
    EXPECT_LE(fastestKt(shown), gf_topSpeedKt(AcCategory::Rotorcraft) * 1.001);
}

// An aircraft that cannot follow its reports within its speed is created again where they are: one held
// taxiing while its source fell silent for ten minutes and then reported it 10 km on, and one cruising
// whose source jumped 30 nm ahead. One held through three silent minutes, then reported 1 km on, taxis
// there (and reaches that report when it is the last). One hexid that two feeds report 30 or 9 nm apart in
// turns of a minute is created twice, its jumps back dropped; two reports 9 nm off a 250 kt flight's track
// are skipped, a lasting jump 3 nm aside is caught up with. A source that puts every seventh position
// 2 nm back along the track and repeats others shows one object that never flies backwards. No object
// flies sideways, nor faster than its category while it catches up, nor a taxiing one faster than a taxi.
TEST_F(AirportTraffic, AircraftThatCannotFollowItsReportsIsCreatedAgainWhereTheyAre)
{
    int dropped = 0; // lines of jumps back dropped so far
    for (const std::string row :
         {"held 10 min", "jump in the air", "held 3 min", "held 3 min, last report", "two feeds",
          "two feeds 9 nm apart", "glitch 9 nm off", "jump 3 nm aside", "scattered along the track"})
    {
        SCOPED_TRACE(row);
        const bool held = row[0] == 'h';
        const bool lastOnly = row == "held 3 min, last report";
        const bool slow = row.ends_with(" apart") || row.ends_with(" off") || row.ends_with(" aside");
        harness = std::make_unique<test::LiveHarness>();
        harness->groundElevationFt = kFieldFt;
        installGroundMovement(harness->engine());
        objects_.clear();
        StreamBuilder b(who(0x710801, "AMX700", "B738"), kField, 90.0);
        const double apartNm = row == "two feeds" ? 30 : row.ends_with("aside") ? 3 : 9;
        StreamBuilder other(who(0x710801, "AMX700", "B738"),
                            gf_destinationPoint(kField, 0.0, nmToFeet(apartNm)), 90);
        if (row == "held 10 min")
            b.every(5).altitude(0).speed(15).fly(30).speed(32).every(600).report().every(5).speed(15).fly(60);
        else if (held)
            b.every(5).altitude(0).speed(12).fly(60).every(180).report().speed(15).every(5).fly(
                lastOnly ? 5 : 120);
        else if (row == "jump in the air")
            b.every(8).altitude(37000).speed(450).fly(120).speed(13500).report().speed(450).fly(200);
        else
            b.every(slow ? 4 : 8).altitude(slow ? 12000 : 37000).speed(slow ? 250 : 450).fly(600);
        other.every(slow ? 4 : 8).altitude(slow ? 12000 : 35000).speed(slow ? 250 : 450).fly(600);
        // The other feed reports it in turns of a minute, or from 160 s on: twice (a glitch) or for good.
        const auto fromOther = [&](double s)
        { return row[0] == 't' ? int(s / 60) % 2 == 1 : slow && s >= 160 && (s < 168 || row[0] == 'j'); };
        std::vector<test::TimedLine> lines;
        for (const StreamBuilder* feed : {&b, &other})
            std::ranges::copy_if(feed->lines(), std::back_inserter(lines),
                                 [&](const auto& l) { return fromOther(l.atS) == (feed == &other); });
        std::ranges::sort(lines, {}, &test::TimedLine::atS);
        for (std::size_t i = 3; row[0] == 's' && i + 1 < lines.size(); i += 7)
        {
            Report& r = lines[i].line.report;
            const LatLon back = gf_destinationPoint({r.lat, r.lon}, degToRad(r.track + 180.0), nmToFeet(2.0));
            r.lat = back.lat;
            r.lon = back.lon;
            lines[i + 1].line.report.lat = back.lat;
            lines[i + 1].line.report.lon = back.lon;
        }
        dropped += row[0] == 't';
        runThrough(lines, lastOnly ? 60.0 : -5.0);
        EXPECT_EQ(harness->creates.size(),
                  row.starts_with("held 3") || row.ends_with("aside") || strchr("sg", row[0]) ? 1u : 2u);
        EXPECT_EQ(std::ranges::count_if(log.lines(), [](const std::string& l)
                                        { return l.find("such reports dropped") != std::string::npos; }),
                  dropped);
        const double ceilingKt = gf_catchUpCeilingKt(AcCategory::Large, slow ? 250 : 450, 12000) * 1.001;
        for (const auto& [hexid, objectId] : objects_)
        {
            EXPECT_LE(fastestKt(harness->positionsOf(objectId)), held ? 40.5 : ceilingKt) << objectId;
            EXPECT_LE(sidewaysS(harness->positionsOf(objectId)), 10.0) << objectId;
        }
        const SimPosition shown = track(0x710801).back().position;
        const Report& last = lines.back().line.report;
        EXPECT_TRUE(!lastOnly ||
                    nmToMetres(gf_distanceNm({shown.lat, shown.lon}, {last.lat, last.lon})) < 10.0);
    }
}

// Rolling out, or rolling for take-off, past a stale report: the aircraft goes on forward to the next
// report instead of sliding back to the stale one.
TEST_F(AirportTraffic, RollingAircraftNeverSlidesBackToAStaleReport)
{
    struct Row
    {
        const char* name;
        bool rollOut;
    };
    for (const Row& row : {Row{"roll-out", true}, Row{"take-off roll", false}})
    {
        SCOPED_TRACE(row.name);
        harness = std::make_unique<test::LiveHarness>();
        objects_.clear();
        installGroundMovement(harness->engine());
        const double eastRad = kPi / 2.0;
        auto report = [&](double eastM, double gs, std::int32_t due)
        {
            Report r;
            const LatLon p =
                gf_destinationPoint(kField, eastM < 0 ? -eastRad : eastRad, metresToFeet(std::fabs(eastM)));
            r.lat = p.lat;
            r.lon = p.lon;
            r.gs = gs;
            r.tas = gs;
            r.track = 90.0;
            r.dueTick = due;
            return r;
        };
        LiveAc ac;
        ac.hexid = 0x710401;
        ac.callsign = "SLI2421";
        ac.category = AcCategory::Large;
        ac.simState = SimState::active;
        ac.objectId = 9;
        ac.phase = GroundPhase::taxi;
        ac.onGround = 1;
        ac.rollOut = row.rollOut ? 1 : 0;
        ac.takeOff = row.rollOut ? 0 : 1;
        ac.turnStep = 0.07 * kDegToRad;
        ac.maxTurnStep = ac.turnStep;
        ac.heading = eastRad;
        ac.touchdownHeading = eastRad;
        ac.lat = kField.lat;
        ac.lon = kField.lon;
        ac.alt = kFieldFt;
        ac.stream = {report(0, 40, 0), report(-150, 40, 300), report(200, 40, 800), report(400, 40, 1300),
                     report(600, 40, 1800)};
        harness->engine().live.push_back(std::move(ac));
        // The fake simulator tracks only what it created: follow the record itself.
        double lastEastM = 0.0;
        double leastStepM = 0.0;
        for (int i = 0; i < 1500 && !harness->engine().live.empty(); ++i)
        {
            harness->run(1);
            const LiveAc& now = harness->engine().live.front();
            const double eastM = gf_distanceNm(kField, {kField.lat, now.lon}) * kMetresPerNm *
                                 (now.lon < kField.lon ? -1.0 : 1.0);
            leastStepM = std::min(leastStepM, eastM - lastEastM);
            lastEastM = eastM;
        }
        EXPECT_GE(leastStepM, -0.01) << "slid backwards";
        EXPECT_GT(lastEastM, 300.0);
    }
}

// With no park airport, a reported altitude below the field is flown at the ground the program knows:
// the nearest listed airport's elevation, else the park airport's, else the simulator's ground answer.
TEST_F(AirportTraffic, NothingFliesBelowTheKnownGround)
{
    struct Row
    {
        const char* name;
        bool parkAirport;
        bool airportList;
        std::int32_t fromTick; // the simulator's ground is known after its first answer
    };
    const Row rows[] = {{"park airport", true, false, 0},
                        {"nearest listed airport", false, true, 0},
                        {"simulator's ground", false, false, 101}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness = std::make_unique<test::LiveHarness>();
        objects_.clear();
        installGroundMovement(harness->engine());
        harness->groundElevationFt = kFieldFt;
        if (row.parkAirport)
            parkAirportSet();
        if (row.airportList)
            harness->engine().n.staticParking = std::make_unique<FieldInAirportList>();
        // An approach whose reports lie 200 ft and more below the field (beyond the echo band).
        StreamBuilder b(who(0x710501, "VIV3283", "A320"), gf_destinationPoint(kField, kPi, 30000.0), 0.0);
        b.every(5).altitude(kFieldFt - 200.0).verticalSpeed(-600).speed(140).fly(60);
        runThrough(b.lines(), 0.0);

        ASSERT_FALSE(harness->creates.empty());
        EXPECT_GE(harness->creates.front().request.alt, row.fromTick == 0 ? kFieldFt : -1e9);
        const std::vector<RecordedPosition> shown = track(0x710501);
        ASSERT_FALSE(shown.empty());
        for (const RecordedPosition& p : shown)
        {
            if (p.tick < shown.front().tick + row.fromTick)
                continue;
            ASSERT_GE(p.position.alt, kFieldFt) << "at tick " << p.tick;
        }
        gAirports.gParking.parkAirport = Airport{};
    }
}

// A departure whose source reports a low ground speed while it climbs away lifts off and climbs.
TEST_F(AirportTraffic, SlowReportedClimbLiftsOff)
{
    StreamBuilder b(who(0x710601, "SLI470", "E190"), kField, 60.0);
    b.every(5).altitude(0).speed(20).fly(30).speed(120).fly(15);
    // Airborne, climbing, but "46 kt" and a level report among them.
    b.altitude(kFieldFt + 400).speed(46).verticalSpeed(1500).fly(20).verticalSpeed(0).fly(10);
    b.speed(180).verticalSpeed(1500).fly(60);
    runThrough(b.lines());

    const std::vector<RecordedPosition> shown = track(0x710601);
    ASSERT_FALSE(shown.empty());
    // It rolls and lifts off with its reports, not driven along the ground under its climb.
    const test::RunwayVerdict runway = runwayOf(0x710601, b.lines());
    EXPECT_LE(runway.liftOffOffS, 20.0) << runway.worst;
}

// A helicopter hovering slowly away from the park airport is traffic in the air, not on the ground;
// an aeroplane reported as slowly at that height is still taken as standing on the ground.
TEST_F(AirportTraffic, HoveringHelicopterAwayFromTheParkAirportIsKept)
{
    test::ParserRig rig(40.0, kField, kField, kFieldFt);
    // 10 nm north of the field, 800 ft above it, 20 kt.
    const auto hovering = [](const char* type)
    {
        return test::LineBuilder()
            .with({{2, "19.6030"}, {3, "-99.0721"}, {4, "8116"}, {8, "20"}, {10, type}})
            .text();
    };
    EXPECT_EQ(rig.parser.handleDatagram(hovering("EC35")), LineOutcome::pushed);
    EXPECT_EQ(rig.parser.handleDatagram(hovering("A320")), LineOutcome::dropped);
    const std::vector<TrafficLine> lines = rig.taken();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].report.airborne, 1);
    EXPECT_EQ(lines[0].report.alt, 8116.0);
}

} // namespace
} // namespace oxl

namespace oxl
{
namespace
{

const std::string kCapturePath = std::string(OXL_SHARED_DIR) + "/data/traffic/MMMX-capture.txt";

// The lines of one callsign of the Mexico City capture, as the parser passes them, timed as captured.
std::vector<test::TimedLine> capturedLines(const std::string& callsign)
{
    std::ifstream capture(kCapturePath);
    test::ParserRig rig(40.0, {19.4330, -99.0840}, kField, kFieldFt);
    std::vector<test::TimedLine> lines;
    double first = -1.0;
    std::string text;
    while (std::getline(capture, text))
    {
        const double arrival = std::strtod(text.c_str() + 1, nullptr);
        if (first < 0.0)
            first = arrival;
        const auto traffic = capture::trafficLineOfCapture(text);
        if (!traffic || traffic->find("," + callsign + ",") == std::string::npos)
            continue;
        rig.parser.handleDatagram(*traffic);
        for (TrafficLine& line : rig.taken())
            lines.push_back({arrival - first, std::move(line)});
    }
    return lines;
}

// Replays one callsign of the Mexico City capture through a fresh engine at Mexico City; its hexid, the
// number of its creations and the positions shown.
struct CapturedRun
{
    std::uint32_t hexid = 0;
    AcCategory category = AcCategory::Heavy;
    std::size_t creations = 0;
    std::vector<RecordedPosition> shown;
    test::RunwayVerdict runway;
};

// Departures of the Mexico City capture: the source holds each at the runway with a stale position for up
// to 90 s and then reports it climbing 8 km away. Each is shown by one object that rolls and takes off
// from where it was held, and catches up without moving faster than its category can.
// Arrivals of the capture whose source extrapolates their track for half a minute and then jumps to the
// real position 4 to 7 km off, also beside the nose after a turn (AIJ2704): each is shown by one object
// that turns and catches up within its speed. Each of them, and the arrivals whose source runs on along the
// runway or holds them beside it, moves on and near the runway as an aircraft can on the program's ticks.
class CapturedTraffic : public AirportTraffic
{
  protected:
    void SetUp() override
    {
        AirportTraffic::SetUp();
        if (test::captureMissing(kCapturePath))
            GTEST_SKIP() << "no captured traffic at " << kCapturePath;
    }

    CapturedRun replay(const std::string& callsign)
    {
        parkAirportSet();
        std::vector<test::TimedLine> lines = capturedLines(callsign);
        CapturedRun run;
        if (lines.size() < 20)
            return run;
        const double startS = lines.front().atS;
        for (test::TimedLine& l : lines)
            l.atS -= startS;
        harness = std::make_unique<test::LiveHarness>();
        harness->groundElevationFt = kFieldFt;
        installGroundMovement(harness->engine());
        objects_.clear();
        runThrough(lines);
        run.hexid = lines.front().line.hexid;
        run.category = gf_aircraftCategory(lines.front().line.type);
        run.creations = static_cast<std::size_t>(
            std::count_if(harness->creates.begin(), harness->creates.end(),
                          [&](const test::RecordedCreate& c) { return c.request.hexid == run.hexid; }));
        run.shown = track(run.hexid);
        run.runway = runwayOf(run.hexid, lines);
        return run;
    }
};

TEST_F(CapturedTraffic, DeparturesTakeOffFromWhereTheSourceHeldThem)
{
    for (const char* callsign : {"AMX222", "CMP135", "SLI470", "TAO309", "AMX1076"})
    {
        SCOPED_TRACE(callsign);
        const CapturedRun run = replay(callsign);
        ASSERT_FALSE(run.shown.empty());
        EXPECT_EQ(run.creations, 1u);
        bool rolled = false;
        bool tookOff = false;
        for (const RecordedPosition& p : run.shown)
        {
            rolled = rolled || p.position.alt <= kFieldFt + 30.0;
            tookOff = tookOff || (rolled && p.position.alt >= kFieldFt + 500.0);
        }
        EXPECT_TRUE(tookOff);
        EXPECT_LE(fastestKt(run.shown), gf_topSpeedKt(run.category) * 1.001);
        EXPECT_TRUE(run.runway.asAnAircraftCan()) << run.runway.worst;
    }
}

TEST_F(CapturedTraffic, ArrivalsWhoseSourceJumpsCatchUpInOneObject)
{
    for (const char* callsign : {"VIV3711", "VOI785", "AIJ2704", "AIJ2800", "AIJ2521", "SLI273", "XA-JAC",
                                 "VIV3263", "CC-AMP", "DAL574", "XA-AAM"})
    {
        SCOPED_TRACE(callsign);
        const CapturedRun run = replay(callsign);
        ASSERT_FALSE(run.shown.empty());
        EXPECT_EQ(run.creations, 1u);
        EXPECT_LE(fastestKt(run.shown), gf_topSpeedKt(run.category) * 1.001);
        EXPECT_TRUE(run.runway.asAnAircraftCan()) << run.runway.worst;
    }
}

} // namespace
} // namespace oxl

namespace oxl
{
namespace
{

// The source reports an aircraft standing at its stand every 15 s, and the reports reach the program a
// few milliseconds early or late: none of them may be taken as coming too soon, or the aircraft, with a
// single report when it is due, is never created.
TEST_F(AirportTraffic, AircraftReportedStandingEveryFifteenSecondsIsCreated)
{
    StreamBuilder b(who(0x710701, "KLM1956", "B738"), gf_destinationPoint(kField, kPi / 2.0, 800.0), 320.0);
    b.every(15).standStill(180);
    std::vector<test::TimedLine> lines = b.lines();
    for (std::size_t i = 1; i < lines.size(); ++i)
        lines[i].line.timestamp += (i % 2 == 1 ? -0.004 : 0.004);
    runThrough(lines);
    EXPECT_EQ(harness->creates.size(), 1u);
}

} // namespace
} // namespace oxl

namespace oxl
{
namespace
{

// The source repeats the first position of an aircraft taxiing past a free stand while it reports the
// aircraft at taxiing speed: it is created taxiing, not parked at the stand and then created again.
TEST_F(AirportTraffic, TaxiingAircraftWithARepeatedFirstPositionIsNotParkedAtBirth)
{
    parkAirportSet();
    harness->engine().n.staticParking = std::make_unique<test::GlobalStaticParking>();
    const LatLon standAt = gf_destinationPoint(kField, kPi / 2.0, 600.0);
    std::vector<Stand> stands;
    stands.emplace_back("T1", 1, standAt.lat, standAt.lon, 0.0, 30.0);
    gAirports.gParking.setStands(std::move(stands));

    StreamBuilder b(who(0x710801, "AAL816", "A319"), standAt, 240.0);
    b.every(10).altitude(0).speed(27).fly(120);
    runThrough(staleAfter(b.lines(), 0, 2));
    EXPECT_EQ(harness->creates.size(), 1u);
    EXPECT_FALSE(log.contains("AAL816   parked"));
}

} // namespace
} // namespace oxl

namespace oxl
{
namespace
{

// A flight drawn second by second: legs climbing or descending, level turns at a rate [deg/s].
struct Drawn
{
    test::StreamBuilder b;
    double trackDeg;
    Drawn& go(double s, double fpm = 0) { return b.verticalSpeed(fpm).fly(s), *this; }
    Drawn& turn(double deg, double degPerS = 3.0)
    {
        for (double done = 0; done < std::abs(deg); done += degPerS)
            b.verticalSpeed(0).track(trackDeg += std::copysign(degPerS, deg)).report();
        return *this;
    }
};

// The flights of the procedure table: those from `missed` on fly a circuit at 150 kt, 2,000 ft above the
// field, the helicopter 500 ft above it at 100 kt, the others 5,000 ft at their feed's speed (but those
// that start at the field).
enum class Flight
{
    plain,
    climb,
    holding,
    descent,
    decelerating, // a 14-nm final slowing to its touchdown, a roll-out and a turn off
    landingTaxi,  // that, taxiing on for two minutes
    takeOff,      // from the field: taxis to the runway, holds, rolls 40 s to 150 kt and climbs away
    pushBack,     // from the field: pushed back off a stand, then taxiing away
    helicopter,
    missed,
    circling,
    onto270,
    touchAndGoes,
    landing // a landing that turns off the runway
};

// What the source sends of a flight, and what it gets wrong.
struct Feed
{
    double kt = 220; // [kt] unless a helicopter or in a circuit
    const char* type = "B738";
    std::optional<LatLon> at = {}; // on the antimeridian (else 8 nm from the field)
    double trackDeg = 90;
    double gsKt = 0, gsOver = 0;   // the speed reported throughout, or the true one aloft divided by this
    double scatterNm = 0;          // positions along the track off by up to this
    bool repeatEveryOther = false; // every other report repeats the one before
    int stuckFor = 0;              // reports after the 15th repeating its position, within 19 m
    double stuckAheadM = 0;        // ... or a position this far ahead of the report they resume with
    int groundRepeats = 0;         // the first ground report from a time [s] on repeated so often, then
    double repeatedFromS = 0;      // nothing heard until the aircraft is this far on [km]
    double resumesKm = 0;
    double legsAhead = 0; // every third report of a roll-out this share of a leg ahead
    double glitchNm = 0;  // reports this far south: the numbered ones, or the next two from a time on, north
    std::vector<std::size_t> glitchAt = {};
    double glitchFromS = 0;
    double asideNm = 0; // reports this far south from 160 s on, or by turns of 90 s (another feed)
    bool byTurns = false;
    double dualNm = 0;          // every other report this far south: two feeds by turns
    double noiseNm = 0;         // a third of the reports 0.5-1 times this far across the track, by turns
    std::size_t noiseRun = 0;   // ... or runs of this many reports every noiseEvery, on alternate sides
    std::size_t noiseEvery = 0; // (a run on one side where runOnOneSide)
    bool runOnOneSide = false;
    double sidewaysNm = 0;      // reports at irregular intervals this far aside, south and north
    double lowFt = 0;           // a height this low once, and twice in a row
    bool heightStuck = false;   // held for 90 s of the descent
    bool quietMinute = false;   // nothing heard while it turns
    double quietBelowFt = 0;    // nothing heard from this height on final to the end of the roll-out
    double levelAirborneFt = 0; // 20 s of reports airborne this high, 25 ft of noise, from this long
    double levelFromS = 0;      // after the roll-out's end (before it: on the runway)
    bool parkAirport = false;   // the field is the park airport: it lands in its landing phase
    double heightOffFt = 0;     // every other report this much higher (another source's height)
    double heightStepFt = 0;    // heights in steps of this, with 40 ft of noise
    double descentFpm = 0;      // a descent of 90 s at this rate, from as high above the level it ends at
};

// What a row is judged by.
struct Bounds
{
    double offNm = 0.5;      // from the true path, or where a jump or the other feed leads
    double lagNm = 1.0;      // behind the report of the second shown
    double lagFromS = 0;     // [s] the lag judged from then on, in time only (0: throughout)
    double overSpeed = 1.25; // times the true speed over 10 s
    double altOffFt = 300;   // from the true path's height
    double sidewaysS = 2.0;  // the nose off the motion (with two feeds or noise, in all)
    std::size_t creations = 1;
    double reversals = 12; // of the shown climb or descent (600 ft/min) per 10 minutes of level flight
    double highS = 30;     // [s] spent 500 ft off the true height where the aircraft is
};

// A row of the procedure table: its name is printed, nothing is read from it.
struct ProcedureRow
{
    std::string name;
    int everyS; // between reports
    Flight flight;
    Feed feed = {};
    Bounds judged = {};
};

// Real procedures at real report intervals [s], on even ticks and on the late, uneven ticks of a loaded
// machine (stalls of 1.2 s in every 3.7 s, the missed ticks run back to back but a tenth), judged on the
// distance from the true path and the height there, the lag, the speed, the nose and the
// creations; a jump 5 nm aside creates it once more, another feed at most once a switch after the first.
// Jittered, at two phases; 280-kt feeds stale by a factor, repeating positions, glitching or noisy sideways.
// On the runway, take-offs whose source repeats a ground position and then leaps ahead, roll-outs with
// irregular legs, landed aircraft given level airborne reports, a push-back, a gap on short final: judged
// as a user at the airport sees them.
TEST_F(AirportTraffic, RealProceduresAreFlownAlongTheirTrack)
{
    using enum Flight;
    const Bounds glitchy{.offNm = 0.15, .lagFromS = 340}, twoFeeds{.offNm = 0.4, .sidewaysS = 0},
        // After a source's silence through the roll the aircraft catches up in the air within its category's
        // limits, so late a while; over a minute of silence ends its stream.
        catchUp{.lagNm = 5, .lagFromS = 1e9, .overSpeed = 3, .altOffFt = 800, .highS = 1e9},
        silentMinute{
            .lagNm = 5, .lagFromS = 1e9, .overSpeed = 3, .altOffFt = 800, .creations = 2, .highS = 1e9},
        steep{.altOffFt = 700}, // [ft] the nearest point of a steep descent lies above or below
        noise{.offNm = 0.6, .overSpeed = 1.15, .sidewaysS = 0};
    // A departure's ground report repeated while it holds at the runway or rolls, then airborne km on.
    constexpr double kHeld = 55, kRolling = 75; // [s] the report repeated
    const auto takingOff = [&](const char* name, int repeats, double fromS, double onKm)
    {
        return ProcedureRow{name,
                            5,
                            Flight::takeOff,
                            {.groundRepeats = repeats, .repeatedFromS = fromS, .resumesKm = onKm},
                            onKm > 5 && fromS == kRolling ? silentMinute : catchUp};
    };
    // clang-format off
    const ProcedureRow rows[] = {
        {"holding 5 s", 5, holding}, {"holding 10 s", 10, holding}, {"holding 20 s", 20, holding},
        {"holding 30 s", 30, holding, {}, {.offNm = 1.0}}, {"helicopter 500 ft", 5, helicopter},
        {"missed approach", 5, missed}, {"touch-and-goes", 5, touchAndGoes}, {"circling", 5, circling},
        {"270 onto final", 5, onto270}, {"landing, turn off", 5, landing},
        {"stale speed", 10, climb, {.gsKt = 48}}, {"scattered", 10, plain, {.scatterNm = 0.4}},
        {"glitch", 4, plain, {.glitchNm = 9, .glitchAt = {40}}, {.offNm = 1.0}},
        {"jump 5", 4, plain, {.asideNm = 5}, {.offNm = 5, .creations = 2}},
        {"jump 9", 4, plain, {.asideNm = 9}, {.offNm = 9, .creations = 2}},
        {"jump 15", 4, plain, {.asideNm = 15}, {.offNm = 15, .creations = 2}},
        {"feeds 5 nm apart", 4, plain, {.asideNm = 5, .byTurns = true}, {.offNm = 5, .creations = 5}},
        {"antimeridian", 5, plain, {.at = LatLon{0, 179.95}}},
        {"holding on 180", 10, holding, {.at = LatLon{0, 180}, .trackDeg = 0}},
        {"quiet minute in a hold", 5, holding, {.quietMinute = true}, {.offNm = 1.0, .lagNm = 1.5}},
        {"stale 1.2", 10, climb, {.kt = 280, .gsOver = 1.2}},
        {"stale 1.75", 10, climb, {.kt = 280, .gsOver = 1.75}},
        {"stale 3", 10, climb, {.kt = 280, .gsOver = 3}}, {"stale 5", 10, climb, {.kt = 280, .gsOver = 5}},
        {"repeated positions", 5, plain, {.kt = 280, .repeatEveryOther = true}},
        {"glitch 1.5", 10, plain, {.kt = 280, .glitchNm = 1.5, .glitchAt = {4, 10, 16, 22}}, glitchy},
        {"glitch 3", 8, plain, {.kt = 280, .glitchNm = 3, .glitchAt = {20}}, glitchy},
        {"glitch 5", 8, plain, {.kt = 280, .glitchNm = 5, .glitchAt = {20, 21}}, glitchy},
        {"sideways 0.25", 5, plain, {.kt = 280, .sidewaysNm = 0.25}},
        {"sideways 0.5", 5, plain, {.kt = 280, .sidewaysNm = 0.5}},
        {"sideways 1", 5, plain, {.kt = 280, .sidewaysNm = 1}}, {"wrong height", 5, plain, {.lowFt = 4500}},
        {"descent, stuck height", 5, descent, {.heightStuck = true}, {.altOffFt = 2500, .highS = 120}},
        {"decelerating 1.3", 5, decelerating, {.gsKt = 195, .parkAirport = true}},
        {"decelerating 2", 10, decelerating, {.gsKt = 300}},
        {"decelerating 3", 5, decelerating, {.gsKt = 450, .parkAirport = true}},
        {"repeated 3", 10, plain, {.kt = 280, .stuckFor = 3}, {.lagNm = 1.5}},
        {"repeated 8", 10, plain, {.kt = 280, .stuckFor = 8}, {.lagNm = 1.5}},
        {"glitch in a turn 1.5", 4, plain, {.kt = 280, .glitchNm = 1.5, .glitchFromS = 302}, glitchy},
        {"dual feed 0.5", 3, plain, {.kt = 280, .dualNm = 0.5}, twoFeeds},
        {"dual feed 0.5", 4, plain, {.kt = 280, .dualNm = 0.5}, twoFeeds},
        {"noisy third 1", 5, plain, {.kt = 280, .noiseNm = 1},
         {.offNm = 0.3, .overSpeed = 1.15, .sidewaysS = 0}},
        takingOff("held 1x, 1.6 km", 1, kHeld, 1.6), takingOff("held 3x, 8 km", 3, kHeld, 8),
        takingOff("held 5x, 1.6 km", 5, kHeld, 1.6), takingOff("rolling 1x, 8 km", 1, kRolling, 8),
        takingOff("rolling 3x, 1.6 km", 3, kRolling, 1.6), takingOff("rolling 5x, 8 km", 5, kRolling, 8),
        {"roll-out legs 60 %, 5 s", 5, decelerating, {.legsAhead = 0.6, .parkAirport = true}},
        {"roll-out legs 60 %, 3 s", 3, decelerating, {.legsAhead = 0.6, .parkAirport = true}},
        {"landed, level airborne", 5, landingTaxi, {.levelAirborneFt = 100, .levelFromS = 40}},
        {"rolling out, level airborne", 5, landingTaxi, {.levelAirborneFt = 100, .levelFromS = -8}},
        {"push-back", 5, pushBack}, {"stuck, resumed behind", 5, plain, {.stuckFor = 3, .stuckAheadM = 175}},
        {"gap on short final", 5, decelerating, {.quietBelowFt = 650, .parkAirport = true}},
        {"heights 300 ft apart", 5, plain, {.heightOffFt = 300}}, {"heights 700 ft apart", 5, plain,
         {.heightOffFt = 700}, {.altOffFt = 700}}, {"heights 450 ft apart, climbing", 5, climb,
         {.heightOffFt = 450}, {.altOffFt = 450}}, {"heights in 100-ft steps", 5, plain, {.heightStepFt = 100}},
        {"A320 descending 4,500 fpm", 5, descent, {.type = "A320", .descentFpm = 4500}, steep},
        {"A320 descending 6,000 fpm", 5, descent, {.type = "A320", .descentFpm = 6000}, steep},
        {"heavy descending 4,500 fpm", 5, descent, {.type = "B744", .descentFpm = 4500}, steep},
        {"heavy descending 6,000 fpm", 5, descent, {.type = "B744", .descentFpm = 6000}, steep},
        {"P180 at 305 kt", 10, plain, {.kt = 305, .type = "P180"}},
        {"helicopter, stale 227", 15, helicopter, {.gsKt = 227}},
        {"departure, field 1.6x", 5, takeOff, {.gsOver = 0.625}, {.altOffFt = 450}},
        {"A321 at 480 kt, 30 s", 30, plain, {.kt = 480, .type = "A321"}, {.offNm = 1.0, .lagNm = 1.5}},
        {"stuck 40 s in a turn, 20 s", 20, plain, {.stuckFor = 2}},
        {"noisy pairs 0.65", 5, plain, {.kt = 280, .noiseNm = 0.65, .noiseRun = 2, .noiseEvery = 12,
         .runOnOneSide = true}, noise},
        {"noisy runs of 5", 5, plain, {.kt = 280, .noiseNm = 1, .noiseRun = 5, .noiseEvery = 15}, noise},
        {"noise 1 in 2, 0.5", 5, plain, {.kt = 280, .noiseNm = 0.5, .noiseRun = 1, .noiseEvery = 2,
         .runOnOneSide = true}, noise}};
    // clang-format on
    const auto lateTick = [](double s)
    { return 100 * (std::floor(s / 3.7) * 3.58 + std::min(std::fmod(s, 3.7), 2.5)); };
    parkAirportSet();
    for (const ProcedureRow& row : rows)
        for (const bool late : {false, true})
        {
            SCOPED_TRACE(row.name + (late ? ", late ticks" : ""));
            const Feed& feed = row.feed;
            const bool heli = row.flight == helicopter, low = row.flight >= missed;
            const bool fed = feed.dualNm > 0 || feed.noiseNm > 0; // two feeds by turns, or noise in a third
            Drawn d{test::StreamBuilder(who(0x712001, "AMX7", heli ? "EC35" : feed.type),
                                        feed.at.value_or(row.flight == takeOff || row.flight == pushBack
                                                             ? kField
                                                             : gf_destinationPoint(kField, 4.0, nmToFeet(8))),
                                        feed.trackDeg),
                    feed.trackDeg};
            const double kt = heli  ? 100
                              : low ? 150
                                    : feed.kt,
                         aboveFt = heli  ? 500
                                   : low ? 2000
                                         : 5000 + 1.5 * feed.descentFpm;
            d.b.every(1).speed(kt).altitude(kFieldFt + aboveFt);
            if (row.flight == holding)
                for (int i = 0; i < 5; ++i)
                    d.go(60).turn(180);
            else if (row.flight == missed)
                d.go(150, -700).go(90, 1500).turn(180).go(60);
            else if (row.flight == circling)
                d.go(85, -700).turn(180).go(60).turn(180).go(60, -700);
            else if (row.flight == onto270)
                d.go(60, -700).turn(270).go(90, -700);
            else if (row.flight == touchAndGoes || row.flight == landing)
                for (const bool again = row.flight == touchAndGoes;
                     const double descentS : again ? std::vector{170.0, 260.0} : std::vector{170.0})
                {
                    d.go(descentS, -700).b.altitude(0).speed(130).fly(again ? 20 : 10);
                    d.b.altitude(again ? kFieldFt + 30 : 0).speed(again ? 150 : 25);
                    again ? d.go(120, 1500).turn(180) : d.turn(90, 10).go(30);
                }
            else if (row.flight == takeOff)
            {
                d.b.altitude(0).speed(15).fly(40).speed(0).fly(20);
                for (int s = 1; s <= 40; ++s)
                    d.b.speed(3.75 * s).fly(1);
                d.b.altitude(kFieldFt + 30).speed(155);
                d.go(180, 2000).go(60);
            }
            else if (row.flight == pushBack) // west at 3 kt, its nose east
            {
                d.b.altitude(0).speed(0).fly(60).track(270).speed(3).fly(40);
                d.b.speed(0).fly(20).track(0).speed(15).fly(120);
            }
            else if (row.flight == descent && feed.descentFpm > 0)
                d.go(60).go(90, -feed.descentFpm).go(120);
            else if (row.flight == descent)
                d.go(160, -1500).turn(90).go(120).turn(-90).go(60);
            else if (row.flight == decelerating || row.flight == landingTaxi)
                for (double kt = 250; kt > 25; kt -= kt > 150 ? 10 : 15)
                    kt > 150  ? d.b.speed(kt).verticalSpeed(-1190).fly(25)
                    : kt > 40 ? d.b.altitude(0).speed(kt - 20).fly(4)
                              : d.turn(90, 10).go(row.flight == landingTaxi ? 150 : 30).b;
            else
                d.go(heli ? 120 : 300, row.flight == climb ? 2000 : 0).turn(90).go(120).turn(-90).go(60);
            std::vector<test::TimedLine> truth = d.b.lines(), lines;
            const auto taxiing = std::ranges::find_if(
                truth, [](const auto& l) { return !l.line.report.airborne && l.line.report.gs < 30; });
            const double rolledOutS = taxiing == truth.end() ? 1e9 : taxiing->atS;
            for (std::size_t i = late * row.everyS / 2, k = 0, nextSideways = 3, glitches = 0, held = 0,
                             repeats = 0;
                 i < truth.size(); i += row.everyS + k++ % 5 % 3 - 1)
            {
                const double t = truth[i].atS;
                const Report& now = truth[i].line.report;
                if ((feed.quietMinute && t >= 150 && t < 210) ||
                    (feed.quietBelowFt > 0 &&
                     (now.airborne ? now.alt < kFieldFt + feed.quietBelowFt : t < rolledOutS)))
                    continue; // its source heard nothing while it turned, or on short final and the roll-out
                if (held > 0 && repeats == static_cast<std::size_t>(feed.groundRepeats) &&
                    gf_distanceNm({now.lat, now.lon},
                                  {lines[held].line.report.lat, lines[held].line.report.lon}) <
                        metresToNm(1000 * feed.resumesKm))
                    continue;
                lines.push_back(truth[i]);
                Report& r = lines.back().line.report;
                if (held > 0 && repeats < static_cast<std::size_t>(feed.groundRepeats))
                {
                    ++repeats;
                    const Report& h = lines[held].line.report;
                    std::tie(r.lat, r.lon, r.alt, r.airborne) = std::tuple(h.lat, h.lon, h.alt, h.airborne);
                }
                else if (held == 0 && feed.groundRepeats > 0 && t >= feed.repeatedFromS)
                    held = lines.size() - 1;
                // The reports the source puts off: how far, which way.
                const bool glitch = feed.glitchFromS ? t >= feed.glitchFromS && glitches++ < 2
                                                     : std::ranges::count(feed.glitchAt, k) > 0;
                const bool sideways = feed.sidewaysNm > 0 && k == nextSideways;
                const bool noisy =
                    feed.noiseNm > 0 &&
                    (feed.noiseRun > 0 ? k % feed.noiseEvery < feed.noiseRun : k * 7 / 3 % 3 == 1);
                nextSideways += sideways ? 3 + k % 4 : 0;
                const double awayNm = feed.asideNm > 0 && (feed.byTurns ? int(t / 90) % 2 : t >= 160)
                                          ? feed.asideNm
                                      : glitch   ? feed.glitchNm
                                      : sideways ? feed.sidewaysNm
                                      : noisy    ? feed.noiseNm * (0.5 + k % 5 / 8.0)
                                                 : feed.dualNm * (k % 2);
                const double side = double((feed.runOnOneSide ? k / feed.noiseEvery : k) % 2);
                const double awayRad = noisy      ? degToRad(r.track) + kPi * (side - 0.5)
                                       : sideways ? kPi * (1 + k % 2)
                                                  : kPi * !(glitch && feed.glitchFromS);
                const bool rollingOut = k % 3 == 0 && !r.airborne && r.gs > 40;
                const double alongNm = feed.scatterNm * std::sin(i * 2.0) +
                                       rollingOut * feed.legsAhead * r.gs * row.everyS / 3600;
                const LatLon moved =
                    gf_destinationPoint(gf_destinationPoint({r.lat, r.lon}, awayRad, nmToFeet(awayNm)),
                                        degToRad(r.track), nmToFeet(alongNm));
                // Five decimals as the source sends them: on the antimeridian, 180 and -180 by turns.
                r.lat = std::round(moved.lat * 1e5) / 1e5;
                r.lon =
                    std::round(moved.lon * 1e5) / 1e5 * (std::abs(moved.lon) > 179.999995 && i % 2 ? -1 : 1);
                r.gs = feed.gsOver && r.airborne ? r.gs / feed.gsOver : feed.gsKt ? feed.gsKt : r.gs;
                r = feed.repeatEveryOther && k % 2 ? lines.end()[-2].line.report : r;
                if (k > 15 && k <= 15u + feed.stuckFor) // stuck, within 19 m
                    std::tie(r.lat, r.lon) =
                        std::pair(lines[15].line.report.lat + 1.7e-4 * (k % 2), lines[15].line.report.lon);
                // A height held for 90 s of a descent, or 4,500 ft low once and twice in a row.
                r.alt = feed.heightStuck && t > 40 && t <= 130
                            ? truth[40].line.report.alt
                            : r.alt - feed.lowFt * (k == 20 || k / 2 == 20) + feed.heightOffFt * (k % 2);
                if (feed.heightStepFt > 0)
                    r.alt =
                        std::round((r.alt + 40 * std::sin(k * 2.0)) / feed.heightStepFt) * feed.heightStepFt;
                if (feed.levelAirborneFt > 0 && t >= rolledOutS + feed.levelFromS &&
                    t < rolledOutS + feed.levelFromS + 20)
                    std::tie(r.alt, r.airborne) =
                        std::pair(kFieldFt + feed.levelAirborneFt + 25.0 * (k % 2), 1);
                lines.back().atS = late ? lateTick(t) / 100.0 : t;
            }
            for (std::size_t k = 16; feed.stuckAheadM > 0 && k <= 15u + feed.stuckFor; ++k)
            {
                const Report& resumed = lines[16 + feed.stuckFor].line.report;
                const LatLon ahead = gf_destinationPoint({resumed.lat, resumed.lon}, degToRad(resumed.track),
                                                         metresToFeet(feed.stuckAheadM));
                std::tie(lines[k].line.report.lat, lines[k].line.report.lon) =
                    std::pair(ahead.lat, ahead.lon);
            }
            harness = std::make_unique<test::LiveHarness>();
            harness->groundElevationFt = kFieldFt;
            installGroundMovement(harness->engine());
            if (feed.parkAirport)
                parkAirportSet();
            objects_.clear();
            runThrough(lines, -2.0);
            std::vector<Report> path; // the true path, and where a jump or the other feed leads
            for (const test::TimedLine& t : truth)
                for (const double nm : {0.0, feed.asideNm})
                {
                    const LatLon o = gf_destinationPoint({t.line.report.lat, t.line.report.lon}, kPi,
                                                         nmToFeet(feed.dualNm > 0 ? feed.dualNm / 2 : nm));
                    path.push_back(t.line.report);
                    std::tie(path.back().lat, path.back().lon) = std::pair(o.lat, o.lon);
                }
            double offNm = 0, lagNm = 0, fastest = 0, altOffFt = 0, sideways = 0, longestSideways = 0;
            double lagS = 0, over = 0, steepest = 0, downNm = 0,
                   rollKt = 0; // off the reports' touchdown; rolling
            double reversals = 0, levelS = 0, climbing = 0, highS = 0;
            const auto td = row.flight == decelerating || row.flight == landingTaxi
                                ? std::ranges::find(truth, 0, [](auto& t) { return t.line.report.airborne; })
                                : truth.end();
            const std::vector<RecordedPosition> shown = track(0x712001);
            for (std::size_t i = 100, s = 0; i < shown.size(); i += 50)
            {
                const SimPosition &p = shown[i].position, &q = shown[i - 100].position;
                // Nearest in space: a circuit passes over its own track at another height.
                const auto apart = [&](const Report& r)
                {
                    return gf_distanceNm({p.lat, p.lon}, {r.lat, r.lon}) +
                           std::abs(p.alt - (r.airborne ? r.alt : kFieldFt)) / kFeetPerNm;
                };
                const Report& near = *std::ranges::min_element(path, {}, apart);
                offNm = std::max(offNm, gf_distanceNm({p.lat, p.lon}, {near.lat, near.lon}));
                altOffFt = std::max(altOffFt, near.airborne ? std::abs(p.alt - near.alt) : 0);
                while (s + 1 < truth.size() && (late ? lateTick(s) : 100.0 * s) + 3000 < shown[i].tick)
                    ++s; // the source second shown, 30 s late
                const Report& now = truth[s].line.report;
                const double nowNm = feed.asideNm > 0 ? 0 : gf_distanceNm({p.lat, p.lon}, {now.lat, now.lon});
                lagNm = std::max(lagNm, row.judged.lagFromS ? 0 : nowNm);
                const bool settled =
                    truth[s].atS >= (row.judged.lagFromS ? row.judged.lagFromS : truth.back().atS - 120);
                lagS = std::max(lagS, settled && now.airborne ? nowNm / now.gs * 3600 : 0);
                const SimPosition& o = shown[i < 1000 ? 0 : i - 1000].position; // 10 s before
                if (i >= 1000 && o.objectId == p.objectId && feed.asideNm == 0 && now.airborne)
                    over = std::max(over, gf_distanceNm({o.lat, o.lon}, {p.lat, p.lon}) * 360 / now.gs);
                const double movedNm =
                    p.objectId == q.objectId ? gf_distanceNm({q.lat, q.lon}, {p.lat, p.lon}) : 0;
                // The nose against the motion, and with two feeds or noise the motion against the track.
                const double motion = gf_bearingRad({q.lat, q.lon}, {p.lat, p.lon}),
                             offRad = std::max(std::abs(gf_wrapPi(motion - p.heading)),
                                               fed ? std::abs(gf_wrapPi(motion - degToRad(near.track))) : 0);
                sideways = feed.asideNm == 0 && movedNm > 0.005 && offRad > degToRad(45) ? sideways + 0.5
                                                                                         : fed * sideways;
                longestSideways = std::max(longestSideways, sideways);
                fastest = std::max(fastest, movedNm * 3600);
                const double fpm = (p.alt - q.alt) * 60;
                if (p.objectId == q.objectId && std::min(p.alt, q.alt) > kFieldFt + 50) // [ft/min] in the air
                    steepest = std::max(steepest, std::abs(fpm));
                // Climbs and descents shown in level flight; the height where the aircraft was a minute
                // about.
                const bool level = now.airborne && now.vs == 0 && p.objectId == q.objectId;
                levelS += level * 0.5;
                reversals += level && std::abs(fpm) >= 600 && climbing * fpm < 0;
                climbing = std::abs(fpm) >= 600 ? fpm : climbing;
                const auto there = std::min_element(
                    truth.begin() + std::max<std::ptrdiff_t>(s - 60, 0),
                    truth.begin() + std::min<std::ptrdiff_t>(s + 60, truth.size()),
                    [&](auto& a, auto& b)
                    {
                        return gf_distanceNm({p.lat, p.lon}, {a.line.report.lat, a.line.report.lon}) <
                               gf_distanceNm({p.lat, p.lon}, {b.line.report.lat, b.line.report.lon});
                    });
                highS += 0.5 * (there->line.report.airborne &&
                                std::abs(p.alt - there->line.report.alt - feed.heightOffFt / 2) > 500);
                if (td != truth.end() && downNm == 0 && p.alt < kFieldFt + harness->staticCgFt + 1)
                    downNm = gf_distanceNm({p.lat, p.lon}, {td->line.report.lat, td->line.report.lon});
                rollKt = std::max(rollKt, near.airborne ? 0 : movedNm * 3600);
            }
            const test::RunwayVerdict runway = runwayOf(0x712001, lines);
            std::printf(
                "%-17s %-4s off %.2f nm, %3.0f ft; lag %.2f nm; fastest %3.0f kt; sideways %.1f s; "
                "steepest %5.0f fpm, %.0f reversals in %.0f s level, %.0f s 500 ft off; %zu created; %s\n",
                row.name.c_str(), late ? "late" : "even", offNm, altOffFt, lagNm, fastest, longestSideways,
                steepest, reversals, levelS, highS, harness->creates.size(), runway.worst.c_str());
            EXPECT_GE(harness->creates.size(), 1u);
            EXPECT_LE(harness->creates.size(), row.judged.creations);
            EXPECT_TRUE(downNm <= 0.5 && rollKt <= 1.25 * 150) << downNm << " nm off, rolling at " << rollKt;
            EXPECT_LE(offNm, row.judged.offNm);
            EXPECT_TRUE(lagS <= 10 && over <= row.judged.overSpeed)
                << lagS << " s late, " << over << "x the true speed";
            EXPECT_LE(altOffFt, row.judged.altOffFt); // a stuck height: no nearer than the stuck field
            EXPECT_LE(steepest, 8000);
            EXPECT_TRUE(reversals <= row.judged.reversals * std::max(levelS, 600.0) / 600 &&
                        highS <= row.judged.highS)
                << reversals << " reversals in " << levelS << " s of level flight; " << highS
                << " s 500 ft off";
            EXPECT_LE(lagNm, row.judged.lagNm);
            EXPECT_LE(fastest, gf_topSpeedKt(gf_aircraftCategory(heli ? "EC35" : feed.type)));
            EXPECT_LE(longestSideways, row.judged.sidewaysS);
            // The runway as a user at the airport sees it.
            EXPECT_TRUE(runway.asAnAircraftCan()) << runway.worst;
        }
}

} // namespace
} // namespace oxl
