// What the cycle worker asks of its neighbours: the aircraft data and liveries, the airports, the
// simulator link, the main window, the live engine and the clock. Each neighbour is an interface that
// the program implements in app/; each has one do-nothing implementation, for tests and for a service
// that is not there: it skips what it is told and gives the neutral answer to a question (no simulator
// running, no position, no window).
#pragma once

#include "foundation/control_binding.h"
#include "foundation/parameters.h"
#include "records/aircraft_records.h"
#include "traffic/source/source_link.h"

#include <gsl/pointers>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace oxl
{

/// What the cycle asks of the aircraft data and the liveries.
class CycleLiveryPort
{
  public:
    virtual ~CycleLiveryPort() = default;
    /// gf_readDbase: reads the aircraft database (once per process).
    virtual void readDbase() = 0;
    /// gf_scanLiveries: scans the liveries or reads the last scan.
    virtual void scanLiveries() = 0;
    /// gf_reserveLiveryIndexes.
    virtual void reserveLiveryIndexes() = 0;
    /// gf_logLiveryMatchSummary.
    virtual void logLiveryMatchSummary() = 0;
    /// gf_logNoMatchList.
    virtual void logNoMatchList() = 0;
    /// Empties the pending-title map.
    virtual void clearPendingTitles() = 0;
    /// Sets the livery code's per-cycle values back.
    virtual void resetForCycle() = 0;
};

/// No aircraft data and no liveries: every call is skipped.
class NoCycleLiveries : public CycleLiveryPort
{
  public:
    void readDbase() override {}
    void scanLiveries() override {}
    void reserveLiveryIndexes() override {}
    void logLiveryMatchSummary() override {}
    void logNoMatchList() override {}
    void clearPendingTitles() override {}
    void resetForCycle() override {}
};

/// What the cycle asks of the airports and static parking (the airport list and the parking state are
/// used directly).
class CycleAirportPort
{
  public:
    virtual ~CycleAirportPort() = default;
    /// gf_scanAirports.
    virtual void scanAirports() = 0;
    /// gf_readMyParkAirports, from a park airport of no position and no stand.
    virtual void readMyParkAirports() = 0;
    /// gf_leaveParkAirport.
    virtual void leaveParkAirport() = 0;
};

/// No airport services: every call is skipped.
class NoCycleAirports : public CycleAirportPort
{
  public:
    void scanAirports() override {}
    void readMyParkAirports() override {}
    void leaveParkAirport() override {}
};

/// What the cycle and its main loop ask of the simulator link.
class CycleSimulatorPort
{
  public:
    virtual ~CycleSimulatorPort() = default;
    /// Body of the SimClient thread: runs until the stop is requested or the link ends.
    virtual void runClient(std::stop_token stop) = 0;
    /// gf_initSimQueues for the simulator's major version.
    virtual void initSimQueues(std::int32_t majorVersion) = 0;
    /// gSimLink.gSimRunning: the simulator runs a flight.
    virtual bool simRunning() = 0;
    /// gSimLink.gSimError: the link is in error.
    virtual bool simError() = 0;
    /// Asks for the user aircraft's ground state every second; false when the request failed.
    virtual bool requestUserDataEverySecond() = 0;
    /// gf_simRequestError: a request to the simulator failed.
    virtual void simRequestError() = 0;
    /// Asks the simulator for the user aircraft's position (the answer goes into the user data).
    virtual void requestUserAcPosition() = 0;
    /// gf_requestUserAcTitleModel.
    virtual void requestUserAcTitleModel() = 0;
    /// The user aircraft as the link last reported it; all zero while nothing came.
    virtual UserAcData userAircraft() = 0;
    /// gSimLink.gSimUtcSeconds; none when there is no simulator time to send.
    virtual std::optional<std::int64_t> simUtcSeconds() = 0;
    /// gf_createFlightPlanFolder.
    virtual void createFlightPlanFolder() = 0;
    /// gf_removeFlightPlanFolder.
    virtual void removeFlightPlanFolder() = 0;
    /// Sets the link's flags, handle, version, queues, buffers and user data back for a new cycle.
    virtual void resetForCycle() = 0;
};

/// No simulator: nothing runs, no user aircraft, no request fails.
class NoCycleSimulator : public CycleSimulatorPort
{
  public:
    void runClient(std::stop_token) override {}
    void initSimQueues(std::int32_t) override {}
    bool simRunning() override { return false; }
    bool simError() override { return false; }
    bool requestUserDataEverySecond() override { return true; }
    void simRequestError() override {}
    void requestUserAcPosition() override {}
    void requestUserAcTitleModel() override {}
    UserAcData userAircraft() override { return {}; }
    std::optional<std::int64_t> simUtcSeconds() override { return std::nullopt; }
    void createFlightPlanFolder() override {}
    void removeFlightPlanFolder() override {}
    void resetForCycle() override {}
};

/// What the cycle and its main loop ask of the main window.
class CycleWindowPort
{
  public:
    virtual ~CycleWindowPort() = default;
    /// Repaints the whole window.
    virtual void repaint() = 0;
    /// gf_showError: shows the error line (and logs it).
    virtual void showError(const std::string& text) = 0;
    /// Empties the error and message lines.
    virtual void clearMessageAndError() = 0;
    /// Shows the check mark of the box's value.
    virtual void showCheck(const CheckBoxParameter& box) = 0;
    /// Enables or disables a control.
    virtual void enableControl(const ControlBinding& control, bool enable) = 0;
    /// gf_clearControlText.
    virtual void clearControlText(const ControlBinding& control) = 0;
    /// gf_setStringBoxText.
    virtual void showString(const StringEditParameter& setting) = 0;
    /// ComboParameter::fillCombo of each combo box.
    virtual void fillCombos() = 0;
    /// Shows the numbers of airport files in my_ORBX and my_thirdparty.
    virtual void setAirportFileCounts(std::int64_t orbx, std::int64_t thirdparty) = 0;
    /// Keeps the window on top of the others, or not.
    virtual void setTopmost(bool topmost) = 0;
    /// gf_newDestination.
    virtual void newDestination(const std::string& code, double latDeg, double lonDeg) = 0;
    /// gf_autoRangeStep.
    virtual void autoRangeStep() = 0;
    /// Shows whether the simulator is connected.
    virtual void setSimConnected(bool connected) = 0;
    /// Shows whether the program waits for the traffic source.
    virtual void setWaitingForSource(bool waiting) = 0;
    /// Keeps RANGE for when AUTO_RANGE is switched off.
    virtual void saveManualRange() = 0;
    /// gf_setRange.
    virtual void setRange(std::int32_t rangeNm) = 0;
    /// The main window exists.
    virtual bool windowExists() = 0;
    /// WM_APP+1: asks the window for a new cycle worker.
    virtual void postStartCycle() = 0;
    /// WM_APP+2: asks the window to save its position and quit.
    virtual void postQuit() = 0;
    /// Sets the window's texts, counters and status marks back for a new cycle.
    virtual void resetForCycle() = 0;
};

/// No window: nothing is shown, an error only goes to the log.
class NoCycleWindow : public CycleWindowPort
{
  public:
    void repaint() override {}
    void showError(const std::string& text) override;
    void clearMessageAndError() override {}
    void showCheck(const CheckBoxParameter&) override {}
    void enableControl(const ControlBinding&, bool) override {}
    void clearControlText(const ControlBinding&) override {}
    void showString(const StringEditParameter&) override {}
    void fillCombos() override {}
    void setAirportFileCounts(std::int64_t, std::int64_t) override {}
    void setTopmost(bool) override {}
    void newDestination(const std::string&, double, double) override {}
    void autoRangeStep() override {}
    void setSimConnected(bool) override {}
    void setWaitingForSource(bool) override {}
    void saveManualRange() override {}
    void setRange(std::int32_t) override {}
    bool windowExists() override { return false; }
    void postStartCycle() override {}
    void postQuit() override {}
    void resetForCycle() override {}
};

/// What the cycle asks of the live engine around it: the main loop and the aircraft containers.
class CycleEnginePort
{
  public:
    virtual ~CycleEnginePort() = default;
    /// gf_mainLoop: runs until the cycle ends.
    virtual void mainLoop() = 0;
    /// Reserves the engine's share of the cycle's containers.
    virtual void reserveContainers() = 0;
    /// Empties ghostCallsigns.
    virtual void clearGhostCallsigns() = 0;
    /// Empties the engine's share of the cycle's data.
    virtual void clearCycleData() = 0;
    /// Sets the paused flag, the renewal flags and the seconds counter back for a new cycle.
    virtual void resetForCycle() = 0;
};

/// No engine: the main loop only waits for the cycle's end, everything else is skipped.
class NoCycleEngine : public CycleEnginePort
{
  public:
    void mainLoop() override;
    void reserveContainers() override {}
    void clearGhostCallsigns() override {}
    void clearCycleData() override {}
    void resetForCycle() override {}
};

/// The version check and the worker's clock.
class CycleServicePort
{
  public:
    virtual ~CycleServicePort() = default;
    /// gf_checkVersions.
    virtual void checkVersions() = 0;
    /// Pauses the worker (steady clock).
    virtual void sleep(std::chrono::milliseconds pause) = 0;
};

/// No version check; the worker sleeps on the steady clock.
class NoCycleServices : public CycleServicePort
{
  public:
    void checkVersions() override {}
    void sleep(std::chrono::milliseconds pause) override { std::this_thread::sleep_for(pause); }
};

/// All of the cycle worker's neighbours, and the ports of its UDP readers.
struct CyclePorts
{
    gsl::not_null<CycleLiveryPort*> liveries;  ///< aircraft data and liveries
    gsl::not_null<CycleAirportPort*> airports; ///< airports and static parking
    gsl::not_null<CycleSimulatorPort*> sim;    ///< simulator link
    gsl::not_null<CycleWindowPort*> window;    ///< main window
    gsl::not_null<CycleEnginePort*> engine;    ///< live engine
    gsl::not_null<CycleServicePort*> services; ///< version check, clock
    std::uint16_t trafficPort = 49005;         ///< UDP port of the Traffic Reader
    std::uint16_t qnhPort = 49004;             ///< UDP port of the QNH Reader
};

/// Every neighbour absent (the do-nothing implementations), the readers on their usual ports.
CyclePorts gf_noCyclePorts();

// Each neighbour is installed before the first cycle starts (not while one runs); not owned, it must
// outlive its installation; null restores the do-nothing one.
/// Installs the aircraft data and liveries.
void gf_installCycleLiveryPort(CycleLiveryPort* port);
/// Installs the airports and static parking.
void gf_installCycleAirportPort(CycleAirportPort* port);
/// Installs the simulator link.
void gf_installCycleSimulatorPort(CycleSimulatorPort* port);
/// Installs the main window.
void gf_installCycleWindowPort(CycleWindowPort* port);
/// Installs the live engine.
void gf_installCycleEnginePort(CycleEnginePort* port);
/// Installs the version check and clock.
void gf_installCycleServicePort(CycleServicePort* port);
/// Sets the UDP ports of the Traffic Reader and the QNH Reader (before a cycle starts).
void gf_setReaderPorts(std::uint16_t trafficPort, std::uint16_t qnhPort);
/// The installed neighbours.
const CyclePorts& gf_cyclePorts();

} // namespace oxl
