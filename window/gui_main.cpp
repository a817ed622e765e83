// The main window's life and its window procedure.
#include "window/gui_main.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <mutex>
#include <system_error>
#include <thread>

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/settings_file.h"
#include "foundation/time_text.h"
#include "platform/clock.h"
#include "window/control_handlers.h"
#include "window/controls.h"
#include "window/key_rules.h"
#include "window/main_window.h"
#include "window/painting.h"
#include "window/window_state.h"

namespace oxl
{

WindowState gWindow;

namespace
{

constexpr int kReadyWaits = 18; // waits for the window object before giving up
constexpr std::chrono::milliseconds kReadyWait{50};

NoGuiPort gNoPort;

// The main window's message line for the layers below the window.
class WindowMessageLine final : public MessageLinePort
{
  public:
    void show(const std::string& text, bool log) override { gf_showMessage(text, log); }
};

WindowMessageLine gWindowMessageLine;

void lf_startCycleWorker()
{
    gWindow.guiOwner.check();
    if (gWindow.gCycleWorker.joinable())
    {
        gWindow.gCycleWorker.request_stop();
        gWindow.gCycleWorker.join();
    }
    GuiPort& port = gf_guiPort();
    if (!port.runsCycles())
        return;
    gWindow.gWorkerAlive.store(true);
    try
    {
        gWindow.gCycleWorker = std::jthread(
            [&port](std::stop_token stop)
            {
                port.cycleWorker(stop);
                gWindow.gWorkerAlive.store(false);
            });
    }
    catch (const std::system_error& e)
    {
        gWindow.gWorkerAlive.store(false);
        gf_logMarked(fmt::format("Cannot start the cycle worker: {}", e.what()));
    }
}

// The window moved the least way onto the work area: whole where it fits, else its top-left corner (the
// title bar and the first controls) on it.
win::Rect lf_placeOnScreen(const win::Rect& place, const win::Rect& area)
{
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    const int left = std::max(area.left, std::min(place.left, area.right - width));
    const int top = std::max(area.top, std::min(place.top, area.bottom - height));
    return {left, top, left + width, top + height};
}

void lf_savePositionAndQuit()
{
    win::Rect outer = win::getWindowRect(gWindow.gMainHwnd.load());
    // Left where it was brought onto a smaller screen: the place stored for the larger one is kept. The
    // toolkit and window managers nudge a window by its frame to keep that on the screen too.
    const win::Rect& moved = gWindow.gMovedOnScreen;
    constexpr int kNudge = win::kCaptionHeight; // [px]
    if (!moved.empty() && std::abs(outer.left - moved.left) <= kNudge &&
        std::abs(outer.top - moved.top) <= kNudge)
        outer = {MAIN_WINDOW_X.value(), MAIN_WINDOW_Y.value(), 0, 0};
    const std::int32_t previousX = MAIN_WINDOW_X.value();
    const std::int32_t previousY = MAIN_WINDOW_Y.value();
    MAIN_WINDOW_X.set(MAIN_WINDOW_X.clamped(outer.left));
    MAIN_WINDOW_X.save();
    MAIN_WINDOW_Y.set(MAIN_WINDOW_Y.clamped(outer.top));
    MAIN_WINDOW_Y.save();
    gf_clampWindowPos(previousX, previousY);
    gf_log(gf_timeToText(plat::utcNowSeconds()));
    win::postQuitMessage(0);
}

void lf_closeRequested()
{
    gf_showMessage(fmt::format("Close window button clicked, closing {} ...", kProductName), false);
    gWindow.gCloseRequested.store(true);
    gf_guiPort().requestClose();
    // No cycle worker will post WM_APP+2: end here.
    if (!gWindow.gWorkerAlive.load())
        lf_savePositionAndQuit();
}

} // namespace

void NoGuiPort::requestClose()
{
    gFoundation.gWindowClosed.exchange(1);
    gFoundation.gStopRequested.exchange(1);
}

void gf_installGuiPort(GuiPort* port)
{
    gWindow.gPort.store(port);
}

GuiPort& gf_guiPort()
{
    GuiPort* const port = gWindow.gPort.load();
    return port != nullptr ? *port : gNoPort;
}

bool gf_postToMainWindow(unsigned msg)
{
    const win::Hwnd hwnd = gWindow.gMainHwnd.load();
    return hwnd != win::kNoWindow && win::postMessage(hwnd, msg);
}

win::Hwnd gf_wndProcHwnd()
{
    return gWindow.gWndProcHwnd.load();
}

bool gf_cycleWorkerAlive()
{
    return gWindow.gWorkerAlive.load();
}

void gf_clampWindowPos(int fallbackX, int fallbackY)
{
    for (auto [parameter, fallback] :
         {std::pair{&MAIN_WINDOW_X, fallbackX}, std::pair{&MAIN_WINDOW_Y, fallbackY}})
    {
        const std::int32_t value = parameter->value();
        if (value == parameter->minimum || value == parameter->maximum)
        {
            parameter->set(parameter->clamped(fallback));
            parameter->save();
        }
    }
}

bool initInstance()
{
    for (int wait = 0; gWindow.gMainWindow.guiReady.load() == 0; ++wait)
    {
        if (wait == kReadyWaits)
            return false;
        std::this_thread::sleep_for(kReadyWait);
    }
    {
        pugi::xml_document doc;
        bool loaded = false;
        {
            std::lock_guard lock(gf_parametersFileMutex());
            loaded = gf_loadParametersFile(doc);
        }
        if (loaded)
        {
            MAIN_WINDOW_X.read(doc, false);
            MAIN_WINDOW_Y.read(doc, false);
            gf_clampWindowPos(kDefaultWindowX, kDefaultWindowY);
        }
    }
    const win::Rect stored{MAIN_WINDOW_X.value(), MAIN_WINDOW_Y.value(),
                           MAIN_WINDOW_X.value() + kMainWindowWidth,
                           MAIN_WINDOW_Y.value() + kMainWindowHeight};
    const win::Rect place = lf_placeOnScreen(
        stored, win::screenWorkArea((stored.left + stored.right) / 2, (stored.top + stored.bottom) / 2));
    gWindow.gMovedOnScreen = place == stored ? win::Rect{} : place;
    const win::Hwnd hwnd = win::createWindow(kProductName, kProductName, place.left, place.top,
                                             kMainWindowWidth, kMainWindowHeight);
    gWindow.gMainHwnd.store(hwnd);
    if (hwnd == win::kNoWindow)
        return false;
    win::showWindow(hwnd);
    return win::updateWindow(hwnd);
}

bool gf_openMainWindow()
{
    // Running on unseen would leave a program that places aircraft but that nobody can see or close.
    if (const std::string failure = win::displayFailure(); !failure.empty())
    {
        std::fprintf(stderr, "%s\n", failure.c_str());
        gf_log(failure);
        return false;
    }
    gf_installMessageLinePort(&gWindowMessageLine);
    win::installKeyRules(&gf_windowKeyRules());
    if (!win::registerClass(kProductName, gf_WndProc))
    {
        gf_log("Failed to register window class");
        return false;
    }
    if (!initInstance())
    {
        gf_log("initInstance failed");
        return false;
    }
    // The log opened before the window: what went wrong there is the first thing the user reads, and
    // where the log went stays in view until the user acts.
    if (const std::string trouble = gf_logTrouble(); !trouble.empty())
        gf_showMessage(trouble, false);
    else if (const std::string notice = gf_logStartNotice(); !notice.empty())
        gf_showNotice(notice);
    try
    {
        const std::filesystem::path folder = gf_settingsFolder();
        if (!std::filesystem::exists(folder))
            std::filesystem::create_directories(folder);
    }
    catch (const std::filesystem::filesystem_error& e)
    {
        // A full or read-only disk: the program runs all the same, and the first save that can makes the
        // folder (each save makes its folder when it is missing).
        gf_log(fmt::format("Failed to create directory: {}", e.what()));
    }
    if (gWindow.gMainHwnd.load() != win::kNoWindow)
        win::postMessage(gWindow.gMainHwnd.load(), kStartCycleMessage);
    return true;
}

void gf_joinCycleWorker()
{
    if (gWindow.gCycleWorker.joinable())
    {
        gWindow.gCycleWorker.request_stop();
        gWindow.gCycleWorker.join();
    }
}

void gf_resetGuiState()
{
    gf_joinCycleWorker();
    gWindow.gCloseRequested.store(false);
    gWindow.gWorkerAlive.store(false);
    gWindow.gMainHwnd.store(win::kNoWindow);
    gWindow.gWndProcHwnd.store(win::kNoWindow);
    gWindow.gMovedOnScreen = {};
    gWindow.guiOwner.release();
}

int gf_guiMain()
{
    if (!gf_openMainWindow())
        return 1;
    const int code = win::runMessageLoop();
    gf_joinCycleWorker();
    return code;
}

win::LResult gf_WndProc(win::Hwnd hwnd, unsigned msg, win::WParam wParam, win::LParam lParam)
{
    gWindow.gWndProcHwnd.store(hwnd);
    switch (msg)
    {
    case win::WM_CREATE:
        gf_createControls();
        return 0;
    case win::WM_DESTROY:
        win::postQuitMessage(0);
        return 0;
    case win::WM_PAINT:
        gf_paintWindow(*reinterpret_cast<win::Canvas*>(lParam));
        return 0;
    case win::WM_CLOSE:
        lf_closeRequested();
        return 0;
    case win::WM_COMMAND:
        gf_dismissNotice();
        if (gf_HandleWMCOMMAND(wParam))
            return 0;
        return win::defWindowProc(hwnd, msg, wParam, lParam);
    case kStartCycleMessage:
        if (gWindow.gCloseRequested.load())
            lf_savePositionAndQuit();
        else
            lf_startCycleWorker();
        return 0;
    case kQuitMessage:
        lf_savePositionAndQuit();
        return 0;
    default:
        return win::defWindowProc(hwnd, msg, wParam, lParam);
    }
}

} // namespace oxl
