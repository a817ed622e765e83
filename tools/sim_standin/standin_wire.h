// The simulator stand-in's own reading of client messages and writing of receive messages. It shares
// only the numeric ids with the client library, so a layout mistake on one side shows up in tests.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace oxl::standin
{

// One client message as read: the header fields and, decoded by call, its fields as JSON.
struct ClientMessage
{
    std::uint32_t size = 0;
    std::uint32_t protocol = 0;
    std::uint32_t type = 0;
    std::uint32_t sendId = 0;
    std::uint32_t callId = 0;
    nlohmann::json fields; // named fields of the call (strings, numbers, "data" as hex for SetData)
    std::string error;     // why the message was refused (empty when it is well-formed)
};

// Decodes one whole message (its size field already framed).
ClientMessage decodeClientMessage(std::string_view bytes);
// The SDK name of a call id ("SimConnect_Open" ...); "call 0x.." for unknown ids.
std::string callName(std::uint32_t callId);

// Encoders of receive messages; `version` is the header's server version field.
std::string encodeOpen(const std::string& name, const std::uint32_t appVersion[4],
                       const std::uint32_t scVersion[4]);
std::string encodeQuit();
std::string encodeException(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index);
std::string encodeEvent(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data);
std::string encodeObjectAddRemove(std::uint32_t eventId, std::uint32_t objectId, std::uint32_t objectType);
std::string encodeFilename(std::uint32_t eventId, const std::string& fileName, std::uint32_t flags);
std::string encodeFrame(std::uint32_t eventId, float frameRate, float simSpeed);
std::string encodeObjectData(std::uint32_t recvId, std::uint32_t requestId, std::uint32_t objectId,
                             std::uint32_t defineId, std::uint32_t flags, std::uint32_t entry,
                             std::uint32_t outOf, std::uint32_t defineCount, const std::string& data);
std::string encodeAssignedObjectId(std::uint32_t requestId, std::uint32_t objectId);
// A message with any id and body (for scripted faults).
std::string encodeRaw(std::uint32_t recvId, const std::string& body);

// Little-endian appenders used to build data blocks.
void appendU32(std::string& out, std::uint32_t v);
void appendF64(std::string& out, double v);
void appendI64(std::string& out, std::int64_t v);
void appendFixed(std::string& out, const std::string& text, std::size_t width);

} // namespace oxl::standin
