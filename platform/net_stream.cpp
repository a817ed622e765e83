// getaddrinfo with the family, a non-blocking connect with a bounded wait, loopback binds.
#include "platform/net_stream.h"

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace oxl::plat::net
{

namespace
{

bool writableWithin(int fd, std::chrono::milliseconds bound)
{
    pollfd p{fd, POLLOUT, 0};
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() < 0)
            return false;
        int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

Socket connectTcpFamily(IpFamily family, const std::string& host, const std::string& portText,
                        std::chrono::milliseconds bound)
{
    ignoreSigpipe();
    addrinfo hints{};
    hints.ai_family = family == IpFamily::IPv6 ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), portText.c_str(), &hints, &list) != 0 || !list)
    {
        setLastError(EHOSTUNREACH);
        return Socket();
    }
    Socket s(::socket(list->ai_family, list->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, list->ai_protocol));
    int err = s.valid() ? 0 : errno;
    if (s.valid() && ::connect(s.fd(), list->ai_addr, list->ai_addrlen) != 0)
    {
        err = errno;
        if (err == EINPROGRESS)
        {
            // The wait is bounded: an unreachable host must not hold the caller for minutes.
            err = ETIMEDOUT;
            if (writableWithin(s.fd(), bound))
            {
                socklen_t len = sizeof err;
                getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &err, &len);
            }
        }
    }
    freeaddrinfo(list);
    if (err != 0)
    {
        setLastError(err);
        return Socket();
    }
    fcntl(s.fd(), F_SETFL, fcntl(s.fd(), F_GETFL) & ~O_NONBLOCK);
    return s;
}

Socket openLoopbackListener(IpFamily family, std::uint16_t port)
{
    ignoreSigpipe();
    const int af = family == IpFamily::IPv6 ? AF_INET6 : AF_INET;
    Socket s(::socket(af, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid())
    {
        setLastError(errno);
        return s;
    }
    int one = 1;
    setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage ss{};
    socklen_t len;
    if (af == AF_INET6)
    {
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_loopback;
        a->sin6_port = htons(port);
        len = sizeof *a;
    }
    else
    {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a->sin_port = htons(port);
        len = sizeof *a;
    }
    if (::bind(s.fd(), reinterpret_cast<sockaddr*>(&ss), len) != 0 || ::listen(s.fd(), SOMAXCONN) != 0)
    {
        setLastError(errno);
        return Socket();
    }
    return s;
}

std::pair<Socket, Socket> streamPair()
{
    int fds[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        setLastError(errno);
    return {Socket(fds[0]), Socket(fds[1])};
}

void resetOnClose(Socket& socket)
{
    linger lg{1, 0};
    setsockopt(socket.fd(), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
}

IoChannelPtr toChannel(Socket&& socket)
{
    const int fd = socket.release();
    if (fd < 0)
        return nullptr;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return adoptDescriptor(fd);
}

} // namespace oxl::plat::net
