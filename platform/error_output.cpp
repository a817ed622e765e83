#include "platform/error_output.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <unistd.h>

namespace oxl::plat
{

bool writeErrorOutputNoWait(std::string_view text)
{
    // A pipe that polls writable takes PIPE_BUF bytes without blocking; the descriptor itself stays
    // blocking, as the processes that share it expect.
    pollfd out{STDERR_FILENO, POLLOUT, 0};
    int ready = 0;
    do
        ready = ::poll(&out, 1, 0);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0 || (out.revents & POLLOUT) == 0)
        return false;
    const std::size_t size = std::min<std::size_t>(text.size(), PIPE_BUF);
    return ::write(STDERR_FILENO, text.data(), size) == static_cast<ssize_t>(size);
}

} // namespace oxl::plat
