// The connection object behind a SimConnect handle: a transport (socket or pipe stand-in) with one
// pending read and at most one pending write, the send buffer and send queue, and the queue of
// received messages that only SimConnect_CallDispatch hands out.
#pragma once

#include "platform/io_service.h"
#include "simlink/client/sc_framer.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace oxl
{

// One message, sent or received, in its own data block.
struct ScPacket
{
    std::unique_ptr<std::byte[]> data;
    std::uint32_t size = 0;
};
using ScPacketPtr = std::shared_ptr<ScPacket>;

// The procedure SimConnect_CallDispatch calls once per received message: (bytes, size, context).
using ScDispatchProc = void (*)(const std::byte* data, std::uint32_t size, void* context);
// Notification when a message arrives or the link ends (the stand-in for a notify event).
using ScNotify = std::function<void()>;
// Notification with the caller's message id (the stand-in for a notify window).
using ScNotifyWindow = std::function<void(std::uint32_t message)>;

// Kind of a transport, fixed when it is made.
enum class ScTransportKind
{
    Socket,
    Pipe
};

// Size of a connection's send buffer [bytes]; no message is larger.
inline constexpr std::uint32_t kScSendBufferSize = 41088;

// One attempt to connect: the link, its reads and writes and its failure status. Reference counted:
// the owner holds one reference and every pending read or write one more.
class ScTransport
{
  public:
    explicit ScTransport(ScTransportKind kind);
    virtual ~ScTransport();
    ScTransport(const ScTransport&) = delete;
    ScTransport& operator=(const ScTransport&) = delete;

    // Resets the send side and receive positions; derived classes open the link.
    virtual void onConnected();
    // Closes the link and records status and code (code only for a failure of an open link).
    virtual void onStatus(std::uint32_t status, std::uint32_t code);
    // Takes one received message; the base ignores it.
    virtual void onMessage(ScMessageRecord& record);

    // Takes one more reference.
    void addRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    // Drops a reference; the object destroys itself with the last one.
    void release();
    // Attaches the opened stream, opens the link and posts the first read (scStartTransport).
    void start(plat::IoChannelPtr channel, std::uint32_t maxReceiveSize, bool disableNagle);
    // Queues a packet and starts writing unless a write is in progress (scQueueSend).
    void queueSend(ScPacketPtr packet);
    // Drops every packet not yet written.
    void clearSendQueue();
    // True when a failure status is recorded (scCheckLink).
    bool failed() const { return failStatus_.load() != kScStatusNone; }
    // The recorded failure code.
    std::uint32_t failureCode() const { return failCode_.load(); }
    // The recorded failure status.
    std::uint32_t failureStatus() const { return failStatus_.load(); }
    // True while the link is open.
    bool isOpen() const { return open_.load(); }
    // Socket or pipe.
    ScTransportKind kind() const { return kind_; }
    // Capacity of the receive buffer [bytes] (0 before start).
    std::uint32_t receiveCapacity() const;
    // Number of live transport objects in the process (connections included).
    static std::uint32_t liveCount();

  protected:
    // Marks the link open; called by the derived onConnected.
    void markOpen() { open_.store(true); }
    plat::IoChannelPtr channel_;
    bool disableNagle_ = false; // as configured; a socket gets TCP_NODELAY either way

  private:
    std::uint32_t postReceive();
    std::uint32_t sendNextLocked();
    void onReadDone(std::uint32_t code, std::uint32_t bytes);
    void onWriteDone(std::uint32_t code, std::uint32_t bytes);
    // Whether a finished read or write carried bytes to handle; a failed or empty one ends an open link.
    bool completedWithBytes(std::uint32_t code, std::uint32_t bytes);

    const ScTransportKind kind_;
    std::atomic<std::uint32_t> refs_{1};
    std::mutex ioLock_; // link state, queueing a packet, starting a write
    std::atomic<bool> open_{false};
    std::atomic<std::uint32_t> failStatus_{kScStatusNone};
    std::atomic<std::uint32_t> failCode_{0};
    std::mutex sendQueueLock_;
    std::deque<ScPacketPtr> sendQueue_; // guarded by sendQueueLock_
    bool writeInProgress_ = false;      // guarded by ioLock_
    ScPacketPtr writing_;               // guarded by ioLock_
    std::unique_ptr<ScFramer> framer_;  // used only by the one pending read
};

// The object a SimConnect handle points to.
class ScConnection : public ScTransport
{
  public:
    explicit ScConnection(ScTransportKind kind);
    ~ScConnection() override;

    // Opens the link; sets TCP_NODELAY on a socket whatever DisableNagle says.
    void onConnected() override;
    // Closes the link as the base does and notifies on a failure.
    void onStatus(std::uint32_t status, std::uint32_t code) override;
    // Appends the message to the received queue and notifies.
    void onMessage(ScMessageRecord& record) override;

    // Takes the head of the received queue (null when empty).
    ScPacketPtr popReceived();
    // Drops every received message without dispatching it.
    void dropReceived();
    // Number of live connection objects in the process.
    static std::uint32_t liveCount();

    // Serialises whole calls on this handle: a message is reserved, filled and handed over as one step.
    std::mutex callLock;
    // Send buffer, its write position and the send id counter; guarded by the library lock.
    std::array<std::byte, kScSendBufferSize> sendBuffer{};
    std::uint32_t sendPos = 0;
    std::uint32_t sendId = 0;
    // Notify target and default dispatch procedure (SimConnect_Open stores them).
    ScNotifyWindow* notifyWindow = nullptr;
    std::uint32_t notifyMessage = 0;
    ScNotify* notifyEvent = nullptr;
    ScDispatchProc defaultProc = nullptr;

  private:
    void notify();
    std::mutex receivedLock_; // the received queue only; never held while a procedure runs
    std::deque<ScPacketPtr> received_;
};

// The client library's process-wide state (gScLibrary).
struct ScLibraryState
{
    // Counted by whichever thread opens or closes a transport or a connection.
    std::atomic<std::uint32_t> gLiveTransports{0};
    std::atomic<std::uint32_t> gLiveConnections{0};
    // Set and cleared by the network start-up and shut-down (the SimClient thread), read by any.
    std::atomic<bool> gNetworkStarted{false};
    // Any thread: reserving, giving back and handing over messages.
    std::mutex libraryLock;
    // Any thread: the environment of the connects (replaced by tests).
    std::mutex gEnvironmentLock;
};

// The client library's state.
extern ScLibraryState gScLibrary;

// The process-wide library lock (reserving, giving back and handing over messages).
std::mutex& scLibraryLock();

// Reserves size bytes in the send buffer and stamps the next send id: 0 reserved (*message set),
// 2 the link has failed, 1 no connection or no room.
std::uint32_t scAllocMessage(ScConnection* conn, std::byte** message, std::uint32_t size);
// Gives a reserved message back: the write position returns to it and its bytes are zeroed.
void scReleaseMessage(ScConnection* conn, std::byte* message, std::uint32_t size);
// Hands what the send buffer holds to the transport as one packet: 0 handed over, 1 nothing.
std::uint32_t scFlushSend(ScConnection* conn);
// Hands messages built ahead (back to back, send ids not yet set) to the transport as one packet,
// stamping each with the next send id (appended to sendIds when given): 0 handed over, 2 the link has
// failed, 1 no connection or nothing to send.
std::uint32_t scQueueFrame(ScConnection* conn, std::vector<std::byte>& messages,
                           std::vector<std::uint32_t>* sendIds = nullptr);
// Calls proc for every received message of 12 bytes or more: 0 link well, 2 link failed, 1 no procedure.
std::uint32_t scDispatchLoop(ScConnection* conn, ScDispatchProc proc, void* context);
// True when the connection's link has recorded a failure.
bool scCheckLink(const ScConnection* conn);
// Closes and lets go of the connection with the waits of a close: 1 for no connection, else 0.
std::uint32_t scCloseConnection(ScConnection* conn);
// Marks the network layer as started by the library (once; cleared when the last connection closes).
bool scStartNetwork();
// True while the library holds the network layer started.
bool scNetworkStarted();

} // namespace oxl
