// Extraction follows the size field: 0 is padding, 1..3 and sizes above MaxReceiveSize end the link.
#include "simlink/client/sc_framer.h"

#include <cstring>
#include <new>

namespace oxl
{

namespace
{

std::uint32_t readU32(const std::byte* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

ScFramer::ScFramer(std::uint32_t maxReceiveSize)
    : maxReceiveSize_(maxReceiveSize), buffer_(new std::byte[kScReceiveStep])
{
}

std::span<std::byte> ScFramer::freeSpace()
{
    return {buffer_.get() + end_, capacity_ - end_};
}

void ScFramer::commit(std::size_t bytes)
{
    end_ += static_cast<std::uint32_t>(bytes);
}

ScExtract ScFramer::extract()
{
    const std::uint32_t waitingBytes = end_ - read_;
    if (waitingBytes < 4)
        return tidy({ScExtract::NeedMore});
    const std::byte* at = buffer_.get() + read_;
    const std::uint32_t size = readU32(at);
    if (size > maxReceiveSize_)
        return {ScExtract::Fault, kScStatusOversize};
    if (size >= 1 && size <= 3)
        return {ScExtract::Fault, kScStatusBadSize};
    if (size == 0)
    {
        while (read_ < end_ && buffer_[read_] == std::byte{0})
            ++read_;
        if (read_ == end_)
            read_ = end_ = 0;
        return {ScExtract::Skipped};
    }
    if (size > record_.capacity)
    {
        std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[size]);
        if (!block)
            return {ScExtract::Fault, kScStatusNoMemory};
        record_.data = std::move(block);
        record_.capacity = size;
    }
    if (waitingBytes < size)
        return tidy({ScExtract::NeedMore});
    std::memcpy(record_.data.get(), at, size);
    record_.size = size;
    read_ += size;
    if (read_ == end_)
        read_ = end_ = 0;
    const std::uint32_t left = end_ - read_;
    if (left >= 4 && readU32(buffer_.get() + read_) <= left)
        return {ScExtract::Delivered};
    return tidy({ScExtract::Delivered});
}

ScExtract ScFramer::tidy(ScExtract result)
{
    if (end_ < capacity_)
        return result;
    if (read_ > 0)
    {
        std::memmove(buffer_.get(), buffer_.get() + read_, end_ - read_);
        end_ -= read_;
        read_ = 0;
        return result;
    }
    // One message larger than the buffer: grow, up to the limit.
    if (capacity_ >= kScReceiveLimit)
        return result.kind == ScExtract::Delivered ? result : ScExtract{ScExtract::Fault, kScStatusOversize};
    std::unique_ptr<std::byte[]> bigger(new (std::nothrow) std::byte[capacity_ + kScReceiveStep]);
    if (!bigger)
        return {ScExtract::Fault, kScStatusNoMemory};
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ += kScReceiveStep;
    return result;
}

} // namespace oxl
