// Sockets of the operating system behind a small owning handle, with errors reported as the Winsock
// numbers that the program's messages are written for ("10048 Address already in use").
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxl::plat::net
{

/// An owned socket descriptor; closes it when destroyed.
class Socket
{
  public:
    Socket() = default;
    /// Takes ownership of a descriptor (-1 = none).
    explicit Socket(int fd) : fd_(fd) {}
    Socket(Socket&& other) noexcept : fd_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { close(); }

    /// True while a descriptor is held.
    bool valid() const { return fd_ >= 0; }
    /// The descriptor, -1 when none.
    int fd() const { return fd_; }
    /// Closes the descriptor when one is held.
    void close();
    /// Gives the descriptor up without closing it.
    int release();

  private:
    int fd_ = -1;
};

/// Outcome of a bounded wait on a socket.
enum class Wait
{
    ready,   ///< the socket can be read (or accepted on)
    timeout, ///< nothing arrived within the bound
    error,   ///< the wait failed; lastError() tells why
};

/// Winsock number of an errno value (EADDRINUSE gives 10048); values without a twin pass through.
int winsockCode(int errnoValue);

/// Winsock number of the calling thread's last socket error.
int lastError();

/// Sets the calling thread's last socket error, for failures found without a system call.
void setLastError(int errnoValue);

/// Ignores SIGPIPE for the whole process, so a send to a closed peer fails instead of ending it.
void ignoreSigpipe();

/// Waits at most `bound` until the socket is readable. Interrupted waits count as time-outs.
Wait waitReadable(const Socket& socket, std::chrono::milliseconds bound);

/// The local port the socket is bound to, 0 when unknown.
std::uint16_t localPort(const Socket& socket);

} // namespace oxl::plat::net
