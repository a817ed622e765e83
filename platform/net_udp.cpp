#include "platform/net_udp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fmt/format.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/uio.h>

namespace oxl::plat::net
{

namespace
{

bool toAddress(std::string_view ipv4, std::uint16_t port, sockaddr_in& address)
{
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const std::string text(ipv4);
    if (::inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1)
    {
        setLastError(EINVAL);
        return false;
    }
    return true;
}

} // namespace

Socket openUdp()
{
    Socket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
    if (!socket.valid())
        setLastError(errno);
    return socket;
}

bool bindUdp(Socket& socket, std::string_view ipv4, std::uint16_t port)
{
    sockaddr_in address;
    if (!toAddress(ipv4, port, address))
        return false;
    if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    {
        setLastError(errno);
        return false;
    }
    return true;
}

std::size_t setReceiveBuffer(Socket& socket, std::size_t bytes)
{
    const int asked = bytes > static_cast<std::size_t>(INT_MAX / 2) ? INT_MAX / 2 : static_cast<int>(bytes);
    // The forced form passes net.core.rmem_max for a privileged process; others get at most that limit.
    if (::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVBUFFORCE, &asked, sizeof asked) != 0)
        (void)::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVBUF, &asked, sizeof asked);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (::getsockopt(socket.fd(), SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
    {
        setLastError(errno);
        return 0;
    }
    return granted > 0 ? static_cast<std::size_t>(granted) : 0;
}

bool countDrops(Socket& socket)
{
    const int on = 1;
    if (::setsockopt(socket.fd(), SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on) != 0)
    {
        setLastError(errno);
        return false;
    }
    return true;
}

Datagram receiveDatagram(Socket& socket, char* buffer, std::size_t capacity)
{
    iovec data{buffer, capacity};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
    sockaddr_in sender{};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    // MSG_TRUNC makes the call return the datagram's real length, so an oversize datagram is seen as
    // such instead of arriving silently cut.
    const ssize_t n = ::recvmsg(socket.fd(), &message, MSG_TRUNC);
    if (n < 0)
    {
        setLastError(errno);
        return {-1, 0, 0};
    }
    const auto full = static_cast<std::size_t>(n);
    Datagram got{static_cast<long>(full < capacity ? full : capacity), full, 0};
    if (message.msg_namelen >= sizeof sender && sender.sin_family == AF_INET)
    {
        got.senderIpv4 = ntohl(sender.sin_addr.s_addr);
        got.senderPort = ntohs(sender.sin_port);
    }
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL)
            std::memcpy(&got.systemDrops, CMSG_DATA(c), sizeof got.systemDrops);
    return got;
}

std::string senderText(const Datagram& got)
{
    return fmt::format("{}.{}.{}.{}", got.senderIpv4 >> 24, (got.senderIpv4 >> 16) & 0xff,
                       (got.senderIpv4 >> 8) & 0xff, got.senderIpv4 & 0xff);
}

bool sendDatagram(Socket& socket, std::string_view ipv4, std::uint16_t port, std::string_view bytes)
{
    sockaddr_in address;
    if (!toAddress(ipv4, port, address))
        return false;
    const ssize_t n = ::sendto(socket.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (n < 0)
    {
        setLastError(errno);
        return false;
    }
    return true;
}

} // namespace oxl::plat::net
