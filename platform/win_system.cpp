#include "platform/win_system.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace oxl::win
{
namespace
{

std::atomic<bool> gSignalSeen{false};
std::atomic<int> gSignalWakeFd{-1};

extern "C" void onTerminateSignal(int)
{
    gSignalSeen.store(true);
    const int fd = gSignalWakeFd.load();
    if (fd >= 0)
    {
        const char byte = 's';
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
}

// While the loop runs, SIGTERM and SIGINT ask the window to close like its close button does,
// so that a cycle ends in order instead of the process dying mid-write.
class SignalRoute
{
  public:
    SignalRoute()
    {
        struct sigaction sa
        {
        };
        sa.sa_handler = onTerminateSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGTERM, &sa, &oldTerm_);
        sigaction(SIGINT, &sa, &oldInt_);
    }
    ~SignalRoute()
    {
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGINT, &oldInt_, nullptr);
    }
    SignalRoute(const SignalRoute&) = delete;
    SignalRoute& operator=(const SignalRoute&) = delete;

  private:
    struct sigaction oldTerm_
    {
    };
    struct sigaction oldInt_
    {
    };
};

Rect unite(const Rect& a, const Rect& b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect intersect(const Rect& a, const Rect& b)
{
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return r.empty() ? Rect{} : r;
}

} // namespace

LResult defaultControlProc(Hwnd, unsigned, WParam, LParam)
{
    return 0;
}

void setSignalWakeFd(int fd)
{
    gSignalWakeFd.store(fd);
}

std::string cutToUtf16Units(std::string_view utf8, std::size_t units)
{
    std::size_t pos = 0;
    std::size_t used = 0;
    while (pos < utf8.size())
    {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        std::size_t bytes = 1;
        std::size_t need = 1;
        if (lead >= 0xF0 && lead <= 0xF7)
        {
            bytes = 4;
            need = 2; // a surrogate pair
        }
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            bytes = 3;
        }
        else if (lead >= 0xC0 && lead <= 0xDF)
        {
            bytes = 2;
        }
        if (used + need > units)
            break;
        used += need;
        pos = std::min(utf8.size(), pos + bytes);
    }
    return std::string(utf8.substr(0, pos));
}

WindowSystem::~WindowSystem() = default;

Rect WindowSystem::clientRectFor(int width, int height)
{
    return {0, 0, std::max(0, width), std::max(0, height - kCaptionHeight)};
}

Control* WindowSystem::find(Hwnd hwnd)
{
    auto it = controls_.find(hwnd);
    return it == controls_.end() ? nullptr : &it->second;
}

const Control* WindowSystem::find(Hwnd hwnd) const
{
    auto it = controls_.find(hwnd);
    return it == controls_.end() ? nullptr : &it->second;
}

void WindowSystem::markDirty(Control& c, unsigned bits)
{
    c.dirty |= bits;
}

bool WindowSystem::registerClass(std::string_view className, WndProc proc)
{
    std::lock_guard lock(mutex_);
    if (className.empty() || proc == nullptr || classes_.contains(className))
        return false;
    classes_.emplace(std::string(className), proc);
    return true;
}

Hwnd WindowSystem::createWindow(std::string_view className, std::string_view title, int x, int y, int width,
                                int height)
{
    WndProc proc = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = classes_.find(className);
        if (it == classes_.end() || created_)
            return kNoWindow;
        proc = it->second;
        mainProc_ = proc;
        created_ = true;
        title_ = std::string(title);
        outer_ = {x, y, x + width, y + height};
        client_ = clientRectFor(width, height);
    }
    nativeCreateWindow();
    proc(kMainWindow, WM_CREATE, 0, 0);
    return kMainWindow;
}

bool WindowSystem::showWindow(Hwnd hwnd)
{
    {
        std::lock_guard lock(mutex_);
        if (hwnd != kMainWindow || !created_)
            return false;
        shown_ = true;
        invalid_ = client_;
    }
    nativeShowWindow();
    return true;
}

bool WindowSystem::updateWindow(Hwnd hwnd)
{
    if (!isWindow(hwnd))
        return false;
    nativePaintNow();
    return true;
}

int WindowSystem::runMessageLoop()
{
    {
        SignalRoute route;
        nativeLoop();
    }
    quit_.store(false); // the quit is used up, as WM_QUIT is once taken
    return exitCode_.load();
}

int WindowSystem::pumpMessages()
{
    return nativePump();
}

bool WindowSystem::postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam)
{
    {
        std::lock_guard lock(mutex_);
        const bool exists = (hwnd == kMainWindow && created_) || find(hwnd) != nullptr;
        if (!exists)
            return false;
        queue_.push_back({hwnd, msg, wParam, lParam});
    }
    wake();
    return true;
}

void WindowSystem::postQuitMessage(int exitCode)
{
    exitCode_.store(exitCode);
    {
        std::lock_guard lock(mutex_); // ordered with the loop's wait for changes
        quit_.store(true);
    }
    wake();
}

void WindowSystem::invalidateRect(Hwnd hwnd, const Rect& rect)
{
    {
        std::lock_guard lock(mutex_);
        if (hwnd != kMainWindow || !created_)
            return;
        invalid_ = unite(invalid_, intersect(rect, client_));
    }
    wake();
}

Rect WindowSystem::getWindowRect(Hwnd hwnd) const
{
    std::lock_guard lock(mutex_);
    if (hwnd != kMainWindow || !created_)
        return {};
    if (iconified_)
    {
        // What a minimised window reports: a small caption far outside every screen.
        return {kMinimisedPosition, kMinimisedPosition, kMinimisedPosition + 160,
                kMinimisedPosition + kCaptionHeight};
    }
    return outer_;
}

bool WindowSystem::setTopmost(Hwnd hwnd, bool topmost)
{
    {
        std::lock_guard lock(mutex_);
        if (hwnd != kMainWindow || !created_)
            return false;
        topmost_ = topmost;
        topmostDirty_ = true;
    }
    wake();
    return true;
}

void WindowSystem::setControlBackground(ColorRef colour)
{
    {
        std::lock_guard lock(mutex_);
        controlBackground_ = colour;
        for (auto& [id, c] : controls_)
            markDirty(c, kDirtyState);
    }
    wake();
}

Hwnd WindowSystem::createControl(const ControlSpec& spec)
{
    {
        std::lock_guard lock(mutex_);
        if (!created_ || spec.id <= kMainWindow || spec.id > 0xFFFF || controls_.contains(spec.id))
            return kNoWindow;
        Control c;
        c.spec = spec;
        c.enabled = spec.enabled;
        c.checked = spec.kind == ControlKind::CheckBox && spec.checked;
        c.text = spec.caption;
        c.proc = defaultControlProc;
        controls_.emplace(spec.id, std::move(c));
    }
    nativeCreateControl(spec.id);
    return spec.id;
}

bool WindowSystem::isWindow(Hwnd hwnd) const
{
    std::lock_guard lock(mutex_);
    return (hwnd == kMainWindow && created_) || find(hwnd) != nullptr;
}

void WindowSystem::enableWindow(Hwnd hwnd, bool enable)
{
    {
        std::lock_guard lock(mutex_);
        Control* c = find(hwnd);
        if (c == nullptr || c->enabled == enable)
            return;
        c->enabled = enable;
        markDirty(*c, kDirtyState);
    }
    wake();
}

bool WindowSystem::isWindowEnabled(Hwnd hwnd) const
{
    std::lock_guard lock(mutex_);
    if (hwnd == kMainWindow)
        return created_;
    const Control* c = find(hwnd);
    return c != nullptr && c->enabled;
}

bool WindowSystem::isChecked(Hwnd hwnd) const
{
    std::lock_guard lock(mutex_);
    const Control* c = find(hwnd);
    return c != nullptr && c->spec.kind == ControlKind::CheckBox && c->checked;
}

bool WindowSystem::setButtonCheck(Hwnd hwnd, bool checked)
{
    {
        std::lock_guard lock(mutex_);
        Control* c = find(hwnd);
        if (c == nullptr || c->spec.kind != ControlKind::CheckBox)
            return false;
        if (c->checked == checked)
            return true;
        c->checked = checked;
        markDirty(*c, kDirtyState);
    }
    wake();
    return true;
}

std::string WindowSystem::getWindowText(Hwnd hwnd) const
{
    std::lock_guard lock(mutex_);
    if (hwnd == kMainWindow)
        return created_ ? cutToUtf16Units(title_, kMaxTextUnits) : std::string();
    const Control* c = find(hwnd);
    if (c == nullptr)
        return {};
    if (c->spec.kind == ControlKind::Combo)
    {
        if (c->selection < 0 || static_cast<std::size_t>(c->selection) >= c->items.size())
            return {};
        return cutToUtf16Units(c->items[static_cast<std::size_t>(c->selection)], kMaxTextUnits);
    }
    return cutToUtf16Units(c->text, kMaxTextUnits);
}

bool WindowSystem::setWindowText(Hwnd hwnd, std::string_view utf8)
{
    {
        std::lock_guard lock(mutex_);
        if (hwnd == kMainWindow)
        {
            if (!created_)
                return false;
            title_ = std::string(utf8);
            return true;
        }
        Control* c = find(hwnd);
        if (c == nullptr)
            return false;
        if (c->spec.kind == ControlKind::Combo)
        {
            // A drop-down list has no free text: show the value by selecting the item that reads the same.
            auto it = std::find(c->items.begin(), c->items.end(), utf8);
            if (it == c->items.end())
                return false;
            c->selection = static_cast<int>(it - c->items.begin());
            markDirty(*c, kDirtySelect);
        }
        else
        {
            c->text = std::string(utf8);
            markDirty(*c, kDirtyText);
        }
    }
    wake();
    return true;
}

void WindowSystem::comboResetContent(Hwnd hwnd)
{
    {
        std::lock_guard lock(mutex_);
        Control* c = find(hwnd);
        if (c == nullptr || c->spec.kind != ControlKind::Combo)
            return;
        c->items.clear();
        c->selection = CB_ERR;
        markDirty(*c, kDirtyItems | kDirtySelect);
    }
    wake();
}

int WindowSystem::comboAddString(Hwnd hwnd, std::string_view utf8)
{
    int index = CB_ERR;
    {
        std::lock_guard lock(mutex_);
        Control* c = find(hwnd);
        if (c == nullptr || c->spec.kind != ControlKind::Combo)
            return CB_ERR;
        c->items.emplace_back(utf8);
        index = static_cast<int>(c->items.size()) - 1;
        markDirty(*c, kDirtyItems);
    }
    wake();
    return index;
}

int WindowSystem::comboSetCurSel(Hwnd hwnd, int index)
{
    int result = CB_ERR;
    {
        std::lock_guard lock(mutex_);
        Control* c = find(hwnd);
        if (c == nullptr || c->spec.kind != ControlKind::Combo)
            return CB_ERR;
        // As CB_SETCURSEL: an index outside the list (or -1) clears the selection.
        const bool inRange = index >= 0 && static_cast<std::size_t>(index) < c->items.size();
        c->selection = inRange ? index : CB_ERR;
        result = c->selection;
        markDirty(*c, kDirtySelect);
    }
    wake();
    return result;
}

int WindowSystem::comboGetCurSel(Hwnd hwnd) const
{
    std::lock_guard lock(mutex_);
    const Control* c = find(hwnd);
    return c == nullptr || c->spec.kind != ControlKind::Combo ? CB_ERR : c->selection;
}

std::optional<std::string> WindowSystem::comboGetLbText(Hwnd hwnd, int index) const
{
    std::lock_guard lock(mutex_);
    const Control* c = find(hwnd);
    if (c == nullptr || c->spec.kind != ControlKind::Combo || index < 0 ||
        static_cast<std::size_t>(index) >= c->items.size())
    {
        return std::nullopt;
    }
    return c->items[static_cast<std::size_t>(index)];
}

WndProc WindowSystem::setWindowProc(Hwnd hwnd, WndProc proc)
{
    std::lock_guard lock(mutex_);
    if (proc == nullptr)
        return nullptr;
    if (hwnd == kMainWindow && created_)
        return std::exchange(mainProc_, proc);
    Control* c = find(hwnd);
    return c == nullptr ? nullptr : std::exchange(c->proc, proc);
}

bool WindowSystem::dispatchOne()
{
    Message m;
    WndProc proc = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty())
            return false;
        m = queue_.front();
        queue_.pop_front();
        if (m.hwnd == kMainWindow)
        {
            proc = mainProc_;
        }
        else if (const Control* c = find(m.hwnd))
        {
            proc = c->proc;
        }
    }
    if (proc != nullptr)
        proc(m.hwnd, m.msg, m.wParam, m.lParam);
    return true;
}

void WindowSystem::routeSignal()
{
    if (gSignalSeen.exchange(false))
        postMessage(kMainWindow, WM_CLOSE, 0, 0);
}

bool WindowSystem::signalWaiting()
{
    return gSignalSeen.load();
}

void WindowSystem::sendPaint(Canvas& canvas)
{
    WndProc proc = nullptr;
    {
        std::lock_guard lock(mutex_);
        proc = mainProc_;
    }
    if (proc != nullptr)
        proc(kMainWindow, WM_PAINT, 0, reinterpret_cast<LParam>(&canvas));
}

Rect WindowSystem::takeInvalid()
{
    std::lock_guard lock(mutex_);
    return std::exchange(invalid_, Rect{});
}

} // namespace oxl::win
