// Requests that the main window makes of the live engine's periodic work. The window's handlers set them
// with atomic stores on the GUI thread; the periodic work serves and clears them on the cycle worker.
// They live in the foundation because the window sits below the engine.
#pragma once

#include <atomic>
#include <cstdint>

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

/// A setting that the park airport's file stores changed while static parking ran: the file is saved
/// with it when the park airport closes.
extern std::atomic<std::uint8_t> gParametersChanged;

/// Clears every request (the cycle reset).
void gf_clearPeriodicRequests();

} // namespace oxl
