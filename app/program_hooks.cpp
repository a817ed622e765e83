#include "app/program_hooks.h"

#include "app/hook_parts.h"

#include "airports/airports_state.h"
#include "airports/free_stands.h"
#include "airports/static_placement.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/range.h"
#include "foundation/run_state.h"
#include "foundation/version_check.h"
#include "liveries/addon_packages.h"
#include "liveries/dbase.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_indexes.h"
#include "liveries/livery_matching.h"
#include "liveries/livery_processing.h"
#include "platform/traffic_ports.h"
#include "platform/win.h"
#include "simlink/sim_state.h"
#include "traffic/cycle/cycle_worker.h"
#include "traffic/cycle/traffic_window.h"
#include "traffic/engine/engine_state.h"
#include "traffic/engine/ground_movement.h"
#include "traffic/engine/live_assembly.h"
#include "traffic/engine/live_cycle.h"
#include "traffic/engine/live_livery_hooks.h"
#include "traffic/source/source_link.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_display.h"
#include "traffic/source/udp_readers.h"
#include "window/auto_range.h"
#include "window/control_handlers.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/gui_main.h"
#include "window/settings_view.h"
#include "window/traffic_view_port.h"
#include "window/window_state.h"
#include "window/window_status.h"

#include <chrono>
#include <optional>
#include <thread>

namespace oxl
{

namespace
{

// The program's main window.
class ProgramWindow final : public CycleWindowPort
{
  public:
    void repaint() override { win::invalidateWindow(win::kMainWindow); }
    void showError(const std::string& text) override { gf_showError(text); }
    void clearMessageAndError() override { gf_clearErrorAndMessage(); }
    void showCheck(const CheckBoxParameter& box) override { gf_showCheckMark(box); }
    void enableControl(const ControlBinding& control, bool enable) override
    {
        gf_enableControl(control, enable);
    }
    void clearControlText(const ControlBinding& control) override { gf_clearControlText(control.controlId); }
    void showString(const StringEditParameter& setting) override { gf_setStringBoxTextNoThrow(setting); }
    void fillCombos() override
    {
        for (Parameter* parameter : gf_configurationKeys())
            if (const auto* combo = dynamic_cast<const ComboParameter*>(parameter))
                combo->fillCombo();
    }
    void setAirportFileCounts(std::int64_t orbx, std::int64_t thirdparty) override
    {
        gWindow.gMainWindow.simaddonCount.store(static_cast<std::uint64_t>(orbx));
        gWindow.gMainWindow.thirdpCount.store(static_cast<std::uint64_t>(thirdparty));
        gf_invalidateBand(kStatusBand);
    }
    void setTopmost(bool topmost) override { win::setTopmost(win::kMainWindow, topmost); }
    void newDestination(const std::string& code, double latDeg, double lonDeg) override
    {
        gf_newDestination(code, latDeg, lonDeg);
    }
    void autoRangeStep() override { gf_autoRangeStep(); }
    void setSimConnected(bool connected) override
    {
        gWindow.gMainWindow.simConnected.store(connected ? 1 : 0);
        gf_invalidateBand(kStatusBand);
    }
    void setWaitingForSource(bool waiting) override
    {
        gWindow.gMainWindow.waitingForSource.store(waiting ? 1 : 0);
    }
    void saveManualRange() override { gf_rememberManualRange(); }
    void setRange(std::int32_t rangeNm) override { gf_setRange(rangeNm); }
    bool windowExists() override { return win::isWindow(win::kMainWindow); }
    void postStartCycle() override { gf_postToMainWindow(kStartCycleMessage); }
    void postQuit() override { gf_postToMainWindow(kQuitMessage); }
    void resetForCycle() override { gWindow.gMainWindow.resetForCycle(); }
};

// The program's aircraft data and liveries.
class ProgramLiveries final : public CycleLiveryPort
{
  public:
    void readDbase() override { gf_readDbase(); }
    void scanLiveries() override { gf_scanLiveries(); }
    void reserveLiveryIndexes() override { gf_reserveLiveryIndexes(); }
    void logLiveryMatchSummary() override { gf_logLiveryMatchSummary(); }
    void logNoMatchList() override { gf_logNoMatchList(gf_unmatchedList(gf_liveEngine())); }
    void clearPendingTitles() override { gf_clearPendingTitles(); }
    // The livery code keeps nothing per cycle: its indexes, counters and summaries live for the process
    // and pass to the next cycle's worker.
    void resetForCycle() override { gf_releaseLiveries(); }
};

// The program's engine and readers as the traffic source's link sees them.
class ProgramLinkNeighbours final : public SourceLinkPort
{
  public:
    void removeLiveAircraft() override { gf_takeLiveAircraftOut(gf_liveEngine()); }
    void resetReaders() override
    {
        gSource.gTrafficReader.resetState();
        gSource.gQnhReader.resetState();
    }
    bool exitReasonNotSet() override { return gf_exitReason() == ExitReason::notYetSet; }
};

// The simulator's version as the cycle worker learns it from the install path.
class ProgramSimulatorVersion final : public SimulatorVersionPort
{
  public:
    std::string majorVersion() override { return gf_p3dVersionFromPath(); }
};

// The program's version check and clock.
class ProgramServices final : public CycleServicePort
{
  public:
    void checkVersions() override { gf_checkVersions(); }
    void sleep(std::chrono::milliseconds pause) override { std::this_thread::sleep_for(pause); }
};

// The program's traffic side as the window sees it.
class ProgramTrafficView final : public TrafficViewPort
{
  public:
    TrafficStatus trafficStatus() override { return gf_trafficStatusOf(gSource.gTrafficDisplay); }

    // Asked by the main loop's per-second routine (the cycle worker owns the aircraft).
    std::optional<AircraftCounts> aircraftCounts() override
    {
        const LiveEngine& engine = gf_liveEngine();
        AircraftCounts counts;
        for (const LiveAc& ac : engine.live)
            if (ac.simState == SimState::active && ac.phase != GroundPhase::parked)
                ++counts.live;
        counts.parkedStatic = gf_countParkedForGui(gAirports.gParking, true);
        counts.parkedLive =
            gf_countLiveParked(gAirports.gParking, engine.live.records(),
                               gf_unpackDayHalfHour(gFoundation.gCurrentDayHalfHour.load()), true);
        return counts;
    }

    // Asked on the cycle worker, which owns the park-airport list, by the automatic radius step.
    std::optional<AutoRangeInputs> autoRangeInputs() override
    {
        AutoRangeInputs in;
        in.user = gf_userAcData();
        if (!gAirports.gParking.parkAirports.empty())
            in.firstParkAirport = LatLon{gAirports.gParking.parkAirports.front().latitude,
                                         gAirports.gParking.parkAirports.front().longitude};
        return in;
    }
};

// What the window asks of the program: the cycle worker and the close protocol.
class ProgramGuiPort final : public GuiPort
{
  public:
    [[nodiscard]] bool runsCycles() const override { return true; }
    void cycleWorker(std::stop_token /*stop*/) override { gf_cycleThread(); }
    void requestClose() override { gf_requestWindowClose(); }
};

} // namespace

// Every port of every layer, one line each (the README lists them); the window's cycle worker last, as it
// starts the cycles that use the others. None is owned by its layer: each lives as long as the program.
void gf_installProgramHooks()
{
    static ProgramTrafficView trafficView;
    static ProgramLinkNeighbours linkNeighbours;
    static ProgramSimulatorVersion simulatorVersion;
    static ProgramLiveries liveries;
    static ProgramWindow window;
    static ProgramServices services;
    static ProgramGuiPort guiPort;
    LiveEngine& engine = gEngine.gLiveEngine;

    gf_installStatusService(&gf_windowStatusService());
    gf_installSettingsView(&gf_windowSettingsView());
    gf_installTrafficViewPort(&trafficView);
    gf_installTrafficDisplayPort(&gf_mainWindowTrafficDisplay());
    gf_installSourceLinkPort(&linkNeighbours);
    gf_installSimLinkPort(&gf_programSimLinkPort());
    gf_installSimulatorVersionPort(&simulatorVersion);
    gf_installCycleLiveryPort(&liveries);
    gf_installAirportScanPort(&gf_programAirportScanPort());
    gf_installCycleAirportPort(&gf_airportPort());
    gf_installCycleSimulatorPort(&gf_simulatorPort());
    gf_installCycleWindowPort(&window);
    gf_installLinkSimulator(engine);
    gf_installLiveLiveryHooks(engine);
    installGroundMovement(engine);
    gf_installStandLearning(engine);
    gf_installParkingServices(engine);
    gf_installStaticParking(engine);
    gf_installPeriodicPort(&gf_parkingWork(*engine.n.parking));
    gf_installCycleEnginePort(&gf_enginePort());
    gf_installCycleServicePort(&services);
    gf_setReaderPorts(plat::portFromEnvironment("OXL_TRAFFIC_PORT", kTrafficPort),
                      plat::portFromEnvironment("OXL_QNH_PORT", kQnhPort));
    gSource.gTrafficReader.setReceiveBufferBytes(
        plat::bytesFromEnvironment("OXL_TRAFFIC_RECEIVE_BUFFER", kTrafficReceiveBufferBytes));
    gf_installParkAirportPort(&gf_programParkAirportPort());
    gf_installAirportReadPort(&gf_programAirportReadPort());
    gAirports.gAirportList.setClosestStandQuery(gf_closestStandAt);
    gf_installGuiPort(&guiPort);
}

} // namespace oxl
