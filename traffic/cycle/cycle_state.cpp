#include "traffic/cycle/cycle_state.h"

namespace oxl
{

CycleState gCycle;

} // namespace oxl
