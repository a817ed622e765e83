#include "liveries/liveries_state.h"
#include "tests/liveries/livery_index_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::readBytes;
using test::splitLines;
using test::writeBytes;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::vector<LiveryData> kInstalled = {
    {"BAW", "A320", "BA one", "G-EUPA", 0, false},
    {"BAW", "A320", "BA two", "G-EUPA", 0, false},
    {"BAW", "A321", "BA three", "", 0, false},
    {"DLH", "B744", "LH jumbo", "D-ABVM", 0, true},
};

const char* const kAigXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<AIG-regcodes>
  <livery title="BA two" reg=" G-EUPB , G-EUPA" special="true"/>
  <livery title="BA two" reg="G-XXXX"/>
  <livery title="Not installed" reg="N1"/>
  <livery title="" reg="EMPTY"/>
  <livery title="BA three" reg="AB,ABCDEFGHIJKLM" special="false"/>
  <other title="BA one" reg="OTHER"/>
  <livery title="LH jumbo" reg=""/>
</AIG-regcodes>
)";

class RegcodesTest : public test::LiveryIndexTest
{
  protected:
    RegcodesTest() { buildFrom(kInstalled); }

    void writeUserFiles() const
    {
        const fs::path folder = work_ / "input" / "my_regcodes";
        writeBytes(folder / "a.txt", "\xEF\xBB\xBF"
                                     "BA three;G-EUPB\r\nLH jumbo;D-ABVN, D-ABVO\r\n\r\n");
        writeBytes(folder / "b.TXT",
                   "BA one;D-ABVN,AB;#\nBA one;a;b;c\nDont use me\nBA three;ABCDEFGHIJKLM\n");
        writeBytes(folder / "c.Txt", "LH jumbo; ; \n;D-ABVX\n");
        writeBytes(folder / "d.csv", "BA one;IGNORED\n");
        writeBytes(folder / "sub" / "e.txt", "BA one;IGNORED2\n");
    }

    std::vector<std::string> reportLines() const
    {
        return splitLines(readBytes(work_ / "output" / "info" / "OfflineRegcodes.txt"));
    }

    static std::string mapped(const std::string& regcode)
    {
        const auto found = gLiveries.RegcodeMap.find(regcode);
        return found == gLiveries.RegcodeMap.end() ? "<none>" : std::string(found->second);
    }

    bool plainFileLeft() const { return fs::exists(work_ / "input" / "AIG-regcodes.xml"); }
};

TEST_F(RegcodesTest, SourcesMergeInlineThenDownloadThenUserFiles)
{
    writeRegcodesEnc(kAigXml);
    writeUserFiles();
    gf_processInlineRegcodes();
    gf_processOfflineRegcodes();

    EXPECT_THAT(
        reportLines(),
        ElementsAre("Processing file input/AIG-regcodes.xml",
                    "There were errors processing the AIG-regcode file 'input/AIG-regcodes.xml', see Log.txt",
                    "   regcode G-EUPA for 'BA two', instead of the same for 'BA one'",
                    "3 new regcodes added, 1 regcode replaced, 1 regcode defined as special",
                    "Processing files in input/my_regcodes",
                    "   regcode G-EUPB for 'BA three', instead of the same for 'BA two'",
                    "   regcode D-ABVN for 'BA one', instead of the same for 'LH jumbo'",
                    "2 new regcodes added, 2 regcodes replaced, 2 regcodes defined as special"));
    EXPECT_EQ(gLiveries.RegcodeMap.size(), 7u);
    EXPECT_EQ(mapped("G-EUPA"), "BA two");
    EXPECT_EQ(mapped("G-EUPB"), "BA three");
    EXPECT_EQ(mapped("AB"), "BA three");
    EXPECT_EQ(mapped("ABCDEFGHIJKLM"), "BA three");
    EXPECT_EQ(mapped("D-ABVM"), "LH jumbo");
    EXPECT_EQ(mapped("D-ABVN"), "BA one");
    EXPECT_EQ(mapped("D-ABVO"), "LH jumbo");
    EXPECT_EQ(mapped("N1"), "<none>");
    EXPECT_EQ(gf_regcodeTitle("D-ABVO"), std::optional<std::string_view>("LH jumbo"));
    EXPECT_EQ(gf_regcodeTitle("d-abvo"), std::nullopt);
    EXPECT_EQ(mapped("IGNORED"), "<none>");
    for (const auto& [regcode, title] : gLiveries.RegcodeMap)
        EXPECT_TRUE(isStoredTitle(title)) << regcode;
    EXPECT_THAT(std::vector<std::string>(gLiveries.SpecialTitles.begin(), gLiveries.SpecialTitles.end()),
                ElementsAre("BA two", "BA three", "BA one"));

    EXPECT_THAT(splitLines(readBytes(work_ / "output" / "errors" / "InlineRegcodes.txt")),
                ElementsAre("G-EUPA 'BA two' => already in use by 'BA one'"));
    EXPECT_FALSE(plainFileLeft());
    EXPECT_TRUE(settings_.logged("===> SAME AS PREVIOUS title 'BA two'"));
    EXPECT_TRUE(settings_.logged("4 liveries read from input/AIG-regcodes.xml"));
    EXPECT_TRUE(settings_.logged("===> wrong regcode length 'AB' in input/my_regcodes/b.TXT"));
    EXPECT_TRUE(settings_.logged("===> wrong regcode length 'ABCDEFGHIJKLM' in input/my_regcodes/b.TXT"));
    EXPECT_TRUE(settings_.logged("===> input/my_regcodes/b.TXT: wrong format 'BA one;a;b;c'"));
    EXPECT_TRUE(settings_.logged("===> input/my_regcodes/c.Txt: no title in ';D-ABVX'"));
    EXPECT_TRUE(settings_.logged("1 in-line regcode clashes, see 'output/errors/InlineRegcodes.txt'"));
    EXPECT_TRUE(settings_.logged("3 special liveries"));
}

struct MissingDownloadRow
{
    const char* name;
    const char* encBytes; // nullptr: no file
};

void PrintTo(const MissingDownloadRow& row, std::ostream* os)
{
    *os << row.name;
}

class MissingDownloadTest : public RegcodesTest, public ::testing::WithParamInterface<MissingDownloadRow>
{
};

TEST_P(MissingDownloadTest, UserFilesStillCountAndTheReportIsWritten)
{
    if (GetParam().encBytes != nullptr)
        writeBytes(work_ / "input" / "AIG-regcodes.enc", GetParam().encBytes);
    writeBytes(work_ / "output" / "info" / "OfflineRegcodes.txt", "old report\n");
    writeUserFiles();
    gf_processOfflineRegcodes();
    EXPECT_THAT(reportLines(),
                ElementsAre("Processing files in input/my_regcodes",
                            "   regcode D-ABVN for 'BA one', instead of the same for 'LH jumbo'",
                            "3 new regcodes added, 1 regcode replaced, 2 regcodes defined as special"));
    EXPECT_EQ(mapped("D-ABVN"), "BA one");
    EXPECT_FALSE(plainFileLeft());
}

INSTANTIATE_TEST_SUITE_P(Downloads, MissingDownloadTest,
                         ::testing::Values(MissingDownloadRow{"Missing", nullptr},
                                           MissingDownloadRow{"Damaged", "not an encrypted file at all"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegcodesTest, EmptyUserFolderGivesOnlyTheDownloadLines)
{
    writeRegcodesEnc(R"(<AIG-regcodes><livery title="BA one" reg="G-EUPA"/></AIG-regcodes>)");
    fs::create_directories(work_ / "input" / "my_regcodes");
    gf_processOfflineRegcodes();
    EXPECT_THAT(reportLines(), ElementsAre("Processing file input/AIG-regcodes.xml", "1 new regcode added"));
    EXPECT_TRUE(gLiveries.SpecialTitles.empty());
    EXPECT_FALSE(plainFileLeft());
    EXPECT_FALSE(fs::exists(work_ / "output" / "errors" / "InlineRegcodes.txt"));
}

TEST_F(RegcodesTest, NothingToReportRemovesTheOldReport)
{
    writeBytes(work_ / "output" / "info" / "OfflineRegcodes.txt", "old report\n");
    gf_processOfflineRegcodes();
    EXPECT_FALSE(fs::exists(work_ / "output" / "info" / "OfflineRegcodes.txt"));
}

// Decrypted in memory, no plain copy on the disk; a report that a read-only folder refuses stops nothing.
TEST_F(RegcodesTest, NoPlainFileAndAnUnwritableReportStopsNothing)
{
    writeRegcodesEnc(kAigXml);
    writeBytes(work_ / "output" / "info" / "OfflineRegcodes.txt" / "blocker", "x");
    EXPECT_NO_THROW(gf_processOfflineRegcodes());
    EXPECT_EQ(mapped("AB"), "BA three");
    EXPECT_TRUE(settings_.logged("Saving 'output/info/OfflineRegcodes.txt' did not succeed: Is a directory"));
    EXPECT_FALSE(plainFileLeft());
}

TEST_F(RegcodesTest, ScanTimePassCollectsTitlesWithoutRegcodes)
{
    writeRegcodesEnc(kAigXml);
    writeUserFiles();
    gf_readDontUseTitles();
    EXPECT_THAT(gLiveries.DontUseTitles, ElementsAre("LH jumbo", "Dont use me"));
    EXPECT_TRUE(gLiveries.RegcodeMap.empty());
    EXPECT_FALSE(plainFileLeft());
    EXPECT_TRUE(settings_.logged("1 don't use title read"));
    EXPECT_TRUE(settings_.logged("1 don't use title read from files in input/my_regcodes"));
}

TEST_F(RegcodesTest, ScanTimePassGoesOnAfterAFailingFolder)
{
    writeBytes(work_ / "input" / "my_regcodes", "a file where the folder belongs");
    gf_readDontUseTitles();
    EXPECT_THAT(gLiveries.DontUseTitles, IsEmpty());
    bool logged = false;
    for (const std::string& line : settings_.logLines())
        logged = logged || line.starts_with("===> exception: ");
    EXPECT_TRUE(logged);
}

struct UserLineRow
{
    const char* name;
    const char* line;
    std::vector<std::string> regcodes; // of the one entry read; empty with no entry when `entries` is 0
    bool special;
    std::size_t entries;
    bool good;
};

void PrintTo(const UserLineRow& row, std::ostream* os)
{
    *os << row.name;
}

class UserLineTest : public test::LiveryIndexTest, public ::testing::WithParamInterface<UserLineRow>
{
};

TEST_P(UserLineTest, FieldsGiveEntries)
{
    writeBytes(work_ / "regs" / "one.txt", std::string(GetParam().line) + "\r\n");
    std::list<RegcodeEntry> entries;
    EXPECT_EQ(gf_readRegcodeTextFiles(work_ / "regs", entries), GetParam().good);
    ASSERT_EQ(entries.size(), GetParam().entries);
    if (!entries.empty())
    {
        EXPECT_EQ(entries.front().title, "T");
        EXPECT_EQ(entries.front().regcodes, GetParam().regcodes);
        EXPECT_EQ(entries.front().special, GetParam().special);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UserLineTest,
    ::testing::Values(UserLineRow{"TitleOnly", "T", {}, false, 1, true},
                      UserLineRow{"OneRegcode", "T;ABC", {"ABC"}, true, 1, true},
                      UserLineRow{"TwoRegcodes", "T; ABC , DEF ", {"ABC", "DEF"}, false, 1, true},
                      UserLineRow{"TwoRegcodesMarked", "T;ABC,DEF;#", {"ABC", "DEF"}, true, 1, true},
                      UserLineRow{"TwoRegcodesOtherMark", "T;ABC,DEF;x", {"ABC", "DEF"}, false, 1, true},
                      UserLineRow{"FourFields", "T;ABC;#;x", {}, false, 0, false},
                      UserLineRow{"NoRegcodes", "T;", {}, false, 0, true},
                      UserLineRow{"TooShort", "T;AB", {}, false, 0, false},
                      UserLineRow{"TooLong", "T;ABCDEFGHIJKLM", {}, false, 0, false},
                      UserLineRow{"LongestAccepted", "T;ABCDEFGHIJKL", {"ABCDEFGHIJKL"}, true, 1, true},
                      UserLineRow{"AllTooShort", "T;AB,CD", {}, false, 0, false},
                      UserLineRow{"EmptyTitle", "", {}, false, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl
