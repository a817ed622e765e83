// Decoded add-on airports linked to archived files or generated, run through the scan worker on
// synthetic BGL files in a temporary working folder with database tables of the test's own.
#include "airports/airport_linking.h"

#include "airports/airport_scan.h"
#include "airports/airports_state.h"
#include "airports/bgl_decoding.h"
#include "foundation/cycle_values.h"
#include "foundation/worker_slots.h"
#include "liveries/liveries_state.h"
#include "tests/support/bgl_writer.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <thread>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::BglAirport;
using test::BglFile;
using test::BglParkingEntry;

class AirportLinkingTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        savedDbase_ = gLiveries.gDbase;
        gLiveries.gDbase.publisherGroups = {{"Aerosoft"}, {"Bad/Name", "Evil"}, {"Fly Tampa", "FlyTampa"}};
        gLiveries.gDbase.simaddonAirports = {"EHAM", "YSSY"};
        gLiveries.gDbase.thirdParties = {
            {"Fly Tampa", {"EGLL12"}}, {"Aerosoft", {"EHAM7"}}, {"Fly Tampa", {"EHAM123"}}};
        fs::create_directories(work / "airports" / "my_ORBX");
        fs::create_directories(work / "airports" / "my_thirdparty");
        gAirports.gAirportsFound.store(false);
        scanLogStart_ = gf_scanLogLines().size();
    }
    void TearDown() override { gLiveries.gDbase = savedDbase_; }

    /// The scan-log lines written since the last mark.
    std::vector<std::string> scanLog() const
    {
        const std::vector<std::string> all = gf_scanLogLines();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(scanLogStart_, all.size())), all.end()};
    }
    void markScanLog() { scanLogStart_ = gf_scanLogLines().size(); }

    bool scanLogHas(const std::string& line) const
    {
        const std::vector<std::string> lines = scanLog();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    /// Writes a BGL file of the airport below the scenery folder and runs the scan worker on it.
    void scan(const std::string& sceneryFolder, const BglAirport& airport)
    {
        const fs::path file = work / "scenery" / sceneryFolder / "scenery" / "AP.bgl";
        BglFile().airports({airport}).write(file);
        gf_processBGLfile(file);
    }

    /// The stand names of a generated file in file order.
    static std::vector<std::string> fileStands(const fs::path& file)
    {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(file.c_str())) << file;
        std::vector<std::string> names;
        for (const pugi::xml_node p : doc.child("parkpositions").children("parkpos"))
        {
            names.emplace_back(p.attribute("id").value());
        }
        return names;
    }

    test::LogCapture log;
    test::TempFolder work;
    test::ScopedCurrentPath cwd{work.path()};

  private:
    Dbase savedDbase_;
    std::size_t scanLogStart_ = 0;
};

BglAirport withStands(const std::string& ident, std::uint32_t parkings, std::uint32_t helipads = 0)
{
    BglAirport ap(ident);
    ap.name("Test field");
    for (std::uint32_t h = 0; h < helipads; ++h)
    {
        ap.helipad({52.30 + 0.001 * h, 4.70, 20.0, 0.0});
    }
    std::vector<BglParkingEntry> entries;
    for (std::uint32_t n = parkings; n >= 1; --n) // written backwards; the file lists them by name
    {
        BglParkingEntry e;
        e.nameIndex = 12;
        e.number = n;
        entries.push_back(e);
    }
    if (!entries.empty())
    {
        ap.parking(entries);
    }
    return ap;
}

TEST_F(AirportLinkingTest, PublisherComesFromThePath)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"D:\\Scenery\\Orbx\\EHAM\\scenery\\AP.bgl", "simaddon"},
        {"D:\\Scenery\\FlyTampa\\Amsterdam\\AP.bgl", "Fly Tampa"},
        {"D:\\Scenery\\fly tampa\\AP.bgl", "Fly Tampa"},
        {"D:\\Scenery\\AEROSOFT\\AP.bgl", "Aerosoft"},
        {"D:\\Scenery\\Evil\\AP.bgl", "unknown"},
        {"D:\\Scenery\\Other\\AP.bgl", "unknown"},
    };
    for (const auto& [path, publisher] : rows)
    {
        EXPECT_EQ(gf_publisherFromFilename(path), publisher) << path;
    }
    EXPECT_TRUE(scanLogHas("from filename => publisher simaddon"));
    EXPECT_TRUE(log.contains("===> publisher name 'Bad/Name' is not usable as a folder name, skipped"));
}

TEST_F(AirportLinkingTest, ListEntriesGiveTheArchivedStandCount)
{
    struct Row
    {
        const char* entry;
        bool names;
        std::uint32_t count;
        bool invalid;
    };
    const std::vector<Row> rows = {
        {"EHAM123", true, 123, false}, {"EHAM0", true, 0, false},    {"EHAM:123", true, 99, true},
        {"EHAM", true, 99, true},      {"EHAM-5", true, 99, true},   {"EHAM99999999999", true, 99, true},
        {"EHAM 12", true, 99, true},   {"EGLL12", false, 99, false}, {"EHA", false, 99, false},
    };
    for (const Row& row : rows)
    {
        std::uint32_t count = 99;
        EXPECT_EQ(gf_prefixNumber(row.entry, "EHAM", "Fly Tampa", count), row.names) << row.entry;
        EXPECT_EQ(count, row.count) << row.entry;
        EXPECT_EQ(log.contains(fmt::format("===> Fly Tampa EHAM {} invalid number", row.entry)), row.invalid)
            << row.entry;
    }
}

TEST_F(AirportLinkingTest, ArchivePathsOfBothKinds)
{
    ScannedAirport eham;
    eham.ident = "EHAM";
    std::uint32_t count = 0;
    EXPECT_EQ(gf_checkArchivedThirdParty("Fly Tampa", eham, count),
              "archive/thirdparty/Fly%20Tampa/EHAM.xml");
    EXPECT_EQ(count, 123u);
    ScannedAirport ehle;
    ehle.ident = "EHLE";
    EXPECT_EQ(gf_checkArchivedThirdParty("Fly Tampa", ehle, count), std::nullopt);
    EXPECT_TRUE(scanLogHas("thirdparty Fly Tampa EHLE does not exist"));

    EXPECT_EQ(gf_checkArchivedSimaddon("YSSY"), "archive/simaddon/YSSY.xml");
    EXPECT_EQ(gf_checkArchivedSimaddon("EHLE"), std::nullopt);
    EXPECT_TRUE(scanLogHas("EHLE does not exist as simaddon"));
}

TEST_F(AirportLinkingTest, ALinkedSimaddonAirportGetsOnlyItsLinkFile)
{
    scan("ORBX_EHAM", withStands("EHAM", 5));
    EXPECT_EQ(test::readBytes("airports/my_ORBX/EHAM.txt"), "archive/simaddon/EHAM.xml\n");
    EXPECT_FALSE(fs::exists("airports/my_ORBX/EHAM.xml"));
    EXPECT_TRUE(scanLogHas("simaddon airport EHAM linked to archive/simaddon/EHAM.xml"));
    EXPECT_TRUE(gAirports.gAirportsFound.load());
}

TEST_F(AirportLinkingTest, AnUnarchivedSimaddonAirportIsGenerated)
{
    scan("orbx_ehle", withStands("EHLE", 3));
    EXPECT_FALSE(fs::exists("airports/my_ORBX/EHLE.txt"));
    EXPECT_EQ(fileStands("airports/my_ORBX/EHLE.xml"), (std::vector<std::string>{"A1", "A2", "A3"}));
    EXPECT_TRUE(scanLogHas("EHLE does not exist as simaddon"));
    EXPECT_TRUE(scanLogHas("Generated EHLE.xml: 3 positions"));
    EXPECT_TRUE(gAirports.gAirportsFound.load());
}

TEST_F(AirportLinkingTest, AThirdpartyAirportWithMoreStandsThanArchivedGetsBothFiles)
{
    gLiveries.gDbase.thirdParties = {{"Fly Tampa", {"EHAM3"}}};
    scan("FlyTampa_Amsterdam", withStands("EHAM", 30, 2));
    EXPECT_EQ(test::readBytes("airports/my_thirdparty/EHAM.txt"),
              "archive/thirdparty/Fly%20Tampa/EHAM.xml\n");
    EXPECT_TRUE(scanLogHas("thirdparty airport EHAM linked to archive/thirdparty/Fly%20Tampa/EHAM.xml"));
    EXPECT_TRUE(scanLogHas("===> EHAM has 32 parkpos while archived one has 3"));
    EXPECT_TRUE(scanLogHas("Generated EHAM.xml: 32 positions, of which 2 helipads"));
    const std::vector<std::string> names = fileStands("airports/my_thirdparty/EHAM.xml");
    ASSERT_EQ(names.size(), 32u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(names.front(), "A1");
    EXPECT_EQ(names.back(), "helipad2");
}

TEST_F(AirportLinkingTest, AThirdpartyAirportWithinTheArchivedCountIsOnlyLinked)
{
    scan("FlyTampa_Amsterdam", withStands("EHAM", 30, 2));
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/EHAM.txt"));
    EXPECT_FALSE(fs::exists("airports/my_thirdparty/EHAM.xml"));
}

TEST_F(AirportLinkingTest, UnknownPublishersAreGeneratedWhenTheyHaveStands)
{
    scan("Someone", withStands("EHLE", 1));
    EXPECT_TRUE(scanLogHas("Generated EHLE.xml: 1 position"));
    EXPECT_EQ(fileStands("airports/my_thirdparty/EHLE.xml"), std::vector<std::string>{"A1"});
    // The file of an unknown publisher names the scenery file it came from.
    EXPECT_NE(test::readBytes("airports/my_thirdparty/EHLE.xml").find("Someone/scenery/AP.bgl"),
              std::string::npos);

    markScanLog();
    gAirports.gAirportsFound.store(false);
    scan("Someone", withStands("EHGG", 0));
    EXPECT_FALSE(fs::exists("airports/my_thirdparty/EHGG.xml"));
    EXPECT_TRUE(scanLog().empty());
    EXPECT_FALSE(gAirports.gAirportsFound.load());
}

TEST_F(AirportLinkingTest, ALinkFileThatCannotBeWrittenLeavesTheAirportGenerated)
{
    fs::create_directories("airports/my_ORBX/EHAM.txt"); // a folder where the link file should go
    scan("ORBX_EHAM", withStands("EHAM", 2));
    EXPECT_TRUE(scanLogHas("===> Link file airports/my_ORBX/EHAM.txt could not be written"));
    EXPECT_FALSE(scanLogHas("simaddon airport EHAM linked to archive/simaddon/EHAM.xml"));
    EXPECT_EQ(fileStands("airports/my_ORBX/EHAM.xml"), (std::vector<std::string>{"A1", "A2"}));
}

TEST_F(AirportLinkingTest, AFileThatCannotBeGeneratedIsReported)
{
    fs::create_directories("airports/my_thirdparty/EHLE.xml/inside");
    scan("Someone", withStands("EHLE", 2));
    EXPECT_TRUE(scanLogHas("===> Generating airports/my_thirdparty/EHLE.xml did not succeed"));
    EXPECT_FALSE(gAirports.gAirportsFound.load());
}

TEST_F(AirportLinkingTest, AFolderThatCannotBeMadeEndsTheFile)
{
    fs::remove_all("airports/my_thirdparty");
    test::writeBytes("airports/my_thirdparty", "not a folder");
    EXPECT_THROW(scan("Someone", withStands("EHLE", 2)), fs::filesystem_error);
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l)
                            { return l.starts_with("===> Exception in lf_processBGLfile: "); }));
}

TEST_F(AirportLinkingTest, TheScanDecodesRealBglFilesOnItsWorkers)
{
    const test::TempFolder drive;
    const test::ScopedEnv driveD("OXL_DRIVE_D", drive.path().string());
    gf_setStockAirportsPath(WinPath("C:\\Simulator\\Scenery"));
    gf_resetWorkerSlots();
    class DecodingPort final : public NoAirportScanPort
    {
      public:
        [[nodiscard]] bool hasAirportSection(const fs::path& file) override
        {
            return gf_bglHasAirportSection(file);
        }
        void processBglFile(const fs::path& file) override { gf_processBGLfile(file); }
    };
    DecodingPort port;
    gf_installAirportScanPort(&port);

    BglFile().airports({withStands("EHAM", 4)}).write(drive / "Addons" / "ORBX" / "EHAM" / "AP_EHAM.bgl");
    BglFile().airports({withStands("EHLE", 3, 1)}).write(drive / "Addons" / "Lelystad" / "AP_EHLE.BGL");
    test::BglSection terrain;
    terrain.type = 0x65;
    terrain.records.push_back(test::BglRecord::make(0x77, std::string(30, '\0')));
    BglFile().section(terrain).write(drive / "Addons" / "Lelystad" / "terrain.bgl");
    BglFile().airports({withStands("EHGG", 6)}).write(drive / "Addons" / "Eelde" / "AP_EHGG.bgl", 300);

    gf_scanFolderForBgl(WinPath("D:\\Addons"));
    gf_installAirportScanPort(nullptr);
    gf_setStockAirportsPath(WinPath());

    EXPECT_EQ(test::readBytes("airports/my_ORBX/EHAM.txt"), "archive/simaddon/EHAM.xml\n");
    EXPECT_EQ(fileStands("airports/my_thirdparty/EHLE.xml"),
              (std::vector<std::string>{"A1", "A2", "A3", "helipad1"}));
    EXPECT_TRUE(scanLogHas("Generated EHLE.xml: 4 positions, of which 1 helipad"));
    // The file cut inside its parking entries still gives the stands before the cut.
    const std::vector<std::string> eelde = fileStands("airports/my_thirdparty/EHGG.xml");
    EXPECT_FALSE(eelde.empty());
    EXPECT_LT(eelde.size(), 6u);
    EXPECT_TRUE(gAirports.gAirportsFound.load());
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
}

TEST_F(AirportLinkingTest, WorkersGeneratingOneAirportAtOnceLeaveAWholeFile)
{
    constexpr int kWorkers = 8;
    std::vector<fs::path> files;
    for (int i = 0; i < kWorkers; ++i)
    {
        files.push_back(work / "scenery" / fmt::format("Someone{}", i) / "AP.bgl");
        BglFile().airports({withStands("EHLE", 40 + static_cast<std::uint32_t>(i))}).write(files.back());
    }
    std::vector<std::thread> threads;
    for (const fs::path& f : files)
    {
        threads.emplace_back([f] { gf_processBGLfile(f); });
    }
    for (std::thread& t : threads)
    {
        t.join();
    }
    const std::size_t stands = fileStands("airports/my_thirdparty/EHLE.xml").size();
    EXPECT_GE(stands, 40u);
    EXPECT_LT(stands, 40u + kWorkers);
}

} // namespace
} // namespace oxl
