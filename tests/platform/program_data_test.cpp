// The machine-wide ProgramData folder, where the simulator keeps its scenery list, as a folder of its own.
#include "platform/folders.h"
#include "platform/win_path.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{
using test::ScopedEnv;
using test::TempFolder;
using test::writeBytes;

const char* const kSceneryList = "C:\\ProgramData\\Lockheed Martin\\Prepar3D v5\\scenery.cfg";

TEST(ProgramData, UnsetLeavesItOnDriveC)
{
    TempFolder drive;
    ScopedEnv data("OXL_PROGRAMDATA", std::nullopt);
    ScopedEnv c("OXL_DRIVE_C", drive.path().string());
    writeBytes(drive / "ProgramData" / "Lockheed Martin" / "Prepar3D v5" / "scenery.cfg", "x");
    EXPECT_EQ(WinPath(kSceneryList).real(),
              drive / "ProgramData" / "Lockheed Martin" / "Prepar3D v5" / "scenery.cfg");
}

TEST(ProgramData, VariableTakesTheFolderWhateverTheCaseOfTheText)
{
    TempFolder drive;
    TempFolder data;
    ScopedEnv d("OXL_PROGRAMDATA", data.path().string());
    ScopedEnv c("OXL_DRIVE_C", drive.path().string());
    ASSERT_EQ(plat::programData(), data.path());
    writeBytes(data / "Lockheed Martin" / "Prepar3D v6" / "scenery_add-ons.xml", "x");

    EXPECT_EQ(WinPath("c:/programdata/lockheed martin/PREPAR3D V6/Scenery_Add-ons.xml").real(),
              data / "Lockheed Martin" / "Prepar3D v6" / "scenery_add-ons.xml");
    EXPECT_EQ(WinPath("C:\\ProgramData").real(), data.path());
    // Only the folder itself is mapped; its name as a prefix of another is not, nor other drives.
    EXPECT_EQ(WinPath("C:\\ProgramDataX\\a").real(), drive / "ProgramDataX" / "a");
    EXPECT_EQ(WinPath("C:\\Users\\ProgramData").real(), drive / "Users" / "ProgramData");
    EXPECT_EQ(WinPath("D:\\ProgramData").real(), std::filesystem::path("/D:/ProgramData"));
}

} // namespace
} // namespace oxl
