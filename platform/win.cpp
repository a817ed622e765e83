#include "platform/win.h"

#include "platform/win_system.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace oxl::win
{
namespace
{

std::mutex gSystemMutex;
std::unique_ptr<WindowSystem> gSystem;
std::string gDisplayFailure;                     // why the display that $DISPLAY names gave no window system
std::atomic<const KeyRules*> gKeyRules{nullptr}; // the window's, once it installed them

bool headlessWanted()
{
    const char* headless = std::getenv("OXL_HEADLESS");
    if (headless != nullptr && std::string_view(headless) == "1")
        return true;
    const char* display = std::getenv("DISPLAY");
    return display == nullptr || *display == '\0';
}

} // namespace

void installKeyRules(const KeyRules* rules)
{
    gKeyRules.store(rules);
}

KeyAction keyAtControl(ControlKind kind, KeyStroke press)
{
    if (const KeyRules* rules = gKeyRules.load(); rules != nullptr && rules->atControl != nullptr)
        return rules->atControl(kind, press);
    return kind == ControlKind::Edit && press.key == Key::enter ? KeyAction::enter : KeyAction::own;
}

KeyAction keyLeftOver(bool chosen, KeyStroke press)
{
    if (const KeyRules* rules = gKeyRules.load(); rules != nullptr && rules->leftOver != nullptr)
        return rules->leftOver(chosen, press);
    return KeyAction::own;
}

bool clickTakesKeyboard(ControlKind kind)
{
    if (const KeyRules* rules = gKeyRules.load(); rules != nullptr && rules->clickTakesKeyboard != nullptr)
        return rules->clickTakesKeyboard(kind);
    return true;
}

WindowSystem& windowSystem()
{
    std::lock_guard lock(gSystemMutex);
    if (!gSystem)
    {
        if (!headlessWanted())
        {
            gSystem = makeFltkSystem();
            if (!gSystem)
                gDisplayFailure = "Cannot open display '" + std::string(std::getenv("DISPLAY")) +
                                  "': no window can be shown (OXL_HEADLESS=1 runs without one)";
        }
        if (!gSystem)
            gSystem = makeHeadlessSystem();
    }
    return *gSystem;
}

void installWindowSystem(std::unique_ptr<WindowSystem> system)
{
    std::lock_guard lock(gSystemMutex);
    gSystem = std::move(system);
    gDisplayFailure.clear();
}

std::string displayFailure()
{
    windowSystem();
    std::lock_guard lock(gSystemMutex);
    return gDisplayFailure;
}

bool registerClass(std::string_view className, WndProc proc)
{
    return windowSystem().registerClass(className, proc);
}

Hwnd createWindow(std::string_view className, std::string_view title, int x, int y, int width, int height)
{
    return windowSystem().createWindow(className, title, x, y, width, height);
}

bool showWindow(Hwnd hwnd)
{
    return windowSystem().showWindow(hwnd);
}
bool updateWindow(Hwnd hwnd)
{
    return windowSystem().updateWindow(hwnd);
}
int runMessageLoop()
{
    return windowSystem().runMessageLoop();
}
int pumpMessages()
{
    return windowSystem().pumpMessages();
}

bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam)
{
    return windowSystem().postMessage(hwnd, msg, wParam, lParam);
}

void postQuitMessage(int exitCode)
{
    windowSystem().postQuitMessage(exitCode);
}
LResult defWindowProc(Hwnd, unsigned, WParam, LParam)
{
    return 0;
}
void invalidateRect(Hwnd hwnd, const Rect& rect)
{
    windowSystem().invalidateRect(hwnd, rect);
}

void invalidateWindow(Hwnd hwnd)
{
    windowSystem().invalidateRect(hwnd, Rect{0, 0, 1 << 20, 1 << 20}); // cut to the client area
}

Rect getWindowRect(Hwnd hwnd)
{
    return windowSystem().getWindowRect(hwnd);
}
Rect screenWorkArea(int x, int y)
{
    return windowSystem().workArea(x, y);
}
bool setTopmost(Hwnd hwnd, bool topmost)
{
    return windowSystem().setTopmost(hwnd, topmost);
}
void setControlBackground(ColorRef colour)
{
    windowSystem().setControlBackground(colour);
}
std::string_view backendName()
{
    return windowSystem().name();
}

Hwnd createControl(const ControlSpec& spec)
{
    return windowSystem().createControl(spec);
}

Hwnd getDlgItem(Hwnd parent, unsigned id)
{
    WindowSystem& s = windowSystem();
    return parent == kMainWindow && id != kMainWindow && s.isWindow(id) ? Hwnd{id} : kNoWindow;
}

bool isWindow(Hwnd hwnd)
{
    return windowSystem().isWindow(hwnd);
}
void enableWindow(Hwnd hwnd, bool enable)
{
    windowSystem().enableWindow(hwnd, enable);
}
bool isWindowEnabled(Hwnd hwnd)
{
    return windowSystem().isWindowEnabled(hwnd);
}

bool isDlgButtonChecked(Hwnd parent, unsigned id)
{
    return parent == kMainWindow && windowSystem().isChecked(id);
}

bool setButtonCheck(Hwnd hwnd, bool checked)
{
    return windowSystem().setButtonCheck(hwnd, checked);
}
std::string getWindowText(Hwnd hwnd)
{
    return windowSystem().getWindowText(hwnd);
}
bool setWindowText(Hwnd hwnd, std::string_view utf8)
{
    return windowSystem().setWindowText(hwnd, utf8);
}
void comboResetContent(Hwnd hwnd)
{
    windowSystem().comboResetContent(hwnd);
}
int comboAddString(Hwnd hwnd, std::string_view utf8)
{
    return windowSystem().comboAddString(hwnd, utf8);
}
int comboSetCurSel(Hwnd hwnd, int index)
{
    return windowSystem().comboSetCurSel(hwnd, index);
}
int comboGetCurSel(Hwnd hwnd)
{
    return windowSystem().comboGetCurSel(hwnd);
}
std::optional<std::string> comboGetLbText(Hwnd hwnd, int index)
{
    return windowSystem().comboGetLbText(hwnd, index);
}
WndProc setWindowProc(Hwnd hwnd, WndProc proc)
{
    return windowSystem().setWindowProc(hwnd, proc);
}

LResult callWindowProc(WndProc proc, Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam)
{
    return proc == nullptr ? 0 : proc(hwnd, msg, wParam, lParam);
}

} // namespace oxl::win
