#include "traffic/source/udp_readers.h"

#include "foundation/log.h"
#include "foundation/run_state.h"
#include "platform/net_udp.h"
#include "traffic/source/source_state.h"
#include "traffic/source/wsa_error_text.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace oxl
{

namespace
{

using namespace std::chrono_literals;

// A stop request takes effect within this bound.
constexpr auto kStopPoll = 250ms;
// After a failed wait, so that a lasting error does not spin.
constexpr auto kWaitErrorPause = 100ms;

constexpr double kInHgHundredthsToHpa = 0.33865307;

// Rounds half away from zero into an int; none when the value does not fit.
std::optional<std::int32_t> roundToInt(double value)
{
    const double rounded = std::round(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

// An optional '-' and decimal digits, read up to the first other character.
std::optional<std::int32_t> readQnhString(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        i = 1;
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
    {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    value = negative ? -value : value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace

void UdpReceiver::run(std::uint16_t port, bool sourceOnThisPc)
{
    plat::net::Socket socket;
    try
    {
        socket = plat::net::openUdp();
        if (!socket.valid())
            throw std::runtime_error(fmt::format("failed to create the socket, error: {}",
                                                 gf_wsaErrorText(plat::net::lastError())));
        if (!plat::net::bindUdp(socket, sourceOnThisPc ? "127.0.0.1" : "0.0.0.0", port))
            throw std::runtime_error(fmt::format("bind to stream socket failed, error: {}",
                                                 gf_wsaErrorText(plat::net::lastError())));
        if (const std::size_t asked = receiveBufferBytes_.load(); asked > 0)
        {
            const std::size_t granted = plat::net::setReceiveBuffer(socket, asked);
            gf_logIndented(
                fmt::format("{} receive buffer: {} bytes granted, {} asked", name_, granted, asked));
        }
        // Without the count (a system that can not tell) datagrams are still read; only losses go unseen.
        (void)plat::net::countDrops(socket);
        systemDropsSeen_ = 0;
        boundPort_.store(plat::net::localPort(socket));
        onStarted();
        gf_logIndented(fmt::format("{} connected", name_));
        receiveLoop(socket, !sourceOnThisPc);
    }
    catch (const std::exception& e)
    {
        socket.close();
        boundPort_.store(0);
        stopped_->readerStopped(name_, e.what());
    }
    socket.close();
    boundPort_.store(0);
    gf_logIndented(fmt::format("{} disconnected", name_));
}

void UdpReceiver::receiveLoop(plat::net::Socket& socket, bool filterDuplicates)
{
    while (stop.load() == 0)
    {
        logHeldRepeats(false);
        const plat::net::Wait waited = plat::net::waitReadable(socket, kStopPoll);
        if (waited == plat::net::Wait::timeout)
            continue;
        if (waited == plat::net::Wait::error)
        {
            std::this_thread::sleep_for(kWaitErrorPause);
            continue;
        }
        const plat::net::Datagram got = plat::net::receiveDatagram(socket, buffer_.data(), kBufferSize);
        if (got.received < 0)
            throw std::runtime_error(
                fmt::format("receive error: {}", gf_wsaErrorText(plat::net::lastError())));
        if (got.senderIpv4 != senderIpv4_ || sender_.empty())
        {
            senderIpv4_ = got.senderIpv4;
            sender_ = plat::net::senderText(got);
        }
        if (got.systemDrops != systemDropsSeen_)
        {
            onSystemDrops(got.systemDrops - systemDropsSeen_);
            systemDropsSeen_ = got.systemDrops;
        }
        if (got.fullLength == 0)
            continue;
        // An oversize datagram (cut by the buffer) is skipped like one that fills it exactly.
        if (got.fullLength >= kBufferSize)
        {
            if (!gf_stopSeen())
                repeats_.write("buffer overrun",
                               [&] { return fmt::format("buffer overrun: {} bytes", got.fullLength); },
                               LogForm::plain, {sender_, {}});
            continue;
        }
        const auto length = static_cast<std::size_t>(got.received);
        buffer_[length] = '\0';
        const std::string_view datagram(buffer_.data(), length);
        datagramCount.fetch_add(1);
        // A source on another PC may reach us on several routes; the same datagram twice is one report.
        if (filterDuplicates)
        {
            if (datagram == lastDatagram_)
                continue;
            lastDatagram_.assign(datagram);
        }
        handleDatagram(datagram);
    }
    socket.close();
    logHeldRepeats(true);
    onStopped();
}

void UdpReceiver::logHeldRepeats(bool all)
{
    repeats_.flush(all);
}

void ReaderStopLog::readerStopped(std::string_view name, std::string_view error)
{
    gf_logMarked(fmt::format("The {} has stopped with error: {}", name, error));
}

TrafficReader::TrafficReader(const TrafficFilter& filter, CallsignCollector& callsigns, AddingStack& stack,
                             const std::atomic<std::int32_t>& tickCounter, std::atomic<double>& lastTimestamp,
                             TrafficDisplay& display)
    : UdpReceiver("Traffic Reader", kTrafficReceiveBufferBytes),
      parser_(filter, callsigns, stack, tickCounter, lastTimestamp), stack_(stack), callsigns_(callsigns),
      lastTimestamp_(lastTimestamp), display_(display)
{
}

void TrafficReader::resetState()
{
    qnh.store(kStandardQnh);
    lastTimestamp_.store(0.0);
    callsigns_.clear();
    stop.store(0);
    reported.store(1);
}

void TrafficReader::onStarted()
{
    display_.trafficState.store(ReaderState::receiving);
    display_.repaint();
    display_.qnhState.store(ReaderState::receiving);
    display_.repaint();
}

void TrafficReader::handleDatagram(std::string_view datagram)
{
    parser_.handleDatagram(datagram, sender());
}

void TrafficReader::onSystemDrops(std::uint32_t count)
{
    stack_.countSystemDrops(count);
}

void TrafficReader::logHeldRepeats(bool all)
{
    UdpReceiver::logHeldRepeats(all);
    parser_.logHeldErrors(all);
}

void TrafficReader::onStopped()
{
    display_.trafficState.store(ReaderState::notRunning);
    display_.repaint();
    gf_log("Traffic Reader has stopped");
}

QnhReader::QnhReader(TrafficReader& trafficReader, TrafficDisplay& display)
    : UdpReceiver("QNH Reader"), trafficReader_(trafficReader), display_(display)
{
}

void QnhReader::resetState()
{
    lastQnh.store(kStandardQnh);
    stop.store(0);
    datagramCount.store(0);
    countAtLastCheck.store(0);
    reported.store(1);
}

void QnhReader::onStarted()
{
    display_.qnhState.store(ReaderState::receiving);
    display_.repaint();
}

void QnhReader::onStopped()
{
    gf_log("QNH Reader has stopped");
}

void QnhReader::handleDatagram(std::string_view datagram)
{
    // A malformed datagram is one bad message: it is logged and the reader goes on.
    nlohmann::json document = nlohmann::json::parse(datagram, nullptr, false);
    if (document.is_discarded() || !document.is_object())
    {
        repeats_.write(
            "QNH datagram is not a JSON object",
            [&] { return fmt::format("QNH datagram is not a JSON object: {}", gf_outsideText(datagram)); },
            LogForm::marked, {sender(), {}});
        return;
    }
    const auto found = document.find("QNH");
    if (found == document.end())
    {
        repeats_.write("no QNH", [&] { return fmt::format("no QNH {}", gf_outsideText(datagram)); },
                       LogForm::plain, {sender(), {}});
        return;
    }
    const nlohmann::json& value = *found;
    std::int64_t qnh = 0;
    if (value.is_number_integer())
    {
        qnh = value.is_number_unsigned()
                  ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                        value.get<std::uint64_t>(), std::numeric_limits<std::int64_t>::max()))
                  : value.get<std::int64_t>();
    }
    else if (value.is_number_float())
    {
        const auto rounded = roundToInt(static_cast<float>(value.get<double>()));
        if (!rounded)
        {
            repeats_.write(
                "QNH does not fit",
                [&]
                { return fmt::format("QNH {} does not fit in {}", value.dump(), gf_outsideText(datagram)); },
                LogForm::marked, {sender(), {}});
            return;
        }
        qnh = *rounded;
    }
    else if (value.is_string())
    {
        const auto& text = value.get_ref<const std::string&>();
        const auto read = readQnhString(text);
        if (!read)
        {
            repeats_.write("QNH string parse error",
                           [&] {
                               return fmt::format("QNH string parse error: {} in {}", gf_outsideText(text),
                                                  gf_outsideText(datagram));
                           },
                           LogForm::marked, {sender(), {}});
            return;
        }
        qnh = *read;
    }
    else
    {
        repeats_.write("no QNH", [&] { return fmt::format("no QNH {}", gf_outsideText(datagram)); },
                       LogForm::plain, {sender(), {}});
        return;
    }
    // Above any plausible hectopascal value the source sends hundredths of an inch of mercury.
    if (qnh > 1080 && qnh <= std::numeric_limits<std::int32_t>::max())
    {
        const auto converted = roundToInt(static_cast<double>(qnh) * kInHgHundredthsToHpa);
        if (converted)
            qnh = *converted;
    }
    if (qnh < 930 || qnh > 1080)
    {
        repeats_.write("Strange QNH",
                       [&]
                       { return fmt::format("Strange QNH {} found in {}", qnh, gf_outsideText(datagram)); },
                       LogForm::plain, {sender(), {}});
        return;
    }
    publish(static_cast<std::int32_t>(qnh));
}

void QnhReader::publish(std::int32_t value)
{
    if (value == lastQnh.load() && value != kStandardQnh)
        return;
    lastQnh.store(value);
    trafficReader_.qnh.store(value);
    gSource.gEngineQnh.exchange(value);
    display_.qnh.store(value);
    ReaderState quiet = ReaderState::quiet;
    display_.qnhState.compare_exchange_strong(quiet, ReaderState::receiving);
    display_.repaint();
}

namespace
{

void checkReader(TrafficDisplay& display, UdpReceiver& reader, std::atomic<ReaderState>& state)
{
    const std::uint32_t previous = reader.countAtLastCheck.load();
    const std::uint32_t now = reader.datagramCount.load();
    reader.countAtLastCheck.store(now);
    if (previous == now)
    {
        state.store(ReaderState::quiet);
        display.repaint();
        reader.reported.store(0);
    }
    else if (reader.reported.load() == 0)
    {
        reader.reported.store(1);
        state.store(ReaderState::receiving);
        display.repaint();
    }
}

} // namespace

void gf_updateReaderStatus(TrafficDisplay& display, QnhReader& qnhReader, TrafficReader& trafficReader)
{
    if (display.sourceConnected.load() == 0)
        return;
    checkReader(display, qnhReader, display.qnhState);
    checkReader(display, trafficReader, display.trafficState);
}

void gf_updateReaderStatus()
{
    gf_updateReaderStatus(gSource.gTrafficDisplay, gSource.gQnhReader, gSource.gTrafficReader);
}

void gf_resetTrafficIntakeForCycle()
{
    gSource.gTrafficReader.resetState();
    gSource.gQnhReader.resetState();
    gSource.gEngineQnh.store(kStandardQnh);
    gSource.gTrafficFilter.resetForCycle();
    gSource.gCallsignCollector.stop();
    gSource.gCallsignCollector.clear();
    gSource.gAddingStack.setAccept(false);
    gSource.gAddingStack.clear();
    gSource.gTrafficDisplay.resetForCycle();
}

void trafficReaderThread(std::uint16_t port, bool sourceOnThisPc)
{
    gSource.gTrafficReader.run(port, sourceOnThisPc);
}

void qnhReaderThread(std::uint16_t port, bool sourceOnThisPc)
{
    gSource.gQnhReader.run(port, sourceOnThisPc);
}

void ReaderThread::start(UdpReceiver& reader, std::uint16_t port, bool sourceOnThisPc)
{
    stopAndJoin();
    reader_ = &reader;
    reader.stop.store(0);
    thread_ = std::thread([&reader, port, sourceOnThisPc] { reader.run(port, sourceOnThisPc); });
}

void ReaderThread::stopAndJoin()
{
    if (reader_ != nullptr)
        reader_->stop.store(1);
    if (thread_.joinable())
        thread_.join();
    reader_ = nullptr;
}

} // namespace oxl
