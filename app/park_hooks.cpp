// The park airport in the running program: the user aircraft from the simulator link, the engine's live
// aircraft and live limit, the traffic filter's park airport, and the window's parking statistics.
#include "app/hook_parts.h"

#include "airports/airport_reading.h"
#include "airports/free_stands.h"
#include "airports/occupancy_learning.h"
#include "airports/park_airport.h"
#include "airports/parking_window.h"
#include "airports/static_placement.h"
#include "airports/static_selection.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/periodic_requests.h"
#include "simlink/sim_state.h"
#include "traffic/live_assembly.h"
#include "traffic/live_cycle.h"
#include "traffic/live_lifecycle.h"
#include "traffic/traffic_filter.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/main_window.h"

#include <fmt/format.h>

#include <optional>
#include <utility>

namespace oxl
{

namespace
{

// What the last read said of the park airport's file: the learned save files its data by it.
ParkFileInfo gParkFileInfo;

ParkUserAircraft lf_parkUser()
{
    const UserAircraft user = gf_userAircraftFromSim();
    return ParkUserAircraft{user.lat, user.lon, user.alt, user.onGround};
}

void lf_showParkAirportInFilter(const Airport* airport)
{
    if (airport == nullptr)
    {
        gTrafficFilter.setParkAirport(false, 0.0, 0.0);
        gTrafficFilter.setReferenceElevation(std::nullopt);
        return;
    }
    gTrafficFilter.setParkAirport(true, airport->latitude, airport->longitude);
}

void lf_countParkedForWindow()
{
    gf_countParkedForGui(gParking, true);
    gf_countLiveParked(gParking, gLiveEngine.live, gf_unpackDayHalfHour(gCurrentDayHalfHour.load()), true);
    gParking.hooks.repaint();
}

} // namespace

void lf_installParkAirportHooks()
{
    gf_connectParkingToWindow();
    ParkAirportHooks hooks;
    hooks.userStateKnown = [] { return gUserDataValid.load() != 0; };
    hooks.userAircraft = [] { return lf_parkUser(); };
    hooks.startStaticParking = [](bool showMessage) { lf_startStaticParking(gParking, showMessage); };
    hooks.calcStaticParking = [] { lf_calcStaticParking(gParking); };
    hooks.removeQueuedStatic = [] { gf_removeQueuedStatic(gParking); };
    hooks.countParkedForWindow = [] { lf_countParkedForWindow(); };
    hooks.liveAircraft = [] { return &gLiveEngine.live; };
    hooks.recountLive = [] { gf_trimLiveToMax(gLiveEngine); };
    hooks.parkAirportChanged = [](const Airport* airport) { lf_showParkAirportInFilter(airport); };
    hooks.haveAirportFile = [](const std::string& code) { return gf_haveAirportFile(code); };
    hooks.findAirportFile = [](const std::string& code) { return gf_findAirportFile(code); };
    hooks.readApf = [](const std::string& path, ParkFileSummary& summary)
    {
        ParkFileInfo info;
        QualityPair quality;
        std::string result = gf_readApf(path, info, quality);
        gParkFileInfo = info;
        summary.airportName = info.name;
        summary.qfReal = quality.real;
        return result;
    };
    hooks.saveAirportFile = []
    {
        bool changed = gParametersChanged.load() != 0;
        lf_saveAirportFile(gParking, gParkFileInfo, gParking.handmadeFile != 0, changed);
        gParametersChanged.store(changed ? 1 : 0);
    };
    gf_installParkAirportHooks(std::move(hooks));

    AirportReadHooks reading = gf_airportReadHooks();
    reading.fileRead = []
    {
        gf_setStaticParkingActive(true);
        gParametersChanged.store(0);
    };
    reading.setReferenceElevation = [](std::optional<double> elevationFt)
    { gTrafficFilter.setReferenceElevation(elevationFt); };
    gf_installAirportReadHooks(std::move(reading));
    gAirportList.setClosestStandQuery(
        [](const Airport& airport, double lat, double lon, std::string& standName)
        { return gf_readDestApfForClosestStand(airport.code, lat, lon, standName); });
}

void lf_installParkAirportPeriodicHooks()
{
    PeriodicHooks periodic = gf_periodicHooks();
    periodic.updateParkAirport = [](bool showMessage) { gf_updateParkAirport(gParking, showMessage); };
    periodic.checkParkAirports = [](std::string& text) { return gf_checkParkAirports(gParking, true, text); };
    gf_installPeriodicHooks(std::move(periodic));
}

void lf_newDestination(const std::string& code, double lat, double lon)
{
    DESTINATION.setAndSave(code);
    gf_setStringBoxTextNoThrow(DESTINATION);
    gf_showMessage(fmt::format("New destination: {}", code), true);
    gf_addParkAirport(gParking, code, lat, lon, gf_parkAirportHooks().airportsFolder);
    gf_enableControl(gRereadButton, false);
}

} // namespace oxl
