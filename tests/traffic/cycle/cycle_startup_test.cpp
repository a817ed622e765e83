// The start-up checks on their own: the simulator's install path, the simulator version, the data
// folders, the controls of a new cycle and the traffic source's installation.
#include "tests/traffic/cycle/cycle_fixture.h"

#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/errors.h"
#include "foundation/system_lookups.h"
#include "traffic/source/source_state.h"
#include "window/main_window.h"

#include <sys/mount.h>

namespace oxl::test
{
namespace
{

// A registry file with the simulator keys of the given versions, each with its SetupPath.
std::string registryWith(const std::vector<std::pair<int, std::string>>& installs)
{
    std::string text = "<registry>\n";
    for (const auto& [version, path] : installs)
        text += fmt::format("<key root=\"HKLM\" view=\"64\" path=\"SOFTWARE\\Lockheed Martin\\Prepar3D v{}\">"
                            "<value name=\"SetupPath\" type=\"REG_SZ\">{}</value></key>\n",
                            version, path);
    return text + "</registry>\n";
}

struct DetectCase
{
    const char* name;
    std::vector<std::pair<int, std::string>> installs;
    const char* manualFolder; // lfolder0
    const char* error;        // expected UserErrorException text, "" for none
    const char* installPath;  // SIM_INSTALL_PATH afterwards
};

void PrintTo(const DetectCase& row, std::ostream* out)
{
    *out << row.name;
}

class DetectTest : public CycleTest, public ::testing::WithParamInterface<DetectCase>
{
};

TEST_P(DetectTest, FindsTheOneInstalledSimulator)
{
    const DetectCase& row = GetParam();
    writeBytes(program_ / "registry.xml", registryWith(row.installs));
    ScopedEnv registry("OXL_REGISTRY", (program_ / "registry.xml").string());
    SIM_INSTALL_PATH.set("");
    lfolder[0].set(row.manualFolder);
    std::string error;
    try
    {
        gf_detectSimInstall();
    }
    catch (const UserErrorException& e)
    {
        error = e.what();
    }
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(SIM_INSTALL_PATH.value(), row.installPath);
    EXPECT_EQ(ALL_INSTALL_PATH.value(), row.installPath);
}

const char* const kNoPath =
    "151: No P3D install path detected, type full Install Path above, and press Enter";

INSTANTIATE_TEST_SUITE_P(
    Registry, DetectTest,
    ::testing::Values(
        DetectCase{"OnlyVersion5", {{5, "/sims/P3Dv5"}}, "", "", "/sims/P3Dv5"},
        DetectCase{"OnlyVersion6", {{6, "/sims/P3Dv6"}}, "", "", "/sims/P3Dv6"},
        DetectCase{
            "Both",
            {{5, "/a"}, {6, "/b"}},
            "",
            "153: More than one P3D version detected, type full Install Path to wanted version above and "
            "press Enter",
            ""},
        DetectCase{"None", {}, "", kNoPath, ""}, DetectCase{"NoneWithManualFolders", {}, "/liveries", "", ""},
        DetectCase{"EmptySetupPath", {{5, ""}}, "", kNoPath, ""}),
    [](const ::testing::TestParamInfo<DetectCase>& info) { return std::string(info.param.name); });

TEST_F(CycleTest, DetectedPathIsSaved)
{
    writeBytes(program_ / "registry.xml", registryWith({{5, "/sims/P3Dv5"}}));
    ScopedEnv registry("OXL_REGISTRY", (program_ / "registry.xml").string());
    SIM_INSTALL_PATH.set("");
    gf_detectSimInstall();
    EXPECT_EQ(settings_.valueOf("SIM_INSTALL_PATH"), "/sims/P3Dv5");
    EXPECT_TRUE(settings_.logged("P3Dv5 detected"));
}

TEST_F(CycleTest, SimulatorVersionFromThePath)
{
    const struct
    {
        const char* path;
        std::int32_t hidden;
        const char* version;
    } rows[] = {{"C:\\P3Dv5", 0, "5"}, {"C:\\P3DV5\\x", 6, "5"}, {"D:\\Prepar3D v6", 0, "6"},
                {"D:\\P3DV6", 0, "6"}, {"E:\\Sim", 6, "6"},      {"E:\\Sim", 5, "5"}};
    for (const auto& row : rows)
    {
        SIM_INSTALL_PATH.set(row.path);
        P3D_VERSION.set(row.hidden);
        EXPECT_EQ(gf_p3dVersionFromPath(), row.version) << row.path;
    }
    SIM_INSTALL_PATH.set("E:\\Sim");
    P3D_VERSION.set(4);
    EXPECT_THROW(
        {
            try
            {
                gf_p3dVersionFromPath();
            }
            catch (const UserErrorException& e)
            {
                EXPECT_STREQ(e.what(), "77: P3D install path does not contain v5 or v6. Use hidden parameter "
                                       "P3D_VERSION, set it to 5 or 6.");
                throw;
            }
        },
        UserErrorException);
}

TEST_F(CycleTest, DataFoldersAreMadeAndLeftoversRemoved)
{
    writeBytes(program_ / "input" / "AIG-regcodes0.xml", "old");
    writeBytes(program_ / "input" / "AIG-regcodes00.xml", "older");
    writeBytes(program_ / "input" / "AIG-regcodes.xml", "kept");
    gf_createDataFolders();
    for (const char* folder :
         {"output", "output/info", "output/errors", "airports/learned", "airports/stock", "airports/simaddon",
          "airports/thirdparty", "airports/my_ORBX", "airports/my_thirdparty", "input/my_regcodes"})
        EXPECT_TRUE(std::filesystem::is_directory(program_ / folder)) << folder;
    EXPECT_FALSE(std::filesystem::exists(program_ / "input" / "AIG-regcodes0.xml"));
    EXPECT_FALSE(std::filesystem::exists(program_ / "input" / "AIG-regcodes00.xml"));
    EXPECT_TRUE(std::filesystem::exists(program_ / "input" / "AIG-regcodes.xml"));
}

TEST_F(CycleTest, DataFolderBlockedByAFileFailsAndAReadOnlyFolderIsSaid)
{
    writeBytes(program_ / "airports", "a file where the folder belongs");
    EXPECT_THROW(gf_createDataFolders(), std::filesystem::filesystem_error);
    std::filesystem::remove(program_ / "airports");
    const char* folder = program_.path().c_str();
    if (::mount(folder, folder, nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no bind mount may be made here";
    ::mount(nullptr, folder, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
    std::filesystem::current_path(program_.path()); // into the read-only view
    EXPECT_NO_THROW(gf_createDataFolders());
    ::umount2(folder, MNT_DETACH);
    std::filesystem::current_path(program_.path());
    gf_dismissNotice();
    EXPECT_TRUE(settings_.logged(
        "===> The program folder cannot be written (Read-only file system: " + program_.path().string() +
        "): the log, the scans and the learned airports live there and are not saved"));
}

TEST_F(CycleTest, ControlsOfANewCycle)
{
    struct ControlWindow : Window
    {
        using Window::Window;
        void enableControl(const ControlBinding& control, bool on) override
        {
            enabled[control.controlId] = on;
        }
        void clearControlText(const ControlBinding& control) override
        {
            cleared.push_back(control.controlId);
        }
        std::map<std::uint32_t, bool> enabled;
        std::vector<std::uint32_t> cleared;
    } window(*this);
    gf_installCycleWindowPort(&window);
    const std::map<std::uint32_t, bool>& enabled = window.enabled;
    const std::vector<std::uint32_t>& cleared = window.cleared;
    AUTO_RANGE.set(true);
    MAX_FIT.set(7);
    parking_percentage.set(55);

    gf_enableControls();

    EXPECT_TRUE(enabled.at(HELICOPTERS.controlId));
    EXPECT_TRUE(enabled.at(MAX_LIVE_SEL.controlId));
    for (const ControlBinding* off : std::initializer_list<const ControlBinding*>{
             &LEARN_SOFT, &gFlushStaticButton, &DESTINATION, &gRereadButton, &RANGE, &gUnblockButton,
             &parking_percentage, &MAX_FIT_FL})
        EXPECT_FALSE(enabled.at(off->controlId)) << off->controlId;
    EXPECT_TRUE(enabled.at(AR_ABOVE_HEIGHT.controlId));
    EXPECT_EQ(parking_percentage.value(), 30);
    EXPECT_FLOAT_EQ(MAX_FIT_FL.value(), 4.0f);
    EXPECT_EQ(cleared, (std::vector<std::uint32_t>{parking_percentage.controlId, MAX_FIT_FL.controlId}));
}

TEST_F(CycleTest, StartupChecksFindTheTrafficSourceAndTheStockFolder)
{
    writeBytes(gf_getAppDataPath() / "InsideSystems" / "RealTraffic.jar", "jar");
    gf_startupChecks();
    gf_checkStockAirportsPath();
    EXPECT_TRUE(settings_.logged("RealTraffic detected at this PC"));
    EXPECT_EQ(gSource.gSourceLink.sourceOnThisPc.load(), 1);
    EXPECT_EQ(gFoundation.gSavedLiveLimit.load(), MAX_LIVE_SEL.value());
    EXPECT_EQ(settings_.valueOf("PROGRAM_INSTALL_PATH"), std::filesystem::current_path().string());
    EXPECT_NE(gFoundation.gCurrentDayHalfHour.load(), 0u);
    EXPECT_EQ(gf_stockAirportsPath().real(), program_ / "P3Dv5" / "Scenery");
    EXPECT_FALSE(calls.has("message:Stock airports path does not exist: " + gf_stockAirportsPath().text()));
}

TEST_F(CycleTest, MissingStockFolderIsOnlyAMessage)
{
    std::filesystem::remove_all(program_ / "P3Dv5" / "Scenery");
    SIM_INSTALL_PATH.set((program_ / "P3Dv5").string());
    gf_checkStockAirportsPath();
    EXPECT_TRUE(settings_.logged("Stock airports path does not exist: " + gf_stockAirportsPath().text()));
}

} // namespace
} // namespace oxl::test
