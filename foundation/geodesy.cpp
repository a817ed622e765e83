#include "foundation/geodesy.h"

#include "foundation/config_keys.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <gsl/narrow>

namespace oxl
{

double gf_distanceNm(LatLon a, LatLon b)
{
    const double phiA = a.lat * kDegToRad;
    const double phiB = b.lat * kDegToRad;
    const double sinDPhi = std::sin((phiB - phiA) / 2.0);
    const double sinDLambda = std::sin((b.lon - a.lon) * kDegToRad / 2.0);
    double h = sinDPhi * sinDPhi + std::cos(phiB) * std::cos(phiA) * sinDLambda * sinDLambda;
    // Rounding can push h just past 1 for (near-)antipodal points, where sqrt(1 - h) would be NaN.
    h = std::clamp(h, 0.0, 1.0);
    return std::atan2(std::sqrt(h), std::sqrt(1.0 - h)) * kDistanceFactorNm;
}

double gf_bearingRad(LatLon a, LatLon b)
{
    const double phiA = a.lat * kDegToRad;
    const double phiB = b.lat * kDegToRad;
    const double dLambda = (b.lon - a.lon) * kDegToRad;
    double theta =
        std::atan2(std::sin(dLambda) * std::cos(phiB),
                   std::sin(phiB) * std::cos(phiA) - std::sin(phiA) * std::cos(phiB) * std::cos(dLambda));
    if (theta < 0.0)
    {
        theta += kTwoPi;
    }
    return theta;
}

LatLon gf_destinationPoint(LatLon start, double bearingRad, double distanceFt)
{
    const double delta = distanceFt * kRadPerFoot;
    const double phi1 = start.lat * kDegToRad;
    const double lambda1 = start.lon * kDegToRad;
    const double phi2 =
        std::asin(std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(bearingRad));
    const double lambda2 =
        std::remainder(lambda1 + std::atan2(std::sin(bearingRad) * std::sin(delta) * std::cos(phi1),
                                            std::cos(delta) - std::sin(phi1) * std::sin(phi2)),
                       kTwoPi);
    return LatLon{phi2 * kRadToDeg, lambda2 * kRadToDeg};
}

std::int32_t gf_percentage(std::int64_t part, std::int64_t whole)
{
    if (whole < 1)
    {
        return 0;
    }
    const double rounded = std::round(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
    // Checked before the conversion: a double outside the i32 range must not reach the cast.
    if (!(rounded >= static_cast<double>(INT32_MIN) && rounded <= static_cast<double>(INT32_MAX)))
    {
        throw gsl::narrowing_error();
    }
    return gsl::narrow<std::int32_t>(rounded);
}

std::string gf_formatNumber(float value)
{
    return std::fmod(value, 1.0f) != 0.0f ? fmt::format("{:.1f}", value) : fmt::format("{:.0f}", value);
}

std::mt19937& gf_randomEngine()
{
    thread_local std::mt19937 engine{std::random_device{}()};
    return engine;
}

std::uint64_t gf_randomIndex(std::int64_t n)
{
    if (!RANDOM.value() || n < 2)
    {
        return 0;
    }
    return static_cast<std::uint64_t>(gf_randomEngine()()) % static_cast<std::uint64_t>(n);
}

void gf_shuffle(std::vector<std::string>& v)
{
    if (RANDOM.value() && v.size() > 1)
    {
        std::shuffle(v.begin(), v.end(), gf_randomEngine());
    }
}

double gf_randomPercent(double value, double percent)
{
    const std::uint32_t draw = gf_randomEngine()();
    const double sign = (draw & 1u) == 0 ? 1.0 : -1.0;
    if (percent > 0.0)
    {
        return value + sign * (value * percent / 100.0);
    }
    return value;
}

double gf_wrapDeg180(double deg)
{
    deg = std::fmod(deg, 360.0);
    if (deg > 180.0)
        deg -= 360.0;
    else if (deg < -180.0)
        deg += 360.0;
    return deg;
}

double gf_wrapTwoPi(double rad)
{
    double wrapped = std::fmod(rad, kTwoPi);
    if (wrapped < 0.0)
        wrapped += kTwoPi;
    // A tiny negative remainder plus a full turn rounds up to the full turn itself.
    return wrapped >= kTwoPi ? 0.0 : wrapped;
}

double gf_wrapPi(double rad)
{
    double wrapped = std::fmod(rad + kPi, kTwoPi);
    if (wrapped < 0.0)
        wrapped += kTwoPi;
    return wrapped - kPi;
}

} // namespace oxl
