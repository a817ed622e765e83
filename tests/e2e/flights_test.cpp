// A whole departure through the program: the traffic-source stand-in replays scripted reports around
// Zurich, the program creates and moves the aircraft in the simulator stand-in, whose track shows it.
#include "tests/e2e/flight_script.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

// Threshold and heading of runway 28.
constexpr double kRwy28LatDeg = 47.45750, kRwy28LonDeg = 8.57400, kRwy28HeadingDeg = 275.0;
// [s] report time of the first line of a script (only the spacing counts: the stand-in stamps each line
// with the time it sends it).
constexpr double kStartS = 1735732800.0;
// [ms] reports are shown 30 s late; every wait below allows for that and for a slow (sanitized) build.
constexpr auto kShownLate = 30s;

// The object created with the ATC id (the callsign), or null.
const TrackedObject* byTail(const std::map<std::uint32_t, TrackedObject>& objects, const std::string& tail)
{
    for (const auto& [id, object] : objects)
        if (object.tail == tail)
            return &object;
    return nullptr;
}

double highestFt(const TrackedObject& object)
{
    double highest = 0;
    for (const TrackEvent& p : object.positions)
        highest = std::max(highest, p.altFt);
    return highest;
}

// A run at Zurich with the range and a replay of the scripts.
void startRun(RoadRun& run, const std::vector<FlightScript>& scripts)
{
    const std::string replay = (run.folder() / "replay.txt").string();
    writeReplay(replay, scripts);
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--replay", replay, "--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
}

TEST(Flights, DepartureIsCreatedTakesOffAndIsRemovedOutOfRange)
{
    RoadRun run(RunSettings{{"RANGE", "3"}});
    FlightScript departure(4916108, "EDW23", "A320", "HB-IHY", kRwy28LatDeg, kRwy28LonDeg, kRwy28HeadingDeg,
                           kStartS);
    departure.route("LSZH", "LEPA").hold(6).move(30, 140).move(16, 160, 1800).move(30, 250, 2500);
    startRun(run, {departure});

    ASSERT_TRUE(run.waitObjects([](const auto& objects) { return byTail(objects, "EDW23") != nullptr; },
                                kShownLate + 60s));
    // Taken off: higher than 1000 ft above the ground in the simulator.
    EXPECT_TRUE(run.waitObjects([](const auto& objects)
                                { return highestFt(*byTail(objects, "EDW23")) > kZurichGroundFt + 1000; },
                                150s));
    // Its reports end within the 5 nm beyond the 3 nm range where an aircraft already shown is kept: carried
    // on a little further, it is removed again.
    EXPECT_TRUE(run.waitObjects([](const auto& objects) { return byTail(objects, "EDW23")->removed; }, 180s));
    const TrackedObject object = *byTail(run.objects(), "EDW23");
    EXPECT_FALSE(object.title.empty());
    // Created on the ground, on the runway it takes off from (its first reports may have been passed
    // over while it waited for its turn to be created).
    ASSERT_FALSE(object.positions.empty());
    EXPECT_NEAR(object.positions.front().latDeg, kRwy28LatDeg, 0.01);
    EXPECT_NEAR(object.positions.front().lonDeg, kRwy28LonDeg, 0.03);
    EXPECT_NEAR(object.positions.front().altFt, kZurichGroundFt, 100);
    EXPECT_LT(largestStepM(object), 100.0);
    EXPECT_FALSE(run.logHas("Exiting:"));
}

} // namespace
} // namespace oxl::test
