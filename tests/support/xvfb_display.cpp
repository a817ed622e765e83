#include "tests/support/xvfb_display.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace oxl::test
{
namespace
{

constexpr int kStartLimitMs = 30000; // [ms] a loaded machine may take a while to start a server
constexpr int kWaitRounds = 2000;    // of 10 ms

// A connection of the test's own to the display, closed when it goes.
class Connection
{
  public:
    explicit Connection(const std::string& name) : display_(XOpenDisplay(name.c_str())) {}
    ~Connection()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* get() const { return display_; }

  private:
    Display* display_;
};

// The top-level window with this title, looked for among the root's children and theirs (a window
// manager's frames); 0 when there is none.
Window findWindow(Display* d, Window parent, const std::string& title, int depth)
{
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned n = 0;
    if (XQueryTree(d, parent, &root, &up, &children, &n) == 0)
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && found == 0; ++i)
    {
        char* name = nullptr;
        if (XFetchName(d, children[i], &name) != 0 && name != nullptr)
        {
            if (title == name)
                found = children[i];
            XFree(name);
        }
        if (found == 0 && depth > 0)
            found = findWindow(d, children[i], title, depth - 1);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

} // namespace

bool XvfbDisplay::waitForGrab(bool held) const
{
    Connection c(name_);
    if (c.get() == nullptr)
        return false;
    for (int i = 0; i < kWaitRounds; ++i)
    {
        const int result = XGrabPointer(c.get(), DefaultRootWindow(c.get()), False, 0, GrabModeAsync,
                                        GrabModeAsync, None, None, CurrentTime);
        if (result == GrabSuccess)
            XUngrabPointer(c.get(), CurrentTime);
        XSync(c.get(), False);
        if ((result == AlreadyGrabbed) == held)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool XvfbDisplay::closeWindow(const std::string& title) const
{
    Connection c(name_);
    if (c.get() == nullptr)
        return false;
    const Window w = findWindow(c.get(), DefaultRootWindow(c.get()), title, 2);
    if (w == 0)
        return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(c.get(), "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(c.get(), "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(c.get(), w, False, NoEventMask, &e) != 0;
    XSync(c.get(), False);
    return sent;
}

std::optional<std::pair<int, int>> XvfbDisplay::outerCorner(const std::string& title) const
{
    Connection c(name_);
    if (c.get() == nullptr)
        return std::nullopt;
    Window w = findWindow(c.get(), DefaultRootWindow(c.get()), title, 2);
    for (;;) // up to the root's child that holds it
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned n = 0;
        if (w == 0 || XQueryTree(c.get(), w, &root, &parent, &children, &n) == 0)
            return std::nullopt;
        if (children != nullptr)
            XFree(children);
        if (parent == root)
            break;
        w = parent;
    }
    XWindowAttributes a{};
    if (XGetWindowAttributes(c.get(), w, &a) == 0)
        return std::nullopt;
    return std::pair{a.x, a.y};
}

bool XvfbDisplay::startWindowManager()
{
    // Everything the child needs is made before the fork: the test runs threads.
    std::vector<std::string> env{"DISPLAY=" + name_};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0)
            env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char program[] = "openbox";
    char* argv[] = {program, nullptr};
    windowManager_ = ::fork();
    if (windowManager_ == 0)
    {
        ::execvpe(program, argv, envp.data());
        ::_exit(127);
    }
    Connection c(name_);
    if (windowManager_ < 0 || c.get() == nullptr)
        return false;
    // A window manager owns the selection WM_S<screen> while it runs.
    const Atom selection =
        XInternAtom(c.get(), ("WM_S" + std::to_string(DefaultScreen(c.get()))).c_str(), False);
    for (int i = 0; i < kWaitRounds; ++i)
    {
        if (XGetSelectionOwner(c.get(), selection) != None)
            return true;
        int status = 0;
        if (::waitpid(windowManager_, &status, WNOHANG) == windowManager_)
        {
            windowManager_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

XvfbDisplay::XvfbDisplay()
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
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x800x24",
                 static_cast<char*>(nullptr));
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
    while (::poll(&p, 1, kStartLimitMs) > 0)
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
}

XvfbDisplay::~XvfbDisplay()
{
    if (windowManager_ > 0)
    {
        ::kill(windowManager_, SIGTERM);
        int status = 0;
        ::waitpid(windowManager_, &status, 0);
    }
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

} // namespace oxl::test
