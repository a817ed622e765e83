// The end of a cycle: closing down, the restart countdown and the reset that prepares the next cycle.
#include "traffic/cycle/cycle_worker.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/program.h"
#include "foundation/strings.h"
#include "traffic/cycle/cycle_detail.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/source/adding_stack.h"
#include "traffic/source/source_link.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_filter.h"
#include "traffic/source/udp_readers.h"

#include <fmt/format.h>

namespace oxl
{

namespace
{

using namespace std::chrono_literals;

bool lf_restarts(ExitReason reason)
{
    return reason == ExitReason::newSettings || reason == ExitReason::simconnectError ||
           reason == ExitReason::readerError;
}

// The message line is silent once the stop flag is set, so closing-down texts go to the log directly.
void lf_showAndLogDirectly(const std::string& text)
{
    gf_foundationShowMessage(text, false);
    gf_log(text);
}

void lf_stopReaders()
{
    gSource.gTrafficReader.stop.store(1);
    gSource.gQnhReader.stop.store(1);
}

void lf_joinReaders()
{
    cycle::readerThreads().traffic.stopAndJoin();
    cycle::readerThreads().qnh.stopAndJoin();
}

} // namespace

bool gf_restartCountdown()
{
    const std::int32_t delayS = gFoundation.gRestartDelay.load();
    if (delayS > 0)
        gf_logSpaced("Restarting after {} seconds\n\n\n\n\n", delayS);
    for (std::int32_t i = delayS; i >= 1; --i)
    {
        // A close during the countdown ends the program instead of the restart.
        if (gFoundation.gWindowClosed.load() != 0)
            return false;
        gf_foundationShowMessage(fmt::format("Restarting after {} second{}", i, gf_pluralS32(i)), false);
        cycle::sleepFor(1000ms);
    }
    return gFoundation.gWindowClosed.load() == 0;
}

void gf_clearCycleData()
{
    const CyclePorts& ports = gf_cyclePorts();
    gAirports.gParking.reset();
    gSource.gTrafficFilter.resetForCycle();
    gSource.gAddingStack.clear();
    ports.liveries->clearPendingTitles();
    ports.liveries->resetForCycle();
    ports.engine->clearCycleData();
    gFoundation.gCurrentDayHalfHour.store(0);
}

void gf_resetForRestart()
{
    const CyclePorts& ports = gf_cyclePorts();
    // The readers and the traffic status first, the range last: the order is fixed so that a value
    // that one reset derives from another is never taken before that one is back at its start.
    gSource.gTrafficReader.resetState();
    gSource.gQnhReader.resetState();
    gSource.gEngineQnh.store(kStandardQnh);
    gSource.gTrafficDisplay.resetForCycle();
    ports.sim->resetForCycle();
    gFoundation.gProfessionalLevel.store(0);
    ports.engine->resetForCycle();
    gf_clearCycleData();
    ports.window->resetForCycle();
    ports.window->setWaitingForSource(true);
    gf_clearStop();
    gf_setStockAirportsPath(WinPath{});
    ports.window->setRange(RANGE.value());
}

void gf_closingDown()
{
    const CyclePorts& ports = gf_cyclePorts();
    const ExitReason reason = gf_exitReason();
    gf_log(fmt::format("Exiting: {}", gf_exitReasonWord(static_cast<std::uint32_t>(reason))));
    gSource.gAddingStack.setAccept(false);
    cycle::requestSimClientStop();
    lf_stopReaders();
    cycle::sleepFor(500ms);
    gSource.gSourceLink.closeLink();
    // No thread of this cycle may outlive it: the next cycle's reset and start reuse their state.
    lf_joinReaders();
    gf_stopSimClientThread();

    if (gf_exitReason() == ExitReason::systemError)
    {
        while (gFoundation.gWindowClosed.load() == 0)
            cycle::sleepFor(500ms);
        lf_showAndLogDirectly(fmt::format("User closed {}", kProductName));
    }
    if (!gAirports.gParking.parkAirport.code.empty())
        ports.airports->leaveParkAirport();
    ports.liveries->clearPendingTitles();
    ports.sim->removeFlightPlanFolder();
    DESTINATION.setAndSave("");
    BLOCK_CALLSIGN.setAndSave("");
    ports.window->showString(DESTINATION);
    ports.window->showString(BLOCK_CALLSIGN);
    ports.engine->clearGhostCallsigns();
    ports.liveries->logLiveryMatchSummary();
    ports.liveries->logNoMatchList();

    const ExitReason finalReason = gf_exitReason();
    bool restart = lf_restarts(finalReason);
    if (restart)
    {
        gCycle.gSkipVersionCheck.store(1);
        ports.window->clearMessageAndError();
        lf_showAndLogDirectly("Prepare for a restart ...");
        if (finalReason != ExitReason::newSettings)
        {
            SCAN_LIVERIES.set(false);
            SCAN_LIVERIES.save();
            SCAN_AIRPORTS.set(false);
            SCAN_AIRPORTS.save();
            ports.window->showCheck(SCAN_LIVERIES);
            ports.window->showCheck(SCAN_AIRPORTS);
        }
        restart = gf_restartCountdown();
        if (restart)
            gf_resetForRestart();
    }
    else
    {
        gCycle.gSkipVersionCheck.store(0);
        if (finalReason == ExitReason::newFlight)
        {
            lf_showAndLogDirectly(
                gf_formatWithProductName("New flight detected, {} will close, please restart manually ..."));
            cycle::sleepFor(kNewFlightPause);
        }
    }
    if (ports.window->windowExists())
    {
        if (restart)
            ports.window->postStartCycle();
        else
            ports.window->postQuit();
    }
}

} // namespace oxl
