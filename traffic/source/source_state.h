// The traffic source folder's process-wide state: the main loop's tick counter and the engine's QNH,
// the traffic status shown in the window, the filter and callsign collection of the Traffic Reader, the
// adding stack it fills, the link with the source and the two readers, with the thread or lock of each.
#pragma once

#include "foundation/config_keys.h"
#include "foundation/foundation_state.h"
#include "traffic/source/adding_stack.h"
#include "traffic/source/source_link.h"
#include "traffic/source/traffic_display.h"
#include "traffic/source/traffic_filter.h"
#include "traffic/source/udp_readers.h"

#include <atomic>
#include <cstdint>

namespace oxl
{

/// The traffic source folder's state, one instance (gSource).
struct SourceState
{
    // Written by the main loop on the cycle worker (and its reset), read by the Traffic Reader.
    /// The main loop's tick counter (one per running 10 ms pass); the reader dates its reports with it.
    std::atomic<std::int32_t> gTickCounter{0};
    // Written by the QNH Reader and the cycle reset, read by the flight phases on the cycle worker.
    /// [hPa] the engine's QNH.
    std::atomic<std::int32_t> gEngineQnh{kStandardQnh};

    // Any thread: atomics and a text under the display's own lock; the window is installed at start-up.
    TrafficDisplay gTrafficDisplay;
    // Each under its own lock: the Traffic Reader pushes and filters, the cycle worker takes and sets.
    AddingStack gAddingStack;
    TrafficFilter gTrafficFilter{gRangeNm};
    CallsignCollector gCallsignCollector;

    // The cycle worker's (handshake, sends of the main loop, closing down); its flags are atomics.
    SourceLink gSourceLink{gTrafficDisplay};
    // Each reader runs on its own thread; the cycle worker starts, stops and resets them; what the
    // others read of them is atomic.
    TrafficReader gTrafficReader{gTrafficFilter, gCallsignCollector,       gAddingStack,
                                 gTickCounter,   gFoundation.gTrafficTime, gTrafficDisplay};
    QnhReader gQnhReader{gTrafficReader, gTrafficDisplay};
};

/// The traffic source folder's state.
extern SourceState gSource;

/// Installs the engine and readers as gSource's link sees them (not owned); null restores the link's own.
void gf_installSourceLinkPort(SourceLinkPort* port);
/// Installs the window of gSource's status values (not owned); null restores none.
void gf_installTrafficDisplayPort(TrafficDisplayPort* window);

} // namespace oxl
