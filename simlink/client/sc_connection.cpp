// Reads and writes complete on the completion thread; calls reserve and hand over messages under the
// library lock. Lock order: connection call lock, library lock, I/O lock, send-queue lock.
#include "simlink/client/sc_connection.h"

#include <chrono>
#include <cstring>
#include <new>
#include <thread>

namespace oxl
{

constinit ScLibraryState gScLibrary;

namespace
{

// The code the pipe reports when a message holds more than the read took: not an error.
constexpr std::uint32_t kMoreData = 0x80000005;

void writeU32(std::byte* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::byte>(v >> (8 * i));
}

std::uint32_t readU32(const std::byte* p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

std::uint32_t statusOfCompletion(std::uint32_t code)
{
    switch (code)
    {
    case plat::kIoRemoteDisconnect:
    case plat::kIoPipeBroken:
    case plat::kIoConnectionReset:
        return kScStatusDisconnect;
    case plat::kIoCancelled:
        return kScStatusCancelled;
    default:
        return kScStatusOther;
    }
}

std::uint32_t codeOfFault(std::uint32_t status)
{
    return status == kScStatusNoMemory ? kScCodeOutOfMemory : kScCodeAbort;
}

} // namespace

ScTransport::ScTransport(ScTransportKind kind) : kind_(kind)
{
    gScLibrary.gLiveTransports.fetch_add(1);
}

ScTransport::~ScTransport()
{
    clearSendQueue();
    channel_.reset();
    gScLibrary.gLiveTransports.fetch_sub(1);
}

void ScTransport::release()
{
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

void ScTransport::onConnected()
{
    std::lock_guard lock(ioLock_);
    clearSendQueue();
    writing_.reset();
    writeInProgress_ = false;
}

void ScTransport::onStatus(std::uint32_t status, std::uint32_t code)
{
    std::lock_guard lock(ioLock_);
    const bool wasOpen = open_.exchange(false);
    if (wasOpen && channel_)
    {
        // The descriptor itself stays until the last reference goes: completions may still run.
        channel_->shutdownBoth();
        plat::ioCancel(channel_);
    }
    if (status != kScStatusNone && wasOpen)
        failCode_.store(code);
    failStatus_.store(status);
}

void ScTransport::onMessage(ScMessageRecord&)
{
}

std::uint32_t ScTransport::receiveCapacity() const
{
    return framer_ ? framer_->capacity() : 0;
}

std::uint32_t ScTransport::liveCount()
{
    return gScLibrary.gLiveTransports.load();
}

void ScTransport::start(plat::IoChannelPtr channel, std::uint32_t maxReceiveSize, bool disableNagle)
{
    channel_ = std::move(channel);
    disableNagle_ = disableNagle;
    framer_ = std::make_unique<ScFramer>(maxReceiveSize);
    onConnected();
    if (std::uint32_t err = postReceive())
        onStatus(kScStatusOther, err);
}

void ScTransport::clearSendQueue()
{
    std::lock_guard lock(sendQueueLock_);
    sendQueue_.clear();
}

std::uint32_t ScTransport::postReceive()
{
    if (!open_.load())
        return 0;
    auto space = framer_->freeSpace();
    addRef();
    std::uint32_t rc =
        plat::ioStartRead(channel_, space.data(), space.size(),
                          [this](std::uint32_t code, std::uint32_t bytes) { onReadDone(code, bytes); });
    if (rc != 0)
        release();
    return rc;
}

bool ScTransport::completedWithBytes(std::uint32_t code, std::uint32_t bytes)
{
    if (code == kMoreData && kind_ == ScTransportKind::Pipe)
        code = 0;
    if (!open_.load())
        return false;
    if (code != 0)
        onStatus(statusOfCompletion(code), code);
    else if (bytes == 0)
        onStatus(kScStatusClosed, kScCodeRemoteClosed);
    return code == 0 && bytes != 0;
}

void ScTransport::onReadDone(std::uint32_t code, std::uint32_t bytes)
{
    if (completedWithBytes(code, bytes))
    {
        framer_->commit(bytes);
        bool fault = false;
        for (;;)
        {
            ScExtract r = framer_->extract();
            if (r.kind == ScExtract::Delivered)
                onMessage(framer_->record());
            else if (r.kind == ScExtract::Fault)
            {
                onStatus(r.status, codeOfFault(r.status));
                fault = true;
                break;
            }
            else if (r.kind == ScExtract::NeedMore)
                break;
        }
        // A read that can not be started ends the link, rather than leaving it silently deaf.
        if (!fault)
            if (std::uint32_t err = postReceive())
                onStatus(kScStatusOther, err);
    }
    release();
}

void ScTransport::queueSend(ScPacketPtr packet)
{
    std::uint32_t failedStart = 0;
    {
        std::lock_guard lock(ioLock_);
        if (!open_.load())
            return;
        {
            std::lock_guard q(sendQueueLock_);
            sendQueue_.push_back(std::move(packet));
        }
        if (!writeInProgress_)
            failedStart = sendNextLocked();
    }
    // A write that can not be started ends the link, so the queue can not grow without end.
    if (failedStart != 0)
        onStatus(kScStatusOther, failedStart);
}

std::uint32_t ScTransport::sendNextLocked()
{
    writing_.reset();
    ScPacketPtr next;
    {
        std::lock_guard q(sendQueueLock_);
        if (sendQueue_.empty())
        {
            writeInProgress_ = false;
            return 0;
        }
        next = std::move(sendQueue_.front());
        sendQueue_.pop_front();
    }
    writing_ = std::move(next);
    writeInProgress_ = true;
    addRef();
    std::uint32_t rc =
        plat::ioStartWrite(channel_, writing_->data.get(), writing_->size,
                           [this](std::uint32_t code, std::uint32_t bytes) { onWriteDone(code, bytes); });
    if (rc != 0)
        release();
    return rc;
}

void ScTransport::onWriteDone(std::uint32_t code, std::uint32_t bytes)
{
    if (completedWithBytes(code, bytes))
    {
        std::uint32_t failedStart = 0;
        {
            std::lock_guard lock(ioLock_);
            if (open_.load())
                failedStart = sendNextLocked();
        }
        if (failedStart != 0)
            onStatus(kScStatusOther, failedStart);
    }
    release();
}

ScConnection::ScConnection(ScTransportKind kind) : ScTransport(kind)
{
    gScLibrary.gLiveConnections.fetch_add(1);
}

ScConnection::~ScConnection()
{
    gScLibrary.gLiveConnections.fetch_sub(1);
}

void ScConnection::onConnected()
{
    ScTransport::onConnected();
    // Messages sent together (the three freeze events of a new object) must not wait for the
    // acknowledgement of the one before: with Nagle's algorithm the simulator got them up to 40 ms apart.
    if (kind() == ScTransportKind::Socket && channel_)
        channel_->setNoDelay();
    markOpen();
}

void ScConnection::onStatus(std::uint32_t status, std::uint32_t code)
{
    ScTransport::onStatus(status, code);
    if (status != kScStatusNone)
        notify();
}

void ScConnection::onMessage(ScMessageRecord& record)
{
    auto packet = std::make_shared<ScPacket>();
    packet->data = std::move(record.data);
    packet->size = record.size;
    record.size = 0;
    record.capacity = 0;
    {
        std::lock_guard lock(receivedLock_);
        received_.push_back(std::move(packet));
    }
    notify();
}

ScPacketPtr ScConnection::popReceived()
{
    std::lock_guard lock(receivedLock_);
    if (received_.empty())
        return nullptr;
    ScPacketPtr head = std::move(received_.front());
    received_.pop_front();
    return head;
}

void ScConnection::dropReceived()
{
    std::lock_guard lock(receivedLock_);
    received_.clear();
}

std::uint32_t ScConnection::liveCount()
{
    return gScLibrary.gLiveConnections.load();
}

void ScConnection::notify()
{
    if (notifyWindow && *notifyWindow && notifyMessage != 0)
        (*notifyWindow)(notifyMessage);
    if (notifyEvent && *notifyEvent)
        (*notifyEvent)();
}

std::mutex& scLibraryLock()
{
    return gScLibrary.libraryLock;
}

std::uint32_t scAllocMessage(ScConnection* conn, std::byte** message, std::uint32_t size)
{
    std::lock_guard lock(scLibraryLock());
    if (!conn)
        return 1;
    if (scCheckLink(conn))
        return 2;
    if (size < 16 || kScSendBufferSize - conn->sendPos < size)
        return 1;
    std::byte* at = conn->sendBuffer.data() + conn->sendPos;
    conn->sendPos += size;
    if (++conn->sendId == 0)
        conn->sendId = 1;
    writeU32(at + 12, conn->sendId);
    *message = at;
    return 0;
}

void scReleaseMessage(ScConnection* conn, std::byte* message, std::uint32_t size)
{
    std::lock_guard lock(scLibraryLock());
    if (!conn || !message)
        return;
    std::memset(message, 0, size);
    conn->sendPos = static_cast<std::uint32_t>(message - conn->sendBuffer.data());
}

std::uint32_t scFlushSend(ScConnection* conn)
{
    std::lock_guard lock(scLibraryLock());
    if (!conn || conn->sendPos == 0)
        return 1;
    const std::uint32_t used = conn->sendPos;
    std::uint32_t result = 1;
    std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[used]);
    if (block)
    {
        std::memcpy(block.get(), conn->sendBuffer.data(), used);
        auto packet = std::make_shared<ScPacket>();
        packet->data = std::move(block);
        packet->size = used;
        conn->queueSend(std::move(packet));
        result = 0;
    }
    std::memset(conn->sendBuffer.data(), 0, used);
    conn->sendPos = 0;
    return result;
}

std::uint32_t scQueueFrame(ScConnection* conn, std::vector<std::byte>& messages,
                           std::vector<std::uint32_t>* sendIds)
{
    std::lock_guard lock(scLibraryLock());
    if (!conn || messages.empty())
        return 1;
    if (scCheckLink(conn))
        return 2;
    const auto total = static_cast<std::uint32_t>(messages.size());
    std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[total]);
    if (!block)
        return 1;
    // Every call hands its message over at once, so nothing waits in the send buffer before the frame.
    for (std::uint32_t at = 0; at + 16 <= total;)
    {
        if (++conn->sendId == 0)
            conn->sendId = 1;
        writeU32(messages.data() + at + 12, conn->sendId);
        if (sendIds)
            sendIds->push_back(conn->sendId);
        const std::uint32_t size = readU32(messages.data() + at);
        if (size < 16)
            break;
        at += size;
    }
    std::memcpy(block.get(), messages.data(), total);
    auto packet = std::make_shared<ScPacket>();
    packet->data = std::move(block);
    packet->size = total;
    conn->queueSend(std::move(packet));
    return 0;
}

std::uint32_t scDispatchLoop(ScConnection* conn, ScDispatchProc proc, void* context)
{
    if (!proc)
        proc = conn->defaultProc;
    if (!proc)
        return 1;
    while (ScPacketPtr packet = conn->popReceived())
        if (packet->size >= 12 && packet->data)
            proc(packet->data.get(), packet->size, context);
    return scCheckLink(conn) ? 2 : 0;
}

bool scCheckLink(const ScConnection* conn)
{
    return conn && conn->failed();
}

std::uint32_t scCloseConnection(ScConnection* conn)
{
    using namespace std::chrono_literals;
    if (!conn)
        return 1;
    std::this_thread::sleep_for(100ms);
    conn->dropReceived();
    conn->onStatus(kScStatusNone, 0);
    conn->clearSendQueue();
    conn->release();
    std::this_thread::sleep_for(250ms);
    if (ScConnection::liveCount() == 0)
    {
        for (int i = 0; i < 20 && ScTransport::liveCount() > 0; ++i)
            std::this_thread::sleep_for(250ms);
        gScLibrary.gNetworkStarted.store(false);
    }
    return 0;
}

bool scStartNetwork()
{
    // POSIX sockets need no start-up; the flag keeps the bookkeeping of a start and its clean-up.
    gScLibrary.gNetworkStarted.store(true);
    return true;
}

bool scNetworkStarted()
{
    return gScLibrary.gNetworkStarted.load();
}

} // namespace oxl
