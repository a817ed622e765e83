// IPv4 TCP: a listening server socket built step by step, bounded accepts and receives, whole sends
// that never raise SIGPIPE, and a bounded client connect.
#pragma once

#include "platform/net_socket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace oxl::plat::net
{

/// The set-up step of a listening socket that failed.
enum class ListenStep
{
    none,     ///< all steps succeeded
    lookup,   ///< the address lookup of the port text
    socket,   ///< creating the socket
    blocking, ///< switching the socket to blocking mode
    reuse,    ///< switching address reuse on
    bind,     ///< binding to the looked-up address
    listen,   ///< starting to listen
};

/// A listening socket, or the step that failed with its Winsock error number.
struct Listener
{
    Socket socket;                          ///< valid when failedAt is none
    ListenStep failedAt = ListenStep::none; ///< the failed step
    int error = 0; ///< Winsock number of the failure (the lookup's own code for lookup)
};

/// Opens an IPv4 TCP socket on the loopback address (127.0.0.1) and the port text, with address reuse,
/// listening with the largest backlog. SIGPIPE is ignored from then on.
Listener openTcpListener(std::string_view portText);

/// Accepts one connection that arrives within `bound` (0 = only one already waiting). An invalid socket
/// on a time-out or failure; `waited` tells which.
Socket acceptWithin(const Socket& listener, std::chrono::milliseconds bound, Wait& waited);

/// True when the peer has already closed (or reset) the connection, seen without waiting and without
/// taking any byte that it sent.
bool closedByPeer(const Socket& socket);

/// Switches Nagle's algorithm off; false on failure (lastError() tells why).
bool setNoDelay(Socket& socket);

/// Bounds every later send on the socket, so that a peer that stops reading cannot block the sender for
/// long; false on failure (lastError() tells why).
bool setSendTimeout(Socket& socket, std::chrono::milliseconds bound);

/// One receive of at most `capacity` bytes that waits at most `bound`: the count (0 = closed by the
/// peer), -1 on error (lastError() tells why), -2 when nothing arrived in time.
long receiveWithin(Socket& socket, char* buffer, std::size_t capacity, std::chrono::milliseconds bound);

/// Sends all bytes; false on failure (lastError() tells why). A closed peer gives an error, no signal.
bool sendAll(Socket& socket, std::string_view bytes);

/// Connects to an IPv4 address and port within `bound`; invalid on failure (lastError() tells why).
Socket connectTcp(std::string_view ipv4, std::uint16_t port, std::chrono::milliseconds bound);

} // namespace oxl::plat::net
