#include "foundation/errors.h"
#include "liveries/liveries_scanned.h"
#include "liveries/liveries_state.h"
#include "tests/liveries/livery_scan_fixture.h"
#include "tests/support/strict_xml.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class LiveriesScannedTest : public test::LiveryScanTest
{
  protected:
    LiveriesScannedTest() : current_(root_.path()) { fs::create_directories(root_ / "output" / "info"); }

    // The text of the user error that reading the file raises, "" when it reads.
    static std::string readError()
    {
        try
        {
            gf_readLiveriesScanned();
        }
        catch (const UserErrorException& e)
        {
            return e.what();
        }
        return {};
    }

    static void writeFile(const std::string& body)
    {
        writeBytes(gf_liveriesScannedPath(), "<?xml version=\"1.0\"?>\n" + body);
    }

    test::ScopedCurrentPath current_;
};

bool sameRecords(const std::list<LiveryData>& a, const std::list<LiveryData>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const LiveryData& x, const LiveryData& y)
                      { return gf_sameLivery(x, y) && x.folderIndex == y.folderIndex; });
}

TEST_F(LiveriesScannedTest, WrittenLiveriesReadBackSorted)
{
    // An ANSI title is no UTF-8: the file holds its byte as U+F7E9 and the title reads back unchanged.
    const std::string awkward = "Caf\xE9\t& <Co> \"quoted\"  two  blanks";
    // Characters that XML forbids (controls, U+FFFF) travel the same way; U+F7E9 itself is UTF-8.
    const std::string controls = "Bell\x01 x\xEF\xBF\xBF \xEF\x9F\xA9";
    gLiveries.ScannedLiveries = {LiveryData{"DLH", "B738", "b", "D-ABCD", 2, true},
                                 LiveryData{"BAW", "B738", awkward, "", 1, false},
                                 LiveryData{"BAW", "A320", "a", "", 3, false},
                                 LiveryData{"EDW", "A320", controls, "HB-\x02", 1, false}};
    gf_writeLiveriesScannedXml();
    EXPECT_EQ(test::strictXmlError(gf_liveriesScannedPath()), "");
    const std::string text = readBytes(gf_liveriesScannedPath());
    EXPECT_THAT(text, HasSubstr("<liv airl=\"BAW\" type=\"A320\" title=\"a\" />"));
    EXPECT_THAT(text,
                HasSubstr("<liv airl=\"DLH\" type=\"B738\" cargo=\"true\" title=\"b\" atcid=\"D-ABCD\" />"));
    EXPECT_THAT(text, HasSubstr("<info name=\"author\""));
    EXPECT_TRUE(log_.contains("'output/LiveriesScanned.xml' saved"));
    EXPECT_TRUE(log_.contains("4 liveries in output/LiveriesScanned.xml"));
    const std::vector<std::string> lines = log_.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const auto& l) { return l.find("not UTF-8") != l.npos; }),
              1); // the ANSI title's
    EXPECT_THAT(text, HasSubstr("title=\"Caf\xEF\x9F\xA9"));
    EXPECT_TRUE(
        log_.contains("title of a livery is not UTF-8, its other bytes are kept as U+F7xx: Caf\xEF\x9F\xA9"
                      "\\t& <Co> \"quoted\"  two  blanks"));

    gLiveries.ScannedLiveries.clear();
    EXPECT_EQ(readError(), "");
    const std::list<LiveryData> expected = {LiveryData{"BAW", "A320", "a", "", 0, false},
                                            LiveryData{"BAW", "B738", awkward, "", 0, false},
                                            LiveryData{"DLH", "B738", "b", "D-ABCD", 0, true},
                                            LiveryData{"EDW", "A320", controls, "HB-\x02", 0, false}};
    EXPECT_TRUE(sameRecords(gLiveries.ScannedLiveries, expected));
    EXPECT_TRUE(log_.contains("4 liveries read from output/LiveriesScanned.xml"));
}

TEST_F(LiveriesScannedTest, EmptyListWritesNothing)
{
    writeBytes(gf_liveriesScannedPath(), "old");
    gLiveries.ScannedLiveries.clear();
    gf_writeLiveriesScannedXml();
    EXPECT_EQ(readBytes(gf_liveriesScannedPath()), "old");
    EXPECT_TRUE(log_.lines().empty());
}

struct ReadErrorRow
{
    const char* name;
    std::string body; ///< "" writes no file at all
    std::string error;
    std::size_t kept;
};

void PrintTo(const ReadErrorRow& row, std::ostream* os)
{
    *os << row.name;
}

class ReadErrorTest : public LiveriesScannedTest, public ::testing::WithParamInterface<ReadErrorRow>
{
};

TEST_P(ReadErrorTest, RaisesTheUserError)
{
    if (!GetParam().body.empty())
    {
        writeFile(GetParam().body);
    }
    EXPECT_EQ(readError(), GetParam().error);
    EXPECT_EQ(gLiveries.ScannedLiveries.size(), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Scanned, ReadErrorTest,
    ::testing::Values(
        ReadErrorRow{"Missing", "", "51: File output/LiveriesScanned.xml not found", 0},
        ReadErrorRow{"NotXml", "this is <not xml", "51: File output/LiveriesScanned.xml not found", 0},
        ReadErrorRow{"Nested", "<root><liveries><liv airl='A' type='B' title='C'/></liveries></root>",
                     "52: output/LiveriesScanned.xml does not contain a <liveries> section", 0},
        ReadErrorRow{"NoTitle",
                     "<liveries><liv airl='A' type='B' title='C'/><liv airl='A' type='B'/></liveries>",
                     "999: Missing required attribute 'title' in <liv>", 1},
        ReadErrorRow{"NoAirline", "<liveries><liv type='B'/></liveries>",
                     "999: Missing required attribute 'airl' in <liv>", 0},
        ReadErrorRow{"NoType", "<liveries><liv airl='A' title='C'/></liveries>",
                     "999: Missing required attribute 'type' in <liv>", 0},
        ReadErrorRow{"Empty", "<meta/><liveries><other/></liveries>",
                     "533: output/LiveriesScanned.xml does not contain liveries", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LiveriesScannedTest, CargoValuesAndOptionalAttributes)
{
    writeFile("<meta><info name='author' value='someone'/></meta><liveries>"
              "<liv airl='A' type='T' title='yes' cargo='Yes'/><liv airl='A' type='T' title='one' cargo='1'/>"
              "<liv airl='A' type='T' title='true' cargo='true'/><liv airl='A' type='T' title='false' "
              "cargo='false'/>"
              "<liv airl='A' type='T' title='zero' cargo='0'/><liv airl='A' type='T' title='empty' cargo=''/>"
              "<liv airl='' type='' title='blank'/><liv airl='A' type='T' title=''/></liveries>");
    EXPECT_EQ(readError(), "");
    EXPECT_THAT(log_.lines(),
                Contains("A livery of A T without title in output/LiveriesScanned.xml is skipped"));
    std::vector<std::string> cargoTitles;
    for (const LiveryData& livery : gLiveries.ScannedLiveries)
    {
        if (livery.cargo)
        {
            cargoTitles.push_back(livery.title);
        }
    }
    EXPECT_THAT(cargoTitles, ElementsAre("one", "true", "yes"));
    EXPECT_EQ(gLiveries.ScannedLiveries.size(), 7u);
    EXPECT_EQ(gLiveries.ScannedLiveries.front().title, "blank");
}

TEST_F(LiveriesScannedTest, RemovalKeepsAUsersFileInTheErrorsFolder)
{
    const fs::path errors = root_ / "output" / "errors";
    for (const char* name :
         {"InlineRegcodes.txt", "InvalidAirlineCodes.txt", "InvalidAircraftCodes.txt", "Fixes.txt",
          "InvalidAircraftCfgFiles.txt", "IncompleFltsimSections.txt", "my note.txt"})
    {
        writeBytes(errors / name, "x");
    }
    writeBytes(root_ / "output" / "LiveriesScanned.xml", "x");
    writeBytes(root_ / "output" / "info" / "AircraftCfgWithNoFltsimSection.txt", "x");
    writeBytes(root_ / "output" / "info" / "AirlineModelConversions.txt", "x");

    gf_removeScanOutputs();
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(root_ / "output"))
    {
        left.push_back(fs::relative(entry.path(), root_.path()).string());
    }
    std::sort(left.begin(), left.end());
    // The last scan's file stays until the new scan's file replaces it.
    EXPECT_THAT(left, ElementsAre("output/LiveriesScanned.xml", "output/errors", "output/errors/my note.txt",
                                  "output/info", "output/info/AirlineModelConversions.txt"));

    fs::remove(errors / "my note.txt");
    gf_removeScanOutputs();
    EXPECT_FALSE(fs::exists(errors));
    gf_removeScanOutputs();
}

TEST_F(LiveriesScannedTest, ReportsAreWrittenWithTheirSummaries)
{
    fs::remove_all(root_ / "output" / "info");
    gLiveries.InvalidAirlineCodes.add("XYZ          in b ");
    gLiveries.InvalidAirlineCodes.add("ABC          in a ");
    gLiveries.InvalidModelCodes.add("XX99             in f");
    gf_addModelFix("Model fix: 2");
    gf_addModelFix("Model fix: 1");
    gLiveries.InvalidCfgFiles.add("z");
    gLiveries.IncompleteSections.add("same");
    gLiveries.IncompleteSections.add("other");
    gLiveries.IncompleteSections.add("same");
    gLiveries.EmptyCfgFiles.add("e2");
    gLiveries.EmptyCfgFiles.add("e1");
    for (int i = 0; i < 10; ++i)
    {
        gLiveries.DbaseCorrections.add(fmt::format("correction {}", i));
    }
    gf_writeScanReports();

    const fs::path errors = root_ / "output" / "errors";
    EXPECT_EQ(readBytes(errors / "InvalidAirlineCodes.txt"), "ABC          in a \nXYZ          in b \n");
    EXPECT_EQ(readBytes(errors / "InvalidAircraftCodes.txt"), "XX99             in f\n");
    EXPECT_EQ(readBytes(errors / "Fixes.txt"), "Model fix: 2\nModel fix: 1\n");
    EXPECT_EQ(readBytes(errors / "InvalidAircraftCfgFiles.txt"), "z\n");
    EXPECT_EQ(readBytes(errors / "IncompleFltsimSections.txt"), "other\nsame\n");
    EXPECT_EQ(readBytes(root_ / "output" / "info" / "AircraftCfgWithNoFltsimSection.txt"), "e1\ne2\n");
    EXPECT_EQ(test::splitLines(readBytes(root_ / "output" / "info" / "AirlineModelConversions.txt")).size(),
              10u);

    EXPECT_THAT(
        log_.lines(),
        ElementsAre(
            "", "Errors:", "2 invalid airline codes, see output/errors/InvalidAirlineCodes.txt",
            "1 invalid model code, see output/errors/InvalidAircraftCodes.txt",
            "2 code fixes, see output/errors/Fixes.txt",
            "1 invalid aircraft.cfg files, see output/errors/InvalidAircraftCfgFiles.txt",
            "3 incomplete [fltsim.x] sections, see output/errors/IncompleFltsimSections.txt", "",
            "Information:", "2 empty aircraft.cfg files, see output/info/AircraftCfgWithNoFltsimSection.txt",
            "10 liveries updated with real live data from dbase, see "
            "output/info/AirlineModelConversions.txt"));
}

TEST_F(LiveriesScannedTest, NoErrorsLeavesTheErrorsFolderAbsent)
{
    gf_writeScanReports();
    EXPECT_THAT(log_.lines(), ElementsAre("", "No errors", "", "Information:"));
    EXPECT_FALSE(fs::exists(root_ / "output" / "errors"));
}

} // namespace
} // namespace oxl
