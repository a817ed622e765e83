// The program's own wiring of its layers: after gf_installProgramHooks every hook of every layer is
// filled, except the few listed below, which are empty on purpose. A hook that nothing installs makes
// its feature silently do nothing in the real program; this test names it.
#include "app/program_hooks.h"

#include "airports/airport_reading.h"
#include "airports/airport_scan.h"
#include "airports/park_airport.h"
#include "simlink/sim_state.h"
#include "traffic/cycle_hooks.h"
#include "traffic/live_cycle.h"
#include "traffic/periodic_work.h"
#include "window/auto_range.h"
#include "window/gui_main.h"
#include "window/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace oxl::test
{
namespace
{

// The number of members of an aggregate: a member added to a hook struct must be listed below too.
struct AnyMember
{
    template <class T> operator T() const;
};
template <class T, class... Members> constexpr std::size_t memberCount()
{
    if constexpr (requires { T{Members{}..., AnyMember{}}; })
        return memberCount<T, Members..., AnyMember>();
    else
        return sizeof...(Members);
}

struct HookCheck
{
    std::vector<std::string> empty;
    std::size_t listed = 0;
    template <class F> void operator()(const std::string& name, const std::function<F>& hook)
    {
        ++listed;
        if (!hook)
            empty.push_back(name);
    }
    void other() { ++listed; } // a member that is no hook (a port, a folder)
    // Every member of T was looked at.
    template <class T> void complete(const char* type)
    {
        EXPECT_EQ(listed, memberCount<T>()) << type << " has a member this test does not list";
        listed = 0;
    }
};

#define OXL_HOOK(prefix, object, field) check(std::string(prefix) + "." #field, (object).field)

void checkCycleHooks(const CycleHooks& h, HookCheck& check)
{
    const CycleLiveryHooks& l = h.liveries;
    OXL_HOOK("CycleLiveryHooks", l, readDbase);
    OXL_HOOK("CycleLiveryHooks", l, scanLiveries);
    OXL_HOOK("CycleLiveryHooks", l, reserveLiveryIndexes);
    OXL_HOOK("CycleLiveryHooks", l, logLiveryMatchSummary);
    OXL_HOOK("CycleLiveryHooks", l, logNoMatchList);
    OXL_HOOK("CycleLiveryHooks", l, clearPendingTitles);
    OXL_HOOK("CycleLiveryHooks", l, resetForCycle);
    check.complete<CycleLiveryHooks>("CycleLiveryHooks");

    const CycleAirportHooks& a = h.airports;
    OXL_HOOK("CycleAirportHooks", a, scanAirports);
    OXL_HOOK("CycleAirportHooks", a, readMyParkAirports);
    OXL_HOOK("CycleAirportHooks", a, leaveParkAirport);
    check.complete<CycleAirportHooks>("CycleAirportHooks");

    const CycleSimulatorHooks& s = h.sim;
    OXL_HOOK("CycleSimulatorHooks", s, clientThread);
    OXL_HOOK("CycleSimulatorHooks", s, initSimQueues);
    OXL_HOOK("CycleSimulatorHooks", s, simRunning);
    OXL_HOOK("CycleSimulatorHooks", s, simError);
    OXL_HOOK("CycleSimulatorHooks", s, userDataValid);
    OXL_HOOK("CycleSimulatorHooks", s, requestUserDataEverySecond);
    OXL_HOOK("CycleSimulatorHooks", s, simRequestError);
    OXL_HOOK("CycleSimulatorHooks", s, requestUserAcPosition);
    OXL_HOOK("CycleSimulatorHooks", s, userPosition);
    OXL_HOOK("CycleSimulatorHooks", s, requestUserAcTitleModel);
    OXL_HOOK("CycleSimulatorHooks", s, userState);
    OXL_HOOK("CycleSimulatorHooks", s, simUtcSeconds);
    OXL_HOOK("CycleSimulatorHooks", s, createFlightPlanFolder);
    OXL_HOOK("CycleSimulatorHooks", s, removeFlightPlanFolder);
    OXL_HOOK("CycleSimulatorHooks", s, resetForCycle);
    check.complete<CycleSimulatorHooks>("CycleSimulatorHooks");

    const CycleWindowHooks& w = h.window;
    OXL_HOOK("CycleWindowHooks", w, repaint);
    OXL_HOOK("CycleWindowHooks", w, showError);
    OXL_HOOK("CycleWindowHooks", w, clearMessageAndError);
    OXL_HOOK("CycleWindowHooks", w, showCheck);
    OXL_HOOK("CycleWindowHooks", w, enableControl);
    OXL_HOOK("CycleWindowHooks", w, clearControlText);
    OXL_HOOK("CycleWindowHooks", w, showString);
    OXL_HOOK("CycleWindowHooks", w, fillCombos);
    OXL_HOOK("CycleWindowHooks", w, setAirportFileCounts);
    OXL_HOOK("CycleWindowHooks", w, setTopmost);
    OXL_HOOK("CycleWindowHooks", w, newDestination);
    OXL_HOOK("CycleWindowHooks", w, autoRangeStep);
    OXL_HOOK("CycleWindowHooks", w, setSimConnected);
    OXL_HOOK("CycleWindowHooks", w, setWaitingForSource);
    OXL_HOOK("CycleWindowHooks", w, saveManualRange);
    OXL_HOOK("CycleWindowHooks", w, setRange);
    OXL_HOOK("CycleWindowHooks", w, windowExists);
    OXL_HOOK("CycleWindowHooks", w, postStartCycle);
    OXL_HOOK("CycleWindowHooks", w, postQuit);
    OXL_HOOK("CycleWindowHooks", w, resetForCycle);
    check.complete<CycleWindowHooks>("CycleWindowHooks");

    const CycleEngineHooks& e = h.engine;
    OXL_HOOK("CycleEngineHooks", e, mainLoop);
    OXL_HOOK("CycleEngineHooks", e, reserveContainers);
    OXL_HOOK("CycleEngineHooks", e, clearGhostCallsigns);
    OXL_HOOK("CycleEngineHooks", e, removeLiveAircraft);
    OXL_HOOK("CycleEngineHooks", e, clearCycleData);
    OXL_HOOK("CycleEngineHooks", e, resetForCycle);
    check.complete<CycleEngineHooks>("CycleEngineHooks");

    const CycleServiceHooks& v = h.services;
    OXL_HOOK("CycleServiceHooks", v, checkVersions);
    OXL_HOOK("CycleServiceHooks", v, sleep);
    check.other();
    check.other();
    check.complete<CycleServiceHooks>("CycleServiceHooks");
}

void checkPeriodicHooks(const PeriodicHooks& p, HookCheck& check)
{
    OXL_HOOK("PeriodicHooks", p, updateParkAirport);
    OXL_HOOK("PeriodicHooks", p, checkParkAirports);
    OXL_HOOK("PeriodicHooks", p, adjustParking);
    OXL_HOOK("PeriodicHooks", p, removeQueuedStatic);
    OXL_HOOK("PeriodicHooks", p, disableParkingControls);
    OXL_HOOK("PeriodicHooks", p, updateReaderStatus);
    check.complete<PeriodicHooks>("PeriodicHooks");
}

void checkLinkAndWindowHooks(HookCheck& check)
{
    const SimLinkHooks& s = gSimLinkHooks;
    OXL_HOOK("SimLinkHooks", s, setExitReason);
    OXL_HOOK("SimLinkHooks", s, simGone);
    OXL_HOOK("SimLinkHooks", s, enableInstallPath);
    OXL_HOOK("SimLinkHooks", s, simulatorVersionText);
    OXL_HOOK("SimLinkHooks", s, installPathText);
    OXL_HOOK("SimLinkHooks", s, userStandAtRest);
    check.complete<SimLinkHooks>("SimLinkHooks");

    const GuiHooks g = gf_guiHooks();
    OXL_HOOK("GuiHooks", g, cycleWorker);
    OXL_HOOK("GuiHooks", g, requestClose);
    check.complete<GuiHooks>("GuiHooks");

    if (!gf_autoRangeInputsInstalled())
        check.empty.push_back("gf_setAutoRangeInputs");
    if (!gf_aircraftCounterInstalled())
        check.empty.push_back("gf_setAircraftCounter");
}

void checkAirportHooks(HookCheck& check)
{
    const ParkAirportHooks& p = gf_parkAirportHooks();
    check.other(); // airportsFolder
    OXL_HOOK("ParkAirportHooks", p, userStateKnown);
    OXL_HOOK("ParkAirportHooks", p, userAircraft);
    OXL_HOOK("ParkAirportHooks", p, haveAirportFile);
    OXL_HOOK("ParkAirportHooks", p, findAirportFile);
    OXL_HOOK("ParkAirportHooks", p, readApf);
    OXL_HOOK("ParkAirportHooks", p, saveAirportFile);
    OXL_HOOK("ParkAirportHooks", p, startStaticParking);
    OXL_HOOK("ParkAirportHooks", p, calcStaticParking);
    OXL_HOOK("ParkAirportHooks", p, removeQueuedStatic);
    OXL_HOOK("ParkAirportHooks", p, countParkedForWindow);
    OXL_HOOK("ParkAirportHooks", p, liveAircraft);
    OXL_HOOK("ParkAirportHooks", p, recountLive);
    OXL_HOOK("ParkAirportHooks", p, parkAirportChanged);
    check.complete<ParkAirportHooks>("ParkAirportHooks");

    const AirportReadHooks r = gf_airportReadHooks();
    OXL_HOOK("AirportReadHooks", r, fileRead);
    OXL_HOOK("AirportReadHooks", r, setReferenceElevation);
    check.complete<AirportReadHooks>("AirportReadHooks");
}

// A port that still holds its do-nothing implementation counts as empty.
template <class DoNothing, class Port>
void checkPort(HookCheck& check, const std::string& name, const std::unique_ptr<Port>& port)
{
    ++check.listed;
    if (port == nullptr || dynamic_cast<const DoNothing*>(port.get()) != nullptr)
        check.empty.push_back(name);
}

void checkEngineHooks(const LiveNeighbours& n, HookCheck& check)
{
    checkPort<NoSimulator>(check, "LiveNeighbours.sim", n.sim);
    checkPort<NoLiveries>(check, "LiveNeighbours.liveries", n.liveries);
    checkPort<NoStandLearning>(check, "LiveNeighbours.stands", n.stands);
    checkPort<NoParking>(check, "LiveNeighbours.staticParking", n.staticParking);
    checkPort<NoFlightSteps>(check, "LiveNeighbours.phases", n.phases);
    for (int i = 0; i < 6; ++i)
        check.other(); // the queues, the parking state, the tick counter and the clock
    check.complete<LiveNeighbours>("LiveNeighbours");
}

void checkScanHooks(HookCheck& check)
{
    const AirportScanHooks& a = gf_airportScanHooks();
    OXL_HOOK("AirportScanHooks", a, simulatorVersion);
    OXL_HOOK("AirportScanHooks", a, hasAirportSection);
    OXL_HOOK("AirportScanHooks", a, processBglFile);
    OXL_HOOK("AirportScanHooks", a, stockArchivedAirport);
    check.complete<AirportScanHooks>("AirportScanHooks");
}

// Empty on purpose, and why.
const std::map<std::string, std::string>& emptyOnPurpose()
{
    static const std::map<std::string, std::string> why{
        {"CycleServiceHooks.sleep", "empty means the worker's own steady-clock sleep; tests replace it"},
        {"PeriodicHooks.updateReaderStatus", "empty means the program's own reader watchdog"},
        {"CycleLiveryHooks.resetForCycle",
         "the livery code keeps nothing per cycle: its indexes, counters and summaries live for the process"},
    };
    return why;
}

TEST(ProgramHooks, EveryHookOfEveryLayerIsInstalled)
{
    gf_installProgramHooks();
    HookCheck check;
    checkCycleHooks(gf_cycleHooks(), check);
    checkPeriodicHooks(gf_periodicHooks(), check);
    checkLinkAndWindowHooks(check);
    checkAirportHooks(check);
    checkEngineHooks(gLiveEngine.n, check);
    checkScanHooks(check);

    for (const std::string& name : check.empty)
        if (!emptyOnPurpose().contains(name))
            ADD_FAILURE() << "hook left empty by gf_installProgramHooks: " << name;
    for (const auto& [name, why] : emptyOnPurpose())
        if (std::find(check.empty.begin(), check.empty.end(), name) == check.empty.end())
            ADD_FAILURE() << name << " is installed now; take it off the list of hooks empty on purpose";
}

} // namespace
} // namespace oxl::test
