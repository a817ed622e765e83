// A program folder, a settings folder and recording doubles of every neighbour of the cycle worker,
// so that whole cycles run in the test process.
#pragma once

#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/run_state.h"
#include "foundation/units.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/cycle/cycle_worker.h"

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
        gCycle.gSkipVersionCheck.store(0);
        gf_forgetOncePerProcess();
        gf_installMessageLinePort(&messageLine_);
        installPorts();
    }

    ~CycleTest() override
    {
        gf_installCycleLiveryPort(nullptr);
        gf_installCycleAirportPort(nullptr);
        gf_installCycleSimulatorPort(nullptr);
        gf_installCycleWindowPort(nullptr);
        gf_installCycleEnginePort(nullptr);
        gf_installCycleServicePort(nullptr);
        gf_setReaderPorts(gf_noCyclePorts().trafficPort, gf_noCyclePorts().qnhPort);
        gf_installMessageLinePort(nullptr);
        gf_clearStop();
        gCycle.gSkipVersionCheck.store(0);
        gf_resetForRestart();
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

    /// What every recording double shares: the fixture, whose call log it writes.
    struct Recorder
    {
        explicit Recorder(CycleTest& test) : t(test) {}
        /// Logs the call, then runs the test's hook for that moment when one is set.
        void record(std::string call, const std::function<void()>& during = {}) const
        {
            calls.add(std::move(call));
            if (during)
                during();
        }
        CycleTest& t;
        CallLog& calls{t.calls}; ///< the fixture's log, open to tests that derive a double
    };

    /// The aircraft data and liveries, recording.
    struct Liveries : NoCycleLiveries, Recorder
    {
        using Recorder::Recorder;
        void readDbase() override { record("readDbase"); }
        void scanLiveries() override { record("scanLiveries", t.duringLiveryScan); }
        void reserveLiveryIndexes() override { record("reserveLiveryIndexes"); }
        void logLiveryMatchSummary() override { record("logLiveryMatchSummary"); }
        void logNoMatchList() override { record("logNoMatchList"); }
        void clearPendingTitles() override { record("clearPendingTitles"); }
        void resetForCycle() override { record("liveries.reset"); }
    };

    /// The airports, recording.
    struct Airports : NoCycleAirports, Recorder
    {
        using Recorder::Recorder;
        void scanAirports() override { record("scanAirports", t.duringAirportScan); }
        void readMyParkAirports() override { record("readMyParkAirports"); }
        void leaveParkAirport() override { record("leaveParkAirport"); }
    };

    /// A simulator that runs while `simRunning` says so, with the user aircraft at Heathrow.
    struct Simulator : NoCycleSimulator, Recorder
    {
        using Recorder::Recorder;
        void runClient(std::stop_token stop) override
        {
            record("simClient.start");
            while (!stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            record("simClient.end");
        }
        void initSimQueues(std::int32_t version) override
        {
            record("initSimQueues:" + std::to_string(version));
        }
        bool simRunning() override { return t.simRunning.load(); }
        bool requestUserDataEverySecond() override
        {
            record("request108");
            return true;
        }
        void simRequestError() override { record("simRequestError"); }
        void requestUserAcPosition() override { record("requestUserAcPosition"); }
        UserAcData userAircraft() override
        {
            return UserAcData{.lat = 51.47, .lon = -0.45, .dataValid = true};
        }
        void requestUserAcTitleModel() override { record("requestUserAcTitleModel"); }
        void createFlightPlanFolder() override { record("createFlightPlanFolder"); }
        void removeFlightPlanFolder() override { record("removeFlightPlanFolder"); }
        void resetForCycle() override { record("sim.reset"); }
    };

    /// The main window, recording.
    struct Window : NoCycleWindow, Recorder
    {
        using Recorder::Recorder;
        void showError(const std::string& text) override
        {
            record("error:" + text);
            gf_logIfRunning("Error " + text);
        }
        void clearMessageAndError() override { record("clearMessageAndError"); }
        void setTopmost(bool on) override { record(on ? "topmost" : "notTopmost"); }
        bool windowExists() override { return true; }
        void postStartCycle() override { record("WM_APP+1"); }
        void postQuit() override { record("WM_APP+2"); }
        void resetForCycle() override { record("window.reset"); }
        void setRange(std::int32_t nm) override { record("setRange:" + std::to_string(nm)); }
        void setWaitingForSource(bool on) override { record(on ? "starting" : "started"); }
    };

    /// A main loop that waits for the stop, recording.
    struct Engine : NoCycleEngine, Recorder
    {
        using Recorder::Recorder;
        void mainLoop() override
        {
            record("mainLoop", t.duringMainLoop);
            while (!gf_stopSeen())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        void reserveContainers() override { record("engine.reserve"); }
        void clearGhostCallsigns() override { record("clearGhostCallsigns"); }
        void clearCycleData() override { record("engine.clear"); }
        void resetForCycle() override { record("engine.reset"); }
    };

    /// A version check and a clock that record, and a worker that hardly sleeps.
    struct Services : NoCycleServices, Recorder
    {
        using Recorder::Recorder;
        void checkVersions() override { record("checkVersions"); }
        void sleep(std::chrono::milliseconds pause) override
        {
            record("sleep:" + std::to_string(pause.count()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };

    /// The message line: records each text and logs it when asked, as the window does.
    struct MessageLine final : MessageLinePort
    {
        explicit MessageLine(CycleTest& test) : t(test) {}
        void show(const std::string& text, bool logIt) override
        {
            t.calls.add("message:" + text);
            if (logIt)
                gf_logIfRunning(text);
        }
        CycleTest& t;
    };

    /// The recording doubles, on free ports so that tests never need the program's fixed ones.
    void installPorts()
    {
        gf_installCycleLiveryPort(&liveries_);
        gf_installCycleAirportPort(&airports_);
        gf_installCycleSimulatorPort(&sim_);
        gf_installCycleWindowPort(&window_);
        gf_installCycleEnginePort(&engine_);
        gf_installCycleServicePort(&services_);
        gf_setReaderPorts(0, 0);
    }

    /// Runs one cycle on its own thread, as the window does on WM_APP+1.
    std::thread startCycle()
    {
        return std::thread([] { gf_cycleThread(); });
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
    Liveries liveries_{*this};
    Airports airports_{*this};
    Simulator sim_{*this};
    Window window_{*this};
    Engine engine_{*this};
    Services services_{*this};
    MessageLine messageLine_{*this};
};

} // namespace oxl::test
