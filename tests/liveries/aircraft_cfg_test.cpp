#include "liveries/aircraft_cfg.h"
#include "liveries/liveries_state.h"
#include "tests/liveries/livery_scan_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

namespace oxl
{
namespace
{

using test::AircraftFolder;
using test::CfgCharset;
using test::CfgOutcome;
using test::linesOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::list<LiveryData> readCfg(const test::GeneratedCfg& cfg, int folderIndex)
{
    const WinPath file("D:\\" + cfg.windowsRelative);
    return cfg.ivao ? gf_readAircraftCfg(folderIndex, file) : gf_searchLiveriesinFile(folderIndex, file);
}

void expectLiveries(const std::list<LiveryData>& got, const std::vector<test::ExpectedLivery>& expected,
                    std::uint32_t folderIndex, const std::string& where)
{
    ASSERT_EQ(got.size(), expected.size()) << where;
    auto it = got.begin();
    for (const test::ExpectedLivery& want : expected)
    {
        EXPECT_EQ(it->airl, want.airl) << where << " " << want.title;
        EXPECT_EQ(it->type, want.type) << where << " " << want.title;
        EXPECT_EQ(it->title, want.title) << where;
        EXPECT_EQ(it->atcid, want.atcid) << where << " " << want.title;
        EXPECT_EQ(it->cargo, want.cargo) << where << " " << want.title;
        EXPECT_EQ(it->folderIndex, folderIndex) << where;
        ++it;
    }
}

class AircraftCfgTest : public test::LiveryScanTest
{
  protected:
    // Writes one aircraft.cfg with these lines and the entries every section of these tests names.
    WinPath writeCfg(const std::string& name, std::vector<std::string> lines,
                     CfgCharset charset = CfgCharset::Utf8, test::LineEnd lineEnd = test::LineEnd::CrLf)
    {
        AircraftFolder folder;
        folder.folder = std::filesystem::path("Cases") / name;
        folder.lines = std::move(lines);
        folder.charset = charset;
        folder.lineEnd = lineEnd;
        folder.subfolders = {"model", "texture"};
        folder.files = {"a.air"};
        test::writeAircraftFolder(root_.path(), folder);
        return WinPath("D:\\Cases\\" + name + "\\aircraft.cfg");
    }

    static std::vector<std::string> titles(const std::list<LiveryData>& liveries)
    {
        std::vector<std::string> result;
        for (const LiveryData& livery : liveries)
        {
            result.push_back(livery.title);
        }
        return result;
    }
};

// A section that gives a livery titled `title` in the folders writeCfg makes.
std::vector<std::string> section(const std::string& header, const std::string& title)
{
    return {header, "title=" + title, "sim=a", "atc_parking_codes=BAW"};
}

std::vector<std::string> joined(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> lines;
    for (auto& part : parts)
    {
        lines.insert(lines.end(), part.begin(), part.end());
    }
    return lines;
}

TEST_F(AircraftCfgTest, GeneratedTreeGivesItsLiveriesAndReports)
{
    const auto files = test::writeLiveryTree(root_.path(), test::TreeSpec{});
    for (const test::GeneratedCfg& cfg : files)
    {
        const std::string text = "D:\\" + cfg.windowsRelative;
        const auto liveries = readCfg(cfg, 3);
        expectLiveries(liveries, cfg.liveries, 3, text);
        switch (cfg.outcome)
        {
        case CfgOutcome::EmptyCfg:
            EXPECT_THAT(linesOf(gLiveries.EmptyCfgFiles), Contains(text));
            break;
        case CfgOutcome::InvalidCfg:
            EXPECT_TRUE(std::any_of(
                gLiveries.InvalidCfgFiles.lines().begin(), gLiveries.InvalidCfgFiles.lines().end(),
                [&text](const std::string& line) { return line.find(text) != std::string::npos; }))
                << text;
            break;
        case CfgOutcome::InvalidModel:
            EXPECT_THAT(linesOf(gLiveries.InvalidModelCodes), Contains(::testing::EndsWith(" in " + text)));
            break;
        case CfgOutcome::LoggedOnly:
            EXPECT_TRUE(log_.contains("===> fltsim num [fltsim.99999999999] incorrect"));
            break;
        default:
            break;
        }
    }
    EXPECT_THAT(linesOf(gLiveries.IncompleteSections), IsEmpty());
    EXPECT_THAT(linesOf(gLiveries.InvalidAirlineCodes), IsEmpty());
    EXPECT_EQ(gLiveries.EmptyCfgFiles.size(), 1u);
    EXPECT_EQ(gLiveries.InvalidCfgFiles.size(), 2u);
    EXPECT_EQ(gLiveries.InvalidModelCodes.size(), 2u);
}

TEST_F(AircraftCfgTest, EveryCharsetAndLineEndGivesTheSameLiveries)
{
    const std::vector<std::string> lines = joined({{"[General]", "atc_model=B738"},
                                                   section("[fltsim.0]", "Caf\xC3\xA9 one"),
                                                   section("[fltsim.1]", "two")});
    for (const CfgCharset charset :
         {CfgCharset::Utf8, CfgCharset::Utf8Bom, CfgCharset::Utf16Le, CfgCharset::Utf16Be})
    {
        for (const test::LineEnd end : {test::LineEnd::Lf, test::LineEnd::CrLf})
        {
            gf_clearScanContainers();
            const std::string name = test::charsetName(charset) + (end == test::LineEnd::Lf ? "Lf" : "CrLf");
            const auto liveries = gf_searchLiveriesinFile(1, writeCfg(name, lines, charset, end));
            EXPECT_THAT(titles(liveries), ElementsAre("Caf\xC3\xA9 one", "two")) << name;
            EXPECT_THAT(linesOf(gLiveries.IncompleteSections), IsEmpty()) << name;
        }
    }
}

TEST_F(AircraftCfgTest, HeadersOpenAndCloseSections)
{
    std::filesystem::create_directories(root_ / "Cases" / "Headers" / "texture.BAW       [remark far right]");
    const auto liveries = gf_searchLiveriesinFile(
        1, writeCfg("Headers", joined({{"[General]", "atc_model=B738"},
                                       section("[fltsim.x]", "malformed"),
                                       section("[FLTSIM.3] // note", "with comment"),
                                       section("[Fltsim.2]", "mixed case"),
                                       section("[fltsim.0]", "zero"),
                                       section("[fltsim.0]", "zero again"),
                                       {"//[fltsim.4]", "title=below a commented header", "   [General]"},
                                       section("[fltsim.5]", "closed by general"),
                                       {"   [General]", "title=ignored"},
                                       section("[fltsim.6]", "remark"),
                                       {"texture=BAW       [remark far right]"}})));
    EXPECT_THAT(titles(liveries), ElementsAre("malformed", "with comment", "mixed case", "zero", "zero again",
                                              "closed by general", "remark"));
    EXPECT_THAT(linesOf(gLiveries.IncompleteSections), IsEmpty());
}

TEST_F(AircraftCfgTest, FileRejections)
{
    struct Case
    {
        std::string name;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"Limit", joined({{"atc_model=B738"}, section("[fltsim.10000]", "limit")})},
        {"AboveLimit", joined({{"atc_model=B738"}, section("[fltsim.10001]", "above")})},
        {"Overflow", joined({{"atc_model=B738"}, section("[fltsim.99999999999]", "overflow")})},
        {"GeneralOnly", {"[General]"}},
        {"LowerCaseType", joined({{"atc_model=b738"}, section("[fltsim.0]", "fixed lower case")})},
        {"FixedType", joined({{"atc_model=B737-800"}, section("[fltsim.0]", "fixed")})},
        {"UnknownLowerCase", joined({{"atc_model=a320"}, section("[fltsim.0]", "unknown")})},
    };
    std::map<std::string, std::vector<std::string>> got;
    for (const Case& c : cases)
    {
        got[c.name] = titles(gf_searchLiveriesinFile(1, writeCfg(c.name, c.lines)));
    }
    EXPECT_THAT(got["Limit"], ElementsAre("limit"));
    EXPECT_THAT(got["AboveLimit"], IsEmpty());
    EXPECT_THAT(got["Overflow"], IsEmpty());
    EXPECT_THAT(got["GeneralOnly"], IsEmpty());
    EXPECT_THAT(got["LowerCaseType"], ElementsAre("fixed lower case"));
    EXPECT_THAT(got["FixedType"], ElementsAre("fixed"));
    EXPECT_THAT(got["UnknownLowerCase"], IsEmpty());

    EXPECT_THAT(
        linesOf(gLiveries.InvalidCfgFiles),
        ::testing::UnorderedElementsAre(
            "D:\\Cases\\AboveLimit\\aircraft.cfg contains a [fltsim.x] section with a number < 0 or > 10000",
            "Line atc_model= is missing in [General] section of D:\\Cases\\GeneralOnly\\aircraft.cfg"));
    EXPECT_THAT(linesOf(gLiveries.EmptyCfgFiles), ElementsAre("D:\\Cases\\GeneralOnly\\aircraft.cfg"));
    EXPECT_THAT(
        linesOf(gLiveries.ModelFixes),
        ElementsAre("Model fix: b738 found in D:\\Cases\\LowerCaseType\\aircraft.cfg changed into B738",
                    "Model fix: B737-800 found in D:\\Cases\\FixedType\\aircraft.cfg changed into B738"));
    EXPECT_THAT(linesOf(gLiveries.InvalidModelCodes),
                ElementsAre("a320             in D:\\Cases\\UnknownLowerCase\\aircraft.cfg"));
    EXPECT_TRUE(log_.contains("===> fltsim num [fltsim.99999999999] incorrect"));
}

TEST_F(AircraftCfgTest, FilesWithoutReadableTextGiveNothing)
{
    EXPECT_THAT(gf_searchLiveriesinFile(1, onDriveD("Cases\\Missing\\aircraft.cfg")), IsEmpty());
    test::writeBytes(root_ / "Cases" / "OneByte" / "aircraft.cfg", "[");
    EXPECT_THAT(gf_searchLiveriesinFile(1, onDriveD("Cases\\OneByte\\aircraft.cfg")), IsEmpty());
    // An unpaired surrogate in UTF-16.
    test::writeBytes(root_ / "Cases" / "BadUtf16" / "aircraft.cfg",
                     std::string("\xFF\xFE[\0\n\0\x00\xD8x\0", 10));
    EXPECT_THAT(gf_searchLiveriesinFile(1, onDriveD("Cases\\BadUtf16\\aircraft.cfg")), IsEmpty());
    test::writeBytes(root_ / "IVAO_MTL" / "IVAO_B738" / "aircraft.cfg", "[");
    EXPECT_THAT(gf_readAircraftCfg(1, onDriveD("IVAO_MTL\\IVAO_B738\\aircraft.cfg")), IsEmpty());
    EXPECT_TRUE(log_.contains("===> No character set found for D:\\IVAO_MTL\\IVAO_B738\\aircraft.cfg"));
    EXPECT_THAT(linesOf(gLiveries.InvalidCfgFiles), IsEmpty());
    EXPECT_THAT(linesOf(gLiveries.EmptyCfgFiles), IsEmpty());
}

TEST_F(AircraftCfgTest, BinaryJunkAndLongLinesAreHarmless)
{
    std::string junk;
    for (int i = 0; i < 200000; ++i)
    {
        junk += static_cast<char>((i * 7919) % 251);
    }
    test::writeBytes(root_ / "Cases" / "Junk" / "aircraft.cfg", junk);
    EXPECT_THAT(gf_searchLiveriesinFile(1, onDriveD("Cases\\Junk\\aircraft.cfg")), IsEmpty());

    const std::string blanks(2'000'000, ' ');
    const auto liveries = gf_searchLiveriesinFile(
        1, writeCfg("Long", joined({{"atc_model=B738" + blanks, blanks + "[fltsim.0]" + blanks},
                                    {"title=long" + blanks, "sim=a", "atc_parking_codes=BAW", blanks}})));
    EXPECT_THAT(titles(liveries), ElementsAre("long"));
}

TEST_F(AircraftCfgTest, IvaoTypesComeFromThePackageFolder)
{
    std::map<std::string, std::vector<std::string>> got;
    for (const std::string folder : {"IVAO_B738w", "IVAO_B744F", "IVAO_T154M", "IVAO_T154B2", "IVAO_GLID_KA8",
                                     "IVAO_B737-800", "IVAO_XX99"})
    {
        test::writeAircraftFolder(
            root_.path(), AircraftFolder{std::filesystem::path("Ivao") / "ivao_mtl" / folder,
                                         "aircraft.cfg",
                                         {"[fltsim.0]", "title=T " + folder, "sim=a", "atc_id=G-EUPA"},
                                         CfgCharset::Utf16Le,
                                         test::LineEnd::CrLf,
                                         {"model", "texture"},
                                         {"A.AIR"}});
        for (const LiveryData& livery :
             gf_readAircraftCfg(4, onDriveD("Ivao\\ivao_mtl\\" + folder + "\\aircraft.cfg")))
        {
            got[folder].push_back(livery.type);
        }
    }
    EXPECT_THAT(got["IVAO_B738w"], ElementsAre("B738"));
    EXPECT_THAT(got["IVAO_B744F"], ElementsAre("B744"));
    EXPECT_THAT(got["IVAO_T154M"], ElementsAre("T154"));
    EXPECT_THAT(got["IVAO_T154B2"], ElementsAre("T154"));
    EXPECT_THAT(got["IVAO_GLID_KA8"], ElementsAre("GLID"));
    EXPECT_THAT(got["IVAO_B737-800"], IsEmpty());
    EXPECT_THAT(got["IVAO_XX99"], IsEmpty());
    EXPECT_THAT(linesOf(gLiveries.InvalidModelCodes),
                ElementsAre("                 in D:\\Ivao\\ivao_mtl\\IVAO_B737-800\\aircraft.cfg",
                            "XX99             in D:\\Ivao\\ivao_mtl\\IVAO_XX99\\aircraft.cfg"));
}

TEST_F(AircraftCfgTest, ReadersReleaseTheirWorkerSlot)
{
    const WinPath file = writeCfg("Slot", joined({{"atc_model=B738"}, section("[fltsim.0]", "slot")}));
    gFoundation.gRunningWorkers = 3;
    gf_searchLiveriesinFile(1, file);
    gf_searchLiveriesinFile(1, onDriveD("Cases\\Missing\\aircraft.cfg"));
    gf_readAircraftCfg(1, file);
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
}

TEST_F(AircraftCfgTest, ConcurrentReadersRegisterEachTitleOnce)
{
    test::TreeSpec spec;
    spec.packages = 4;
    spec.brokenFiles = false;
    const auto files = test::writeLiveryTree(root_.path(), spec);
    std::size_t titlesInTree = 0;
    for (const auto& cfg : files)
    {
        titlesInTree += cfg.liveries.size();
    }
    // Every file is read twice, by different threads at once.
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> records{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t)
    {
        workers.emplace_back(
            [&]
            {
                for (std::size_t i = next++; i < files.size() * 2; i = next++)
                {
                    records += readCfg(files[i % files.size()], 1).size();
                }
            });
    }
    for (std::thread& worker : workers)
    {
        worker.join();
    }
    EXPECT_EQ(records.load(), titlesInTree);
    EXPECT_EQ(gLiveries.ScannedTitles.size(), titlesInTree);
    EXPECT_EQ(gLiveries.IncompleteSections.size(), titlesInTree);
}

} // namespace
} // namespace oxl
