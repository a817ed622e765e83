// IPv4 UDP sockets: open, bind, receive one datagram with truncation detected, send one datagram.
#pragma once

#include "platform/net_socket.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxl::plat::net
{

/// A new IPv4 UDP socket; invalid on failure (lastError() tells why).
Socket openUdp();

/// Binds the socket to an IPv4 address text ("127.0.0.1", "0.0.0.0") and port (0 = any free port).
bool bindUdp(Socket& socket, std::string_view ipv4, std::uint16_t port);

/// Asks for a receive buffer of `bytes` (beyond the system's limit where the process may) and returns
/// the size the system grants, as it reports it; 0 when it can not say (lastError() tells why).
std::size_t setReceiveBuffer(Socket& socket, std::size_t bytes);

/// Asks the system to tell, with each datagram received, how many datagrams it dropped on the socket for
/// want of buffer room; false when it can not (lastError() tells why).
bool countDrops(Socket& socket);

/// What one receive call gave.
struct Datagram
{
    long received = 0;          ///< bytes stored in the buffer; -1 on error (lastError() tells why)
    std::size_t fullLength = 0; ///< the datagram's real length, larger than `received` when truncated
    std::uint32_t systemDrops =
        0;                        ///< datagrams the system dropped on the socket since it opened (countDrops)
    std::uint32_t senderIpv4 = 0; ///< the sender's IPv4 address, in host order (0 when not IPv4)
    std::uint16_t senderPort = 0; ///< the sender's port
};

/// The sender's address of a datagram as "a.b.c.d".
std::string senderText(const Datagram& got);

/// Receives one datagram into buffer[0..capacity); a longer datagram is cut and reported by fullLength.
Datagram receiveDatagram(Socket& socket, char* buffer, std::size_t capacity);

/// Sends one datagram to an IPv4 address and port; false on failure (lastError() tells why).
bool sendDatagram(Socket& socket, std::string_view ipv4, std::uint16_t port, std::string_view bytes);

} // namespace oxl::plat::net
