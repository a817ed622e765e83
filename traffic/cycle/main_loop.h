// The main loop of a cycle: passes paced to a 10 ms grid of a steady clock. A pass while the simulator
// runs is one tick (answers, aircraft, hand-overs, traffic lines, create request, in-range request); a
// pass that also finds the simulator's per-second reply runs the periodic work; a pass while the
// simulator is paused or failed only keeps the links alive.
#pragma once

#include "simlink/client/simconnect.h"
#include "traffic/cycle/periodic_work.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace oxl
{

/// [ms] the length of one pass, one tick.
inline constexpr std::chrono::milliseconds kPassPeriod{10};
/// Passes while not running between two user-state lines to the traffic source.
inline constexpr std::int32_t kNotRunningPeriodPasses = 100;
/// Ticks between two in-range requests, and while aircraft data is wanted sooner.
inline constexpr std::int32_t kInRangePeriodTicks = 100;
inline constexpr std::int32_t kFastInRangePeriodTicks = 20;
/// Ticks between two user-state lines and user-position requests.
inline constexpr std::int32_t kUserStatePeriodTicks = 100;

/// The clock, the sleep and the simulator calls of the main loop; tests replace them.
class MainLoopPort
{
  public:
    virtual ~MainLoopPort() = default;
    /// The steady clock's time.
    virtual std::chrono::steady_clock::time_point now() = 0;
    /// Pauses the loop's thread.
    virtual void sleep(std::chrono::milliseconds duration) = 0;
    /// The flag of the simulator's per-second reply.
    virtual std::atomic<std::uint8_t>& secondTick() = 0;
    /// Asks the simulator for every aircraft within the radius [m] (request 101); the call's result.
    virtual ScResult requestAcInRange(std::uint32_t radiusM) = 0;
};

/// The program's own: the platform's steady clock, the thread's sleep, gSimLink.gSecondTick and the request
/// on the open simulator link, under simMutex. Installed until another is.
class ProgramLoopPort : public MainLoopPort
{
  public:
    std::chrono::steady_clock::time_point now() override;
    void sleep(std::chrono::milliseconds duration) override;
    std::atomic<std::uint8_t>& secondTick() override;
    ScResult requestAcInRange(std::uint32_t radiusM) override;
};

/// Installs the main loop's clock and simulator calls (before a cycle starts, or in tests; not owned, they
/// must outlive their installation); null restores the program's own.
void gf_installMainLoopPort(MainLoopPort* port);

/// Runs the program's main loop until a pass returns false.
void gf_mainLoop();
/// Runs the main loop over the given engine, adding stack and values until a pass returns false.
void gf_mainLoop(LoopContext& loop);

/// One pass; false ends the loop (a stop flag is set).
bool gf_mainLoopStep(LoopContext& loop);

/// The pass while the simulator is not running or has failed.
void gf_flightNotRunning(LoopContext& loop);

/// The tick: the engine's work, the in-range request, then the tick is counted.
void gf_handleAddingStack(LoopContext& loop);

/// The radius [m] of the in-range request for a traffic radius [m]: beyond it, so that every aircraft the
/// traffic filter lets in is found when the simulator creates it.
std::uint32_t gf_inRangeRequestM(std::uint32_t rangeM);

/// The in-range request every 100 ticks (20 while aircraft data is wanted sooner) and, every 100 ticks,
/// the user state to the traffic source and the user position from the simulator.
void requestAcInRange(LiveEngine& engine);

/// The cycle reset of every value of the main loop and its periodic work: loop values, the window's
/// requests and the tick counter.
void gf_resetMainLoopForCycle();

} // namespace oxl
