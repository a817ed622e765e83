// Closing the program's window while it runs beside both stand-ins ends it within a few seconds, and the
// intake's counts of the last minute reach the log.
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

TEST(Closing, CloseEndsTheProgramAndItsLinksWithinAFewSeconds)
{
    RoadRun run;
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
    // The start-up checks have read the demo's liveries and found the traffic source installed.
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    EXPECT_TRUE(run.logHas("13 liveries read from output/LiveriesScanned.xml"));
    EXPECT_TRUE(run.logHas("RealTraffic connected"));

    ASSERT_TRUE(run.program().terminate());
    // A few seconds: the readers and the simulator link poll their stop flags at least every 250 ms.
    EXPECT_EQ(run.program().wait(10000), std::optional<int>(0));
    EXPECT_TRUE(run.logHas("Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(run.logHas("SimConnect closed ok"));
    // Less than a minute of ticks: the intake line comes from the main loop's end, with the counts so far.
    EXPECT_GE(run.logCount("Intake: "), 1u);
    // The traffic source was told (it notes the line once it has read it), and the simulator has no
    // client left.
    EXPECT_TRUE(waitUntil(
        [&]
        {
            const auto record = run.sourceRecord();
            return std::any_of(record.begin(), record.end(),
                               [](const std::string& line) { return line.ends_with(" exit"); });
        },
        10s));
    EXPECT_TRUE(
        run.sim().waitState([](const nlohmann::json& state) { return state["sessions"].empty(); }, 10s));
}

} // namespace
} // namespace oxl::test
