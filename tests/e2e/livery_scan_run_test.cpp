// The livery scan asked for in the settings, run by the real program over the demo's aircraft folders:
// the scan writes LiveriesScanned.xml with the liveries the folders hold, switches itself off, and the
// next start reads the file instead of scanning.
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <iterator>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

constexpr std::size_t kDemoLiveries = 13;

std::size_t liveriesInFile(const std::filesystem::path& file)
{
    pugi::xml_document doc;
    if (!doc.load_file(file.c_str()))
        return 0;
    const auto livs = doc.child("liveries").children("liv");
    return static_cast<std::size_t>(std::distance(livs.begin(), livs.end()));
}

TEST(LiveryScanRun, ScanWritesTheFileAndTheNextStartReadsIt)
{
    RoadRun run{{{"SCAN_LIVERIES", "true"}}};
    const std::filesystem::path scanned = run.programFolder() / "output" / "LiveriesScanned.xml";
    // The last scan's file, which only a scan that ends replaces.
    writeBytes(scanned, "<liveries><liv airl='A' type='B' title='last scan'/></liveries>");
    const std::string folder = (run.folder() / "P3Dv5" / "SimObjects" / "Airplanes").string();
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));

    // Killed while it saves the settings, then the scan: what was saved stays, the next start removes
    // what the killed save left.
    const char* asan = std::getenv("ASAN_OPTIONS");
    auto killInSave = [&](const std::string& file)
    {
        const std::filesystem::path mark = run.folder() / "saving";
        std::filesystem::remove(mark);
        ASSERT_TRUE(run.startProgram(
            {"LD_PRELOAD=" + std::string(OXL_BIN_DIR) + "/liboxl_hold_rename.so",
             "OXL_HOLD_RENAME_OF=" + file, "OXL_HOLD_RENAME_MARK=" + mark.string(),
             std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":verify_asan_link_order=0"}));
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(mark); }, 60s)) << file << " never saved";
        run.program().kill();
    };
    const std::filesystem::path settingsFile = run.folder() / "appdata" / "Ordalis_P3D" / "parameters.xml";
    const std::string settingsBefore = readBytes(settingsFile);
    killInSave("Ordalis_P3D/parameters.xml");
    EXPECT_EQ(readBytes(settingsFile), settingsBefore);
    killInSave("output/LiveriesScanned.xml");
    EXPECT_TRUE(run.logHas("parameters.xml.0.tmp' left by an interrupted save removed"));
    EXPECT_EQ(liveriesInFile(scanned), 1u);
    std::filesystem::rename(run.programFolder() / "Log.txt", run.programFolder() / "KilledStartLog.txt");
    // On a file system without fsync the scan and the settings are saved all the same, said once.
    ASSERT_TRUE(run.startProgram(
        {"LD_PRELOAD=" + std::string(OXL_BIN_DIR) + "/liboxl_hold_rename.so", "OXL_NO_FSYNC=1",
         std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":verify_asan_link_order=0"}));
    ASSERT_TRUE(run.waitLog("' left by an interrupted save removed", 60s));
    EXPECT_TRUE(run.logHas("'output/LiveriesScanned.xml."));

    ASSERT_TRUE(run.waitLog(fmt::format("{} liveries found in {}", kDemoLiveries, folder), 60s));
    ASSERT_TRUE(
        run.waitLog(fmt::format("{} liveries read from output/LiveriesScanned.xml", kDemoLiveries), 30s));
    EXPECT_TRUE(run.logHas("liveries scan manual starts"));
    EXPECT_TRUE(run.logHas("liveries scan ends"));
    EXPECT_EQ(liveriesInFile(scanned), kDemoLiveries);
    const std::string settings = readBytes(run.folder() / "appdata" / "Ordalis_P3D" / "parameters.xml");
    EXPECT_NE(settings.find("<parameter name=\"SCAN_LIVERIES\" value=\"false\""), std::string::npos);
    EXPECT_EQ(run.logCount("Files are saved without a flush to the disk"), 1u);
    ASSERT_TRUE(run.program().terminate());
    EXPECT_EQ(run.program().wait(30000), std::optional<int>(0));

    // The next start reads the file and scans nothing; its log starts empty.
    std::filesystem::rename(run.programFolder() / "Log.txt", run.programFolder() / "FirstStartLog.txt");
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(waitUntil([&] { return run.logHas("liveries read from output/LiveriesScanned.xml"); }, 60s));
    EXPECT_FALSE(run.logHas("liveries scan manual starts"));
    ASSERT_TRUE(run.program().terminate());
    EXPECT_EQ(run.program().wait(30000), std::optional<int>(0));
}

} // namespace
} // namespace oxl::test
