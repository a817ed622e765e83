// The park-airport step in the real program beside both stand-ins: the user aircraft stands at Zurich,
// which is listed in my_park_airports.txt but has no airport file anywhere, so no park airport is chosen,
// the user is told so at every step and the log says it once.
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

constexpr const char* kClosest = "Airport LSZH is closest";
constexpr const char* kNoFile = "User aircraft on the ground at LSZH, no airport file found";

TEST(ParkAirportRun, AListedAirportWithoutAFileIsNotChosenAndSaidOnce)
{
    RoadRun run;
    writeBytes(run.programFolder() / "airports" / "my_park_airports.txt", "LSZH,A 11\n");
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());

    ASSERT_TRUE(run.waitLog("1 park airport read from 'my_park_airports.txt'", 90s));
    ASSERT_TRUE(run.waitLog(kNoFile, 90s));
    // Two more park-airport steps: the airport is looked at again, but neither probed nor logged again.
    ASSERT_TRUE(waitUntil([&] { return run.logCount(kClosest) >= 3; }, 90s));
    EXPECT_EQ(run.logCount(kNoFile), 1u);
    EXPECT_FALSE(run.logHas("The park airport is"));
    EXPECT_FALSE(run.logHas("Exiting:"));
    EXPECT_EQ(readBytes(run.programFolder() / "airports" / "my_park_airports.txt"), "LSZH,A 11\n");
}

} // namespace
} // namespace oxl::test
