// The program's own wiring of its layers: after gf_installProgramHooks every hook of every layer is
// filled, except the few listed below, which are empty on purpose. A hook that nothing installs makes
// its feature silently do nothing in the real program; this test names it.
#include "app/program_hooks.h"

#include "airports/airport_reading.h"
#include "airports/airport_scan.h"
#include "airports/park_airport.h"
#include "simlink/sim_state.h"
#include "traffic/live_cycle.h"
#include "window/auto_range.h"
#include "window/gui_main.h"
#include "window/main_window.h"
#include "window/window_status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
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

    if (!gf_autoRangeInputsInstalled())
        check.empty.push_back("gf_setAutoRangeInputs");
    if (!gf_aircraftCounterInstalled())
        check.empty.push_back("gf_setAircraftCounter");
    if (&gf_status() != &gf_windowStatusService())
        check.empty.push_back("gf_installStatusService");
    if (dynamic_cast<const NoSimLinkPort*>(&gf_simLinkPort()) != nullptr)
        check.empty.push_back("gf_installSimLinkPort");
}

void checkAirportHooks(HookCheck& check)
{
    if (dynamic_cast<const NoParkAirportPort*>(&gf_parkAirportPort()) != nullptr)
        check.empty.push_back("gf_installParkAirportPort");
    if (dynamic_cast<const NoAirportReadPort*>(&gf_airportReadPort()) != nullptr)
        check.empty.push_back("gf_installAirportReadPort");
}

void checkEngineHooks(const LiveNeighbours& n, HookCheck& check)
{
    OXL_HOOK("LiveNeighbours", n, userAircraft);
    OXL_HOOK("LiveNeighbours", n, steadyNow100ns);
    OXL_HOOK("LiveNeighbours", n, weekdayHalfHour);
    OXL_HOOK("LiveNeighbours", n, flightPlanFolder);
    OXL_HOOK("LiveNeighbours", n, nearestAirportElevationFt);
    for (int i = 0; i < 9; ++i)
        check.other(); // the queues, the parking state, the tick counter and the four hook groups below
    check.complete<LiveNeighbours>("LiveNeighbours");

    const LiveLiveryHooks& l = n.liveries;
    OXL_HOOK("LiveLiveryHooks", l, takePendingTitle);
    OXL_HOOK("LiveLiveryHooks", l, storePendingTitle);
    OXL_HOOK("LiveLiveryHooks", l, erasePendingTitle);
    OXL_HOOK("LiveLiveryHooks", l, matchLiveAcLivery);
    OXL_HOOK("LiveLiveryHooks", l, regcodeTitle);
    OXL_HOOK("LiveLiveryHooks", l, onLiveryNotCreated);
    OXL_HOOK("LiveLiveryHooks", l, lookupRegistration);
    check.complete<LiveLiveryHooks>("LiveLiveryHooks");

    const LiveStandHooks& s = n.stands;
    OXL_HOOK("LiveStandHooks", s, addStandOption);
    OXL_HOOK("LiveStandHooks", s, maxParkCheck);
    OXL_HOOK("LiveStandHooks", s, assignStaticParking);
    OXL_HOOK("LiveStandHooks", s, learningAllowed);
    OXL_HOOK("LiveStandHooks", s, addStandOptionOnDeparture);
    check.complete<LiveStandHooks>("LiveStandHooks");

    const LiveSimDirect& d = n.sim;
    OXL_HOOK("LiveSimDirect", d, allLightsToggle);
    OXL_HOOK("LiveSimDirect", d, requestStaticCg);
    OXL_HOOK("LiveSimDirect", d, simRequestError);
    OXL_HOOK("LiveSimDirect", d, setSpoilersThrottles);
    OXL_HOOK("LiveSimDirect", d, setFlightPlan);
    check.complete<LiveSimDirect>("LiveSimDirect");

    const LivePhaseHooks& p = n.phases;
    OXL_HOOK("LivePhaseHooks", p, appendReport);
    OXL_HOOK("LivePhaseHooks", p, onLiveCreated);
    OXL_HOOK("LivePhaseHooks", p, onAiCreated);
    OXL_HOOK("LivePhaseHooks", p, onTouchdown);
    OXL_HOOK("LivePhaseHooks", p, setParkedConfig);
    OXL_HOOK("LivePhaseHooks", p, moveActive);
    OXL_HOOK("LivePhaseHooks", p, makeWayAtStand);
    check.complete<LivePhaseHooks>("LivePhaseHooks");
}

void checkScanHooks(HookCheck& check)
{
    if (dynamic_cast<const NoAirportScanPort*>(&gf_airportScanPort()) != nullptr)
        check.empty.push_back("gf_installAirportScanPort");
}

// Empty on purpose, and why.
const std::map<std::string, std::string>& emptyOnPurpose()
{
    static const std::map<std::string, std::string> why{
        {"LiveNeighbours.steadyNow100ns", "empty means the platform's steady clock; tests pin it"},
        {"LiveNeighbours.weekdayHalfHour", "empty means the time of week now; tests pin it"},
        {"LiveLiveryHooks.lookupRegistration", "empty means the aircraft database's own lookup"},
    };
    return why;
}

TEST(ProgramHooks, EveryHookOfEveryLayerIsInstalled)
{
    gf_installProgramHooks();
    HookCheck check;
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
