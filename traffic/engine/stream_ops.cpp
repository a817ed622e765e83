#include "traffic/engine/stream_ops.h"

#include "foundation/geodesy.h"
#include "foundation/units.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace oxl
{

namespace
{
// A leg never counts as slower than this, so that its travel time stays finite.
constexpr double kMinLegSpeedKt = 1.0;
// [nm] a report nearer than this is where the aircraft is, not behind it.
constexpr double kBehindMinNm = metresToNm(5.0);

std::int32_t clampToTicks(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}
} // namespace

bool gf_liesBehind(LatLon from, double headingRad, const Report& report, double offRad)
{
    const LatLon at{report.lat, report.lon};
    return gf_distanceNm(from, at) > kBehindMinNm &&
           std::abs(gf_wrapPi(gf_bearingRad(from, at) - headingRad)) >= offRad;
}

std::int32_t gf_checkedTicks(double ticks)
{
    const double rounded = std::round(ticks);
    if (!std::isfinite(rounded) || rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        throw std::range_error(fmt::format("tick count {} does not fit 32 bits", ticks));
    return static_cast<std::int32_t>(rounded);
}

std::int32_t ticksToNext(const LiveAc& ac, std::int32_t tick)
{
    if (ac.stream.size() < 2)
        return kMinLegTicks;
    const std::int64_t ahead = static_cast<std::int64_t>(ac.stream[1].dueTick) - tick;
    return clampToTicks(std::max<std::int64_t>(ahead, kMinLegTicks));
}

double legSpeed(const LiveAc& ac)
{
    const Report& front = ac.stream.at(0);
    const Report& next = ac.stream.at(1);
    if (front.gs == 0.0 && next.gs == 0.0)
    {
        const double nm = gf_distanceNm({front.lat, front.lon}, {next.lat, next.lon});
        const std::int64_t ticks =
            std::max<std::int64_t>(static_cast<std::int64_t>(next.dueTick) - front.dueTick, kMinLegTicks);
        return std::max(nm * kTicksPerHour / static_cast<double>(ticks), kMinLegSpeedKt);
    }
    return std::max((front.gs + next.gs) / 2.0, kMinLegSpeedKt);
}

double turnToNextLeg(const LiveAc& ac)
{
    if (ac.stream.size() < 3)
        return 0.0;
    const Report& a = ac.stream[1];
    const Report& b = ac.stream[2];
    double turn = gf_bearingRad({a.lat, a.lon}, {b.lat, b.lon}) - ac.heading;
    while (turn > kPi)
        turn -= kTwoPi;
    while (turn <= -kPi)
        turn += kTwoPi;
    return turn;
}

void clampNextDue(LiveAc& ac, std::int32_t tick, std::int64_t ticksAhead)
{
    Report& next = ac.stream.at(1);
    std::int64_t due = static_cast<std::int64_t>(tick) + ticksAhead;
    if (ac.extensionCount < 1)
    {
        if (due > static_cast<std::int64_t>(next.dueTick) + ac.lateMargin)
            due = static_cast<std::int64_t>(next.dueTick) + ac.lateMargin;
        else
            due = std::max(due, static_cast<std::int64_t>(next.dueTick) - ac.earlyMargin);
    }
    next.dueTick = clampToTicks(std::max<std::int64_t>(due, tick));
}

void insertMidReport(LiveAc& ac)
{
    const Report& front = ac.stream.at(0);
    const Report& next = ac.stream.at(1);
    Report mid = front;
    mid.lat = (front.lat + next.lat) / 2.0;
    mid.lon = (front.lon + next.lon) / 2.0;
    mid.alt = (front.alt + next.alt) / 2.0;
    mid.gs = (front.gs + next.gs) / 2.0;
    mid.sourceTime =
        front.sourceTime > 0.0 && next.sourceTime > 0.0 ? (front.sourceTime + next.sourceTime) / 2.0 : 0.0;
    mid.dueTick = static_cast<std::int32_t>(
        std::llround((static_cast<double>(front.dueTick) + static_cast<double>(next.dueTick)) / 2.0));
    mid.airborne = mid.alt > 0.0 ? 1 : 0;
    if (mid.airborne == 0)
        mid.alt = 0.0;
    mid.stationary = 0;
    // Inserting invalidates both references above; they are not used again.
    ac.stream.insert(ac.stream.begin() + 1, mid);
}

bool gf_samePosition(const Report& a, const Report& b)
{
    constexpr double kSameDeg = 1e-8;
    return std::fabs(a.lat - b.lat) < kSameDeg && std::fabs(a.lon - b.lon) < kSameDeg;
}

} // namespace oxl
