// The engine's share of the 10 ms tick: the per-aircraft update, the sweep and position hand-over, the
// create request of a spawned aircraft and the hand-over of removals and creations at their fixed rates.
// The main loop counts the tick and then runs these in the order of liveTickWork.
#pragma once

#include "records/sim_queues.h"
#include "traffic/engine/live_engine.h"
#include "traffic/source/adding_stack.h"

#include <cstdint>

namespace oxl
{

/// Traffic lines taken from the adding stack per tick while no backlog waits (a tick's share).
inline constexpr std::size_t kLinesPerTick = 2;
/// [100 ns] the main loop's pace: a tick begins every 10 ms.
inline constexpr std::int64_t kTickPeriod100ns = 100000;
/// [100 ns] a tick's time for working off a backlog of traffic lines: 2 ms of the 10 ms tick.
inline constexpr std::int64_t kIntakeBudget100ns = 20000;
/// Ticks between two intake log lines: a minute of ticks.
inline constexpr std::int32_t kIntakeLogTicks = 6000;
/// Ticks between two removals handed to the simulator link.
inline constexpr std::int32_t kRemovalPeriodTicks = 10;
/// Ticks between two create requests handed to the simulator link.
inline constexpr std::int32_t kCreatePeriodTicks = 50;

/// Lifts an aircraft in the air that is below the ground the program knows there (the park airport's
/// elevation, else the nearest listed airport's, else the simulator's ground) up onto it.
void keepAboveGround(LiveEngine& engine, LiveAc& ac);

/// A live aircraft waiting for its object is let go by the rules of one in the simulator: when its reports
/// end and it is carried on no further (beyond the range included), its creation is withdrawn.
void awaitObject(LiveEngine& engine, LiveAc& ac);

/// The per-tick update of one aircraft; true when the record is to be erased by the sweep.
bool updateLiveAc(LiveEngine& engine, LiveAc& ac);

/// Updates every aircraft, erases the flagged records in one stable compaction and hands the tick's
/// positions to the frame sender.
void updateAllLiveAc(LiveEngine& engine);

/// The create request of a live aircraft, from its position block, front report and livery.
CreateRequest makeCreateRequest(const LiveAc& ac);

/// Takes the last hexid of the spawn stack and queues the create request of its aircraft.
void createRequestFromSpawnStack(LiveEngine& engine);

/// One removal every 10 ticks; on 50-tick boundaries one live create request, else one static request
/// followed by one static placement.
void serviceQueues(LiveEngine& engine);

/// The tick's traffic lines: a tick's share, and while more than that waits, further shares until the
/// intake budget is spent. A line whose report is already due when taken is dropped and counted: it
/// waited out the whole delay in the stack. Returns the lines handed to the engine.
std::size_t takeTrafficLines(LiveEngine& engine, AddingStack& adding);

/// Counts a tick as it begins; once kIntakeLogTicks ticks are counted, logs the ticks per second, the lines
/// taken and dropped, the end-of-stream removals, the lines waiting, the aircraft and the datagrams the
/// system dropped, and begins a new interval.
void countIntakeTick(LiveEngine& engine, AddingStack& adding);

/// Logs the intake line of the interval under way unless nothing was counted in it: the main loop's end,
/// so that its last minute reaches the log.
void logLastIntake(LiveEngine& engine, AddingStack& adding);
/// Ends the running stretch at a pause: paused time is no time the ticks cover.
void pauseIntake(LiveEngine& engine);

/// Ticks 1 to 5 of the main loop: answers, aircraft, queues, the traffic lines, one create request.
/// The caller counts the tick first and requests the aircraft in range after.
void liveTickWork(LiveEngine& engine, AddingStack& adding);

} // namespace oxl
