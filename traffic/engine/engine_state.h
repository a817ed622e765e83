// The live engine folder's process-wide state: the program's engine with the thread that owns it.
#pragma once

#include "foundation/thread_owner.h"
#include "traffic/engine/live_engine.h"

namespace oxl
{

/// The live engine folder's state, one instance (gEngine).
struct EngineState
{
    // The cycle worker's own (the main loop, the cycle's start and closing, and the program's hooks they
    // call), checked by cycleOwner in debug builds through gf_liveEngine; released by the cycle reset.
    // The neighbours are installed before the first cycle starts.
    ThreadOwner cycleOwner;
    LiveEngine gLiveEngine;
};

/// The live engine folder's state.
extern EngineState gEngine;

/// The program's live engine, for the cycle worker: debug builds check that the caller owns it.
LiveEngine& gf_liveEngine();

/// Gives the program's engine up at the cycle reset: the next cycle's worker takes it over.
void gf_releaseLiveEngine();

} // namespace oxl
