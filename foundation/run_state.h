// Process-wide run state that the engine writes and the foundation only reads: the stop flags, the
// exit reason with its restart delay, the traffic source's time and its professional level.
//
// Stop protocol: any thread ends the cycle by exchanging gFoundation.gStopRequested from 0 to 1; only the
// thread whose exchange found 0 writes gFoundation.gExitReason and gFoundation.gRestartDelay, so the first
// reason wins. Every wait loop tests both flags after each sleep; only the reset before a new cycle clears
// them.
#pragma once

#include "foundation/foundation_state.h"

#include <atomic>
#include <cstdint>
#include <string_view>

namespace oxl
{

/// Why a cycle ends; decides whether the program restarts, waits or quits.
enum class ExitReason : std::uint32_t
{
    notYetSet = 0,       ///< "NOT YET SET": the cycle runs
    simWasClosed = 1,    ///< "SIM WAS CLOSED": the simulator connection was lost; quit
    newFlight = 2,       ///< "NEW FLIGHT": a flight was loaded in the simulator; quit after 10 s
    newSettings = 3,     ///< "NEW SETTINGS": a new install path or a livery scan; restart
    userClosedSim = 4,   ///< "USER CLOSED SIM": the window was closed; quit
    simconnectError = 5, ///< "SIMCONNECT ERROR": a simulator request failed; restart, scans off
    readerError = 6,     ///< "READER ERROR": a UDP reader failed; restart, scans off
    systemError = 7,     ///< "SYSTEM ERROR": an exception ended the cycle; wait for the window to close
};

/// The reason's word ("SIM WAS CLOSED" ...); std::out_of_range "invalid unordered_map<K, T> key" for a
/// value outside the table.
std::string_view gf_exitReasonWord(std::uint32_t reason);
/// The exit reason of the running cycle.
ExitReason gf_exitReason();
/// True when either stop flag is set.
bool gf_stopSeen();
/// Sets the stop flag; when this call turned it from 0 to 1, also writes the reason and the delay [s].
/// True when it did.
bool gf_requestStop(ExitReason reason, std::int32_t delayS);
/// The close button: sets the window-closed flag, then the stop flag, and the reason USER CLOSED SIM
/// when no reason was set yet.
void gf_requestWindowClose();
/// The simulator is gone: logs it and ends the cycle with SIM WAS CLOSED, unless a stop was requested.
void gf_simGone();
/// Back to a running cycle: both flags clear, reason NOT YET SET, no delay (the cycle reset only).
void gf_clearStop();

} // namespace oxl
