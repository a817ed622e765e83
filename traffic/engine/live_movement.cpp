#include "traffic/engine/live_movement.h"

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/units.h"
#include "records/aircraft_words.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/motion_envelope.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/engine/track_reading.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>

namespace oxl
{

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// [rad] a report this far off the nose at most is flown to straight.
constexpr double kAheadRad = 30.0 * kDegToRad;
// [rad] 0.5 degrees: a smaller heading difference is not turned.
constexpr double kTurnDeadBandRad = 0.5 * kDegToRad;
// [rad] the highest nose-up pitch of a flare.
constexpr double kFlarePitchLimitRad = degToRad(-4.0);
// Largest curve parameter: the end point itself belongs to the next leg.
constexpr double kLastCurveT = 0.999999;
// [ft] a landing aircraft at or below this height flares.
constexpr double kFlareAglFt = 400.0;
// [ticks] in the air a leg ends no later than this after its report is due.
constexpr std::int64_t kAirPaceTicks = 500;
// [ticks] how often an aircraft waiting for the report after a leap looks for it.
constexpr std::int32_t kAwaitTicks = 100;
// An aircraft late on its reports closes on them at this factor of its pace at the most.
constexpr double kClosingFactor = 1.2;
// [ticks] the smoothing windows shrink toward this while the aircraft stands.
constexpr std::int32_t kBaseMargin = 1000;
constexpr std::int32_t kMarginShrink = 100;

// On the runway, rolling out or taking off, and in the air an aircraft never moves backwards: a report
// behind it (a stale report after it rolled on past it; in the air, the scatter of a source's positions
// along the track, which the track reading tells from a turn) is skipped while another report follows it.
bool behindItsNose(const LiveAc& ac)
{
    if (ac.stream.size() < 2 || ac.stream[1].stationary != 0)
        return false;
    if (ac.onGround == 0)
        return gf_readNextReport(ac) == NextReport::scatter;
    if (ac.stream.size() < 3 ||
        (ac.phase != GroundPhase::take_off && !(ac.onGround != 0 && (ac.rollOut != 0 || ac.takeOff != 0))))
        return false;
    // A turn off the runway, however sharp, lies ahead of that.
    return gf_liesBehind({ac.lat, ac.lon}, ac.heading, ac.stream[1], kTurnRoundRad);
}

double wrapLongitude(double lon)
{
    double wrapped = std::fmod(lon + 180.0, 360.0);
    if (wrapped < 0.0)
        wrapped += 360.0;
    return wrapped - 180.0;
}

bool isGroundPhase(GroundPhase phase)
{
    return phase == GroundPhase::pushing_back || phase == GroundPhase::pushed_back ||
           phase == GroundPhase::taxi || phase == GroundPhase::parking;
}

void clearCurve(LiveAc& ac)
{
    ac.curve.t0 = kNaN;
    ac.curve.t1 = kNaN;
    ac.curve.ctrlEast = kNaN;
    ac.curve.ctrlNorth = kNaN;
    ac.curveT = 0.0;
}

void attitude(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    if (ac.phase == GroundPhase::take_off)
    {
        steps.rotationTick(engine, ac);
        return;
    }
    if (ac.agl <= kFlareAglFt && ac.landing != 0 && ac.onGround == 0)
        steps.flareTick(engine, ac);
    if (ac.pitchSettle != 0)
    {
        ac.pitch += ac.pitchStep;
        // The settle ends when the static pitch is reached from whichever side it started.
        const bool reached = ac.pitchStep == 0.0 || !std::isfinite(ac.pitch) ||
                             (ac.pitchStep > 0.0 ? ac.pitch >= ac.staticPitch : ac.pitch <= ac.staticPitch);
        if (reached)
        {
            ac.pitch = ac.staticPitch;
            ac.pitchStep = 0.0;
            ac.bank = 0.0;
            ac.bankStep = 0.0;
            ac.pitchSettle = 0;
            ac.flareState = 0;
        }
        ac.bank += ac.bankStep;
    }
    else if (ac.flareState != 0)
    {
        ac.bank = std::clamp(ac.bank + ac.bankStep, -kPi, kPi);
        ac.pitch = std::max(ac.pitch + ac.pitchStep, kFlarePitchLimitRad);
        ac.alt += ac.altStep;
    }
    else if (ac.onGround != 0)
    {
        ac.pitch = ac.staticPitch;
        ac.bank = 0.0;
    }
    else
    {
        ac.bank += ac.bankStep;
        ac.pitch += ac.pitchStep;
        ac.alt += ac.altStep;
    }
}

// The next report is reached from where the aircraft is, no faster than `fastestKt`. One that cannot reach
// it so by the tick `latest` is removed and created again where its reports are; it is remembered, so that
// its source's jumps back to where it was are not followed. False when removed.
bool catchUpOrRemove(LiveEngine& engine, LiveAc& ac, std::int64_t latest, double fastestKt, double behindNm)
{
    Report& next = ac.stream.at(1);
    const std::int64_t arrival =
        engine.tick() +
        static_cast<std::int64_t>(gf_checkedTicks(std::ceil(behindNm * kTicksPerHour / fastestKt)));
    if (arrival > latest)
    {
        gf_log(fmt::format("{} {:.1f} nm behind its reports, removed", gf_acLabel(ac), behindNm));
        gf_rememberLeftPlace(engine, ac);
        ac.stream.resize(1);
        removeAircraftFromSim(engine, ac);
        return false;
    }
    const std::int64_t due = std::max<std::int64_t>(next.dueTick, arrival);
    next.dueTick = gf_checkedTicks(static_cast<double>(due));
    return true;
}

// On the ground an aircraft that is not rolling for take-off or out after landing moves no faster than a
// taxi, or than its reports say, however late it is; one that cannot follow its reports so is created again
// where they are.
void keepToTaxiSpeed(LiveEngine& engine, LiveAc& ac)
{
    if (ac.simState != SimState::active || ac.stream.size() < 2 || ac.stream[1].stationary != 0 ||
        ac.takeOff != 0 || ac.rollOut != 0 || ac.landing != 0 || ac.phase == GroundPhase::take_off)
        return;
    const Report& next = ac.stream[1];
    const std::int64_t latest = std::max(next.dueTick, engine.tick()) + std::int64_t{kCatchUpTicks};
    const double capKt = std::max(kTaxiSpeedKt, std::min(ac.stream[0].gs, next.gs));
    // A curve is no longer than its control polygon.
    const CurveSegment& c = ac.curve;
    const double pathNm = c.active()
                              ? metresToNm(std::hypot(c.ctrlNorth, c.ctrlEast) +
                                           std::hypot(c.endNorth - c.ctrlNorth, c.endEast - c.ctrlEast))
                              : gf_distanceNm({ac.lat, ac.lon}, {next.lat, next.lon});
    catchUpOrRemove(engine, ac, latest, capKt, pathNm);
}
} // namespace

bool gf_curvePoint(const CurveSegment& curve, double t, double& lat, double& lon, double& heading)
{
    if (!curve.active() || !(t >= curve.t0 && t <= curve.t1) || !(curve.t1 > curve.t0))
        return false;
    const double u = (t - curve.t0) / (curve.t1 - curve.t0);
    const double s = 1.0 - u;
    const double east = 2.0 * s * u * curve.ctrlEast + u * u * curve.endEast;
    const double north = 2.0 * s * u * curve.ctrlNorth + u * u * curve.endNorth;
    const double dEast = 2.0 * u * (curve.endEast - curve.ctrlEast) + 2.0 * s * curve.ctrlEast;
    const double dNorth = 2.0 * u * (curve.endNorth - curve.ctrlNorth) + 2.0 * s * curve.ctrlNorth;
    heading = gf_wrapTwoPi(std::atan2(dEast, dNorth));
    const double originLat = curve.originLat > 180.0 ? curve.originLat - 360.0 : curve.originLat;
    lat = curve.originLat + north / kMetresPerDegree;
    lon = curve.originLon + east / (kMetresPerDegree * std::cos(originLat * kDegToRad));
    return true;
}

double turnToward(double heading, double wanted, double turnStep)
{
    if (std::abs(gf_wrapPi(wanted - heading)) <= kTurnDeadBandRad)
        return heading;
    bool clockwise;
    if (heading <= kPi)
        clockwise = wanted > heading && wanted < heading + kPi;
    else
        clockwise = !(wanted < heading && wanted > heading - kPi);
    return gf_wrapTwoPi(clockwise ? heading + turnStep : heading - turnStep);
}

void retimeNextReport(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    Report& next = ac.stream.at(1);
    if (next.stationary != 0)
    {
        if (ac.category == AcCategory::Rotorcraft)
            steps.stationaryTiming(engine, ac);
        return;
    }
    const Report& front = ac.stream[0];
    const double nm = gf_distanceNm({front.lat, front.lon}, {next.lat, next.lon});
    // A landing's field is read against its positions as every other leg's in the air.
    const double speedKt = gf_airLegSpeedKt(
        ac, ac.landing != 0 && next.airborne != 0 ? (front.gs > 0.0 ? front.gs : 100.0) : legSpeed(ac));
    // Kept for the legs after the stream has run short: the last one, and the carrying on after it.
    if (const double drawnKt = gf_shownSpeedKt(ac.stream, ac.category); drawnKt > 0.0)
        ac.drawnKt = drawnKt;
    const std::int64_t tick = engine.tick();
    // In the air a jump is caught up with within a minute: the leg toward it starts when its report is
    // still due up to half a minute ahead. The minute counts from now: an aircraft created late (a busy
    // simulator) is not behind its reports where it is. A turn its source reported behind the aircraft (it
    // flew on, extrapolated, as the turn began) takes the way there and back: twice the time.
    const std::int64_t latest = std::max<std::int64_t>(
        next.dueTick, tick + kCatchUpTicks * (gf_readNextReport(ac) == NextReport::turn ? 2 : 1));
    const std::int32_t n = std::max(gf_checkedTicks(nm * kTicksPerHour / speedKt), kMinLegTicks);
    if (ac.extensionCount < 1)
    {
        // A lag is not kept: the leg ends a few seconds after its report is due at the latest, so that an
        // aircraft late after a glitch, a pause or a turn round closes on its reports leg by leg, a little
        // faster than its pace (positions scattered along the track are not chased). Nor does it end before
        // a report its source sent is due: a field left too fast would run the aircraft ahead of its reports.
        const std::int64_t onTime = std::int64_t{next.dueTick} - tick;
        const std::int64_t earliest = next.sourceTime > 0.0 ? onTime : 0;
        const auto closing = static_cast<std::int64_t>(std::ceil(n / kClosingFactor));
        clampNextDue(
            ac, engine.tick(),
            std::max(std::min<std::int64_t>(std::max<std::int64_t>(n, earliest), onTime + kAirPaceTicks),
                     closing));
    }
    else
        clampNextDue(ac, engine.tick(), n);
    // The leg runs from where the aircraft is, no faster than its category flies while it catches up, so
    // that a late aircraft catches up over several legs instead of dashing. One that cannot reach the
    // report so within the minute (its reports jumped) is created again where its reports are.
    const double ceilingKt = gf_catchUpKt(ac, speedKt, ac.alt);
    const double behindNm = gf_distanceNm({ac.lat, ac.lon}, {next.lat, next.lon});
    catchUpOrRemove(engine, ac, latest, ceilingKt, behindNm);
}

void consumeReport(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    clearCurve(ac);
    {
        const Report& front = ac.stream.at(0);
        Report& next = ac.stream.at(1);
        if (next.stationary == 0 && gf_samePosition(front, next))
            next.stationary = 1;
        if (next.stationary == 0)
            ac.targetHeading = gf_bearingRad({front.lat, front.lon}, {next.lat, next.lon});
    }
    if (ac.onGround == 0)
        retimeNextReport(engine, steps, ac);
    else
    {
        steps.nextPosGround(engine, ac);
        // The ground timing keeps to the reports' due ticks: a late aircraft would dash to catch up.
        keepToTaxiSpeed(engine, ac);
    }
    // The ground set-up may have cut the stream or inserted reports: the next report is read anew.
    if (ac.stream.size() >= 2 && ac.stream[1].stationary == 0)
    {
        const Report& next = ac.stream[1];
        const std::int32_t legTicks = ticksToNext(ac, engine.tick());
        ac.latStep = (next.lat - ac.lat) / legTicks;
        // Across the antimeridian the short way round, not back across the whole globe.
        ac.lonStep = wrapLongitude(next.lon - ac.lon) / legTicks;
        if (ac.onGround == 0)
            steps.flyingStep(engine, ac);
        else
            steps.groundReportStep(engine, ac);
    }
    else
    {
        ac.latStep = 0.0;
        ac.lonStep = 0.0;
        if (ac.takeOff == 0 && ac.rollOut == 0)
        {
            if (ac.earlyMargin > kBaseMargin)
                ac.earlyMargin = std::max(ac.earlyMargin - kMarginShrink, kBaseMargin);
            if (ac.lateMargin > kBaseMargin)
                ac.lateMargin = std::max(ac.lateMargin - kMarginShrink, kBaseMargin);
        }
    }
    if (!ac.stream.empty())
        ac.stream.pop_front();
}

void nextPosMain(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    try
    {
        for (;;)
        {
            while (ac.stream.size() < 2)
            {
                const std::size_t before = ac.stream.size();
                if (steps.endOfStream(engine, ac) && ac.stream.size() > before)
                    continue;
                if (ac.phase != GroundPhase::parked)
                    steps.learnStandOnDeparture(engine, ac, ac.phase != GroundPhase::flying);
                ++engine.intake.endOfStreamRemovals;
                removeAircraftFromSim(engine, ac);
                return;
            }
            // A repeated position is no report in the air, nor is scatter no later report followed, once due.
            if (ac.onGround == 0 && ac.category != AcCategory::Rotorcraft &&
                (ac.stream[1].stationary != 0 || (ac.stream.size() == 2 && ac.stream[1].offTrack != 0 &&
                                                  engine.tick() >= ac.stream[1].dueTick)))
            {
                ac.stream.erase(ac.stream.begin() + 1);
                continue;
            }
            // In the air the leg runs to the track its reports draw together, not zigzagging between two
            // feeds or after a source's scatter; a report drawn onto it is skipped only once the aircraft
            // passed it.
            const bool drawn =
                ac.onGround == 0 && gf_drawFeedsTogether(ac.stream, ac.category, 1, ac.heading);
            if (drawn ? gf_passedDrawnReport(ac) : behindItsNose(ac))
            {
                ac.stream.erase(ac.stream.begin() + 1);
                continue;
            }
            break;
        }
        // A newest report that leaps away waits for the report after it, until it is due at the latest:
        // the aircraft flies on as it flew meanwhile, past the report it reached, without turning to it.
        if (ac.turnToTarget == 0 && engine.tick() < ac.stream[1].dueTick && gf_awaitsNextReport(ac))
        {
            ac.stream.front().dueTick = engine.tick() + kAwaitTicks;
            return;
        }
        consumeReport(engine, steps, ac);
    }
    catch (const std::exception& error)
    {
        gf_logMarked(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "nextPosMain", error.what(),
                                 gf_acLabel(ac), ac.stream.size(), gf_groundPhaseWord(ac.phase),
                                 gf_simStateWord(ac.simState)));
        throw;
    }
}

namespace
{
// A leg in the air that lies off the nose (catching up, or round to a turn that lies behind the aircraft)
// is flown as an aircraft flies it: along the nose while the nose turns toward the report at the
// aircraft's rate, at the leg's pace, then straight to the report once it lies ahead. The aircraft never
// slides sideways; when the turn made it late, the next leg starts from where it is.
void flyRoundToReport(const LiveEngine& engine, LiveAc& ac)
{
    const Report& next = ac.stream.front();
    const double cosLat = std::max(std::cos(ac.lat * kDegToRad), 1e-6);
    const double northM = (next.lat - ac.lat) * kMetresPerDegree;
    const double eastM = wrapLongitude(next.lon - ac.lon) * kMetresPerDegree * cosLat;
    const double leftM = std::hypot(northM, eastM);
    const double bearing = gf_wrapTwoPi(std::atan2(eastM, northM));
    ac.targetHeading = bearing;
    ac.heading = turnToward(ac.heading, bearing, ac.turnStep);
    const double paceM = std::hypot(ac.latStep * kMetresPerDegree, ac.lonStep * kMetresPerDegree * cosLat);
    double stepM = paceM;
    double way = ac.heading;
    if (std::abs(gf_wrapPi(bearing - ac.heading)) <= kAheadRad)
    {
        const double ticksLeft = static_cast<double>(std::max<std::int64_t>(next.dueTick - engine.tick(), 1));
        stepM = std::min(paceM, leftM / ticksLeft);
        way = bearing;
    }
    ac.latStep = stepM * std::cos(way) / kMetresPerDegree;
    ac.lonStep = stepM * std::sin(way) / (kMetresPerDegree * cosLat);
}
} // namespace

void advancePosition(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    bool moved = false;
    if (ac.curve.active())
    {
        ac.curveT = std::clamp(ac.curveT + ac.curveTStep, 0.0, kLastCurveT);
        double lat = 0.0;
        double lon = 0.0;
        double curveHeading = 0.0;
        if (gf_curvePoint(ac.curve, ac.curveT, lat, lon, curveHeading))
        {
            ac.lat = lat;
            ac.lon = lon;
            const double wanted =
                ac.phase == GroundPhase::pushing_back ? gf_wrapTwoPi(curveHeading + kPi) : curveHeading;
            ac.heading = turnToward(ac.heading, wanted, ac.turnStep);
        }
        else
            gf_log(fmt::format("{} error in curve at index: {:.2F}", gf_outsideText(ac.callsign), ac.curveT));
    }
    else if (!isGroundPhase(ac.phase))
    {
        // A leg off the nose (flyingStep) is flown round to; in the climb-out the nose turns while the
        // aircraft keeps to its leg.
        if (ac.onGround == 0 && ac.turnToTarget != 0 && ac.phase == GroundPhase::flying && ac.turnStep > 0.0)
            flyRoundToReport(engine, ac);
        else if (ac.onGround == 0 && ac.turnToTarget != 0)
            ac.heading = turnToward(ac.heading, ac.targetHeading, ac.turnStep);
        else
            ac.heading = gf_wrapTwoPi(ac.heading + ac.headingStep);
        ac.lat += ac.latStep;
        moved = true;
    }
    else
    {
        if (ac.phase == GroundPhase::parking || ac.turnToTarget != 0)
            ac.heading = turnToward(ac.heading, ac.targetHeading, ac.turnStep);
        if (ac.phase != GroundPhase::pushed_back)
        {
            ac.lat += ac.latStep;
            moved = true;
        }
    }
    if (moved)
        ac.lon += ac.lonStep;
    attitude(engine, steps, ac);
    ac.lon = wrapLongitude(ac.lon);
    if (ac.lat > 90.0 || ac.lat < -90.0)
    {
        ac.lat = (ac.lat > 90.0 ? 180.0 : -180.0) - ac.lat;
        ac.lon = wrapLongitude(ac.lon + 180.0);
    }
}

void moveActiveAc(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    const LatLon from{ac.lat, ac.lon};
    try
    {
        if (ac.stream.front().dueTick <= engine.tick())
        {
            nextPosMain(engine, steps, ac);
            if (ac.simState != SimState::active || ac.stream.empty())
                return;
            ac.vs = ac.vsValue / 60.0;
            ac.tas = ac.stream.front().stationary != 0 ? 0.0 : ac.speedValue;
        }
        if (ac.simState == SimState::active && !ac.stream.empty())
            steps.rollTick(engine, ac);
        if (ac.simState == SimState::active && !ac.stream.empty() && ac.stream.front().stationary == 0)
            advancePosition(engine, steps, ac);
        if (ac.simState == SimState::active && !ac.stream.empty())
            gf_holdToEnvelope(ac, from);
    }
    catch (const std::exception&)
    {
        // One aircraft that cannot be moved leaves the simulator; the others fly on.
        removeAircraftFromSim(engine, ac);
    }
}

} // namespace oxl
