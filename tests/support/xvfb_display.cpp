#include "tests/support/xvfb_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace oxl::test
{
namespace
{

constexpr int kWaitRounds = kEventLimit / 10; // of 10 ms

// A connection of the test's own to the display.
using Connection = std::unique_ptr<Display, int (*)(Display*)>;
Connection connect(const std::string& name)
{
    return {XOpenDisplay(name.c_str()), XCloseDisplay};
}

void pause()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// The root's child that holds the window: the window manager's frame around it, or the window itself.
Window topOf(Display* d, Window w)
{
    for (;;)
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned n = 0;
        if (XQueryTree(d, w, &root, &parent, &children, &n) == 0)
            return 0;
        XFree(children);
        if (parent == root)
            return w;
        w = parent;
    }
}

} // namespace

bool waitUntil(const std::function<bool()>& yes)
{
    for (int i = 0; i < kWaitRounds; ++i, pause())
        if (yes())
            return true;
    return false;
}

bool XvfbDisplay::waitForGrab(bool held) const
{
    const Connection c = connect(name_);
    for (int i = 0; c && i < kWaitRounds; ++i, pause())
    {
        const int result = XGrabPointer(c.get(), DefaultRootWindow(c.get()), False, 0, GrabModeAsync,
                                        GrabModeAsync, None, None, CurrentTime);
        XUngrabPointer(c.get(), CurrentTime);
        XSync(c.get(), False);
        if ((result == AlreadyGrabbed) == held)
            return true;
    }
    return false;
}

bool XvfbDisplay::waitForColour(int x, int y, unsigned long rgb) const
{
    const Connection c = connect(name_);
    for (int i = 0; c && i < kWaitRounds; ++i, pause())
        if (XImage* image = XGetImage(c.get(), DefaultRootWindow(c.get()), x, y, 1, 1, AllPlanes, ZPixmap))
        {
            const bool shown = (XGetPixel(image, 0, 0) & 0xFFFFFFu) == rgb;
            XDestroyImage(image);
            if (shown)
                return true;
        }
    return false;
}

std::optional<unsigned long> XvfbDisplay::window(const std::string& title) const
{
    const std::string search =
        "DISPLAY=" + name_ + " xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null";
    const std::unique_ptr<FILE, int (*)(FILE*)> found(::popen(search.c_str(), "r"), ::pclose);
    unsigned long w = 0;
    return found && std::fscanf(found.get(), "%lu", &w) == 1 ? std::optional{w} : std::nullopt;
}

std::optional<std::pair<int, int>> XvfbDisplay::outerCorner(const std::string& title) const
{
    const Connection c = connect(name_);
    const std::optional<unsigned long> client = window(title);
    XWindowAttributes a{};
    if (!client || !c || XGetWindowAttributes(c.get(), topOf(c.get(), *client), &a) == 0)
        return std::nullopt;
    return std::pair{a.x, a.y};
}

bool XvfbDisplay::startWindowManager() const
{
    if (std::system(("DISPLAY=" + name_ + " openbox >/dev/null 2>&1 &").c_str()) != 0)
        return false;
    // It manages windows once it frames one: a window mapped while it still starts stays unmapped, so the
    // probe (it goes with the connection) is mapped again until it is framed.
    const Connection c = connect(name_);
    const Window probe =
        c ? XCreateSimpleWindow(c.get(), DefaultRootWindow(c.get()), 0, 0, 1, 1, 0, 0, 0) : 0;
    for (int i = 0; c && i < kWaitRounds; ++i, pause())
        if (XMapWindow(c.get(), probe); topOf(c.get(), probe) != probe)
            return true;
    return false;
}

bool XvfbDisplay::setWorkArea(int x, int y, int width, int height) const
{
    const Connection c = connect(name_);
    const long area[] = {x, y, width, height};
    return c && XChangeProperty(c.get(), DefaultRootWindow(c.get()),
                                XInternAtom(c.get(), "_NET_WORKAREA", False), XA_CARDINAL, 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(area), 4) != 0;
}

XvfbDisplay::XvfbDisplay(int monitors)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
    {
        error_ = std::strerror(errno);
        return;
    }
    // Xvfb picks the first free display number itself and writes it to this descriptor.
    const std::string fd = std::to_string(fds[1]);
    pid_ = ::fork();
    if (pid_ == 0)
    {
        ::fcntl(fds[1], F_SETFD, 0);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        // What a test sets on the display stays when its last client goes (no reset).
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-screen", "0",
                 monitors == 2 ? "2560x800x24" : "1280x800x24", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid_ < 0)
    {
        error_ = std::strerror(errno);
        ::close(fds[0]);
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, kEventLimit) > 0)
    {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty())
    {
        error_ = "Xvfb did not report a display (is the xvfb package installed?)";
        return;
    }
    name_ = ":" + number;
    const std::string xrandr = "DISPLAY=" + name_ + " xrandr --setmonitor ";
    if (monitors == 2 && std::system((xrandr + "left 1280/338x800/211+0+0 screen >/dev/null && " + xrandr +
                                      "right 1280/338x800/211+1280+0 none >/dev/null")
                                         .c_str()) != 0)
    {
        error_ = "xrandr did not split the screen (scripts/install-deps.sh installs it)";
        name_.clear();
    }
}

XvfbDisplay::~XvfbDisplay()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

} // namespace oxl::test
