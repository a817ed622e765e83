// The stand-in for named pipes: a pipe path "\\.\pipe\Name" is a Unix-domain stream socket named
// after the pipe in the folder OXL_PIPE_DIR, else in the user's own plat::runtimeFolder.
#pragma once

#include "platform/net_socket.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace oxl::plat
{

/// Outcome of opening a pipe.
enum class PipeOpenResult
{
    ok,
    notFound,   ///< no such pipe, or its server is gone
    busy,       ///< the server took no connection within the wait
    remoteHost, ///< a host other than ".", or a path that is not a pipe path
};

/// The socket file of a pipe path (case ignored, '\' in the name as '_'); nullopt for a remote host,
/// a path that is not a pipe path, a name too long for a socket address, or no folder to hold it.
std::optional<std::filesystem::path> localPipeSocketPath(const std::string& pipePath);

/// Opens the pipe; while its server is busy it tries again for up to `busyWait`.
net::Socket openLocalPipe(const std::string& pipePath, std::chrono::milliseconds busyWait,
                          PipeOpenResult& result);

/// The server side of a pipe: listens at its socket file and removes the file at the end.
class LocalPipeListener
{
  public:
    LocalPipeListener() = default;
    LocalPipeListener(LocalPipeListener&&) noexcept = default;
    LocalPipeListener& operator=(LocalPipeListener&&) noexcept;
    ~LocalPipeListener();

    /// Listens at the pipe path with the given backlog of waiting connections; false on failure.
    bool open(const std::string& pipePath, int backlog);
    /// The listening socket (accept with net::acceptWithin).
    const net::Socket& socket() const { return socket_; }
    /// Stops listening and removes the socket file.
    void close();

  private:
    net::Socket socket_;
    std::filesystem::path file_;
};

} // namespace oxl::plat
