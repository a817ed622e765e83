// The program's scan for add-on airports at the start of a cycle, run with the real program: the user's
// folders walked, the report written, the scan switched off for the next start.
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

TEST(AirportScanRun, ManualFoldersAreWalkedAndTheScanSwitchesItselfOff)
{
    TempFolder addons;
    writeBytes(addons / "Scenery" / "objects.bgl", "not an airport");
    const std::string missing = (addons / "gone").string();
    RoadRun run{{{"SCAN_AIRPORTS", "true"},
                 {"AFG_AUTOMATIC", "false"},
                 {"afolder0", addons.path().string()},
                 {"afolder4", missing}}};
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startProgram());

    EXPECT_TRUE(run.waitLog("airports scan manual  starts", 60s));
    EXPECT_TRUE(run.waitLog("-------------------------- airports scan ends", 30s));
    EXPECT_TRUE(run.logHas("From parameter afolder0: " + addons.path().string()));
    EXPECT_TRUE(run.logHas("The scan will search 2 folders"));
    EXPECT_TRUE(run.logHas(missing + " does not exist, skipped!"));
    EXPECT_TRUE(run.logHas("output\\info\\AirportsScanLog.txt written"));
    EXPECT_TRUE(run.logHas("Warning: Scan has not found any add-on airports"));

    const std::string report = readBytes(run.programFolder() / "output" / "info" / "AirportsScanLog.txt");
    EXPECT_NE(report.find("Scanning for addon airports in " + addons.path().string()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(run.programFolder() / "TBLO"));
    const std::string settings = readBytes(run.folder() / "appdata" / "Ordalis_P3D" / "parameters.xml");
    EXPECT_NE(settings.find("<parameter name=\"SCAN_AIRPORTS\" value=\"false\""), std::string::npos);

    ASSERT_TRUE(run.program().terminate());
    EXPECT_EQ(run.program().wait(30000), std::optional<int>(0));
    if (HasFailure())
        run.dumpOnFailure();
}

} // namespace
} // namespace oxl::test
