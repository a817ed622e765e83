// The simulator's client calls under their SDK names. Each call builds one message of fixed layout
// (little-endian, packed, protocol 35), stamps it with the next send id and hands it over at once.
#pragma once

#include "simlink/client/sc_connection.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace oxl
{

// A SimConnect handle: the connection object, or null.
using ScHandle = ScConnection*;
// A 32-bit call result: 0 success, negative values are failures.
using ScResult = std::int32_t;

// Results of the calls.
inline constexpr ScResult kScOk = 0;
inline constexpr ScResult kScFail = static_cast<ScResult>(0x80004005);
inline constexpr ScResult kScInvalidArg = static_cast<ScResult>(0x80070057);
inline constexpr ScResult kScStringTooLong = static_cast<ScResult>(0x8007007A);

// Fields of the creation of an aircraft [bytes, the closing NUL included]: longer texts are refused.
inline constexpr std::uint32_t kScContainerTitleWidth = 256;
inline constexpr std::uint32_t kScTailNumberWidth = 12;

// The initial position of a created aircraft (56 bytes on the wire).
struct ScInitPosition
{
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeFt = 0;
    double pitchDeg = 0;
    double bankDeg = 0;
    double headingDeg = 0;
    std::uint32_t onGround = 0;
    std::uint32_t airspeedKt = 0;
};

// Connects (SimConnect.cfg section configIndex) and sends the Open message with the client's name.
ScResult SimConnect_Open(ScHandle* handle, const char* name, ScNotifyWindow* window,
                         std::uint32_t userMessage, ScNotify* event, std::uint32_t configIndex);
// Sends what the send buffer still holds and closes the connection (with its waits).
ScResult SimConnect_Close(ScHandle handle);
// Hands every received message of 12 bytes or more to proc, in arrival order, on the caller's thread.
ScResult SimConnect_CallDispatch(ScHandle handle, ScDispatchProc proc, void* context);
// The send id of the last reserved message.
ScResult SimConnect_GetLastSentPacketID(ScHandle handle, std::uint32_t* sendId);

// Maps a client event id to a simulator event name.
ScResult SimConnect_MapClientEventToSimEvent(ScHandle handle, std::uint32_t eventId, const char* eventName);
// Sends a client event with data to an object.
ScResult SimConnect_TransmitClientEvent(ScHandle handle, std::uint32_t objectId, std::uint32_t eventId,
                                        std::uint32_t data, std::uint32_t groupId, std::uint32_t flags);
// Adds a client event to a notification group.
ScResult SimConnect_AddClientEventToNotificationGroup(ScHandle handle, std::uint32_t groupId,
                                                      std::uint32_t eventId, std::uint32_t maskable);
// Sets the priority of a notification group.
ScResult SimConnect_SetNotificationGroupPriority(ScHandle handle, std::uint32_t groupId,
                                                 std::uint32_t priority);
// Adds a variable to a data definition.
ScResult SimConnect_AddToDataDefinition(ScHandle handle, std::uint32_t definitionId, const char* datumName,
                                        const char* unitsName, std::uint32_t datumType, float epsilon,
                                        std::uint32_t datumId);
// Requests the data of a definition for one object.
ScResult SimConnect_RequestDataOnSimObject(ScHandle handle, std::uint32_t requestId,
                                           std::uint32_t definitionId, std::uint32_t objectId,
                                           std::uint32_t period, std::uint32_t flags, std::uint32_t origin,
                                           std::uint32_t interval, std::uint32_t limit);
// Requests the data of a definition for every object of a type within a radius.
ScResult SimConnect_RequestDataOnSimObjectType(ScHandle handle, std::uint32_t requestId,
                                               std::uint32_t definitionId, std::uint32_t radiusM,
                                               std::uint32_t objectType);
// Writes arrayCount (at least one) blocks of unitSize bytes of a definition to an object.
ScResult SimConnect_SetDataOnSimObject(ScHandle handle, std::uint32_t definitionId, std::uint32_t objectId,
                                       std::uint32_t flags, std::uint32_t arrayCount, std::uint32_t unitSize,
                                       const void* data);
// Messages built ahead of the link and handed over later as one packet, so that a caller can build many
// of them without holding whatever serialises its use of the handle, and they reach the simulator back to
// back, whatever other threads send.
class ScFrame
{
  public:
    // Appends the message SimConnect_SetDataOnSimObject would send; its send id is stamped on hand-over.
    // False, and nothing appended, for a block too large for one message.
    bool setDataOnSimObject(std::uint32_t definitionId, std::uint32_t objectId, std::uint32_t flags,
                            std::uint32_t arrayCount, std::uint32_t unitSize, const void* data);
    // Appends the message SimConnect_TransmitClientEvent would send.
    void transmitClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data,
                             std::uint32_t groupId, std::uint32_t flags);
    // Appends the message SimConnect_AIReleaseControl would send.
    void aiReleaseControl(std::uint32_t objectId, std::uint32_t requestId);
    // Appends the message SimConnect_AIRemoveObject would send.
    void aiRemoveObject(std::uint32_t objectId, std::uint32_t requestId);
    // Appends the message SimConnect_AICreateNonATCAircraft would send; kScStringTooLong, and nothing
    // appended, for a text too long for its field.
    ScResult aiCreateNonATCAircraft(const char* containerTitle, const char* tailNumber,
                                    const ScInitPosition& position, std::uint32_t requestId);
    // True when no message waits.
    bool empty() const { return bytes_.empty(); }
    // How many messages wait.
    std::size_t messageCount() const { return messages_; }
    // Drops the waiting messages (their room is kept).
    void clear()
    {
        bytes_.clear();
        messages_ = 0;
    }
    // The waiting messages, back to back.
    std::vector<std::byte>& bytes() { return bytes_; }

  private:
    template <typename Fill> bool append(std::uint32_t size, std::uint32_t callId, Fill fill);

    std::vector<std::byte> bytes_;
    std::size_t messages_ = 0;
};

// Hands a frame's messages over as one packet, each stamped with the next send id as if sent one by one
// (the ids, in order, into sendIds when given); the frame is emptied either way.
ScResult scSendFrame(ScHandle handle, ScFrame& frame, std::vector<std::uint32_t>* sendIds = nullptr);
// Subscribes a client event id to a system event.
ScResult SimConnect_SubscribeToSystemEvent(ScHandle handle, std::uint32_t eventId,
                                           const char* systemEventName);
// Creates an AI aircraft that no air traffic control flies.
ScResult SimConnect_AICreateNonATCAircraft(ScHandle handle, const char* containerTitle,
                                           const char* tailNumber, const ScInitPosition& position,
                                           std::uint32_t requestId);
// Releases an AI object from the simulator's control.
ScResult SimConnect_AIReleaseControl(ScHandle handle, std::uint32_t objectId, std::uint32_t requestId);
// Removes an AI object.
ScResult SimConnect_AIRemoveObject(ScHandle handle, std::uint32_t objectId, std::uint32_t requestId);
// Gives an AI aircraft a flight-plan file.
ScResult SimConnect_AISetAircraftFlightPlan(ScHandle handle, std::uint32_t objectId,
                                            const char* flightPlanPath, std::uint32_t requestId);

} // namespace oxl
