// The units the program measures in and the conversions between them; every other constant is written
// from these, so a distance reads as metresToNm(450.0) and never as a precomputed decimal.
#pragma once

#include <cstdint>
#include <numbers>

namespace oxl
{

/// Half a turn [rad].
inline constexpr double kPi = std::numbers::pi;
/// A full circle [rad].
inline constexpr double kTwoPi = 2.0 * kPi;
/// Degrees to radians [rad/deg].
inline constexpr double kDegToRad = kPi / 180.0;
/// Radians to degrees [deg/rad].
inline constexpr double kRadToDeg = 180.0 / kPi;

/// Metres in one nautical mile, by definition.
inline constexpr double kMetresPerNm = 1852.0;
/// Metres in one foot, by definition.
inline constexpr double kMetresPerFoot = 0.3048;
/// Feet in one nautical mile as the program's distances use it: 1852 / 0.3048 rounded to five decimals.
inline constexpr double kFeetPerNm = 6076.11549;
/// Feet in one metre as scenery altitudes are read: 1 / 0.3048 rounded to seven decimals.
inline constexpr double kFeetPerMetre = 3.2808399;
/// Seconds in one hour, for speeds in knots (nautical miles per hour).
inline constexpr double kSecondsPerHour = 3600.0;

/// A distance in metres [m] in nautical miles [nm].
constexpr double metresToNm(double metres)
{
    return metres / kMetresPerNm;
}

/// A distance in nautical miles [nm] in metres [m].
constexpr double nmToMetres(double nm)
{
    return nm * kMetresPerNm;
}

/// A whole number of nautical miles in whole metres, as the traffic radius is sent [m].
constexpr std::uint32_t wholeNmToMetres(std::uint32_t nm)
{
    return nm * static_cast<std::uint32_t>(kMetresPerNm);
}

/// A distance in metres [m] in feet [ft].
constexpr double metresToFeet(double metres)
{
    return metres / kMetresPerFoot;
}

/// A distance in nautical miles [nm] in feet [ft].
constexpr double nmToFeet(double nm)
{
    return nm * kFeetPerNm;
}

/// A speed in knots [kt] in metres per second [m/s].
constexpr double ktToMps(double kt)
{
    return kt * kMetresPerNm / kSecondsPerHour;
}

/// An angle in degrees [deg] in radians [rad].
constexpr double degToRad(double deg)
{
    return deg * kDegToRad;
}

/// An angle in radians [rad] in degrees [deg].
constexpr double radToDeg(double rad)
{
    return rad * kRadToDeg;
}

} // namespace oxl
