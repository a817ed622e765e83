// What the user's clicks, choices and typed values do in a headless main window: each control's state,
// its saved value in parameters.xml, the message line and the log, the restarts, and the requests that
// the cycle worker serves.
#include "foundation/units.h"
#include "tests/window/window_fixture.h"

#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/periodic_requests.h"
#include "foundation/range.h"
#include "foundation/run_state.h"
#include "tests/support/temp_folder.h"
#include "window/control_handlers.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/edit_boxes.h"
#include "window/window_state.h"

#include <algorithm>
#include <fmt/format.h>
#include <tuple>

namespace oxl::test
{
namespace
{

class ControlHandlersTest : public WindowTest
{
  protected:
    ControlHandlersTest()
    {
        gf_clearPeriodicRequests();
        gFoundation.gLiveryIndexClearRequest.store(0);
        gFoundation.gParametersChanged.store(0);
        gWindow.gMainWindow.waitingForSource.store(0);
    }
    ~ControlHandlersTest() override
    {
        gf_clearPeriodicRequests();
        gFoundation.gLiveryIndexClearRequest.store(0);
        gFoundation.gParametersChanged.store(0);
        gFoundation.gSavedLiveLimit.store(0);
    }
    // The window as a running cycle leaves it: every control enabled, the combo boxes filled.
    void openRunning()
    {
        open();
        for (Parameter* parameter : gf_configurationKeys())
        {
            if (auto* binding = dynamic_cast<ControlBinding*>(parameter); binding && binding->window)
                win::enableWindow(binding->controlId, true);
            if (auto* combo = dynamic_cast<ComboParameter*>(parameter))
                combo->fillCombo();
        }
        screen.pumpUntilIdle();
    }
    void click(const ControlBinding& control)
    {
        ASSERT_TRUE(screen.click(control.controlId));
        screen.pumpUntilIdle();
    }
    void typeEnter(const ControlBinding& box, const std::string& text)
    {
        ASSERT_TRUE(screen.type(box.controlId, text));
        ASSERT_TRUE(screen.pressEnter(box.controlId));
        screen.pumpUntilIdle();
    }
    static std::string boolText(bool on) { return on ? "true" : "false"; }
};

struct BoxRow
{
    CheckBoxParameter* box;
    const char* whenOn;  // message after switching on; "" = cleared, nullptr = left as it was
    const char* whenOff; // message after switching off
    bool logged;         // the message is logged too
};

// Rows whose effect is a message (or none); the boxes with further effects have tests of their own.
const BoxRow kBoxRows[] = {
    {&LIG_AUTOMATIC, "", "The liveries defined by your lfolder parameters will be scanned", false},
    {&LIG_PRIORITIZE,
     "Liveries, for airl+model, in lower lfolders that are already available will be skipped", "", false},
    {&COLLISION_LIVE_PARKED_GND, "",
     "Be aware, no collision avoidance with live aircraft vs parked static on the ground", false},
    {&COLLISION_USER_GND, "", "Be aware, no collision avoidance with user aircraft on the ground", false},
    {&COLLISION_USER_AIR, "", "Be aware, no collision avoidance with user aircraft in the air", false},
    {&INITIAL_LOAD_ONLY,
     "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes", "", false},
    {&ALWAYS_ON_TOP, "Ordalis_P3D's window will remain visible", "", false},
    {&SUPPRESS_STUB, "Exclude FSLTL-liveries titles ending with _STUB from scan", "", false},
    {&GUID_CHANGES, "",
     "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!", false},
    {&DRELLAND, "Note: This mode is for Drelland Morvath users only, please re-start Ordalis_P3D", "", false},
    {&AFG_AUTOMATIC, nullptr, "The airports defined by your afolder parameters will be scanned", true},
    {&STRAIGHT_PBS_ONLY, nullptr, nullptr, false},
    {&LOG, nullptr, nullptr, false},
    {&LIGHT_AIRCRAFT, nullptr, nullptr, false},
    {&HELICOPTERS, nullptr, nullptr, false},
    {&HIGH_PERF_AIRCRAFT, nullptr, nullptr, false},
};

TEST_F(ControlHandlersTest, EveryCheckBoxTogglesSavesAndTellsTheUser)
{
    openRunning();
    for (const BoxRow& row : kBoxRows)
    {
        for (int pass = 0; pass < 2; ++pass) // on and off again, whatever the default
        {
            SCOPED_TRACE(fmt::format("{} pass {}", row.box->name, pass));
            gf_showMessage("before", false);
            const bool on = !row.box->value();
            click(*row.box);
            EXPECT_EQ(win::isDlgButtonChecked(win::kMainWindow, row.box->controlId), on);
            EXPECT_EQ(row.box->value(), on);
            EXPECT_EQ(settings.valueOf(row.box->name), boolText(on));
            EXPECT_TRUE(settings.logged(fmt::format("{}={}", row.box->name, boolText(on))));
            const char* expected = on ? row.whenOn : row.whenOff;
            EXPECT_EQ(gf_shownMessage(), expected == nullptr ? "before" : expected);
            if (expected != nullptr && *expected != '\0')
            {
                EXPECT_EQ(settings.logged(expected), row.logged);
            }
            if (row.box == &ALWAYS_ON_TOP)
            {
                EXPECT_EQ(screen.topmost(), on);
            }
        }
    }
}

TEST_F(ControlHandlersTest, EveryCheckBoxOfTheWindowHasItsHandler)
{
    openRunning();
    for (const ControlPlace& place : gf_controlPlaces())
    {
        const auto* box = dynamic_cast<const CheckBoxParameter*>(place.binding);
        if (place.kind != win::ControlKind::CheckBox || box == nullptr)
            continue;
        SCOPED_TRACE(box->name);
        const bool before = box->value();
        click(*box);
        EXPECT_EQ(box->value(), !before);
        click(*box);
        EXPECT_EQ(box->value(), before);
    }
}

TEST_F(ControlHandlersTest, ScansRestartTheCycleOnlyWhileItStarts)
{
    openRunning();
    SCAN_LIVERIES.set(false);
    gf_showCheckMark(SCAN_LIVERIES);
    gWindow.gMainWindow.waitingForSource.store(1);
    click(SCAN_LIVERIES);
    EXPECT_EQ(settings.valueOf("SCAN_LIVERIES"), "true");
    EXPECT_TRUE(settings.logged("Your liveries will be scanned"));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 1);
    EXPECT_EQ(gf_exitReason(), ExitReason::newSettings);
    EXPECT_EQ(gFoundation.gRestartDelay.load(), 2);
    EXPECT_EQ(gFoundation.gLiveryIndexClearRequest.load(), 1);

    gf_clearStop();
    gFoundation.gLiveryIndexClearRequest.store(0);
    gWindow.gMainWindow.waitingForSource.store(0);
    SCAN_AIRPORTS.set(false);
    gf_showCheckMark(SCAN_AIRPORTS);
    click(SCAN_AIRPORTS);
    EXPECT_EQ(gf_shownMessage(),
              "Your airports will be scanned at the next start of Ordalis_P3D, recommended after "
              "you have add/removed airports");
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
    EXPECT_EQ(gFoundation.gLiveryIndexClearRequest.load(), 0);
}

TEST_F(ControlHandlersTest, AutoRangeOnThenOffBringsBackTheRadiusChosenByHand)
{
    openRunning();
    AUTO_RANGE.set(false);
    gf_showCheckMark(AUTO_RANGE);
    RANGE.set(25);
    gf_rememberManualRange();
    click(AUTO_RANGE);
    EXPECT_EQ(gFoundation.gAutoRangeRequest.load(), 1); // the cycle worker takes the step
    EXPECT_FALSE(win::isWindowEnabled(RANGE.controlId));
    EXPECT_TRUE(win::isWindowEnabled(AR_ABOVE_HEIGHT.controlId));
    EXPECT_EQ(gFoundation.gParametersChanged.load(), 1);

    gf_setRange(10); // what the step chose on the ground
    gf_setIntBoxText(RANGE);
    click(AUTO_RANGE);
    EXPECT_EQ(RANGE.value(), 25);
    EXPECT_EQ(win::getWindowText(RANGE.controlId), "25");
    EXPECT_EQ(gRangeMeters.load(), wholeNmToMetres(25));
    EXPECT_TRUE(win::isWindowEnabled(RANGE.controlId));
    EXPECT_FALSE(win::isWindowEnabled(AR_ABOVE_HEIGHT.controlId));
}

TEST_F(ControlHandlersTest, BoxesThatAskTheCycleWorkerLeaveARequest)
{
    openRunning();
    NAV_LIGHTS_WHILE_PARKED.set(false);
    gf_showCheckMark(NAV_LIGHTS_WHILE_PARKED);
    click(NAV_LIGHTS_WHILE_PARKED);
    EXPECT_EQ(gFoundation.gNavLightsRequest.load(), 2); // on
    click(NAV_LIGHTS_WHILE_PARKED);
    EXPECT_EQ(gFoundation.gNavLightsRequest.load(), 1); // off

    // Parking boxes while static parking runs: the countdown to the next 15-second routine.
    gWindow.gMainWindow.parkAirportActive.store(1);
    INITIAL_LOAD_ONLY.set(false);
    gFoundation.gLoopSecondsShown.store(44);
    click(PARK_SOFT);
    EXPECT_EQ(gf_shownMessage(), "Ordalis_P3D will respond in 1 second ...");
    EXPECT_EQ(gFoundation.gRenewalRequest.load(), 1);
    gFoundation.gLoopSecondsShown.store(31);
    click(WEEK);
    EXPECT_EQ(gf_shownMessage(), "Ordalis_P3D will respond in 14 seconds ...");
    gFoundation.gParametersChanged.store(0);
    click(LEARN_SOFT);
    EXPECT_EQ(gFoundation.gParametersChanged.load(), 1);

    gWindow.gMainWindow.parkAirportActive.store(0);
    gFoundation.gRenewalRequest.store(0);
    gf_clearMessage();
    click(PARK_FAKE);
    EXPECT_EQ(gFoundation.gRenewalRequest.load(), 0);
    EXPECT_EQ(gf_shownMessage(), "");
}

struct ComboRow
{
    ComboParameter* combo;
    int index;
    std::int32_t value;
};

TEST_F(ControlHandlersTest, ComboChoicesAreStoredSavedAndShown)
{
    openRunning();
    const ComboRow rows[] = {
        {&MATCHING_DEPTH, 1, 2},      {&MAX_PARK_SEL, 2, 25},   {&RANGE, 6, 10},        {&AIRP_RANGE, 0, 5},
        {&AR_ABOVE_HEIGHT, 3, 27000}, {&AIRP_HEIGHT, 9, 36000}, {&MAX_LIVE_SEL, 3, 50},
    };
    for (const ComboRow& row : rows)
    {
        SCOPED_TRACE(row.combo->name);
        win::enableWindow(row.combo->controlId, true);
        ASSERT_TRUE(screen.chooseItem(row.combo->controlId, row.index));
        screen.pumpUntilIdle();
        EXPECT_EQ(row.combo->value(), row.value);
        EXPECT_EQ(settings.valueOf(row.combo->name), std::to_string(row.value));
        EXPECT_TRUE(settings.logged(fmt::format("{}={}", row.combo->name, row.value)));
        EXPECT_EQ(win::getWindowText(row.combo->controlId), std::to_string(row.value));
    }
    EXPECT_EQ(gRangeMeters.load(), wholeNmToMetres(10));
    EXPECT_EQ(gFoundation.gSavedLiveLimit.load(),
              50); // no static parking: the limit the park airport restores
    EXPECT_EQ(gFoundation.gTrimLiveRequest.load(), 1);
}

TEST_F(ControlHandlersTest, ButtonsAskTheCycleWorkerAndWaitForIt)
{
    openRunning();
    BLOCK_CALLSIGN.set("");
    click(gUnblockButton);
    EXPECT_EQ(gf_shownMessage(), "Nothing to block or unblock...");

    click(gRereadButton);
    EXPECT_EQ(gFoundation.gStandCheckRequest.load(), 1);
    EXPECT_FALSE(win::isWindowEnabled(gRereadButton.controlId));
    EXPECT_FALSE(win::isWindowEnabled(DESTINATION.controlId));

    click(gFlushStaticButton);
    EXPECT_EQ(gf_shownMessage(), "All static parked aircraft will be removed ...");
    EXPECT_EQ(gFoundation.gFlushStaticRequest.load(), 1);
    EXPECT_FALSE(win::isWindowEnabled(gFlushStaticButton.controlId));
}

TEST_F(ControlHandlersTest, AComboTextThatIsNoUtf8IsLoggedNotActedOn)
{
    openRunning();
    win::comboAddString(MATCHING_DEPTH.controlId, "\xff\xfe");
    const std::int32_t before = MATCHING_DEPTH.value();
    ASSERT_TRUE(screen.chooseItem(MATCHING_DEPTH.controlId, 4));
    screen.pumpUntilIdle();
    EXPECT_EQ(MATCHING_DEPTH.value(), before);
    bool logged = false;
    for (const std::string& line : settings.logLines())
        logged = logged || line.find("lf_HandleWMCOMMAND exception") != std::string::npos;
    EXPECT_TRUE(logged);
}

struct TypedRow
{
    const char* typed;
    std::int32_t percent; // stored afterwards
    const char* message;  // shown afterwards
};

TEST_F(ControlHandlersTest, ParkingPercentageTakesWholeNumbersWithinItsRange)
{
    openRunning();
    const TypedRow rows[] = {
        {"", 0, "The new parking_percentage is 0"},
        {"120", 100, "The new parking_percentage is 100"},
        {" 45 ", 45, "The new parking_percentage is 45"},
        {"45", 45, "Same parking_percentage value 45, no changes made"},
        {"   ", 45, "invalid input:    "},
        {"\t", 45, "invalid input: \t"}, // only an empty box means 0
        {"abc", 45, "invalid input: abc"},
        {"12abc", 45, "invalid input: 12abc"},
        {"nan", 45, "invalid input: nan"},
        {"-3", 0, "The new parking_percentage is 0"},
    };
    for (const TypedRow& row : rows)
    {
        SCOPED_TRACE(row.typed);
        typeEnter(parking_percentage, row.typed);
        EXPECT_EQ(parking_percentage.value(), row.percent);
        EXPECT_EQ(gf_shownMessage(), row.message);
        EXPECT_EQ(win::getWindowText(parking_percentage.controlId), std::to_string(row.percent));
    }
    EXPECT_EQ(settings.valueOf("parking_percentage"), "<none>"); // saved with the airport file only
    EXPECT_TRUE(settings.logged("invalid input: 12abc"));
    typeEnter(parking_percentage, "99999999999");
    EXPECT_EQ(parking_percentage.value(), 0);
}

struct FitRow
{
    const char* typed;
    float hours;
    std::int32_t halfHours;
    const char* shown;
};

TEST_F(ControlHandlersTest, MaxFitTakesWholeAndHalfHoursWhileStaticParkingRuns)
{
    openRunning();
    gWindow.gMainWindow.parkAirportActive.store(1);
    INITIAL_LOAD_ONLY.set(true);
    const FitRow rows[] = {
        {"1.2", 1.0f, 1, "1"},    {"1.3", 1.5f, 2, "1.5"},  {"0", 0.5f, 0, "0.5"},
        {"", 24.0f, 47, "24"},    {"3", 3.0f, 5, "3"},      {"30", 24.0f, 47, "24"},
        {"nan", 24.0f, 47, "24"}, {"inf", 24.0f, 47, "24"}, {"2.5h", 24.0f, 47, "24"},
    };
    for (const FitRow& row : rows)
    {
        SCOPED_TRACE(row.typed);
        typeEnter(MAX_FIT_FL, row.typed);
        EXPECT_FLOAT_EQ(MAX_FIT_FL.value(), row.hours);
        EXPECT_EQ(MAX_FIT.value(), row.halfHours);
        EXPECT_EQ(settings.valueOf("MAX_FIT"), std::to_string(row.halfHours));
        EXPECT_EQ(win::getWindowText(MAX_FIT_FL.controlId), row.shown);
    }
    EXPECT_TRUE(settings.logged("lf_processTbFloat: not a finite number, h=2.5h"));

    gWindow.gMainWindow.parkAirportActive.store(0); // not taken while no static parking runs
    typeEnter(MAX_FIT_FL, "2");
    EXPECT_FLOAT_EQ(MAX_FIT_FL.value(), 24.0f);
}

TEST_F(ControlHandlersTest, BlockedCallsignsAreCheckedSavedAndUnblocked)
{
    openRunning();
    typeEnter(BLOCK_CALLSIGN, "abc");
    EXPECT_EQ(gf_shownMessage(), "callsign 'abc' is not valid");
    typeEnter(BLOCK_CALLSIGN, "abcdefghi");
    EXPECT_EQ(gf_shownMessage(), "callsign 'abcdefghi' is not valid");
    EXPECT_EQ(gFoundation.gBlockCallsignRequest.load(), 0);
    EXPECT_EQ(win::getWindowText(BLOCK_CALLSIGN.controlId), "");

    typeEnter(BLOCK_CALLSIGN, "dlh4x");
    EXPECT_EQ(BLOCK_CALLSIGN.value(), "DLH4X");
    EXPECT_EQ(settings.valueOf("BLOCK_CALLSIGN"), "DLH4X");
    EXPECT_EQ(win::getWindowText(BLOCK_CALLSIGN.controlId), "DLH4X");
    EXPECT_TRUE(settings.logged("live aircraft with callsign 'DLH4X' will be blocked"));
    EXPECT_TRUE(win::isWindowEnabled(gUnblockButton.controlId));
    EXPECT_EQ(gFoundation.gBlockCallsignRequest.load(), 1);

    gFoundation.gBlockCallsignRequest.store(0);
    typeEnter(BLOCK_CALLSIGN, "DLH4X");
    EXPECT_EQ(gf_shownMessage(), "callsign 'DLH4X' was already set ...");
    EXPECT_EQ(gFoundation.gBlockCallsignRequest.load(), 0);

    click(gUnblockButton);
    EXPECT_EQ(BLOCK_CALLSIGN.value(), "");
    EXPECT_EQ(settings.valueOf("BLOCK_CALLSIGN"), "");
    EXPECT_EQ(gf_shownMessage(), "no more blocking of live aircraft 'DLH4X'");
    EXPECT_FALSE(win::isWindowEnabled(gUnblockButton.controlId));
    EXPECT_EQ(gFoundation.gBlockCallsignRequest.load(), 1);

    gFoundation.gBlockCallsignRequest.store(0);
    typeEnter(BLOCK_CALLSIGN, ""); // nothing blocked: nothing to do
    EXPECT_EQ(gFoundation.gBlockCallsignRequest.load(), 0);
}

TEST_F(ControlHandlersTest, DestinationsOfFourCharactersGoToTheCycleWorker)
{
    openRunning();
    for (const char* bad : {"abc", "abcde"})
    {
        typeEnter(DESTINATION, bad);
        EXPECT_EQ(gf_shownMessage(), fmt::format("destination '{}' is not valid", bad));
    }
    typeEnter(DESTINATION, "ls\nz"); // a line break is refused, the message kept to one line
    EXPECT_EQ(gf_shownMessage(), "destination 'ls\\nz' is not valid");
    EXPECT_EQ(gf_takeDestinationRequest(), std::nullopt);
    typeEnter(DESTINATION, "lszh");
    EXPECT_EQ(gf_takeDestinationRequest(), std::optional<std::string>("LSZH"));

    DESTINATION.set("LSZH");
    typeEnter(DESTINATION, "LSZH");
    EXPECT_EQ(gf_shownMessage(), "destination 'LSZH' was already set ...");
    win::enableWindow(gRereadButton.controlId, false);
    typeEnter(DESTINATION, "");
    EXPECT_EQ(DESTINATION.value(), "");
    EXPECT_TRUE(settings.logged("destination set to empty"));
    EXPECT_TRUE(win::isWindowEnabled(gRereadButton.controlId));
}

// A refusal of input too long for the message line shows its verdict and the input's start and end (the
// middle gives way), and a notice after it whole.
TEST_F(ControlHandlersTest, ARefusalShowsItsVerdictAndTheInputsEnds)
{
    const std::string path = "/opt/" + std::string(96, 'a') + "/Lockheed Martin/P3Dv5-backup";
    TempFolder sim; // a long path that exists up to a wrong folder in its middle: that folder on stays whole
    std::filesystem::create_directories(sim / std::string(100, 'a'));
    const std::string wrong = "a/P3Dv5-backup/Lockheed Martin/Prepar3D v5 Academic Edition";
    std::vector<std::tuple<ControlBinding*, std::string, std::string, std::string>> rows{
        {&ALL_INSTALL_PATH, path, "This install path does not exist: /opt/aaa",
         "aaa/Lockheed Martin/P3Dv5-backup"},
        {&ALL_INSTALL_PATH, (sim / std::string(99, 'a')).string() + wrong,
         "This install path does not exist: " + sim.path().string().substr(0, 4), wrong},
        {&BLOCK_CALLSIGN, "AB" + std::string(298, 'c'), "callsign 'ABccc", "ccc' is not valid"},
        {&DESTINATION, "LS" + std::string(298, 'z'), "destination 'LSzzz", "zzz' is not valid"},
        {&parking_percentage, "1" + std::string(299, 'x'), "invalid input: 1xxx", "xxx"},
        {&ALL_INSTALL_PATH, "", std::string(kEmptyInstallPath), std::string(kEmptyInstallPath)},
        {&ALL_INSTALL_PATH, OXL_SOURCE_DIR "/README.md", "This install path is not a folder: ",
         "README.md; type the simulator's folder and press Enter"}, // a file
        {&parking_percentage, std::string(300, '9'), "This number is out of range: 999",
         "999; type a whole number from 0 to 100 and press Enter"}};
    for (const std::string& bad :
         std::vector<std::string>{"abc", "1e300", "inf", "nan", "abc\ndef", std::string(300, '9'), "   "})
        rows.emplace_back(&MAX_FIT_FL, bad, "This is not a number of hours: " + bad.substr(0, 3),
                          bad.substr(bad.size() - 3) + "; type one from 0.5 to 24 and press Enter");
    openRunning();
    gWindow.gMainWindow.parkAirportActive.store(1);
    for (const std::string notice : {"", " - see Log.txt"})
        for (const auto& [box, typed, start, end] : rows)
        {
            typeEnter(*box, typed);
            gf_showNotice(notice.empty() ? "" : "see Log.txt");
            win::invalidateWindow(win::kMainWindow);
            screen.pumpUntilIdle();
            const std::string line = textAt(3, 455).value_or(win::PaintedText{}).text;
            EXPECT_TRUE(line.starts_with(start) && line.ends_with(end + notice)) << line;
            EXPECT_LE(std::ranges::count_if(line, [](char c) { return (c & 0xC0) != 0x80; }), 874 / 7)
                << line;
            EXPECT_EQ(gFoundation.gStopRequested.load(), 0); // refused: nothing restarts
        }
}

TEST_F(ControlHandlersTest, AnInstallPathThatExistsIsSavedAndRestartsTheCycle)
{
    openRunning();
    TempFolder sim;
    typeEnter(ALL_INSTALL_PATH, (sim.path() / "missing").string());
    EXPECT_EQ(gf_shownMessage(),
              fmt::format("This install path does not exist: {}", (sim.path() / "missing").string()));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
    EXPECT_EQ(win::getWindowText(ALL_INSTALL_PATH.controlId), ""); // the path in force, not the refused one

    typeEnter(ALL_INSTALL_PATH, sim.path().string());
    EXPECT_EQ(settings.valueOf("SIM_INSTALL_PATH"), sim.path().string());
    EXPECT_TRUE(settings.logged("Install path exists, Ordalis_P3D will restart"));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 1);
    EXPECT_EQ(gf_exitReason(), ExitReason::newSettings);
    EXPECT_EQ(gFoundation.gRestartDelay.load(), 3);

    gf_clearStop();
    typeEnter(ALL_INSTALL_PATH, ""); // emptied (Ctrl+A, BackSpace, Return): the user is told what to do
    EXPECT_EQ(gf_shownMessage(), kEmptyInstallPath);
    EXPECT_EQ(settings.valueOf("SIM_INSTALL_PATH"), sim.path().string());
    EXPECT_EQ(win::getWindowText(ALL_INSTALL_PATH.controlId), sim.path().string());
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
}

} // namespace
} // namespace oxl::test
