// Completion-based stream I/O: the stand-in for overlapped reads and writes that a system thread
// pool completes. One process-wide thread runs every completion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace oxl::plat
{

// Completion codes with the values the Windows completion routine reports.
inline constexpr std::uint32_t kIoSuccess = 0;
inline constexpr std::uint32_t kIoInvalidHandle = 0xC0000008;
inline constexpr std::uint32_t kIoCancelled = 0xC0000120;
inline constexpr std::uint32_t kIoRemoteDisconnect = 0xC000013C;
inline constexpr std::uint32_t kIoPipeBroken = 0xC000014B;
inline constexpr std::uint32_t kIoConnectionReset = 0xC000020D;
inline constexpr std::uint32_t kIoBusy = 0x800700AA; // an operation of that direction is pending already

// Called once per finished operation, on the completion thread: (code, bytes transferred).
using IoCompletion = std::function<void(std::uint32_t code, std::uint32_t bytes)>;

class IoService;

// One connected stream (socket or pipe stand-in). The descriptor is closed when the last reference
// goes, never earlier, so that a completion still running can not meet a reused descriptor.
class IoChannel
{
  public:
    ~IoChannel();
    IoChannel(const IoChannel&) = delete;
    IoChannel& operator=(const IoChannel&) = delete;

    // Shuts the stream down in both directions; pending operations complete as the peer sees it.
    void shutdownBoth();
    // Sets TCP_NODELAY; false when the stream is not TCP or the call fails.
    bool setNoDelay();
    // Makes the next close reset the connection instead of closing it in order (tests of a dropped link).
    void setAbortiveClose();

  private:
    friend class IoService;
    friend std::shared_ptr<IoChannel> adoptDescriptor(int fd);
    friend std::uint32_t ioStartRead(const std::shared_ptr<IoChannel>&, std::byte*, std::size_t,
                                     IoCompletion);
    friend std::uint32_t ioStartWrite(const std::shared_ptr<IoChannel>&, const std::byte*, std::size_t,
                                      IoCompletion);
    explicit IoChannel(int fd);
    struct Op
    {
        std::byte* readBuf = nullptr;
        const std::byte* writeBuf = nullptr;
        std::size_t len = 0;
        std::size_t done = 0;
        IoCompletion completion;
    };
    int fd_;
    std::uint64_t id_ = 0;
    std::unique_ptr<Op> read_;  // guarded by IoService's channel lock
    std::unique_ptr<Op> write_; // guarded by IoService's channel lock
};

using IoChannelPtr = std::shared_ptr<IoChannel>;

// Wraps a connected, non-blocking stream descriptor (used by platform/ only).
IoChannelPtr adoptDescriptor(int fd);

// Starts a read of at most len bytes; 0 when started, else a completion code. A read of 0 bytes
// completes with 0 bytes when the peer has closed the stream.
std::uint32_t ioStartRead(const IoChannelPtr& channel, std::byte* buf, std::size_t len, IoCompletion done);
// Starts a write of all len bytes; 0 when started, else a completion code.
std::uint32_t ioStartWrite(const IoChannelPtr& channel, const std::byte* buf, std::size_t len,
                           IoCompletion done);
// Completes every pending operation of the channel with kIoCancelled (on the completion thread).
void ioCancel(const IoChannelPtr& channel);

} // namespace oxl::plat
