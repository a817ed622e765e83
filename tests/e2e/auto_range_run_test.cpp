// "Auto range" in the running program: with the user aircraft on the ground the radius steps down from the
// stored 40 nm to 10 nm, and the aircraft circling on its edge are all found when created: every object
// created moves with its reports or is removed.
#include "foundation/units.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "traffic/cycle/main_loop.h"

#include <gtest/gtest.h>

#include <algorithm>

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

} // namespace
} // namespace oxl::test
