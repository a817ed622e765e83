#include "traffic/cycle/main_loop.h"

#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/log.h"
#include "foundation/periodic_requests.h"
#include "foundation/run_state.h"
#include "foundation/time_text.h"
#include "platform/clock.h"
#include "platform/timer_resolution.h"
#include "simlink/client/wire.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"
#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_tick.h"
#include "traffic/source/source_link.h"
#include "traffic/source/source_state.h"
#include "traffic/source/udp_readers.h"
#include "window/main_window.h"

#include <fmt/format.h>

#include <algorithm>

#include <mutex>
#include <thread>
#include <utility>

namespace oxl
{

namespace
{

using namespace std::chrono_literals;

// The in-range reply tells of the aircraft near the user (and confirms a creation as well as the added
// object's own data does), so the request reaches past the traffic radius: an aircraft let in at the
// radius' edge is found whatever the simulator's earth model.
constexpr double kInRangeFactor = 1.1;
constexpr std::uint32_t kInRangeMarginM = 3704;    // [m] 2 nm
constexpr std::uint32_t kInRangeLargestM = 200000; // [m] the simulator refuses a larger radius

std::chrono::steady_clock::time_point steadyNow()
{
    return gCycle.gLoopPort->now();
}

void sleepFor(std::chrono::milliseconds duration)
{
    gCycle.gLoopPort->sleep(duration);
}

std::atomic<std::uint8_t>& secondTick()
{
    return gCycle.gLoopPort->secondTick();
}

std::atomic<std::int32_t>& tickCounter(LiveEngine& engine)
{
    return engine.n.tickCounter != nullptr ? *engine.n.tickCounter : gSource.gTickCounter;
}

bool simRunning()
{
    return gf_cyclePorts().sim->simRunning();
}

bool simError()
{
    return gf_cyclePorts().sim->simError();
}

} // namespace

std::chrono::steady_clock::time_point ProgramLoopPort::now()
{
    return plat::steadyNow();
}

void ProgramLoopPort::sleep(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

std::atomic<std::uint8_t>& ProgramLoopPort::secondTick()
{
    return gSimLink.gSecondTick;
}

ScResult ProgramLoopPort::requestAcInRange(std::uint32_t radiusM)
{
    return gf_simCall(
        [radiusM](ScHandle handle)
        {
            // Tested again under the lock: a failure on the SimClient thread may have come in meanwhile.
            if (gSimLink.gSimError.load() != 0)
                return kScOk;
            return SimConnect_RequestDataOnSimObjectType(handle, kReqAcInRange, kDefAcInRange, radiusM,
                                                         scwire::kObjectAircraft);
        });
}

namespace
{

void sendUserState()
{
    gSource.gSourceLink.gf_sendUserState(gf_cyclePorts().sim->userAircraft());
}

// Sleeps in whole milliseconds, rounded up, until the deadline has passed. A pass that ended late, or
// less than a millisecond early, is followed at once: late passes are caught up back to back.
void waitForDeadline(std::chrono::steady_clock::time_point deadline)
{
    auto now = steadyNow();
    if (std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() <= 0)
        return;
    while (now < deadline)
    {
        sleepFor(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
        now = steadyNow();
    }
}

// The last minute's counts reach the log however the loop ends: closing, a cycle stop, an exception.
class LastIntakeLine
{
  public:
    explicit LastIntakeLine(LoopContext& loop) : loop_(loop) {}
    LastIntakeLine(const LastIntakeLine&) = delete;
    LastIntakeLine& operator=(const LastIntakeLine&) = delete;
    ~LastIntakeLine()
    {
        try
        {
            logLastIntake(loop_.engine, loop_.adding);
        }
        catch (const std::exception&)
        {
            // A line that cannot be written must not end the program while an exception unwinds.
        }
    }

  private:
    LoopContext& loop_;
};

} // namespace

void gf_installMainLoopPort(MainLoopPort* port)
{
    gCycle.gLoopPort = port != nullptr ? port : &gCycle.gProgramLoopPort;
}

void gf_mainLoop()
{
    LoopContext loop = gf_programLoop();
    gf_mainLoop(loop);
}

void gf_mainLoop(LoopContext& loop)
{
    gf_periodicPort().updateParkAirport(true);
    gf_periodicPort().updateReaderStatus();
    loop.values.seconds = 0;
    auto deadline = steadyNow() + kPassPeriod;
    gf_storeCurrentDayHalfHour();
    loop.adding.setAccept(true);
    const plat::TimerResolutionScope resolution(1ms);
    const LastIntakeLine lastIntake(loop);
    while (gf_mainLoopStep(loop))
    {
        waitForDeadline(deadline);
        // The simulator's second arrived during the pass: the grid follows the simulator's seconds.
        if (secondTick().load() != 0)
            deadline = steadyNow();
        deadline += kPassPeriod;
    }
}

bool gf_mainLoopStep(LoopContext& loop)
{
    if (!simRunning() || simError())
    {
        gf_flightNotRunning(loop);
        return !gf_stopSeen();
    }
    gf_handleAddingStack(loop);
    std::uint8_t expected = 1;
    if (!secondTick().compare_exchange_strong(expected, 0))
    {
        // Every pass looks at the stop flags: a simulator whose per-second reply stopped must not keep
        // the program from closing.
        return !gf_stopSeen();
    }
    gf_everySecond(loop);
    if (gf_stopSeen())
        return false;
    if (loop.values.seconds % 15 == 0)
        gf_fifteenSecondWork(loop);
    else
        gf_otherSecondWork(loop);
    return true;
}

void gf_flightNotRunning(LoopContext& loop)
{
    LoopValues& values = loop.values;
    if (!values.paused)
    {
        loop.adding.setAccept(false);
        pauseIntake(loop.engine);
        values.paused = true;
        values.notRunningCountdown = kNotRunningPeriodPasses;
        {
            SimQueues& queues = *loop.engine.n.simQueues;
            std::lock_guard lock(queues.simMutex);
            for (auto& buffer : queues.positionBuffers)
                buffer.clear();
        }
        gf_log(fmt::format("{} Flight not running", gf_nowTimeOfDay()));
    }
    simHousekeeping(loop.engine);
    --values.notRunningCountdown;
    if (values.notRunningCountdown % kNotRunningPeriodPasses == 0)
    {
        gf_pendingStandCheck();
        sendUserState();
    }
    if (values.notRunningCountdown < 1)
    {
        values.notRunningCountdown = kNotRunningPeriodPasses;
        gf_refreshCounts();
        gf_storeCurrentDayHalfHour();
    }
}

void gf_handleAddingStack(LoopContext& loop)
{
    countIntakeTick(loop.engine, loop.adding);
    liveTickWork(loop.engine, loop.adding);
    requestAcInRange(loop.engine);
    tickCounter(loop.engine).fetch_add(1);
}

std::uint32_t gf_inRangeRequestM(std::uint32_t rangeM)
{
    const double reachM = static_cast<double>(rangeM) * kInRangeFactor + kInRangeMarginM;
    return static_cast<std::uint32_t>(std::min(reachM, static_cast<double>(kInRangeLargestM)));
}

void requestAcInRange(LiveEngine& engine)
{
    const std::int32_t tick = engine.tick();
    const std::int32_t period = engine.fastRequest ? kFastInRangePeriodTicks : kInRangePeriodTicks;
    if (tick % period == 0 && !simError())
    {
        const std::uint32_t radiusM = gf_inRangeRequestM(gRangeMeters.load());
        const ScResult result = gCycle.gLoopPort->requestAcInRange(radiusM);
        if (result < 0)
        {
            gf_logMarked("SimConnect request ac within range fails");
            gf_cyclePorts().sim->simRequestError();
        }
    }
    if (tick % kUserStatePeriodTicks == 0)
    {
        sendUserState();
        gf_cyclePorts().sim->requestUserAcPosition();
    }
}

void gf_resetMainLoopForCycle()
{
    gCycle.loopOwner.check();
    gCycle.gLoopValues.reset();
    gCycle.loopOwner.release();
    gf_clearPeriodicRequests();
    gSource.gTickCounter.store(0);
}

} // namespace oxl
