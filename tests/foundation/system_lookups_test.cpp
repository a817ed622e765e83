// Simulator installation from the registry stand-in, AppData, and the folder helpers on real folders.
#include "foundation/system_lookups.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "foundation/errors.h"
#include "platform/win32_error.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

namespace oxl
{
namespace
{

namespace fs = std::filesystem;

// The 40-character install folder of a machine with only version 6.
const std::string kSetupPath = "D:\\Lockheed Martin\\Prepar3D v6 Academic\\";

class SimulatorRegistry : public testing::Test
{
  protected:
    void SetUp() override
    {
        test::writeBytes(folder_ / "registry.xml", R"(<registry>
            <key root="HKLM" path="SOFTWARE\Lockheed Martin\Prepar3D v6">
              <value name="SetupPath" type="REG_SZ">)" +
                                                       kSetupPath + R"(</value>
              <value name="Version" type="REG_DWORD">6</value>
            </key>
            <key root="HKLM" view="32" path="SOFTWARE\Lockheed Martin\Prepar3D v5"/>
          </registry>)");
    }

    test::TempFolder folder_;
    test::ScopedEnv env_{"OXL_REGISTRY", (folder_ / "registry.xml").string()};
};

TEST_F(SimulatorRegistry, OnlyVersionSixInstalled)
{
    ASSERT_EQ(kSetupPath.size(), 40U);
    EXPECT_FALSE(gf_isP3dInstalled(5)); // only in the 32-bit view
    EXPECT_TRUE(gf_isP3dInstalled(6));
}

TEST_F(SimulatorRegistry, SetupPathOfTheInstalledVersionOnly)
{
    EXPECT_EQ(gf_getP3dSetupPath(6).string(), kSetupPath);
    EXPECT_EQ(gf_getP3dSetupPath(6).string().size(), 40U);
    EXPECT_TRUE(gf_getP3dSetupPath(5).empty());
}

TEST_F(SimulatorRegistry, StringValueDropsTheTerminatingZero)
{
    plat::RegKey key = 0;
    ASSERT_EQ(plat::regOpenKeyEx(plat::kHkeyLocalMachine, gf_p3dRegistryKey(6), 0,
                                 plat::kKeyRead | plat::kKeyWow64_64Key, &key),
              0U);
    const std::u16string value = gf_regGetString(key, u"SetupPath");
    EXPECT_EQ(value.size(), 40U);
    EXPECT_EQ(value, std::u16string(kSetupPath.begin(), kSetupPath.end()));
    gf_regCloseKey(key);
    EXPECT_EQ(key, 0U);
}

TEST_F(SimulatorRegistry, MissingOrWrongTypedValueRaises)
{
    plat::RegKey key = 0;
    ASSERT_EQ(plat::regOpenKeyEx(plat::kHkeyLocalMachine, gf_p3dRegistryKey(6), 0, plat::kKeyRead, &key), 0U);
    try
    {
        gf_regGetString(key, u"Version");
        FAIL() << "no exception";
    }
    catch (const winreg::RegException& error)
    {
        EXPECT_EQ(error.code().value(), 1630);
        EXPECT_NE(std::string(error.what()).find("Cannot get size of string value: RegGetValueW failed."),
                  std::string::npos);
    }
    try
    {
        gf_regGetString(key, u"Nothing");
        FAIL() << "no exception";
    }
    catch (const winreg::RegException& error)
    {
        EXPECT_EQ(error.code().value(), 2);
    }
    gf_regCloseKey(key);
}

TEST(RegistryKeyClose, PredefinedAndNullKeysAreOnlyCleared)
{
    plat::RegKey key = plat::kHkeyLocalMachine;
    gf_regCloseKey(key);
    EXPECT_EQ(key, 0U);
    gf_regCloseKey(key);
    EXPECT_EQ(key, 0U);
}

TEST(AppData, FromTheOverride)
{
    test::TempFolder folder;
    test::ScopedEnv env("OXL_APPDATA", folder.path().string());
    EXPECT_EQ(gf_getAppDataPath(), folder.path());
}

TEST(AppData, UnknownIsLoggedAndEmpty)
{
    test::LogCapture log;
    test::ScopedEnv appData("OXL_APPDATA", std::nullopt);
    test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    test::ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(gf_getAppDataPath(), fs::path());
    EXPECT_TRUE(log.contains("===> Could not find the AppData path"));
}

TEST(RemoveFile, RemovesWhatExistsAndLogsFailures)
{
    test::TempFolder folder;
    test::LogCapture log;
    test::writeBytes(folder / "old.txt", "x");
    gf_removeFileIfExists(folder / "old.txt");
    gf_removeFileIfExists(folder / "never.txt");
    EXPECT_FALSE(fs::exists(folder / "old.txt"));
    EXPECT_TRUE(log.lines().empty());

    test::writeBytes(folder / "busy" / "inside.txt", "x");
    gf_removeFileIfExists(folder / "busy");
    EXPECT_TRUE(
        log.contains(fmt::format("===> Warning: could not remove {}, errorcode: {}",
                                 (folder / "busy").string(), plat::errorText(plat::kErrorDirNotEmpty))));
}

TEST(CleanFolder, MissingFolderOnlyLogs)
{
    test::TempFolder folder;
    test::LogCapture log;
    gf_cleanFolder(folder / "TBLO");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Cleaning folder: " + (folder / "TBLO").string()});
}

TEST(CleanFolder, RemovesFilesAndEmptyFolders)
{
    test::TempFolder folder;
    test::LogCapture log;
    test::writeBytes(folder / "TBLO" / "a.bgl", "x");
    test::writeBytes(folder / "TBLO" / "b.xml", "y");
    fs::create_directories(folder / "TBLO" / "empty");
    gf_cleanFolder(folder / "TBLO");
    EXPECT_TRUE(fs::is_empty(folder / "TBLO"));
}

TEST(CleanFolder, NonEmptySubFolderRaisesUserError5)
{
    test::TempFolder folder;
    test::LogCapture log;
    test::writeBytes(folder / "TBLO" / "sub" / "keep.bgl", "x");
    try
    {
        gf_cleanFolder(folder / "TBLO");
        FAIL() << "no exception";
    }
    catch (const UserErrorException& error)
    {
        EXPECT_EQ(std::string(error.what()).rfind("5: Filesystem error", 0), 0U) << error.what();
    }
    EXPECT_TRUE(fs::exists(folder / "TBLO" / "sub" / "keep.bgl"));
}

TEST(CountFiles, RegularFilesOnly)
{
    test::TempFolder folder;
    EXPECT_EQ(gf_countFiles(folder / "none"), 0);
    test::writeBytes(folder / "f" / "one.txt", "1");
    test::writeBytes(folder / "f" / "two.bin", "2");
    test::writeBytes(folder / "f" / "deeper" / "three.txt", "3");
    fs::create_symlink(folder / "f" / "one.txt", folder / "f" / "link.txt");
    EXPECT_EQ(gf_countFiles(folder / "f"), 2);
}

TEST(ListXmlFiles, ExtensionWhateverItsCase)
{
    test::TempFolder folder;
    EXPECT_TRUE(gf_listXmlFiles(folder / "none").empty());
    for (const char* name : {"a.xml", "B.XML", "c.Xml", "d.xml.bak", "e.xm", "xml"})
    {
        test::writeBytes(folder / "airports" / name, "<x/>");
    }
    fs::create_directories(folder / "airports" / "f.xml");
    std::vector<std::string> names = gf_listXmlFiles(folder / "airports");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.XML", "a.xml", "c.Xml"}));
}

} // namespace
} // namespace oxl
