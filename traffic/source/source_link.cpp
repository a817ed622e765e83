#include "traffic/source/source_link.h"

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/strings.h"
#include "foundation/time_text.h"
#include "foundation/units.h"
#include "platform/net_tcp.h"
#include "traffic/source/source_state.h"
#include "traffic/source/udp_readers.h"
#include "traffic/source/wsa_error_text.h"

#include <charconv>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace oxl
{

namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kReceiveBufferSize = 16384;
// A send that the source does not take within this bound counts as a failed send (the main loop sends).
constexpr auto kSendBound = 1000ms;
// The handshake's accept tests the stop flags this often.
constexpr auto kAcceptPoll = 250ms;
// The version reply must be complete within this time ...
constexpr auto kReplyBound = 5000ms;
// ... and ends early when the source has sent something and then stays quiet this long.
constexpr auto kReplyQuietGap = 500ms;
// At most a full queue of closed connections is passed over in one call, so that the main loop goes on.
constexpr std::int64_t kMaxPassedOver = 4096;

bool stopRequested()
{
    return gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0;
}

// The shortest text that reads back as the same value (500000 gives 5e+05), as the source expects.
std::string shortest(double value)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, ec == std::errc() ? end : text);
}

} // namespace

std::string gf_formatQs121(const UserAcData& user)
{
    // Pitch, bank and altitude go out as whole numbers: one significant digit would send 36000 ft as
    // 40000 ft.
    return fmt::format("Qs121={:.0f};{:.0f};{:.6f};{:.0f};{};{:.6f};{:.6f}\r\n", user.pitch * 100000.0,
                       user.bank * 100000.0, user.heading, user.alt * 1000.0,
                       shortest(user.groundVelocity * 1000.0), user.lat * kDegToRad, user.lon * kDegToRad);
}

std::string gf_formatQs123(std::int64_t simUtcSeconds)
{
    return fmt::format("Qs123={}\r\n", simUtcSeconds * 1000);
}

void SourceLink::listenForRealTraffic(std::string_view portText)
{
    plat::net::Listener opened = plat::net::openTcpListener(portText);
    switch (opened.failedAt)
    {
    case plat::net::ListenStep::none:
        listener_ = std::move(opened.socket);
        return;
    case plat::net::ListenStep::lookup:
        throw std::runtime_error(fmt::format("getaddrinfo failed with error {}", opened.error));
    case plat::net::ListenStep::socket:
        throw std::runtime_error("socket failed with error " + gf_wsaErrorText(opened.error));
    case plat::net::ListenStep::blocking:
        throw std::runtime_error("ioctlsocket failed with error " + gf_wsaErrorText(opened.error));
    case plat::net::ListenStep::reuse:
        throw std::runtime_error("setsockopt(SO_REUSEADDR) failed");
    case plat::net::ListenStep::bind:
        throw std::runtime_error(
            fmt::format("Bind failed at port {} with error {}", portText, gf_wsaErrorText(opened.error)));
    case plat::net::ListenStep::listen:
        throw std::runtime_error("listen failed with error " + gf_wsaErrorText(opened.error));
    }
}

void SourceLink::listenForRealTraffic()
{
    listenForRealTraffic(PORT_NUMBER.value());
}

std::uint16_t SourceLink::listenPort() const
{
    return listener_.valid() ? plat::net::localPort(listener_) : 0;
}

bool SourceLink::waitForClient(std::chrono::milliseconds bound)
{
    if (connected())
        return false;
    // Connections that closed while they waited in the queue are passed over at once, so that a source
    // coming back is not kept waiting behind them; only the first accept waits.
    plat::net::Socket accepted;
    std::int64_t passedOver = 0;
    for (;;)
    {
        accepted = plat::net::acceptWithin(listener_, passedOver == 0 ? bound : 0ms, lastWait_);
        if (!accepted.valid() || !plat::net::closedByPeer(accepted))
            break;
        accepted.close();
        if (++passedOver == kMaxPassedOver)
        {
            lastWait_ = plat::net::Wait::timeout;
            break;
        }
    }
    if (passedOver > 0)
        gf_logIfRunning(fmt::format("{} closed connection{} to the RealTraffic port passed over", passedOver,
                                    gf_pluralS(passedOver)));
    if (!accepted.valid())
        return false;
    if (!plat::net::setNoDelay(accepted))
    {
        const std::string error = fmt::format("{} setsockopt failed with error {}", gf_nowTimeOfDay(),
                                              gf_wsaErrorText(plat::net::lastError()));
        gf_logIfRunning(fmt::format("waitForClient interrupted: {}", error));
        // The socket is closed here: the source sees the refusal and connects again.
        return false;
    }
    plat::net::setSendTimeout(accepted, kSendBound);
    source_ = std::move(accepted);
    connected_.exchange(1);
    return true;
}

std::string SourceLink::receive()
{
    std::string reply;
    if (!source_.valid())
        return reply;
    char buffer[kReceiveBufferSize];
    const auto deadline = Clock::now() + kReplyBound;
    while (!stopRequested())
    {
        const auto now = Clock::now();
        if (now >= deadline)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        const auto bound = reply.empty() ? std::min<std::chrono::milliseconds>(left, kAcceptPoll)
                                         : std::min<std::chrono::milliseconds>(left, kReplyQuietGap);
        const long n = plat::net::receiveWithin(source_, buffer, sizeof buffer, bound);
        if (n == -2)
        {
            if (reply.empty())
                continue;
            break;
        }
        if (n < 0)
        {
            gf_logIfRunning(fmt::format("receive: {}", gf_wsaErrorText(plat::net::lastError())));
            return {};
        }
        if (n == 0)
            break;
        reply.append(buffer, static_cast<std::size_t>(n));
        if (reply.size() >= kReceiveBufferSize)
        {
            gf_logIfRunning(fmt::format("receive: buffer overrun: {}", reply.size()));
            return {};
        }
        // A reply may come in pieces; it is complete once it reads as one JSON value.
        if (nlohmann::json::accept(reply))
            break;
    }
    return reply;
}

bool SourceLink::sendDataPacket(std::string_view text)
{
    if (plat::net::sendAll(source_, text))
        return true;
    gf_logIfRunning(
        fmt::format("sendDataPacket to RealTraffic failed: {}", gf_wsaErrorText(plat::net::lastError())));
    connected_.exchange(0);
    source_.close();
    gf_logIfRunning("RealTraffic client socket closed");
    return false;
}

void SourceLink::gf_processRtVersion(std::string_view reply)
{
    if (reply.empty())
    {
        display_.showMessage("No RealTraffic version received?");
        gFoundation.gProfessionalLevel.store(0);
        return;
    }
    const nlohmann::json document = nlohmann::json::parse(reply, nullptr, false);
    if (document.is_discarded() || !document.is_object())
    {
        // A malformed reply is one bad message: the source is taken as standard and the cycle goes on.
        if (document.is_discarded())
            gf_logMarked(fmt::format("RealTraffic version reply is not JSON: {}", gf_outsideText(reply)));
        gFoundation.gProfessionalLevel.store(0);
        display_.setSourceStatus({});
        display_.repaint();
        return;
    }
    std::int64_t level = 1;
    if (const auto found = document.find("level"); found != document.end() && found->is_number_integer())
        level = found->get<std::int64_t>();
    std::string version;
    if (const auto found = document.find("version"); found != document.end())
        version = found->is_string() ? found->get<std::string>() : found->dump();
    gFoundation.gProfessionalLevel.store(level == 2 ? 1 : 0);
    display_.setSourceStatus(fmt::format("RT{} edition: {}", level == 2 ? " prof" : " stnd", version));
    display_.repaint();
}

void NoLinkNeighbours::resetReaders()
{
    gSource.gTrafficReader.resetState();
    gSource.gQnhReader.resetState();
}

bool NoLinkNeighbours::exitReasonNotSet()
{
    return !stopRequested();
}

void SourceLink::gf_waitForRealTraffic()
{
    if (sourceOnThisPc.load() == 0)
        return;
    display_.showMessage(fmt::format("Waiting for RealTraffic to connect to |{} ...", kProductName));
    gf_log("");
    port_->resetReaders();
    // The accept polls, so that a stop request or a closed window ends the wait.
    bool accepted = false;
    while (!accepted && !stopRequested())
    {
        accepted = waitForClient(kAcceptPoll);
        if (!accepted && lastWait_ != plat::net::Wait::timeout)
            break;
    }
    if (accepted)
    {
        sendDataPacket("Qs999=version\r\n");
        gf_processRtVersion(receive());
        display_.sourceConnected.store(1);
        display_.repaint();
        display_.waitingForSource.store(0);
        gf_log("RealTraffic connected");
    }
    display_.clearMessage();
}

void SourceLink::gf_sendQs123(std::int64_t simUtcSeconds)
{
    if (connected() && simUtcSeconds > 0)
        sendDataPacket(gf_formatQs123(simUtcSeconds));
}

void SourceLink::gf_sendUserState(const UserAcData& user)
{
    if (sourceOnThisPc.load() == 0 || !user.positionKnown())
        return;
    if (!connected())
    {
        const bool reasonNotSet = port_->exitReasonNotSet();
        // Only a connection already waiting is taken: the main loop must not block here.
        if (reasonNotSet && waitForClient(std::chrono::milliseconds(0)))
        {
            display_.sourceConnected.store(1);
            display_.repaint();
            display_.showMessage(fmt::format("{} RealTraffic re-connected", gf_nowTimeOfDay()));
            display_.clearMessage();
        }
        return;
    }
    if (sendDataPacket(gf_formatQs121(user)))
        return;
    display_.sourceConnected.store(0);
    display_.repaint();
    if (gFoundation.gWindowClosed.load() == 0)
        port_->removeLiveAircraft();
    port_->resetReaders();
    display_.showMessage(
        fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_nowTimeOfDay()));
}

void SourceLink::closeLink()
{
    if (connected())
        sendDataPacket("exit\r\n");
    source_.close();
    listener_.close();
    connected_.exchange(0);
}

} // namespace oxl
