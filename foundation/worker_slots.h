// The limiter that keeps the number of scan workers running at once at the machine's thread count.
#pragma once

#include "foundation/foundation_state.h"

#include <atomic>
#include <cstdint>

namespace oxl
{

/// At the start of a cycle: the limit := hardware threads (at least 1), nobody running.
void gf_resetWorkerSlots();
/// Returns once fewer than gFoundation.gWorkerLimit workers run (tests about every millisecond).
void gf_waitWorkerSlot();
/// Frees one slot; called by every worker on every path out of its work.
void gf_releaseWorkerSlot();

} // namespace oxl
