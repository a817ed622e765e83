// Puts the live engine together for the program: every flight, ground and parking step of the engine and
// the neighbours it reaches in the simulator link.
#pragma once

#include "traffic/engine/live_engine.h"

namespace oxl
{

/// Installs the program's steps and neighbours into the engine (before its first cycle), and the engine's
/// removal into the parking state it works on.
void gf_installLiveEngine(LiveEngine& engine);

/// Installs the stand learning into the engine: live aircraft that park at, stay at and leave the park
/// airport's stands teach the stands of the parking state the engine works on, where soft learning is
/// allowed.
void gf_installStandLearning(LiveEngine& engine);

} // namespace oxl
