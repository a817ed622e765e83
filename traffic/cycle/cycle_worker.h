// The cycle worker: one cycle of the program from the start-up checks through the scans, the
// connections and the main loop to closing down, followed by a restart or the end of the program.
// Exactly one cycle worker runs at a time; the main window starts it on WM_APP+1.
#pragma once

#include "foundation/run_state.h"
#include "traffic/cycle/cycle_ports.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxl
{

/// The named mutex that keeps a second instance from running.
inline constexpr std::string_view kSingleInstanceMutexName = "Local\\$Ordalis_P3D$";
/// [s] pause before the program ends after a new flight was loaded.
inline constexpr std::chrono::seconds kNewFlightPause{10};
/// [s] restart delay after a UDP reader failed.
inline constexpr std::int32_t kReaderErrorDelayS = 15;

/// Body of the cycle worker thread: the whole cycle, closing down last in every case.
void gf_cycleThread();

/// The start-up checks, in their fixed order; failures throw.
void gf_startupChecks();
/// Creates the program's data folders and deletes leftover registration-code files.
void gf_createDataFolders();
/// Finds the simulator's install path in the registry when none is set; UserErrorException 151/153.
void gf_detectSimInstall();
/// Enables the setting controls for the new cycle, with the exceptions of a running cycle.
void gf_enableControls();
/// Stores SIM_INSTALL_PATH joined with "Scenery" for the airport code; says so when it is missing.
void gf_checkStockAirportsPath();

/// The connection phase and the main loop; returns when the main loop ends or a stop flag is seen.
void gf_runCycle();
/// Waits for a running simulator and the user aircraft's position; true when no stop flag is set.
bool gf_waitForSimulator();
/// Waits up to 15 s for the first traffic datagram.
void gf_waitForFirstTraffic();
/// Reserves the cycle's containers once per process.
void gf_reserveCycleContainers();

/// Ends the cycle: stops the links and readers, tidies up, and restarts or ends the program.
void gf_closingDown();
/// Counts the restart delay down on the message line, one second at a time; ends early when the
/// window is closed, and then returns false.
bool gf_restartCountdown();
/// Sets every cycle-scoped value back to its start value, subsystem by subsystem in a fixed order.
void gf_resetForRestart();
/// Empties every aircraft, stand and parking container of the cycle.
void gf_clearCycleData();

/// A UDP reader ended with an error: shows it and ends the cycle with READER ERROR.
void gf_readerStopped(std::string_view readerName, std::string_view errorText);
/// The simulator's major version ("5" or "6") from SIM_INSTALL_PATH or P3D_VERSION; UserErrorException 77.
std::string gf_p3dVersionFromPath();
/// A message whose two placeholders both take the product name.
std::string gf_formatWithProductName(std::string_view formatText);

/// Forgets what was done once per process (database read, containers reserved), as at a new start.
void gf_forgetOncePerProcess();

/// Starts the SimClient thread on the simulator port's body (after initSimQueues); the previous one is
/// asked to stop and joined first.
void gf_startSimClientThread();
/// Stops the SimClient thread of the last cycle and waits for it (also at program end).
void gf_stopSimClientThread();

} // namespace oxl
