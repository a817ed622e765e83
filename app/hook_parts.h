// The program's services for the cycle worker, one concern per file; put together by program_hooks.cpp.
#pragma once

#include "traffic/cycle_hooks.h"

namespace oxl
{

/// The simulator link's services for the cycle worker.
CycleSimulatorHooks lf_simulatorHooks();
/// Installs what the simulator link needs of the cycle, the stop protocol and the window.
void lf_installSimLinkHooks();
/// The live engine's services for the cycle worker; installs the engine's own steps first.
CycleEngineHooks lf_engineHooks();
/// The airport services for the cycle worker.
CycleAirportHooks lf_airportHooks();

} // namespace oxl
