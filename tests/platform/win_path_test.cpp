#include "platform/win_path.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{
namespace fs = std::filesystem;
using test::ScopedCurrentPath;
using test::ScopedEnv;
using test::TempFolder;
using test::writeBytes;

class WinPathOnDisk : public testing::Test
{
  protected:
    void SetUp() override
    {
        writeBytes(drive_ /
                       "Program Files/Lockheed Martin/Prepar3D v5/SimObjects/Airplanes/Model A/aircraft.cfg",
                   "[fltsim.0]\n");
        fs::create_directories(drive_ / "Program Files/Lockheed Martin/Prepar3D v5/Scenery");
    }
    TempFolder drive_;
    ScopedEnv c_{"OXL_DRIVE_C", drive_.path().string()};
    ScopedEnv d_{"OXL_DRIVE_D", std::nullopt};
    fs::path sim() const { return drive_ / "Program Files/Lockheed Martin/Prepar3D v5"; }
};

TEST_F(WinPathOnDisk, ResolvesEachComponentWhateverItsCase)
{
    struct Case
    {
        const char* text;
        fs::path real;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Lockheed Martin\\Prepar3D v5", sim()},
        {"c:\\program files\\LOCKHEED MARTIN\\prepar3d V5\\simobjects\\AIRPLANES\\model a\\Aircraft.CFG",
         sim() / "SimObjects/Airplanes/Model A/aircraft.cfg"},
        {"C:/Program Files/Lockheed Martin/Prepar3D v5/scenery/", sim() / "Scenery"},
        {"C:\\Program Files\\\\Lockheed Martin\\Prepar3D v5\\Scenery", sim() / "Scenery"},
        // Trailing dots are not part of a Windows name.
        {"C:\\Program Files\\Lockheed Martin\\Prepar3D v5\\SimObjects\\Airplanes\\model a.\\aircraft.cfg",
         sim() / "SimObjects/Airplanes/Model A/aircraft.cfg"},
        // Below the first missing name the rest stays as written, ready for files still to be made.
        {"C:\\Program Files\\New Folder\\Sub.\\File.TXT", drive_ / "Program Files/New Folder/Sub/File.TXT"},
        // A path without a drive letter but starting at a root belongs to drive C.
        {"\\program files", drive_ / "Program Files"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(WinPath(c.text).real(), c.real) << c.text;
    }
}

TEST_F(WinPathOnDisk, UnmappedDriveIsAFolderThatDoesNotExist)
{
    const WinPath p("D:\\Games\\x.cfg");
    EXPECT_EQ(p.real(), fs::path("/D:/Games/x.cfg"));
    EXPECT_FALSE(fs::exists(p.real()));
}

TEST_F(WinPathOnDisk, ExactNameWinsAndAmbiguityIsSettledByByteOrder)
{
    fs::create_directories(drive_ / "Case/abc");
    fs::create_directories(drive_ / "Case/ABC");
    fs::create_directories(drive_ / "Case/Abc");
    EXPECT_EQ(WinPath("C:\\Case\\abc").real(), drive_ / "Case/abc");
    EXPECT_EQ(WinPath("C:\\Case\\aBc").real(), drive_ / "Case/ABC");
}

TEST_F(WinPathOnDisk, RelativePathsResolveInTheWorkingFolder)
{
    writeBytes(drive_ / "work/Input/dbase.enc", "x");
    ScopedCurrentPath cwd(drive_ / "work");
    EXPECT_EQ(WinPath("input\\DBASE.enc").real(), fs::path("Input/dbase.enc"));
    EXPECT_EQ(WinPath("airports\\my_ORBX").real(), fs::path("airports/my_ORBX"));
}

TEST_F(WinPathOnDisk, FromRealGivesTheDriveForm)
{
    EXPECT_EQ(WinPath::fromReal(sim() / "Scenery").text(),
              "C:\\Program Files\\Lockheed Martin\\Prepar3D v5\\Scenery");
    EXPECT_EQ(WinPath::fromReal(drive_.path()).text(), "C:\\");
    EXPECT_EQ(WinPath::fromReal("/opt/other/file.txt").text(), "\\opt\\other\\file.txt");
    EXPECT_EQ(WinPath::fromReal("input/dbase.enc").text(), "input\\dbase.enc");
    const WinPath round = WinPath::fromReal(sim() / "SimObjects/Airplanes/Model A/aircraft.cfg");
    EXPECT_EQ(round.real(), sim() / "SimObjects/Airplanes/Model A/aircraft.cfg");
}

TEST(WinPathText, ComponentsOfTheWindowsForm)
{
    const WinPath p("C:\\Sim\\SimObjects\\Airplanes\\model.\\aircraft.cfg");
    EXPECT_EQ(p.parent().text(), "C:\\Sim\\SimObjects\\Airplanes\\model.");
    EXPECT_EQ(p.filename(), "aircraft.cfg");
    EXPECT_EQ((WinPath("airports") / "my_ORBX").text(), "airports\\my_ORBX");
    EXPECT_EQ((WinPath("C:\\") / "x").text(), "C:\\x");
    EXPECT_EQ((WinPath() / "x").text(), "x");
    EXPECT_EQ(WinPath("name").parent().text(), "");
    EXPECT_EQ(fmt::format("[{}]", WinPath("a\\b")), "[a\\b]");
    EXPECT_TRUE(namesEqualNoCase("Model A", "MODEL a"));
    EXPECT_FALSE(namesEqualNoCase("Modèle", "MODÈLE"));
}

} // namespace
} // namespace oxl
