// Framing of received bytes into messages by their leading size field: the receive buffer that
// reads fill, and the extraction of one message at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace oxl
{

// Link statuses with which a transport ends (0 = none).
enum ScLinkStatus : std::uint32_t
{
    kScStatusNone = 0,
    kScStatusOversize = 1,   // size field above MaxReceiveSize
    kScStatusBadSize = 2,    // size field of 1, 2 or 3
    kScStatusNoMemory = 3,   // no memory for a received message
    kScStatusClosed = 4,     // read or write completed with 0 bytes
    kScStatusDisconnect = 5, // remote disconnect, broken pipe, connection reset
    kScStatusCancelled = 8,  // the operation was cancelled
    kScStatusOther = 9,      // any other completion error
};

// Codes recorded with the statuses above.
inline constexpr std::uint32_t kScCodeAbort = 0x80004004;
inline constexpr std::uint32_t kScCodeOutOfMemory = 0x8007000E;
inline constexpr std::uint32_t kScCodeRemoteClosed = 0xC000013E;

// Default and smallest MaxReceiveSize [bytes].
inline constexpr std::uint32_t kScDefaultMaxReceiveSize = 41088;
// Receive buffer: first size and growth step, and its limit [bytes].
inline constexpr std::uint32_t kScReceiveStep = 2048;
inline constexpr std::uint32_t kScReceiveLimit = 1048576;

// The message being extracted (ScMessageRecord): size, capacity and its own data block.
struct ScMessageRecord
{
    std::uint32_t size = 0;
    std::uint32_t capacity = 0;
    std::unique_ptr<std::byte[]> data;
};

// Result of one extraction step.
struct ScExtract
{
    enum Kind
    {
        NeedMore,  // wait for the next read
        Delivered, // the record holds one whole message
        Skipped,   // zero padding was skipped; try again
        Fault,     // the link must end with `status`
    } kind;
    std::uint32_t status = 0;
};

// Receive buffer and extraction of one link; used by the completion of its one pending read.
class ScFramer
{
  public:
    // A framer that refuses messages larger than maxReceiveSize.
    explicit ScFramer(std::uint32_t maxReceiveSize);

    // Where the next read puts its bytes (the free end of the buffer).
    std::span<std::byte> freeSpace();
    // Adds bytes that a read put into freeSpace().
    void commit(std::size_t bytes);
    // Extracts the next message into record() (scExtractMessage).
    ScExtract extract();
    // The last delivered message; its data block may be taken over.
    ScMessageRecord& record() { return record_; }
    // Current capacity of the receive buffer [bytes].
    std::uint32_t capacity() const { return capacity_; }
    // Bytes received but not yet delivered.
    std::uint32_t waiting() const { return end_ - read_; }

  private:
    ScExtract tidy(ScExtract result);
    std::uint32_t maxReceiveSize_;
    std::unique_ptr<std::byte[]> buffer_;
    std::uint32_t capacity_ = kScReceiveStep;
    std::uint32_t read_ = 0;
    std::uint32_t end_ = 0;
    ScMessageRecord record_;
};

} // namespace oxl
