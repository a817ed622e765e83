// Receive structures: header 0 size, 4 version, 8 id; bodies from offset 12, all fields u32 unless said.
#include "simlink/client/sc_receive.h"

#include "simlink/client/wire.h"

#include <cmath>
#include <cstring>

namespace oxl
{

namespace
{

constexpr std::uint32_t kHeaderSize = 12;
constexpr std::uint32_t kNameWidth = 256;     // application name
constexpr std::uint32_t kFileNameWidth = 260; // file name of EVENT_FILENAME
constexpr std::uint32_t kOpenUsedSize = 284;  // name and the four application numbers
constexpr std::uint32_t kOpenFullSize = 308;  // with the protocol numbers and two reserved fields

std::uint32_t u32At(std::span<const std::byte> m, std::size_t offset)
{
    return static_cast<std::uint32_t>(m[offset]) | static_cast<std::uint32_t>(m[offset + 1]) << 8 |
           static_cast<std::uint32_t>(m[offset + 2]) << 16 | static_cast<std::uint32_t>(m[offset + 3]) << 24;
}

float f32At(std::span<const std::byte> m, std::size_t offset)
{
    std::uint32_t bits = u32At(m, offset);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

std::string textAt(std::span<const std::byte> m, std::size_t offset, std::size_t width)
{
    if (offset >= m.size())
        return {};
    const std::size_t limit = std::min(width, m.size() - offset);
    const auto* begin = reinterpret_cast<const char*>(m.data() + offset);
    return std::string(begin, strnlen(begin, limit));
}

bool fits(std::span<const std::byte> m, std::uint32_t id)
{
    return m.size() >= scRecvMinimumSize(id);
}

ScRecvEvent eventAt(std::span<const std::byte> m)
{
    return {u32At(m, 12), u32At(m, 16), u32At(m, 20)};
}

} // namespace

std::uint32_t scRecvMinimumSize(std::uint32_t id)
{
    switch (id)
    {
    case scwire::kRecvException:
        return 24;
    case scwire::kRecvOpen:
        return kOpenUsedSize;
    case scwire::kRecvEvent:
        return 24;
    case scwire::kRecvEventObjectAddRemove:
        return 28;
    case scwire::kRecvEventFilename:
        return 24 + kFileNameWidth + 4;
    case scwire::kRecvEventFrame:
        return 32;
    case scwire::kRecvSimObjectData:
    case scwire::kRecvSimObjectDataByType:
        return 40;
    case scwire::kRecvAssignedObjectId:
        return 20;
    default:
        return kHeaderSize;
    }
}

std::optional<ScRecvHeader> scRecvHeader(std::span<const std::byte> message)
{
    if (message.size() < kHeaderSize)
        return std::nullopt;
    ScRecvHeader h{u32At(message, 0), u32At(message, 4), u32At(message, 8)};
    if (h.size != message.size())
        return std::nullopt;
    return h;
}

std::optional<ScRecvException> scRecvException(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvException))
        return std::nullopt;
    return ScRecvException{u32At(m, 12), u32At(m, 16), u32At(m, 20)};
}

std::optional<ScRecvOpen> scRecvOpen(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvOpen))
        return std::nullopt;
    ScRecvOpen open;
    open.applicationName = textAt(m, 12, kNameWidth);
    open.applicationVersionMajor = u32At(m, 268);
    open.applicationVersionMinor = u32At(m, 272);
    open.applicationBuildMajor = u32At(m, 276);
    open.applicationBuildMinor = u32At(m, 280);
    if (m.size() >= kOpenFullSize)
    {
        open.simConnectVersionMajor = u32At(m, 284);
        open.simConnectVersionMinor = u32At(m, 288);
        open.simConnectBuildMajor = u32At(m, 292);
        open.simConnectBuildMinor = u32At(m, 296);
    }
    return open;
}

std::optional<ScRecvEvent> scRecvEvent(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvEvent))
        return std::nullopt;
    return eventAt(m);
}

std::optional<ScRecvObjectAddRemove> scRecvObjectAddRemove(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvEventObjectAddRemove))
        return std::nullopt;
    return ScRecvObjectAddRemove{eventAt(m), u32At(m, 24)};
}

std::optional<ScRecvFilename> scRecvFilename(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvEventFilename))
        return std::nullopt;
    return ScRecvFilename{eventAt(m), textAt(m, 24, kFileNameWidth), u32At(m, 24 + kFileNameWidth)};
}

std::optional<ScRecvFrame> scRecvFrame(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvEventFrame))
        return std::nullopt;
    return ScRecvFrame{eventAt(m), f32At(m, 24), f32At(m, 28)};
}

std::optional<ScRecvSimObjectData> scRecvSimObjectData(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvSimObjectData))
        return std::nullopt;
    ScRecvSimObjectData d;
    d.requestId = u32At(m, 12);
    d.objectId = u32At(m, 16);
    d.defineId = u32At(m, 20);
    d.flags = u32At(m, 24);
    d.entryNumber = u32At(m, 28);
    d.outOf = u32At(m, 32);
    d.defineCount = u32At(m, 36);
    d.data = m.subspan(40);
    return d;
}

std::optional<ScRecvAssignedObjectId> scRecvAssignedObjectId(std::span<const std::byte> m)
{
    if (!fits(m, scwire::kRecvAssignedObjectId))
        return std::nullopt;
    return ScRecvAssignedObjectId{u32At(m, 12), u32At(m, 16)};
}

std::optional<double> scDataF64(std::span<const std::byte> data, std::size_t offset)
{
    if (offset > data.size() || data.size() - offset < 8)
        return std::nullopt;
    double v;
    std::memcpy(&v, data.data() + offset, 8);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int64_t> scDataI64(std::span<const std::byte> data, std::size_t offset)
{
    if (offset > data.size() || data.size() - offset < 8)
        return std::nullopt;
    std::int64_t v;
    std::memcpy(&v, data.data() + offset, 8);
    return v;
}

std::string scDataFixedString(std::span<const std::byte> data, std::size_t offset, std::size_t width)
{
    return textAt(data, offset, width);
}

std::string scDataStringV(std::span<const std::byte> data, std::size_t offset, std::size_t* consumed)
{
    std::string s = textAt(data, offset, data.size());
    if (consumed)
        *consumed = offset >= data.size() ? 0 : std::min(s.size() + 1, data.size() - offset);
    return s;
}

} // namespace oxl
