// The program's own identity: product name, simulator it serves, and its version numbers.
#pragma once

#include <string_view>

namespace oxl
{

/// Product name used in the log header, window titles and messages.
inline constexpr std::string_view kProductName = "Ordalis_P3D";
/// The simulators this program serves, as the log header names them.
inline constexpr std::string_view kSimulatorName = "Prepar3D v5/v6";
/// Major number of the program version (11.0.4).
inline constexpr int kProgramVersionMajor = 11;
/// Minor number of the program version.
inline constexpr int kProgramVersionMinor = 0;
/// Patch number of the program version.
inline constexpr int kProgramVersionPatch = 4;

} // namespace oxl
