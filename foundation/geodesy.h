// Great-circle geodesy on a spherical earth, percentages, number texts and the per-thread random source.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace oxl
{

/// Degrees to radians.
inline constexpr double kDegToRad = 0.017453292519943295;
/// Radians to degrees.
inline constexpr double kRadToDeg = 57.29577951308232;
/// A full circle [rad].
inline constexpr double kTwoPi = 6.283185307179586;
/// Twice the earth radius [nm] for which one nautical mile is one minute of arc.
inline constexpr double kDistanceFactorNm = 6875.493541569878;
/// One foot over that radius [rad/ft]; kept as written so distances agree with stored data.
inline constexpr double kRadPerFoot = 4.787404208238998e-8;

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
