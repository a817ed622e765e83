#include "traffic/engine/motion_envelope.h"

#include "foundation/units.h"
#include "records/aircraft_words.h"
#include "traffic/engine/flight_phases.h"
#include "traffic/engine/live_movement.h"
#include "traffic/engine/track_reading.h"

#include <algorithm>
#include <cmath>

namespace oxl
{

namespace
{
constexpr double kTickS = 0.01;
// [m/s2] how fast an aircraft in the air slows while a report behind it comes up.
constexpr double kAirSlowMps2 = 1.0;
// [m/s] in the air, slower than this no frame is told from a hover.
constexpr double kAirMovingMps = ktToMps(40.0);
// [ft] this near the known ground a landing is over the runway.
constexpr double kOverRunwayFt = 50.0;
// [rad] a motion this far off the nose is sideways; in the air, where a turn's chord lies up to half the turn
// of a leg off the nose, this far.
constexpr double kSidewaysRad = 45.0 * kDegToRad;
constexpr double kAirSidewaysRad = 50.0 * kDegToRad;
// [m/s2] the least a roll-out slows while faster than a taxi.
constexpr double kRollOutSlowingMps2 = 1.0;
// [m/s] a roll-out slows this far braking as on the runway; it speeds up again from a taxi's speed on.
constexpr double kRolledOutMps = ktToMps(kTaxiSpeedKt) / 2.0;

bool backwards(double offRad)
{
    return offRad > kPi / 2.0;
}

// Rolling out after a landing until it has slowed to half a taxi's speed (a touch-and-go rolls for take-off
// instead).
bool rollingOut(const LiveAc& ac, double shownMps)
{
    return ac.takeOff == 0 && (ac.rollOut != 0 || gf_landedOnGround(ac)) && shownMps > kRolledOutMps;
}
} // namespace

bool gf_inTakeOffRoll(const LiveAc& ac)
{
    if (ac.takeOff == 0 || ac.onGround == 0 || ac.rollOut != 0 || ac.phase == GroundPhase::take_off ||
        ac.stream.empty())
        return false;
    const Report& target = ac.stream.front();
    return target.airborne != 0 || target.gs >= kTakeOffSpeedKt ||
           (target.stationary != 0 && ac.shownMps >= ktToMps(kTakeOffSpeedKt));
}

namespace
{
// The motion within the envelope in the air: speed [m/s] and way [rad] from the tick's; false where it
// stands.
bool inTheAir(const LiveAc& ac, const CategoryEnvelope& e, double before, double offRad, double& speed,
              double& dir)
{
    // A report behind is joined by slowing, one a short way beside (flown straight to, not round) by flying
    // on: never backwards nor sideways.
    if ((backwards(offRad) || (offRad > kAirSidewaysRad && ac.turnToTarget == 0)) && before >= kAirMovingMps)
    {
        speed = backwards(offRad) ? std::max(before - kAirSlowMps2 * kTickS, 0.0) : before;
        dir = ac.heading;
    }
    // The rotation and climb-out go on from the roll: they accelerate as the category does, never slow.
    else if (ac.phase == GroundPhase::take_off)
        speed = std::clamp(speed, before, before + e.takeOffAccelMps2 * kTickS);
    // A landing's last legs before the touchdown are as irregular as its roll-out's: it slows no harder than
    // it brakes on the runway, and from the flare or just over the runway on it no longer speeds up.
    else if (ac.landing != 0 || ac.flareState != 0 || ac.stream.front().airborne == 0)
    {
        speed = std::max(speed, before - e.brakeMps2 * kTickS);
        if (ac.flareState != 0 || ac.alt - ac.groundFloorFt < kOverRunwayFt)
            speed = std::min(speed, before);
    }
    else
        return false;
    return true;
}

// The motion within the envelope on the ground, as inTheAir.
bool onTheGround(const LiveAc& ac, const CategoryEnvelope& e, double before, double offRad, double& speed,
                 double& dir)
{
    if (gf_inTakeOffRoll(ac) || rollingOut(ac, before))
    {
        const bool roll = ac.rollOut == 0 && ac.takeOff != 0;
        // A roll-out slows down to a taxi's speed whatever its reports say (a source runs on ahead of a
        // landed aircraft at its approach speed), and below it may speed up to it; one that its reports have
        // left behind (it touched down short of where they do) keeps its speed until it is with them again.
        const double most = roll ? before + e.takeOffAccelMps2 * kTickS
                            : before > ktToMps(kTaxiSpeedKt)
                                ? (speed > before ? before : before - kRollOutSlowingMps2 * kTickS)
                                : std::min(before + e.groundAccelMps2 * kTickS, ktToMps(kTaxiSpeedKt));
        const double least = roll ? before : std::max(before - e.brakeMps2 * kTickS, 0.0);
        const bool toAir = roll && ac.stream.front().airborne != 0;
        // Toward a report in the air a roll accelerates as the category does, whatever the leg's pace, and
        // on the runway up to the speed its reports show (a leg from where it stood, split in two, is timed
        // slower).
        if (roll)
            for (const Report& r : ac.stream)
                speed = std::max(speed, ktToMps(r.gs));
        speed = toAir ? most : std::clamp(speed, least, std::max(least, most));
        // Past a report that lies behind: on along the nose, braking unless it rolls for take-off.
        if (backwards(offRad))
        {
            dir = ac.heading;
            speed = toAir ? most : least;
        }
        return true;
    }
    // Taxiing, nothing gains speed beyond a taxi's quicker than the category accelerates, nor runs sideways
    // or against its nose faster than a push-back; a push-back and the way into a stand keep their own pace.
    if (ac.phase != GroundPhase::taxi)
        return false;
    speed = std::min(speed, std::max(before + e.groundAccelMps2 * kTickS, ktToMps(kTaxiSpeedKt)));
    // Far off its nose (a report beside or behind it) it creeps while the nose comes round.
    if (offRad > kSidewaysRad)
        speed = std::min(speed, e.pushBackMps);
    return true;
}
} // namespace

void gf_holdToEnvelope(LiveAc& ac, LatLon from)
{
    const double cosLat = std::max(std::cos(from.lat * kDegToRad), 1e-6);
    const double northM = (ac.lat - from.lat) * kMetresPerDegree;
    const double eastM = gf_wrapDeg180(ac.lon - from.lon) * kMetresPerDegree * cosLat;
    const double stepM = std::hypot(northM, eastM);
    const double before = ac.shownMps;
    ac.shownMps = stepM / kTickS;
    if (before < 0.0 || ac.category == AcCategory::Rotorcraft)
        return;
    const CategoryEnvelope& e = gf_categoryEnvelope(ac.category);
    double dir = stepM > 0.0 ? std::atan2(eastM, northM) : ac.heading;
    const double offRad = std::abs(gf_wrapPi(dir - ac.heading));
    double speed = ac.shownMps;
    if (!(ac.onGround == 0 ? inTheAir(ac, e, before, offRad, speed, dir)
                           : onTheGround(ac, e, before, offRad, speed, dir)))
        return;
    const double m = speed * kTickS;
    ac.lat = from.lat + m * std::cos(dir) / kMetresPerDegree;
    ac.lon = gf_wrapDeg180(from.lon + m * std::sin(dir) / (kMetresPerDegree * cosLat));
    ac.shownMps = speed;
}

} // namespace oxl
