// A program folder, a settings folder and recording doubles of every neighbour of the cycle worker,
// so that whole cycles run in the test process.
#pragma once

#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/run_state.h"
#include "foundation/units.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"
#include "traffic/cycle_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oxl::test
{

/// Records what the cycle worker asked of its neighbours, in order.
class CallLog
{
  public:
    /// Appends one call.
    void add(std::string call)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    /// A copy of every call so far.
    std::vector<std::string> calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    /// Number of calls equal to the text.
    long count(const std::string& call) const
    {
        const auto all = calls();
        return std::count(all.begin(), all.end(), call);
    }
    /// True when the call was made.
    bool has(const std::string& call) const { return count(call) > 0; }
    /// Position of the first such call, -1 when none.
    long indexOf(const std::string& call) const
    {
        const auto all = calls();
        const auto found = std::find(all.begin(), all.end(), call);
        return found == all.end() ? -1 : static_cast<long>(found - all.begin());
    }
    /// Position of the first such call after position `from`, -1 when none.
    long indexAfter(const std::string& call, long from) const
    {
        const auto all = calls();
        for (long i = from + 1; i < static_cast<long>(all.size()); ++i)
            if (all[static_cast<std::size_t>(i)] == call)
                return i;
        return -1;
    }
    /// Forgets every call.
    void clear()
    {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

/// A whole cycle in the test process: program folder with "docs", AppData with parameters.xml, the
/// log captured, and doubles for the simulator, the window, the liveries, airports and main loop.
class CycleTest : public ::testing::Test
{
  protected:
    CycleTest() : cwd_(program_.path())
    {
        std::filesystem::create_directories(program_ / "docs");
        writeBytes(program_ / "input" / "airports_p3d.xml",
                   "<airports>\n<airport code=\"EGLL\" lat=\"51.4775\" lon=\"-0.461389\" alt=\"83\"/>\n"
                   "</airports>\n");
        writeBytes(program_ / "output" / "LiveriesScanned.xml", "<liveries/>\n");
        std::filesystem::create_directories(program_ / "P3Dv5" / "Scenery");
        writeParameters({});
        gf_clearStop();
        gSkipVersionCheck.store(0);
        gf_forgetOncePerProcess();
        gf_setShowMessageHook([this](const std::string& text, bool logIt) {
            calls.add("message:" + text);
            if (logIt)
                gf_logIfRunning(text);
        });
        gf_installCycleHooks(makeHooks());
    }

    ~CycleTest() override
    {
        gf_installCycleHooks({});
        gf_setShowMessageHook({});
        gf_clearStop();
        gSkipVersionCheck.store(0);
        lf_resetForRestart();
        gf_clearStop();
    }

    /// parameters.xml with the settings every test needs, some replaced or added by `changes`.
    void writeParameters(const std::map<std::string, std::string>& changes) const
    {
        std::map<std::string, std::string> values{{"PROGRAM_VERSION", "11.0.4"},
                                                  {"SCAN_LIVERIES", "false"},
                                                  {"SCAN_AIRPORTS", "false"},
                                                  {"SIM_INSTALL_PATH", (program_ / "P3Dv5").string()}};
        for (const auto& [key, value] : changes)
            values[key] = value;
        std::string text = "<?xml version=\"1.0\"?>\n<parameters>\n";
        for (const auto& [key, value] : values)
            text += "<parameter name=\"" + key + "\" value=\"" + value + "\"/>\n";
        settings_.writeParameters(text + "</parameters>\n");
    }

    /// The neighbours as recording doubles.
    CycleHooks makeHooks()
    {
        CycleHooks hooks;
        auto note = [this](std::string name) { return [this, name] { calls.add(name); }; };
        hooks.liveries.readDbase = [this] {
            calls.add("readDbase");
            return true;
        };
        hooks.liveries.scanLiveries = [this] {
            calls.add("scanLiveries");
            if (duringLiveryScan)
                duringLiveryScan();
        };
        hooks.liveries.reserveLiveryIndexes = note("reserveLiveryIndexes");
        hooks.liveries.logLiveryMatchSummary = note("logLiveryMatchSummary");
        hooks.liveries.logNoMatchList = note("logNoMatchList");
        hooks.liveries.clearPendingTitles = note("clearPendingTitles");
        hooks.liveries.resetForCycle = note("liveries.reset");
        hooks.airports.scanAirports = [this] {
            calls.add("scanAirports");
            if (duringAirportScan)
                duringAirportScan();
        };
        hooks.airports.readMyParkAirports = [this] {
            calls.add("readMyParkAirports");
            return true;
        };
        hooks.airports.leaveParkAirport = note("leaveParkAirport");
        hooks.sim.clientThread = [this](std::stop_token stop) {
            calls.add("simClient.start");
            while (!stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            calls.add("simClient.end");
        };
        hooks.sim.initSimQueues = [this](std::int32_t version) { calls.add("initSimQueues:" + std::to_string(version)); };
        hooks.sim.simRunning = [this] { return simRunning.load(); };
        hooks.sim.simError = [] { return false; };
        hooks.sim.userDataValid = [] { return true; };
        hooks.sim.requestUserDataEverySecond = [this] {
            calls.add("request108");
            return true;
        };
        hooks.sim.simRequestError = note("simRequestError");
        hooks.sim.requestUserAcPosition = [this] {
            calls.add("requestUserAcPosition");
            return UserPosition{51.47, -0.45};
        };
        hooks.sim.userPosition = [] { return UserPosition{51.47, -0.45}; };
        hooks.sim.requestUserAcTitleModel = note("requestUserAcTitleModel");
        hooks.sim.createFlightPlanFolder = note("createFlightPlanFolder");
        hooks.sim.removeFlightPlanFolder = note("removeFlightPlanFolder");
        hooks.sim.resetForCycle = note("sim.reset");
        hooks.window.showError = [this](const std::string& text) {
            calls.add("error:" + text);
            gf_logIfRunning("Error " + text);
        };
        hooks.window.clearMessageAndError = note("clearMessageAndError");
        hooks.window.setTopmost = [this](bool on) { calls.add(on ? "topmost" : "notTopmost"); };
        hooks.window.windowExists = [] { return true; };
        hooks.window.postStartCycle = note("WM_APP+1");
        hooks.window.postQuit = note("WM_APP+2");
        hooks.window.resetForCycle = note("window.reset");
        hooks.window.setRange = [this](std::int32_t nm) {
            calls.add("setRange:" + std::to_string(nm));
            return wholeNmToMetres(static_cast<std::uint32_t>(nm));
        };
        hooks.engine.mainLoop = [this] {
            calls.add("mainLoop");
            if (duringMainLoop)
                duringMainLoop();
            while (!gf_stopSeen())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        hooks.engine.reserveContainers = note("engine.reserve");
        hooks.engine.clearGhostCallsigns = note("clearGhostCallsigns");
        hooks.engine.clearCycleData = note("engine.clear");
        hooks.engine.resetForCycle = note("engine.reset");
        hooks.services.checkVersions = note("checkVersions");
        hooks.services.sleep = [this](std::chrono::milliseconds pause) {
            calls.add("sleep:" + std::to_string(pause.count()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        // Free ports, so that tests never need the program's fixed ones.
        hooks.services.trafficPort = 0;
        hooks.services.qnhPort = 0;
        return hooks;
    }

    /// Runs one cycle on its own thread, as the window does on WM_APP+1.
    std::thread startCycle()
    {
        return std::thread([] { lf_cycleThread(); });
    }

    /// Waits (bounded) until the condition holds.
    static bool eventually(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 5000; ++i)
        {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return condition();
    }

    TempFolder program_;
    ScopedCurrentPath cwd_;
    SettingsFolder settings_;
    CallLog calls;
    std::atomic<bool> simRunning{true};
    std::function<void()> duringLiveryScan;
    std::function<void()> duringAirportScan;
    std::function<void()> duringMainLoop;
};

} // namespace oxl::test
