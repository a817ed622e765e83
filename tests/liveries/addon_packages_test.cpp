#include "liveries/addon_packages.h"

#include "foundation/config_keys.h"
#include "tests/support/livery_fixtures.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::CfgCharset;
using test::LineEnd;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The simulator's files of a Prepar3D v5 installation: add-ons.cfg in AppData, simobjects.cfg in
// ProgramData, packages on drive D:.
class AddOnPackagesTest : public ::testing::Test
{
  protected:
    AddOnPackagesTest()
        : drive_("OXL_DRIVE_D", driveD_.path().string()),
          programDataEnv_("OXL_PROGRAMDATA", programData_.path().string())
    {
        gf_setSimulatorVersionSource([] { return std::string("5"); });
        SIM_INSTALL_PATH.set("D:\\P3D");
    }
    ~AddOnPackagesTest() override { gf_setSimulatorVersionSource({}); }

    void writeAddOnsCfg(const std::vector<std::string>& lines, CfgCharset charset = CfgCharset::Utf8) const
    {
        test::writeBytes(gf_addOnsCfgPath("5"), test::encodeLines(lines, charset, LineEnd::CrLf));
    }

    void writeSimObjectsCfg(const std::vector<std::string>& lines) const
    {
        test::writeBytes(programData_ / "Lockheed Martin" / "Prepar3D v5" / "simobjects.cfg",
                         test::encodeLines(lines, CfgCharset::Ansi, LineEnd::CrLf));
    }

    void writeOnD(const fs::path& relative, const std::vector<std::string>& lines) const
    {
        test::writeBytes(driveD_ / relative, test::encodeLines(lines, CfgCharset::Utf8, LineEnd::CrLf));
    }

    test::SettingsFolder settings_;
    test::TempFolder driveD_;
    test::TempFolder programData_;
    test::ScopedEnv drive_;
    test::ScopedEnv programDataEnv_;
};

// One <AddOn.Component> of an add-on.xml.
std::vector<std::string> component(const std::string& category, const std::string& path)
{
    return {"  <AddOn.Component>", "    <Category>" + category + "</Category>",
            "    <Path>" + path + "</Path>", "  </AddOn.Component>"};
}

std::vector<std::string> addOnXml(const std::vector<std::vector<std::string>>& components)
{
    std::vector<std::string> lines = {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                      "<SimBase.Document Type=\"AddOnXml\" version=\"4,5\" id=\"add-on\">",
                                      "  <AddOn.Name>Test</AddOn.Name>"};
    for (const auto& part : components)
        lines.insert(lines.end(), part.begin(), part.end());
    lines.push_back("</SimBase.Document>");
    return lines;
}

TEST_F(AddOnPackagesTest, PackagesOfAddOnsCfgGiveTheSimObjectsFoldersOfTheirAddOnXml)
{
    writeAddOnsCfg({"[DiscoveryPath.0]", "PATH=D:\\BeforeAnyPackage", "[package.0]",
                    "PATH=D:\\AI Packages\\MyAI", "TITLE=My AI", "ACTIVE=true", "REQUIRED=false",
                    "[Package.1]", "Path=D:\\NoXml", "Title=My path", "[Package.2]", "Path = D:\\Lights ",
                    "[Package.3]", "Required=D:\\Required\\path"});
    writeOnD("AI Packages/MyAI/add-on.xml",
             addOnXml({component("SimObjects", "D:\\AI Packages\\MyAI\\SimObjects\\Airplanes"),
                       component("Effects", "Effects"), component("SimObjects", "Rotorcraft"),
                       component("SimObjects", "")}));
    // The package folder's file name in another case is still its add-on.xml.
    writeOnD("Lights/ADD-ON.XML", addOnXml({component("SimObjects", "D:\\Lights Reborn\\SimObjects")}));
    writeOnD("Required/add-on.xml", addOnXml({component("SimObjects", "D:\\Required\\SimObjects")}));

    LiveryFolderList folders = {"D:\\Earlier"};
    gf_readP3DAddOnsAircraft(folders);

    // A relative folder lies in its package.
    EXPECT_THAT(folders, ElementsAre("D:\\Earlier", "D:\\AI Packages\\MyAI\\SimObjects\\Airplanes",
                                     "D:\\AI Packages\\MyAI\\Rotorcraft"));
    const std::string file = gf_addOnsCfgPath("5").string();
    EXPECT_TRUE(settings_.logged("\\nReading " + file + " for AI add-on packages..."));
    EXPECT_TRUE(settings_.logged("path found:D:\\AI Packages\\MyAI"));
    EXPECT_TRUE(settings_.logged("path found: D:\\Lights "));
    EXPECT_TRUE(settings_.logged("path found:My path"));
    EXPECT_FALSE(settings_.logged("path found:D:\\BeforeAnyPackage"));
    EXPECT_FALSE(settings_.logged("path found:D:\\Required\\path"));
    EXPECT_TRUE(settings_.logged("   exploring D:\\AI Packages\\MyAI\\add-on.xml"));
    EXPECT_TRUE(settings_.logged("      Simobjects found:Rotorcraft"));
    EXPECT_FALSE(settings_.logged("      Simobjects found:D:\\Lights Reborn\\SimObjects"));
    EXPECT_TRUE(settings_.logged("2 AI add-on packages found"));
}

TEST_F(AddOnPackagesTest, Utf16AddOnsCfgWithOnePackageCountsWithoutPluralEnding)
{
    writeAddOnsCfg({"[Package.0]", "Path=D:\\One"}, CfgCharset::Utf16Le);
    writeOnD("One/add-on.xml", addOnXml({component("SimObjects", "D:\\One\\SimObjects")}));
    LiveryFolderList folders;
    gf_readP3DAddOnsAircraft(folders);
    EXPECT_THAT(folders, ElementsAre("D:\\One\\SimObjects"));
    EXPECT_TRUE(settings_.logged("1 AI add-on package found"));
}

TEST_F(AddOnPackagesTest, MissingAddOnsCfgCountsNoPackage)
{
    LiveryFolderList folders;
    gf_readP3DAddOnsAircraft(folders);
    EXPECT_THAT(folders, IsEmpty());
    EXPECT_TRUE(settings_.logged(gf_addOnsCfgPath("5").string() + " not found!"));
    EXPECT_TRUE(settings_.logged("0 AI add-on packages found"));
}

TEST_F(AddOnPackagesTest, UnknownSimulatorVersionEndsThePackageStepOnly)
{
    gf_setSimulatorVersionSource({});
    LiveryFolderList folders = {"D:\\Kept"};
    gf_readP3DAddOnsAircraft(folders);
    EXPECT_THAT(folders, ElementsAre("D:\\Kept"));
    EXPECT_TRUE(settings_.logged("sys error exception the simulator's version is not known in "
                                 "lf_readP3DAddOnsAircraft, no AI add-on packages found"));
    EXPECT_THROW(gf_readSimObjectsCfg(folders), std::runtime_error);
}

TEST_F(AddOnPackagesTest, SimObjectsEntriesSkipTheSimulatorsOwnCategories)
{
    writeSimObjectsCfg({"[Main]",
                        "Title=SimObjects",
                        "Path=D:\\BeforeAnyEntry",
                        "[Entry.0]",
                        "Title=Airplanes",
                        "Path=SimObjects\\Airplanes",
                        "Required=True",
                        "Active=True",
                        "[Entry.1]",
                        "Title=My AI",
                        "Path=SimObjects\\MyAI",
                        "Active=False",
                        "[ENTRY.2]",
                        "Path=D:\\AI\\Models",
                        "[Entry.3]",
                        "Path=",
                        "[Entry.4]",
                        "PATH=D:\\SimObjects\\Boats",
                        "[Entry.5]",
                        "Path=\\AI\\Root",
                        "[Entry.6]",
                        "Path=SimObjects\\Entry Level AI",
                        "[Entry.7]",
                        "Path=\\SimObjects\\Rooted AI"});
    LiveryFolderList folders;
    gf_readSimObjectsCfg(folders);
    // An entry whose folder name holds the section word is still a path of its section.
    EXPECT_THAT(folders, ElementsAre("D:\\P3D\\SimObjects\\MyAI", "D:\\AI\\Models", "", "\\AI\\Root",
                                     "D:\\P3D\\SimObjects\\Entry Level AI", "D:\\SimObjects\\Rooted AI"));
    EXPECT_TRUE(settings_.logged("\\nReading C:\\ProgramData\\Lockheed Martin\\Prepar3D v5\\simobjects.cfg "
                                 "for AI add-on packages..."));
    EXPECT_TRUE(settings_.logged("6 AI add-on packages found"));
}

TEST_F(AddOnPackagesTest, MissingSimObjectsCfgIsSilent)
{
    LiveryFolderList folders;
    gf_readSimObjectsCfg(folders);
    EXPECT_THAT(folders, IsEmpty());
    for (const std::string& line : settings_.logLines())
        EXPECT_EQ(line.find("simobjects.cfg"), std::string::npos) << line;
}

struct JoinCase
{
    const char* name;
    const char* base;
    const char* text;
    const char* joined;
};

class WindowsJoinTest : public ::testing::TestWithParam<JoinCase>
{
};

TEST_P(WindowsJoinTest, JoinsAsWindowsDoes)
{
    EXPECT_EQ(gf_joinWindowsPath(GetParam().base, GetParam().text), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsJoinTest,
    ::testing::Values(JoinCase{"Relative", "D:\\P3D", "SimObjects\\MyAI", "D:\\P3D\\SimObjects\\MyAI"},
                      JoinCase{"BaseWithSeparator", "D:\\P3D\\", "SimObjects", "D:\\P3D\\SimObjects"},
                      JoinCase{"DriveReplaces", "D:\\P3D", "E:\\AI", "E:\\AI"},
                      JoinCase{"RootKeepsDrive", "D:\\P3D", "\\AI", "D:\\AI"},
                      JoinCase{"ShareReplaces", "D:\\P3D", "\\\\server\\AI", "\\\\server\\AI"},
                      JoinCase{"EmptyText", "D:\\P3D", "", "D:\\P3D"},
                      JoinCase{"EmptyBase", "", "SimObjects", "SimObjects"},
                      JoinCase{"NativeBase", "/srv/p3d", "SimObjects\\MyAI", "/srv/p3d\\SimObjects\\MyAI"}),
    [](const ::testing::TestParamInfo<JoinCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl
