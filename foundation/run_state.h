// Process-wide run state that the engine writes and the foundation only reads: the stop flags, the
// traffic source's time and its professional level.
#pragma once

#include <atomic>
#include <cstdint>

namespace oxl
{

/// Set once the current cycle must end (first exchange from 0 to 1 wins); cleared only by the cycle reset.
extern std::atomic<std::uint8_t> gStopRequested;
/// Set when the main window was closed; cleared only by the cycle reset.
extern std::atomic<std::uint8_t> gWindowClosed;
/// Source time of the latest traffic data [s since 1970, UTC]; written by the traffic reader.
extern std::atomic<double> gTrafficTime;
/// Non-zero while the traffic source runs at its professional level; written by the traffic-source link.
extern std::atomic<std::uint8_t> gProfessionalLevel;

} // namespace oxl
