#include "traffic/engine/live_spawning.h"

#include "airports/free_stands.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/units.h"
#include "records/aircraft_words.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_tick.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/engine/track_reading.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace oxl
{

namespace
{

constexpr double kAvoidSlowKt = 8.0;
constexpr double kAvoidGroundKeepM = 500.0;
constexpr double kAvoidGroundNm = metresToNm(150.0);
constexpr double kAvoidAirNm = 6.0;
constexpr double kAvoidAirBandFt = 3000.0;
constexpr double kAvoidAirLateralFt = 4000.0;
constexpr double kAvoidTakeOffNm = 1.5;
constexpr double kAvoidTakeOffAglFt = 1000.0;
constexpr double kAvoidTakeOffLateralFt = 500.0;
constexpr double kSpawnNearAirportNm = 5.0;
constexpr double kSpawnStandReachNm = metresToNm(35.0);
constexpr double kSpawnSlowKt = 5.0;
constexpr double kGroundPitchRad = degToRad(0.6);
constexpr double kMaxClimbFpm = 2400.0;
constexpr double kMaxDescentFpm = -3000.0;
constexpr double kNeighbourFactor = 1.1;

bool endsWithGhostMark(const std::string& callsign)
{
    return !callsign.empty() && callsign.back() == '_';
}

bool mixedStream(const LiveAc& ac)
{
    const bool firstAirborne = ac.stream.front().airborne != 0;
    return std::any_of(ac.stream.begin(), ac.stream.end(),
                       [&](const Report& r) { return (r.airborne != 0) != firstAirborne; });
}

void dropFront(LiveAc& ac)
{
    ac.stream.pop_front();
}

// A flying aircraft that could not reach its next report within a minute (or by the time it is due) even
// catching up (its source repeated a stale first position): it is created at the next report instead, not
// shown where it is not and taken away again at once.
bool leavesFrontTooFast(const LiveAc& ac)
{
    const Report& front = ac.stream.front();
    const Report& next = ac.stream[1];
    if (front.airborne == 0 || next.airborne == 0)
        return false;
    const double ticks = gf_distanceNm({front.lat, front.lon}, {next.lat, next.lon}) * kTicksPerHour /
                         gf_catchUpKt(ac, next.gs, front.alt);
    return ticks > std::max(next.dueTick - front.dueTick, kCatchUpTicks);
}

// The airborne avoidance angle a of the rule, from rel in -180..180 degrees.
double avoidanceAngleDeg(double rel)
{
    if (rel >= 0.0 && rel <= 90.0)
        return 90.0 - rel;
    if (rel > 90.0)
        return rel - 90.0;
    if (rel >= -90.0)
        return rel + 90.0;
    return -(rel + 90.0);
}

void parkAtSpawn(LiveEngine& engine, LiveAc& ac, const Stand& stand)
{
    ac.standLat = stand.latitude;
    ac.standLon = stand.longitude;
    ac.standHeading = stand.heading;
    ac.standId = stand.standId;
    ac.standCargo = stand.cargo;
    setPhase(ac, GroundPhase::parked);
    ac.parkedSince = engine.steadyNow100ns();
    ac.lastStandDistance = 0.0;
    ac.awayCount = 0;
    correctStandCargo(engine, ac);
    ac.stream.resize(1);
    Report& front = ac.stream.front();
    front.lat = stand.latitude;
    front.lon = stand.longitude;
    front.track = stand.heading * kRadToDeg;
    const DayHalfHour now = engine.weekdayHalfHour();
    if (engine.n.stands->addStandOption(stand.standId, ac, now, false))
        rememberLiveParked(engine, ac.hexid, now.half);
    engine.n.staticParking->maxParkCheck(1);
}

void fillFirstPosition(LiveAc& ac)
{
    // Created flying, it starts on the track its reports draw, and points along it, not after the scatter of
    // its first reports.
    if (ac.stream.front().airborne != 0 && ac.onGround == 0 &&
        gf_drawFeedsTogether(ac.stream, ac.category, 0))
        gf_drawFeedsTogether(ac.stream, ac.category, 1);
    const Report& front = ac.stream.front();
    ac.lat = front.lat;
    ac.lon = front.lon;
    ac.alt = front.alt;
    ac.vs = front.vs / 60.0; // the record holds feet per second
    ac.tas = front.tas;
    ac.bank = front.roll.value_or(0.0);
    if (!front.airborne)
        ac.pitch = kGroundPitchRad;
    else
    {
        double v = std::min(front.vs, kMaxClimbFpm);
        if (v < 0.0)
            v = std::max(v, kMaxDescentFpm) / 2.0;
        ac.pitch = (-3.0 - v / 600.0 * 2.2) * kDegToRad;
    }
    double heading = 0.0;
    if (ac.storedHeadingSet)
        heading = ac.storedHeading;
    else if (ac.phase == GroundPhase::parked)
        heading = ac.standHeading;
    // Created flying, it points along its track when its next report is the scatter of a source's positions
    // behind the first one: it flies on, and that report is skipped.
    else if (ac.stream.size() > 1 && !ac.stream[1].stationary &&
             !(front.airborne && gf_readReport({front.lat, front.lon}, front.track * kDegToRad, ac.stream, 1,
                                               ac.category) == NextReport::scatter))
        heading = gf_bearingRad({front.lat, front.lon}, {ac.stream[1].lat, ac.stream[1].lon});
    else
        heading = front.track * kDegToRad;
    ac.heading = gf_wrapTwoPi(heading);
    if (front.airborne)
        ac.headingStep = 0.0;
}

} // namespace

void setPhase(LiveAc& ac, GroundPhase phase)
{
    ac.previousPhase = ac.phase;
    ac.phase = phase;
}

void bufferStep(LiveEngine& engine, LiveAc& ac)
{
    if (ac.stream.empty())
    {
        ac.erase = 1;
        return;
    }
    const Report& front = ac.stream.front();
    const std::int32_t lead = (!front.airborne && front.gs != 0.0) ? kGroundLeadTicks : kLeadTicks;
    if (engine.tick() < front.dueTick - lead)
        return;
    // A source that reports every 30 s sends the next report just as the first one falls due: it is waited
    // for until then.
    if (ac.stream.size() == 1)
    {
        if (engine.tick() > front.dueTick)
            ac.erase = 1;
        return;
    }
    if (endsWithGhostMark(ac.callsign) &&
        std::find(engine.ghostCallsigns.begin(), engine.ghostCallsigns.end(), ac.callsign) !=
            engine.ghostCallsigns.end())
    {
        ac.erase = 1;
        return;
    }
    if (mixedStream(ac) || leavesFrontTooFast(ac))
    {
        dropFront(ac);
        return;
    }
    if (avoidUserAc(engine, ac))
        return;
    if (engine.n.mainQueues->liveCreates.size() > kMaxWaitingCreates && ac.phase == GroundPhase::birth)
    {
        dropFront(ac);
        return;
    }
    const std::int32_t maxLive = MAX_LIVE_SEL.value();
    if (maxLive == 0)
    {
        ac.erase = 1;
        return;
    }
    // Spawned aircraft count from their spawning on (waiting for their request, or for the simulator's
    // answer to it): counting only those still queued let the sky pass the limit by the creations
    // under way.
    const auto alive = static_cast<std::size_t>(std::count_if(
        engine.live.begin(), engine.live.end(),
        [](const LiveAc& other)
        { return other.simState == SimState::active || other.simState == SimState::adding2sim; }));
    if (static_cast<std::int64_t>(maxLive) <= static_cast<std::int64_t>(alive))
    {
        const UserAcData user = engine.user();
        const double d = gf_distanceNm({user.lat, user.lon}, {ac.stream.front().lat, ac.stream.front().lon});
        if (gf_removeFarthestLive(engine, d))
        {
            ac.erase = 1;
            return;
        }
    }
    const std::string blocked = BLOCK_CALLSIGN.value();
    if (!blocked.empty() && blocked == ac.callsign)
    {
        ac.erase = 1;
        return;
    }
    if (!ac.registration.empty())
    {
        if (const auto record = engine.lookupRegistration(ac.registration))
        {
            ac.airline = record->opr.empty() ? record->airl : record->opr;
            ac.type = record->type;
            ac.cargo = record->cargo ? 1 : 0;
        }
        // The registration stands in for the aircraft's life: later reports still bring what was received.
        if (!gf_validCallsign(ac))
        {
            ac.receivedCallsign = ac.callsign;
            engine.live.rename(ac, ac.registration);
        }
    }
    if (ac.airline.empty() && !gf_airlineFromCallsign(ac))
        ac.airline = "PVT";
    if (!gf_validCallsign(ac) && engine.unshownLogged.insert(ac.hexid).second)
        gf_log(fmt::format("{} hexid {} not shown: no valid callsign", gf_acLabel(ac), ac.hexid));
    if (!gf_validCallsign(ac) || engine.unmatchedSet.contains(gf_unmatchedKey(ac)) ||
        (endsWithGhostMark(ac.callsign) && ghostOriginalExists(engine, ac.callsign)))
    {
        ac.erase = 1;
        return;
    }
    spawnLiveAc(engine, ac);
}

bool avoidUserAc(LiveEngine& engine, LiveAc& ac)
{
    const UserAcData user = engine.user();
    const Report& r = ac.stream.front();
    const double d = gf_distanceNm({user.lat, user.lon}, {r.lat, r.lon});
    bool drop = false;
    if (user.onGround)
    {
        if (ac.avoid && (user.groundVelocity > kAvoidSlowKt ||
                         (!r.airborne && (r.gs > kAvoidSlowKt || nmToMetres(d) < kAvoidGroundKeepM))))
            drop = true;
        else if (COLLISION_USER_GND.value() && !r.airborne && d < kAvoidGroundNm)
            drop = true;
    }
    else if (COLLISION_USER_AIR.value())
    {
        if (r.airborne && d <= kAvoidAirNm && std::fabs(r.alt - user.alt) < kAvoidAirBandFt)
        {
            // The buffered aircraft has no target heading yet: the reported track says where it flies.
            const double bearingDeg = gf_bearingRad({user.lat, user.lon}, {r.lat, r.lon}) * kRadToDeg;
            const double rel = gf_wrapDeg180(r.track - bearingDeg);
            const double lateralFt = nmToFeet(std::cos(avoidanceAngleDeg(rel) * kDegToRad) * d);
            if (lateralFt <= kAvoidAirLateralFt)
            {
                ac.avoid = 1;
                drop = true;
            }
            else
                drop = ac.avoid != 0;
        }
        else if (!r.airborne && d <= kAvoidTakeOffNm && user.altAboveGround < kAvoidTakeOffAglFt)
        {
            const double rel = gf_wrapPi(gf_bearingRad({user.lat, user.lon}, {r.lat, r.lon}) - user.heading);
            const double lateralFt = nmToFeet(std::sin(std::fabs(rel)) * d);
            if (lateralFt <= kAvoidTakeOffLateralFt)
            {
                ac.avoid = 1;
                drop = true;
            }
            else
                drop = ac.avoid != 0;
        }
        else
            drop = ac.avoid != 0;
    }
    if (drop)
        dropFront(ac);
    return drop;
}

void spawnLiveAc(LiveEngine& engine, LiveAc& ac)
{
    if (ac.stream.size() < 2)
    {
        gf_logMarked(fmt::format("{} sz:{}", "spawnLiveAc", ac.stream.size()));
        return;
    }
    if (ac.stream[1].stationary)
    {
        ac.stream[0].stationary = 1;
        ac.stream[0].gs = 0.0;
        ac.stream[1].gs = 0.0;
        if (ac.stream.size() > 2 && ac.stream[2].stationary)
            ac.stream[2].gs = 0.0;
    }
    else
        ac.stream[0].stationary = 0;

    if (ac.phase == GroundPhase::birth && ac.livery.empty() && !chooseLiveLivery(engine, ac))
    {
        ac.erase = 1;
        return;
    }

    if (ac.phase == GroundPhase::birth)
    {
        if (ac.stream.front().airborne)
            setPhase(ac, GroundPhase::flying);
        else if (const Stand* stand = findStandAtSpawn(engine, ac))
            parkAtSpawn(engine, ac, *stand);
        else
            setPhase(ac, GroundPhase::taxi);
    }
    if (ac.erase)
        return;

    engine.couplingQueue.push_back(ac.hexid);
    fillFirstPosition(ac);
    if (ac.stream.front().airborne)
        keepAboveGround(engine, ac);
    ac.avoid = 0;
    ac.simState = SimState::adding2sim;
    engine.spawnStack.push_back(ac.hexid);
    // The aircraft carries the callsign itself: only another one flying under it is a ghost.
    if (!endsWithGhostMark(ac.callsign))
        removeGhost(engine, ac.callsign, ac.hexid);
}

bool chooseLiveLivery(LiveEngine& engine, LiveAc& ac)
{
    LiveryPort& liveries = *engine.n.liveries;
    const std::string_view pending = liveries.takePendingTitle(ac.hexid);
    if (!pending.empty())
    {
        ac.livery = pending;
        return true;
    }
    liveries.matchLiveAcLivery(ac);
    if (ac.livery.empty())
    {
        if (!ac.registration.empty())
            engine.unmatchedSet.insert(gf_unmatchedKey(ac));
        return false;
    }
    liveries.storePendingTitle(ac.hexid, ac.livery);
    return true;
}

Stand* findStandAtSpawn(LiveEngine& engine, LiveAc& ac)
{
    ParkingState& parking = *engine.n.parking;
    if (parking.stands.empty() || parking.parkAirport.code.empty())
        return nullptr;
    const Report& front = ac.stream.front();
    if (gf_distanceNm({front.lat, front.lon}, {parking.parkAirport.latitude, parking.parkAirport.longitude}) >
        kSpawnNearAirportNm)
        return nullptr;
    LatLon at{front.lat, front.lon};
    // A source may repeat a taxiing aircraft's position while it reports its taxiing speed: standing
    // reports are no aircraft parked then, or it would be parked at a stand it only passes.
    if (front.stationary && ac.lastReceivedGs > kSpawnSlowKt)
        return nullptr;
    if (!front.stationary)
    {
        const Report& last = ac.stream.back();
        if (ac.stream[1].gs > kSpawnSlowKt ||
            gf_distanceNm({last.lat, last.lon}, {front.lat, front.lon}) > kSpawnStandReachNm)
            return nullptr;
        at = {last.lat, last.lon};
    }
    Stand* stand =
        gf_nearestFreeStand(parking, at.lat, at.lon, ac, kSpawnStandSearchNm, front.stationary != 0);
    if (stand == nullptr)
        return nullptr;
    if (!parking.reservedStand.empty() && stand->name == parking.reservedStand)
        return nullptr;
    const UserAcData user = engine.user();
    if (stand->name == gf_standAtPosition(parking, user.lat, user.lon))
        return nullptr;
    if (claimStand(engine, stand->standId, ac.callsign) &&
        !gf_findConflictingAdjacent(engine, stand->adjacent, ac, *stand))
    {
        engine.n.phases->makeWayAtStand(ac, *stand);
        ac.stream.front().stationary = 1;
        ac.stream.front().gs = 0.0;
        return stand;
    }
    ac.erase = 1;
    return nullptr;
}

bool claimStand(LiveEngine& engine, std::uint32_t standId, const std::string& callsign)
{
    LiveAc* holder = nullptr;
    for (LiveAc& ac : engine.live)
        if (ac.standId == standId)
        {
            holder = &ac;
            break;
        }
    if (holder == nullptr || holder->simState != SimState::active ||
        (holder->phase != GroundPhase::parked && holder->phase != GroundPhase::pushing_back &&
         holder->phase != GroundPhase::pushed_back))
        return true;
    const bool log = LOG.value();
    const std::string standName = log ? gf_standNameById(standId) : std::string{};
    const std::string& h = holder->callsign;
    const auto withoutLast = [](const std::string& s) { return s.empty() ? s : s.substr(0, s.size() - 1); };
    if (h == callsign)
    {
        if (log)
            gf_log(fmt::format("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ",
                               standName, gf_outsideText(h), gf_outsideText(callsign)));
        removeAircraftFromSim(engine, *holder);
        return true;
    }
    if (!callsign.empty() && withoutLast(callsign) == h)
        return false;
    if ((!h.empty() && withoutLast(h) == callsign) || (endsWithGhostMark(h) && !endsWithGhostMark(callsign)))
    {
        if (log)
            gf_log(fmt::format("{:8}: {:8} ghost, replace by {}", standName, gf_outsideText(h),
                               gf_outsideText(callsign)));
        removeAircraftFromSim(engine, *holder);
        return true;
    }
    if ((!endsWithGhostMark(h) && endsWithGhostMark(callsign)) || holder->leavingStand)
        return false;
    if (log)
        gf_log(fmt::format("{:8}: {:8} removed because another live {} wants the stand ...", standName,
                           gf_outsideText(h), gf_outsideText(callsign)));
    removeAircraftFromSim(engine, *holder);
    return true;
}

std::optional<std::uint32_t> gf_findConflictingAdjacent(LiveEngine& engine,
                                                        const std::vector<std::uint32_t>& adjacent,
                                                        const LiveAc& newcomer, const Stand& stand)
{
    for (const std::uint32_t id : adjacent)
    {
        const Stand* neighbour = gf_findStandById(engine.n.parking->stands, id);
        if (neighbour == nullptr || (neighbour->latitude == 0.0 && neighbour->longitude == 0.0))
            continue;
        for (const LiveAc& holder : engine.live)
        {
            if (holder.standId != id || holder.simState != SimState::active ||
                holder.callsign == newcomer.callsign ||
                (holder.phase != GroundPhase::parked && holder.phase != GroundPhase::pushing_back))
                continue;
            const double reach = kNeighbourFactor * (gf_wingspan(holder.type) + gf_wingspan(newcomer.type));
            if (gf_distanceNm({neighbour->latitude, neighbour->longitude},
                              {stand.latitude, stand.longitude}) <= reach)
                return id;
        }
    }
    return std::nullopt;
}

void correctStandCargo(LiveEngine& engine, const LiveAc& ac)
{
    if (!ac.cargo || ac.standCargo)
        return;
    ParkingState& parking = *engine.n.parking;
    Stand* stand = gf_findStandById(parking.stands, ac.standId);
    if (stand == nullptr || !stand->cargo)
        return;
    stand->cargo = 0;
    stand->cargoChanged = 1;
    ++parking.learnedUpdates;
    gf_logMarked(fmt::format("{} stand: {}, cargo attribute set to false, {} parked here",
                             parking.parkAirport.code, stand->name, gf_acLabel(ac)));
    if (parking.learnedUpdates != parking.learnedUpdatesShown)
        parking.services->repaint();
}

void rememberLiveParked(LiveEngine& engine, std::uint32_t hexid, std::uint32_t half)
{
    for (auto& entry : engine.liveParked)
        if (entry.first == hexid)
        {
            entry.second = half;
            return;
        }
    engine.liveParked.emplace_back(hexid, half);
}

} // namespace oxl
