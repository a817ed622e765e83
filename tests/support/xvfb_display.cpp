#include "tests/support/xvfb_display.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace oxl::test
{
namespace
{

constexpr int kStartLimitMs = 30000; // [ms] a loaded machine may take a while to start a server

} // namespace

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
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

} // namespace oxl::test
