// Great-circle geodesy on a spherical earth, percentages, number texts and the per-thread random source.
#pragma once

#include "foundation/units.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace oxl
{

/// Twice the earth radius [nm] for which one nautical mile is one minute of arc.
inline constexpr double kDistanceFactorNm = 2.0 * 60.0 * kRadToDeg;
/// One foot over that radius [rad/ft].
inline constexpr double kRadPerFoot = 1.0 / (kDistanceFactorNm / 2.0 * kFeetPerNm);
/// Metres in one degree of latitude, for the flat local frame of ground curves [m/deg].
inline constexpr double kMetresPerDegree = 111132.95;

/// A position: latitude and longitude [deg], north and east positive.
struct LatLon
{
    double lat = 0.0; ///< [deg]
    double lon = 0.0; ///< [deg]
};

/// Great-circle distance [nm] between two positions (haversine).
double gf_distanceNm(LatLon a, LatLon b);
/// Initial bearing from a to b [rad], clockwise from true north, in [0, 2π).
double gf_bearingRad(LatLon a, LatLon b);
/// An angle difference [deg] brought into [-180, 180] (one turn either way at most).
double gf_wrapDeg180(double deg);
/// An angle [rad] wrapped into [0, 2π).
double gf_wrapTwoPi(double rad);
/// An angle [rad] wrapped into [-π, π].
double gf_wrapPi(double rad);
/// The position reached from start along a bearing [rad] over a distance [ft]; longitude in [-180, 180].
LatLon gf_destinationPoint(LatLon start, double bearingRad, double distanceFt);
/// part × 100 / whole rounded half away from zero; 0 when whole < 1; gsl::narrowing_error beyond i32.
std::int32_t gf_percentage(std::int64_t part, std::int64_t whole);
/// The value with no decimal when it is whole, else with one ("2", "2.5").
std::string gf_formatNumber(float value);

/// The calling thread's random engine, seeded once from std::random_device on the thread's first use.
std::mt19937& gf_randomEngine();
/// A random index below n while RANDOM is on and n >= 2, else 0.
std::uint64_t gf_randomIndex(std::int64_t n);
/// Shuffles the vector while RANDOM is on and it holds more than one element.
void gf_shuffle(std::vector<std::string>& v);
/// The value moved up or down (one random draw, always made) by percent of itself; unchanged for percent <=
/// 0.
double gf_randomPercent(double value, double percent);

} // namespace oxl
