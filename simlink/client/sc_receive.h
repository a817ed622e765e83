// Decoders of received messages, laid out as the simulator's receive structures: a 12-byte header
// (size, server version, id) and the body of that id. Every decoder checks the message against the
// smallest size of its id first; texts are read bounded by their field and by the message end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace oxl
{

// The header of every received message.
struct ScRecvHeader
{
    std::uint32_t size = 0;
    std::uint32_t version = 0;
    std::uint32_t id = 0;
};

// EXCEPTION: the exception number, the send id of the message it is about, and the parameter index.
struct ScRecvException
{
    std::uint32_t exception = 0;
    std::uint32_t sendId = 0;
    std::uint32_t index = 0;
};

// OPEN: the simulator's name and versions.
struct ScRecvOpen
{
    std::string applicationName;
    std::uint32_t applicationVersionMajor = 0;
    std::uint32_t applicationVersionMinor = 0;
    std::uint32_t applicationBuildMajor = 0;
    std::uint32_t applicationBuildMinor = 0;
    std::uint32_t simConnectVersionMajor = 0;
    std::uint32_t simConnectVersionMinor = 0;
    std::uint32_t simConnectBuildMajor = 0;
    std::uint32_t simConnectBuildMinor = 0;
};

// EVENT and the common part of the event messages below.
struct ScRecvEvent
{
    std::uint32_t groupId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t data = 0;
};

// EVENT_OBJECT_ADDREMOVE: the object id is the event's data.
struct ScRecvObjectAddRemove
{
    ScRecvEvent event;
    std::uint32_t objectType = 0;
};

// EVENT_FILENAME.
struct ScRecvFilename
{
    ScRecvEvent event;
    std::string fileName;
    std::uint32_t flags = 0;
};

// EVENT_FRAME.
struct ScRecvFrame
{
    ScRecvEvent event;
    float frameRate = 0;
    float simSpeed = 0;
};

// SIMOBJECT_DATA and SIMOBJECT_DATA_BYTYPE; data runs from offset 40 to the message end.
struct ScRecvSimObjectData
{
    std::uint32_t requestId = 0;
    std::uint32_t objectId = 0;
    std::uint32_t defineId = 0;
    std::uint32_t flags = 0;
    std::uint32_t entryNumber = 0;
    std::uint32_t outOf = 0;
    std::uint32_t defineCount = 0;
    std::span<const std::byte> data;
};

// ASSIGNED_OBJECT_ID.
struct ScRecvAssignedObjectId
{
    std::uint32_t requestId = 0;
    std::uint32_t objectId = 0;
};

// Smallest size [bytes] of a received message of the id (12 for ids without a known body).
std::uint32_t scRecvMinimumSize(std::uint32_t id);
// The header, or nullopt for fewer than 12 bytes or a size field that disagrees with the bytes.
std::optional<ScRecvHeader> scRecvHeader(std::span<const std::byte> message);

// Body decoders; nullopt when the message is shorter than its id needs.
std::optional<ScRecvException> scRecvException(std::span<const std::byte> message);
std::optional<ScRecvOpen> scRecvOpen(std::span<const std::byte> message);
std::optional<ScRecvEvent> scRecvEvent(std::span<const std::byte> message);
std::optional<ScRecvObjectAddRemove> scRecvObjectAddRemove(std::span<const std::byte> message);
std::optional<ScRecvFilename> scRecvFilename(std::span<const std::byte> message);
std::optional<ScRecvFrame> scRecvFrame(std::span<const std::byte> message);
std::optional<ScRecvSimObjectData> scRecvSimObjectData(std::span<const std::byte> message);
std::optional<ScRecvAssignedObjectId> scRecvAssignedObjectId(std::span<const std::byte> message);

// Readers of a data block: nullopt when the block is too short (or the value is not finite).
std::optional<double> scDataF64(std::span<const std::byte> data, std::size_t offset);
std::optional<std::int64_t> scDataI64(std::span<const std::byte> data, std::size_t offset);
// A fixed-width text field (STRING32 ...): up to its first NUL, never past width or the block end.
std::string scDataFixedString(std::span<const std::byte> data, std::size_t offset, std::size_t width);
// A variable-length text (STRINGV): up to its NUL or the block end; also gives the bytes it took.
std::string scDataStringV(std::span<const std::byte> data, std::size_t offset,
                          std::size_t* consumed = nullptr);

} // namespace oxl
