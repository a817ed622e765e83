// Zurich, where the end-to-end runs put the user aircraft: on the main apron, beside the demo's stands.
#pragma once

namespace oxl::test
{

/// [deg] the user aircraft on Zurich's main apron
inline constexpr double kZurichUserLatDeg = 47.45350;
/// [deg]
inline constexpr double kZurichUserLonDeg = 8.56100;
/// [ft] the elevation of Zurich's apron
inline constexpr double kZurichGroundFt = 1416.0;

} // namespace oxl::test
