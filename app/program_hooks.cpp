#include "app/program_hooks.h"

#include "app/hook_parts.h"

#include "airports/free_stands.h"
#include "airports/parking_state.h"
#include "airports/static_placement.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/range.h"
#include "foundation/run_state.h"
#include "foundation/version_check.h"
#include "liveries/addon_packages.h"
#include "liveries/dbase.h"
#include "liveries/livery_indexes.h"
#include "liveries/livery_matching.h"
#include "liveries/livery_processing.h"
#include "platform/traffic_ports.h"
#include "platform/win.h"
#include "traffic/cycle_worker.h"
#include "traffic/live_assembly.h"
#include "traffic/live_cycle.h"
#include "traffic/live_livery_hooks.h"
#include "traffic/source_link.h"
#include "traffic/traffic_display.h"
#include "traffic/udp_readers.h"
#include "window/auto_range.h"
#include "window/control_handlers.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/gui_main.h"
#include "window/main_window.h"
#include "window/settings_view.h"
#include "window/window_status.h"

namespace oxl
{

namespace
{

ShownReaderState lf_shown(ReaderState state)
{
    return static_cast<ShownReaderState>(static_cast<std::uint32_t>(state));
}

TrafficStatus lf_trafficStatus()
{
    TrafficStatus status;
    status.sourceConnected = gTrafficDisplay.sourceConnected.load() != 0;
    status.editionText = gTrafficDisplay.sourceStatus();
    status.trafficState = lf_shown(gTrafficDisplay.trafficState.load());
    status.qnhState = lf_shown(gTrafficDisplay.qnhState.load());
    status.qnh = gTrafficDisplay.qnh.load();
    return status;
}

CycleWindowHooks lf_windowHooks()
{
    CycleWindowHooks window;
    window.repaint = [] { win::invalidateWindow(win::kMainWindow); };
    window.showError = [](const std::string& text) { gf_showError(text); };
    window.clearMessageAndError = [] { gf_clearErrorAndMessage(); };
    window.showCheck = [](const CheckBoxParameter& box) { gf_showCheckMark(box); };
    window.enableControl = [](const ControlBinding& control, bool enable) { gf_enableControl(control, enable); };
    window.clearControlText = [](const ControlBinding& control) { lf_clearControlText(control.controlId); };
    window.showString = [](const StringEditParameter& setting) { gf_setStringBoxTextNoThrow(setting); };
    window.fillCombos = [] {
        for (Parameter* parameter : gf_configurationKeys())
            if (const auto* combo = dynamic_cast<const ComboParameter*>(parameter))
                combo->fillCombo();
    };
    window.setAirportFileCounts = [](std::int64_t orbx, std::int64_t thirdparty) {
        gMainWindow.simaddonCount.store(static_cast<std::uint64_t>(orbx));
        gMainWindow.thirdpCount.store(static_cast<std::uint64_t>(thirdparty));
        gf_invalidateBand(kStatusBand);
    };
    window.setTopmost = [](bool topmost) { win::setTopmost(win::kMainWindow, topmost); };
    window.autoRangeStep = [] { gf_autoRangeStep(); };
    window.saveManualRange = [] { gf_rememberManualRange(); };
    window.setWaitingForSource = [](bool waiting) { gMainWindow.waitingForSource.store(waiting ? 1 : 0); };
    window.setSimConnected = [](bool connected) {
        gMainWindow.simConnected.store(connected ? 1 : 0);
        gf_invalidateBand(kStatusBand);
    };
    window.setRange = [](std::int32_t nm) { return gf_setRange(nm); };
    window.windowExists = [] { return win::isWindow(win::kMainWindow); };
    window.postStartCycle = [] { gf_postToMainWindow(kStartCycleMessage); };
    window.postQuit = [] { gf_postToMainWindow(kQuitMessage); };
    window.resetForCycle = [] { gMainWindow.resetForCycle(); };
    window.newDestination = [](const std::string& code, double lat, double lon) { lf_newDestination(code, lat, lon); };
    return window;
}

// Read on the cycle worker, which owns the park-airport list, by the automatic radius step.
AutoRangeInputs lf_autoRangeInputs()
{
    const UserAircraft user = gf_userAircraftFromSim();
    AutoRangeInputs in;
    in.onGround = user.onGround;
    in.altitudeFt = user.alt;
    in.user = LatLon{user.lat, user.lon};
    if (!gParking.parkAirports.empty())
        in.firstParkAirport = LatLon{gParking.parkAirports.front().latitude, gParking.parkAirports.front().longitude};
    return in;
}

// Read by the main loop's per-second routine (the cycle worker owns the aircraft).
AircraftCounts lf_aircraftCounts()
{
    AircraftCounts counts;
    for (const LiveAc& ac : gLiveEngine.live)
        if (ac.simState == SimState::active && ac.phase != GroundPhase::parked)
            ++counts.live;
    counts.parkedStatic = gf_countParkedForGui(gParking, true);
    counts.parkedLive = gf_countLiveParked(gParking, gLiveEngine.live,
                                           gf_unpackDayHalfHour(gCurrentDayHalfHour.load()), true);
    return counts;
}

// What the window asks of the program: the cycle worker and the close protocol.
class ProgramGuiPort final : public GuiPort
{
  public:
    [[nodiscard]] bool runsCycles() const override { return true; }
    void cycleWorker(std::stop_token /*stop*/) override { lf_cycleThread(); }
    void requestClose() override { gf_requestWindowClose(); }
};

ProgramGuiPort gProgramGuiPort;

} // namespace

void gf_installProgramHooks()
{
    gf_installStatusService(&gf_windowStatusService());
    gf_connectSettingsView();
    gf_setTrafficStatusSource(lf_trafficStatus);
    gf_setAutoRangeInputs(lf_autoRangeInputs);
    gf_setAircraftCounter(lf_aircraftCounts);
    gTrafficDisplay.install(TrafficDisplayHooks{
        [] { gf_invalidateBand(kStatusBand); },
        [](std::string_view text) { gf_showMessage(std::string(text), true); },
        [] { gf_clearMessage(); },
    });
    SourceLinkHooks link;
    link.exitReasonNotSet = [] { return gf_exitReason() == ExitReason::notYetSet; };
    link.removeLiveAircraft = [] { lf_takeLiveAircraftOut(gLiveEngine); };
    gSourceLink.install(std::move(link));
    lf_installSimLinkPort();

    CycleHooks hooks;
    hooks.liveries.readDbase = [] { return gf_readDbase(); };
    hooks.liveries.scanLiveries = [] { gf_scanLiveries(); };
    gf_setSimulatorVersionSource([] { return gf_p3dVersionFromPath(); });
    hooks.liveries.reserveLiveryIndexes = [] { gf_reserveLiveryIndexes(); };
    hooks.liveries.logLiveryMatchSummary = [] { gf_logLiveryMatchSummary(); };
    hooks.liveries.logNoMatchList = [] { gf_logNoMatchList(gf_unmatchedList(gLiveEngine)); };
    hooks.liveries.clearPendingTitles = [] { gf_clearPendingTitles(); };
    hooks.airports = lf_airportHooks();
    hooks.sim = lf_simulatorHooks();
    hooks.window = lf_windowHooks();
    hooks.engine = lf_engineHooks();
    hooks.services.checkVersions = [] { gf_checkVersions(); };
    hooks.services.trafficPort = plat::portFromEnvironment("OXL_TRAFFIC_PORT", kTrafficPort);
    hooks.services.qnhPort = plat::portFromEnvironment("OXL_QNH_PORT", kQnhPort);
    gf_installCycleHooks(std::move(hooks));
    lf_installParkAirportHooks();
    lf_installParkAirportPeriodicHooks();

    gf_installGuiPort(&gProgramGuiPort);
}

} // namespace oxl
