// "Auto range" in the running program: with the user aircraft on the ground the radius steps down from the
// stored 40 nm to 10 nm, and the aircraft circling on its edge are all found when created: every object
// created moves with its reports or is removed.
#include "foundation/units.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "traffic/cycle/main_loop.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include <nlohmann/json.hpp>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

const std::uint32_t kGroundRadiusM = gf_inRangeRequestM(wholeNmToMetres(10));

// The radii [m] of the program's requests for the aircraft within range, oldest first.
std::vector<std::uint32_t> requestedRadii(RoadRun& run)
{
    std::vector<std::uint32_t> radii;
    for (const nlohmann::json& entry : run.sim().journal())
        if (entry.value("call", "") == "SimConnect_RequestDataOnSimObjectType" && entry.contains("fields") &&
            entry["fields"].contains("radiusM"))
            radii.push_back(entry["fields"]["radiusM"].get<std::uint32_t>());
    return radii;
}

TEST(AutoRangeRun, OnTheGroundTheRadiusStepsDownToTenMiles)
{
    RoadRun run{{{"AUTO_RANGE", "true"}, {"RANGE", "40"}}};
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013", "--aircraft", "300"}));
    ASSERT_TRUE(run.startProgram());
    // The step runs when the simulator connects and then every 30 simulated seconds.
    const bool stepped = waitUntil(
        [&]
        {
            const std::vector<std::uint32_t> radii = requestedRadii(run);
            return !radii.empty() && radii.back() == kGroundRadiusM;
        },
        120s);
    if (!stepped)
        run.dumpOnFailure();
    ASSERT_TRUE(stepped);
    for (const std::uint32_t radius : requestedRadii(run))
        EXPECT_TRUE(radius == kGroundRadiusM || radius == gf_inRangeRequestM(wholeNmToMetres(40))) << radius;
    // The first twenty objects created each move with their reports or are removed.
    const auto settled = [](const std::map<std::uint32_t, TrackedObject>& objects)
    {
        return objects.size() >= 20 &&
               std::all_of(objects.begin(), std::next(objects.begin(), 20),
                           [](const auto& o) { return o.second.positions.size() > 1 || o.second.removed; });
    };
    EXPECT_TRUE(run.waitObjects(settled, 120s)) << run.objects().size() << " objects";
}

// The user flies over 150 aircraft circling Zurich 9 nm out, on a straight track to the south-west, the
// simulator stand-in's user moved every 0.5 s. An aircraft let in by the range is shown 30 s later, where
// the user may have left the radius of any range request behind.
struct UserFlight
{
    const char* name;
    RunSettings settings;
    bool parkAtZurich; // the automatic range then follows the distance to Zurich
    double startNm, speedKt, altFt;
};
class FlyingUserRun : public testing::TestWithParam<UserFlight>
{
};

TEST_P(FlyingUserRun, NoObjectIsLeftFrozenBehindTheUser)
{
    const UserFlight& f = GetParam();
    RoadRun run{f.settings};
    if (f.parkAtZurich)
        run.parkAt("LSZH", std::filesystem::path(OXL_SOURCE_DIR) / "data" / "demo_airport_LSZH.xml");
    // [deg] per nm flown to the south-west
    const double dLat = -1.0 / 60.0 / std::sqrt(2.0), dLon = dLat / std::cos(degToRad(kZurichUserLatDeg));
    const double lat0 = kZurichUserLatDeg - f.startNm * dLat, lon0 = kZurichUserLonDeg - f.startNm * dLon;
    ASSERT_TRUE(run.startSim(lat0, lon0, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013", "--aircraft", "150", "--radius", "9", "--centre",
                                  fmt::format("{},{}", kZurichUserLatDeg, kZurichUserLonDeg)}));
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    const auto start = std::chrono::steady_clock::now();
    for (std::chrono::duration<double> s{}; s < 210s; s = std::chrono::steady_clock::now() - start)
    {
        const double nm = f.speedKt * s.count() / kSecondsPerHour;
        ASSERT_EQ(
            run.sim().command(fmt::format("teleport {} {} {}", lat0 + nm * dLat, lon0 + nm * dLon, f.altFt)),
            "ok");
        std::this_thread::sleep_for(500ms);
    }
    // Every live object created more than 10 s ago has moved or is gone (static ones, "*", stand still).
    const std::int64_t lateMs = run.trackMs() - 10000;
    const auto objects = run.objects();
    EXPECT_GT(objects.size(), 50u);
    for (const auto& [id, o] : objects)
        EXPECT_TRUE(o.tail.ends_with('*') || o.positions.front().ms > lateMs || o.positions.size() > 1 ||
                    o.removed)
            << o.tail << " created at " << o.positions.front().ms << " ms and left frozen";
}

INSTANTIATE_TEST_SUITE_P(
    Flights, FlyingUserRun,
    testing::Values(
        UserFlight{"ApproachAutoRange", {}, true, 25.0, 250.0, 3000.0},
        UserFlight{"FastTenMiles", {{"AUTO_RANGE", "false"}, {"RANGE", "10"}}, false, 0.0, 400.0, 5000.0}),
    [](const testing::TestParamInfo<UserFlight>& info) { return info.param.name; });

} // namespace
} // namespace oxl::test
