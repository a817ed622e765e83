// The live engine's neighbours in the simulator link and the stand learning; the program installs them
// beside the engine's livery hooks and ground movement.
#pragma once

#include "traffic/engine/live_engine.h"

namespace oxl
{

/// Installs the simulator link into the engine (before its first cycle): the direct calls that do not lock.
void gf_installLinkSimulator(LiveEngine& engine);

/// Installs the stand learning into the engine: live aircraft that park at, stay at and leave the park
/// airport's stands teach the stands of the parking state the engine works on, where soft learning is
/// allowed.
void gf_installStandLearning(LiveEngine& engine);

} // namespace oxl
