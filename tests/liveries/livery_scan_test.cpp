#include "liveries/livery_scan.h"

#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/run_state.h"
#include "foundation/utf.h"
#include "foundation/worker_slots.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_indexes.h"
#include "liveries/livery_processing.h"
#include "tests/liveries/livery_scan_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/settings_fixture.h"
#include "window/window_state.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

/// One section of a generated aircraft.cfg.
struct Section
{
    std::string airline;
    std::string title;
    std::string atcid;
};

// A program folder as the working folder, drive D: for the aircraft, a simulator of version 5 installed
// in D:\P3D, and a database that knows the aircraft's types and airlines.
class LiveryScanRunTest : public ::testing::Test
{
  protected:
    LiveryScanRunTest()
        : drive_("OXL_DRIVE_D", driveD_.path().string()),
          programDataEnv_("OXL_PROGRAMDATA", programData_.path().string()), current_(work_.path())
    {
        fs::create_directories(work_ / "input");
        fs::create_directories(work_ / "output" / "info");
        test::installLiveryDbase();
        gLiveries.gDbase.airlineCodes.insert("SHT");
        gLiveries.gDbase.registrations["G-OPER"] = DbaseRecord{"BAW", "B738", "SHT", false};
        reset();
        gf_resetWorkerSlots();
        SIM_INSTALL_PATH.set("D:\\P3D");
        SCAN_LIVERIES.set(true);
    }
    ~LiveryScanRunTest() override
    {
        gFoundation.gStopRequested.store(0);
        reset();
    }

    static void reset()
    {
        gf_serveLiveryIndexClearRequest();
        gf_clearLiveryIndexes();
        gLiveries.gLiveriesProcessed = false;
        gf_clearScanContainers();
        gLiveries.ScannedLiveries.clear();
    }

    /// Writes an aircraft folder below drive D: whose configuration file gives these sections.
    void writeAircraft(const std::string& folder, const std::string& type,
                       const std::vector<Section>& sections, const std::string& cfgName = "aircraft.cfg",
                       test::CfgCharset charset = test::CfgCharset::Utf8) const
    {
        test::AircraftFolder aircraft;
        aircraft.folder = folder;
        aircraft.cfgName = cfgName;
        aircraft.charset = charset;
        aircraft.lines = {"[General]", "atc_model=" + type, ""};
        for (std::size_t i = 0; i < sections.size(); ++i)
        {
            const Section& section = sections[i];
            aircraft.lines.insert(aircraft.lines.end(),
                                  {"[fltsim." + std::to_string(i) + "]", "title=" + section.title, "sim=a",
                                   "atc_parking_codes=" + section.airline});
            if (!section.atcid.empty())
                aircraft.lines.push_back("atc_id=" + section.atcid);
        }
        aircraft.subfolders = {"model", "texture"};
        aircraft.files = {"a.air"};
        test::writeAircraftFolder(driveD_.path(), aircraft);
    }

    /// The titles of output/LiveriesScanned.xml, in file order.
    std::vector<std::string> titlesInFile() const
    {
        pugi::xml_document doc;
        std::vector<std::string> titles;
        if (!doc.load_file((work_ / "output" / "LiveriesScanned.xml").c_str()))
            return titles;
        for (const pugi::xml_node& liv : doc.child("liveries").children("liv"))
            titles.emplace_back(gf_restoreBytes(liv.attribute("title").value()));
        return titles;
    }

    bool fileWritten() const { return fs::exists(work_ / "output" / "LiveriesScanned.xml"); }

    void useManualFolders(const std::vector<std::string>& folders) const
    {
        LIG_AUTOMATIC.set(false);
        for (std::size_t i = 0; i < folders.size(); ++i)
            lfolder[i].set(folders[i]);
    }

    test::SettingsFolder settings_;
    test::TempFolder work_;
    test::TempFolder driveD_;
    test::TempFolder programData_;
    test::ScopedEnv drive_;
    test::ScopedEnv programDataEnv_;
    test::ScopedCurrentPath current_;
    test::SimulatorVersionFive version_;
};

TEST_F(LiveryScanRunTest, ManualScanWritesTheFileThatTheNextStartReads)
{
    const auto files = test::writeLiveryTree(driveD_ / "AI", test::TreeSpec{});
    std::vector<std::string> expected;
    for (const test::GeneratedCfg& cfg : files)
        for (const test::ExpectedLivery& livery : cfg.liveries)
            expected.push_back(livery.title);
    useManualFolders({"D:\\AI"});

    gf_scanLiveries();

    EXPECT_THAT(titlesInFile(), UnorderedElementsAreArray(expected));
    EXPECT_FALSE(SCAN_LIVERIES.value());
    EXPECT_EQ(settings_.valueOf("SCAN_LIVERIES"), "false");
    EXPECT_TRUE(gLiveries.gLiveriesProcessed);
    EXPECT_EQ(gWindow.gMainWindow.liveryCount.load(), expected.size());
    EXPECT_TRUE(settings_.logged(fmt::format("{} liveries found in D:\\AI", expected.size())));
    EXPECT_TRUE(settings_.logged(
        "++++++++++++++++++++++++ liveries scan manual starts ++++++++++++++++++++++++++++++++"));
    EXPECT_TRUE(
        settings_.logged("++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++"));
    EXPECT_TRUE(settings_.logged("Errors:"));
    // The broken files of the tree are reported, and the lists are empty for the next scan.
    EXPECT_TRUE(fs::exists(work_ / "output" / "info" / "AircraftCfgWithNoFltsimSection.txt"));
    EXPECT_TRUE(fs::exists(work_ / "output" / "errors" / "InvalidAircraftCfgFiles.txt"));
    EXPECT_EQ(gLiveries.ScannedTitles.size(), 0u);
    EXPECT_TRUE(gLiveries.InvalidCfgFiles.empty());
    EXPECT_TRUE(gLiveries.ScannedLiveries.empty());

    // The next program start reads the file instead of scanning.
    reset();
    gWindow.gMainWindow.liveryCount.store(0);
    gf_scanLiveries();
    EXPECT_EQ(gWindow.gMainWindow.liveryCount.load(), expected.size());
    EXPECT_TRUE(
        settings_.logged(fmt::format("{} liveries read from output/LiveriesScanned.xml", expected.size())));
}

TEST_F(LiveryScanRunTest, FolderListSkipsEmptyMissingAndFileEntries)
{
    writeAircraft("A/B738", "B738", {{"BAW", "A one", ""}});
    writeAircraft("B/B738", "B738", {{"BAW", "B one", ""}});
    writeAircraft("B/A320", "A320", {{"DLH", "B two", ""}});
    test::writeBytes(driveD_ / "afile.txt", "");
    LIG_PRIORITIZE.set(true);

    ASSERT_TRUE(gf_scanLiveryFolders({"", "D:\\missing", "D:\\afile.txt", "D:\\A", "D:\\B"}));

    // D:\A is the first existing folder: its airline and type win over the same pair in D:\B.
    EXPECT_THAT(titlesInFile(), ElementsAre("A one", "B two"));
    EXPECT_TRUE(settings_.logged("D:\\missing does not exist, skipped!"));
    EXPECT_TRUE(settings_.logged("D:\\afile.txt is not a folder name, skipped!"));
    EXPECT_TRUE(settings_.logged("1 liverie found in D:\\A"));
    EXPECT_TRUE(settings_.logged("2 liveries found in D:\\B"));
    EXPECT_TRUE(settings_.logged("3 in total"));
}

TEST_F(LiveryScanRunTest, FoldersFromTheEleventhOnShareTheLastIndex)
{
    std::vector<std::string> folders;
    for (int i = 1; i <= 12; ++i)
    {
        folders.push_back(fmt::format("D:\\F{:02}", i));
        fs::create_directories(driveD_ / fmt::format("F{:02}", i));
    }
    writeAircraft("F09/A320", "A320", {{"DLH", "nine", ""}});
    writeAircraft("F10/A320", "A320", {{"DLH", "ten dlh", ""}});
    writeAircraft("F10/B738", "B738", {{"BAW", "ten baw", ""}});
    writeAircraft("F11/B738", "B738", {{"BAW", "eleven", ""}});
    writeAircraft("F12/B738", "B738", {{"BAW", "twelve", ""}});
    LIG_PRIORITIZE.set(true);

    ASSERT_TRUE(gf_scanLiveryFolders(folders));

    EXPECT_THAT(titlesInFile(), ElementsAre("eleven", "ten baw", "twelve", "nine"));
    EXPECT_TRUE(settings_.logged("No liveries found in D:\\F01"));
}

TEST_F(LiveryScanRunTest, WalkReadsConfigurationFilesOfAnyCaseAndKeepsOutOfSceneryTextureAndDeepFolders)
{
    writeAircraft("Walk/Upper", "B738", {{"BAW", "upper case name", ""}}, "Aircraft.CFG");
    writeAircraft("Walk/Upper/Texture.BAW/Copy", "B738", {{"BAW", "below a texture folder", ""}});
    writeAircraft("Walk/Textures/Pack", "B738", {{"BAW", "texture pack", ""}});
    writeAircraft("Walk/Sim", "B738", {{"BAW", "sim cfg", ""}}, "SIM.cfg");
    writeAircraft("Walk/Backup", "B738", {{"BAW", "backup", ""}}, "aircraft.cfg.bak");
    writeAircraft("Walk/my_airport_models/A", "B738", {{"BAW", "scenery model", ""}});
    // "D:\Walk\" and 240 characters: the folder is walked, its file with a longer path is still read,
    // but a folder whose path reaches 250 characters is not walked.
    const std::string deep(240, 'L');
    writeAircraft("Walk/" + deep, "B738", {{"BAW", "file in a deep folder", ""}});
    writeAircraft("Walk/" + deep + "/x", "B738", {{"BAW", "too deep", ""}});
    ASSERT_EQ(("D:\\Walk\\" + deep + "\\x").size(), kMaxDescendPathLength);

    ASSERT_TRUE(gf_scanLiveryFolders({"D:\\Walk"}));
    EXPECT_THAT(titlesInFile(),
                UnorderedElementsAre("upper case name", "sim cfg", "file in a deep folder", "texture pack"));
    EXPECT_TRUE(settings_.logged("D:\\Walk\\" + deep +
                                 "\\x not searched for liveries: its path has 250 characters, 249 at most"));
}

TEST_F(LiveryScanRunTest, RootNamingAnAirportIsLookedAtButNotWalked)
{
    writeAircraft("airport_ai", "B738", {{"BAW", "direct", ""}});
    writeAircraft("airport_ai/Sub", "B738", {{"BAW", "below", ""}});
    gf_searchLiveriesInFolder(3, WinPath("D:\\airport_ai"));
    ASSERT_EQ(gLiveries.ScannedLiveries.size(), 1u);
    EXPECT_EQ(gLiveries.ScannedLiveries.front().title, "direct");
    EXPECT_EQ(gLiveries.ScannedLiveries.front().folderIndex, 3u);
}

TEST_F(LiveryScanRunTest, UnreadableSubfolderEndsTheWalkOfItsFolderOnly)
{
    writeAircraft("Locked/Inner/A", "B738", {{"BAW", "locked away", ""}});
    writeAircraft("Open/A", "B738", {{"BAW", "open", ""}});
    fs::permissions(driveD_ / "Locked" / "Inner", fs::perms::none);
    std::error_code ec;
    fs::directory_iterator probe(driveD_ / "Locked" / "Inner", ec);
    if (!ec)
    {
        fs::permissions(driveD_ / "Locked" / "Inner", fs::perms::owner_all);
        GTEST_SKIP() << "folder permissions do not hold for this user";
    }

    const bool written = gf_scanLiveryFolders({"D:\\Locked", "D:\\Open"});
    fs::permissions(driveD_ / "Locked" / "Inner", fs::perms::owner_all);

    ASSERT_TRUE(written);
    EXPECT_THAT(titlesInFile(), ElementsAre("open"));
    bool aborted = false;
    for (const std::string& line : settings_.logLines())
        aborted =
            aborted ||
            line.starts_with("liveries search in folder D:\\Locked aborted because of iterator problem: ");
    EXPECT_TRUE(aborted);
}

TEST_F(LiveryScanRunTest, DatabaseCorrectsLiveriesOfKnownRegistrations)
{
    writeAircraft("Db/B738", "B738",
                  {{"DLH", "wrong airline and type", "G-EUPA"}, {"BAW", "operated", "G-OPER"}});
    writeAircraft("Db/B744", "B744", {{"DLH", "freighter", "N744DL"}});

    ASSERT_TRUE(gf_scanLiveryFolders({"D:\\Db"}));

    const fs::path report = fs::path("output") / "info" / "AirlineModelConversions.txt";
    const std::string text = test::readBytes(work_ / report);
    std::vector<std::string> wanted = {
        fmt::format("{:80} {} airl {} => {}", "wrong airline and type", "G-EUPA", "DLH", "BAW"),
        fmt::format("{:80} {} model {} => {}", "wrong airline and type", "G-EUPA", "B738", "A320"),
        fmt::format("{:80} {} airl {} => {}", "operated", "G-OPER", "BAW", "SHT"),
        fmt::format("{:80} {} cargo {} => {}", "freighter", "N744DL", "false", "true")};
    for (const std::string& line : wanted)
        EXPECT_THAT(text, HasSubstr(line + "\n"));
    EXPECT_TRUE(settings_.logged(
        fmt::format("4 liveries updated with real live data from dbase, see {}", report.string())));
    EXPECT_TRUE(gLiveries.DbaseCorrections.empty());
}

TEST_F(LiveryScanRunTest, TitlesLeftByAFailedScanDoNotBlockTheNextOne)
{
    writeAircraft("Retry/B738", "B738", {{"BAW", "found again", ""}});
    gLiveries.ScannedTitles.claim(LiveryData{"SHT", "B738", "found again", "", 1, false},
                                  "D:\\Old\\aircraft.cfg", "old");
    ASSERT_TRUE(gf_scanLiveryFolders({"D:\\Retry"}));
    EXPECT_THAT(titlesInFile(), ElementsAre("found again"));
}

TEST_F(LiveryScanRunTest, DuplicateTitlesGiveTheSameFileEveryScan)
{
    // Sixteen files give the same eight titles, every other one for another airline; their readers run at
    // once. Each title belongs to the first file by path, whichever reader comes first.
    constexpr int kFiles = 16;
    constexpr int kTitles = 8;
    for (int f = 0; f < kFiles; ++f)
    {
        std::vector<Section> sections;
        for (int t = 0; t < kTitles; ++t)
            sections.push_back({f % 2 == 0 ? "BAW" : "SHT", fmt::format("Shared {}", t), ""});
        writeAircraft(fmt::format("Dup/A{:02}", kFiles - 1 - f), "B738", sections);
    }
    const fs::path scanned = work_ / "output" / "LiveriesScanned.xml";
    const fs::path report = work_ / "output" / "errors" / "IncompleFltsimSections.txt";
    std::string firstFile;
    std::string firstReport;
    for (int scan = 0; scan < 20; ++scan)
    {
        SCOPED_TRACE(scan);
        ASSERT_TRUE(gf_scanLiveryFolders({"D:\\Dup"}));
        ASSERT_TRUE(settings_.logged(fmt::format("{} liveries found in D:\\Dup", kTitles)));
        const std::string file = test::readBytes(scanned);
        const std::string lines = test::readBytes(report);
        if (scan == 0)
        {
            firstFile = file;
            firstReport = lines;
            continue;
        }
        EXPECT_EQ(file, firstFile);
        EXPECT_EQ(lines, firstReport);
    }
    // D:\Dup\A00 is the sixteenth file written, one for SHT.
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(firstFile.c_str()));
    std::size_t liveries = 0;
    for (const pugi::xml_node& liv : doc.child("liveries").children("liv"))
    {
        EXPECT_STREQ(liv.attribute("airl").value(), "SHT") << liv.attribute("title").value();
        ++liveries;
    }
    EXPECT_EQ(liveries, static_cast<std::size_t>(kTitles));
    const auto reported = test::splitLines(firstReport);
    EXPECT_EQ(std::count_if(reported.begin(), reported.end(),
                            [](const std::string& line)
                            { return line.find("already exists") != std::string::npos; }),
              (kFiles - 1) * kTitles);
    EXPECT_EQ(std::count_if(reported.begin(), reported.end(),
                            [](const std::string& line)
                            { return line.find("D:\\Dup\\A00 ") != std::string::npos; }),
              0);
}

TEST_F(LiveryScanRunTest, Utf16FileWithCrLfLeavesNoCarriageReturnInTheFileOrReports)
{
    // The second section repeats the first one's title, the third has none: both are reported, one a line.
    writeAircraft("Wide/B7\n38", "B738", {{"BAW", "Wide one", ""}, {"BAW", "Wide one", ""}, {"BAW", "", ""}},
                  "aircraft.cfg", test::CfgCharset::Utf16Le);
    ASSERT_TRUE(gf_scanLiveryFolders({"D:\\Wide"}));
    EXPECT_THAT(titlesInFile(), ElementsAre("Wide one"));
    const std::string file = test::readBytes(work_ / "output" / "LiveriesScanned.xml");
    EXPECT_EQ(file.find('\r'), std::string::npos);
    const std::string report = test::readBytes(work_ / "output" / "errors" / "IncompleFltsimSections.txt");
    EXPECT_EQ(report.find('\r'), std::string::npos);
    EXPECT_THAT(test::splitLines(report),
                ::testing::IsSupersetOf({"D:\\Wide\\B7\\n38 [fltsim.1] title 'Wide one' already exists",
                                         "D:\\Wide\\B7\\n38 [fltsim.2] misses title"}));
}

TEST_F(LiveryScanRunTest, AutomaticScanWalksPackageAndSimObjectsFolders)
{
    test::writeBytes(gf_addOnsCfgPath("5"), "[Package.0]\r\nPath=D:\\Pkg\r\n");
    test::writeBytes(
        driveD_ / "Pkg" / "add-on.xml",
        "<AddOn.Component>\r\n<Category>SimObjects</Category>\r\n<Path>SimObjects\\Airplanes</Path>\r\n"
        "</AddOn.Component>\r\n");
    test::writeBytes(programData_ / "Lockheed Martin" / "Prepar3D v5" / "simobjects.cfg",
                     "[Entry.0]\r\nPath=SimObjects\\Airplanes\r\n[Entry.1]\r\nPath=SimObjects\\MyAI\r\n");
    writeAircraft("Pkg/SimObjects/Airplanes/B738", "B738", {{"BAW", "from the package", ""}});
    writeAircraft("P3D/SimObjects/MyAI/A320", "A320", {{"DLH", "from simobjects", ""}});
    writeAircraft("P3D/SimObjects/Airplanes/A320", "A320", {{"DLH", "stock aircraft", ""}});

    gf_scanLiveries();

    EXPECT_THAT(titlesInFile(), ElementsAre("from the package", "from simobjects"));
    EXPECT_TRUE(settings_.logged("1 liverie found in D:\\Pkg\\SimObjects\\Airplanes"));
    EXPECT_TRUE(settings_.logged("1 liverie found in D:\\P3D\\SimObjects\\MyAI"));
    EXPECT_TRUE(settings_.logged("2 in total"));
    EXPECT_FALSE(SCAN_LIVERIES.value());
}

TEST_F(LiveryScanRunTest, AutomaticScanWithoutLiveriesLeavesNoFile)
{
    test::writeBytes(work_ / "output" / "LiveriesScanned.xml",
                     "<liveries><liv airl=\"A\" type=\"B\" title=\"C\"/></liveries>");
    gWindow.gMainWindow.liveryCount.store(7);
    try
    {
        gf_scanLiveries();
        FAIL() << "no exception";
    }
    catch (const UserErrorException& e)
    {
        EXPECT_THAT(e.what(), ::testing::StartsWith("43: Automatic scan has not found any liveries"));
    }
    EXPECT_FALSE(fileWritten());
    EXPECT_EQ(gWindow.gMainWindow.liveryCount.load(), 0u);
    EXPECT_TRUE(SCAN_LIVERIES.value());
}

TEST_F(LiveryScanRunTest, ManualScanWithoutFoldersKeepsTheLastFile)
{
    LIG_AUTOMATIC.set(false);
    test::writeBytes(work_ / "output" / "LiveriesScanned.xml", "<liveries/>");
    try
    {
        gf_scanLiveries();
        FAIL() << "no exception";
    }
    catch (const UserErrorException& e)
    {
        EXPECT_THAT(e.what(), ::testing::StartsWith("48: Set lfolder parameter(-s)"));
    }
    EXPECT_TRUE(fileWritten());
}

TEST_F(LiveryScanRunTest, ManualScanFindingNothingFails)
{
    fs::create_directories(driveD_ / "Empty");
    useManualFolders({"D:\\Empty"});
    try
    {
        gf_scanLiveries();
        FAIL() << "no exception";
    }
    catch (const UserErrorException& e)
    {
        EXPECT_STREQ(e.what(), "53: no liveries found");
    }
    EXPECT_TRUE(settings_.logged("No liveries found in D:\\Empty"));
}

TEST_F(LiveryScanRunTest, ScanWhoseFileIsNotSavedRunsAgainAtTheNextStart)
{
    writeAircraft("Ok/B738", "B738", {{"BAW", "found", ""}});
    useManualFolders({"D:\\Ok"});
    fs::create_directories(work_ / "output");
    fs::create_symlink(work_ / "not mounted" / "LiveriesScanned.xml",
                       work_ / "output" / "LiveriesScanned.xml");
    EXPECT_THROW(gf_scanLiveries(), UserErrorException); // 51: the file is not there to read
    EXPECT_TRUE(fs::is_symlink(work_ / "output" / "LiveriesScanned.xml"));
    EXPECT_TRUE(settings_.logged("===> output/LiveriesScanned.xml not saved, the liveries are scanned again "
                                 "at the next start"));
    EXPECT_TRUE(SCAN_LIVERIES.value());
}

TEST_F(LiveryScanRunTest, StoppedScanRunsAgainInTheNextCycle)
{
    writeAircraft("Stop/B738", "B738", {{"BAW", "not read", ""}});
    useManualFolders({"D:\\Stop"});
    gFoundation.gStopRequested.store(1);
    const std::string last = "<liveries><liv airl=\"A\" type=\"B\" title=\"last scan\"/></liveries>";
    test::writeBytes(work_ / "output" / "LiveriesScanned.xml", last);

    gf_scanLiveries();

    // The last scan's file stays until a scan that ends replaces it.
    EXPECT_EQ(test::readBytes(work_ / "output" / "LiveriesScanned.xml"), last);
    EXPECT_TRUE(SCAN_LIVERIES.value());
    EXPECT_FALSE(gLiveries.gLiveriesProcessed);
    EXPECT_FALSE(settings_.logged("1 liverie found in D:\\Stop"));
}

struct IvaoCase
{
    const char* path;
    bool ivao;
};

class IvaoPackageFileTest : public ::testing::TestWithParam<IvaoCase>
{
};

TEST_P(IvaoPackageFileTest, ChoosesTheReaderByThePathText)
{
    EXPECT_EQ(gf_isIvaoPackageFile(WinPath(GetParam().path)), GetParam().ivao) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Paths, IvaoPackageFileTest,
                         ::testing::Values(IvaoCase{"D:\\AI\\IVAO_MTL\\IVAO_B738w\\aircraft.cfg", true},
                                           IvaoCase{"D:\\AI\\ivao_x-csl\\B738\\aircraft.cfg", true},
                                           IvaoCase{"D:\\AI\\ivao_mtl\\IVAO_B738w\\aircraft.cfg", false},
                                           IvaoCase{"D:\\AI\\B738\\aircraft.cfg", false}));

struct ConfigNameCase
{
    const char* name;
    bool config;
};

class AircraftConfigNameTest : public ::testing::TestWithParam<ConfigNameCase>
{
};

TEST_P(AircraftConfigNameTest, TakesAircraftAndSimCfgOfAnyCase)
{
    EXPECT_EQ(gf_isAircraftConfigName(GetParam().name), GetParam().config) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, AircraftConfigNameTest,
                         ::testing::Values(ConfigNameCase{"aircraft.cfg", true},
                                           ConfigNameCase{"Aircraft.CFG", true},
                                           ConfigNameCase{"SIM.cfg", true},
                                           ConfigNameCase{"aircraft.cfg.bak", false},
                                           ConfigNameCase{"aircraft.ini", false},
                                           ConfigNameCase{"panel.cfg", false}, ConfigNameCase{"sim", false}));

} // namespace
} // namespace oxl
