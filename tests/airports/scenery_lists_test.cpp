// The folders of an airport scan: scenery.cfg (8-bit and UTF-16) and scenery_add-ons.xml of the
// simulator's ProgramData folder, the afolder settings, and the tests that keep stock scenery out.
#include "airports/airport_scan.h"

#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/errors.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxl
{
namespace
{

using test::ScopedEnv;
using test::SettingsFolder;
using test::TempFolder;
using test::writeBytes;
using Folders = std::vector<std::string>;

struct TextCase
{
    const char* name;
    std::string text;
    bool expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class BglExtension : public testing::TestWithParam<TextCase>
{
};

TEST_P(BglExtension, IsExactlyOneOfTheTwoSpellings)
{
    EXPECT_EQ(gf_isBglExtension(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Extensions, BglExtension,
                         testing::Values(TextCase{"Upper", ".BGL", true}, TextCase{"Lower", ".bgl", true},
                                         TextCase{"Mixed", ".Bgl", false}, TextCase{"Longer", ".bglx", false},
                                         TextCase{"NoDot", "bgl", false}, TextCase{"Empty", "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

class StockScenery : public testing::TestWithParam<TextCase>
{
};

TEST_P(StockScenery, NamesOneOfTheSimulatorsOwnFolders)
{
    EXPECT_EQ(gf_isStockScenery(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, StockScenery,
                         testing::Values(TextCase{"World", "Local=Scenery\\World", true},
                                         TextCase{"Region", "C:\\P3D\\Scenery\\0106", true},
                                         TextCase{"Bathymetry", "C:\\P3D\\Scenery\\Bathymetry\\x", true},
                                         TextCase{"SlashesOfThisMachine", "/sim/Scenery/EURW/scenery", true},
                                         TextCase{"CaseMatters", "C:\\P3D\\Scenery\\world", false},
                                         TextCase{"AddonFolder", "D:\\Addons\\ORBX\\EGLL", false},
                                         TextCase{"NameWithoutSeparator", "D:\\MyWorld", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InStockScenery, ContainsTheStockFolderTextInEitherSeparator)
{
    gf_setStockAirportsPath(WinPath("C:\\P3D v5\\Scenery"));
    EXPECT_TRUE(gf_isInStockScenery("C:\\P3D v5\\Scenery\\0101\\scenery"));
    EXPECT_TRUE(gf_isInStockScenery("C:/P3D v5/Scenery/0101"));
    EXPECT_FALSE(gf_isInStockScenery("C:\\P3D v5\\Addons"));
    EXPECT_FALSE(gf_isInStockScenery("c:\\p3d v5\\scenery"));
    // Without a known stock folder every path counts as stock.
    gf_setStockAirportsPath(WinPath());
    EXPECT_TRUE(gf_isInStockScenery("D:\\Addons"));
}

// A ProgramData folder of its own with the simulator's lists, an install folder and the settings.
class SceneryLists : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        installText_ = (root_ / "P3D v5").string();
        ALL_INSTALL_PATH.set(installText_);
        gf_setStockAirportsPath(WinPath(installText_) / "Scenery");
        gf_installAirportScanPort(&port_);
    }
    void TearDown() override
    {
        gf_installAirportScanPort(nullptr);
        gf_setStockAirportsPath(WinPath());
    }

    std::filesystem::path listFile(const std::string& name) const
    {
        return root_ / "ProgramData" / "Lockheed Martin" / "Prepar3D v5" / name;
    }

    TempFolder root_;
    ScopedEnv programData_{"OXL_PROGRAMDATA", (root_ / "ProgramData").string()};
    SettingsFolder settings_;
    std::string installText_;

    // The scan's neighbours here: simulator v5.
    class V5Port final : public NoAirportScanPort
    {
      public:
        [[nodiscard]] std::string simulatorVersion() override { return "5"; }
    };
    V5Port port_;
};

// Entries of every kind: relative, with a drive, inactive, stock, inside the stock folder, and values
// that hold the words the entry headers and keys are made of.
const std::string kSceneryCfg = "[General]\r\n"
                                "Title=Default Terrain\r\n"
                                "Clean_on_Exit=TRUE\r\n"
                                "\r\n"
                                "[Area.001]\r\n"
                                "Title=Default Terrain\r\n"
                                "Local=Scenery\\World\r\n"
                                "Layer=1\r\n"
                                "Active=TRUE\r\n"
                                "Required=TRUE\r\n"
                                "\r\n"
                                "[Area.002]\r\n"
                                "Title=Bay Area Airports\r\n"
                                "Local=Addon Scenery\\Bay Area\r\n"
                                "Layer=2\r\n"
                                "Active=TRUE\r\n"
                                "\r\n"
                                "[Area.003]\r\n"
                                "Title=Off\r\n"
                                "Local=D:\\Off\\scenery\r\n"
                                "Active=FALSE\r\n"
                                "\r\n"
                                "[AREA.004]\r\n"
                                "Title=ORBX EGLL\r\n"
                                "  Local = D:\\ORBX\\Title Layer\\EGLL  \r\n"
                                "Active=true\r\n"
                                "\r\n"
                                "[Area.005]\r\n"
                                "Title=Stock region\r\n"
                                "Local=Scenery\\Props\r\n"
                                "Active=True\r\n";

std::string utf16le(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii)
    {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

TEST_F(SceneryLists, SceneryCfgGivesTheActiveAddonFolders)
{
    writeBytes(listFile("scenery.cfg"), kSceneryCfg);
    Folders folders{"kept"};
    gf_readSceneryCfg(folders);
    const std::string bayArea = installText_ + "\\Addon Scenery\\Bay Area";
    EXPECT_EQ(folders, (Folders{"kept", bayArea, "D:\\ORBX\\Title Layer\\EGLL"}));
    EXPECT_TRUE(
        settings_.logged("Reading: C:\\ProgramData\\Lockheed Martin\\Prepar3D v5\\scenery.cfg for airport "
                         "add-ons ..."));
    EXPECT_TRUE(settings_.logged("      found:" + bayArea));
    EXPECT_TRUE(settings_.logged("2 scenery add-on paths found"));
}

TEST_F(SceneryLists, SceneryCfgInUtf16IsReadAlike)
{
    writeBytes(listFile("scenery.cfg"), utf16le(kSceneryCfg));
    Folders folders;
    gf_readSceneryCfg(folders);
    EXPECT_EQ(folders, (Folders{installText_ + "\\Addon Scenery\\Bay Area", "D:\\ORBX\\Title Layer\\EGLL"}));
}

TEST_F(SceneryLists, MissingListsAreLoggedAndAddNothing)
{
    Folders folders;
    gf_readSceneryCfg(folders);
    gf_readSceneryAddonsXml(folders);
    EXPECT_TRUE(folders.empty());
    EXPECT_TRUE(settings_.logged("C:\\ProgramData\\Lockheed Martin\\Prepar3D v5\\scenery.cfg not found!"));
    EXPECT_TRUE(
        settings_.logged("C:\\ProgramData\\Lockheed Martin\\Prepar3D v5\\scenery_add-ons.xml not found!"));
}

TEST_F(SceneryLists, AreaReaderWantsAnActiveLine)
{
    Folders folders;
    gf_readSceneryArea({"Local=D:\\A", "Active=FALSE"}, installText_, folders);
    gf_readSceneryArea({"Local=D:\\B"}, installText_, folders);
    gf_readSceneryArea({"Local=D:\\C", "Active=TRUE"}, installText_, folders);
    gf_readSceneryArea({"Local=Scenery\\Props", "Active=TRUE"}, installText_, folders);
    EXPECT_EQ(folders, (Folders{"D:\\C"}));
}

TEST_F(SceneryLists, AddonsXmlGivesEveryPathAsWritten)
{
    writeBytes(listFile("scenery_add-ons.xml"),
               "<?xml version=\"1.0\"?>\r\n<SimBase.Document>\r\n"
               "<AddOn.Component><Path>D:\\Addons\\KJFK</Path></AddOn.Component>\r\n"
               "<Category>Scenery</Category>\r\n"
               "  <Path>E:\\More\\Scenery\\World</Path>\r\n"
               "</SimBase.Document>\r\n");
    Folders folders;
    gf_readSceneryAddonsXml(folders);
    EXPECT_EQ(folders, (Folders{"D:\\Addons\\KJFK", "E:\\More\\Scenery\\World"}));
    EXPECT_TRUE(settings_.logged(
        "Reading C:\\ProgramData\\Lockheed Martin\\Prepar3D v5\\scenery_add-ons.xml for add-on airport ..."));
    EXPECT_TRUE(settings_.logged("found path:D:\\Addons\\KJFK"));
    EXPECT_TRUE(settings_.logged("2 scenery add-on paths found"));
}

TEST_F(SceneryLists, AfolderSettingsInOrderWithoutTheEmptyOnes)
{
    afolder[1].set("D:\\Airports");
    afolder[7].set("E:\\More");
    Folders folders{"old"};
    gf_readAfolderParameters(folders);
    EXPECT_EQ(folders, (Folders{"D:\\Airports", "E:\\More"}));
    EXPECT_TRUE(settings_.logged("From parameter afolder1: D:\\Airports"));
    EXPECT_TRUE(settings_.logged("From parameter afolder7: E:\\More"));
}

TEST_F(SceneryLists, AfolderInsideTheStockFolderIsRefused)
{
    afolder[0].set("D:\\Airports");
    afolder[2].set(installText_ + "\\Scenery\\0101");
    Folders folders;
    try
    {
        gf_readAfolderParameters(folders);
        FAIL() << "no error";
    }
    catch (const UserErrorException& error)
    {
        EXPECT_STREQ(error.what(),
                     "42: parameter afolder2 points to stock airports instead of add-on airports!");
    }
}

} // namespace
} // namespace oxl
