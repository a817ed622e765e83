#include "traffic/engine/flight_phases.h"

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/units.h"
#include "records/aircraft_words.h"
#include "simlink/sim_ids.h"
#include "traffic/engine/flight_commands.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/motion_envelope.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/engine/track_reading.h"
#include "traffic/source/source_state.h"
#include "traffic/source/udp_readers.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace oxl
{

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::int32_t kBaseMargin = 1000;
constexpr std::int32_t kMarginShrink = 100;
constexpr std::int32_t kTakeOffLateMargin = 5000;
constexpr std::int32_t kWideMargin = 3000;
constexpr double kLiftOffClimbFpm = 256.0;
// [ft] a next report this far above the aircraft shows it flying already.
constexpr double kClearlyAloftFt = 300.0;
// [ft/min] the sum of two level reports' vertical speeds below which a landing descends on its own.
constexpr double kStaleDescentFpm = -400.0;
// [ft/min] the default descent of a landing leg.
constexpr double kLandingVsFpm = -601.0;
// [ft] below this altitude the low light set and the climb or approach configuration apply.
constexpr double kHighLightsAltFt = 10000.0;
// [nm] the landing configuration is set only this close to the park airport.
constexpr double kNearParkAirportNm = 10.0;
// [deg] a roll-out that turned this far has left the runway.
constexpr double kTurnOffDeg = 15.0;
constexpr double kRollOutSlowKt = 90.0;
// [rad] an aircraft further off the way it moves on a leg turns to it at once; a bend sharper than this at
// the next report is turned there. [nm] A shorter leg's way is the reports' noise.
constexpr double kAlignRad = 30.0 * kDegToRad;
constexpr double kAlignLegNm = 0.2;

void shrinkMargins(LiveAc& ac)
{
    ac.earlyMargin = std::max(ac.earlyMargin - kMarginShrink, kBaseMargin);
    ac.lateMargin = std::max(ac.lateMargin - kMarginShrink, kBaseMargin);
}

void widenMargins(LiveAc& ac)
{
    ac.lateMargin = ac.takeOff != 0 ? kTakeOffLateMargin : kWideMargin;
    ac.earlyMargin = kWideMargin;
}

bool parkAirportSet(const LiveEngine& engine)
{
    return !engine.n.parking->parkAirport.code.empty();
}

double approachHeightFt(const LiveAc& ac)
{
    switch (ac.category)
    {
    case AcCategory::Buzjets:
    case AcCategory::Large:
    case AcCategory::Heavy:
        return 2050.0;
    default:
        return 625.0;
    }
}

double climbStepTo(const LiveAc& ac, double targetAlt, std::int32_t ticks)
{
    if (targetAlt <= ac.alt)
        return 0.0;
    return std::min((targetAlt - ac.alt) / ticks, ac.maxClimbStep);
}

// [ft per tick] toward the next report's height, no steeper than the category climbs, nor descending steeper
// than the reports agree on.
double heightStepTo(const LiveAc& ac, std::int32_t ticks)
{
    const double descentStep = gf_readDescentFpm(ac.stream, 1, ac.category) / (kTicksPerHour / 60.0);
    return std::clamp((ac.stream[1].alt - ac.alt) / ticks, -descentStep, ac.maxClimbStep);
}

// Drops the reports between the front and report n-1 when that one is airborne, and times the leg to it.
bool skipToClimbReport(LiveEngine& engine, LiveAc& ac, std::size_t n)
{
    if (ac.stream.size() < n || ac.stream[n - 1].airborne == 0)
        return false;
    ac.stream.erase(ac.stream.begin() + 1, ac.stream.begin() + static_cast<std::ptrdiff_t>(n - 1));
    const Report& front = ac.stream[0];
    const Report& next = ac.stream[1];
    const double nm = gf_distanceNm({front.lat, front.lon}, {next.lat, next.lon});
    const std::int32_t ticks = gf_checkedTicks(nm * kTicksPerHour / legSpeed(ac));
    clampNextDue(ac, engine.tick(), std::max(ticks, kMinLegTicks));
    ac.altStep = climbStepTo(ac, ac.stream[1].alt, ticksToNext(ac, engine.tick()));
    return true;
}

void setLandingVs(LiveAc& ac, double vs)
{
    ac.stream[1].vs = vs;
    ac.vsValue = vs;
    ac.altStep = vs / 6000.0;
}

// Front and next on the ground while flying: a climb report further on, or a descent.
void descentStep(LiveEngine& engine, LiveAc& ac)
{
    double vsSum = 0.0;
    for (const Report& r : ac.stream)
        vsSum += r.vs;
    if (ac.landing == 0 && vsSum > 100.0)
    {
        const std::size_t last = std::min<std::size_t>(ac.stream.size() - 1, 10);
        for (std::size_t n = 3; n <= last; ++n)
            if (skipToClimbReport(engine, ac, n))
            {
                setGear(engine, ac, true);
                return;
            }
        setLandingVs(ac, std::max(ac.stream[1].vs, 601.0));
    }
    else
        setLandingVs(ac, landingVsTarget(ac));
    setGear(engine, ac, true);
}

void verticalStep(LiveEngine& engine, LiveAc& ac, std::int32_t ticks)
{
    const Report& front = ac.stream[0];
    const Report& next = ac.stream[1];
    // A height its neighbours belie is the scatter of its source: the one they draw is flown.
    if (front.airborne != 0 && next.airborne != 0)
        ac.stream[1].alt = gf_readHeightFt(ac.stream, 1, ac.category);
    if (front.airborne == 0 && next.airborne == 0)
        descentStep(engine, ac);
    else if (front.airborne == 0)
        ac.altStep = climbStepTo(ac, next.alt, ticks);
    else if (next.airborne == 0)
    {
        const std::int32_t qnh = gSource.gEngineQnh.load();
        if (qnh > kStandardQnh || !parkAirportSet(engine))
            setLandingVs(ac, qnh >= kStandardQnh + 1 ? landingVsTarget(ac) : kLandingVsFpm);
        else
            ac.altStep = (engine.n.parking->parkAirport.altitude - ac.alt) / ticks;
        setGear(engine, ac, true);
    }
    // The height follows the reports, low over the ground too: an aircraft reported level stays level, and
    // none dives faster than its category descends.
    else if (ac.landing == 0)
        ac.altStep = heightStepTo(ac, ticks);
    // A landing whose source holds its altitude while its speed field descends comes down as it says.
    else if (front.alt != next.alt || ac.agl > 1000.0 || front.vs + next.vs > kStaleDescentFpm)
        ac.altStep = heightStepTo(ac, ticks);
    else
        setLandingVs(ac, landingVsTarget(ac));
}
} // namespace

void startTakeOff(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    if (ac.towed != 0)
        gf_logMarked(fmt::format("towed aircraft takes-off? {}", gf_acLabel(ac)));
    ac.takeOff = 1;
    if (ac.throttleIndex != 0)
    {
        queueAcEvent(engine, ac, kEvThrottleSet, 0);
        ac.throttleIndex = 0;
    }
    setSpoilers(engine, ac, false);
    gf_setFlaps(engine, ac, 1);
    ac.landing = 0;
    ac.goAroundDone = 0;
    setAcLights(engine, ac, {1, 1, 1, 1, 1, 1, 0});
    ac.lateMargin = kTakeOffLateMargin;
    ac.earlyMargin = kWideMargin;
    if (!ac.airline.empty())
        steps.learnStandOnDeparture(engine, ac, true);
}

void liftOff(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    ac.rotationCounter = static_cast<std::int32_t>(std::max<std::uint32_t>(ac.rotationTicks, 1));
    ac.bank = 0.0;
    ac.bankStep = 0.0;
    ac.pitchStep = (ac.rotationPitch - ac.pitch) / ac.rotationCounter;
    if (ac.takeOff == 0)
        startTakeOff(engine, steps, ac);
    ac.phase = GroundPhase::take_off;
    ac.headingStep = 0.0;
    ac.turnToTarget = 0;
    ac.curve.t0 = kNaN;
    ac.curve.t1 = kNaN;
    ac.curve.ctrlEast = kNaN;
    ac.curve.ctrlNorth = kNaN;
    if (ac.rollOut != 0)
    {
        // A touch-and-go: full power, spoilers out as the reports show, flaps for the climb.
        ac.rollOut = 0;
        ac.landing = 0;
        gf_setThrottle(engine, ac, 4);
        setSpoilers(engine, ac, true);
        gf_setFlaps(engine, ac, 1);
    }
}

void takeOffRollTick(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    if (ac.category == AcCategory::Rotorcraft || !gf_inTakeOffRoll(ac) || ac.stream.front().airborne == 0 ||
        ac.shownMps < ktToMps(gf_categoryConstants(ac.category).liftOffSpeedKt))
        return;
    Report& target = ac.stream.front();
    const std::int32_t tick = engine.tick();
    const double nm = gf_distanceNm({ac.lat, ac.lon}, {target.lat, target.lon});
    // On to its report in the air from where it lifted off: on time where it can, no slower than it rolled,
    // no faster than its category catches up.
    const double shownKt = ac.shownMps * kSecondsPerHour / kMetresPerNm;
    const double onTimeKt = nm * kTicksPerHour / static_cast<double>(std::max(target.dueTick - tick, 1));
    const double kt =
        std::clamp(onTimeKt, shownKt, std::max(shownKt, gf_catchUpCeilingKt(ac.category, target.gs, ac.alt)));
    const std::int32_t ticks = std::max(gf_checkedTicks(nm * kTicksPerHour / kt), 1);
    target.dueTick = tick + ticks;
    ac.latStep = (target.lat - ac.lat) / ticks;
    ac.lonStep = gf_wrapDeg180(target.lon - ac.lon) / ticks;
    const double climbStep = std::clamp((target.alt - ac.alt) / ticks, 0.1, std::max(ac.maxClimbStep, 0.1));
    liftOff(engine, steps, ac);
    ac.altStep = climbStep;
    // The nose turns the way it now moves.
    ac.targetHeading = gf_bearingRad({ac.lat, ac.lon}, {target.lat, target.lon});
    ac.turnStep = ac.maxTurnStep;
    ac.turnToTarget = std::abs(gf_wrapPi(ac.targetHeading - ac.heading)) > kAlignRad / 10.0 ? 1 : 0;
}

void rotationTick(LiveEngine& engine, LiveAc& ac)
{
    const double climbDelta = (ac.climbPitch - ac.rotationPitch) /
                              static_cast<double>(std::max<std::uint32_t>(ac.climbPitchTicks, 1));
    const std::int32_t c = ac.rotationCounter - 1;
    ac.rotationCounter = std::max(c, -1000);
    if (c >= 1)
    {
        ac.onGround = 0;
        if (ac.pitch > ac.rotationPitch)
            ac.pitch += ac.pitchStep;
        return;
    }
    ac.bank = std::clamp(ac.bank + ac.bankStep, -kPi, kPi);
    if (ac.pitch > ac.climbPitch)
        ac.pitch += climbDelta;
    if (c == 0)
        return;
    if (c > -100)
        ac.alt += ac.altStep / 10.0;
    else if (c > -200)
        ac.alt += ac.altStep / 5.0;
    else if (c > -300)
        ac.alt += ac.altStep / 2.0;
    else
    {
        if (c == -300)
            setGear(engine, ac, false);
        ac.alt += ac.altStep;
        if (c < -300 && ac.climbPitch >= ac.pitch)
        {
            ac.pitchStep = 0.0;
            if (ac.agl >= 800.0)
            {
                gf_setThrottle(engine, ac, throttleFor(ac, 3));
                ac.phase = GroundPhase::flying;
                ac.rotationCounter = 1;
            }
        }
    }
}

bool gf_nextReportsAtLiftOffSpeed(const LiveAc& ac)
{
    const double liftOffKt = gf_categoryConstants(ac.category).liftOffSpeedKt;
    return std::all_of(ac.stream.begin() + 1, ac.stream.end(),
                       [&](const Report& r) { return r.gs >= liftOffKt; });
}

void groundReportStep(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac)
{
    const bool rotorcraft = ac.category == AcCategory::Rotorcraft;
    if (ac.phase == GroundPhase::parked || ac.phase == GroundPhase::flying)
    {
        ac.previousPhase = ac.phase;
        ac.phase = GroundPhase::taxi;
    }
    else if (ac.takeOff != 0)
    {
        const double g0 = ac.stream[0].gs;
        const double g1 = ac.stream[1].gs;
        if (!rotorcraft && g0 < 25.0 && g1 < 30.0)
            gf_setThrottle(engine, ac, (g0 >= 20.0 || g1 >= 25.0) ? 2 : (g0 >= 15.0 || g1 >= 20.0) ? 1 : 0);
        else
            gf_setThrottle(engine, ac, 4);
    }
    else if (ac.rollOut == 0)
        gf_setThrottle(engine, ac, throttleFor(ac, 0));
    else
        rollOutStep(engine, ac);
    if (ac.rollOut == 0 && ac.takeOff == 0)
        shrinkMargins(ac);
    if (ac.flareState == 0 && ac.phase != GroundPhase::take_off)
    {
        ac.pitch = ac.staticPitch;
        ac.pitchStep = 0.0;
        ac.bank = 0.0;
        ac.bankStep = 0.0;
    }
    const std::int32_t ticks = ticksToNext(ac, engine.tick());
    if (ac.curve.active())
        ac.curveTStep = 1.0 / ticks;
    ac.speedValue = ac.phase == GroundPhase::pushing_back ? -ac.stream[1].gs : ac.stream[1].gs;
    if (ac.takeOff == 0 || ac.phase == GroundPhase::take_off)
        return;
    // A fixed-wing aircraft whose roll is shown lifts off once the roll has reached its lift-off speed
    // (takeOffRollTick), whatever speed or climb its reports show.
    if (!rotorcraft && ac.shownMps >= 0.0)
        return;
    // The next report flies well above the aircraft: it lifts off whatever ground speed the source
    // reports, or it would be driven along the ground under its climb.
    const Report& next = ac.stream[1];
    const bool climbingAway = next.airborne != 0 && next.alt - ac.alt > kClearlyAloftFt;
    if (ac.stream[0].gs < kTakeOffSpeedKt && !climbingAway)
        return;
    const auto after = ac.stream.begin() + 1;
    const bool someSlowClimb =
        std::any_of(after, ac.stream.end(), [](const Report& r) { return r.vs <= kLiftOffClimbFpm; });
    if (someSlowClimb && !climbingAway)
    {
        if (gf_nextReportsAtLiftOffSpeed(ac) &&
            std::all_of(after, ac.stream.end(), [](const Report& r) { return r.airborne != 0; }))
        {
            ac.altStep = ac.maxClimbStep;
            liftOff(engine, steps, ac);
        }
        return;
    }
    if (std::any_of(after, ac.stream.end(), [](const Report& r) { return r.airborne == 0; }))
        ac.altStep = ac.maxClimbStep;
    else
        ac.altStep = std::max(ac.stream[1].alt - ac.alt, 0.1) / ticks;
    liftOff(engine, steps, ac);
}

void endRollOut(LiveEngine& engine, LiveAc& ac)
{
    gf_setFlaps(engine, ac, 0);
    ac.rollOut = 0;
    ac.touchdownHeading = 0.0;
    gf_setThrottle(engine, ac, throttleFor(ac, 0));
    setSpoilers(engine, ac, false);
    setSpoilersThrottles(engine, ac, 0.0, 0.0);
    setAcLights(engine, ac, {1, 1, 0, 1, 0, 1, 1});
}

void rollOutStep(LiveEngine& engine, LiveAc& ac)
{
    if (std::abs(gf_wrapPi(ac.heading - ac.touchdownHeading)) >= kTurnOffDeg * kDegToRad)
        endRollOut(engine, ac);
    else if (ac.stream[0].gs <= kRollOutSlowKt)
    {
        setSpoilers(engine, ac, false);
        setSpoilersThrottles(engine, ac, 0.0, 0.0);
        gf_setFlaps(engine, ac, 1);
    }
}

void setBankStep(LiveAc& ac, double turnRad, std::int32_t ticks)
{
    const CategoryConstants& k = gf_categoryConstants(ac.category);
    const double maxBank = k.maxBankDeg * kDegToRad;
    const double maxStep = k.maxBankStepDeg * kDegToRad;
    const double desired = std::clamp(turnRad, -maxBank, maxBank);
    ac.bankStep = std::clamp((-desired - ac.bank) / std::max(ticks, 1), -maxStep, maxStep);
}

double landingVsTarget(const LiveAc& ac)
{
    if (ac.agl <= 100.0)
        return -600.0;
    const Report& front = ac.stream.at(0);
    const Report& next = ac.stream.size() > 1 ? ac.stream[1] : front;
    return std::min((front.vs + next.vs) / 2.0 - (gSource.gEngineQnh.load() - kStandardQnh) * 6.0,
                    kLandingVsFpm);
}

void flyingStep(LiveEngine& engine, LiveAc& ac)
{
    if (ac.phase != GroundPhase::take_off && ac.phase != GroundPhase::flying)
    {
        ac.previousPhase = ac.phase;
        ac.phase = GroundPhase::flying;
    }
    ac.speedValue = ac.stream[1].tas;
    ac.vsValue = ac.stream[1].vs;
    const std::int32_t ticks = ticksToNext(ac, engine.tick());
    if (ac.flareState == 0)
    {
        verticalStep(engine, ac, ticks);
        if (ac.phase != GroundPhase::take_off)
        {
            // The stream may have lost reports: the next one is read anew.
            double v = ac.stream[1].vs;
            v = v > 0.0 ? std::min(v, 2400.0) : std::max(v, -3000.0) / 2.0;
            const double target = -3.0 * kDegToRad - (v / 600.0) * 2.2 * kDegToRad;
            const double maxStep = gf_categoryConstants(ac.category).maxPitchStepDeg * kDegToRad;
            ac.pitchStep =
                std::clamp((target - ac.pitch) / ticksToNext(ac, engine.tick()), -maxStep, maxStep);
        }
    }
    const std::int32_t legTicks = ticksToNext(ac, engine.tick());
    const Report& next = ac.stream[1];
    // The way the aircraft moves on this leg: from where it is to the next report.
    const double legNm = gf_distanceNm({ac.lat, ac.lon}, {next.lat, next.lon});
    const double motion = gf_bearingRad({ac.lat, ac.lon}, {next.lat, next.lon});
    const auto offMotion = [&](double heading)
    { return std::abs(gf_wrapPi(heading - motion)) > kAlignRad && legNm > kAlignLegNm; };
    ac.turnToTarget = 0;
    double turn;
    if (offMotion(ac.heading))
    {
        // It catches up with its reports, or their track bent sharply (also while its source extrapolated
        // them, or round to a turn that lies behind it): it turns the way it moves, at its rate, and keeps to
        // it.
        turn = gf_wrapPi(motion - ac.heading);
        ac.turnToTarget = 1;
        ac.targetHeading = motion;
        ac.turnStep = ac.maxTurnStep;
    }
    // A report a short way behind the nose was flown past while its source held its position: the nose holds
    // and the aircraft slows along it until its reports come up (the motion envelope).
    else if (legNm <= kAlignLegNm && std::abs(gf_wrapPi(motion - ac.heading)) > kPi / 2.0)
        turn = 0.0;
    else if (next.headingFromAdsb != 0 && next.roll && next.trueHeading &&
             ac.agl < (ac.landing != 0 ? 2000.0 : 1000.0))
        turn = gf_wrapPi(*next.trueHeading - ac.heading);
    // The last report queued (the stream runs dry, or its source held a position): the nose comes round to
    // the track of the leg, which the aircraft is then carried on along.
    else if (ac.stream.size() < 3)
        turn = gf_wrapPi(motion - ac.heading);
    else
    {
        turn = turnToNextLeg(ac);
        // A sharp bend at the next report is turned there, not flown sideways toward it; a report after it
        // back along the leg is the scatter of the source's positions, no bend at all.
        if (offMotion(ac.heading + turn) || std::abs(gf_wrapPi(ac.heading + turn - motion)) >= kTurnRoundRad)
            turn = gf_wrapPi(motion - ac.heading);
    }
    // The nose turns no faster than the aircraft does, however short the leg.
    ac.headingStep =
        ac.turnToTarget != 0 ? 0.0 : std::clamp(turn / legTicks, -ac.maxTurnStep, ac.maxTurnStep);
    if (next.roll)
        ac.bankStep = (*next.roll - ac.bank) / legTicks;
    else
        setBankStep(ac, turn, legTicks);
    if (ac.stream[0].alt < kHighLightsAltFt)
    {
        if (ac.lowLights == 0)
        {
            ac.lowLights = 1;
            ac.highLights = 0;
            setAcLights(engine, ac, {1, 1, 1, 1, 1, 1, 1});
        }
        if (ac.agl > approachHeightFt(ac))
            climbConfig(engine, ac);
        else
            approachConfig(engine, ac);
    }
    else if (ac.highLights == 0)
    {
        ac.highLights = 1;
        ac.lowLights = 0;
        setAcLights(engine, ac, {1, 1, 0, 0, 0, 0, 1});
        gf_setThrottle(engine, ac, throttleFor(ac, 3));
        setGear(engine, ac, false);
        gf_setFlaps(engine, ac, 0);
    }
}

void climbConfig(LiveEngine& engine, LiveAc& ac)
{
    shrinkMargins(ac);
    setAcCabinLights(engine, ac, true);
    ac.takeOff = 0;
    ac.landing = 0;
    const double vs = ac.stream.front().vs;
    if (vs <= -250.0 && ac.throttleIndex == 3)
        gf_setThrottle(engine, ac, throttleFor(ac, 2));
    else if (vs > 400.0 && ac.throttleIndex == 4)
        gf_setThrottle(engine, ac, throttleFor(ac, 3));
    if (ac.agl >= 2400.0)
    {
        setGear(engine, ac, false);
        gf_setFlaps(engine, ac, 0);
    }
    else if (vs <= 100.0)
    {
        if (ac.flapsIndex == 0)
            gf_setFlaps(engine, ac, 1);
        else if (ac.flapsIndex == 1 && ac.agl < 2000.0)
            gf_setFlaps(engine, ac, 2);
    }
}

void approachConfig(LiveEngine& engine, LiveAc& ac)
{
    const Airport& park = engine.n.parking->parkAirport;
    const bool near = parkAirportSet(engine) &&
                      gf_distanceNm({ac.lat, ac.lon}, {park.latitude, park.longitude}) <= kNearParkAirportNm;
    setAcCabinLights(engine, ac, false);
    const double vs = ac.stream.front().vs;
    if (vs <= -250.0 && ac.landing == 0 && near)
    {
        gf_setThrottle(engine, ac, throttleFor(ac, 1));
        gf_setFlaps(engine, ac, 3);
        setGear(engine, ac, true);
        engine.couplingQueue.push_back(ac.hexid);
        ac.landing = 1;
        ac.goAroundDone = 0;
        ac.clearStand();
        widenMargins(ac);
        ac.rotationCounter = 1;
    }
    else if (vs > -250.0 && (vs > 600.0 || (ac.landing != 0 && !near)) && ac.goAroundDone == 0)
    {
        shrinkMargins(ac);
        gf_setThrottle(engine, ac, 4);
        setGear(engine, ac, false);
        gf_setFlaps(engine, ac, 0);
        ac.goAroundDone = 1;
        ac.flareState = 0;
        ac.landing = 0;
    }
}

void flareTick(LiveEngine& engine, LiveAc& ac)
{
    const double cg = ac.staticCgHeight;
    Report* front = ac.stream.empty() ? nullptr : &ac.stream.front();
    auto setFrontVs = [&](double vs)
    {
        if (front != nullptr)
            front->vs = vs;
    };
    switch (ac.flareState)
    {
    case 0:
    {
        if (ac.refElevationSet == 0 && parkAirportSet(engine))
        {
            ac.refElevation = engine.n.parking->parkAirport.altitude;
            ac.refElevationSet = 1;
        }
        const double height = ac.refElevationSet != 0 ? ac.alt - ac.refElevation : ac.agl;
        ac.heightAboveRef = height;
        if (std::min(ac.agl, height) <= cg + 30.0)
        {
            ac.pitchStep = (-4.0 * kDegToRad - ac.pitch) / std::max<std::uint32_t>(ac.flareTicks, 1);
            ac.altStep = -0.1;
            engine.fastRequest = true;
            setFrontVs(-601.0);
            ac.flareState = 1;
        }
        break;
    }
    case 1:
        if (ac.agl <= cg + 20.0)
        {
            ac.refElevationSet = 0;
            ac.altStep = -0.075;
            setFrontVs(-450.0);
            ac.flareState = 2;
        }
        break;
    case 2:
        if (ac.agl <= cg + 10.0)
        {
            ac.refElevationSet = 0;
            gf_setThrottle(engine, ac, 0);
            ac.altStep = -0.05;
            setFrontVs(-300.0);
            ac.flareState = 3;
        }
        break;
    case 3:
        if (ac.agl <= cg + 3.0)
        {
            ac.refElevationSet = 0;
            ac.altStep = -0.025;
            setFrontVs(-150.0);
            ac.flareState = 4;
        }
        break;
    default:
        break;
    }
}

} // namespace oxl
