// Numeric ids of the simulator's client protocol. This header holds numbers only; the layouts of
// the messages live with each side's own encoder and decoder.
#pragma once

#include <cstdint>

namespace oxl::scwire
{

// Protocol number in the header of every sent message.
inline constexpr std::uint32_t kProtocol = 35;
// High bits of the type field of a sent message (type = kTypeBase + call id).
inline constexpr std::uint32_t kTypeBase = 0xF0000000;

// Call ids of sent messages.
enum SendId : std::uint32_t
{
    kSendOpen = 0x01,
    kSendMapClientEventToSimEvent = 0x04,
    kSendTransmitClientEvent = 0x05,
    kSendAddClientEventToNotificationGroup = 0x07,
    kSendSetNotificationGroupPriority = 0x09,
    kSendAddToDataDefinition = 0x0C,
    kSendRequestDataOnSimObject = 0x0E,
    kSendRequestDataOnSimObjectType = 0x0F,
    kSendSetDataOnSimObject = 0x10,
    kSendSubscribeToSystemEvent = 0x17,
    kSendAICreateNonATCAircraft = 0x29,
    kSendAIReleaseControl = 0x2B,
    kSendAIRemoveObject = 0x2C,
    kSendAISetAircraftFlightPlan = 0x2D,
};

// Ids of received messages (the third header field).
enum RecvId : std::uint32_t
{
    kRecvNull = 0,
    kRecvException = 1,
    kRecvOpen = 2,
    kRecvQuit = 3,
    kRecvEvent = 4,
    kRecvEventObjectAddRemove = 5,
    kRecvEventFilename = 6,
    kRecvEventFrame = 7,
    kRecvSimObjectData = 8,
    kRecvSimObjectDataByType = 9,
    kRecvAssignedObjectId = 12,
    kRecvClientData = 16,
};

// Exception numbers of an EXCEPTION message.
enum ExceptionId : std::uint32_t
{
    kExceptionError = 1,
    kExceptionSizeMismatch = 2,
    kExceptionUnrecognizedId = 3,
    kExceptionVersionMismatch = 5,
    kExceptionNameUnrecognized = 7,
    kExceptionTooManyObjects = 11,
    kExceptionInvalidDataSize = 19,
    kExceptionCreateObjectFailed = 22,
    kExceptionLoadFlightplanFailed = 23,
    kExceptionOperationInvalidForObjectType = 24,
};

// Datum types of a data definition.
enum DataType : std::uint32_t
{
    kDataInvalid = 0,
    kDataInt32 = 1,
    kDataInt64 = 2,
    kDataFloat32 = 3,
    kDataFloat64 = 4,
    kDataString8 = 5,
    kDataString32 = 6,
    kDataString64 = 7,
    kDataString128 = 8,
    kDataString256 = 9,
    kDataString260 = 10,
    kDataStringV = 11,
};

// Periods of a data request.
enum Period : std::uint32_t
{
    kPeriodNever = 0,
    kPeriodOnce = 1,
    kPeriodVisualFrame = 2,
    kPeriodSimFrame = 3,
    kPeriodSecond = 4,
};

// Object types of a range request and of object add/remove events.
enum ObjectType : std::uint32_t
{
    kObjectUser = 0,
    kObjectAll = 1,
    kObjectAircraft = 2,
    kObjectHelicopter = 3,
    kObjectBoat = 4,
    kObjectGround = 5,
};

// The object id that stands for the user's aircraft in a request.
inline constexpr std::uint32_t kObjectIdUser = 0;
// The "unused" id (datum ids, group ids).
inline constexpr std::uint32_t kUnused = 0xFFFFFFFF;
// Highest notification-group priority.
inline constexpr std::uint32_t kGroupPriorityHighest = 1;

} // namespace oxl::scwire
