// The airport scan over scenery trees on disk: which BGL files reach a decode worker, how many workers
// run at once, failing files, the stop flags, the scan report, and the copies kept for offline learning.
// The decode itself is a stand-in that writes the airport files a real decode would write.
#include "airports/airport_scan.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/errors.h"
#include "foundation/run_state.h"
#include "foundation/worker_slots.h"
#include "tests/support/log_capture.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"
#include "window/window_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::readBytes;
using test::ScopedCurrentPath;
using test::ScopedEnv;
using test::SettingsFolder;
using test::splitLines;
using test::TempFolder;
using test::writeBytes;

// What the stand-in decode saw. A file reads "AIRPORT <ICAO> <publisher> [link]", "BROKEN" or anything
// else (no airport section).
struct DecodeRecord
{
    std::mutex mutex;
    std::multiset<std::string> decoded; // ICAO codes (mutex)
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
};

DecodeRecord* gRecord = nullptr;

bool fakeHasAirportSection(const fs::path& file)
{
    const std::string bytes = readBytes(file);
    return bytes.rfind("AIRPORT", 0) == 0 || bytes.rfind("BROKEN", 0) == 0;
}

void fakeProcessBglFile(const fs::path& file)
{
    DecodeRecord& record = *gRecord;
    struct Leave
    {
        DecodeRecord& record;
        ~Leave()
        {
            record.running.fetch_sub(1);
            record.finished.fetch_add(1);
            gf_releaseWorkerSlot();
        }
    } leave{record};
    record.started.fetch_add(1);
    const int now = record.running.fetch_add(1) + 1;
    int most = record.mostRunning.load();
    while (now > most && !record.mostRunning.compare_exchange_weak(most, now))
    {
    }
    // Long enough for the next workers to start beside this one.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));

    std::istringstream words(readBytes(file));
    std::string kind, icao, publisher, link;
    words >> kind >> icao >> publisher >> link;
    if (kind == "BROKEN")
        throw std::runtime_error("record beyond the end of " + file.filename().string());
    const fs::path folder = fs::path("airports") / (publisher == "simaddon" ? "my_ORBX" : "my_thirdparty");
    writeBytes(folder / (icao + ".xml"), "<airport/>\n");
    if (link == "link")
        writeBytes(folder / (icao + ".txt"), "archive/x/" + icao + ".xml\n");
    gf_addScanLogLine("decoded " + icao);
    gAirports.gAirportsFound.store(true);
    std::lock_guard lock(record.mutex);
    record.decoded.insert(icao);
}

// A program folder as the working folder, a drive D, a ProgramData folder and an install folder with
// its stock scenery, and the stand-in decode installed.
class AirportScan : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        gRecord = &record_;
        for (const char* folder : {"airports/my_ORBX", "airports/my_thirdparty", "output/info"})
            fs::create_directories(work_ / folder);
        writeBytes(install_ / "Scenery" / "World" / "scenery" / "stock.bgl", "AIRPORT LSZH simaddon");
        ALL_INSTALL_PATH.set(install_.string());
        gf_setStockAirportsPath(WinPath(install_.string()) / "Scenery");
        gf_resetWorkerSlots();
        gf_installAirportScanPort(&port_);
        // The scan log lives as long as the process: other tests' lines stay before this test's.
        scanLogStart_ = gf_scanLogLines().size();
    }
    void TearDown() override
    {
        gf_installAirportScanPort(nullptr);
        gf_setStockAirportsPath(WinPath());
        gf_clearStop();
        gRecord = nullptr;
    }

    std::multiset<std::string> decoded()
    {
        std::lock_guard lock(record_.mutex);
        return record_.decoded;
    }
    // The scan log's lines added by this test (all of them once a whole scan has emptied it).
    std::vector<std::string> scanLog() const
    {
        std::vector<std::string> lines = gf_scanLogLines();
        lines.erase(lines.begin(),
                    lines.begin() + static_cast<std::ptrdiff_t>(std::min(scanLogStart_, lines.size())));
        return lines;
    }
    bool scanLogHas(const std::string& line) const
    {
        const auto lines = scanLog();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    void airportFile(const std::string& folder, const std::string& name) const
    {
        writeBytes(work_ / "airports" / folder / name, "x\n");
    }

    TempFolder work_;
    TempFolder root_;
    fs::path install_ = root_ / "Lockheed Martin" / "Prepar3D v5";
    ScopedEnv driveD_{"OXL_DRIVE_D", (root_ / "driveD").string()};
    ScopedEnv programData_{"OXL_PROGRAMDATA", (root_ / "ProgramData").string()};
    ScopedEnv headless_{"OXL_HEADLESS", "1"};
    SettingsFolder settings_;
    ScopedCurrentPath cwd_{work_.path()};
    DecodeRecord record_;
    std::set<std::string> wanted_;
    std::size_t scanLogStart_ = 0;

    // The scan's neighbours here: simulator v5, the stand-in decode and the stock files in wanted_.
    class FakeScanPort final : public NoAirportScanPort
    {
      public:
        explicit FakeScanPort(const std::set<std::string>& wanted) : wanted_(wanted) {}
        [[nodiscard]] std::string simulatorVersion() override { return "5"; }
        [[nodiscard]] bool hasAirportSection(const fs::path& file) override
        {
            return fakeHasAirportSection(file);
        }
        void processBglFile(const fs::path& file) override { fakeProcessBglFile(file); }
        [[nodiscard]] bool stockArchivedAirport(const std::string& icao) override
        {
            return wanted_.count(icao) != 0;
        }

      private:
        const std::set<std::string>& wanted_;
    };
    FakeScanPort port_{wanted_};
};

TEST_F(AirportScan, OnlyBglFilesWithAirportsOutsideStaticsAndHeliportsAreDecoded)
{
    const fs::path addons = root_ / "driveD" / "Addons";
    writeBytes(addons / "EGLL" / "scenery" / "EGLL.bgl", "AIRPORT EGLL simaddon");
    writeBytes(addons / "EGLL" / "scenery" / "statics" / "jetways.bgl", "AIRPORT EGLS simaddon");
    writeBytes(addons / "EGLL" / "_heliports" / "pads.BGL", "AIRPORT EGLH simaddon");
    writeBytes(addons / "KJFK" / "KJFK.BGL", "AIRPORT KJFK FlyTampa");
    writeBytes(addons / "KJFK" / "KJFK.bglx", "AIRPORT KJFX FlyTampa");
    writeBytes(addons / "KJFK" / "KJFK.Bgl", "AIRPORT KJFY FlyTampa");
    writeBytes(addons / "KJFK" / "objects.bgl", "OBJECTS");

    gf_scanFolderForBgl(WinPath("D:\\Addons"));

    EXPECT_EQ(decoded(), (std::multiset<std::string>{"EGLL", "KJFK"}));
    EXPECT_TRUE(scanLogHas("Scanning for addon airports in D:\\Addons"));
    EXPECT_TRUE(fs::exists(work_ / "airports" / "my_ORBX" / "EGLL.xml"));
    EXPECT_TRUE(fs::exists(work_ / "airports" / "my_thirdparty" / "KJFK.xml"));
}

TEST_F(AirportScan, TheStockSceneryBelowAScannedFolderIsNotEntered)
{
    writeBytes(install_ / "Addon Scenery" / "LOWI" / "LOWI.bgl", "AIRPORT LOWI unknown");
    gf_scanFolderForBgl(WinPath(install_.string()));
    EXPECT_EQ(decoded(), (std::multiset<std::string>{"LOWI"}));
}

TEST_F(AirportScan, AFailingFileIsReportedAndTheWalkGoesOnWithEveryWorkerEndedAtReturn)
{
    gFoundation.gWorkerLimit.store(1);
    const fs::path folder = root_ / "driveD" / "Many";
    writeBytes(folder / "a" / "0.bgl", "BROKEN");
    for (int i = 1; i <= 6; ++i)
        writeBytes(folder / "a" / (std::to_string(i) + ".bgl"),
                   "AIRPORT EH0" + std::to_string(i) + " unknown");

    gf_scanFolderForBgl(WinPath("D:\\Many"));

    EXPECT_EQ(decoded().size(), 6u);
    EXPECT_EQ(record_.started.load(), 7);
    EXPECT_EQ(record_.finished.load(), 7);
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
    const auto lines = scanLog();
    // Its failure is said once, beside one marked line of the report (the walk's form or the worker's).
    for (const std::string part : {"===>  airports search", "record beyond the end of 0.bgl"})
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](auto& l) { return l.find(part) != l.npos; }),
                  1);
}

TEST_F(AirportScan, NoMoreWorkersRunThanTheLimit)
{
    gFoundation.gWorkerLimit.store(2);
    const fs::path folder = root_ / "driveD" / "Wide";
    for (int i = 0; i < 12; ++i)
        writeBytes(folder / (std::to_string(i) + ".bgl"), "AIRPORT K" + std::to_string(100 + i) + " unknown");

    gf_scanFolderForBgl(WinPath("D:\\Wide"));

    EXPECT_EQ(decoded().size(), 12u);
    EXPECT_LE(record_.mostRunning.load(), 2);
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
}

TEST_F(AirportScan, AStopStartsNoFurtherWorker)
{
    writeBytes(root_ / "driveD" / "Stop" / "EGLL.bgl", "AIRPORT EGLL simaddon");
    gf_requestStop(ExitReason::userClosedSim, 0);
    gf_scanFolderForBgl(WinPath("D:\\Stop"));
    EXPECT_TRUE(decoded().empty());
}

TEST_F(AirportScan, MissingFilesAndStockFoldersAreSkipped)
{
    writeBytes(root_ / "driveD" / "file.bgl", "AIRPORT EGLL simaddon");
    gf_scanFolders({"D:\\Nothing", "", "D:\\file.bgl", install_.string() + "\\Scenery\\World"});
    EXPECT_TRUE(decoded().empty());
    EXPECT_TRUE(settings_.logged("D:\\Nothing does not exist, skipped!"));
    EXPECT_TRUE(settings_.logged("D:\\file.bgl is not a folder name, skipped!"));
    EXPECT_TRUE(scanLog().empty());
}

TEST_F(AirportScan, AFolderListedTwiceIsScannedTwice)
{
    writeBytes(root_ / "driveD" / "Twice" / "EGLL.bgl", "AIRPORT EGLL simaddon");
    gf_scanFolders({"D:\\Twice", "D:\\Twice"});
    EXPECT_EQ(decoded(), (std::multiset<std::string>{"EGLL", "EGLL"}));
}

TEST_F(AirportScan, AutomaticScanOfTheSimulatorsListsWithOfflineLearningCopies)
{
    const fs::path lists = root_ / "ProgramData" / "Lockheed Martin" / "Prepar3D v5";
    writeBytes(lists / "scenery.cfg", "[Area.001]\r\nLocal=D:\\ORBX\\EGLL\r\nActive=TRUE\r\n");
    writeBytes(lists / "scenery_add-ons.xml", "<Path>D:\\FlyTampa\\KJFK</Path>\r\n");
    writeBytes(root_ / "driveD" / "ORBX" / "EGLL" / "scenery" / "EGLL.bgl", "AIRPORT EGLL simaddon");
    writeBytes(root_ / "driveD" / "ORBX" / "EGLL" / "scenery" / "EGKK.bgl", "AIRPORT EGKK simaddon");
    writeBytes(root_ / "driveD" / "FlyTampa" / "KJFK" / "KJFK.bgl", "AIRPORT KJFK FlyTampa link");
    airportFile("my_ORBX", "OLD.xml");
    wanted_ = {"EGLL", "KJFK"};

    gf_scanAirports();

    EXPECT_TRUE(settings_.logged("++++++++++++++++++++++++ airports scan automatic  starts "
                                 "+++++++++++++++++++++++++++++"));
    EXPECT_TRUE(settings_.logged("The scan will search 2 folders"));
    EXPECT_FALSE(fs::exists(work_ / "airports" / "my_ORBX" / "OLD.xml"));
    // The report holds the scan log; the log itself is emptied.
    const auto report = splitLines(readBytes(work_ / "output" / "info" / "AirportsScanLog.txt"));
    EXPECT_NE(std::find(report.begin(), report.end(), "Scanning for addon airports in D:\\ORBX\\EGLL"),
              report.end());
    EXPECT_NE(std::find(report.begin(), report.end(), "decoded KJFK"), report.end());
    EXPECT_TRUE(gf_scanLogLines().empty());
    EXPECT_TRUE(settings_.logged("output\\info\\AirportsScanLog.txt written"));
    EXPECT_TRUE(settings_.logged("Airports scan successful"));

    // EGLL and KJFK want offline learning; KJFK's generated file goes, its link stays.
    EXPECT_TRUE(fs::exists(work_ / "TBLO" / "EGLL.xml"));
    EXPECT_TRUE(fs::exists(work_ / "TBLO" / "KJFK.xml"));
    EXPECT_TRUE(fs::exists(work_ / "airports" / "my_ORBX" / "EGLL.xml"));
    EXPECT_FALSE(fs::exists(work_ / "airports" / "my_thirdparty" / "KJFK.xml"));
    EXPECT_TRUE(fs::exists(work_ / "airports" / "my_thirdparty" / "KJFK.txt"));
    EXPECT_TRUE(settings_.logged("EGLL copied to TBLO\\EGLL.xml"));
    EXPECT_TRUE(settings_.logged("KJFK copied to TBLO\\KJFK.xml"));
    EXPECT_EQ(gWindow.gMainWindow.simaddonComplete.load(), 1);
    EXPECT_EQ(gWindow.gMainWindow.tbloFileCount.load(), 2u);
    const auto lines = settings_.logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line)
                            { return line.rfind("===> Please zip the folder ", 0) == 0; }),
              2);

    EXPECT_FALSE(SCAN_AIRPORTS.value());
    EXPECT_EQ(settings_.valueOf("SCAN_AIRPORTS"), "false");
    EXPECT_TRUE(
        settings_.logged("-------------------------- airports scan ends    ----------------------------"));
}

TEST_F(AirportScan, AScanThatFindsNothingWarnsAndLeavesNoTbloFolder)
{
    fs::create_directories(work_ / "TBLO");
    writeBytes(work_ / "TBLO" / "stale.xml", "x");
    writeBytes(work_ / "output" / "info" / "AirportsScanLog.txt", "old report\n");

    gf_scanAirports();

    EXPECT_TRUE(settings_.logged("Warning: Scan has not found any add-on airports"));
    EXPECT_FALSE(settings_.logged("Airports scan successful"));
    EXPECT_FALSE(fs::exists(work_ / "TBLO"));
    EXPECT_EQ(readBytes(work_ / "output" / "info" / "AirportsScanLog.txt"), "");
    EXPECT_EQ(settings_.valueOf("SCAN_AIRPORTS"), "false");
}

TEST_F(AirportScan, ManualScanTakesTheAfolderSettings)
{
    AFG_AUTOMATIC.set(false);
    afolder[3].set("D:\\Mi\nne");
    writeBytes(root_ / "driveD" / "Mi\nne" / "LOWW.bgl", "AIRPORT LOWW Aerosoft");

    gf_scanAirports();

    EXPECT_TRUE(settings_.logged("++++++++++++++++++++++++ airports scan manual  starts "
                                 "+++++++++++++++++++++++++++++"));
    EXPECT_EQ(decoded(), (std::multiset<std::string>{"LOWW"}));
    EXPECT_TRUE(settings_.logged("All your third party airports are done, no off line learning needed."));
    EXPECT_FALSE(fs::exists(work_ / "TBLO"));
    const auto report = splitLines(readBytes(work_ / "output" / "info" / "AirportsScanLog.txt"));
    EXPECT_NE(std::find(report.begin(), report.end(), "Scanning for addon airports in D:\\Mi\\nne"),
              report.end());
}

TEST_F(AirportScan, ManualScanWithoutFoldersIsTheUsersError)
{
    AFG_AUTOMATIC.set(false);
    try
    {
        gf_scanAirports();
        FAIL() << "no error";
    }
    catch (const UserErrorException& error)
    {
        EXPECT_STREQ(error.what(),
                     "49: Set afolder parameter(-s) to your add-on airports first, see Manual 6.1");
    }
    EXPECT_TRUE(SCAN_AIRPORTS.value());
}

TEST_F(AirportScan, CopiesOfFoldersWhoseAirportsNeedNoLearning)
{
    fs::create_directories(work_ / "TBLO");
    airportFile("my_ORBX", "EGLL.xml");
    airportFile("my_thirdparty", "KJFK.xml");
    gWindow.gMainWindow.simaddonComplete.store(0);

    const std::size_t linesBefore = settings_.logLines().size();
    gf_copyOrbxToTblo({});
    gf_copyThirdpartyToTblo({});
    EXPECT_EQ(settings_.logLines().size(), linesBefore);
    EXPECT_EQ(gWindow.gMainWindow.simaddonComplete.load(), 0);

    gf_copyOrbxToTblo({"EGLL"});
    EXPECT_EQ(gWindow.gMainWindow.simaddonComplete.load(), 1);
    EXPECT_TRUE(settings_.logged("All your ORBX airports are done, no off line learning needed."));
    EXPECT_TRUE(fs::exists(work_ / "TBLO"));

    gf_copyThirdpartyToTblo({"KJFK"});
    EXPECT_TRUE(settings_.logged("All your third party airports are done, no off line learning needed."));
    EXPECT_FALSE(fs::exists(work_ / "TBLO"));
    EXPECT_TRUE(fs::exists(work_ / "airports" / "my_thirdparty" / "KJFK.xml"));
}

} // namespace
} // namespace oxl
