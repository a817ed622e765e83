// The limiter that keeps the number of scan workers running at once at the machine's thread count.
#pragma once

#include <atomic>
#include <cstdint>

namespace oxl
{

/// Scan workers running now; a scan adds one after starting a worker, the worker releases it.
extern std::atomic<std::int32_t> gRunningWorkers;
/// The most scan workers that may run at once.
extern std::atomic<std::int32_t> gWorkerLimit;

/// At the start of a cycle: the limit := hardware threads (at least 1), nobody running.
void gf_resetWorkerSlots();
/// Returns once fewer than gWorkerLimit workers run (tests about every millisecond).
void gf_waitWorkerSlot();
/// Frees one slot; called by every worker on every path out of its work.
void gf_releaseWorkerSlot();

} // namespace oxl
