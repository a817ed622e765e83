#include "simlink/sim_sender.h"

#include "foundation/log.h"
#include "foundation/status_service.h"
#include "foundation/time_text.h"
#include "platform/clock.h"
#include "records/records_state.h"
#include "simlink/ai_create.h"
#include "simlink/sim_direct.h"
#include "simlink/sim_ids.h"

#include <fmt/format.h>

namespace oxl
{

namespace
{

constexpr std::size_t kQueueReserve = 256;
// The place in the frame of a creation that was not appended.
constexpr std::size_t kNotInFrame = static_cast<std::size_t>(-1);
// [bytes] the position block of one object: eight doubles.
constexpr std::uint32_t kPositionBlockBytes = 64;

void appendEvent(ScFrame& frame, const SimEventEntry& e)
{
    const bool flaps = e.eventId == kEvFlapsSet;
    // Flaps move only on an object out of the simulator's AI control, and it takes control back after the
    // event; in one frame nothing of another object can come between the three.
    if (flaps)
        frame.aiReleaseControl(e.objectId, kReqReleaseControl);
    frame.transmitClientEvent(e.objectId, e.eventId, e.data, kSimNotifyGroup, 0);
    if (flaps)
        frame.aiReleaseControl(e.objectId, kReqReleaseControl);
}

void appendRemovals(ScFrame& frame, const std::vector<std::uint32_t>& ids)
{
    const std::uint32_t userId = gSimLink.gUserObjectId.load();
    for (std::uint32_t id : ids)
    {
        if (id <= userId)
        {
            gf_logMarked(fmt::format("SimConnect call to remove ac with objectid {}", id));
            continue;
        }
        frame.aiRemoveObject(id, kReqRemoveAc);
    }
}

// What each call of a frame that did not reach the link would have reported.
void frameNotSent(const SimLinkState& link)
{
    for (const SimEventEntry& e : link.gFrameEvents)
        gf_status().showMessage(fmt::format("SimConnect TransmitClientEvent: {} fails", e.eventId), true);
    bool failed = false;
    for (std::size_t i = 0; i < link.gFrameCreates.size(); ++i)
        if (link.gFrameCreateAt[i] != kNotInFrame)
        {
            gf_creationNotSent(link.gFrameCreates[i]);
            failed = true;
        }
    const std::uint32_t userId = gSimLink.gUserObjectId.load();
    for (const std::uint32_t id : link.gFrameRemovals)
        if (id > userId)
        {
            gf_logMarked(fmt::format("{} !SimConnect call to remove AI ac from sim failed, id {}?",
                                     gf_nowTimeOfDay(), id));
            failed = true;
        }
    if (failed)
        gf_simRequestError();
}

} // namespace

void gf_initSimQueues(std::uint32_t version)
{
    gSimLink.gSimVersion = version;
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        for (auto& buffer : gRecords.gSimQueues.positionBuffers)
            buffer.reserve(kQueueReserve);
        gRecords.gSimQueues.creates.reserve(kQueueReserve);
        gRecords.gSimQueues.removals.reserve(kQueueReserve);
    }
    gf_reserveCreationTables(kQueueReserve);
    gSimLink.gSimError.store(0);
}

void gf_queueCreateAc(const CreateRequest& request)
{
    gRecords.gSimQueues.queueCreateAc(request);
}

void gf_queueSimEvent(const SimEventEntry& entry)
{
    gRecords.gSimQueues.queueSimEvent(entry);
}

void gf_setLights(std::uint32_t objectId, const std::array<std::uint32_t, 7>& values)
{
    static constexpr std::array<std::uint32_t, 7> kLights{kEvNavLights,  kEvBeaconLights, kEvLandingLights,
                                                          kEvTaxiLights, kEvStrobes,      kEvLogoLights,
                                                          kEvCabinLights};
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    for (std::size_t i = 0; i < kLights.size(); ++i)
        gRecords.gSimQueues.events.push_back({objectId, kLights[i], values[i]});
}

void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value)
{
    gRecords.gSimQueues.queueSimEvent({objectId, kEvCabinLights, value});
}

void gf_queueRemoval(std::uint32_t objectId)
{
    gRecords.gSimQueues.queueRemoval(objectId);
}

void gf_queuePosition(const SimPosition& position)
{
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    gRecords.gSimQueues.fill->push_back(position);
}

PositionHandOver gf_handOverPositions()
{
    return gRecords.gSimQueues.handOverPositions();
}

void gf_clearPositionBuffers()
{
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    for (auto& buffer : gRecords.gSimQueues.positionBuffers)
        buffer.clear();
}

UserAcData gf_requestUserAcPosition()
{
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        if (gSimLink.gSimError.load() == 0 &&
            SimConnect_RequestDataOnSimObject(gSimLink.gSimHandle, kReqUserPosition, kDefUserAcData,
                                              scwire::kObjectIdUser, scwire::kPeriodOnce, 0, 0, 0, 0) < 0)
        {
            gf_logMarked("SimConnect request user ac position fails");
            gf_simRequestError();
        }
    }
    return gf_userAcData();
}

bool gf_requestUserOnGroundEverySecond()
{
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    // Its reply also paces the main loop's seconds, so it is asked once per cycle and kept running.
    return gf_simCallHeld(
               [](ScHandle h)
               {
                   return SimConnect_RequestDataOnSimObject(h, kReqUserOnGround, kDefUserOnGround,
                                                            scwire::kObjectIdUser, scwire::kPeriodSecond, 0,
                                                            0, 0, 0);
               }) >= 0;
}

void gf_requestUserAcTitleModel()
{
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    if (SimConnect_RequestDataOnSimObject(gSimLink.gSimHandle, kReqUserTitle, kDefUserTitle,
                                          scwire::kObjectIdUser, scwire::kPeriodOnce, 0, 0, 0, 0) < 0)
    {
        gf_logMarked("SimConnect request user ac title fails");
        gf_simRequestError();
    }
    if (SimConnect_RequestDataOnSimObject(gSimLink.gSimHandle, kReqUserModel, kDefUserModel,
                                          scwire::kObjectIdUser, scwire::kPeriodOnce, 0, 0, 0, 0) < 0)
    {
        gf_logMarked("SimConnect reques user ac model fails");
        gf_simRequestError();
    }
}

ScResult gf_setSpoilersThrottles(std::uint32_t objectId, double spoilersPct, double throttle1Pct,
                                 double throttle2Pct)
{
    // Under the lock like every other call: two calls on one handle must not interleave their messages.
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    return gf_setSpoilersThrottlesHeld(objectId, spoilersPct, throttle1Pct, throttle2Pct);
}

ScResult gf_simCall(const std::function<ScResult(ScHandle)>& call)
{
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    return gf_simCallHeld(call);
}

bool gf_takeFrame()
{
    gSimLink.simClientOwner.check();
    auto& q = gRecords.gSimQueues;
    std::unique_lock lock(q.simMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return false;
    if (gSimLink.gSimError.load() != 0)
    {
        q.send->clear();
        q.events.clear();
        q.creates.clear();
        q.removals.clear();
        q.withdrawals.clear();
        return false;
    }
    // Only the contents change hands: each side keeps the room of the other's old vector.
    gSimLink.gFramePositions.clear();
    gSimLink.gFramePositions.swap(*q.send);
    gSimLink.gFrameEvents.clear();
    gSimLink.gFrameEvents.swap(q.events);
    gSimLink.gFrameCreates.clear();
    gSimLink.gFrameCreates.swap(q.creates);
    gSimLink.gFrameRemovals.clear();
    gSimLink.gFrameRemovals.swap(q.removals);
    gSimLink.gFrameWithdrawals.clear();
    gSimLink.gFrameWithdrawals.swap(q.withdrawals);
    return true;
}

void gf_buildFrame()
{
    gSimLink.simClientOwner.check();
    const std::uint32_t userId = gSimLink.gUserObjectId.load();
    gSimLink.gFrame.clear();
    for (const SimPosition& p : gSimLink.gFramePositions)
        if (p.objectId > userId)
            gSimLink.gFrame.setDataOnSimObject(kDefPosition, p.objectId, 0, 0, kPositionBlockBytes, &p);
    gSimLink.gFramePositions.clear();
}

void gf_sendFrame()
{
    gSimLink.simClientOwner.check();
    auto& link = gSimLink;
    // Before this frame's creations: a withdrawal concerns a creation sent earlier, never a new one under
    // the same hexid.
    for (const std::uint32_t hexid : link.gFrameWithdrawals)
        gf_letGoCreation(hexid);
    link.gFrameWithdrawals.clear();
    // Events, creations and removals join the positions, and the frame goes to the link as one packet:
    // neither simMutex nor the library is held across a burst, so the main loop never waits for one, and
    // the calls of other threads come before or after the frame, never inside it.
    if (link.gSimError.load() == 0)
    {
        for (const SimEventEntry& e : link.gFrameEvents)
            appendEvent(link.gFrame, e);
        link.gFrameCreateAt.clear();
        for (const CreateRequest& r : link.gFrameCreates)
        {
            const std::size_t at = link.gFrame.messageCount();
            link.gFrameCreateAt.push_back(gf_createAcInSim(link.gFrame, r) ? at : kNotInFrame);
        }
        appendRemovals(link.gFrame, link.gFrameRemovals);
        link.gFrameSendIds.clear();
        if (!link.gFrame.empty() && scSendFrame(link.gSimHandle, link.gFrame, &link.gFrameSendIds) < 0)
            frameNotSent(link);
        else
            // A creation and its send id are one step: the ids are those the frame's messages were stamped
            // with.
            for (std::size_t i = 0; i < link.gFrameCreates.size(); ++i)
                if (const std::size_t at = link.gFrameCreateAt[i];
                    at != kNotInFrame && at < link.gFrameSendIds.size())
                    gf_rememberCreation(link.gFrameCreates[i], link.gFrameSendIds[at]);
    }
    link.gFrame.clear();
    link.gFrameEvents.clear();
    link.gFrameCreates.clear();
    link.gFrameRemovals.clear();
}

void gf_sendQueuedToSim()
{
    gf_expirePendingCreates(plat::steadyNow());
    if (!gf_takeFrame())
        return;
    gf_buildFrame();
    gf_sendFrame();
}

} // namespace oxl
