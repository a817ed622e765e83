#include "platform/net_socket.h"

#include <cerrno>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace oxl::plat::net
{

namespace
{
thread_local int tLastErrno = 0;
} // namespace

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other)
    {
        close();
        fd_ = other.release();
    }
    return *this;
}

void Socket::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int Socket::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

int winsockCode(int errnoValue)
{
    // Winsock numbers are the BSD errno values offset by 10000; Linux numbers them differently.
    static const std::unordered_map<int, int> codes{
        {EINTR, 10004},         {EBADF, 10009},        {EACCES, 10013},          {EFAULT, 10014},
        {EINVAL, 10022},        {EMFILE, 10024},       {EAGAIN, 10035},          {EINPROGRESS, 10036},
        {EALREADY, 10037},      {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},
        {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
        {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},
        {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {EPIPE, 10054},           {ENOBUFS, 10055},
        {EISCONN, 10056},       {ENOTCONN, 10057},     {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059},
        {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},
        {EHOSTDOWN, 10064},     {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},       {EUSERS, 10068},
        {EDQUOT, 10069},        {ESTALE, 10070},       {EREMOTE, 10071},
    };
    const auto it = codes.find(errnoValue);
    return it == codes.end() ? errnoValue : it->second;
}

int lastError()
{
    return winsockCode(tLastErrno);
}

void setLastError(int errnoValue)
{
    tLastErrno = errnoValue;
}

void ignoreSigpipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}

Wait waitReadable(const Socket& socket, std::chrono::milliseconds bound)
{
    pollfd entry{socket.fd(), POLLIN, 0};
    const int n = ::poll(&entry, 1, static_cast<int>(bound.count()));
    if (n > 0)
        return Wait::ready;
    if (n == 0 || errno == EINTR)
        return Wait::timeout;
    setLastError(errno);
    return Wait::error;
}

std::uint16_t localPort(const Socket& socket)
{
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 0;
    return ntohs(address.sin_port);
}

} // namespace oxl::plat::net
