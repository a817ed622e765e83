// The version update as the program runs it: old radii and heights snapped onto the window's choices,
// and the two scan check boxes ticked in a headless main window through its status service.
#include "foundation/config_keys.h"
#include "foundation/settings_file.h"
#include "platform/win_headless.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"
#include "window/settings_view.h"
#include "window/window_status.h"

#include <gtest/gtest.h>

#include <string>

namespace oxl
{
namespace
{

// The main window with just the two scan check boxes that the update ticks.
win::LResult lf_scanBoxesWindowProc(win::Hwnd, unsigned msg, win::WParam, win::LParam)
{
    if (msg == win::WM_CREATE)
    {
        for (CheckBoxParameter* box : {&SCAN_LIVERIES, &SCAN_AIRPORTS})
        {
            box->window = win::createControl(
                {win::ControlKind::CheckBox, box->controlId, 10, box->rowY, 12, 12, "", true, false});
        }
    }
    return 0;
}

class VersionUpdateWindow : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(win::registerClass("Ordalis_P3D", lf_scanBoxesWindowProc));
        ASSERT_EQ(win::createWindow("Ordalis_P3D", "Ordalis_P3D", 400, 20, 880, 516), win::kMainWindow);
        gf_installSettingsView(&gf_windowSettingsView());
        gf_installStatusService(&gf_windowStatusService());
    }
    void TearDown() override
    {
        gf_installStatusService(nullptr);
        SCAN_LIVERIES.window = win::kNoWindow;
        SCAN_AIRPORTS.window = win::kNoWindow;
    }

    /// parameters.xml of version 10.5.0 holding one older setting.
    void writeOlderFile(const std::string& key, int value) const
    {
        folder_.writeParameters(R"(<parameters>
  <parameter name="PROGRAM_VERSION" value="10.5.0"/>
  <parameter name="SCAN_LIVERIES" value="false"/>
  <parameter name="SCAN_AIRPORTS" value="false"/>
  <parameter name=")" + key + R"(" value=")" +
                                std::to_string(value) +
                                R"("/>
</parameters>)");
    }

    test::SettingsFolder folder_;
    win::HeadlessWindows& windows_ = win::useHeadless();
    test::TempFolder work_;
    test::ScopedCurrentPath cwd_{work_.path()};
};

struct Conversion
{
    const char* name;
    const char* oldKey;
    int oldValue;
    const char* newKey;
    const char* expected;
};

void PrintTo(const Conversion& row, std::ostream* out)
{
    *out << row.name;
}

class OldSetting : public VersionUpdateWindow, public ::testing::WithParamInterface<Conversion>
{
};

TEST_P(OldSetting, LandsOnAChoiceOfItsNewSetting)
{
    const Conversion& row = GetParam();
    writeOlderFile(row.oldKey, row.oldValue);

    gf_loadAllParameters();

    EXPECT_TRUE(folder_.logged("This is a version update from 10.5.0 -> 11.0.4"));
    EXPECT_EQ(folder_.valueOf(row.newKey), row.expected);
    EXPECT_EQ(folder_.valueOf(row.oldKey), "<none>");
    EXPECT_TRUE(win::isDlgButtonChecked(win::kMainWindow, SCAN_LIVERIES.controlId));
    EXPECT_TRUE(win::isDlgButtonChecked(win::kMainWindow, SCAN_AIRPORTS.controlId));
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, OldSetting,
    ::testing::Values(
        Conversion{"ParkNoLimit", "CUSTOM_MAX_PARK", -1, "MAX_PARK_SEL", "500"},
        Conversion{"LiveFifty", "MAX_LIVE", 50, "MAX_LIVE_SEL", "50"},
        // Read as 300, the top of its old range.
        Conversion{"LiveAboveRange", "MAX_LIVE", 1000, "MAX_LIVE_SEL", "500"},
        Conversion{"Live299", "MAX_LIVE", 299, "MAX_LIVE_SEL", "100"},
        Conversion{"LiveNone", "MAX_LIVE", 0, "MAX_LIVE_SEL", "0"},
        Conversion{"Range44", "LATERAL_RANGE", 44, "RANGE", "40"},
        Conversion{"AirportRange12", "AIRPORT_RANGE", 12, "AIRP_RANGE", "10"},
        Conversion{"AboveHeight49000", "AUTO_RANGE_ABOVE_HEIGHT", 49000, "AR_ABOVE_HEIGHT", "48000"},
        Conversion{"AboveHeight30000", "AUTO_RANGE_ABOVE_HEIGHT", 30000, "AR_ABOVE_HEIGHT", "36000"},
        Conversion{"AirportHeight21000", "AIRPORT_HEIGHT", 21000, "AIRP_HEIGHT", "18000"},
        Conversion{"AirportHeight2500", "AIRPORT_HEIGHT", 2500, "AIRP_HEIGHT", "2000"}),
    [](const ::testing::TestParamInfo<Conversion>& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl
