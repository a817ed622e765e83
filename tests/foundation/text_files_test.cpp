#include "foundation/text_files.h"

#include "foundation/message_hook.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <sstream>

namespace oxl
{
namespace
{
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

// "title=Zürich" CR LF "x" CR LF in UTF-16 little-endian with its mark.
const std::string kUtf16Le("\xFF\xFEt\0i\0t\0l\0e\0=\0Z\0\xFC\0r\0i\0c\0h\0\r\0\n\0x\0\r\0\n\0", 36);
// "A" LF "\u20AC" (no line feed at the end) in UTF-16 big-endian with its mark.
const std::string kUtf16Be("\xFE\xFF\0A\0\n\x20\xAC", 8);

struct CharsetCase
{
    const char* name;
    std::string bytes;
    Charset charset;
};

void PrintTo(const CharsetCase& c, std::ostream* os)
{
    *os << c.name;
}

class Detection : public testing::TestWithParam<CharsetCase>
{
};

TEST_P(Detection, FromTheFirstBytesOnDisk)
{
    TempFolder folder;
    writeBytes(folder / "f.txt", GetParam().bytes);
    EXPECT_EQ(gf_detectCharset(folder / "f.txt"), GetParam().charset);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Detection,
    testing::Values(
        CharsetCase{"MarkFFFEOnly", "\xFF\xFE", Charset::Unicode},
        CharsetCase{"TwoBytesOfTheUtf8Mark", "\xEF\xBB", Charset::ANSI},
        CharsetCase{"Utf8Mark", "\xEF\xBB\xBFtext\r\n", Charset::UTF8_with_BOM},
        CharsetCase{"BigEndian", kUtf16Be, Charset::Unicode_big_endian},
        CharsetCase{"LittleEndian", kUtf16Le, Charset::Unicode},
        CharsetCase{"FFFE0000", std::string("\xFF\xFE\0\0", 4), Charset::Unicode},
        CharsetCase{"Ascii", "[fltsim.0]\r\ntitle=A320\r\n", Charset::UTF8_without_BOM},
        CharsetCase{"Latin1", "title=Z\xFCrich\r\n", Charset::ANSI},
        CharsetCase{"Utf8", "title=Z\xC3\xBCrich \xE2\x82\xAC\n", Charset::UTF8_without_BOM},
        CharsetCase{"OverlongPassesTheStructureTest", "\xC0\xAF..", Charset::UTF8_without_BOM},
        CharsetCase{"CharacterStraddlesTheHead", std::string(1026, 'a') + "\xC3\xA9", Charset::ANSI},
        CharsetCase{"CharacterEndsTheHead", std::string(1025, 'a') + "\xC3\xA9", Charset::UTF8_without_BOM},
        CharsetCase{"BadByteAfterTheHead", std::string(1027, 'a') + "\xFF", Charset::UTF8_without_BOM},
        CharsetCase{"OneByte", "a", Charset::none_found}, CharsetCase{"Empty", "", Charset::none_found}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextFiles, MissingFileIsNoneFoundAndLogged)
{
    test::LogCapture log;
    TempFolder folder;
    const fs::path missing = folder / "missing.txt";
    EXPECT_EQ(gf_detectCharset(missing), Charset::none_found);
    EXPECT_EQ(log.lines(),
              Lines{"Cannot open file " + missing.string() + " for character encoding. Win32 error: 2"});
    Lines lines;
    EXPECT_FALSE(gf_readExtTextFileToStringVector(missing, lines));
    EXPECT_TRUE(lines.empty());
}

struct ReadCase
{
    const char* name;
    std::string bytes;
    Lines lines;
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.name;
}

class Reading : public testing::TestWithParam<ReadCase>
{
};

TEST_P(Reading, AppendsUtf8Lines)
{
    TempFolder folder;
    writeBytes(folder / "aircraft.cfg", GetParam().bytes);
    Lines lines{"earlier line"};
    ASSERT_TRUE(gf_readExtTextFileToStringVector(folder / "aircraft.cfg", lines));
    Lines expected{"earlier line"};
    expected.insert(expected.end(), GetParam().lines.begin(), GetParam().lines.end());
    EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Reading,
    testing::Values(
        ReadCase{"AnsiCrLf", "title=Z\xFCrich\r\nB\r\n", {"title=Z\xFCrich", "B"}},
        ReadCase{"Utf8Lf", "a\nZ\xC3\xBCrich\n", {"a", "Z\xC3\xBCrich"}},
        ReadCase{"Utf8LastLineWithoutBreak", "a\r\nb", {"a", "b"}},
        // The mark leaves this file's first line only, never the line already in the vector.
        ReadCase{"Utf8MarkCrLf", "\xEF\xBB\xBF[fltsim.0]\r\ntitle=x\r\n", {"[fltsim.0]", "title=x"}},
        ReadCase{"Utf8MarkOnly", "\xEF\xBB\xBF", {""}},
        // UTF-16 lines keep the CR of CR LF; callers trim.
        ReadCase{"Utf16LittleEndianCrLf", kUtf16Le, {"title=Z\xC3\xBCrich\r", "x\r"}},
        ReadCase{"Utf16BigEndian", kUtf16Be, {"A", "\xE2\x82\xAC"}},
        ReadCase{"Utf16Astral", std::string("\xFF\xFE\x3D\xD8\x00\xDE\n\0", 8), {"\xF0\x9F\x98\x80"}},
        ReadCase{"Utf16MarkOnly", "\xFF\xFE", {}}),
    [](const auto& info) { return std::string(info.param.name); });

class Utf16Failures : public testing::Test
{
  protected:
    // The texts shown, with their log flags.
    struct Recorder final : MessageLinePort
    {
        std::vector<std::pair<std::string, bool>> shown;
        void show(const std::string& text, bool log) override { shown.emplace_back(text, log); }
    };
    ~Utf16Failures() override { gf_installMessageLinePort(nullptr); }
    Recorder recorder_;
    std::vector<std::pair<std::string, bool>>& shown_ = recorder_.shown;
    void record() { gf_installMessageLinePort(&recorder_); }
};

TEST_F(Utf16Failures, UnpairedSurrogateStopsAtItsLine)
{
    record();
    TempFolder folder;
    // "ok" LF, then a line with a lone high surrogate, then "never".
    writeBytes(folder / "f.cfg", std::string("\xFF\xFEo\0k\0\n\0\x00\xD8x\0\n\0n\0e\0v\0e\0r\0", 24));
    Lines lines;
    EXPECT_FALSE(gf_readExtTextFileToStringVector(folder / "f.cfg", lines));
    EXPECT_EQ(lines, Lines{"ok"});
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0],
              std::make_pair(std::string("conversion from error from utf16 to utf8, code: 1113"), true));
}

TEST_F(Utf16Failures, OddTrailingByteFailsTheLastLine)
{
    record();
    TempFolder folder;
    writeBytes(folder / "f.cfg", std::string("\xFE\xFF\0a\0\n\0b\0", 9));
    Lines lines;
    EXPECT_FALSE(gf_readLinesWithCharset(Charset::Unicode_big_endian, folder / "f.cfg", lines));
    EXPECT_EQ(lines, Lines{"a"});
    EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(Utf16Failures, WithoutAWindowTheMessageIsLogged)
{
    test::LogCapture log;
    TempFolder folder;
    writeBytes(folder / "f.cfg", std::string("\xFF\xFE\x00\xDC", 4));
    Lines lines;
    EXPECT_FALSE(gf_readExtTextFileToStringVector(folder / "f.cfg", lines));
    EXPECT_EQ(log.lines(), Lines{"conversion from error from utf16 to utf8, code: 1113"});
}

TEST(TextFiles, UnreadableAndUnknown)
{
    test::LogCapture log;
    TempFolder folder;
    writeBytes(folder / "one", "a");
    writeBytes(folder / "empty", "");
    Lines lines;
    EXPECT_FALSE(gf_readExtTextFileToStringVector(folder / "one", lines));
    EXPECT_FALSE(gf_readExtTextFileToStringVector(folder / "empty", lines));
    EXPECT_FALSE(gf_readLinesWithCharset(Charset::ANSI, folder / "missing", lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(log.lines().empty());
    try
    {
        gf_readLinesWithCharset(Charset::none_found, folder / "one", lines);
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_EQ(std::string(e.what()),
                  "file " + (folder / "one").string() + " has unknown charset: none_found");
    }
    EXPECT_THROW(gf_readLinesWithCharset(static_cast<Charset>(9), folder / "one", lines), std::out_of_range);
    EXPECT_EQ(gf_charsetWord(Charset::Unicode_big_endian), "Unicode_big_endian");
}

TEST(TextFiles, WindowsPathsAreReadWhateverTheCaseAndLoggedAsWritten)
{
    test::LogCapture log;
    TempFolder drive;
    test::ScopedEnv c("OXL_DRIVE_C", drive.path().string());
    writeBytes(drive / "SimObjects/Airplanes/A320/aircraft.cfg", "\xEF\xBB\xBF[fltsim.0]\r\n");
    Lines lines;
    EXPECT_TRUE(
        gf_readExtTextFileToStringVector(WinPath("C:\\simobjects\\AIRPLANES\\a320\\Aircraft.cfg"), lines));
    EXPECT_EQ(lines, Lines{"[fltsim.0]"});
    EXPECT_EQ(gf_detectCharset(WinPath("C:\\SimObjects\\x.cfg")), Charset::none_found);
    EXPECT_EQ(log.lines(),
              Lines{"Cannot open file C:\\SimObjects\\x.cfg for character encoding. Win32 error: 2"});
}

TEST(TextFiles, PlainLines)
{
    TempFolder folder;
    writeBytes(folder / "regcodes.txt", "\xEF\xBB\xBF"
                                        "D-AIAB\r\nD-AIAC\n\r\n");
    TextFileLines record{(folder / "regcodes.txt").string(), {"old"}};
    EXPECT_EQ(gf_readPlainLines(record, 10), (Lines{"\xEF\xBB\xBF"
                                                    "D-AIAB",
                                                    "D-AIAC", ""}));
    EXPECT_EQ(record.lines.size(), 3u);
    EXPECT_EQ(gf_readPlainLines(folder / "regcodes.txt"), record.lines);
    record.path = (folder / "missing").string();
    EXPECT_TRUE(gf_readPlainLines(record, 5).empty());
    EXPECT_TRUE(gf_readPlainLines(folder / "missing").empty());
}

TEST(TextFiles, Utf16StreamWithoutMarkIsBigEndian)
{
    std::istringstream in(std::string("\0a\0\r\0\n\0b", 8));
    Lines lines;
    gf_getlineUtf8(in, lines);
    EXPECT_EQ(lines, (Lines{"a\r", "b"}));
}

TEST(TextFiles, WritersReplaceTheFileWhole)
{
    TempFolder folder;
    const fs::path file = folder / "my_park_airports.txt";
    writeBytes(file, "old content that is longer\n");
    EXPECT_TRUE(gf_writeTextFile("EDDF", file));
    EXPECT_EQ(readBytes(file), "EDDF\n");
    EXPECT_TRUE(gf_writeLines({"EDDF", "", "LSZH"}, file));
    EXPECT_EQ(readBytes(file), "EDDF\n\nLSZH\n");
    // A report shows other programs' bytes as the log does, each element on one line.
    EXPECT_TRUE(gf_writeReportLines(std::list<std::string>{"a\x1b[31m\xe9", "b\nc\r"}, file));
    EXPECT_EQ(readBytes(file), "a\\x1b[31m\\xe9\nb\\nc\\r\n");
    EXPECT_TRUE(gf_writeLines({}, file));
    EXPECT_EQ(readBytes(file), "");
    // Nothing but the file is left in its folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);

    // A folder that is gone is made again; one that cannot be made fails the save.
    EXPECT_TRUE(gf_writeTextFile("x", folder / "gone/f.txt"));
    EXPECT_EQ(readBytes(folder / "gone/f.txt"), "x\n");
    EXPECT_FALSE(gf_writeTextFile("x", file / "f.txt"));
    EXPECT_FALSE(gf_writeLines({"x"}, file / "f.txt"));
    EXPECT_FALSE(gf_writeReportLines(std::vector<std::string>{"x"}, file / "f.txt"));
}

TEST(TextFiles, AWriteThatFailsAfterTheOpenIsAFailure)
{
    if (!fs::exists("/dev/full"))
    {
        GTEST_SKIP() << "no /dev/full here";
    }
    EXPECT_FALSE(gf_writeTextFile(std::string(100000, 'x'), "/dev/full"));
    EXPECT_FALSE(gf_writeLines({"a", "b"}, "/dev/full"));
    EXPECT_FALSE(gf_writeReportLines(std::list<std::string>{"a"}, "/dev/full"));
}

TEST(TextFiles, SaveXmlAndAttributes)
{
    test::LogCapture log;
    TempFolder folder;
    pugi::xml_document doc;
    auto parameter = doc.append_child("parameters").append_child("parameter");
    parameter.append_attribute("name") = "RANGE";
    parameter.append_attribute("value") = "40";
    parameter.append_attribute("empty");
    const fs::path file = folder / "parameters.xml";
    EXPECT_TRUE(gf_saveXml(doc, file));
    EXPECT_FALSE(gf_saveXml(doc, file / "parameters.xml"));
    EXPECT_EQ(log.lines(), (Lines{"'" + file.string() + "' saved",
                                  "Saving '" + (file / "parameters.xml").string() +
                                      "' did not succeed: its folder cannot be made (Not a directory)",
                                  "could not save to '" + (file / "parameters.xml").string() + "'"}));

    pugi::xml_document loaded;
    ASSERT_TRUE(loaded.load_file(file.c_str()));
    const auto node = loaded.child("parameters").child("parameter");
    EXPECT_EQ(gf_attributeAsString(node, "value"), "40");
    EXPECT_EQ(gf_attributeAsString(node, "name"), "RANGE");
    EXPECT_EQ(gf_attributeAsString(node, "empty"), "");
    EXPECT_EQ(gf_attributeAsString(node, "Value"), "");
    EXPECT_EQ(gf_attributeAsString(pugi::xml_node(), "value"), "");
    EXPECT_EQ(readBytes(file),
              "<?xml version=\"1.0\"?>\n<parameters>\n\t<parameter name=\"RANGE\" value=\"40\" "
              "empty=\"\" />\n</parameters>\n");
}

} // namespace
} // namespace oxl
