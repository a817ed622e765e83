// Stream sockets of either address family for the simulator link: a bounded connect by host and
// port text, loopback listeners, connected pairs, and the hand-over of a socket to the completion thread.
#pragma once

#include "platform/io_service.h"
#include "platform/net_socket.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

namespace oxl::plat::net
{

/// Address family of a TCP connection.
enum class IpFamily
{
    IPv4,
    IPv6
};

/// Connects by TCP to the first address that the lookup of host and port text gives for the family,
/// within `bound`; invalid on failure (lastError() tells why: 11001 unknown host, 10061 refused ...).
Socket connectTcpFamily(IpFamily family, const std::string& host, const std::string& portText,
                        std::chrono::milliseconds bound);

/// A socket listening on the loopback address of the family (port 0 takes a free port); invalid on
/// failure (lastError() tells why).
Socket openLoopbackListener(IpFamily family, std::uint16_t port);

/// A connected pair of local streams.
std::pair<Socket, Socket> streamPair();

/// Makes the socket's close reset the connection instead of ending it in order.
void resetOnClose(Socket& socket);

/// Hands a connected socket to the completion thread (non-blocking from then on).
IoChannelPtr toChannel(Socket&& socket);

} // namespace oxl::plat::net
