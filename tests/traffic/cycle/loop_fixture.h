// The main loop on a fake steady clock: the engine of the live harness, an adding stack and loop values
// of the test's own, recording doubles of the simulator, the traffic source and the park-airport
// services, and every setting at its default.
#pragma once

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/periodic_requests.h"
#include "foundation/run_state.h"
#include "platform/clock.h"
#include "tests/support/live_harness.h"
#include "tests/support/settings_fixture.h"
#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/main_loop.h"
#include "traffic/engine/live_lifecycle.h"
#include "window/window_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oxl::test
{

class MainLoopFixture : public ::testing::Test
{
  protected:
    using Clock = std::chrono::steady_clock;

    static void SetUpTestSuite() { ASSERT_TRUE(loadProgramDatabase(OXL_BIN_DIR)); }

    void SetUp() override
    {
        resetSettingsToDefaults();
        gf_clearStop();
        gf_clearPeriodicRequests();
        gWindow.gMainWindow.resetForCycle();
        harness = std::make_unique<LiveHarness>();
        harness->parking().removeThroughEngine = true;

        gf_installCycleSimulatorPort(&sim_);
        gf_installCycleWindowPort(&window_);
        gf_installCycleLiveryPort(&liveries_);
        gf_installMainLoopPort(&loopPort_);
        gf_installPeriodicPort(&parkingWork_);
    }

    void TearDown() override
    {
        gf_installCycleSimulatorPort(nullptr);
        gf_installCycleWindowPort(nullptr);
        gf_installCycleLiveryPort(nullptr);
        gf_installMainLoopPort(nullptr);
        gf_installPeriodicPort(nullptr);
        gf_clearStop();
        gf_clearPeriodicRequests();
        harness.reset();
        gAirports.gParking.reset();
        resetSettingsToDefaults();
    }

    static std::string at(const std::string& what, std::int32_t second)
    {
        return what + " " + std::to_string(second);
    }

    LiveEngine& engine() { return harness->engine(); }
    LoopContext loop() { return LoopContext{engine(), adding, values}; }

    /// Runs passes that each find the simulator's second, until the seconds counter reaches `second`.
    void runSecondsUntil(std::int32_t second)
    {
        LoopContext context = loop();
        while (values.seconds < second)
        {
            secondTick.store(1);
            ASSERT_TRUE(gf_mainLoopStep(context));
        }
    }

    /// The recorded calls whose text starts with `what`.
    std::vector<std::string> callsOf(const std::string& what) const
    {
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (call.rfind(what, 0) == 0)
                found.push_back(call);
        return found;
    }

    /// An active live aircraft at the position.
    LiveAc& addLive(std::uint32_t hexid, const std::string& callsign, double lat, double lon, bool onGround)
    {
        LiveAc ac;
        ac.hexid = hexid;
        ac.callsign = callsign;
        ac.type = "A320";
        ac.simState = SimState::active;
        ac.objectId = hexid & 0xFFFF;
        ac.lat = lat;
        ac.lon = lon;
        ac.onGround = onGround ? 1 : 0;
        // A report far ahead keeps the aircraft flying its stream while the test runs.
        Report report;
        report.lat = lat;
        report.lon = lon;
        report.airborne = onGround ? 0 : 1;
        report.dueTick = 1 << 30;
        ac.stream.push_back(report);
        engine().live.push_back(ac);
        return engine().live.back();
    }

    /// An active static aircraft at its stand.
    SimAc& addStatic(std::uint32_t hexid, const std::string& callsign, double lat, double lon)
    {
        SimAc ac;
        ac.hexid = hexid;
        ac.callsign = callsign;
        ac.simState = SimState::active;
        ac.objectId = 500 + hexid;
        ac.standLat = lat;
        ac.standLon = lon;
        gAirports.gParking.staticAircraft.push_back(ac);
        return gAirports.gParking.staticAircraft.back();
    }

    SettingsFolder settings;
    std::unique_ptr<LiveHarness> harness;
    AddingStack adding;
    LoopValues values;
    std::atomic<std::uint8_t> secondTick{0};
    Clock::time_point now{};
    bool running = true;
    bool simError = false;
    ScResult inRangeResult = kScOk;
    std::function<void(int)> onPass; ///< runs at the start of pass n (1 = first), may move the clock
    std::vector<Clock::duration> passStarts;
    std::vector<std::chrono::milliseconds> sleeps;
    std::vector<std::int32_t> inRangeTicks;
    std::uint32_t inRangeRadiusM = 0;
    std::vector<std::int32_t> userStateTicks;
    std::vector<std::int32_t> userPositionTicks;
    std::vector<std::string> calls;
    std::string checkText;
    int simRequestErrors = 0;
    int simTimeReads = 0;

  private:
    // The simulator on the fixture's flags, recording when the loop asks it.
    struct Simulator : NoCycleSimulator
    {
        explicit Simulator(MainLoopFixture& fixture) : f(fixture) {}
        bool simRunning() override
        {
            f.passStarts.push_back(f.now - Clock::time_point{});
            if (f.onPass)
                f.onPass(static_cast<int>(f.passStarts.size()));
            return f.running;
        }
        bool simError() override { return f.simError; }
        UserAcData userAircraft() override
        {
            f.userStateTicks.push_back(f.harness->tick());
            return {};
        }
        void requestUserAcPosition() override { f.userPositionTicks.push_back(f.harness->tick()); }
        void simRequestError() override { ++f.simRequestErrors; }
        std::optional<std::int64_t> simUtcSeconds() override
        {
            ++f.simTimeReads;
            return std::int64_t{1'796'573'998};
        }
        MainLoopFixture& f;
    };
    // The window, recording the automatic range steps and the check marks shown.
    struct Window : NoCycleWindow
    {
        explicit Window(MainLoopFixture& fixture) : f(fixture) {}
        void autoRangeStep() override { f.calls.push_back(at("autoRange", f.values.seconds)); }
        void showCheck(const CheckBoxParameter& box) override { f.calls.push_back("showCheck " + box.name); }
        MainLoopFixture& f;
    };
    // The liveries, recording the summaries and the emptied pending titles.
    struct Liveries : NoCycleLiveries
    {
        explicit Liveries(MainLoopFixture& fixture) : f(fixture) {}
        void logNoMatchList() override { f.calls.push_back(at("noMatchList", f.values.seconds)); }
        void logLiveryMatchSummary() override { f.calls.push_back(at("matchSummary", f.values.seconds)); }
        void clearPendingTitles() override { f.calls.push_back(at("clearPendingTitles", f.values.seconds)); }
        MainLoopFixture& f;
    };
    // The park airport and static parking, recording; the stand check shows `checkText` when it is set.
    struct ParkingWork : PeriodicPort
    {
        explicit ParkingWork(MainLoopFixture& fixture) : f(fixture) {}
        void updateParkAirport(bool first) override
        {
            f.calls.push_back(at(first ? "parkAirport true" : "parkAirport", f.values.seconds));
        }
        bool checkParkAirports(std::string& text) override
        {
            f.calls.push_back("checkParkAirports");
            text = f.checkText;
            return !f.checkText.empty();
        }
        void adjustParking() override { f.calls.push_back(at("adjustParking", f.values.seconds)); }
        void removeQueuedStatic() override { f.calls.push_back("removeQueuedStatic"); }
        void disableParkingControls() override { f.calls.push_back(at("disableParking", f.values.seconds)); }
        void updateReaderStatus() override { f.calls.push_back(at("readerStatus", f.values.seconds)); }
        MainLoopFixture& f;
    };
    // The fake clock, whose sleeps move it on, and the in-range request recorded with the fixture's result.
    struct LoopPort : MainLoopPort
    {
        explicit LoopPort(MainLoopFixture& fixture) : f(fixture) {}
        Clock::time_point now() override { return f.now; }
        void sleep(std::chrono::milliseconds d) override
        {
            f.sleeps.push_back(d);
            f.now += d;
        }
        std::atomic<std::uint8_t>& secondTick() override { return f.secondTick; }
        ScResult requestAcInRange(std::uint32_t radiusM) override
        {
            f.inRangeTicks.push_back(f.harness->tick());
            f.inRangeRadiusM = radiusM;
            return f.inRangeResult;
        }
        MainLoopFixture& f;
    };
    Simulator sim_{*this};
    Window window_{*this};
    Liveries liveries_{*this};
    ParkingWork parkingWork_{*this};
    LoopPort loopPort_{*this};
};

} // namespace oxl::test
