#pragma once
// How long a test waits for an event it needs (a window, a grab, a pixel, a log line, a process's end)
// before it fails: what a loaded machine of two cores may take under the sanitizers, far beyond what a
// healthy run needs. A test waits for the event itself and fails only when it never comes.

#include <chrono>

namespace oxl::test
{

inline constexpr std::chrono::seconds kEventLimit{120};
/// kEventLimit in milliseconds, for the calls that take them.
inline constexpr int kEventLimitMs = static_cast<int>(std::chrono::milliseconds(kEventLimit).count());

} // namespace oxl::test
