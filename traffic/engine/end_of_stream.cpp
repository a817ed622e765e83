#include "traffic/engine/end_of_stream.h"

#include "airports/free_stands.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "liveries/dbase.h"
#include "records/aircraft_words.h"
#include "traffic/engine/flight_phases.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_spawning.h"
#include "traffic/engine/stand_approach.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/source/traffic_filter.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace oxl
{

namespace
{

constexpr double kSamePositionDeg = 1e-8;
constexpr double kHoldNeighbourFactor = 1.2;
constexpr double kAdjacentFactor = 1.1;
constexpr std::int32_t kTicksPerMinute = 6000;
constexpr double kGroundStepS = 3.0;
constexpr double kAirStepS = 8.0;
// [deg/s] a turn carried on after its reports: a rate one turn.
constexpr double kRateOneDegS = 3.0;
// The share of its speed a landing carried on after its reports keeps from one step to the next.
constexpr double kCarriedOnFinalSlowing = 0.97;
// [ft/min] the shallowest descent of a landing carried on after its reports.
constexpr double kCarriedOnLandingFpm = -600.3;
constexpr double kRangeMarginNm = 0.5;
constexpr double kLearnNearAirportNm = 5.0;
constexpr double kLearnBelowAglFt = 2500.0;
constexpr std::uint32_t kLearnGateHalfHours = 3;

// A phase change that keeps the previous phase unless the aircraft is already in the new one.
void enterPhase(LiveAc& ac, GroundPhase phase)
{
    if (ac.phase != phase)
        ac.previousPhase = ac.phase;
    ac.phase = phase;
}

bool samePosition(double latA, double lonA, double latB, double lonB)
{
    return std::fabs(latA - latB) < kSamePositionDeg && std::fabs(lonA - lonB) < kSamePositionDeg;
}

// Another taxiing aircraft close enough that both holding would block each other.
bool holdingNeighbour(const LiveEngine& engine, const LiveAc& ac)
{
    for (const LiveAc& other : engine.live)
    {
        if (&other == &ac || !other.onGround || other.phase != GroundPhase::taxi ||
            other.simState != SimState::active || other.objectId == ac.objectId)
            continue;
        if (gf_distanceNm({other.lat, other.lon}, {ac.lat, ac.lon}) <=
            kHoldNeighbourFactor * (other.radius + ac.radius))
            return true;
    }
    return false;
}

bool holdOnTaxiway(LiveEngine& engine, LiveAc& ac)
{
    if (holdingNeighbour(engine, ac))
    {
        ac.holding = 0;
        ac.holdStartTick = 0;
        return false;
    }
    const std::int32_t tick = engine.tick();
    if (ac.holding)
    {
        const std::int64_t minutes = (std::int64_t{tick} - ac.holdStartTick) / kTicksPerMinute;
        if (minutes > MAX_HOLDING_MINUTES.value())
            return false;
    }
    else
        ac.holdStartTick = tick;
    ac.holding = 1;
    Report hold = ac.stream.front();
    hold.dueTick += kHoldReportTicks;
    hold.gs = 0.0;
    hold.stationary = 1;
    ac.stream.push_back(hold);
    ac.extensionCount = 1;
    return true;
}

// The new ground speed of an extension; false when the report stands still instead.
bool extendedSpeed(const LiveAc& ac, Report& r, bool inAir, double& g)
{
    const double g0 = r.gs;
    if (inAir)
    {
        // A landing keeps about its approach speed to the touchdown, slowing as a final does. Otherwise it
        // goes on from the speed its positions drew, not from a field its source left stale.
        const double fromKt = ac.landing == 0 && r.sourceTime > 0.0 && ac.drawnKt > 0.0 ? ac.drawnKt : g0;
        g = std::max((ac.landing ? kCarriedOnFinalSlowing : 0.95) * fromKt, 1.0);
        return true;
    }
    if (!ac.rollOut)
    {
        if (!ac.takeOff)
            return false;
        struct Rung
        {
            double upTo;
            double speed;
            double vs;
        };
        static constexpr Rung kTakeOffLadder[] = {{30.0, 40.0, -1.0},
                                                  {60.0, 80.0, -1.0},
                                                  {100.0, 110.0, -1.0},
                                                  {140.0, 150.0, 600.0},
                                                  {160.0, 170.0, 1200.0}};
        g = 180.0;
        double vs = 2400.0;
        for (const Rung& rung : kTakeOffLadder)
            if (g0 <= rung.upTo)
            {
                g = rung.speed;
                vs = rung.vs;
                break;
            }
        if (vs >= 0.0)
            r.vs = vs;
        return true;
    }
    if (g0 >= 140.0)
        g = 100.0;
    else if (g0 >= 100.0)
        g = 80.0;
    else if (g0 >= 80.0)
        g = 60.0;
    else if (g0 >= 60.0)
        g = 30.0;
    else
        g = 20.0;
    r.vs = 0.0;
    return true;
}

} // namespace

bool endOfStream(LiveEngine& engine, LiveAc& ac)
{
    if (ac.stream.empty())
        return false;
    if (ac.phase == GroundPhase::pushed_back || (ac.phase == GroundPhase::taxi && !ac.takeOff && !ac.rollOut))
        return holdOnTaxiway(engine, ac);
    if (ac.phase == GroundPhase::parking)
        arriveAtStand(engine, ac);
    if (ac.extensionCount < 0)
        return false;
    // A roll-out carried on to the end of its extension has rolled out: the aircraft stands and holds there
    // as a taxiing one whose reports stopped, and its source's next position is taxied to from there.
    if (ac.extensionCount == 1 && ac.rollOut != 0 && ac.onGround != 0 && ac.phase == GroundPhase::taxi)
    {
        endRollOut(engine, ac);
        return holdOnTaxiway(engine, ac);
    }
    if (ac.extensionCount == 1)
    {
        ac.extensionCount = -1;
        return false;
    }
    if (ac.extensionCount >= 2)
    {
        extendStream(ac, ac.extensionCount - 1);
        return true;
    }
    if (!categoryAllowed(ac.category))
        return false;
    if (ac.stream.front().airborne)
    {
        // Carried on only where the reader still follows it: within the radius at which it is let go.
        const UserAcData user = engine.user();
        if (user.positionKnown() && !(gf_distanceNm({ac.lat, ac.lon}, {user.lat, user.lon}) <
                                      engine.filter().letGoRadiusNm() - kRangeMarginNm))
            return false;
        extendStream(ac, 8);
        return true;
    }
    extendStream(ac, ac.phase == GroundPhase::parked ? 1 : 10);
    return true;
}

bool gf_reportsEnded(const LiveEngine& engine, const LiveAc& ac)
{
    if (ac.phase == GroundPhase::parked)
        return false;
    return ac.stream.empty() || ac.stream.back().dueTick <= engine.tick() || ac.extensionCount != 0;
}

void extendStream(LiveAc& ac, std::int32_t n)
{
    ac.extensionCount = n;
    Report r = ac.stream.front();
    const bool inAir = r.airborne != 0;
    const double dt = inAir ? kAirStepS : kGroundStepS;
    double g = 0.0;
    const bool moves = !r.stationary && ac.phase != GroundPhase::parked && extendedSpeed(ac, r, inAir, g);
    r.sourceTime = 0.0;
    if (!moves)
    {
        r.stationary = 1;
        r.gs = 0.0;
        g = 0.0;
    }
    else
        r.gs = g;
    if (g > 0.0)
    {
        // In the air, where its source held a position, round at a rate one turn from the track of the step
        // before toward the track the held position last reported; else on along the nose.
        double way = ac.heading;
        if (inAir && ac.heldTrackDeg >= 0.0)
        {
            const double turnDeg =
                std::clamp(gf_wrapDeg180(ac.heldTrackDeg - r.track), -kRateOneDegS * dt, kRateOneDegS * dt);
            way = (r.track + turnDeg / 2.0) * kDegToRad;
            r.track = std::fmod(r.track + turnDeg + 360.0, 360.0);
        }
        const LatLon to =
            gf_destinationPoint({r.lat, r.lon}, way, dt * 100.0 * g * kFeetPerNm / kTicksPerHour);
        r.stationary = samePosition(to.lat, to.lon, r.lat, r.lon) ? 1 : 0;
        r.lat = to.lat;
        r.lon = to.lon;
        if (ac.landing && ac.flareState == 0)
        {
            // A landing carried on goes down as its reports did, at least as steeply as a stale final.
            r.vs = std::min(r.vs, kCarriedOnLandingFpm);
            r.alt += r.vs / 60.0 * dt;
        }
        else if (ac.phase == GroundPhase::take_off)
        {
            r.vs = 1500.0;
            r.alt += 25.0 * dt;
        }
        if (r.alt > 0.0)
            r.airborne = 1;
        else
        {
            r.airborne = 0;
            r.alt = 0.0;
        }
    }
    if (ac.phase == GroundPhase::parked)
    {
        r.dueTick += kParkedExtensionTicks;
        ac.leavingStand = 0;
    }
    else
        r.dueTick += static_cast<std::int32_t>(100.0 * dt);
    ac.stream.push_back(r);
}

void arriveAtStand(LiveEngine& engine, LiveAc& ac)
{
    if (gf_distanceNm({ac.lat, ac.lon}, {ac.standLat, ac.standLon}) > kArrivedAtStandNm)
    {
        enterPhase(ac, GroundPhase::taxi);
        return;
    }
    enterPhase(ac, GroundPhase::parked);
    const DayHalfHour now = engine.weekdayHalfHour();
    ac.parkedSlot = gf_packDayHalfHour(now);
    const bool log = LOG.value();
    if (ac.towed && log)
        gf_log(fmt::format("          towed aircraft {} parks", gf_acLabel(ac)));
    if (!ac.stream.empty())
        ac.stream.front().stationary = 1;
    ac.parkedSince = engine.steadyNow100ns();
    ac.lastStandDistance = 0.0;
    ac.awayCount = 0;
    correctStandCargo(engine, ac);
    engine.n.phases->setParkedConfig(ac);
    if (log)
        gf_log(fmt::format("{:8}: {:8} arrived at stand", gf_standNameById(ac.standId),
                           gf_outsideText(ac.callsign)));
    engine.couplingQueue.push_back(ac.hexid);
    if (!ac.airline.empty() && ac.standCargo == ac.cargo &&
        engine.n.stands->addStandOption(ac.standId, ac, now, false))
        rememberLiveParked(engine, ac.hexid, now.half);
    engine.n.staticParking->maxParkCheck(0);
}

void try2Park(LiveEngine& engine, LiveAc& ac, bool wide)
{
    if (ac.stream.empty())
    {
        gf_logMarked(fmt::format("{} empty sz?", "try2Park"));
        return;
    }
    const Report& newest = ac.stream.back();
    if (samePosition(newest.lat, newest.lon, ac.lastParkTryLat, ac.lastParkTryLon))
        return;
    ac.lastParkTryLat = newest.lat;
    ac.lastParkTryLon = newest.lon;
    ParkingState& parking = *engine.n.parking;
    Stand* found = gf_nearestFreeStand(parking, newest.lat, newest.lon, ac,
                                       wide ? kTry2ParkWideNm : kTry2ParkNarrowNm, wide);
    if (found == nullptr)
        return;
    const Stand& stand = *found;
    if (!parking.reservedStand.empty() && stand.name == parking.reservedStand)
        return;
    const UserAcData user = engine.user();
    const std::string userStand = gf_standAtPosition(parking, user.lat, user.lon);
    if (!userStand.empty() && stand.name == userStand)
        return;
    const bool log = LOG.value();
    for (LiveAc& holder : engine.live)
        if (&holder != &ac && holder.standId == stand.standId && holder.phase == GroundPhase::parked &&
            holder.simState == SimState::active)
        {
            if (log)
                gf_log(fmt::format("{:8}: {:8} removed, {} wants to park there", stand.name,
                                   gf_outsideText(holder.callsign), gf_outsideText(ac.callsign)));
            removeAircraftFromSim(engine, holder);
        }
    for (const std::uint32_t id : stand.adjacent)
        clearAdjacentStand(engine, id, ac, stand);
    makeWayAtStand(engine, ac, stand);
    ac.standLat = stand.latitude;
    ac.standLon = stand.longitude;
    ac.standHeading = stand.heading;
    ac.standId = stand.standId;
    ac.standCargo = stand.cargo;
    ac.stream.resize(1);
    enterPhase(ac, GroundPhase::parking);
    drive2Stand(ac, stand.latitude, stand.longitude, stand.heading);
}

void clearAdjacentStand(LiveEngine& engine, std::uint32_t adjacentId, const LiveAc& newcomer,
                        const Stand& chosen)
{
    const Stand* adjacent = gf_findStandById(engine.n.parking->stands, adjacentId);
    if (adjacent == nullptr || (adjacent->latitude == 0.0 && adjacent->longitude == 0.0))
        return;
    const double apart =
        gf_distanceNm({adjacent->latitude, adjacent->longitude}, {chosen.latitude, chosen.longitude});
    for (LiveAc& holder : engine.live)
    {
        if (&holder == &newcomer || holder.standId != adjacentId || holder.simState != SimState::active ||
            (holder.phase != GroundPhase::parked && holder.phase != GroundPhase::pushing_back))
            continue;
        if (kAdjacentFactor * (gf_wingspan(holder.type) + gf_wingspan(newcomer.type)) < apart)
            return;
        if (LOG.value())
            gf_log(fmt::format("{:8}: {:8} removed by parking {} at adjacent and possibly colliding stand {}",
                               adjacent->name, gf_outsideText(holder.callsign), newcomer.callsign,
                               chosen.name));
        removeAircraftFromSim(engine, holder);
        return;
    }
}

void learnStandOnDeparture(LiveEngine& engine, LiveAc& ac, bool departing)
{
    ParkingState& parking = *engine.n.parking;
    StandLearningPort& learning = *engine.n.stands;
    if (!LEARN_SOFT.value() || !learning.learningAllowed() || parking.parkAirport.code.empty() ||
        ac.standId != 0 || (!departing && ac.agl >= kLearnBelowAglFt))
        return;
    if (gf_distanceNm({ac.lat, ac.lon}, {parking.parkAirport.latitude, parking.parkAirport.longitude}) >
        kLearnNearAirportNm)
        return;
    const DayHalfHour now = engine.weekdayHalfHour();
    if (learnAtKnownStand(engine, ac, now, departing) || !gf_learnGate(engine, now, ac.hexid, false))
        return;
    for (const Stand& stand : parking.stands)
        for (const StandOccupancy& option : stand.options)
            if (gf_fitsHalfHour(option, now.weekday, now.half, ac.registration))
                return;
    Stand* stand = gf_searchFittingStands(parking, now, ac, true);
    if (stand == nullptr)
        return;
    if (learning.addStandOptionOnDeparture(stand->standId, ac, 0, now, !departing))
        return;
    auto& gate = engine.liveParked;
    for (std::size_t i = 0; i < gate.size(); ++i)
        if (gate[i].first == ac.hexid)
        {
            gate[i] = gate.back();
            gate.pop_back();
            break;
        }
}

bool learnAtKnownStand(LiveEngine& engine, LiveAc& ac, DayHalfHour now, bool departing)
{
    for (const Stand& stand : engine.n.parking->stands)
    {
        bool seenAtOtherTime = false;
        for (const auto* visits : {&stand.realVisits, &stand.softVisits})
        {
            const auto it = visits->find(ac.hexid);
            if (it != visits->end() && !(it->second.lastUpdate == now))
                seenAtOtherTime = true;
        }
        if (!seenAtOtherTime)
            continue;
        if (stand.standId < 1 ||
            !engine.n.stands->addStandOptionOnDeparture(stand.standId, ac, 1, now, !departing))
            return false;
        rememberLiveParked(engine, ac.hexid, now.half);
        return true;
    }
    return false;
}

bool gf_learnGate(LiveEngine& engine, DayHalfHour now, std::uint32_t hexid, bool force)
{
    for (auto& entry : engine.liveParked)
        if (entry.first == hexid)
        {
            if (!force && (now.half + 48 - entry.second) % 48 < kLearnGateHalfHours)
                return false;
            entry.second = now.half;
            return true;
        }
    engine.liveParked.emplace_back(hexid, now.half);
    return true;
}

} // namespace oxl
