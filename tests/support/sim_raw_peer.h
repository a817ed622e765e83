// The simulator's end of one link, byte by byte: tests read exactly what the client sent and write
// exactly the bytes they want the client to frame.
#pragma once

#include "platform/local_pipe.h"
#include "platform/net_socket.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxl::test
{

// The pipe path the client opens when nothing is configured.
inline constexpr const char* kDefaultSimPipe = "\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect";

// A listening peer that takes one client connection.
class RawSimPeer
{
  public:
    // Listens at a pipe path (OXL_PIPE_DIR must be set first).
    bool listenPipe(const std::string& pipePath = kDefaultSimPipe);
    // Listens on a free TCP port of 127.0.0.1.
    bool listenTcp();
    // The TCP port (0 for a pipe).
    std::uint16_t port() const { return port_; }
    // Takes the waiting client connection (bounded wait).
    bool accept(std::chrono::milliseconds bound = std::chrono::seconds(10));
    // Reads exactly n bytes, or what came within the bound.
    std::string read(std::size_t n, std::chrono::milliseconds bound = std::chrono::seconds(10));
    // Reads one whole client message (by its size field).
    std::string readMessage(std::chrono::milliseconds bound = std::chrono::seconds(10));
    // Writes bytes as one send.
    bool write(std::string_view bytes);
    // Ends the connection in order.
    void close();
    // Ends the connection with a reset.
    void reset();

  private:
    plat::LocalPipeListener pipe_;
    plat::net::Socket tcp_;
    plat::net::Socket conn_;
    std::uint16_t port_ = 0;
};

// Little-endian field of a byte string.
std::uint32_t u32At(std::string_view bytes, std::size_t offset);
// Appends a little-endian u32.
void putU32(std::string& out, std::uint32_t v);
// A receive message: header (size, version 4, id) and body.
std::string recvMessage(std::uint32_t id, std::string_view body = {});

} // namespace oxl::test
