#include "simlink/ai_create.h"

#include "foundation/log.h"
#include "foundation/program.h"
#include "platform/clock.h"
#include "records/aircraft_words.h"
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

// The simulator holds at most 1000 objects.
constexpr std::size_t kMaxNewObjects = 1000;

// The first creation under the callsign that is wanted or not, or the table's end.
std::vector<PendingCreate>::iterator findCreation(const std::string& callsign, bool wanted)
{
    auto& pending = gSimLink.gPendingCreates;
    return std::find_if(pending.begin(), pending.end(),
                        [&](const PendingCreate& p) { return p.wanted == wanted && p.callsign == callsign; });
}

// Pairs an added object by its ATC ID; false when no creation of ours explains it. Any object under the
// callsign serves an aircraft that waits for one, whichever of the creations under that callsign it
// came from; one that no aircraft waits for stands for a creation let go and is taken out of the
// simulator, as nothing would ever move it. So every creation under a callsign accounts for one object.
bool pairOrRemove(std::uint32_t oid, const std::string& atcId, double agl)
{
    if (atcId.empty())
        return false;
    auto& pending = gSimLink.gPendingCreates;
    if (const auto wanted = findCreation(atcId, true); wanted != pending.end())
    {
        const std::uint32_t hexid = wanted->hexid;
        removeAt(pending, static_cast<std::size_t>(wanted - pending.begin()));
        // The program moves its aircraft itself: out of AI control and frozen, with the next frame. The call
        // needs no simMutex: the client library serialises it, and the main loop waits for nothing but the
        // appends.
        SimConnect_AIReleaseControl(gSimLink.gSimHandle, oid, kReqReleaseControl);
        {
            std::lock_guard lock(gRecords.gSimQueues.simMutex);
            gRecords.gSimQueues.events.push_back({oid, kEvFreezeLatLon, 1});
            gRecords.gSimQueues.events.push_back({oid, kEvFreezeAltitude, 1});
            gRecords.gSimQueues.events.push_back({oid, kEvFreezeAttitude, 1});
        }
        if (hexid > 10000)
            pushAnswer({oid, hexid, 0, SimAnswerKind::liveCreated, 0.0, agl});
        else
            pushAnswer({oid, hexid, 0, SimAnswerKind::staticCreated, 0.0, 0.0});
        return true;
    }
    const auto letGo = findCreation(atcId, false);
    if (letGo == pending.end())
        return false;
    removeAt(pending, static_cast<std::size_t>(letGo - pending.begin()));
    gf_logSimRepeated(
        "added by the simulator after its creation was let go",
        [&]
        {
            return fmt::format("{} added by the simulator after its creation was let go: removed, oid: {}",
                               gf_outsideText(atcId), oid);
        },
        LogForm::plain, fmt::format_int(oid).str());
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

bool gf_simCarriesCallsign(std::string_view callsign)
{
    // A NUL would cut the tail number short and a control byte may not come back as sent: either way the
    // object's ATC ID would never equal the callsign, and nothing would pair, move or remove it.
    return !callsign.empty() && callsign.size() < kScTailNumberWidth && gf_noControlBytes(callsign);
}

bool gf_createAcInSim(ScFrame& frame, const CreateRequest& request)
{
    gSimLink.simClientOwner.check();
    const std::string title(request.title);
    const ScInitPosition position{request.lat,  request.lon,     request.alt,      request.pitch,
                                  request.bank, request.heading, request.onGround, request.airspeed};
    if (!gf_simCarriesCallsign(request.callsign))
    {
        gf_logSimRepeated(
            "not created: the simulator cannot carry its callsign",
            [&]
            {
                return fmt::format(
                    "{} (hexid {}) not created: the simulator cannot carry its callsign as it is",
                    gf_outsideText(request.callsign), request.hexid);
            },
            LogForm::plain, fmt::format_int(request.hexid).str());
        pushAnswer({0, request.hexid, 0, SimAnswerKind::createRefused, 0.0, 0.0});
        return false;
    }
    if (frame.aiCreateNonATCAircraft(title.c_str(), request.callsign.c_str(), position, kReqCreateAc) ==
        kScOk)
        return true;
    gf_creationNotSent(request);
    // A title too long for its field is the livery's fault, not the link's: the main loop drops the aircraft
    // and counts the livery as failed.
    pushAnswer({0, request.hexid, 0, SimAnswerKind::createFailed, 0.0, 0.0});
    return false;
}

void gf_creationNotSent(const CreateRequest& request)
{
    gf_logSimRepeated(
        "! Simcon call to create ac in sim failed",
        [&]
        {
            return fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})",
                               request.hexid, std::string(request.title), gf_outsideText(request.callsign));
        },
        LogForm::marked, fmt::format_int(request.hexid).str());
}

void gf_rememberCreation(const CreateRequest& request, std::uint32_t sendId)
{
    gSimLink.simClientOwner.check();
    gSimLink.gPendingCreates.push_back({sendId, request.hexid, request.callsign, plat::steadyNow(), true});
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
        gf_logShortMessage(scwire::kRecvSimObjectDataByType,
                           static_cast<std::uint32_t>(reply.data.size() + 40));
        return;
    }
    const std::string atcId = scDataFixedString(reply.data, kAtcIdAt, kAtcIdWidth);
    const std::uint32_t oid = reply.objectId;

    const auto added = std::find(gSimLink.gNewObjects.begin(), gSimLink.gNewObjects.end(), oid);
    if (added != gSimLink.gNewObjects.end())
    {
        removeAt(gSimLink.gNewObjects, static_cast<std::size_t>(added - gSimLink.gNewObjects.begin()));
        if (!pairOrRemove(oid, atcId, *agl))
            gf_logSimRepeated(
                "just spawned",
                [&]
                {
                    return fmt::format(
                        "just spawned, but not by {}, oid: {}, callsign '{}', altaboveGnd:{:.0f} "
                        "ft, onground:{}, gnd_alt:{:.0f} ft",
                        kProductName, oid, gf_outsideText(atcId), *agl, *onGround, *groundAlt);
                },
                LogForm::plain, fmt::format_int(oid).str());
        return;
    }
    if (*agl > kOtherAcMaxAglFt || atcId.empty() || atcId.back() == '*')
        return;
    pushAnswer({oid, static_cast<std::uint32_t>(*onGround), 0, SimAnswerKind::groundData, *groundAlt, *agl});
}

void gf_onCreateFailed(std::uint32_t sendId)
{
    gSimLink.simClientOwner.check();
    auto& pending = gSimLink.gPendingCreates;
    const auto failed =
        std::find_if(pending.begin(), pending.end(),
                     [sendId](const PendingCreate& p) { return sendId != 0 && p.sendId == sendId; });
    if (failed == pending.end())
        return;
    const PendingCreate gone = std::move(*failed);
    removeAt(pending, static_cast<std::size_t>(failed - pending.begin()));
    // A creation let go has no aircraft left to drop.
    if (gone.wanted)
        pushAnswer({0, gone.hexid, 0, SimAnswerKind::createFailed, 0.0, 0.0});
}

void gf_noteNewObject(std::uint32_t objectId)
{
    gSimLink.simClientOwner.check();
    auto& added = gSimLink.gNewObjects;
    // An object added again is on the list already, its data asked for.
    if (std::find(added.begin(), added.end(), objectId) != added.end())
        return;
    // Bounded: a flood of new objects that no reply names (other programs' far away) pushes out early ones.
    if (added.size() >= kMaxNewObjects)
        added.erase(added.begin());
    added.push_back(objectId);
    // The range reply reaches only so far from the user, who may have flown on since the creation: the
    // object's own data names it wherever it was added. With no creation of ours under way the object is
    // another program's, and only the range reply tells of it, as of any other aircraft near the user.
    if (gSimLink.gPendingCreates.empty())
        return;
    // The client library serialises the call; simMutex would only make the main loop wait.
    if (gSimLink.gSimError.load() == 0 &&
        SimConnect_RequestDataOnSimObject(gSimLink.gSimHandle, kReqNewObject, kDefAcInRange, objectId,
                                          scwire::kPeriodOnce, 0, 0, 0, 0) < 0)
    {
        gf_logSimRepeated("SimConnect request new object data fails", LogForm::marked);
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

void gf_letGoCreation(std::uint32_t hexid)
{
    gSimLink.simClientOwner.check();
    auto& pending = gSimLink.gPendingCreates;
    // None found: its object was paired already, and the main loop removes it as no aircraft waits for it.
    const auto it = std::find_if(pending.begin(), pending.end(),
                                 [hexid](const PendingCreate& p) { return p.wanted && p.hexid == hexid; });
    if (it == pending.end())
        return;
    it->wanted = false;
}

void gf_expirePendingCreates(std::chrono::steady_clock::time_point now)
{
    gSimLink.simClientOwner.check();
    auto& pending = gSimLink.gPendingCreates;
    for (std::size_t i = pending.size(); i-- > 0;)
    {
        PendingCreate& p = pending[i];
        // One let go stays until its object comes, however late, or the cycle ends: that object is removed.
        if (!p.wanted || now - p.sentAt < kCreateWaitLimit)
            continue;
        gf_logSimRepeated(
            "not added by the simulator: creation given up",
            [&]
            {
                return fmt::format(
                    "{} (hexid {}) not added by the simulator within {} minutes: creation given up",
                    gf_outsideText(p.callsign), p.hexid, kCreateWaitLimit.count());
            },
            LogForm::plain, fmt::format_int(p.hexid).str());
        // Its aircraft leaves the main loop: it no longer counts against the live limit, and a later
        // report of it spawns it anew. The livery is not at fault.
        pushAnswer({0, p.hexid, 0, SimAnswerKind::createRefused, 0.0, 0.0});
        p.wanted = false;
    }
}

void gf_reserveCreationTables(std::size_t count)
{
    gSimLink.gPendingCreates.reserve(count);
    gSimLink.gNewObjects.reserve(count);
}

void gf_clearCreationTables()
{
    gSimLink.gPendingCreates.clear();
    gSimLink.gNewObjects.clear();
}

} // namespace oxl
