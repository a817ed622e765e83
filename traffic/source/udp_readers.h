// The two UDP readers of the traffic source's datagrams: the Traffic Reader (port 49005) hands every
// traffic line to the line parser, the QNH Reader (port 49004) publishes the local air pressure.
#pragma once

#include "platform/net_socket.h"
#include "traffic/source/traffic_display.h"
#include "traffic/source/traffic_parser.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace oxl
{

/// Port of the traffic datagrams.
inline constexpr std::uint16_t kTrafficPort = 49005;
/// Port of the QNH datagrams.
inline constexpr std::uint16_t kQnhPort = 49004;
/// [bytes] socket receive buffer of the Traffic Reader: the source sends each round of reports as one
/// burst, and the system counts about a kilobyte per small datagram, so this holds a round of several
/// thousand aircraft while the reader catches up.
inline constexpr std::size_t kTrafficReceiveBufferBytes = 8u << 20;
/// [hPa] standard pressure, the QNH of every reset.
inline constexpr std::int32_t kStandardQnh = 1013;

/// Told when a reader ends with an error.
class ReaderStopListener
{
  public:
    virtual ~ReaderStopListener() = default;
    /// The reader of the name ended with the error's text.
    virtual void readerStopped(std::string_view name, std::string_view error) = 0;
};

/// Nobody listens: the error goes to the log alone.
class ReaderStopLog : public ReaderStopListener
{
  public:
    void readerStopped(std::string_view name, std::string_view error) override;
};

/// A UDP socket with a receive loop that hands each datagram to the reader built on it.
class UdpReceiver
{
  public:
    /// Largest datagram handled [bytes]; one of this size or longer is skipped.
    static constexpr std::size_t kBufferSize = 16384;

    /// A receiver named for its log lines ("Traffic Reader", "QNH Reader") that asks for a socket receive
    /// buffer of `receiveBufferBytes` (0 keeps the system's default).
    explicit UdpReceiver(std::string_view name, std::size_t receiveBufferBytes = 0)
        : name_(name), receiveBufferBytes_(receiveBufferBytes)
    {
    }
    virtual ~UdpReceiver() = default;
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

    /// The thread body: opens and binds the socket (127.0.0.1 when the source runs on this PC, else
    /// every address; port 0 = a free one), receives until the stop flag is set, closes. An error ends it
    /// through the stopped handler.
    void run(std::uint16_t port, bool sourceOnThisPc);

    /// Installs who is told when the reader ends with an error; it must outlive the reader's runs.
    void setStopListener(ReaderStopListener& listener) { stopped_ = &listener; }
    /// Back to the log alone.
    void clearStopListener() { stopped_ = &logOnly_; }

    /// The reader's name.
    std::string_view name() const { return name_; }
    /// Asks for a socket receive buffer of this size at the next run (0 keeps the system's default).
    void setReceiveBufferBytes(std::size_t bytes) { receiveBufferBytes_.store(bytes); }

    /// The port bound by the running reader; 0 while none is bound.
    std::uint16_t boundPort() const { return boundPort_.load(); }

    std::atomic<std::uint8_t> stop{0};              ///< ends the receive loop within 250 ms
    std::atomic<std::uint32_t> datagramCount{0};    ///< datagrams of 1..16383 bytes, duplicates too
    std::atomic<std::uint32_t> countAtLastCheck{0}; ///< datagramCount at the watchdog's last check
    std::atomic<std::uint8_t> reported{1};          ///< the watchdog has shown state receiving

  protected:
    /// Shows the reader's states once the socket is bound.
    virtual void onStarted() = 0;
    /// Handles one datagram (not empty, zero byte behind it).
    virtual void handleDatagram(std::string_view datagram) = 0;
    /// Runs when the receive loop has ended.
    virtual void onStopped() = 0;
    /// Told of datagrams the system dropped on the socket, unread, since it last told.
    virtual void onSystemDrops(std::uint32_t /*count*/) {}
    /// Logs the counts of repeated errors held back for a second or more (every count when `all`).
    virtual void logHeldRepeats(bool all);

    /// The address of the datagram being handled ("a.b.c.d"): the sockets of one machine are one sender.
    std::string_view sender() const { return sender_; }

    /// The reader's repeated error lines, at most one of a kind from a sender a second.
    RepeatLimitedLog repeats_;

  private:
    void receiveLoop(plat::net::Socket& socket, bool filterDuplicates);

    std::string name_;
    std::atomic<std::size_t> receiveBufferBytes_;
    ReaderStopLog logOnly_;
    ReaderStopListener* stopped_ = &logOnly_;
    std::atomic<std::uint16_t> boundPort_{0};
    std::array<char, kBufferSize + 1> buffer_{};
    std::string lastDatagram_;
    std::uint32_t systemDropsSeen_ = 0; // the socket's drop count at the last datagram
    std::string sender_;                // its text, made anew only when the sender changes
    std::uint32_t senderIpv4_ = 0;
};

/// Reads traffic lines and pushes what passes onto the adding stack.
class TrafficReader final : public UdpReceiver
{
  public:
    /// A reader over the given filter, callsign collection, adding stack, tick counter and time stamp.
    TrafficReader(const TrafficFilter& filter, CallsignCollector& callsigns, AddingStack& stack,
                  const std::atomic<std::int32_t>& tickCounter, std::atomic<double>& lastTimestamp,
                  TrafficDisplay& display);

    std::atomic<std::int32_t> qnh{kStandardQnh}; ///< [hPa] the latest published QNH

    /// Reader state of a new link: QNH 1013, no time stamp, no callsigns, stop clear, reported.
    void resetState();

  protected:
    void onStarted() override;
    void handleDatagram(std::string_view datagram) override;
    void onStopped() override;
    void onSystemDrops(std::uint32_t count) override;
    void logHeldRepeats(bool all) override;

  private:
    TrafficLineParser parser_;
    AddingStack& stack_;
    CallsignCollector& callsigns_;
    std::atomic<double>& lastTimestamp_;
    TrafficDisplay& display_;
};

/// Reads QNH datagrams ({"QNH": value}) and publishes the pressure in hectopascals.
class QnhReader final : public UdpReceiver
{
  public:
    /// A reader that also publishes into the Traffic Reader and the display.
    QnhReader(TrafficReader& trafficReader, TrafficDisplay& display);

    std::atomic<std::int32_t> lastQnh{kStandardQnh}; ///< [hPa] the last QNH published

    /// Reader state of a new link: QNH 1013, stop clear, counts 0, reported.
    void resetState();

    /// Reads one QNH datagram; a malformed one is logged and skipped.
    void handleDatagram(std::string_view datagram) override;

  protected:
    void onStarted() override;
    void onStopped() override;

  private:
    void publish(std::int32_t value);

    TrafficReader& trafficReader_;
    TrafficDisplay& display_;
};

/// The reader watchdog, on the main loop: shows quiet readers and readers that receive again.
void gf_updateReaderStatus(TrafficDisplay& display, QnhReader& qnhReader, TrafficReader& trafficReader);

/// The watchdog over the program's readers.
void gf_updateReaderStatus();

/// The cycle reset of the traffic intake: both readers' state, the engine's QNH, the park airport and
/// reference elevation of the filter, the callsign collection, the adding stack (emptied, not accepting)
/// and the status shown.
void gf_resetTrafficIntakeForCycle();

/// Thread body of the program's Traffic Reader on its port (49005).
void trafficReaderThread(std::uint16_t port, bool sourceOnThisPc);
/// Thread body of the program's QNH Reader on its port (49004).
void qnhReaderThread(std::uint16_t port, bool sourceOnThisPc);

/// A reader's thread, joined when it is stopped (so no reader outlives its cycle).
class ReaderThread
{
  public:
    ReaderThread() = default;
    ~ReaderThread() { stopAndJoin(); }
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    /// Starts the reader's thread body on a new thread.
    void start(UdpReceiver& reader, std::uint16_t port, bool sourceOnThisPc);
    /// Sets the reader's stop flag and waits for its thread to end.
    void stopAndJoin();

  private:
    UdpReceiver* reader_ = nullptr;
    std::thread thread_;
};

} // namespace oxl
