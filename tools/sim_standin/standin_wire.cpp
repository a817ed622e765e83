// Client message layouts (header: size, protocol, 0xF0000000 + call id, send id; fields from 16).
#include "tools/sim_standin/standin_wire.h"

#include "simlink/client/wire.h"

#include <cstring>
#include <fmt/format.h>

namespace oxl::standin
{

namespace
{

constexpr std::uint32_t kServerVersion = 4; // header field 2 of every receive message

std::uint32_t u32(std::string_view b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

double f64(std::string_view b, std::size_t at)
{
    std::uint64_t bits = static_cast<std::uint64_t>(u32(b, at)) | static_cast<std::uint64_t>(u32(b, at + 4))
                                                                      << 32;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

float f32(std::string_view b, std::size_t at)
{
    std::uint32_t bits = u32(b, at);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// A char[width] field: text up to the NUL; a field without NUL is an error.
std::optional<std::string> text(std::string_view b, std::size_t at, std::size_t width)
{
    std::string_view field = b.substr(at, width);
    auto nul = field.find('\0');
    if (nul == std::string_view::npos)
        return std::nullopt;
    // Every byte after the NUL must be zero.
    for (std::size_t i = nul; i < field.size(); ++i)
        if (field[i] != '\0')
            return std::nullopt;
    return std::string(field.substr(0, nul));
}

std::string header(std::uint32_t size, std::uint32_t id)
{
    std::string m;
    m.reserve(size);
    appendU32(m, size);
    appendU32(m, kServerVersion);
    appendU32(m, id);
    return m;
}

std::uint32_t expectedSize(std::uint32_t callId)
{
    switch (callId)
    {
    case scwire::kSendOpen:
        return 296;
    case scwire::kSendMapClientEventToSimEvent:
    case scwire::kSendSubscribeToSystemEvent:
        return 276;
    case scwire::kSendTransmitClientEvent:
        return 36;
    case scwire::kSendAddClientEventToNotificationGroup:
        return 28;
    case scwire::kSendSetNotificationGroupPriority:
    case scwire::kSendAIReleaseControl:
    case scwire::kSendAIRemoveObject:
        return 24;
    case scwire::kSendAddToDataDefinition:
        return 544;
    case scwire::kSendRequestDataOnSimObject:
        return 48;
    case scwire::kSendRequestDataOnSimObjectType:
        return 32;
    case scwire::kSendAICreateNonATCAircraft:
        return 344;
    case scwire::kSendAISetAircraftFlightPlan:
        return 284;
    default:
        return 0;
    }
}

} // namespace

void appendU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

void appendF64(std::string& out, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(bits >> (8 * i)));
}

void appendI64(std::string& out, std::int64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(static_cast<std::uint64_t>(v) >> (8 * i)));
}

void appendFixed(std::string& out, const std::string& s, std::size_t width)
{
    std::string field = s.substr(0, width - 1);
    field.resize(width, '\0');
    out += field;
}

std::string callName(std::uint32_t callId)
{
    switch (callId)
    {
    case scwire::kSendOpen:
        return "SimConnect_Open";
    case scwire::kSendMapClientEventToSimEvent:
        return "SimConnect_MapClientEventToSimEvent";
    case scwire::kSendTransmitClientEvent:
        return "SimConnect_TransmitClientEvent";
    case scwire::kSendAddClientEventToNotificationGroup:
        return "SimConnect_AddClientEventToNotificationGroup";
    case scwire::kSendSetNotificationGroupPriority:
        return "SimConnect_SetNotificationGroupPriority";
    case scwire::kSendAddToDataDefinition:
        return "SimConnect_AddToDataDefinition";
    case scwire::kSendRequestDataOnSimObject:
        return "SimConnect_RequestDataOnSimObject";
    case scwire::kSendRequestDataOnSimObjectType:
        return "SimConnect_RequestDataOnSimObjectType";
    case scwire::kSendSetDataOnSimObject:
        return "SimConnect_SetDataOnSimObject";
    case scwire::kSendSubscribeToSystemEvent:
        return "SimConnect_SubscribeToSystemEvent";
    case scwire::kSendAICreateNonATCAircraft:
        return "SimConnect_AICreateNonATCAircraft";
    case scwire::kSendAIReleaseControl:
        return "SimConnect_AIReleaseControl";
    case scwire::kSendAIRemoveObject:
        return "SimConnect_AIRemoveObject";
    case scwire::kSendAISetAircraftFlightPlan:
        return "SimConnect_AISetAircraftFlightPlan";
    default:
        return fmt::format("call 0x{:X}", callId);
    }
}

ClientMessage decodeClientMessage(std::string_view b)
{
    ClientMessage m;
    if (b.size() < 16)
    {
        m.error = fmt::format("message of {} bytes has no header", b.size());
        return m;
    }
    m.size = u32(b, 0);
    m.protocol = u32(b, 4);
    m.type = u32(b, 8);
    m.sendId = u32(b, 12);
    m.callId = m.type & 0x0FFFFFFF;
    if (m.protocol != scwire::kProtocol)
        m.error = fmt::format("protocol {}", m.protocol);
    else if ((m.type & 0xF0000000) != scwire::kTypeBase)
        m.error = fmt::format("type 0x{:08X}", m.type);
    if (!m.error.empty())
        return m;

    auto& f = m.fields;
    auto str = [&](const char* name, std::size_t at, std::size_t width)
    {
        auto s = text(b, at, width);
        if (!s)
            m.error = fmt::format("{}: text field without NUL or with bytes after it", name);
        f[name] = s.value_or("");
    };
    if (m.callId == scwire::kSendSetDataOnSimObject)
    {
        if (b.size() < 36 || u32(b, 28) == 0 || u32(b, 0) != 36 + std::uint64_t{u32(b, 28)} * u32(b, 32))
        {
            m.error = fmt::format("size {} does not fit the data block", b.size());
            return m;
        }
        f["definitionId"] = u32(b, 16);
        f["objectId"] = u32(b, 20);
        f["flags"] = u32(b, 24);
        f["count"] = u32(b, 28);
        f["unitSize"] = u32(b, 32);
        nlohmann::json values = nlohmann::json::array();
        for (std::size_t at = 36; at + 8 <= b.size(); at += 8)
            values.push_back(f64(b, at));
        f["f64"] = values;
        return m;
    }
    const std::uint32_t expected = expectedSize(m.callId);
    if (expected == 0)
    {
        m.error = fmt::format("unknown call id 0x{:X}", m.callId);
        return m;
    }
    if (b.size() != expected)
    {
        m.error = fmt::format("{} has {} bytes, not {}", callName(m.callId), b.size(), expected);
        return m;
    }
    switch (m.callId)
    {
    case scwire::kSendOpen:
        str("name", 16, 256);
        f["reserved"] = u32(b, 272);
        f["stamp"] = u32(b, 276);
        f["versions"] = {u32(b, 280), u32(b, 284), u32(b, 288), u32(b, 292)};
        break;
    case scwire::kSendMapClientEventToSimEvent:
        f["eventId"] = u32(b, 16);
        str("eventName", 20, 256);
        break;
    case scwire::kSendSubscribeToSystemEvent:
        f["eventId"] = u32(b, 16);
        str("systemEventName", 20, 256);
        break;
    case scwire::kSendTransmitClientEvent:
        f["objectId"] = u32(b, 16);
        f["eventId"] = u32(b, 20);
        f["data"] = u32(b, 24);
        f["groupId"] = u32(b, 28);
        f["flags"] = u32(b, 32);
        break;
    case scwire::kSendAddClientEventToNotificationGroup:
        f["groupId"] = u32(b, 16);
        f["eventId"] = u32(b, 20);
        f["maskable"] = u32(b, 24);
        break;
    case scwire::kSendSetNotificationGroupPriority:
        f["groupId"] = u32(b, 16);
        f["priority"] = u32(b, 20);
        break;
    case scwire::kSendAddToDataDefinition:
        f["definitionId"] = u32(b, 16);
        str("datumName", 20, 256);
        str("unitsName", 276, 256);
        f["datumType"] = u32(b, 532);
        f["epsilon"] = f32(b, 536);
        f["datumId"] = u32(b, 540);
        break;
    case scwire::kSendRequestDataOnSimObject:
        f["requestId"] = u32(b, 16);
        f["definitionId"] = u32(b, 20);
        f["objectId"] = u32(b, 24);
        f["period"] = u32(b, 28);
        f["flags"] = u32(b, 32);
        f["origin"] = u32(b, 36);
        f["interval"] = u32(b, 40);
        f["limit"] = u32(b, 44);
        break;
    case scwire::kSendRequestDataOnSimObjectType:
        f["requestId"] = u32(b, 16);
        f["definitionId"] = u32(b, 20);
        f["radiusM"] = u32(b, 24);
        f["objectType"] = u32(b, 28);
        break;
    case scwire::kSendAICreateNonATCAircraft:
        str("title", 16, 256);
        str("tailNumber", 272, 12);
        f["latitude"] = f64(b, 284);
        f["longitude"] = f64(b, 292);
        f["altitude"] = f64(b, 300);
        f["pitch"] = f64(b, 308);
        f["bank"] = f64(b, 316);
        f["heading"] = f64(b, 324);
        f["onGround"] = u32(b, 332);
        f["airspeed"] = u32(b, 336);
        f["requestId"] = u32(b, 340);
        break;
    case scwire::kSendAIReleaseControl:
    case scwire::kSendAIRemoveObject:
        f["objectId"] = u32(b, 16);
        f["requestId"] = u32(b, 20);
        break;
    case scwire::kSendAISetAircraftFlightPlan:
        f["objectId"] = u32(b, 16);
        str("path", 20, 260);
        f["requestId"] = u32(b, 280);
        break;
    default:
        break;
    }
    return m;
}

std::string encodeOpen(const std::string& name, const std::uint32_t appVersion[4],
                       const std::uint32_t scVersion[4])
{
    std::string m = header(308, scwire::kRecvOpen);
    appendFixed(m, name, 256);
    for (int i = 0; i < 4; ++i)
        appendU32(m, appVersion[i]);
    for (int i = 0; i < 4; ++i)
        appendU32(m, scVersion[i]);
    appendU32(m, 0);
    appendU32(m, 0);
    return m;
}

std::string encodeQuit()
{
    return header(12, scwire::kRecvQuit);
}

std::string encodeException(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index)
{
    std::string m = header(24, scwire::kRecvException);
    appendU32(m, exception);
    appendU32(m, sendId);
    appendU32(m, index);
    return m;
}

std::string encodeEvent(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data)
{
    std::string m = header(24, scwire::kRecvEvent);
    appendU32(m, groupId);
    appendU32(m, eventId);
    appendU32(m, data);
    return m;
}

std::string encodeObjectAddRemove(std::uint32_t eventId, std::uint32_t objectId, std::uint32_t objectType)
{
    std::string m = header(28, scwire::kRecvEventObjectAddRemove);
    appendU32(m, scwire::kUnused);
    appendU32(m, eventId);
    appendU32(m, objectId);
    appendU32(m, objectType);
    return m;
}

std::string encodeFilename(std::uint32_t eventId, const std::string& fileName, std::uint32_t flags)
{
    std::string m = header(288, scwire::kRecvEventFilename);
    appendU32(m, scwire::kUnused);
    appendU32(m, eventId);
    appendU32(m, 0);
    appendFixed(m, fileName, 260);
    appendU32(m, flags);
    return m;
}

std::string encodeFrame(std::uint32_t eventId, float frameRate, float simSpeed)
{
    std::string m = header(32, scwire::kRecvEventFrame);
    appendU32(m, scwire::kUnused);
    appendU32(m, eventId);
    appendU32(m, 0);
    std::uint32_t bits;
    std::memcpy(&bits, &frameRate, 4);
    appendU32(m, bits);
    std::memcpy(&bits, &simSpeed, 4);
    appendU32(m, bits);
    return m;
}

std::string encodeObjectData(std::uint32_t recvId, std::uint32_t requestId, std::uint32_t objectId,
                             std::uint32_t defineId, std::uint32_t flags, std::uint32_t entry,
                             std::uint32_t outOf, std::uint32_t defineCount, const std::string& data)
{
    std::string m = header(static_cast<std::uint32_t>(40 + data.size()), recvId);
    appendU32(m, requestId);
    appendU32(m, objectId);
    appendU32(m, defineId);
    appendU32(m, flags);
    appendU32(m, entry);
    appendU32(m, outOf);
    appendU32(m, defineCount);
    m += data;
    return m;
}

std::string encodeAssignedObjectId(std::uint32_t requestId, std::uint32_t objectId)
{
    std::string m = header(20, scwire::kRecvAssignedObjectId);
    appendU32(m, requestId);
    appendU32(m, objectId);
    return m;
}

std::string encodeRaw(std::uint32_t recvId, const std::string& body)
{
    return header(static_cast<std::uint32_t>(12 + body.size()), recvId) + body;
}

} // namespace oxl::standin
