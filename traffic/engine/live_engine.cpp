#include "traffic/engine/live_engine.h"

#include "traffic/source/adding_stack.h"
#include "traffic/source/source_state.h"

#include <algorithm>

namespace oxl
{

namespace
{
// Room for the traffic of a busy region without moving the records during a cycle.
constexpr std::size_t kReservedLiveAircraft = 512;
constexpr std::size_t kReservedLiveParked = 64;
} // namespace

LiveEngine::LiveEngine()
{
    live.reserve(kReservedLiveAircraft);
    liveParked.reserve(kReservedLiveParked);
}

void LiveEngine::reset()
{
    live.clear();
    spawnStack.clear();
    ghostCallsigns.clear();
    unmatchedSet.clear();
    couplingQueue.clear();
    liveParked.clear();
    deferred.clear();
    leftPlaces.clear();
    unshownLogged.clear();
    answersInHand.clear();
    fastRequest = false;
    intake = {};
    publishedChanges = ~0ull;
}

std::int32_t LiveEngine::tick() const
{
    return (n.tickCounter != nullptr ? *n.tickCounter : gSource.gTickCounter).load(std::memory_order_relaxed);
}

TrafficFilter& LiveEngine::filter() const
{
    return n.filter != nullptr ? *n.filter : gSource.gTrafficFilter;
}

void LiveEngine::publishKnownHexids()
{
    if (publishedChanges == live.membershipChanges())
        return;
    publishedChanges = live.membershipChanges();
    hexidsToPublish.clear();
    for (const LiveAc& ac : live)
        hexidsToPublish.push_back(ac.hexid);
    filter().exchangeKnownHexids(hexidsToPublish);
}

UserAcData LiveEngine::user() const
{
    return n.sim->userAircraft();
}

std::int64_t LiveEngine::steadyNow100ns() const
{
    return n.clock->steadyNow100ns();
}

DayHalfHour LiveEngine::weekdayHalfHour() const
{
    return n.clock->weekdayHalfHour();
}

std::optional<DbaseRecord> LiveEngine::lookupRegistration(const std::string& registration) const
{
    return n.liveries->lookupRegistration(registration);
}

LiveAc* LiveEngine::findByHexid(std::uint32_t hexid)
{
    return live.findByHexid(hexid);
}

LiveAc* LiveEngine::findByObjectId(std::uint32_t objectId)
{
    // Buffered aircraft have no object yet; an id of 0 names none of them.
    if (objectId == 0)
        return nullptr;
    for (LiveAc& ac : live)
        if (ac.objectId == objectId)
            return &ac;
    return nullptr;
}

void LiveEngine::dropByHexid(std::uint32_t hexid)
{
    if (hexid > kLastStaticHexid)
    {
        if (LiveAc* ac = findByHexid(hexid))
            live.eraseAt(live.positionOf(*ac));
        return;
    }
    auto& statics = n.parking->staticAircraft;
    const auto it =
        std::find_if(statics.begin(), statics.end(), [hexid](const SimAc& s) { return s.hexid == hexid; });
    if (it != statics.end())
        statics.erase(it);
}

std::size_t LiveEngine::activeCount() const
{
    return static_cast<std::size_t>(std::count_if(
        live.begin(), live.end(), [](const LiveAc& ac) { return ac.simState == SimState::active; }));
}

} // namespace oxl
