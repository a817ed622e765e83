// The live engine's share of the cycle around the main loop: the program's engine, its reset, the
// aircraft taken out when the traffic source is lost, and the once-a-second callsign coupling.
#pragma once

#include "traffic/engine/live_engine.h"

namespace oxl
{

/// The program's live engine; touched only on the cycle worker thread.
extern LiveEngine gLiveEngine;

/// Reserves the engine's containers once for the traffic of a busy region, so that records do not move
/// during a cycle; a container that already has the room keeps it.
void gf_reserveLiveContainers(LiveEngine& engine);

/// Empties the engine's containers, its main-loop queues and the answers not yet handled (the cycle
/// reset); the to-simulator queues belong to the simulator link's reset.
void gf_clearLiveCycleData(LiveEngine& engine);

/// Takes the live aircraft out of the simulator when the traffic source is lost: active ones are
/// removed, those being created are withdrawn from the create deque or marked for removal on creation;
/// the withdrawn ones are erased at once. Buffered and leaving aircraft are left alone.
void gf_takeLiveAircraftOut(LiveEngine& engine);

/// Serves the front of the coupling queue: the coupled callsigns of its aircraft are searched once and
/// the static aircraft that is the same flight is removed. A front whose aircraft is gone is dropped, so
/// that it cannot hold the queue up.
void gf_serveCouplingQueue(LiveEngine& engine);

} // namespace oxl
