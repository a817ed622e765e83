#include "traffic/engine/engine_state.h"

namespace oxl
{

EngineState gEngine;

LiveEngine& gf_liveEngine()
{
    gEngine.cycleOwner.check();
    return gEngine.gLiveEngine;
}

void gf_releaseLiveEngine()
{
    gEngine.cycleOwner.release();
}

} // namespace oxl
