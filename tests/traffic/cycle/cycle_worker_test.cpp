// Whole cycles in the test process, with doubles for the simulator, the window, the readers'
// neighbours and the main loop: every exit reason, the restart and the reset between cycles.
#include "tests/traffic/cycle/cycle_fixture.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/disk_refusal.h"
#include "foundation/errors.h"
#include "foundation/system_lookups.h"
#include "platform/net_udp.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/source/adding_stack.h"
#include "traffic/source/source_state.h"
#include "traffic/source/udp_readers.h"

#include <cerrno>
#include <filesystem>
#include <stdexcept>

namespace oxl::test
{
namespace
{

struct ReasonCase
{
    const char* name;
    std::function<void()> endCycle; // run inside the main loop
    const char* exitLine;
    bool restarts;
    const char* scanSetting; // SCAN_LIVERIES in parameters.xml afterwards
};

void PrintTo(const ReasonCase& row, std::ostream* out)
{
    *out << row.name;
}

class ExitReasonTest : public CycleTest, public ::testing::WithParamInterface<ReasonCase>
{
};

TEST_P(ExitReasonTest, ClosesDownAndRestartsOrQuits)
{
    const ReasonCase& row = GetParam();
    writeParameters({{"SCAN_LIVERIES", "true"}});
    duringMainLoop = row.endCycle;
    std::thread worker = startCycle();
    worker.join();

    EXPECT_TRUE(settings_.logged(row.exitLine));
    EXPECT_EQ(calls.has("WM_APP+1"), row.restarts);
    EXPECT_EQ(calls.has("WM_APP+2"), !row.restarts);
    EXPECT_EQ(gCycle.gSkipVersionCheck.load(), row.restarts ? 1 : 0);
    EXPECT_EQ(settings_.valueOf("SCAN_LIVERIES"), row.scanSetting);
    EXPECT_EQ(calls.has("window.reset"), row.restarts);
    // Every thread the cycle started has ended before the window hears of it.
    EXPECT_LT(calls.indexOf("simClient.end"), calls.indexOf(row.restarts ? "WM_APP+1" : "WM_APP+2"));
}

INSTANTIATE_TEST_SUITE_P(
    EveryReason, ExitReasonTest,
    ::testing::Values(
        ReasonCase{"SimWasClosed", [] { gf_simGone(); }, "Exiting: SIM WAS CLOSED", false, "true"},
        ReasonCase{"NewFlight", [] { gf_requestStop(ExitReason::newFlight, 0); }, "Exiting: NEW FLIGHT",
                   false, "true"},
        ReasonCase{"NewSettings", [] { gf_requestStop(ExitReason::newSettings, 3); }, "Exiting: NEW SETTINGS",
                   true, "true"},
        ReasonCase{"UserClosedSim", [] { gf_requestWindowClose(); }, "Exiting: USER CLOSED SIM", false,
                   "true"},
        ReasonCase{"SimconnectError", [] { gf_requestStop(ExitReason::simconnectError, 9); },
                   "Exiting: SIMCONNECT ERROR", true, "false"},
        ReasonCase{"ReaderError", [] { gf_readerStopped("Traffic Reader", "receive error: 10054"); },
                   "Exiting: READER ERROR", true, "false"}),
    [](const ::testing::TestParamInfo<ReasonCase>& info) { return std::string(info.param.name); });

// A start-up step that the disk refused, twice: thrown by the step itself, or a save refused before another
// failure. A full disk is waited out and the cycle goes on; a read-only program folder is said plainly.
class DiskRefusalTest : public CycleTest, public ::testing::WithParamInterface<std::string>
{
};

TEST_P(DiskRefusalTest, AFullDiskIsWaitedOutAndAReadOnlyFolderSaid)
{
    const bool full = GetParam().starts_with("Full"), savedBefore = GetParam().ends_with("Failure");
    const std::error_code error(full ? ENOSPC : EROFS, std::generic_category());
    const std::string file = (program_ / "output" / "LiveriesScanned.xml").string();
    int refusals = 2;
    duringLiveryScan = [&]
    {
        if (refusals-- <= 0)
            return;
        if (!savedBefore)
            throw std::filesystem::filesystem_error("save", file, error);
        throw DiskRefusedError(DiskRefusal{file, error},
                               UserErrorException(51, "File output/LiveriesScanned.xml not found").what());
    };
    duringMainLoop = [] { gf_requestWindowClose(); };
    std::thread worker = startCycle();
    ASSERT_TRUE(eventually([this] { return calls.has("mainLoop") || calls.has("sleep:500"); }));
    gf_requestWindowClose();
    worker.join();
    const std::string shown =
        full ? "The disk is full (No space left on device): " + file +
                   " cannot be written; the start-up tries again every 10 s"
             : "The program folder cannot be written (Read-only file system: " + file +
                   "): the log, the scans and the learned airports live there and are not saved" +
                   (savedBefore ? " (51: File output/LiveriesScanned.xml not found)" : "");
    EXPECT_EQ(calls.count("error:" + shown), 1);
    EXPECT_EQ(calls.count("scanLiveries"), full ? 3 : 1);
    EXPECT_EQ(
        settings_.logged("===> The disk has room again: the start-up goes on after waiting 20 s for it (" +
                         file + " could not be written: No space left on device)"),
        full);
    EXPECT_EQ(settings_.logged("Exiting: SYSTEM ERROR"), !full);
}

INSTANTIATE_TEST_SUITE_P(StartupSteps, DiskRefusalTest,
                         ::testing::Values("FullDisk", "FullDiskBeforeAnotherFailure", "ReadOnlyFolder",
                                           "ReadOnlyBeforeAnotherFailure"),
                         [](const auto& info) { return info.param; });

TEST_F(CycleTest, NewFlightSaysSoAndPausesBeforeQuitting)
{
    duringMainLoop = [] { gf_requestStop(ExitReason::newFlight, 0); };
    startCycle().join();
    EXPECT_TRUE(settings_.logged("New flight detected, Ordalis_P3D will close, please restart manually ..."));
    EXPECT_LT(calls.indexOf("sleep:10000"), calls.indexOf("WM_APP+2"));
}

TEST_F(CycleTest, SimulatorLossLogsTheTimeAndTheProduct)
{
    duringMainLoop = [] { gf_simGone(); };
    startCycle().join();
    const auto lines = settings_.logLines();
    const std::string text = " Flight Simulator no longer connected, Ordalis_P3D will stop ...";
    // hh:mm:ss, then the text.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const std::string& line) {
                                return line.size() == 8 + text.size() && line[2] == ':' && line[5] == ':' &&
                                       line.ends_with(text);
                            }));
}

TEST_F(CycleTest, FirstReasonWins)
{
    duringMainLoop = []
    {
        gf_requestStop(ExitReason::newSettings, 3);
        gf_simGone();
        gf_readerStopped("QNH Reader", "late");
    };
    startCycle().join();
    EXPECT_TRUE(settings_.logged("Exiting: NEW SETTINGS"));
    EXPECT_EQ(calls.count("message:Restarting after 3 seconds"), 1);
    EXPECT_EQ(calls.count("message:Restarting after 1 second"), 1);
}

TEST_F(CycleTest, ReaderErrorCountsFifteenSecondsDownThenResets)
{
    plat::net::Socket holder = plat::net::openUdp();
    ASSERT_TRUE(plat::net::bindUdp(holder, "0.0.0.0", 0));
    gf_setReaderPorts(plat::net::localPort(holder), 0);

    startCycle().join();

    EXPECT_TRUE(settings_.logged("The Traffic Reader has stopped with error: bind to stream socket failed, "
                                 "error: 10048 Address already in use"));
    EXPECT_TRUE(settings_.logged("Exiting: READER ERROR"));
    EXPECT_TRUE(settings_.logged("Prepare for a restart ..."));
    EXPECT_TRUE(settings_.logged("Restarting after 15 seconds"));
    for (int i = 15; i >= 2; --i)
        EXPECT_TRUE(calls.has(fmt::format("message:Restarting after {} seconds", i))) << i;
    EXPECT_TRUE(calls.has("message:Restarting after 1 second"));
    EXPECT_EQ(settings_.valueOf("SCAN_LIVERIES"), "false");
    EXPECT_EQ(settings_.valueOf("SCAN_AIRPORTS"), "false");
    EXPECT_EQ(gf_exitReason(), ExitReason::notYetSet);
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
    EXPECT_TRUE(calls.has("WM_APP+1"));
}

TEST_F(CycleTest, RestartedCycleSkipsTheVersionCheckAndAQuitDoesNot)
{
    duringMainLoop = [] { gf_requestStop(ExitReason::newSettings, 2); };
    startCycle().join();
    EXPECT_EQ(calls.count("checkVersions"), 1);
    ASSERT_TRUE(calls.has("WM_APP+1"));

    calls.clear();
    duringMainLoop = [] { gf_requestWindowClose(); };
    startCycle().join();
    EXPECT_FALSE(calls.has("checkVersions"));
    EXPECT_TRUE(calls.has("WM_APP+2"));
    EXPECT_EQ(gCycle.gSkipVersionCheck.load(), 0);
}

TEST_F(CycleTest, DatabaseIsReadOncePerProcess)
{
    duringMainLoop = [] { gf_requestStop(ExitReason::newSettings, 1); };
    startCycle().join();
    startCycle().join();
    EXPECT_EQ(calls.count("readDbase"), 1);
    EXPECT_EQ(calls.count("engine.reserve"), 1);
    EXPECT_EQ(calls.count("scanLiveries"), 2);
}

TEST_F(CycleTest, CloseDuringTheCountdownQuitsWithoutRestart)
{
    duringMainLoop = [] { gf_requestStop(ExitReason::simconnectError, 9); };
    // The user closes the window while the countdown shows 7 seconds.
    struct ClosingServices : Services
    {
        using Services::Services;
        void sleep(std::chrono::milliseconds pause) override
        {
            calls.add("sleep:" + std::to_string(pause.count()));
            if (calls.has("message:Restarting after 7 seconds"))
                gf_requestWindowClose();
        }
    } services(*this);
    gf_installCycleServicePort(&services);
    startCycle().join();
    EXPECT_FALSE(calls.has("message:Restarting after 6 seconds"));
    EXPECT_FALSE(calls.has("window.reset"));
    EXPECT_FALSE(calls.has("WM_APP+1"));
    EXPECT_TRUE(calls.has("WM_APP+2"));
}

TEST_F(CycleTest, ExceptionEndsTheCycleWithSystemErrorAndWaitsForTheClose)
{
    duringMainLoop = [] { throw std::runtime_error("bind failed, error: 10048 Address already in use"); };
    std::thread worker = startCycle();
    ASSERT_TRUE(
        eventually([this] { return calls.has("error:bind failed, error: 10048 Address already in use"); }));
    // A simulator loss after the error cannot turn it into a quit.
    gf_simGone();
    EXPECT_EQ(gf_exitReason(), ExitReason::systemError);
    ASSERT_TRUE(eventually([this] { return calls.count("sleep:500") >= 3; }));
    EXPECT_FALSE(calls.has("WM_APP+2"));
    gf_requestWindowClose();
    worker.join();
    EXPECT_TRUE(settings_.logged("Error bind failed, error: 10048 Address already in use"));
    EXPECT_TRUE(settings_.logged("Exiting: SYSTEM ERROR"));
    EXPECT_TRUE(settings_.logged("User closed Ordalis_P3D"));
    EXPECT_TRUE(calls.has("WM_APP+2"));
    EXPECT_FALSE(calls.has("WM_APP+1"));
}

TEST_F(CycleTest, MissingDocsFolderIsError41)
{
    std::filesystem::remove(program_ / "docs");
    std::thread worker = startCycle();
    ASSERT_TRUE(eventually([this] { return calls.count("sleep:500") >= 2; }));
    gf_requestWindowClose();
    worker.join();
    EXPECT_TRUE(calls.has("error:41: Ordalis_P3D must be run from the Ordalis_P3D folder!"));
    EXPECT_TRUE(settings_.logged("Exiting: SYSTEM ERROR"));
    EXPECT_FALSE(calls.has("checkVersions"));
    EXPECT_TRUE(calls.has("WM_APP+2"));
}

TEST_F(CycleTest, StopDuringTheLiveryScanSkipsTheAirportScan)
{
    writeParameters({{"SCAN_AIRPORTS", "true"}});
    duringLiveryScan = [] { gf_requestStop(ExitReason::newSettings, 2); };
    startCycle().join();
    EXPECT_FALSE(calls.has("scanAirports"));
    EXPECT_FALSE(calls.has("simClient.start"));
    EXPECT_TRUE(settings_.logged("Exiting: NEW SETTINGS"));
}

TEST_F(CycleTest, StopDuringTheAirportScanWithoutReasonIsTheUsersClose)
{
    writeParameters({{"SCAN_AIRPORTS", "true"}});
    duringAirportScan = [] { gFoundation.gStopRequested.store(1); };
    startCycle().join();
    EXPECT_TRUE(settings_.logged("Exiting: USER CLOSED SIM"));
    EXPECT_EQ(gFoundation.gWindowClosed.load(), 1);
    EXPECT_FALSE(calls.has("mainLoop"));
    EXPECT_TRUE(calls.has("WM_APP+2"));
}

TEST_F(CycleTest, MissingScannedLiveriesFileSwitchesTheScanOn)
{
    std::filesystem::remove(program_ / "output" / "LiveriesScanned.xml");
    duringMainLoop = [] { gf_requestWindowClose(); };
    startCycle().join();
    EXPECT_TRUE(settings_.logged("File output\\LiveriesScanned.xml is gone, rescan liveries"));
    EXPECT_EQ(settings_.valueOf("SCAN_LIVERIES"), "true");
}

TEST_F(CycleTest, ConnectionPhaseInOrder)
{
    writeParameters({{"DESTINATION", "EGKK"}, {"ALWAYS_ON_TOP", "true"}});
    struct TwoParkAirports : Airports
    {
        using Airports::Airports;
        void readMyParkAirports() override
        {
            calls.add("readMyParkAirports");
            gAirports.gParking.parkAirports.push_back(ParkAirport{"EGLL", "", 51.47, -0.46, 0.0});
            gAirports.gParking.parkAirports.push_back(ParkAirport{"EGKK", "", 51.15, -0.18, 0.0});
        }
    } airports(*this);
    struct DestinationWindow : Window
    {
        using Window::Window;
        void newDestination(const std::string& code, double latDeg, double) override
        {
            calls.add(fmt::format("newDestination:{}:{:.2f}", code, latDeg));
        }
    } window(*this);
    gf_installCycleAirportPort(&airports);
    gf_installCycleWindowPort(&window);
    duringMainLoop = [] { gf_requestWindowClose(); };
    startCycle().join();

    EXPECT_TRUE(calls.has("simClient.start"));
    const std::vector<std::string> order{"checkVersions",
                                         "readDbase",
                                         "scanLiveries",
                                         "readMyParkAirports",
                                         "newDestination:EGKK:51.15",
                                         "topmost",
                                         "initSimQueues:5",
                                         "request108",
                                         "requestUserAcTitleModel",
                                         "sleep:2000",
                                         "mainLoop"};
    long last = -1;
    for (const std::string& call : order)
    {
        const long at = calls.indexOf(call);
        EXPECT_GT(at, last) << call;
        last = at;
    }
    // Without the traffic source installed no TCP link is used: the source counts as connected.
    EXPECT_TRUE(settings_.logged("RealTraffic not detected at this PC"));
    EXPECT_TRUE(settings_.logged("No traffic in this region?"));
    EXPECT_EQ(calls.count("sleep:100"), 150);
    // Closing down forgets the destination and the blocked callsign.
    EXPECT_EQ(settings_.valueOf("DESTINATION"), "");
}

TEST_F(CycleTest, TheCycleStillStartsWhileItWaitsForTheSource)
{
    writeParameters({{"PORT_NUMBER", "0"}});
    writeBytes(gf_getAppDataPath() / "InsideSystems" / "RealTraffic.jar", "jar");
    std::thread worker = startCycle();
    ASSERT_TRUE(eventually(
        [this] { return settings_.logged("Waiting for RealTraffic to connect to |Ordalis_P3D ..."); }));
    EXPECT_FALSE(calls.has("started")); // a scan switched on now still restarts the cycle with it
    gf_requestWindowClose();
    worker.join();
}

TEST_F(CycleTest, NoSimulatorKeepsTheCycleWaitingUntilClosed)
{
    simRunning.store(false);
    std::thread worker = startCycle();
    ASSERT_TRUE(eventually([this] { return calls.count("sleep:100") >= 5; }));
    EXPECT_FALSE(calls.has("request108"));
    gf_requestWindowClose();
    worker.join();
    EXPECT_FALSE(calls.has("mainLoop"));
    EXPECT_TRUE(settings_.logged("Exiting: USER CLOSED SIM"));
}

TEST_F(CycleTest, ResetBringsEveryCycleValueBack)
{
    duringMainLoop = []
    {
        // Values a running cycle changes.
        gSource.gTrafficReader.qnh.store(998);
        gSource.gQnhReader.lastQnh.store(1030);
        gSource.gEngineQnh.store(990);
        gFoundation.gTrafficTime.store(1700000000.5);
        gSource.gTrafficDisplay.sourceConnected.store(1);
        gSource.gTrafficDisplay.qnhState.store(ReaderState::receiving);
        gAirports.gParking.parkAirport.code = "EGLL";
        gAirports.gParking.parkAirports.push_back(ParkAirport{"EGLL", "", 51.47, -0.46, 0.0});
        gFoundation.gProfessionalLevel.store(1);
        gSource.gAddingStack.setAccept(true);
        TrafficLine line;
        gSource.gAddingStack.push(std::move(line), 0);
        gf_requestStop(ExitReason::newSettings, 1);
    };
    startCycle().join();

    EXPECT_TRUE(calls.has("leaveParkAirport"));
    EXPECT_EQ(gSource.gTrafficReader.qnh.load(), 1013);
    EXPECT_EQ(gSource.gQnhReader.lastQnh.load(), 1013);
    EXPECT_EQ(gSource.gEngineQnh.load(), 1013);
    EXPECT_EQ(gFoundation.gTrafficTime.load(), 0.0);
    EXPECT_EQ(gSource.gTrafficDisplay.sourceConnected.load(), 0);
    EXPECT_EQ(gSource.gTrafficDisplay.qnhState.load(), ReaderState::notRunning);
    EXPECT_EQ(gSource.gTrafficDisplay.trafficState.load(), ReaderState::notRunning);
    EXPECT_TRUE(gAirports.gParking.parkAirport.code.empty());
    EXPECT_TRUE(gAirports.gParking.parkAirports.empty());
    EXPECT_EQ(gFoundation.gProfessionalLevel.load(), 0);
    EXPECT_EQ(gSource.gAddingStack.size(), 0u);
    EXPECT_FALSE(gSource.gAddingStack.accepting());
    EXPECT_EQ(gFoundation.gCurrentDayHalfHour.load(), 0u);
    EXPECT_TRUE(gf_stockAirportsPath().empty());
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
    EXPECT_EQ(gFoundation.gWindowClosed.load(), 0);
    EXPECT_EQ(gf_exitReason(), ExitReason::notYetSet);

    // The subsystems' resets in their fixed order, the range last.
    const std::vector<std::string> order{"sim.reset",      "engine.reset", "clearPendingTitles",
                                         "liveries.reset", "engine.clear", "window.reset",
                                         "setRange:40"};
    long last = calls.indexOf("message:Prepare for a restart ...");
    for (const std::string& call : order)
    {
        const long at = calls.indexAfter(call, last);
        EXPECT_GT(at, last) << call;
        last = at;
    }
    EXPECT_LT(last, calls.indexOf("WM_APP+1"));
}

} // namespace
} // namespace oxl::test
