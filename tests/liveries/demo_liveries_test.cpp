// The demo's installed liveries: scanning the aircraft folders that tools/make_demo_liveries.py writes
// gives exactly the liveries of the LiveriesScanned.xml it writes beside them.
#include "foundation/worker_slots.h"
#include "liveries/aircraft_cfg.h"
#include "liveries/dbase.h"
#include "liveries/liveries_scanned.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "platform/child_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;

using LiveryKey = std::tuple<std::string, std::string, std::string, std::string, bool>;

LiveryKey keyOf(const LiveryData& livery)
{
    return {livery.airl, livery.type, livery.title, livery.atcid, livery.cargo};
}

class DemoLiveriesTest : public ::testing::Test
{
  protected:
    DemoLiveriesTest() : drive_("OXL_DRIVE_D", sim_.path().string())
    {
        fs::copy_file(fs::path(OXL_BIN_DIR) / "input" / "dbase.enc", input_ / "dbase.enc");
        gf_clearScanContainers();
        gLiveries.ScannedLiveries.clear();
    }
    ~DemoLiveriesTest() override
    {
        gf_clearScanContainers();
        gLiveries.ScannedLiveries.clear();
    }

    // Runs the script; true when it ended with status 0.
    bool makeLiveries()
    {
        plat::ChildProcess script;
        const std::string tool = std::string(OXL_SOURCE_DIR) + "/tools/make_demo_liveries.py";
        if (!script.start("/usr/bin/env", {"python3", tool, "--sim", sim_.path().string(), "--out",
                                           (program_ / "output" / "LiveriesScanned.xml").string()}))
            return false;
        return script.wait(60000) == std::optional<int>(0);
    }

    test::TempFolder sim_;
    test::TempFolder program_;
    test::TempFolder input_;
    test::ScopedEnv drive_;
    test::LogCapture log_;
};

TEST_F(DemoLiveriesTest, ScanOfTheFoldersGivesTheWrittenLiveries)
{
    ASSERT_TRUE(gf_readDbase(input_.path()));
    ASSERT_TRUE(makeLiveries());

    std::vector<LiveryKey> scanned;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(sim_ / "SimObjects" / "Airplanes"))
    {
        ++files;
        gFoundation.gRunningWorkers = 1;
        const WinPath cfg("D:\\SimObjects\\Airplanes\\" + entry.path().filename().string() +
                          "\\aircraft.cfg");
        for (const LiveryData& livery : gf_searchLiveriesinFile(files, cfg))
            scanned.push_back(keyOf(livery));
    }
    EXPECT_EQ(files, 9);
    // Only the remarks on the private liveries, which have no parking code.
    EXPECT_EQ(gLiveries.IncompleteSections.size(), 3u);
    for (const std::string& remark : gLiveries.IncompleteSections.lines())
        EXPECT_NE(remark.find("icao_airline is missing"), std::string::npos) << remark;
    EXPECT_TRUE(gLiveries.InvalidAirlineCodes.empty());
    EXPECT_TRUE(gLiveries.InvalidModelCodes.empty());
    EXPECT_TRUE(gLiveries.InvalidCfgFiles.empty());

    test::ScopedCurrentPath inProgram(program_.path());
    gf_readLiveriesScanned();
    std::vector<LiveryKey> written;
    for (const LiveryData& livery : gLiveries.ScannedLiveries)
        written.push_back(keyOf(livery));
    std::sort(scanned.begin(), scanned.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written.size(), 13u);
    EXPECT_EQ(scanned, written);
}

TEST_F(DemoLiveriesTest, EveryAirlineAndTypeOfTheRecordingHasALivery)
{
    ASSERT_TRUE(makeLiveries());
    test::ScopedCurrentPath inProgram(program_.path());
    gf_readLiveriesScanned();
    std::vector<std::pair<std::string, std::string>> offered;
    for (const LiveryData& livery : gLiveries.ScannedLiveries)
        offered.emplace_back(livery.airl, livery.atcid);

    // Callsign and registration of every aircraft of the recording, from its traffic lines.
    const std::string recording =
        test::readBytes(fs::path(OXL_SOURCE_DIR) / "data" / "demo_traffic_LSZH.txt");
    ASSERT_FALSE(recording.empty());
    std::size_t start = 0;
    int checked = 0;
    while (start < recording.size())
    {
        std::size_t end = recording.find('\n', start);
        if (end == std::string::npos)
            end = recording.size();
        std::vector<std::string> fields;
        const std::string line = recording.substr(start, end - start);
        for (std::size_t from = 0, comma;; from = comma + 1)
        {
            comma = line.find(',', from);
            fields.push_back(
                line.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (comma == std::string::npos)
                break;
        }
        start = end + 1;
        if (fields.size() < 12)
            continue;
        const std::string& registration = fields[11];
        ++checked;
        EXPECT_TRUE(std::any_of(offered.begin(), offered.end(),
                                [&](const auto& livery) { return livery.second == registration; }))
            << registration;
    }
    EXPECT_GT(checked, 100);
}

} // namespace
} // namespace oxl
