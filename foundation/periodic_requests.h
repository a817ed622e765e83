// Requests that the main window makes of the live engine's periodic work. The window's handlers set them
// with atomic stores on the GUI thread; the periodic work serves and clears them on the cycle worker, so
// the window never touches the cycle's aircraft, queues or lists itself. They live in the foundation
// because the window sits below the engine.
#pragma once

#include "foundation/foundation_state.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace oxl
{

/// Any thread: asks for the airport with this (upper-case) code to become the destination; a later
/// request replaces one not yet served.
void gf_requestDestination(std::string code);
/// The cycle worker: takes the waiting destination request, if any.
std::optional<std::string> gf_takeDestinationRequest();

/// Clears every request of the cycle's periodic work (the cycle reset); the livery index request waits
/// for the next cycle start, which serves it.
void gf_clearPeriodicRequests();

} // namespace oxl
