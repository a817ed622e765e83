// The TCP link with the traffic source when it runs on this PC: the program listens, asks the source
// for its version once, and then only sends lines: the user aircraft's state, the simulator's time for
// a professional source, and the exit line. A failed send means the source is gone.
#pragma once

#include "platform/net_socket.h"
#include "records/aircraft_records.h"
#include "traffic/source/traffic_display.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxl
{

/// Default of PORT_NUMBER, the TCP port the traffic source connects to.
inline constexpr std::string_view kDefaultSourcePort = "10747";

/// The user-state line "Qs121=...\r\n": pitch, bank and altitude scaled as whole numbers, heading, ground
/// velocity in its shortest form, latitude and longitude in radians.
std::string gf_formatQs121(const UserAcData& user);

/// The simulator-time line "Qs123={}\r\n" with the Unix seconds times 1000.
std::string gf_formatQs123(std::int64_t simUtcSeconds);

/// What the link needs of the rest of the engine.
class SourceLinkPort
{
  public:
    virtual ~SourceLinkPort() = default;
    /// The source is gone: takes the live aircraft out of the simulator.
    virtual void removeLiveAircraft() = 0;
    /// Resets both readers' state (QNH 1013, counts, stop flags).
    virtual void resetReaders() = 0;
    /// True while the cycle's exit reason is still NOT YET SET.
    virtual bool exitReasonNotSet() = 0;
};

/// No live aircraft to take out; the program's readers are reset, and the exit reason counts as not set
/// while no stop is requested.
class NoLinkNeighbours : public SourceLinkPort
{
  public:
    void removeLiveAircraft() override {}
    void resetReaders() override;
    bool exitReasonNotSet() override;
};

/// The traffic-source link: its listening socket, the accepted connection and the connected flag.
class SourceLink
{
  public:
    /// A link that shows its state on `display`.
    explicit SourceLink(TrafficDisplay& display) : display_(display) {}

    /// Installs the engine as the link sees it (not owned; it must outlive its installation); null
    /// restores the link on its own.
    void install(SourceLinkPort* port) { port_ = port != nullptr ? port : &noNeighbours_; }

    /// Set by the start-up checks when the traffic source is installed on this PC.
    std::atomic<std::uint8_t> sourceOnThisPc{0};

    /// Opens the listening socket on the port text; std::runtime_error with the failed step's text.
    void listenForRealTraffic(std::string_view portText);
    /// Opens the listening socket on the port of the PORT_NUMBER setting.
    void listenForRealTraffic();

    /// The handshake: waits for the source (until a stop is requested), asks its version, reads it.
    void gf_waitForRealTraffic();

    /// Accepts one connection arriving within `bound` (0 = only one already waiting), passing over those
    /// already closed by their peer (logged with their count); false when connected already, on a
    /// time-out or on a failure.
    bool waitForClient(std::chrono::milliseconds bound);

    /// Reads the version reply: bytes until they form one JSON value, the peer closes, or a few
    /// seconds pass; empty on error.
    std::string receive();

    /// Sends the text; on failure the connection is closed and false returned.
    bool sendDataPacket(std::string_view text);

    /// Reads the version reply: the professional level and the edition text.
    void gf_processRtVersion(std::string_view reply);

    /// Sends the simulator-time line when connected and seconds > 0.
    void gf_sendQs123(std::int64_t simUtcSeconds);

    /// Sends the user state, or takes a waiting re-connection; handles the loss of the source.
    void gf_sendUserState(const UserAcData& user);

    /// The closing down: the exit line when connected, then both sockets closed.
    void closeLink();

    /// True while a source is connected.
    bool connected() const { return connected_.load() != 0; }

    /// The port the listening socket is bound to, 0 without one.
    std::uint16_t listenPort() const;

  private:
    TrafficDisplay& display_;
    NoLinkNeighbours noNeighbours_;
    SourceLinkPort* port_ = &noNeighbours_;
    plat::net::Socket listener_;
    plat::net::Socket source_;
    std::atomic<std::uint8_t> connected_{0};
    plat::net::Wait lastWait_ = plat::net::Wait::timeout;
};

} // namespace oxl
