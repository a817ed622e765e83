#include "traffic/engine/stand_departure.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/units.h"
#include "simlink/sim_ids.h"
#include "traffic/engine/flight_commands.h"
#include "traffic/engine/ground_movement.h"
#include "traffic/engine/stream_ops.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace oxl
{

namespace
{

// [deg] the turn of a push-back with a known side.
constexpr double kPushBackTurnDeg = 90.0;
// The lights of an aircraft leaving its stand: nav, beacon, taxi and logo.
constexpr LightSet kLeavingStandLights{1, 1, 0, 1, 0, 1, 0};

void enterPhase(LiveAc& ac, GroundPhase phase)
{
    if (ac.phase != phase)
        ac.previousPhase = ac.phase;
    ac.phase = phase;
}

const Stand* standById(const ParkingState& parking, std::uint32_t standId)
{
    for (const Stand& stand : parking.stands)
        if (stand.standId == standId)
            return &stand;
    return nullptr;
}

// [kt] a zero profile speed must not make a leg endless.
double leavingSpeed(const LiveAc& ac)
{
    return std::max(ac.taxiInSpeed, 1.0);
}

std::int32_t ticksAtSpeed(double distanceNm, double speedKt)
{
    return gf_checkedTicks(distanceNm / speedKt * kTicksPerHour);
}

// A moving copy of the front report at the point.
Report reportAt(const LiveAc& ac, LatLon at, double speedKt, std::int32_t dueTick)
{
    Report r = ac.stream.front();
    r.lat = at.lat;
    r.lon = at.lon;
    r.gs = speedKt;
    r.tas = speedKt;
    r.vs = 0.0;
    r.stationary = 0;
    r.dueTick = dueTick;
    return r;
}

// Engines running, idle, flaps for taxi.
void readyToTaxi(LiveEngine& engine, LiveAc& ac)
{
    queueAcEvent(engine, ac, kEvEngineAutoStart, 0);
    gf_setThrottle(engine, ac, 0);
    gf_setFlaps(engine, ac, 1);
}

} // namespace

int departureAngleDeg(const LiveAc& ac)
{
    const Report& last = ac.stream.back();
    const double bearing = gf_bearingRad({ac.standLat, ac.standLon}, {last.lat, last.lon});
    return static_cast<int>(gf_wrapPi(bearing - ac.standHeading) * kRadToDeg);
}

void pullOut(LiveEngine& engine, LiveAc& ac)
{
    ac.departureSeen = 0;
    ac.extensionCount = 0;
    const LatLon ahead =
        gf_destinationPoint({ac.standLat, ac.standLon}, ac.standHeading, nmToFeet(kPullOutRadii * ac.radius));
    const double speed = leavingSpeed(ac);
    ac.stream.front().gs = ac.taxiInSpeed;
    ac.stream.resize(1);
    const std::int32_t ticks = ticksAtSpeed(gf_distanceNm({ac.lat, ac.lon}, ahead), speed);
    Report r = reportAt(ac, ahead, ac.taxiInSpeed, engine.tick() + ticks);
    r.track = ac.standHeading * kRadToDeg;
    ac.stream.push_back(r);
    enterPhase(ac, GroundPhase::taxi);
    ac.targetHeading = ac.heading;
    setAcLights(engine, ac, kLeavingStandLights);
    readyToTaxi(engine, ac);
    if (LOG.value())
        gf_log(
            fmt::format("{:8}: {:8} pulling out", gf_standNameById(ac.standId), gf_outsideText(ac.callsign)));
}

void pushBackStart(LiveEngine& engine, LiveAc& ac)
{
    ac.extensionCount = 0;
    const double back = gf_wrapTwoPi(ac.standHeading + kPi);
    const Stand* stand = standById(*engine.n.parking, ac.standId);
    if (stand == nullptr)
        return;
    const LatLon straightBack =
        gf_destinationPoint({ac.lat, ac.lon}, back, nmToFeet(kPushBackStandRadii * stand->radius));
    const double speed = leavingSpeed(ac);
    ac.stream.front().gs = ac.taxiInSpeed;
    ac.targetHeading = ac.heading;
    // The aircraft keeps facing the stand while it moves tail first; an old turn wish would swing it round.
    ac.turnToTarget = 0;
    const std::int32_t tick = engine.tick();
    const std::int32_t t1 = ticksAtSpeed(gf_distanceNm({ac.lat, ac.lon}, straightBack), speed);
    ac.stream.resize(1);
    Report r1 = reportAt(ac, straightBack, ac.taxiInSpeed, tick + t1);
    r1.track = back * kRadToDeg;
    ac.stream.push_back(r1);
    insertMidReport(ac);
    const double sideFt = nmToFeet(ac.radius);
    const LatLon plusSide = gf_destinationPoint(straightBack, gf_wrapTwoPi(back + kPi / 2.0), sideFt);
    const LatLon minusSide = gf_destinationPoint(straightBack, gf_wrapTwoPi(back - kPi / 2.0), sideFt);
    const Report& mid = ac.stream[1];
    const std::int32_t sideDue =
        tick + t1 / 2 + ticksAtSpeed(gf_distanceNm({mid.lat, mid.lon}, plusSide), speed);
    ac.spareSideReport = reportAt(ac, plusSide, ac.taxiInSpeed, sideDue);
    ac.stream.push_back(reportAt(ac, minusSide, ac.taxiInSpeed, sideDue));
    setAcLights(engine, ac, kLeavingStandLights);
    enterPhase(ac, GroundPhase::pushing_back);
    ac.pushBackStage = 2;
}

void pushBackStep(LiveEngine& engine, LiveAc& ac)
{
    --ac.pushBackStage;
    if (ac.pushBackStage == 1)
    {
        if (ac.stream.size() < 3)
            return;
        if (ac.pushBackSideKnown == 0)
        {
            ac.stream.pop_back();
            return;
        }
        if (ac.pushBackSide != 0)
            ac.stream.back() = ac.spareSideReport;
        buildTurnCurve(ac);
        const std::int32_t curveTicks = std::max(gf_checkedTicks(kPushBackTurnDeg / ac.turnStep / 100.0), 1);
        ac.curveTStep = 1.0 / curveTicks;
        ac.curveTurnAngle = kPushBackTurnDeg;
        return;
    }
    if (ac.pushBackStage > 0)
        return;
    ac.targetHeading = ac.heading;
    readyToTaxi(engine, ac);
    enterPhase(ac, GroundPhase::pushed_back);
    ac.pushBackStage = 1;
    ac.pushedBackDistance = kPushedBackDistance;
    ac.extensionCount = 0;
    ac.departureSeen = 0;
}

} // namespace oxl
