// The live engine and the airports as the cycle worker sees them: the program's engine put together,
// its containers, its share of the cycle reset, and the park-airport services.
#include "app/hook_parts.h"

#include "airports/airport_reading.h"
#include "airports/airport_scan.h"
#include "airports/airports_state.h"
#include "airports/bgl_decoding.h"
#include "airports/park_airport.h"
#include "airports/park_airports.h"
#include "traffic/cycle/cycle_worker.h"
#include "traffic/cycle/main_loop.h"
#include "traffic/engine/engine_state.h"
#include "traffic/engine/live_cycle.h"

namespace oxl
{
namespace
{

// What the airport scan asks of the simulator's install path and the BGL decoding.
class ProgramAirportScanPort final : public AirportScanPort
{
  public:
    [[nodiscard]] std::string simulatorVersion() override { return gf_p3dVersionFromPath(); }
    [[nodiscard]] bool hasAirportSection(const std::filesystem::path& file) override
    {
        return gf_bglHasAirportSection(file);
    }
    void processBglFile(const std::filesystem::path& file) override { gf_processBGLfile(file); }
    [[nodiscard]] bool stockArchivedAirport(const std::string& icao) override
    {
        return gf_getStockArchivedAirport(icao);
    }
};

// The program's live engine.
class ProgramEngine final : public CycleEnginePort
{
  public:
    void mainLoop() override { gf_mainLoop(); }
    void reserveContainers() override { gf_reserveLiveContainers(gf_liveEngine()); }
    void clearGhostCallsigns() override { gf_liveEngine().ghostCallsigns.clear(); }
    void clearCycleData() override
    {
        gf_clearLiveCycleData(gf_liveEngine());
        gf_releaseLiveEngine();
    }
    void resetForCycle() override { gf_resetMainLoopForCycle(); }
};

// The program's airports and static parking.
class ProgramAirports final : public CycleAirportPort
{
  public:
    void scanAirports() override { gf_scanAirports(); }
    void readMyParkAirports() override
    {
        // A new cycle starts with no position and no stand of the last one.
        gf_resetParkAirport();
        gf_readMyParkAirports();
    }
    void leaveParkAirport() override { gf_leaveParkAirport(gAirports.gParking); }
};

} // namespace

CycleEnginePort& gf_enginePort()
{
    static ProgramEngine engine;
    return engine;
}

CycleAirportPort& gf_airportPort()
{
    static ProgramAirports airports;
    return airports;
}

AirportScanPort& gf_programAirportScanPort()
{
    static ProgramAirportScanPort port;
    return port;
}

} // namespace oxl
