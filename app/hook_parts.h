// The program's ports, one concern per file; program_hooks.cpp installs them.
#pragma once

#include "airports/airport_list.h"
#include "airports/airport_reading.h"
#include "airports/airport_scan.h"
#include "airports/park_airport.h"
#include "airports/parking_state.h"
#include "simlink/sim_state.h"
#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/periodic_work.h"
#include "traffic/engine/live_engine.h"

#include <string>

namespace oxl
{

/// The simulator link as the cycle worker sees it.
CycleSimulatorPort& gf_simulatorPort();
/// The program's side of the simulator link: the stop protocol, the simulator version and path, the
/// user's stand.
SimLinkPort& gf_programSimLinkPort();
/// The live engine as the cycle worker sees it.
CycleEnginePort& gf_enginePort();
/// Installs the parking code's neighbours into the parking state the engine works on.
void gf_installParkingServices(LiveEngine& engine);
/// Installs static parking's steps into the engine.
void gf_installStaticParking(LiveEngine& engine);
/// The park airport's and static parking's steps in the main loop's periodic work, on this parking state.
PeriodicPort& gf_parkingWork(ParkingState& parking);
/// The airport services for the cycle worker.
CycleAirportPort& gf_airportPort();
/// What the airport scan asks of the simulator's install path and the BGL decoding.
AirportScanPort& gf_programAirportScanPort();
/// The park airport's neighbours: the user aircraft, the live aircraft, the filter, the window.
ParkAirportPort& gf_programParkAirportPort();
/// What reading the park airport's file asks of static parking and the traffic filter.
AirportReadPort& gf_programAirportReadPort();
/// The airport list's closest-stand query: the stands of the airport's file.
double gf_closestStandAt(const Airport& airport, double lat, double lon, std::string& standName);
/// Makes the airport the destination: saved, shown, and first in the park-airport list.
void gf_newDestination(const std::string& code, double lat, double lon);

} // namespace oxl
