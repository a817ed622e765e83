// The real main window on a virtual display of the test's own: the status band's boxes and the
// message band in their colours, read back from the screen; a check box, a combo box and an edit box
// driven by real input, each effect read back from parameters.xml and the screen; the screens are kept
// as pictures.
#include "tests/window/window_fixture.h"

#include "platform/win_fltk.h"
#include "platform/win_system.h"
#include "tests/support/xvfb_display.h"
#include "window/painting.h"

#include "foundation/config_keys.h"
#include "foundation/settings_file.h"
#include "foundation/status_service.h"
#include "liveries/livery_indexes.h"
#include "tests/support/temp_folder.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/edit_boxes.h"
#include "window/parking_controls.h"
#include "window/window_state.h"
#include "window/window_status.h"

#include <fmt/format.h>

#include <FL/Fl.H>
#include <FL/x.H>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <tuple>

namespace oxl::test
{
namespace
{

constexpr win::ColorRef kLime = 0x32CD32;
constexpr win::ColorRef kYellow = 0x00FFFF;
constexpr win::ColorRef kRed = 0x0000FF;
constexpr win::ColorRef kBlack = 0x000000;
constexpr win::ColorRef kLightBlue = 0xFFCC99;
// Points inside the boxes and bands that no text covers.
constexpr int kSimBoxX = 411, kRtBoxX = 439, kBoxY = 105;
constexpr int kMessageX = 860, kMessageY = 470;

class MainWindowScreenTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        // One display for the whole run, every suite: FLTK keeps its connection for the life of the process.
        static XvfbDisplay display;
        xvfb_ = &display;
        ASSERT_TRUE(xvfb_->running()) << xvfb_->error();
        display_.emplace("DISPLAY", xvfb_->name());
        headless_.emplace("OXL_HEADLESS", std::nullopt);
        ASSERT_TRUE(win::useFltk());
        resetWindowState();
        ASSERT_TRUE(gf_openMainWindow());
        win::pumpMessages();
    }
    // The real window goes while its display still runs.
    void TearDown() override
    {
        resetWindowState();
        gf_installMessageLinePort(nullptr);
        win::installWindowSystem(win::makeHeadlessSystem());
    }
    std::optional<win::ClientImage> shot(const std::string& name)
    {
        win::invalidateWindow(win::kMainWindow);
        win::pumpMessages();
        auto image = win::readClientArea(std::chrono::milliseconds(kEventLimit));
        if (image)
        {
            const std::filesystem::path shots =
                std::filesystem::path(OXL_BIN_DIR).parent_path() / "screenshots";
            std::filesystem::create_directories(shots);
            image->writePpm(shots / (name + ".ppm"));
        }
        return image;
    }
    // The simulator and the traffic source connected, traffic flowing.
    static void showConnected()
    {
        gWindow.gMainWindow.simConnected.store(1);
        gWindow.gMainWindow.simRunning.store(1);
        gWindow.gMainWindow.setText(StatusText::simulatorText, "Lockheed Martin Prepar3D v5 (5.4.9.28482)");
        gWindow.gMainWindow.setText(StatusText::userTitle, "Boeing 737-800 Paint1");
        gWindow.gMainWindow.liveryCount.store(5123);
        connectSource(ShownReaderState::receiving);
    }
    static void connectSource(ShownReaderState traffic)
    {
        gWindow.gMainWindow.noSourceLink.store(0);
        TrafficStatus& s = useFixedTrafficView().status;
        s.sourceConnected = true;
        s.editionText = "RT2 edition: Standard";
        s.trafficState = traffic;
        s.qnhState = ShownReaderState::receiving;
        s.qnh = 1013;
    }

    // Before the controls are driven by real input (xdotool's XTEST events through the display): the
    // window as a running cycle leaves it, controls enabled and combo boxes filled; false without xdotool.
    static bool controlsReady()
    {
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
            return false;
        for (Parameter* parameter : gf_configurationKeys())
        {
            if (auto* binding = dynamic_cast<ControlBinding*>(parameter); binding && binding->window)
                win::enableWindow(binding->controlId, true);
            if (auto* combo = dynamic_cast<ComboParameter*>(parameter))
                combo->fillCombo();
        }
        win::pumpMessages();
        return true;
    }
    // Runs the user's steps (';' between) on a thread of their own while this thread keeps the window's
    // loop going (an open list runs its own), then handles every event they caused ('|': before the rest).
    static bool user(const std::string& steps)
    {
        if (const std::size_t bar = steps.find('|'); bar != std::string::npos)
            return user(steps.substr(0, bar)) && user(steps.substr(bar + 1));
        std::atomic<bool> done{false};
        bool ok = true;
        std::thread run(
            [&]
            {
                std::istringstream in(steps);
                for (std::string step; ok && std::getline(in, step, ';');)
                    ok = userStep(step);
                if (!ok) // a list left open would keep this thread in its loop
                    (void)std::system("xdotool key Escape");
                done.store(true);
            });
        for (; !done.load(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            win::pumpMessages();
        run.join();
        XSync(fl_display, False); // what the steps sent through the display is queued here now
        win::pumpMessages();
        return ok;
    }
    // "click|point X Y" at a client point (no --sync: it waits for a move), "open"/"shut": wait for a list,
    // "grey"/"back": static parking's calculation starts (its notice seen on screen)/ends; else xdotool's.
    static bool userStep(const std::string& step)
    {
        int x = 0, y = 0;
        if (std::sscanf(step.c_str(), "%*s %d %d", &x, &y) == 2 && (step[0] == 'c' || step[0] == 'p'))
            return userStep("mousemove " + at(x, y) + (step[0] == 'c' ? " click 1" : ""));
        if (step == "open" || step == "shut")
            return xvfb_->waitForGrab(step == "open");
        if (step == "back")
            return gf_enableParkingControls(), true;
        if (step != "grey")
            return std::system(("xdotool " + step).c_str()) == 0;
        gWindow.gMainWindow.parkAirportActive.store(1);
        gf_disableParkingControls();
        gf_showError("Calculating static parked aircraft ...");
        const bool shown = xvfb_->waitForColour(MAIN_WINDOW_X.value() + kMessageX,
                                                MAIN_WINDOW_Y.value() + kMessageY, 0xFF0000);
        gf_clearErrorAndMessage();
        return shown;
    }
    // Keeps the loop going until the condition holds (false when it never does).
    static bool pumpUntil(const std::function<bool()>& condition)
    {
        const bool met = waitUntil([&] { return win::pumpMessages(), condition(); });
        win::pumpMessages();
        return met;
    }
    // The screen point of a client point: without a window manager the client area starts at the
    // window's stored position.
    static std::string at(int x, int y)
    {
        return fmt::format("{} {}", MAIN_WINDOW_X.value() + x, MAIN_WINDOW_Y.value() + y);
    }
    // Pixels of a rectangle of the client area darker than mid grey.
    static int darkPixels(const win::ClientImage& image, const win::Rect& r)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
            {
                const win::ColorRef c = image.at(x, y);
                n += win::redOf(c) + win::greenOf(c) + win::blueOf(c) < 3 * 0x60 ? 1 : 0;
            }
        return n;
    }
    static bool samePixels(const win::ClientImage& a, const win::ClientImage& b, const win::Rect& r)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (a.at(x, y) != b.at(x, y))
                    return false;
        return true;
    }

    static XvfbDisplay* xvfb_;
    SettingsFolder settings;
    std::optional<ScopedEnv> display_;
    std::optional<ScopedEnv> headless_;
};

XvfbDisplay* MainWindowScreenTest::xvfb_ = nullptr;

TEST_F(MainWindowScreenTest, ConnectedStateShowsLimeBoxesAndALimeMessageBand)
{
    showConnected();
    gf_showMessage("Traffic is flowing", false);
    const auto image = shot("main_window_connected");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 880);
    EXPECT_EQ(image->at(kSimBoxX, kBoxY), kLime);
    EXPECT_EQ(image->at(kRtBoxX, kBoxY), kLime);
    EXPECT_EQ(image->at(200, 50), kBlack);
    EXPECT_EQ(image->at(860, 300), kLightBlue);
    EXPECT_EQ(image->at(kMessageX, kMessageY), kLime);
}

TEST_F(MainWindowScreenTest, WaitingStateShowsAYellowSimBoxAndARedRtBox)
{
    gWindow.gMainWindow.simConnected.store(1);
    gWindow.gMainWindow.noSourceLink.store(0);
    const auto image = shot("main_window_waiting");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->at(kSimBoxX, kBoxY), kYellow);
    EXPECT_EQ(image->at(kRtBoxX, kBoxY), kRed);
}

TEST_F(MainWindowScreenTest, ErrorStateShowsRedBoxesAndARedMessageBand)
{
    gWindow.gMainWindow.noSourceLink.store(0);
    gf_showError("Simulator connection failed");
    const auto image = shot("main_window_error");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->at(kSimBoxX, kBoxY), kRed);
    EXPECT_EQ(image->at(kRtBoxX, kBoxY), kRed);
    EXPECT_EQ(image->at(kMessageX, kMessageY), kRed);
}

constexpr const char* kNoXdotool = "xdotool is not installed (scripts/install-deps.sh installs it)";

TEST_F(MainWindowScreenTest, AClickOnACheckBoxTogglesItsMarkAndSavesIt)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    const bool before = LOG.value();
    const win::Rect inside{652 + 2, 149 + 2, 652 + 10, 149 + 10}; // the box's interior
    const auto shown = shot("controls_log_before");
    ASSERT_TRUE(shown);
    ASSERT_TRUE(user(fmt::format("mousemove --sync {} click 1", at(658, 155))));
    ASSERT_TRUE(pumpUntil([&] { return LOG.value() != before; }));
    EXPECT_EQ(settings.valueOf("LOG"), before ? "false" : "true");
    const auto after = shot("controls_log_after");
    ASSERT_TRUE(after);
    EXPECT_EQ(darkPixels(*shown, inside) > 0, before); // the tick is drawn in black
    EXPECT_EQ(darkPixels(*after, inside) > 0, !before);
}

TEST_F(MainWindowScreenTest, AChoiceInAComboBoxIsStoredSavedAndShown)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    ASSERT_EQ(MATCHING_DEPTH.value(), 4);
    const win::Rect box{217, 198, 217 + 40, 198 + 22};
    const auto shown = shot("controls_combo_before");
    ASSERT_TRUE(shown);
    // Opens the list, moves one item up from the selected "4" and takes it with the list's own keys.
    ASSERT_TRUE(user("click 230 209;open;key Up Return;shut"));
    ASSERT_TRUE(pumpUntil([] { return MATCHING_DEPTH.value() == 3; }));
    EXPECT_EQ(settings.valueOf("MATCHING_DEPTH"), "3");
    EXPECT_EQ(win::getWindowText(MATCHING_DEPTH.controlId), "3");
    const auto after = shot("controls_combo_after");
    ASSERT_TRUE(after);
    EXPECT_FALSE(samePixels(*shown, *after, box));
}

TEST_F(MainWindowScreenTest, ATypedCallsignTakesEffectOnEnter)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    const win::Rect editBox{217 + 2, 259 + 2, 217 + 98, 259 + 14};
    const win::Rect unblock{323 + 4, 257 + 4, 323 + 66, 257 + 16};
    win::enableWindow(gUnblockButton.controlId, false);
    const auto shown = shot("controls_callsign_before");
    ASSERT_TRUE(shown);
    ASSERT_TRUE(user(fmt::format("mousemove --sync {} click 1", at(260, 267))));
    ASSERT_TRUE(user("type --delay 30 swr12"));
    ASSERT_TRUE(pumpUntil([] { return win::getWindowText(BLOCK_CALLSIGN.controlId) == "swr12"; }));
    EXPECT_NE(settings.valueOf("BLOCK_CALLSIGN"), "SWR12"); // nothing taken before Enter
    ASSERT_TRUE(user("key Return"));
    ASSERT_TRUE(pumpUntil([] { return BLOCK_CALLSIGN.value() == "SWR12"; }));
    EXPECT_EQ(settings.valueOf("BLOCK_CALLSIGN"), "SWR12");
    EXPECT_EQ(win::getWindowText(BLOCK_CALLSIGN.controlId), "SWR12");
    EXPECT_EQ(gf_shownMessage(), "live aircraft with callsign 'SWR12' will be blocked");
    const auto after = shot("controls_callsign_after");
    ASSERT_TRUE(after);
    EXPECT_EQ(darkPixels(*shown, editBox), 0);
    EXPECT_GT(darkPixels(*after, editBox), 0);                           // the callsign in the box
    EXPECT_GT(darkPixels(*after, unblock), darkPixels(*shown, unblock)); // "Unblock" no longer greyed
    EXPECT_EQ(after->at(860, 470), kLime);                               // the message band

    // The whole window, as the README shows it.
    showConnected();
    ASSERT_TRUE(shot("main_window_controls"));
}

// Keys pressed out of habit on each kind of control, after each way the keyboard gets there, act on it or on
// nothing. `after`: what they change, a setting saved and shown ("NAME=v") or a box's text ("NAME box=v").
struct KeyRow
{
    const char *name, *before, *keys, *after = "";
};
const char* const kHabit = "Return KP_Enter Up Left Right Home End Prior Next Escape Tab shift+Tab q Return";

class KeysOnAControl : public MainWindowScreenTest, public ::testing::WithParamInterface<KeyRow>
{
};

TEST_P(KeysOnAControl, ActOnItOrOnNothing)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    win::setWindowText(ALL_INSTALL_PATH.controlId, "/opt/P3Dv5"); // a Return there would say so
    MATCHING_DEPTH.save(); // the file holds every setting from here on, as after any first save
    const auto state = [this]
    {
        std::map<std::string, std::string> s{{"message", gf_shownMessage() + gf_shownError()},
                                             {"stop", std::to_string(gFoundation.gStopRequested.load())}};
        for (Parameter* p : gf_configurationKeys())
        {
            s[p->name] = settings.valueOf(p->name);
            if (auto* box = dynamic_cast<ControlBinding*>(p); box && box->window)
                s[p->name + " box"] = win::getWindowText(box->controlId);
        }
        return s;
    };
    ASSERT_TRUE(user(GetParam().before));
    auto expected = state();
    std::istringstream changes(GetParam().after);
    for (std::string what, value; std::getline(changes, what, '=') && std::getline(changes, value, ';');)
        expected[what] = expected[what + " box"] = value;
    ASSERT_TRUE(user(std::string("key ") + GetParam().keys));
    for (const auto& [what, value] : state())
        EXPECT_EQ(value, expected[what]) << what;
}

INSTANTIATE_TEST_SUITE_P(
    KeyOnControl, KeysOnAControl,
    ::testing::Values(
        KeyRow{"ComboChosenWithAClick", "click 230 209;open;click 230 190;shut", kHabit, "MATCHING_DEPTH=2"},
        KeyRow{"ComboWhoseListWasClosedWithEscape", "click 230 209;open;key Escape;shut",
               "Down Return q KP_Enter Up Return", "MATCHING_DEPTH=3"},
        KeyRow{"ComboWhoseListStayedOpenAcrossAParkingCalculation",
               "click 340 321;open;grey;back;key Escape;shut", "Return Up q Return",
               "MAX_PARK_SEL=100;message=Ordalis_P3D will respond in 15 seconds ..."},
        KeyRow{"CheckBoxClickedAfterTypingInABox", "click 260 267;type ab;click 542 155", kHabit},
        KeyRow{"ButtonClickedAfterTypingInABox", "click 240 351;type ab;click 358 267", kHabit},
        KeyRow{"EditBox", "click 260 267", "Up Down Prior Next Escape Home End Left Right q",
               "BLOCK_CALLSIGN box=q"},
        KeyRow{"TabAndShiftTabBetweenABoxAndACombo", "click 260 267", "shift+Tab Up Tab q",
               "AR_ABOVE_HEIGHT=45000;BLOCK_CALLSIGN box=q"},
        KeyRow{"TheWindowWithNoControlChosen", "point 860 300", kHabit},
        KeyRow{"BoxGreyedUnderTheKeyboard", "click 583 379;type 4|grey", "9 ctrl+a BackSpace Return"},
        KeyRow{"BoxGreyedAndBackUnderTheKeyboard", "click 583 379;type 4|grey|back",
               "Return ctrl+a BackSpace Return"}),
    [](const ::testing::TestParamInfo<KeyRow>& info) { return std::string(info.param.name); });

// A pasted callsign with a line break is refused; nothing is blocked and the box shows the stored one.
TEST_F(MainWindowScreenTest, APastedCallsignWithALineBreakIsRefused)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    Fl::copy("sw\nr12", 6, 1); // what the user copied elsewhere: six characters, one a line break
    ASSERT_TRUE(
        user(fmt::format("mousemove --sync 0 0 mousemove --sync {} click 1 key ctrl+v", at(260, 267))));
    ASSERT_TRUE(pumpUntil([] { return win::getWindowText(BLOCK_CALLSIGN.controlId) == "sw\nr12"; }));
    ASSERT_TRUE(user("key Return"));
    ASSERT_TRUE(pumpUntil([] { return !gf_shownMessage().empty(); }));
    EXPECT_EQ(gf_shownMessage(), "callsign 'sw\\nr12' is not valid");
    EXPECT_EQ(BLOCK_CALLSIGN.value(), "");
    EXPECT_EQ(win::getWindowText(BLOCK_CALLSIGN.controlId), "");
}

// Input too long for the message line, typed for real: its refusal shows on screen the same verdict and
// input ends as a short input's refusal does; an emptied install path is told what to do.
TEST_F(MainWindowScreenTest, ALongInputsRefusalShowsItsVerdictOnScreen)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    const auto refused = [this](const std::string& box, const std::string& typed)
    {
        gf_clearMessage();
        EXPECT_TRUE(
            user(fmt::format("click {};key ctrl+a BackSpace;type --delay 2 '{}';key Return", box, typed)));
        EXPECT_TRUE(pumpUntil([] { return !gf_shownMessage().empty(); }));
        return shot(fmt::format("message_refusal_{}_{}", box.substr(0, 3), typed.size()));
    };
    const auto textEnd = [](const win::ClientImage& image) // the last column of yellow text
    {
        int end = 0;
        for (int x = 0; x < image.width; ++x)
            end = win::redOf(image.at(x, 460)) > 0x90 || win::redOf(image.at(x, 458)) > 0x90 ? x : end;
        return end;
    };
    for (const auto& [box, longText, shortText] :
         {std::tuple<std::string, std::string, std::string>{
              "300 127", "/opt/" + std::string(96, 'a') + "/Lockheed Martin/P3Dv5-backup",
              "/opt/a/Lockheed Martin/P3Dv5-backup"},
          {"260 267", "AB" + std::string(298, 'c'), "ABc"},
          {"240 351", "LS" + std::string(298, 'z'), "LSz"}})
    {
        const auto full = refused(box, longText);
        const auto brief = refused(box, shortText);
        ASSERT_TRUE(full && brief);
        const int fullEnd = textEnd(*full), briefEnd = textEnd(*brief);
        EXPECT_LT(fullEnd, kMessageBand.right - 2) << box;
        for (int y = kMessageBand.top; y < kMessageBand.bottom; ++y)
            for (int x = 0; x < 60; ++x) // the verdict's first and the input's last 60 px
                ASSERT_TRUE(full->at(3 + x, y) == brief->at(3 + x, y) &&
                            full->at(fullEnd - x, y) == brief->at(briefEnd - x, y))
                    << box << " " << x << "," << y;
    }
    ASSERT_TRUE(user("click 300 127;key ctrl+a BackSpace Return"));
    EXPECT_TRUE(pumpUntil([] { return gf_shownMessage() == kEmptyInstallPath; }));
}

// A settings file that does not read: the notice that it was kept stays beside the start-up error that
// the defaults bring, until the user acts.
TEST_F(MainWindowScreenTest, TheDamagedSettingsNoticeStaysBesideTheErrorUntilTheUserActs)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    writeBytes(settings.parametersFile(), "<parameters><parameter name=");
    gf_installStatusService(&gf_windowStatusService());
    gf_loadAllParameters();
    const std::string error = "43: Automatic scan has not found any liveries, switch off automatic and set "
                              "lfolder parameter(-s), Manual 5.1";
    gf_showError(error);
    gf_installStatusService(nullptr);
    EXPECT_EQ(gf_shownError(), error + " - settings reset, unreadable file kept, see Log.txt");
    const auto image = shot("message_damaged_settings");
    ASSERT_TRUE(image);
    int textEnd = 0; // the text's last yellow pixel: the notice at its end is on the screen whole
    for (int y = kMessageBand.top; y < kMessageBand.bottom; ++y)
        for (int x = 0; x < image->width; ++x)
            if (win::greenOf(image->at(x, y)) > 0x80 && win::blueOf(image->at(x, y)) < 0x60)
                textEnd = std::max(textEnd, x);
    EXPECT_TRUE(textEnd > 600 && textEnd < kMessageBand.right - 3) << textEnd;
    const bool log = LOG.value();
    ASSERT_TRUE(user(fmt::format("mousemove --sync 0 0 mousemove --sync {} click 1", at(658, 155))));
    ASSERT_TRUE(pumpUntil([&] { return LOG.value() != log; }));
    EXPECT_EQ(gf_shownError(), error);
}

// Start after start, the cycle worker switches the optional categories off for want of liveries while
// the window's loop runs: their greyed boxes show the false that is saved, never a tick.
TEST_F(MainWindowScreenTest, CategoriesSwitchedOffForWantOfLiveriesShowGreyedEmptyBoxes)
{
    gf_installStatusService(&gf_windowStatusService());
    for (int start = 0; start < 10; ++start)
    {
        for (CheckBoxParameter* box : {&LIGHT_AIRCRAFT, &HIGH_PERF_AIRCRAFT})
            box->set(true), box->save(), gf_showCheckMark(*box), win::enableWindow(box->controlId, true);
        std::atomic<bool> done{false};
        std::thread cycle(
            [&] {
                gf_summarizeCategory(AcCategory::Light), gf_summarizeCategory(AcCategory::HighPerf),
                    done = true;
            });
        ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
        cycle.join();
        const auto image = shot("categories_switched_off");
        ASSERT_TRUE(image);
        for (const int x : {323, 536}) // the box's white inside (its frame at x, 205) holds no tick
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ(image->at(x + 2 + i % 8, 207 + i / 8), 0xFFFFFFu) << start;
        EXPECT_EQ(settings.valueOf("LIGHT_AIRCRAFT") + settings.valueOf("HIGH_PERF_AIRCRAFT"), "falsefalse");
        EXPECT_FALSE(win::isWindowEnabled(LIGHT_AIRCRAFT.controlId) ||
                     win::isWindowEnabled(HIGH_PERF_AIRCRAFT.controlId));
    }
    gf_installStatusService(nullptr);
}

// The window manager's close (a logout sends it too) while a combo box's list is open: the list goes and
// the window closes as with its close button, nothing chosen. The program's test closes it with a
// signal and with a lost display.
void sendCloseWhenAsked(void* asked) // on the GUI thread, which is then in the list's own loop
{
    if (static_cast<std::atomic<bool>*>(asked)->exchange(false))
        win::sendCloseRequest();
    Fl::repeat_timeout(0.05, sendCloseWhenAsked, asked);
}

TEST_F(MainWindowScreenTest, TheWindowManagersCloseEndsAnOpenListAndClosesTheWindow)
{
    if (!controlsReady())
        GTEST_SKIP() << kNoXdotool;
    std::atomic<bool> close{false};
    std::atomic<bool> listOpen{false};
    std::atomic<bool> listStayed{false};
    Fl::add_timeout(0.05, sendCloseWhenAsked, &close);
    std::thread user(
        [&]
        {
            (void)std::system(
                ("xdotool mousemove --sync 0 0 mousemove --sync " + at(230, 209) + " click 1").c_str());
            listOpen = xvfb_->waitForGrab(true);
            close = true;
            listStayed = !xvfb_->waitForGrab(false); // then ended here, so that the test ends
            if (listStayed && std::system("xdotool key Escape") == 0)
                win::postMessage(win::kMainWindow, win::WM_CLOSE);
        });
    EXPECT_EQ(win::runMessageLoop(), 0);
    user.join();
    Fl::remove_timeout(sendCloseWhenAsked, &close);
    EXPECT_TRUE(listOpen.load());
    EXPECT_FALSE(listStayed.load());
    EXPECT_EQ(gf_shownMessage(), "Close window button clicked, closing Ordalis_P3D ..."); // and quit
    EXPECT_EQ(MATCHING_DEPTH.value(), 4);
}

} // namespace
} // namespace oxl::test
