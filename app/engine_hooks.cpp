// The live engine and the airports as the cycle worker sees them: the program's engine put together,
// its containers, its share of the cycle reset, and the park-airport services.
#include "app/hook_parts.h"

#include "airports/airport_reading.h"
#include "airports/airport_scan.h"
#include "airports/bgl_decoding.h"
#include "airports/park_airport.h"
#include "airports/park_airports.h"
#include "traffic/cycle_worker.h"
#include "traffic/live_assembly.h"
#include "traffic/live_cycle.h"
#include "traffic/main_loop.h"

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
        return lf_bglHasAirportSection(file);
    }
    void processBglFile(const std::filesystem::path& file) override { lf_processBGLfile(file); }
    [[nodiscard]] bool stockArchivedAirport(const std::string& icao) override
    {
        return gf_getStockArchivedAirport(icao);
    }
};

ProgramAirportScanPort gProgramAirportScanPort;

} // namespace

CycleEngineHooks lf_engineHooks()
{
    gf_installLiveEngine(gLiveEngine);
    lf_installStaticParkingHooks(gLiveEngine);
    CycleEngineHooks engine;
    engine.mainLoop = [] { lf_mainLoop(); };
    engine.reserveContainers = [] { lf_reserveLiveContainers(gLiveEngine); };
    engine.clearGhostCallsigns = [] { gLiveEngine.ghostCallsigns.clear(); };
    engine.removeLiveAircraft = [] { lf_takeLiveAircraftOut(gLiveEngine); };
    engine.clearCycleData = [] { lf_clearLiveCycleData(gLiveEngine); };
    engine.resetForCycle = [] { lf_resetMainLoopForCycle(); };
    return engine;
}

CycleAirportHooks lf_airportHooks()
{
    gf_installAirportScanPort(&gProgramAirportScanPort);
    CycleAirportHooks airports;
    airports.scanAirports = [] { gf_scanAirports(); };
    airports.readMyParkAirports = []
    {
        // A new cycle starts with no position and no stand of the last one.
        gf_resetParkAirport();
        return lf_readMyParkAirports();
    };
    airports.leaveParkAirport = [] { gf_leaveParkAirport(gParking); };
    return airports;
}

} // namespace oxl
