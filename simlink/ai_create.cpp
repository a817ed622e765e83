#include "simlink/ai_create.h"

#include "foundation/log.h"
#include "foundation/program.h"
#include "platform/clock.h"
#include "records/records_state.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"

#include <algorithm>
#include <fmt/format.h>

namespace oxl
{

namespace
{

// Entries of the creation tables are removed by moving the last one into their place.
template <typename T> void removeAt(std::vector<T>& v, std::size_t i)
{
    if (i + 1 != v.size())
        v[i] = std::move(v.back());
    v.pop_back();
}

void pushAnswer(const SimAnswer& answer)
{
    gRecords.gSimAnswerQueue.push(answer);
}

// Layout of a reply of definition 404 [bytes].
constexpr std::size_t kAglAt = 0;
constexpr std::size_t kGroundAltAt = 8;
constexpr std::size_t kOnGroundAt = 16;
constexpr std::size_t kAtcIdAt = 24;
constexpr std::size_t kAtcIdWidth = 32;

// An added object whose creation was given up is taken out of the simulator: nothing would ever move it.
bool removeGivenUp(std::uint32_t oid, const std::string& atcId)
{
    auto& givenUp = gSimLink.gGivenUpCreates;
    const auto it = std::find_if(givenUp.begin(), givenUp.end(),
                                 [&](const GivenUpCreate& g) { return g.callsign == atcId; });
    if (atcId.empty() || it == givenUp.end())
        return false;
    givenUp.erase(it);
    gf_log(fmt::format("{} added by the simulator after its creation was given up: removed, oid: {}",
                       gf_outsideText(atcId), oid));
    gf_queueRemoval(oid);
    return true;
}

} // namespace

std::string gf_utf8Prefix(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes so that the cut falls before a character's lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

void gf_createAcInSim(const CreateRequest& request)
{
    gSimLink.simClientOwner.check();
    const std::string title(request.title);
    const ScInitPosition position{request.lat,  request.lon,     request.alt,      request.pitch,
                                  request.bank, request.heading, request.onGround, request.airspeed};
    const ScResult result = SimConnect_AICreateNonATCAircraft(
        gSimLink.gSimHandle, title.c_str(), request.callsign.c_str(), position, kReqCreateAc);
    if (result < 0)
    {
        gf_logMarked(
            fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})",
                        request.hexid, title, gf_outsideText(request.callsign)));
        // A title or tail number too long for its field is this aircraft's fault, not the link's: the main
        // loop drops the aircraft. Only a title too long counts against the livery; a tail number too long
        // fails this creation alone.
        if (result != kScStringTooLong)
            gf_simRequestError();
        else if (title.size() >= kScContainerTitleWidth)
            pushAnswer({0, request.hexid, 0, SimAnswerKind::createFailed, 0.0, 0.0});
        else
            pushAnswer({0, request.hexid, 0, SimAnswerKind::createRefused, 0.0, 0.0});
        return;
    }
    std::uint32_t sendId = 0;
    if (SimConnect_GetLastSentPacketID(gSimLink.gSimHandle, &sendId) != kScOk)
    {
        gf_logMarked("GetLastSentPacketID");
        sendId = 0;
    }
    gSimLink.gPendingCreates.push_back({sendId, request.hexid, request.callsign, plat::steadyNow()});
}

void gf_onSimObjectDataByType(const ScRecvSimObjectData& reply)
{
    gSimLink.simClientOwner.check();
    if ((reply.requestId != kReqAcInRange && reply.requestId != kReqNewObject) ||
        reply.objectId <= gSimLink.gUserObjectId.load())
        return;
    const auto agl = scDataF64(reply.data, kAglAt);
    const auto groundAlt = scDataF64(reply.data, kGroundAltAt);
    const auto onGround = scDataI64(reply.data, kOnGroundAt);
    if (!agl || !groundAlt || !onGround)
    {
        gf_log(fmt::format("! short message id {} size {}", scwire::kRecvSimObjectDataByType,
                           reply.data.size() + 40));
        return;
    }
    const std::string atcId = scDataFixedString(reply.data, kAtcIdAt, kAtcIdWidth);
    const std::uint32_t oid = reply.objectId;

    const auto added = std::find(gSimLink.gNewObjects.begin(), gSimLink.gNewObjects.end(), oid);
    if (added != gSimLink.gNewObjects.end())
    {
        removeAt(gSimLink.gNewObjects, static_cast<std::size_t>(added - gSimLink.gNewObjects.begin()));
        // Paired by a found flag: a static aircraft's hexid is a valid hexid whatever its value.
        bool found = false;
        std::uint32_t hexid = 0;
        if (!atcId.empty())
            for (std::size_t i = 0; i < gSimLink.gPendingCreates.size(); ++i)
                if (gSimLink.gPendingCreates[i].callsign == atcId)
                {
                    found = true;
                    hexid = gSimLink.gPendingCreates[i].hexid;
                    removeAt(gSimLink.gPendingCreates, i);
                    break;
                }
        if (!found && removeGivenUp(oid, atcId))
            return;
        if (!found)
        {
            gf_log(fmt::format("just spawned, but not by {}, oid: {}, callsign '{}', altaboveGnd:{:.0f} ft, "
                               "onground:{}, gnd_alt:{:.0f} ft",
                               kProductName, oid, gf_outsideText(atcId), *agl, *onGround, *groundAlt));
            return;
        }
        {
            // The program moves its aircraft itself: out of AI control and frozen, with the next frame.
            std::lock_guard lock(gRecords.gSimQueues.simMutex);
            SimConnect_AIReleaseControl(gSimLink.gSimHandle, oid, kReqReleaseControl);
            gRecords.gSimQueues.events.push_back({oid, kEvFreezeLatLon, 1});
            gRecords.gSimQueues.events.push_back({oid, kEvFreezeAltitude, 1});
            gRecords.gSimQueues.events.push_back({oid, kEvFreezeAttitude, 1});
        }
        if (hexid > 10000)
            pushAnswer({oid, hexid, 0, SimAnswerKind::liveCreated, 0.0, *agl});
        else
            pushAnswer({oid, hexid, 0, SimAnswerKind::staticCreated, 0.0, 0.0});
        return;
    }
    if (*agl > kOtherAcMaxAglFt || atcId.empty() || atcId.back() == '*')
        return;
    pushAnswer({oid, static_cast<std::uint32_t>(*onGround), 0, SimAnswerKind::groundData, *groundAlt, *agl});
}

void gf_onCreateFailed(std::uint32_t sendId)
{
    gSimLink.simClientOwner.check();
    for (std::size_t i = 0; i < gSimLink.gPendingCreates.size(); ++i)
        if (sendId != 0 && gSimLink.gPendingCreates[i].sendId == sendId)
        {
            const std::uint32_t hexid = gSimLink.gPendingCreates[i].hexid;
            removeAt(gSimLink.gPendingCreates, i);
            pushAnswer({0, hexid, 0, SimAnswerKind::createFailed, 0.0, 0.0});
            return;
        }
}

void gf_noteNewObject(std::uint32_t objectId)
{
    gSimLink.simClientOwner.check();
    gSimLink.gNewObjects.push_back(objectId);
    // The range reply reaches only so far from the user, who may have flown on since the creation: the
    // object's own data names it wherever it was added. With no creation of ours under way the object is
    // another program's, and only the range reply tells of it, as of any other aircraft near the user.
    if (gSimLink.gPendingCreates.empty() && gSimLink.gGivenUpCreates.empty())
        return;
    std::lock_guard lock(gRecords.gSimQueues.simMutex);
    if (gSimLink.gSimError.load() == 0 &&
        SimConnect_RequestDataOnSimObject(gSimLink.gSimHandle, kReqNewObject, kDefAcInRange, objectId,
                                          scwire::kPeriodOnce, 0, 0, 0, 0) < 0)
    {
        gf_logMarked("SimConnect request new object data fails");
        gf_simRequestError();
    }
}

void gf_forgetNewObject(std::uint32_t objectId)
{
    gSimLink.simClientOwner.check();
    auto& added = gSimLink.gNewObjects;
    const auto it = std::find(added.begin(), added.end(), objectId);
    if (it != added.end())
        removeAt(added, static_cast<std::size_t>(it - added.begin()));
}

void gf_expirePendingCreates(std::chrono::steady_clock::time_point now)
{
    gSimLink.simClientOwner.check();
    auto& pending = gSimLink.gPendingCreates;
    for (std::size_t i = pending.size(); i-- > 0;)
    {
        if (now - pending[i].sentAt < kCreateConfirmPeriod)
            continue;
        const PendingCreate gone = std::move(pending[i]);
        removeAt(pending, i);
        gf_log(fmt::format("{} (hexid {}) not added by the simulator within {} s: creation given up",
                           gf_outsideText(gone.callsign), gone.hexid, kCreateConfirmPeriod.count()));
        // Its aircraft leaves the main loop: it no longer counts against the live limit, and a later
        // report of it spawns it anew. The livery is not at fault.
        pushAnswer({0, gone.hexid, 0, SimAnswerKind::createRefused, 0.0, 0.0});
        if (!gone.callsign.empty())
            gSimLink.gGivenUpCreates.push_back({gone.callsign, now});
    }
    auto& givenUp = gSimLink.gGivenUpCreates;
    std::erase_if(givenUp, [now](const GivenUpCreate& g) { return now - g.givenUpAt >= kGivenUpKeptFor; });
}

const std::vector<PendingCreate>& gf_pendingCreates()
{
    return gSimLink.gPendingCreates;
}

const std::vector<std::uint32_t>& gf_newObjects()
{
    return gSimLink.gNewObjects;
}

void gf_reserveCreationTables(std::size_t count)
{
    gSimLink.gPendingCreates.reserve(count);
    gSimLink.gNewObjects.reserve(count);
    gSimLink.gGivenUpCreates.reserve(count);
}

void gf_clearCreationTables()
{
    gSimLink.gPendingCreates.clear();
    gSimLink.gNewObjects.clear();
    gSimLink.gGivenUpCreates.clear();
}

} // namespace oxl
