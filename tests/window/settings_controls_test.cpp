// Settings shown in the controls of a headless main window: box texts, combo lists and selections,
// check marks, the range and its snapping, and the start-up load writing all of them.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/config_keys.h"
#include "foundation/range.h"
#include "foundation/settings_file.h"
#include "foundation/units.h"
#include "platform/win_headless.h"
#include "tests/support/settings_fixture.h"
#include "window/control_text.h"
#include "window/settings_view.h"

namespace oxl
{
namespace
{

// Makes a control for every bound setting of the key table except MAX_FIT, which has none.
win::LResult lf_testWindowProc(win::Hwnd, unsigned msg, win::WParam, win::LParam)
{
    if (msg != win::WM_CREATE)
    {
        return 0;
    }
    int x = 0;
    for (Parameter* parameter : gf_configurationKeys())
    {
        auto* binding = dynamic_cast<ControlBinding*>(parameter);
        if (binding == nullptr || parameter == &MAX_FIT)
        {
            continue;
        }
        win::ControlKind kind = win::ControlKind::Edit;
        if (dynamic_cast<CheckBoxParameter*>(parameter))
            kind = win::ControlKind::CheckBox;
        else if (dynamic_cast<ComboParameter*>(parameter))
            kind = win::ControlKind::Combo;
        else if (dynamic_cast<ButtonControl*>(parameter))
            kind = win::ControlKind::PushButton;
        const win::Hwnd made =
            win::createControl({kind, binding->controlId, x += 20, binding->rowY, 12, 12,
                                kind == win::ControlKind::PushButton ? parameter->name : "", true, false});
        binding->window = made == win::kNoWindow ? win::kNoWindow : win::kMainWindow;
        if (auto* combo = dynamic_cast<ComboParameter*>(parameter))
        {
            combo->fillCombo();
        }
    }
    return 0;
}

class SettingsControls : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(win::registerClass("Ordalis_P3D", lf_testWindowProc));
        ASSERT_EQ(win::createWindow("Ordalis_P3D", "Ordalis_P3D", 400, 20, 880, 516), win::kMainWindow);
    }

    void TearDown() override
    {
        for (Parameter* parameter : gf_configurationKeys())
        {
            if (auto* binding = dynamic_cast<ControlBinding*>(parameter))
            {
                binding->window = win::kNoWindow;
            }
        }
    }

    test::SettingsFolder folder_;
    win::HeadlessWindows& windows_ = win::useHeadless();
};

TEST_F(SettingsControls, ComboListsTheChoicesAndSelectsTheValue)
{
    ASSERT_EQ(win::comboGetLbText(RANGE.controlId, 0), std::optional<std::string>("2"));
    EXPECT_EQ(win::comboGetLbText(RANGE.controlId, 19), std::optional<std::string>("100"));
    EXPECT_EQ(win::comboGetLbText(RANGE.controlId, 20), std::nullopt);
    EXPECT_EQ(win::comboGetCurSel(RANGE.controlId), RANGE.choiceIndex(40));
    EXPECT_EQ(win::getWindowText(MAX_PARK_SEL.controlId), "500");

    AIRP_RANGE.set(17); // no choice: the list is made, nothing selected
    AIRP_RANGE.fillCombo();
    EXPECT_EQ(win::comboGetCurSel(AIRP_RANGE.controlId), win::CB_ERR);
    EXPECT_EQ(win::comboGetLbText(AIRP_RANGE.controlId, 5), std::optional<std::string>("30"));
}

TEST_F(SettingsControls, ComboWithoutItsBoxDoesNothing)
{
    ComboParameter loose("LOOSE", 1, {1, 2}, 40001, 1);
    loose.fillCombo();
    EXPECT_FALSE(win::isWindow(40001));
}

TEST_F(SettingsControls, NumberAndTextBoxes)
{
    parking_percentage.set(75);
    gf_setIntBoxText(parking_percentage);
    EXPECT_EQ(win::getWindowText(parking_percentage.controlId), "75");
    AR_ABOVE_HEIGHT.set(36000);
    gf_setIntBoxText(AR_ABOVE_HEIGHT);
    EXPECT_EQ(win::getWindowText(AR_ABOVE_HEIGHT.controlId), "36000");
    BLOCK_CALLSIGN.set("DLH4AB");
    gf_setStringBoxText(BLOCK_CALLSIGN);
    EXPECT_EQ(win::getWindowText(BLOCK_CALLSIGN.controlId), "DLH4AB");
    DESTINATION.set("EDDF");
    gf_setStringBoxTextNoThrow(DESTINATION);
    EXPECT_EQ(win::getWindowText(DESTINATION.controlId), "EDDF");
}

TEST_F(SettingsControls, MissingControlIsLogged)
{
    gf_setIntBoxText(MAX_FIT);
    EXPECT_TRUE(folder_.logged("GetDlgItem failed for ID 32853"));
}

TEST_F(SettingsControls, TextThatIsNotUtf8IsLoggedAndNotShown)
{
    BLOCK_CALLSIGN.set("OLD1");
    gf_setStringBoxText(BLOCK_CALLSIGN);
    BLOCK_CALLSIGN.set("AB\xFF\xFE");
    gf_setStringBoxText(BLOCK_CALLSIGN);
    EXPECT_EQ(win::getWindowText(BLOCK_CALLSIGN.controlId), "OLD1");
    const std::vector<std::string> log = folder_.logLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind("===> gf_setStringBoxText exception: ", 0), 0U) << log.back();
}

struct RangeCase
{
    std::int32_t nm;
    std::int32_t range;
    double radiusNm;
    std::uint32_t radiusMeters;
    int selection; // -1: the selection stays as it was
};

TEST_F(SettingsControls, SetRangeClampsRangeButKeepsTheRadiusAsked)
{
    const std::vector<RangeCase> cases{{40, 40, 40.0, 74080, 15},     {1, 2, 1.0, 1852, 0},
                                       {7, 7, 7.0, 12964, -1},        {65, 65, 65.0, 120380, 17},
                                       {150, 100, 150.0, 277800, 19}, {-3, 2, -3.0, 0, 0}};
    for (const RangeCase& c : cases)
    {
        SCOPED_TRACE(c.nm);
        const int before = win::comboGetCurSel(RANGE.controlId);
        EXPECT_EQ(gf_setRange(c.nm), c.radiusMeters);
        EXPECT_EQ(RANGE.value(), c.range);
        EXPECT_EQ(gRangeNm.load(), c.radiusNm);
        EXPECT_EQ(gRangeMeters.load(), c.radiusMeters);
        EXPECT_EQ(win::comboGetCurSel(RANGE.controlId), c.selection < 0 ? before : c.selection);
    }
}

TEST(SnapRange, OntoTheRangeChoices)
{
    const std::vector<std::pair<std::int32_t, std::int32_t>> cases{
        {-5, 2},  {2, 2},   {3, 3},   {6, 6},   {7, 8},   {8, 8},    {9, 10},   {10, 10},   {11, 12},
        {12, 12}, {13, 14}, {14, 14}, {15, 16}, {16, 16}, {17, 18},  {18, 18},  {19, 20},   {22, 20},
        {23, 25}, {27, 25}, {28, 30}, {32, 30}, {33, 35}, {37, 35},  {38, 40},  {44, 40},   {45, 50},
        {56, 50}, {57, 65}, {72, 65}, {73, 80}, {89, 80}, {90, 100}, {99, 100}, {100, 100}, {150, 100}};
    for (const auto& [nm, choice] : cases)
    {
        EXPECT_EQ(gf_snapRange(nm), choice) << nm;
        EXPECT_GE(RANGE.choiceIndex(gf_snapRange(nm)), 0) << nm;
    }
}

TEST(SnapHeight, OntoTheHeightChoices)
{
    const std::vector<std::pair<std::int32_t, std::int32_t>> cases{
        {-100, 2000},   {2999, 2000},   {3000, 4000},   {4999, 4000},   {5000, 6000},   {7000, 8000},
        {9000, 10000},  {11000, 12000}, {13000, 14000}, {15000, 16000}, {16999, 16000}, {17000, 18000},
        {26999, 18000}, {27000, 36000}, {46999, 36000}, {47000, 48000}, {49000, 48000}};
    for (const auto& [feet, choice] : cases)
    {
        EXPECT_EQ(gf_snapHeight(feet), choice) << feet;
    }
}

TEST_F(SettingsControls, StartupLoadShowsEverySettingInTheWindow)
{
    folder_.writeParameters(R"(<parameters>
        <parameter name="DRELLAND" value="true"/>
        <parameter name="SCAN_LIVERIES" value="false"/>
        <parameter name="RANGE" value="65"/>
        <parameter name="AIRP_HEIGHT" value="36000"/>
        <parameter name="BLOCK_CALLSIGN" value="ABCD12"/>
        </parameters>)");
    gf_installSettingsView(&gf_windowSettingsView());
    gf_loadAllParameters();

    EXPECT_TRUE(win::isDlgButtonChecked(win::kMainWindow, DRELLAND.controlId));
    EXPECT_FALSE(win::isDlgButtonChecked(win::kMainWindow, SCAN_LIVERIES.controlId));
    EXPECT_TRUE(win::isDlgButtonChecked(win::kMainWindow, LOG.controlId));
    EXPECT_EQ(win::getWindowText(RANGE.controlId), "65");
    EXPECT_EQ(win::getWindowText(AIRP_HEIGHT.controlId), "36000");
    EXPECT_EQ(win::getWindowText(BLOCK_CALLSIGN.controlId), "ABCD12");
    EXPECT_EQ(gRangeNm.load(), 65.0);
    EXPECT_EQ(gRangeMeters.load(), wholeNmToMetres(65));
    EXPECT_FALSE(folder_.logged("GetDlgItem failed for ID 32853")); // MAX_FIT has no control of its own
}

} // namespace
} // namespace oxl
