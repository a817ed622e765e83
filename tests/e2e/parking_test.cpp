// Zurich as the user's park airport, its airport file served by a local download site: an arrival
// lands, taxis and parks at a free stand, and the static aircraft of the file's learned occupants fill
// their stands, also after a start with the program folder on a full disk.
#include "foundation/units.h"
#include "tests/e2e/flight_script.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"

#include <fmt/format.h>
#include <gsl/util>
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

// Stand "A 11" of the demo's airport file, free of learned occupants.
constexpr double kStandLatDeg = 47.45120, kStandLonDeg = 8.56250;
constexpr double kStartS = 1735732800.0;

std::filesystem::path demoAirportFile()
{
    return std::filesystem::path(OXL_SOURCE_DIR) / "data" / "demo_airport_LSZH.xml";
}

double distanceM(double latA, double lonA, double latB, double lonB)
{
    const double dy = (latB - latA) * kMetresPerDegLat;
    const double dx = (lonB - lonA) * kMetresPerDegLat * std::cos(degToRad(latA));
    return std::hypot(dx, dy);
}

// An arrival on a straight line that ends on the stand: a minute of final approach at 140 kt from 700 ft
// above the ground, the landing roll down to taxi speed, taxiing in and stopping, then standing there.
FlightScript arrivalToStand()
{
    constexpr double headingDeg = 140.0;
    // [kt s] the legs below: 140 kt for 60 s, 140 -> 15 kt in 30 s, 15 kt for 40 s, 15 -> 0 kt in 6 s.
    constexpr double knotSeconds = 140.0 * 60 + 77.5 * 30 + 15.0 * 40 + 7.5 * 6;
    const double pathM = ktToMps(knotSeconds);
    const double back = degToRad(headingDeg + 180.0);
    const double startLat = kStandLatDeg + pathM * std::cos(back) / kMetresPerDegLat;
    const double startLon =
        kStandLonDeg + pathM * std::sin(back) / (kMetresPerDegLat * std::cos(degToRad(kStandLatDeg)));
    FlightScript arrival(3949321, "AFR1614", "A320", "F-GKXC", startLat, startLon, headingDeg, kStartS);
    arrival.route("LFPG", "LSZH").flying(kZurichGroundFt + 700, 140);
    arrival.move(60, 140, -700).move(30, 15).move(40, 15).move(6, 0).hold(420);
    return arrival;
}

const TrackedObject* byTail(const std::map<std::uint32_t, TrackedObject>& objects, const std::string& tail)
{
    for (const auto& [id, object] : objects)
        if (object.tail == tail)
            return &object;
    return nullptr;
}

std::size_t staticCount(const std::map<std::uint32_t, TrackedObject>& objects)
{
    std::size_t n = 0;
    for (const auto& [id, object] : objects)
        if (!object.removed && !object.tail.empty() && object.tail.back() == '*')
            ++n;
    return n;
}

class ParkAirport : public ::testing::Test
{
  protected:
    void start(const std::vector<FlightScript>& scripts, const std::function<void()>& beforeProgram = {})
    {
        run_.parkAt("LSZH", demoAirportFile());
        const std::string replay = (run_.folder() / "replay.txt").string();
        writeReplay(replay, scripts);
        ASSERT_TRUE(run_.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
        ASSERT_TRUE(run_.startTraffic({"--replay", replay, "--qnh", "1013"}));
        if (beforeProgram)
            beforeProgram();
        ASSERT_TRUE(run_.startProgram());
    }

    RoadRun run_;
};

TEST_F(ParkAirport, ArrivalLandsTaxisAndParksAtAFreeStand)
{
    start({arrivalToStand()});
    // Reports are shown 30 s late; the whole arrival takes a little over two minutes.
    ASSERT_TRUE(
        run_.waitObjects([](const auto& objects) { return byTail(objects, "AFR1614") != nullptr; }, 120s));
    EXPECT_TRUE(run_.waitLog("A 11    : AFR1614  parks", 300s));
    // The flying aircraft came down to the ground; the parked one stands on the stand.
    const auto objects = run_.objects();
    const TrackedObject* flown = byTail(objects, "AFR1614");
    ASSERT_FALSE(flown->positions.empty());
    EXPECT_GT(flown->positions.front().altFt, kZurichGroundFt + 200) << "created in the air";
    double lowestFt = flown->positions.front().altFt;
    for (const TrackEvent& p : flown->positions)
        lowestFt = std::min(lowestFt, p.altFt);
    EXPECT_NEAR(lowestFt, kZurichGroundFt, 30.0);
    EXPECT_LT(largestStepM(*flown), 100.0);
    const TrackedObject* parked = nullptr;
    for (const auto& [id, object] : objects)
        if (object.tail == "AFR1614" && !object.removed)
            parked = &object;
    ASSERT_NE(parked, nullptr);
    ASSERT_FALSE(parked->positions.empty());
    const TrackEvent& last = parked->positions.back();
    EXPECT_LT(distanceM(last.latDeg, last.lonDeg, kStandLatDeg, kStandLonDeg), 30.0);
    EXPECT_NEAR(last.altFt, kZurichGroundFt, 30.0);
    EXPECT_FALSE(run_.logHas("Exiting:"));
}

TEST_F(ParkAirport, StaticAircraftFillTheStandsOfLearnedOccupants)
{
    // The program folder on a small disk of its own, full to its last byte at the start: the airport file
    // that the disk refused is fetched once there is room.
    const std::filesystem::path program = run_.programFolder(), copy = run_.folder() / "program-copy";
    bool full = false;
    const auto unmount = gsl::finally([&] { ::umount2(program.c_str(), MNT_DETACH); });
    start({},
          [&]
          {
              std::filesystem::copy(program, copy, std::filesystem::copy_options::recursive);
              full = ::mount("tmpfs", program.c_str(), "tmpfs", 0, "size=8m") == 0;
              std::filesystem::copy(copy, program, std::filesystem::copy_options::recursive);
              std::filesystem::create_directory(program / "fillers");
              for (const std::size_t size : {65536, 1024})
                  for (int i = 0; full && std::ofstream(program / "fillers" / fmt::format("{}-{}", size, i))
                                              << std::string(size, 'x');
                       ++i)
                  {
                  }
          });
    if (full)
    {
        // The main loop sends the user's state every second: two park-airport steps go by on the full disk.
        const auto seconds = [&]
        {
            const auto lines = run_.sourceRecord();
            return std::ranges::count_if(lines, [](const auto& l) { return l.find("Qs121=") != l.npos; });
        };
        ASSERT_TRUE(waitUntil([&] { return seconds() >= 35; }, 180s));
        EXPECT_EQ(staticCount(run_.objects()), 0u);
        std::filesystem::remove_all(program / "fillers");
        ASSERT_TRUE(run_.waitObjects([](const auto& objects) { return staticCount(objects) >= 3; }, 90s));
        EXPECT_FALSE(run_.logHas("User aircraft on the ground at LSZH, no airport file found"));
    }
    // The file's static row has an occupant on every weekday at every half-hour; a share of its stands
    // gets a static aircraft, shown with its callsign and a star, standing at the stand's heading.
    ASSERT_TRUE(run_.waitObjects([](const auto& objects) { return staticCount(objects) >= 3; }, 180s));
    for (const auto& [id, object] : run_.objects())
    {
        if (object.tail.empty() || object.tail.back() != '*')
            continue;
        ASSERT_FALSE(object.positions.empty());
        EXPECT_NEAR(object.positions.front().headingDeg, 320.0, 1.0) << object.tail;
        EXPECT_NEAR(object.positions.front().altFt, kZurichGroundFt, 30.0) << object.tail;
    }
    EXPECT_FALSE(run_.logHas("Exiting:"));
}

} // namespace
} // namespace oxl::test
