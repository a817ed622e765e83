#include "platform/net_tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace oxl::plat::net
{

namespace
{

// The Winsock numbers of the address lookup's failures, so its message reads as on Windows.
int lookupCode(int eaiError)
{
    switch (eaiError)
    {
    case EAI_NONAME:
        return 11001;
    case EAI_AGAIN:
        return 11002;
    case EAI_FAIL:
        return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return 11004;
#endif
    case EAI_SERVICE:
        return 10109;
    case EAI_FAMILY:
        return 10047;
    case EAI_SOCKTYPE:
        return 10044;
    case EAI_BADFLAGS:
        return 10022;
    case EAI_MEMORY:
        return 8;
    case EAI_SYSTEM:
        return winsockCode(errno);
    default:
        return eaiError;
    }
}

Listener failed(ListenStep step)
{
    Listener result;
    result.failedAt = step;
    result.error = winsockCode(errno);
    setLastError(errno);
    return result;
}

} // namespace

Listener openTcpListener(std::string_view portText)
{
    ignoreSigpipe();
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string port(portText);
    // Loopback only: the port serves a program on this PC, and no other machine may take its place.
    if (const int rc = ::getaddrinfo("127.0.0.1", port.c_str(), &hints, &found); rc != 0)
    {
        Listener result;
        result.failedAt = ListenStep::lookup;
        result.error = lookupCode(rc);
        return result;
    }
    struct Free
    {
        addrinfo* list;
        ~Free() { ::freeaddrinfo(list); }
    } freeLater{found};

    Socket socket(::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol));
    if (!socket.valid())
        return failed(ListenStep::socket);
    int off = 0;
    if (::ioctl(socket.fd(), FIONBIO, &off) != 0)
        return failed(ListenStep::blocking);
    const int on = 1;
    if (::setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        return failed(ListenStep::reuse);
    if (::bind(socket.fd(), found->ai_addr, found->ai_addrlen) != 0)
        return failed(ListenStep::bind);
    if (::listen(socket.fd(), SOMAXCONN) != 0)
        return failed(ListenStep::listen);
    Listener result;
    result.socket = std::move(socket);
    return result;
}

Socket acceptWithin(const Socket& listener, std::chrono::milliseconds bound, Wait& waited)
{
    if (!listener.valid())
    {
        setLastError(EBADF);
        waited = Wait::error;
        return Socket();
    }
    waited = waitReadable(listener, bound);
    if (waited != Wait::ready)
        return Socket();
    Socket accepted(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!accepted.valid())
    {
        setLastError(errno);
        waited = Wait::error;
    }
    return accepted;
}

bool closedByPeer(const Socket& socket)
{
    // POLLRDHUP tells of the peer's close even with bytes it sent before still unread; a peek alone
    // would see those bytes and take the connection for a live one.
    pollfd watched{socket.fd(), POLLRDHUP, 0};
    const int ready = ::poll(&watched, 1, 0);
    if (ready < 0)
    {
        if (errno == EINTR)
            return false;
        setLastError(errno);
        return true;
    }
    if (ready > 0 && (watched.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0)
    {
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error != 0)
            setLastError(error);
        return true;
    }
    return false;
}

bool setNoDelay(Socket& socket)
{
    const int on = 1;
    if (::setsockopt(socket.fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0)
    {
        setLastError(errno);
        return false;
    }
    return true;
}

bool setSendTimeout(Socket& socket, std::chrono::milliseconds bound)
{
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(bound.count() / 1000);
    limit.tv_usec = static_cast<suseconds_t>((bound.count() % 1000) * 1000);
    if (::setsockopt(socket.fd(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0)
    {
        setLastError(errno);
        return false;
    }
    return true;
}

long receiveWithin(Socket& socket, char* buffer, std::size_t capacity, std::chrono::milliseconds bound)
{
    const Wait waited = waitReadable(socket, bound);
    if (waited == Wait::timeout)
        return -2;
    if (waited == Wait::error)
        return -1;
    const ssize_t n = ::recv(socket.fd(), buffer, capacity, 0);
    if (n < 0)
    {
        setLastError(errno);
        return -1;
    }
    return static_cast<long>(n);
}

bool sendAll(Socket& socket, std::string_view bytes)
{
    while (!bytes.empty())
    {
        const ssize_t n = ::send(socket.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            setLastError(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

Socket connectTcp(std::string_view ipv4, std::uint16_t port, std::chrono::milliseconds bound)
{
    ignoreSigpipe();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const std::string text(ipv4);
    if (::inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1)
    {
        setLastError(EINVAL);
        return Socket();
    }
    Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP));
    if (!socket.valid())
    {
        setLastError(errno);
        return Socket();
    }
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    {
        if (errno != EINPROGRESS)
        {
            setLastError(errno);
            return Socket();
        }
        pollfd entry{socket.fd(), POLLOUT, 0};
        const int n = ::poll(&entry, 1, static_cast<int>(bound.count()));
        if (n <= 0)
        {
            setLastError(n == 0 ? ETIMEDOUT : errno);
            return Socket();
        }
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0)
        {
            setLastError(error);
            return Socket();
        }
    }
    const int flags = ::fcntl(socket.fd(), F_GETFL);
    ::fcntl(socket.fd(), F_SETFL, flags & ~O_NONBLOCK);
    return socket;
}

} // namespace oxl::plat::net
