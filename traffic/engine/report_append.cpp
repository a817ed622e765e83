#include "traffic/engine/report_append.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "traffic/engine/flight_commands.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_movement.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/engine/track_reading.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace oxl
{

namespace
{
// [m] how far from where a roll-out ended its source may put the aircraft taxiing on the airport.
constexpr double kRolledOutReachM = 3000.0;
// [deg] a ground report this close to the last one is taken as standing still.
constexpr double kJitterDeg = 0.00015;
// [kt] a report of a take-off roll this fast is no longer one standing still.
constexpr double kRollingKt = 50.0;
constexpr double kRollingStopKt = 30.0;
// [ticks] a moving report after less than this of standing still continues from before the stop.
constexpr std::int32_t kShortStopTicks = 1500;
// How far back a moving report looks for the last moving one.
constexpr std::size_t kLookBackReports = 6;
// [deg] a report lying this far off the aircraft's heading is behind it.
constexpr double kBehindDeg = 90.0;
constexpr double kTurnedBackDeg = 150.0;
// [kt] a report of a landing faster than this never speeds the roll-out up.
constexpr double kRollOutCapKt = 40.0;
// [factor of the radius] a pushed-back aircraft holds until its reports are this far away.
constexpr double kHoldRadii = 2.75;
constexpr double kDriveOffRadii = 6.0;
constexpr std::int32_t kWideMargin = 3000;    // [ticks]
constexpr std::int32_t kTakeOffMargin = 5000; // [ticks]
constexpr std::uint32_t kTouchAndGoThrottle = 3;

// The smoothing windows after the stream goes back from synthetic reports to real ones.
void wideMargins(LiveAc& ac)
{
    ac.earlyMargin = kWideMargin;
    ac.lateMargin = ac.takeOff != 0 ? kTakeOffMargin : kWideMargin;
}

void dueAfter(Report& report, const Report& last)
{
    if (report.dueTick < last.dueTick + 1)
        report.dueTick = last.dueTick + 1;
}

// [deg] the angle between the bearing from a to b and the aircraft's heading, 0..180.
double offHeadingDeg(const LiveAc& ac, const Report& a, const Report& b)
{
    const double bearing = gf_bearingRad({a.lat, a.lon}, {b.lat, b.lon});
    return std::fabs(gf_wrapPi(bearing - ac.heading)) * kRadToDeg;
}

bool groundedActive(const LiveAc& ac)
{
    return ac.simState == SimState::active && ac.onGround != 0;
}

// A stand-still ended: the moving report continues from the last moving one when it stood only briefly,
// or when it lies next to it, so that the aircraft does not wait out a stop that is already over.
void trimStationaryTail(LiveAc& ac, const Report& report)
{
    std::deque<Report>& stream = ac.stream;
    if (report.stationary == 0)
    {
        const std::size_t size = stream.size();
        const std::int32_t lastDue = stream.back().dueTick;
        for (std::size_t back = 2; back <= kLookBackReports && back <= size; ++back)
        {
            const std::size_t at = size - back;
            const Report& moving = stream[at];
            if (moving.stationary != 0)
                continue;
            if (lastDue - moving.dueTick < kShortStopTicks ||
                gf_distanceNm({moving.lat, moving.lon}, {report.lat, report.lon}) <= kResumeNearNm)
                stream.erase(stream.begin() + static_cast<std::ptrdiff_t>(at + 1), stream.end());
            return;
        }
        return;
    }
    for (const Report& r : stream)
        if (r.stationary == 0)
            return;
    stream.resize(1);
}

// The reports show the aircraft flying again during its roll-out: it takes off once more.
void touchAndGo(LiveEngine& engine, LiveAc& ac)
{
    ac.phase = GroundPhase::taxi;
    ac.takeOff = 1;
    gf_setThrottle(engine, ac, kTouchAndGoThrottle);
    setSpoilers(engine, ac, true);
    gf_setFlaps(engine, ac, 1);
    ac.landing = 0;
    ac.towingCheck = 0;
    ac.goAroundDone = 0;
    setAcLights(engine, ac, {1, 1, 1, 1, 1, 1, 0});
    ac.lateMargin = kTakeOffMargin;
    ac.earlyMargin = kWideMargin;
}

// While pushing back, the side of the coming turn is taken from where the reports point.
void recordPushBackSide(LiveAc& ac, const Report& report)
{
    if (STRAIGHT_PBS_ONLY.value() || ac.pushBackStage != 2)
        return;
    double d = 0.0;
    if (report.trueHeading)
        d = *report.trueHeading - ac.heading;
    else if (report.track != 0.0)
        d = report.track * kDegToRad - ac.heading;
    else
        return;
    ac.pushBackSide = gf_wrapPi(d) > 0.0 ? 1 : 0;
    ac.pushBackSideKnown = 1;
}

// A pushed-back aircraft holds until its reports lie clearly away from where the push-back ended.
bool pushedBackReport(LiveEngine& engine, LiveAc& ac, Report& report)
{
    const double d = gf_distanceNm({ac.lat, ac.lon}, {report.lat, report.lon});
    const double r = ac.radius;
    if ((d <= kHoldRadii * r || d <= ac.pushedBackDistance) && d <= kDriveOffRadii * r)
    {
        if (ac.holding == 0)
        {
            ac.holding = 1;
            ac.holdStartTick = engine.tick();
        }
        ac.pushedBackDistance = d;
        return false;
    }
    report.stationary = 0;
    if (ac.extensionCount > 0)
    {
        if (!ac.stream.empty())
            ac.stream.front().dueTick = engine.tick() + 1;
        ac.extensionCount = 0;
        wideMargins(ac);
    }
    ac.pushBackSideKnown = 0;
    ac.pushBackStage = 0;
    if (ac.phase != GroundPhase::taxi)
        ac.previousPhase = ac.phase;
    ac.phase = GroundPhase::taxi;
    ac.clearStand();
    ac.holding = 0;
    ac.holdStartTick = 0;
    return true;
}

// A held aircraft whose source stood still while the aircraft moved on: the report far from the hold is
// followed when the aircraft took off from there, or when it is reachable at taxi speed both in the
// time since its position was first reported and in the time the aircraft has to get there (until the
// report is due and the late window after it); a report it cannot reach so ends it.
bool movesOnFromHold(const LiveEngine& engine, const LiveAc& ac, const Report& report, double apartM)
{
    if (!groundedActive(ac) || ac.phase != GroundPhase::taxi)
        return false;
    if (report.airborne != 0 || report.gs >= kTakeOffSpeedKt)
        return true;
    // Held where its roll-out ended, on the runway, while its source has it taxiing on the airport: it taxies
    // there.
    if (gf_landedOnGround(ac) && report.gs > 0.0 && apartM <= kRolledOutReachM)
        return true;
    const double movingS = ac.lastTime - ac.positionTime;
    const double givenS =
        static_cast<double>(report.dueTick + kWideMargin - engine.tick()) * kSecondsPerHour / kTicksPerHour;
    return apartM <= kTaxiSpeedKt * kMetresPerNm / kSecondsPerHour * std::min(movingS, givenS);
}

} // namespace

bool checkStandingStill(const LiveEngine& /*engine*/, LiveAc& ac, Report& report)
{
    // Nothing to compare with: the report starts the stream again.
    if (ac.stream.empty())
        return true;
    const Report& last = ac.stream.back();
    const bool stationary = gf_samePosition(report, last);
    if (ac.category == AcCategory::Rotorcraft)
    {
        if (stationary)
            report.stationary = 1;
        return true;
    }
    const bool airborneAc = ac.simState == SimState::active && ac.onGround == 0;
    if (!stationary)
    {
        if (std::fabs(report.lat - last.lat) < kJitterDeg && std::fabs(report.lon - last.lon) < kJitterDeg)
        {
            if (report.airborne != 0 || airborneAc)
                return false;
            if (ac.takeOff != 0 && report.gs > 0.0 && last.gs >= kRollingKt)
                return false;
            // Ground jitter: the aircraft stays where it was last reported.
            report = last;
            report.gs = 0.0;
            report.stationary = 1;
            return true;
        }
        if (report.gs != 0.0 || (ac.takeOff == 0 && report.airborne == 0))
            return true;
        return last.gs < kRollingKt;
    }
    if (report.airborne != 0 || airborneAc)
        return false;
    if (ac.takeOff != 0 && report.gs > 0.0 && last.gs >= kRollingStopKt)
        return false;
    report.stationary = 1;
    report.gs = 0.0;
    return true;
}

bool checkNewPosDuringLanding(LiveEngine& engine, LiveAc& ac, Report& report)
{
    std::deque<Report>& stream = ac.stream;
    if (stream.empty())
    {
        gf_logMarked(fmt::format("{} empty sz?", "checkNewPosDuringLanding"));
        return false;
    }
    if (gf_samePosition(report, stream.back()))
        return false;
    if (stream.size() == 1)
    {
        const double off = offHeadingDeg(ac, stream.front(), report);
        if (ac.landing != 0)
        {
            if (off >= kBehindDeg)
                return false;
        }
        else if (off >= kTurnedBackDeg)
        {
            if (ac.extensionCount > 0)
                return false;
            // The roll-out turned around: fly on from where the aircraft is now.
            Report restart = stream.front();
            restart.lat = ac.lat;
            restart.lon = ac.lon;
            restart.dueTick = engine.tick() + 1;
            stream.assign(1, restart);
        }
    }
    else
    {
        const bool three = stream.size() >= 3;
        if (offHeadingDeg(ac, stream.back(), report) >= kBehindDeg)
        {
            stream.pop_back();
            if (three && offHeadingDeg(ac, stream.back(), report) >= kBehindDeg)
                stream.pop_back();
        }
    }
    if (ac.extensionCount > 0)
        ac.extensionCount = 0;
    wideMargins(ac);
    const Report& last = stream.back();
    if (gf_samePosition(report, last))
    {
        report.stationary = 1;
        return true;
    }
    report.stationary = 0;
    if (report.gs > last.gs && report.gs > kRollOutCapKt)
        report.gs = last.gs;
    return true;
}

bool checkExtendingSituations(LiveEngine& engine, LiveAc& ac, Report& report)
{
    switch (ac.phase)
    {
    case GroundPhase::parking:
    case GroundPhase::parked:
        if (ac.simState == SimState::active || ac.simState == SimState::liveryrespawn ||
            ac.simState == SimState::removingfromsim)
            return checkParkedReport(engine, ac, report);
        return false;
    case GroundPhase::pushing_back:
        recordPushBackSide(ac, report);
        return false;
    case GroundPhase::pushed_back:
        return pushedBackReport(engine, ac, report);
    default:
        break;
    }
    if (ac.landing != 0 || ac.rollOut != 0)
        return checkNewPosDuringLanding(engine, ac, report);
    const bool accepted = checkStandingStill(engine, ac, report);
    if (!accepted || ac.extensionCount < 1)
        return accepted;
    // The stream runs on synthetic reports: a real one takes over (in the air, one behind the aircraft is
    // the turn its source reported while the stream ran dry).
    if (ac.stream.empty())
    {
        gf_logMarked(fmt::format("{} empty sz?", "checkExtendingSituations"));
        return false;
    }
    ac.extensionCount = 0;
    wideMargins(ac);
    ac.stream.front().dueTick = engine.tick() + 1;
    ac.holding = 0;
    ac.holdStartTick = 0;
    return true;
}

void appendReport(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac, Report report)
{
    std::deque<Report>& stream = ac.stream;
    if (stream.size() > kMaxQueuedReports)
    {
        removeAircraftFromSim(engine, ac);
        return;
    }
    if (ac.holding != 0 && !stream.empty())
    {
        const Report& front = stream.front();
        const double apartM = gf_distanceNm({front.lat, front.lon}, {report.lat, report.lon}) * kMetresPerNm;
        if (apartM > HOLDING_THRESHOLD_METERS.value())
        {
            ac.holding = 0;
            ac.holdStartTick = 0;
            if (!movesOnFromHold(engine, ac, report, apartM))
            {
                removeAircraftFromSim(engine, ac);
                return;
            }
        }
    }
    if (ac.jumpConfirmed != 0)
    {
        // The source's track jumped and the jump is confirmed: the reports still queued lead along the old,
        // extrapolated track; the aircraft flies from its current target to the real position instead.
        ac.jumpConfirmed = 0;
        if (!stream.empty())
        {
            stream.resize(1);
            ac.extensionCount = 0;
            wideMargins(ac);
            dueAfter(report, stream.back());
            stream.push_back(report);
            return;
        }
    }
    if (ac.phase == GroundPhase::birth)
    {
        if (!stream.empty() && checkStandingStill(engine, ac, report))
        {
            dueAfter(report, stream.back());
            stream.push_back(report);
        }
        return;
    }
    // The source holds the last position of a take-off roll, reached at rolling speed, while its field says
    // the aircraft rolls on: the roll is on and the repeat no stop (a field left at rolling speed while the
    // aircraft stood at the runway is no roll).
    if (ac.takeOff == 0 && groundedActive(ac) && ac.phase == GroundPhase::taxi && !gf_landedOnGround(ac) &&
        stream.size() >= 2 && report.airborne == 0 && report.gs >= kTakeOffSpeedKt &&
        gf_samePosition(report, stream.back()) &&
        gf_shownLegKt(stream[stream.size() - 2], stream.back()) >= kTakeOffSpeedKt)
        startTakeOff(engine, steps, ac);
    if (!checkExtendingSituations(engine, ac, report))
        return;
    if (stream.empty())
    {
        stream.push_back(report);
        return;
    }
    // The checks may have cut the stream: the last report is read again.
    const Report last = stream.back();
    if (report.airborne == 0 && last.stationary != 0)
        trimStationaryTail(ac, report);
    dueAfter(report, last);
    if (ac.takeOff == 0 && groundedActive(ac))
    {
        // After a landing only reports that climb away again take the aircraft off: the last of its approach
        // (it may be shown touching down ahead of them), level reports on the runway that the ground rule
        // takes for the air, and a field left at the approach speed are none.
        const bool landed = gf_landedOnGround(ac);
        if (ac.rollOut == 0)
        {
            const bool rolling = report.gs >= kTakeOffSpeedKt && last.gs >= kTakeOffSpeedKt;
            const bool departs = landed ? gf_climbsAway(ac, last, report) : report.airborne != 0 || rolling;
            if (departs && ac.phase == GroundPhase::taxi)
            {
                startTakeOff(engine, steps, ac);
                // Its source held the last ground position while the aircraft rolled: the roll starts now.
                if (report.airborne != 0 && std::all_of(stream.begin() + 1, stream.end(),
                                                        [](const Report& r) { return r.stationary != 0; }))
                {
                    stream.resize(1);
                    stream.front().dueTick = engine.tick() + 1;
                }
            }
        }
        else if (gf_climbsAway(ac, last, report))
            touchAndGo(engine, ac);
    }
    stream.push_back(report);
    if (stream.size() == 2 && stream[0].stationary != 0 && stream[1].stationary != 0)
    {
        stream[0].dueTick = engine.tick() + 1;
        stream[0].gs = stream[1].gs;
    }
}

} // namespace oxl
