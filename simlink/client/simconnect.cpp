// Message builders. Every call runs under the handle's call lock, so two threads can never
// interleave half-written messages or skip each other's send ids.
#include "simlink/client/simconnect.h"

#include "simlink/client/sc_connect.h"
#include "simlink/client/wire.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace oxl
{

namespace
{

// Sizes of the sent messages [bytes].
constexpr std::uint32_t kSizeOpen = 296;
constexpr std::uint32_t kSizeMapEvent = 276;
constexpr std::uint32_t kSizeTransmitEvent = 36;
constexpr std::uint32_t kSizeAddToGroup = 28;
constexpr std::uint32_t kSizeGroupPriority = 24;
constexpr std::uint32_t kSizeAddToDefinition = 544;
constexpr std::uint32_t kSizeRequestData = 48;
constexpr std::uint32_t kSizeRequestByType = 32;
constexpr std::uint32_t kSizeSetDataHeader = 36;
constexpr std::uint32_t kSizeSubscribe = 276;
constexpr std::uint32_t kSizeCreateAircraft = 344;
constexpr std::uint32_t kSizeReleaseControl = 24;
constexpr std::uint32_t kSizeRemoveObject = 24;
constexpr std::uint32_t kSizeFlightPlan = 284;

// The build stamp of the Open message: bytes 00 44 33 50 at offset 276, then versions 5, 3, 0, 0.
constexpr std::uint32_t kOpenStamp = 0x50334400;
constexpr std::uint32_t kOpenVersion[4] = {5, 3, 0, 0};

constexpr ScResult resultOf(std::uint32_t code)
{
    return static_cast<ScResult>(code);
}

// Writes a message's fields in order; a string that does not fit marks the message as failed.
class Writer
{
  public:
    explicit Writer(std::byte* message) : p_(message) {}

    void header(std::uint32_t size, std::uint32_t callId)
    {
        put(0, size);
        put(4, scwire::kProtocol);
        put(8, scwire::kTypeBase + callId);
    }
    void put(std::uint32_t offset, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            p_[offset + i] = static_cast<std::byte>(v >> (8 * i));
    }
    void putF32(std::uint32_t offset, float v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        put(offset, bits);
    }
    void putF64(std::uint32_t offset, double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        put(offset, static_cast<std::uint32_t>(bits));
        put(offset + 4, static_cast<std::uint32_t>(bits >> 32));
    }
    // A field of width bytes holds at most width-1 characters and its NUL; a null text is empty.
    void putString(std::uint32_t offset, std::uint32_t width, const char* text)
    {
        if (!text)
            return;
        const std::size_t len = std::strlen(text);
        if (len >= width)
        {
            tooLong_ = true;
            return;
        }
        std::memcpy(p_ + offset, text, len);
    }
    // Copies len bytes (nothing for a null block: the field stays zero).
    void putBytes(std::uint32_t offset, const void* data, std::size_t len)
    {
        if (data && len > 0)
            std::memcpy(p_ + offset, data, len);
    }
    bool tooLong() const { return tooLong_; }

  private:
    std::byte* p_;
    bool tooLong_ = false;
};

// The fields of a SetDataOnSimObject message, shared by the call and the frame.
struct SetData
{
    std::uint32_t definitionId;
    std::uint32_t objectId;
    std::uint32_t flags;
    std::uint32_t arrayCount;
    std::uint32_t unitSize;
    const void* data;

    std::uint64_t count() const { return arrayCount == 0 ? 1 : arrayCount; }
    std::uint32_t messageSize() const
    {
        return static_cast<std::uint32_t>(
            std::min<std::uint64_t>(kSizeSetDataHeader + count() * unitSize, 0xFFFFFFFF));
    }
    void fill(Writer& w) const
    {
        w.put(16, definitionId);
        w.put(20, objectId);
        w.put(24, flags);
        w.put(28, static_cast<std::uint32_t>(count()));
        w.put(32, unitSize);
        w.putBytes(36, data, static_cast<std::size_t>(count() * unitSize));
    }
};

// The fields of the messages that a call and a frame both send.
auto transmitFill(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data, std::uint32_t groupId,
                  std::uint32_t flags)
{
    return [=](Writer& w)
    {
        w.put(16, objectId);
        w.put(20, eventId);
        w.put(24, data);
        w.put(28, groupId);
        w.put(32, flags);
    };
}

auto objectRequestFill(std::uint32_t objectId, std::uint32_t requestId)
{
    return [=](Writer& w)
    {
        w.put(16, objectId);
        w.put(20, requestId);
    };
}

auto createFill(const char* containerTitle, const char* tailNumber, const ScInitPosition& position,
                std::uint32_t requestId)
{
    return [=](Writer& w)
    {
        w.putString(16, kScContainerTitleWidth, containerTitle);
        w.putString(272, kScTailNumberWidth, tailNumber);
        w.putF64(284, position.latitudeDeg);
        w.putF64(292, position.longitudeDeg);
        w.putF64(300, position.altitudeFt);
        w.putF64(308, position.pitchDeg);
        w.putF64(316, position.bankDeg);
        w.putF64(324, position.headingDeg);
        w.put(332, position.onGround);
        w.put(336, position.airspeedKt);
        w.put(340, requestId);
    };
}

// Reserve, fill and hand over one message as one step on the handle.
template <typename Fill>
ScResult sendMessage(ScHandle handle, std::uint32_t size, std::uint32_t callId, Fill fill)
{
    if (!handle)
        return kScFail;
    std::lock_guard call(handle->callLock);
    std::byte* message = nullptr;
    switch (scAllocMessage(handle, &message, size))
    {
    case 0:
        break;
    case 2:
        return resultOf(handle->failureCode());
    default:
        return kScFail;
    }
    Writer w(message);
    w.header(size, callId);
    fill(w);
    if (w.tooLong())
    {
        scReleaseMessage(handle, message, size);
        return kScStringTooLong;
    }
    scFlushSend(handle);
    return kScOk;
}

} // namespace

ScResult SimConnect_Open(ScHandle* handle, const char* name, ScNotifyWindow* window,
                         std::uint32_t userMessage, ScNotify* event, std::uint32_t configIndex)
{
    if (!handle || !name)
        return kScInvalidArg;
    ScConnection* conn = nullptr;
    const std::uint32_t connected = scConnect(&conn, configIndex);
    if (connected == 3)
        return kScInvalidArg;
    if (connected != 0)
        return kScFail;
    *handle = conn;
    conn->notifyWindow = window;
    conn->notifyMessage = userMessage;
    conn->notifyEvent = event;
    conn->defaultProc = nullptr;

    ScResult result = kScOk;
    {
        std::lock_guard call(conn->callLock);
        std::byte* message = nullptr;
        const std::uint32_t reserved = scAllocMessage(conn, &message, kSizeOpen);
        if (reserved == 2)
            result = resultOf(conn->failureCode());
        else if (reserved != 0)
            result = kScFail;
        else
        {
            Writer w(message);
            w.header(kSizeOpen, scwire::kSendOpen);
            w.putString(16, 256, name);
            w.put(272, 0);
            w.put(276, kOpenStamp);
            for (std::uint32_t i = 0; i < 4; ++i)
                w.put(280 + 4 * i, kOpenVersion[i]);
            if (w.tooLong())
            {
                scReleaseMessage(conn, message, kSizeOpen);
                result = kScStringTooLong;
            }
            else if (scFlushSend(conn) != 0)
                result = kScFail;
        }
    }
    if (result != kScOk)
        scCloseConnection(conn);
    return result;
}

ScResult SimConnect_Close(ScHandle handle)
{
    if (!handle)
        return kScFail;
    {
        std::lock_guard call(handle->callLock);
        scFlushSend(handle);
    }
    scCloseConnection(handle);
    return kScOk;
}

ScResult SimConnect_CallDispatch(ScHandle handle, ScDispatchProc proc, void* context)
{
    if (!handle)
        return kScFail;
    switch (scDispatchLoop(handle, proc, context))
    {
    case 0:
        return kScOk;
    case 2:
        return resultOf(handle->failureCode());
    default:
        return kScFail;
    }
}

ScResult SimConnect_GetLastSentPacketID(ScHandle handle, std::uint32_t* sendId)
{
    if (!handle || !sendId)
        return kScFail;
    std::lock_guard lock(scLibraryLock());
    *sendId = handle->sendId;
    return kScOk;
}

ScResult SimConnect_MapClientEventToSimEvent(ScHandle handle, std::uint32_t eventId, const char* eventName)
{
    return sendMessage(handle, kSizeMapEvent, scwire::kSendMapClientEventToSimEvent,
                       [&](Writer& w)
                       {
                           w.put(16, eventId);
                           w.putString(20, 256, eventName);
                       });
}

ScResult SimConnect_TransmitClientEvent(ScHandle handle, std::uint32_t objectId, std::uint32_t eventId,
                                        std::uint32_t data, std::uint32_t groupId, std::uint32_t flags)
{
    return sendMessage(handle, kSizeTransmitEvent, scwire::kSendTransmitClientEvent,
                       transmitFill(objectId, eventId, data, groupId, flags));
}

ScResult SimConnect_AddClientEventToNotificationGroup(ScHandle handle, std::uint32_t groupId,
                                                      std::uint32_t eventId, std::uint32_t maskable)
{
    return sendMessage(handle, kSizeAddToGroup, scwire::kSendAddClientEventToNotificationGroup,
                       [&](Writer& w)
                       {
                           w.put(16, groupId);
                           w.put(20, eventId);
                           w.put(24, maskable);
                       });
}

ScResult SimConnect_SetNotificationGroupPriority(ScHandle handle, std::uint32_t groupId,
                                                 std::uint32_t priority)
{
    return sendMessage(handle, kSizeGroupPriority, scwire::kSendSetNotificationGroupPriority,
                       [&](Writer& w)
                       {
                           w.put(16, groupId);
                           w.put(20, priority);
                       });
}

ScResult SimConnect_AddToDataDefinition(ScHandle handle, std::uint32_t definitionId, const char* datumName,
                                        const char* unitsName, std::uint32_t datumType, float epsilon,
                                        std::uint32_t datumId)
{
    return sendMessage(handle, kSizeAddToDefinition, scwire::kSendAddToDataDefinition,
                       [&](Writer& w)
                       {
                           w.put(16, definitionId);
                           w.putString(20, 256, datumName);
                           w.putString(276, 256, unitsName);
                           w.put(532, datumType);
                           w.putF32(536, epsilon);
                           w.put(540, datumId);
                       });
}

ScResult SimConnect_RequestDataOnSimObject(ScHandle handle, std::uint32_t requestId,
                                           std::uint32_t definitionId, std::uint32_t objectId,
                                           std::uint32_t period, std::uint32_t flags, std::uint32_t origin,
                                           std::uint32_t interval, std::uint32_t limit)
{
    return sendMessage(handle, kSizeRequestData, scwire::kSendRequestDataOnSimObject,
                       [&](Writer& w)
                       {
                           w.put(16, requestId);
                           w.put(20, definitionId);
                           w.put(24, objectId);
                           w.put(28, period);
                           w.put(32, flags);
                           w.put(36, origin);
                           w.put(40, interval);
                           w.put(44, limit);
                       });
}

ScResult SimConnect_RequestDataOnSimObjectType(ScHandle handle, std::uint32_t requestId,
                                               std::uint32_t definitionId, std::uint32_t radiusM,
                                               std::uint32_t objectType)
{
    return sendMessage(handle, kSizeRequestByType, scwire::kSendRequestDataOnSimObjectType,
                       [&](Writer& w)
                       {
                           w.put(16, requestId);
                           w.put(20, definitionId);
                           w.put(24, radiusM);
                           w.put(28, objectType);
                       });
}

ScResult SimConnect_SetDataOnSimObject(ScHandle handle, std::uint32_t definitionId, std::uint32_t objectId,
                                       std::uint32_t flags, std::uint32_t arrayCount, std::uint32_t unitSize,
                                       const void* data)
{
    const SetData d{definitionId, objectId, flags, arrayCount, unitSize, data};
    // A block larger than the send buffer finds no room: the reservation fails and nothing is sent.
    return sendMessage(handle, d.messageSize(), scwire::kSendSetDataOnSimObject,
                       [&](Writer& w) { d.fill(w); });
}

template <typename Fill> bool ScFrame::append(std::uint32_t size, std::uint32_t callId, Fill fill)
{
    if (size > kScSendBufferSize)
        return false;
    const std::size_t at = bytes_.size();
    bytes_.resize(at + size);
    Writer w(bytes_.data() + at);
    w.header(size, callId);
    fill(w);
    if (w.tooLong())
    {
        bytes_.resize(at);
        return false;
    }
    ++messages_;
    return true;
}

bool ScFrame::setDataOnSimObject(std::uint32_t definitionId, std::uint32_t objectId, std::uint32_t flags,
                                 std::uint32_t arrayCount, std::uint32_t unitSize, const void* data)
{
    const SetData d{definitionId, objectId, flags, arrayCount, unitSize, data};
    return append(d.messageSize(), scwire::kSendSetDataOnSimObject, [&](Writer& w) { d.fill(w); });
}

void ScFrame::transmitClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data,
                                  std::uint32_t groupId, std::uint32_t flags)
{
    append(kSizeTransmitEvent, scwire::kSendTransmitClientEvent,
           transmitFill(objectId, eventId, data, groupId, flags));
}

void ScFrame::aiReleaseControl(std::uint32_t objectId, std::uint32_t requestId)
{
    append(kSizeReleaseControl, scwire::kSendAIReleaseControl, objectRequestFill(objectId, requestId));
}

void ScFrame::aiRemoveObject(std::uint32_t objectId, std::uint32_t requestId)
{
    append(kSizeRemoveObject, scwire::kSendAIRemoveObject, objectRequestFill(objectId, requestId));
}

ScResult ScFrame::aiCreateNonATCAircraft(const char* containerTitle, const char* tailNumber,
                                         const ScInitPosition& position, std::uint32_t requestId)
{
    return append(kSizeCreateAircraft, scwire::kSendAICreateNonATCAircraft,
                  createFill(containerTitle, tailNumber, position, requestId))
               ? kScOk
               : kScStringTooLong;
}

ScResult scSendFrame(ScHandle handle, ScFrame& frame, std::vector<std::uint32_t>* sendIds)
{
    if (!handle)
    {
        frame.clear();
        return kScFail;
    }
    std::lock_guard call(handle->callLock);
    const std::uint32_t queued = scQueueFrame(handle, frame.bytes(), sendIds);
    frame.clear();
    if (queued == 2)
        return resultOf(handle->failureCode());
    return queued == 0 ? kScOk : kScFail;
}

ScResult SimConnect_SubscribeToSystemEvent(ScHandle handle, std::uint32_t eventId,
                                           const char* systemEventName)
{
    return sendMessage(handle, kSizeSubscribe, scwire::kSendSubscribeToSystemEvent,
                       [&](Writer& w)
                       {
                           w.put(16, eventId);
                           w.putString(20, 256, systemEventName);
                       });
}

ScResult SimConnect_AICreateNonATCAircraft(ScHandle handle, const char* containerTitle,
                                           const char* tailNumber, const ScInitPosition& position,
                                           std::uint32_t requestId)
{
    return sendMessage(handle, kSizeCreateAircraft, scwire::kSendAICreateNonATCAircraft,
                       createFill(containerTitle, tailNumber, position, requestId));
}

ScResult SimConnect_AIReleaseControl(ScHandle handle, std::uint32_t objectId, std::uint32_t requestId)
{
    return sendMessage(handle, kSizeReleaseControl, scwire::kSendAIReleaseControl,
                       objectRequestFill(objectId, requestId));
}

ScResult SimConnect_AIRemoveObject(ScHandle handle, std::uint32_t objectId, std::uint32_t requestId)
{
    return sendMessage(handle, kSizeRemoveObject, scwire::kSendAIRemoveObject,
                       objectRequestFill(objectId, requestId));
}

ScResult SimConnect_AISetAircraftFlightPlan(ScHandle handle, std::uint32_t objectId,
                                            const char* flightPlanPath, std::uint32_t requestId)
{
    return sendMessage(handle, kSizeFlightPlan, scwire::kSendAISetAircraftFlightPlan,
                       [&](Writer& w)
                       {
                           w.put(16, objectId);
                           w.putString(20, 260, flightPlanPath);
                           w.put(280, requestId);
                       });
}

} // namespace oxl
