// What the cycle worker needs of its neighbours: the aircraft data and liveries, the airports, the
// simulator link, the main window and the live engine. The program installs the services that exist;
// tests install doubles. A hook left empty is a service that is not there: it is skipped, and a
// question to it gets the neutral answer (no simulator running, no position, no window).
#pragma once

#include "foundation/control_binding.h"
#include "foundation/parameters.h"
#include "traffic/source_link.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

namespace oxl
{

/// A position of the user aircraft [deg].
struct UserPosition
{
    double latDeg = 0.0; ///< [deg]
    double lonDeg = 0.0; ///< [deg]
};

/// Aircraft data and liveries.
struct CycleLiveryHooks
{
    std::function<bool()> readDbase;             ///< gf_readDbase: the database, once per process
    std::function<void()> scanLiveries;          ///< gf_scanLiveries: scan or read the last scan
    std::function<void()> reserveLiveryIndexes;  ///< gf_reserveLiveryIndexes
    std::function<void()> logLiveryMatchSummary; ///< gf_logLiveryMatchSummary
    std::function<void()> logNoMatchList;        ///< gf_logNoMatchList
    std::function<void()> clearPendingTitles;    ///< empties the pending-title map
    std::function<void()> resetForCycle;         ///< the livery code's per-cycle values
};

/// Airports and static parking (the airport list and the parking state are called directly).
struct CycleAirportHooks
{
    std::function<void()> scanAirports;       ///< gf_scanAirports
    std::function<bool()> readMyParkAirports; ///< lf_readMyParkAirports
    std::function<void()> leaveParkAirport;   ///< gf_leaveParkAirport
};

/// The simulator link.
struct CycleSimulatorHooks
{
    std::function<void(std::stop_token)> clientThread;  ///< body of the SimClient thread
    std::function<void(std::int32_t)> initSimQueues;    ///< gf_initSimQueues for a major version
    std::function<bool()> simRunning;                   ///< gSimRunning
    std::function<bool()> simError;                     ///< gSimError
    std::function<bool()> userDataValid;                ///< gUserDataValid
    std::function<bool()> requestUserDataEverySecond;   ///< request 108 under simMutex; false on failure
    std::function<void()> simRequestError;              ///< gf_simRequestError
    std::function<UserPosition()> requestUserAcPosition; ///< asks, copies into the user data, returns it
    std::function<UserPosition()> userPosition;          ///< the user-aircraft data's position
    std::function<void()> requestUserAcTitleModel;       ///< gf_requestUserAcTitleModel
    std::function<SourceUserState()> userState;          ///< what the Qs121 line carries
    std::function<std::int64_t()> simUtcSeconds;         ///< gSimUtcSeconds
    std::function<void()> createFlightPlanFolder;        ///< gf_createFlightPlanFolder
    std::function<void()> removeFlightPlanFolder;        ///< gf_removeFlightPlanFolder
    std::function<void()> resetForCycle; ///< flags, handle, version, queues, buffers, user data
};

/// The main window.
struct CycleWindowHooks
{
    std::function<void()> repaint;                                 ///< the whole window
    std::function<void(const std::string&)> showError;             ///< gf_showError
    std::function<void()> clearMessageAndError;                    ///< empties the error and message lines
    std::function<void(const CheckBoxParameter&)> showCheck;       ///< the check mark from the value
    std::function<void(const ControlBinding&, bool)> enableControl; ///< enables or disables a control
    std::function<void(const ControlBinding&)> clearControlText;    ///< lf_clearControlText
    std::function<void(const StringEditParameter&)> showString;     ///< gf_setStringBoxText
    std::function<void()> fillCombos;                               ///< ComboParameter::fillCombo of each
    std::function<void(std::int64_t, std::int64_t)> setAirportFileCounts; ///< my_ORBX, my_thirdparty
    std::function<void(bool)> setTopmost;                                 ///< HWND_TOPMOST or not
    std::function<void(const std::string&, double, double)> newDestination; ///< lf_newDestination
    std::function<void()> autoRangeStep;                                   ///< gf_autoRangeStep
    std::function<void(bool)> setSimConnected;      ///< the sim-connected flag
    std::function<void(bool)> setWaitingForSource;  ///< the waiting-for-source flag
    std::function<void()> saveManualRange;          ///< keeps RANGE for when AUTO_RANGE is switched off
    std::function<std::uint32_t(std::int32_t)> setRange; ///< gf_setRange
    std::function<bool()> windowExists;             ///< the main window exists
    std::function<void()> postStartCycle;           ///< WM_APP+1: a new cycle worker
    std::function<void()> postQuit;                 ///< WM_APP+2: save the position, quit
    std::function<void()> resetForCycle;            ///< the window's texts, counters and status marks
};

/// The live engine around the cycle: the main loop and the aircraft containers.
struct CycleEngineHooks
{
    std::function<void()> mainLoop;            ///< lf_mainLoop: runs until the cycle ends
    std::function<void()> reserveContainers;   ///< the engine's share of lf_reserveCycleContainers
    std::function<void()> clearGhostCallsigns; ///< empties ghostCallsigns
    std::function<void()> removeLiveAircraft;  ///< takes every live aircraft out of the simulator
    std::function<void()> clearCycleData;      ///< the engine's share of lf_clearCycleData
    std::function<void()> resetForCycle;       ///< paused flag, renewal flags, seconds counter
};

/// Everything else the cycle worker calls that tests replace.
struct CycleServiceHooks
{
    std::function<void()> checkVersions;                  ///< gf_checkVersions
    std::function<void(std::chrono::milliseconds)> sleep; ///< a pause of the worker (steady clock)
    std::uint16_t trafficPort = 49005;                    ///< UDP port of the Traffic Reader
    std::uint16_t qnhPort = 49004;                        ///< UDP port of the QNH Reader
};

/// All of the cycle worker's neighbours.
struct CycleHooks
{
    CycleLiveryHooks liveries;   ///< subsystem 4
    CycleAirportHooks airports;  ///< subsystem 5
    CycleSimulatorHooks sim;     ///< subsystem 3
    CycleWindowHooks window;     ///< subsystem 6
    CycleEngineHooks engine;     ///< the rest of subsystem 2
    CycleServiceHooks services;  ///< version check, clock, ports
};

/// Installs the neighbours (before the first cycle starts; not while one runs).
void gf_installCycleHooks(CycleHooks hooks);
/// The installed neighbours.
const CycleHooks& gf_cycleHooks();

} // namespace oxl
