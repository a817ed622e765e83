// Whole cycles of the program beside both stand-ins: a reader that cannot bind its port restarts the
// cycle after its countdown with the scans off and no version check, a close during the countdown ends
// the program, and a simulator that goes away ends it too.
#include "platform/net_udp.h"
#include "tests/e2e/road_run.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

// Zurich, the user's aircraft on the main apron.
constexpr double kUserLatDeg = 47.45350;
constexpr double kUserLonDeg = 8.56100;
constexpr double kGroundFt = 1416;
constexpr std::uint16_t kTrafficPort = 49005;

constexpr const char* kConnected = "Lockheed Martin Prepar3D v5 (5.3.17.28160) connected";
constexpr const char* kVersionCheckFailed = "Downloading version info from my web site failed!";
constexpr const char* kReaderFailed = "The Traffic Reader has stopped with error: bind to stream socket failed, "
                                      "error: 10048 Address already in use";

std::string settingsOf(const RoadRun& run)
{
    return readBytes(run.folder() / "appdata" / "Ordalis_P3D" / "parameters.xml");
}

// The Traffic Reader's port taken by another program: the cycle ends with READER ERROR.
class ReaderPortTaken : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(plat::net::bindUdp(holder_, "127.0.0.1", kTrafficPort));
        ASSERT_TRUE(run_.startSim(kUserLatDeg, kUserLonDeg, kGroundFt));
        ASSERT_TRUE(run_.startTraffic({"--qnh", "1013"}));
        ASSERT_TRUE(run_.startProgram());
    }

    plat::net::Socket holder_ = plat::net::openUdp();
    // Both scans asked for: the restart after a failure must switch them off.
    RoadRun run_{{{"SCAN_LIVERIES", "true"}, {"SCAN_AIRPORTS", "true"}}};
};

TEST_F(ReaderPortTaken, RestartsAfterItsCountdownWithTheScansOffAndNoVersionCheck)
{
    ASSERT_TRUE(run_.waitLog(kReaderFailed, 60s));
    EXPECT_TRUE(run_.waitLog("Exiting: READER ERROR", 10s));
    EXPECT_TRUE(run_.waitLog("Prepare for a restart ...", 10s));
    EXPECT_TRUE(run_.waitLog("Restarting after 15 seconds", 10s));
    ASSERT_TRUE(waitUntil([&] { return run_.logCount(kConnected) == 2; }, 60s));
    EXPECT_NE(settingsOf(run_).find("<parameter name=\"SCAN_LIVERIES\" value=\"false\""), std::string::npos);
    EXPECT_NE(settingsOf(run_).find("<parameter name=\"SCAN_AIRPORTS\" value=\"false\""), std::string::npos);
    EXPECT_EQ(run_.logCount(kVersionCheckFailed), 1u);
    // The traffic source is accepted anew by the second cycle.
    EXPECT_TRUE(waitUntil([&] { return run_.logCount("RealTraffic connected") == 2; }, 60s));

    ASSERT_TRUE(run_.program().terminate());
    EXPECT_EQ(run_.program().wait(30000), std::optional<int>(0));
}

TEST_F(ReaderPortTaken, CloseDuringTheCountdownEndsTheProgram)
{
    ASSERT_TRUE(run_.waitLog("Restarting after 15 seconds", 60s));
    ASSERT_TRUE(run_.program().terminate());
    EXPECT_EQ(run_.program().wait(30000), std::optional<int>(0));
    EXPECT_EQ(run_.logCount("Waiting for Prepar3Dv5 ..."), 1u);
    EXPECT_EQ(run_.logCount(kConnected), 1u);
}

TEST(SimulatorGone, DroppedLinkEndsTheProgramWithoutARestart)
{
    RoadRun run;
    ASSERT_TRUE(run.startSim(kUserLatDeg, kUserLonDeg, kGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    EXPECT_EQ(run.sim().command("drop"), "ok");
    EXPECT_TRUE(run.waitLog("Exiting: SIM WAS CLOSED", 30s));
    EXPECT_EQ(run.program().wait(30000), std::optional<int>(0));
    EXPECT_EQ(run.logCount(kConnected), 1u);
    EXPECT_EQ(run.logCount("Prepare for a restart ..."), 0u);
}

} // namespace
} // namespace oxl::test
