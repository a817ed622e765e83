#include "traffic/engine/ground_movement.h"

#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "traffic/engine/end_of_stream.h"
#include "traffic/engine/live_flight_hooks.h"
#include "traffic/engine/stand_departure.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/engine/track_reading.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace oxl
{

namespace
{

// [deg] two positions closer than this are one.
constexpr double kSamePositionDeg = 1e-8;
// [deg] a corner sharper than this may be split; a turn this sharp also speeds the turn step up.
constexpr double kSharpCornerDeg = 45.0;
// [deg] a turn of at least this much widens the smoothing windows.
constexpr double kWideTurnDeg = 90.0;
// [ticks] the smoothing windows of a wide turn.
constexpr std::int32_t kWideTurnMargin = 2000;
// [nm] the leg length over which a gentle turn may be spread.
constexpr double kGentleTurnLegNm = metresToNm(30.0);
// A gentle turn is slowed only when the leg is this much longer than the turn.
constexpr double kGentleTurnMinRatio = 1.2;
// [ticks] smoothing windows of a parked aircraft; a take-off may come later.
constexpr std::int32_t kParkedEarlyMargin = 3000;
constexpr std::int32_t kParkedLateMargin = 3000;
constexpr std::int32_t kParkedTakeOffLateMargin = 5000;

bool differs(const Report& a, const Report& b)
{
    return std::abs(a.lat - b.lat) >= kSamePositionDeg || std::abs(a.lon - b.lon) >= kSamePositionDeg;
}

double distanceNm(const Report& a, const Report& b)
{
    return gf_distanceNm({a.lat, a.lon}, {b.lat, b.lon});
}

// [ticks] from the front report's due tick to the next one's, at least 25 (also when it is earlier).
std::int64_t dueInterval(const Report& front, const Report& next)
{
    return std::max<std::int64_t>(std::int64_t{next.dueTick} - front.dueTick, kMinLegTicks);
}

// The corner at the next report: a split leg, a curve or a straight leg.
void shapeNextLeg(LiveAc& ac)
{
    if (ac.stream.size() < 3)
    {
        // A stream carried on by extensions keeps its synthetic speeds.
        if (ac.extensionCount < 1)
            straightSegment(ac);
        return;
    }
    if (ac.stream[2].stationary != 0)
    {
        straightSegment(ac);
        return;
    }
    const double turnDeg = std::abs(turnToNextLeg(ac)) * kRadToDeg;
    const Report& front = ac.stream[0];
    const Report& next = ac.stream[1];
    // A sharp corner reached slowly over a long leg: first slow down on the way there.
    if (turnDeg > kSharpCornerDeg && distanceNm(front, next) > kCornerSplitNm &&
        front.gs <= kCornerSplitMaxKt && dueInterval(front, next) > kCornerSplitMinTicks)
    {
        insertMidReport(ac);
        return;
    }
    if (turnDeg > kSmallestCurveDeg && turnDeg <= kLargestCurveDeg && differs(ac.stream[2], front))
    {
        buildTurnCurve(ac);
        ac.curveTurnAngle = turnDeg;
        return;
    }
    straightSegment(ac);
}

// A taxiing aircraft that came to rest at the park airport looks for a free stand.
void parkingTrigger(LiveEngine& engine, LiveAc& ac)
{
    if (ac.stream.empty() || ac.stream.back().stationary == 0 || ac.phase != GroundPhase::taxi ||
        !engine.n.parking->fileLoaded)
        return;
    // An aircraft that has just left a stand does not park again unless it is being towed.
    const bool leftStand = ac.previousPhase == GroundPhase::parked ||
                           ac.previousPhase == GroundPhase::pushing_back ||
                           ac.previousPhase == GroundPhase::pushed_back;
    if (ac.towed == 0 && leftStand)
        return;
    if (ac.extensionCount >= 1)
    {
        try2Park(engine, ac, ac.towingCheck != 0);
        return;
    }
    const Report& last = ac.stream.back();
    if (ac.stream.size() >= 2 && ac.stream[1].gs <= kParkTriggerMaxKt &&
        gf_distanceNm({ac.lat, ac.lon}, {last.lat, last.lon}) <= kParkTriggerNm)
        try2Park(engine, ac, false);
}

} // namespace

void nextPosGround(LiveEngine& engine, LiveAc& ac)
{
    if (ac.phase == GroundPhase::pushing_back)
    {
        pushBackStep(engine, ac);
        groundTiming(engine, ac);
        return;
    }
    if (ac.phase == GroundPhase::parked)
    {
        ac.earlyMargin = kParkedEarlyMargin;
        ac.lateMargin = ac.takeOff != 0 ? kParkedTakeOffLateMargin : kParkedLateMargin;
        // Only reports that showed the aircraft leaving its stand start a manoeuvre; a freshly parked
        // aircraft stays where it is.
        if (ac.departureSeen != 0 && ac.standId != 0)
        {
            if (std::abs(departureAngleDeg(ac)) < kPullOutMaxAngleDeg)
                pullOut(engine, ac);
            else
                pushBackStart(engine, ac);
        }
        groundTiming(engine, ac);
        return;
    }
    if (ac.stream[1].stationary == 0)
    {
        shapeNextLeg(ac);
        if (ac.curve.active())
            ac.turnToTarget = 0;
        else
        {
            ac.targetTurnAngle = std::abs(gf_wrapPi(ac.targetHeading - ac.heading)) * kRadToDeg;
            ac.turnToTarget = ac.targetTurnAngle > kSmallestCurveDeg ? 1 : 0;
        }
    }
    parkingTrigger(engine, ac);
    groundTiming(engine, ac);
}

void straightSegment(LiveAc& ac)
{
    const Report& front = ac.stream.at(0);
    const Report& next = ac.stream.at(1);
    if ((front.gs > 0.0 || next.gs > 0.0) && std::abs(front.gs - next.gs) > kStraightSplitKt &&
        distanceNm(front, next) >= kStraightSplitNm)
        insertMidReport(ac);
}

void buildTurnCurve(LiveAc& ac)
{
    const Report& front = ac.stream.at(0);
    const Report& corner = ac.stream.at(1);
    Report& end = ac.stream.at(2);
    if (end.gs == 0.0)
        end.gs = (front.gs + corner.gs) / 2.0;
    CurveSegment& c = ac.curve;
    c.originLat = ac.lat;
    c.originLon = ac.lon;
    c.t0 = 0.0;
    c.t1 = 1.0;
    const double eastScale = kMetresPerDegree * std::cos(ac.lat * kDegToRad);
    // Across the antimeridian the points lie the short way round.
    c.ctrlNorth = (corner.lat - ac.lat) * kMetresPerDegree;
    c.ctrlEast = gf_wrapPi((corner.lon - ac.lon) * kDegToRad) * kRadToDeg * eastScale;
    c.endNorth = (end.lat - ac.lat) * kMetresPerDegree;
    c.endEast = gf_wrapPi((end.lon - ac.lon) * kDegToRad) * kRadToDeg * eastScale;
    ac.curveT = 0.0;
    ac.stream.erase(ac.stream.begin() + 1);
}

void stationaryTiming(LiveEngine& engine, LiveAc& ac)
{
    const Report& front = ac.stream.at(0);
    const Report& next = ac.stream.at(1);
    const std::int32_t tick = engine.tick();
    const std::int64_t ahead =
        std::max<std::int64_t>(std::int64_t{front.dueTick} - tick + dueInterval(front, next), kMinLegTicks);
    clampNextDue(ac, tick, ahead);
}

void groundTiming(LiveEngine& engine, LiveAc& ac)
{
    if (ac.stream.size() < 2)
        return;
    if (ac.stream[1].stationary != 0)
    {
        stationaryTiming(engine, ac);
        return;
    }
    ac.turnStep = ac.maxTurnStep;
    const double d = distanceNm(ac.stream[0], ac.stream[1]);
    const double v = gf_groundLegSpeedKt(ac, legSpeed(ac));
    const std::int32_t n = std::max(gf_checkedTicks(d * kTicksPerHour / v), kMinLegTicks);
    if (ac.curve.active() || ac.turnToTarget != 0)
    {
        const double angle = ac.turnToTarget != 0 ? ac.targetTurnAngle : ac.curveTurnAngle;
        // Degrees over radians per tick over 100: the program's own measure of how long the turn takes.
        const std::int32_t k = std::max(gf_checkedTicks(angle / ac.turnStep / 100.0), 1);
        if (angle > 0.0 && d > 0.0)
        {
            double r = static_cast<double>(n) / k;
            if (angle > kSharpCornerDeg)
            {
                r = std::min(r, std::min(angle, kWideTurnDeg) / 30.0);
                ac.turnStep = r * ac.turnStep;
                if (angle >= kWideTurnDeg)
                {
                    ac.earlyMargin = std::max(ac.earlyMargin, kWideTurnMargin);
                    ac.lateMargin = std::max(ac.lateMargin, kWideTurnMargin);
                }
            }
            else
            {
                if (r >= kGentleTurnMinRatio)
                    r = std::min({r, r * 10.0 / angle, r * kGentleTurnLegNm / d});
                if (r > 0.0)
                    ac.turnStep = ac.turnStep / r;
            }
        }
    }
    clampNextDue(ac, engine.tick(), n);
}

void GroundMovement::nextPosGround(LiveEngine& engine, LiveAc& ac) const
{
    oxl::nextPosGround(engine, ac);
}

void GroundMovement::stationaryTiming(LiveEngine& engine, LiveAc& ac) const
{
    oxl::stationaryTiming(engine, ac);
}

bool GroundMovement::endOfStream(LiveEngine& engine, LiveAc& ac) const
{
    return oxl::endOfStream(engine, ac);
}

void GroundMovement::learnStandOnDeparture(LiveEngine& engine, LiveAc& ac, bool notFlying) const
{
    oxl::learnStandOnDeparture(engine, ac, notFlying);
}

void installGroundMovement(LiveEngine& engine)
{
    installLiveFlight(engine, std::make_unique<GroundMovement>());
}

} // namespace oxl
