// "Auto range" in the running program: with the user aircraft on the ground the radius that the program
// asks the simulator for steps down from the stored 40 nm to 10 nm.
#include "foundation/units.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

constexpr std::uint32_t kGroundRadiusM = wholeNmToMetres(10);

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
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013"}));
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
        EXPECT_TRUE(radius == kGroundRadiusM || radius == wholeNmToMetres(40)) << radius;
}

} // namespace
} // namespace oxl::test
