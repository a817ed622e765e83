// The program's own wiring of its layers: after gf_installProgramHooks every hook of every layer is
// filled, except the few listed below, which are empty on purpose. A hook that nothing installs makes
// its feature silently do nothing in the real program; this test names it.
#include "app/program_hooks.h"

#include "airports/airport_reading.h"
#include "airports/airport_scan.h"
#include "airports/airports_state.h"
#include "airports/park_airport.h"
#include "foundation/settings_file.h"
#include "liveries/addon_packages.h"
#include "simlink/sim_state.h"
#include "traffic/engine/engine_state.h"
#include "traffic/engine/live_cycle.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_display.h"
#include "window/gui_main.h"
#include "window/traffic_view_port.h"
#include "window/window_state.h"
#include "window/window_status.h"

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

void checkLinkAndWindowHooks(HookCheck& check)
{
    if (!gf_guiPort().runsCycles())
        check.empty.push_back("gf_installGuiPort");

    if (dynamic_cast<const NoSimulatorVersion*>(&gf_simulatorVersionPort()) != nullptr)
        check.empty.push_back("gf_installSimulatorVersionPort");
    if (dynamic_cast<const NoTrafficView*>(&gf_trafficViewPort()) != nullptr)
        check.empty.push_back("gf_installTrafficViewPort");
    if (&gf_status() != &gf_windowStatusService())
        check.empty.push_back("gf_installStatusService");
    if (dynamic_cast<const NoSettingsView*>(&gf_settingsView()) != nullptr)
        check.empty.push_back("gf_installSettingsView");
    if (dynamic_cast<const NoSimLinkPort*>(&gf_simLinkPort()) != nullptr)
        check.empty.push_back("gf_installSimLinkPort");
}

void checkAirportHooks(HookCheck& check)
{
    if (dynamic_cast<const NoParkAirportPort*>(&gf_parkAirportPort()) != nullptr)
        check.empty.push_back("gf_installParkAirportPort");
    if (dynamic_cast<const NoAirportReadPort*>(&gf_airportReadPort()) != nullptr)
        check.empty.push_back("gf_installAirportReadPort");
    if (dynamic_cast<const NoParkingServices*>(gAirports.gParking.services.get()) != nullptr)
        check.empty.push_back("ParkingState.services");
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
    for (int i = 0; i < 7; ++i)
        check.other(); // the queues, the parking state, the tick counter, the reader's filter and the clock
    check.complete<LiveNeighbours>("LiveNeighbours");
}

void checkScanHooks(HookCheck& check)
{
    if (dynamic_cast<const NoAirportScanPort*>(&gf_airportScanPort()) != nullptr)
        check.empty.push_back("gf_installAirportScanPort");
}

TEST(ProgramHooks, EveryHookOfEveryLayerIsInstalled)
{
    gf_installProgramHooks();
    HookCheck check;
    checkLinkAndWindowHooks(check);
    checkAirportHooks(check);
    checkEngineHooks(gEngine.gLiveEngine.n, check);
    checkScanHooks(check);

    for (const std::string& name : check.empty)
        ADD_FAILURE() << "hook left empty by gf_installProgramHooks: " << name;
}

// The parking code's repaint reaches the main window's statistics.
TEST(ProgramHooks, ParkingRepaintReachesTheMainWindow)
{
    gf_installProgramHooks();
    gWindow.gMainWindow.resetForCycle();
    gAirports.gParking.maxPark = 33;
    gAirports.gParking.services->repaint();
    EXPECT_EQ(gWindow.gMainWindow.maxPark.load(), 33u);
    gAirports.gParking.reset();
}

// The window's status band reads the traffic link's own values.
TEST(ProgramHooks, TheWindowSeesTheTrafficLinksValues)
{
    gf_installProgramHooks();
    gSource.gTrafficDisplay.resetForCycle();
    gSource.gTrafficDisplay.sourceConnected.store(1);
    gSource.gTrafficDisplay.setSourceStatus("RT2 edition: Professional");
    gSource.gTrafficDisplay.qnhState.store(ReaderState::quiet);
    gSource.gTrafficDisplay.qnh.store(998);
    const TrafficStatus shown = gf_trafficViewPort().trafficStatus();
    EXPECT_TRUE(shown.sourceConnected);
    EXPECT_EQ(shown.editionText, "RT2 edition: Professional");
    EXPECT_EQ(shown.trafficState, ShownReaderState::notRunning);
    EXPECT_EQ(shown.qnhState, ShownReaderState::quiet);
    EXPECT_EQ(shown.qnh, 998);
    gSource.gTrafficDisplay.resetForCycle();
}

} // namespace
} // namespace oxl::test
