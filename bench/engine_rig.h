// The live engine with the neighbours of one cycle wired to queues of its own, for the benchmarks of
// the tick and of the intake.
#pragma once

#include "airports/parking_state.h"
#include "records/sim_queues.h"
#include "traffic/engine/live_engine.h"
#include "traffic/source/adding_stack.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace oxl
{

/// A steady clock that stands still on Monday's first half hour.
struct StillClock : EngineClock
{
    std::int64_t steadyNow100ns() override { return 0; }
    DayHalfHour weekdayHalfHour() override { return DayHalfHour{1, 0}; }
};

/// An engine on its own queues, tick counter and a clock that stands still (replace it to let it run).
struct EngineRig
{
    EngineRig()
    {
        engine.n.simQueues = &queues;
        engine.n.simAnswers = &answers;
        engine.n.mainQueues = &mainQueues;
        engine.n.parking = &parking;
        engine.n.tickCounter = &tick;
        engine.n.clock = std::make_unique<StillClock>();
    }
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    LiveEngine engine;
    SimQueues queues;
    SimAnswerQueue answers;
    MainLoopQueues mainQueues;
    ParkingState parking;
    AddingStack adding;
    std::atomic<std::int32_t> tick{1};
};

} // namespace oxl
