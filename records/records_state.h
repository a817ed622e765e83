// The records folder's process-wide state: the program's queues between the live traffic engine and the
// simulator link. Header-only like the folder, so that both sides reach one instance without depending on
// each other.
#pragma once

#include "records/sim_queues.h"

namespace oxl
{

/// The records folder's state, one instance (gRecords).
struct RecordsState
{
    /// The main loop's queues toward the SimClient thread, under their simMutex.
    SimQueues gSimQueues;
    /// The SimClient thread's answers to the main loop, under their simAnswerMutex.
    SimAnswerQueue gSimAnswerQueue;
    /// The main loop's own create and removal queues, the cycle worker's.
    MainLoopQueues gMainLoopQueues;
};

/// The records folder's state.
inline RecordsState gRecords;

} // namespace oxl
