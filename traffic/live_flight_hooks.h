// Connects the movement, flight phases and creation steps to the engine's hooks.
#pragma once

#include "traffic/live_engine.h"
#include "traffic/live_movement.h"

namespace oxl
{

/// Installs the movement with the flight phases, the appending of new reports and the creation,
/// activation, touchdown and parked configuration steps. The ground, end-of-stream and stand-learning steps of `ground` are kept as given.
void installLiveFlight(LiveEngine& engine, MovementSteps ground = {});

} // namespace oxl
