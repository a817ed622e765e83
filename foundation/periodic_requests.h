// Requests that the main window makes of the live engine's periodic work. The window's handlers set them
// with atomic stores on the GUI thread; the periodic work serves and clears them on the cycle worker, so
// the window never touches the cycle's aircraft, queues or lists itself. They live in the foundation
// because the window sits below the engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace oxl
{

/// A renewal of static parking is wanted (every 20 minutes, or after a parking setting changed).
extern std::atomic<std::uint8_t> gRenewalRequest;
/// "Re-read": the park airports' reserved stands are to be checked again.
extern std::atomic<std::uint8_t> gStandCheckRequest;
/// "Flush static": the queued static aircraft are to be removed.
extern std::atomic<std::uint8_t> gFlushStaticRequest;
/// The live aircraft with the callsign of BLOCK_CALLSIGN is to be removed.
extern std::atomic<std::uint8_t> gBlockCallsignRequest;
/// The nav lights of the parked aircraft are to follow NAV_LIGHTS_WHILE_PARKED.
extern std::atomic<std::uint8_t> gNavLightsRequest;
/// Live aircraft above MAX_LIVE_SEL are to be removed, farthest first.
extern std::atomic<std::uint8_t> gTrimLiveRequest;
/// One step of the automatic radius is wanted now ("Auto range" was switched on).
extern std::atomic<std::uint8_t> gAutoRangeRequest;
/// The livery indexes are to be cleared and the scanned liveries processed again at the next cycle start.
extern std::atomic<std::uint8_t> gLiveryIndexClearRequest;

/// A setting that the park airport's file stores changed while static parking ran: the file is saved
/// with it when the park airport closes.
extern std::atomic<std::uint8_t> gParametersChanged;

/// [s] the main loop's seconds counter as the window may read it (the respond countdown).
extern std::atomic<std::int32_t> gLoopSecondsShown;

/// Any thread: asks for the airport with this (upper-case) code to become the destination; a later
/// request replaces one not yet served.
void gf_requestDestination(std::string code);
/// The cycle worker: takes the waiting destination request, if any.
std::optional<std::string> gf_takeDestinationRequest();

/// Clears every request of the cycle's periodic work (the cycle reset); the livery index request waits
/// for the next cycle start, which serves it.
void gf_clearPeriodicRequests();

} // namespace oxl
