// The park airport in the running program: the user aircraft from the simulator link, the engine's live
// aircraft and live limit, the traffic filter's park airport, and the window's parking statistics.
#include "app/hook_parts.h"

#include "airports/airport_reading.h"
#include "airports/airports_state.h"
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
#include "traffic/engine/engine_state.h"
#include "traffic/engine/live_cycle.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_filter.h"
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

void lf_showParkAirportInFilter(const Airport* airport)
{
    if (airport == nullptr)
    {
        gSource.gTrafficFilter.setParkAirport(false, 0.0, 0.0);
        gSource.gTrafficFilter.setReferenceElevation(std::nullopt);
        return;
    }
    gSource.gTrafficFilter.setParkAirport(true, airport->latitude, airport->longitude);
}

void lf_countParkedForWindow()
{
    gf_countParkedForGui(gAirports.gParking, true);
    gf_countLiveParked(gAirports.gParking, gf_liveEngine().live.records(),
                       gf_unpackDayHalfHour(gFoundation.gCurrentDayHalfHour.load()), true);
    gAirports.gParking.services->repaint();
}

// What the park airport asks of the simulator link, the airport files, static parking and the engine.
class ProgramParkAirportPort final : public ParkAirportPort
{
  public:
    [[nodiscard]] std::filesystem::path airportsFolder() const override { return "airports"; }
    [[nodiscard]] UserAcData userAircraft() override { return gf_userAcData(); }
    [[nodiscard]] FileAnswer haveAirportFile(const std::string& code) override
    {
        return gf_haveAirportFile(code);
    }
    [[nodiscard]] std::string findAirportFile(const std::string& code) override
    {
        return gf_findAirportFile(code);
    }
    [[nodiscard]] std::string readApf(const std::string& path, ParkFileSummary& summary) override
    {
        ParkFileInfo info;
        QualityPair quality;
        std::string result = gf_readApf(path, info, quality);
        lastFile_ = info;
        summary.airportName = info.name;
        summary.qfReal = quality.real;
        return result;
    }
    void saveAirportFile() override
    {
        bool changed = gFoundation.gParametersChanged.load() != 0;
        gf_saveAirportFile(gAirports.gParking, lastFile_, gAirports.gParking.handmadeFile != 0, changed);
        gFoundation.gParametersChanged.store(changed ? 1 : 0);
    }
    void startStaticParking(bool showMessage) override
    {
        gf_startStaticParking(gAirports.gParking, showMessage);
    }
    void calcStaticParking() override { gf_calcStaticParking(gAirports.gParking); }
    void removeQueuedStatic() override { gf_removeQueuedStatic(gAirports.gParking); }
    void countParkedForWindow() override { lf_countParkedForWindow(); }
    [[nodiscard]] std::span<LiveAc> liveAircraft() override { return gf_liveEngine().live.records(); }
    void recountLive() override { gf_trimLiveToMax(gf_liveEngine()); }
    void parkAirportChanged(const Airport* airport) override { lf_showParkAirportInFilter(airport); }

  private:
    // What the last read said of the park airport's file: the learned save files its data by it. The
    // cycle worker's, which reads and saves the park airport's files.
    ParkFileInfo lastFile_;
};

// What reading the park airport's file asks of static parking and the traffic filter.
class ProgramAirportReadPort final : public AirportReadPort
{
  public:
    void fileRead() override
    {
        gf_setStaticParkingActive(true);
        gFoundation.gParametersChanged.store(0);
    }
    void setReferenceElevation(std::optional<double> elevationFt) override
    {
        gSource.gTrafficFilter.setReferenceElevation(elevationFt);
    }
};

} // namespace

ParkAirportPort& gf_programParkAirportPort()
{
    static ProgramParkAirportPort port;
    return port;
}

AirportReadPort& gf_programAirportReadPort()
{
    static ProgramAirportReadPort port;
    return port;
}

double gf_closestStandAt(const Airport& airport, double lat, double lon, std::string& standName)
{
    return gf_readDestApfForClosestStand(airport.code, lat, lon, standName);
}

void gf_newDestination(const std::string& code, double lat, double lon)
{
    DESTINATION.setAndSave(code);
    gf_setStringBoxTextNoThrow(DESTINATION);
    gf_showMessage(fmt::format("New destination: {}", code), true);
    gf_addParkAirport(gAirports.gParking, code, lat, lon, gf_parkAirportPort().airportsFolder());
    gf_enableControl(gRereadButton, false);
}

} // namespace oxl
