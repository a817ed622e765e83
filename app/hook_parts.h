// The program's services for the cycle worker, one concern per file; put together by program_hooks.cpp.
#pragma once

#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/periodic_work.h"
#include "traffic/engine/live_engine.h"

#include <string>

namespace oxl
{

/// The simulator link as the cycle worker sees it.
CycleSimulatorPort& gf_simulatorPort();
/// Installs the program's port of the simulator link: the stop protocol, the simulator version and path,
/// the user's stand.
void gf_installProgramSimLinkPort();
/// The live engine as the cycle worker sees it; installs the engine's own steps first.
CycleEnginePort& gf_enginePort();
/// Installs the engine's services for static parking into the engine's parking state, and static
/// parking's and the park airport's steps into the engine and the periodic work.
void gf_installStaticParkingHooks(LiveEngine& engine);
/// The airport services for the cycle worker; installs the airport scan's own services first.
CycleAirportPort& gf_airportPort();
/// Installs the park airport's neighbours: the user aircraft, the live aircraft, the filter, the window.
void gf_installParkAirportHooks();
/// Makes the airport the destination: saved, shown, and first in the park-airport list.
void gf_newDestination(const std::string& code, double lat, double lon);

} // namespace oxl
