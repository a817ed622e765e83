#include "traffic/cycle/cycle_worker.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/program.h"
#include "foundation/system_lookups.h"
#include "foundation/worker_slots.h"
#include "traffic/cycle/cycle_detail.h"
#include "traffic/cycle/cycle_state.h"

#include <filesystem>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <fmt/format.h>

namespace oxl
{

namespace
{

// An exception ended the cycle. The error is shown first, while the log still takes its line; then the
// stop flag is set, so that a later simulator loss cannot replace the user's error by a quit. A stop
// that came first keeps its reason: work that a close cut short (a download during the start-up checks)
// fails as a consequence of that close, not as a fault of its own.
void lf_endWithSystemError(const std::string& text)
{
    gCycle.gPorts.window->showError(text);
    gFoundation.gStopRequested.store(1);
    std::uint32_t notSet = static_cast<std::uint32_t>(ExitReason::notYetSet);
    if (gFoundation.gExitReason.compare_exchange_strong(notSet,
                                                        static_cast<std::uint32_t>(ExitReason::systemError)))
        gFoundation.gRestartDelay.store(0);
}

// The liveries: scanned when asked for or when the last scan's file is gone, else read from it.
void lf_liveryStep()
{
    const std::filesystem::path scanned = std::filesystem::path("output") / "LiveriesScanned.xml";
    if (!std::filesystem::exists(scanned) && !SCAN_LIVERIES.value())
    {
        cycle::showAndLog(fmt::format("File {} is gone, rescan liveries", "output\\LiveriesScanned.xml"));
        SCAN_LIVERIES.set(true);
        SCAN_LIVERIES.save();
        gCycle.gPorts.window->showCheck(SCAN_LIVERIES);
        cycle::repaintWindow();
    }
    gCycle.gPorts.liveries->scanLiveries();
}

void lf_airportStep()
{
    gCycle.gPorts.window->setAirportFileCounts(std::int64_t{0}, std::int64_t{0});
    gCycle.gPorts.airports->scanAirports();
    gCycle.gPorts.window->setAirportFileCounts(
        gf_countFiles(std::filesystem::path("airports") / "my_ORBX"),
        gf_countFiles(std::filesystem::path("airports") / "my_thirdparty"));
}

// Steps 1 and 3 to 9 of the cycle, around the start-up checks.
void lf_runCycleSteps()
{
    std::error_code error;
    const auto docs = std::filesystem::status("docs", error);
    if (error && error != std::errc::no_such_file_or_directory)
        throw std::filesystem::filesystem_error("status", "docs", error);
    if (!std::filesystem::is_directory(docs))
        throw UserErrorException(41, gf_formatWithProductName("{} must be run from the {} folder!"));

    gf_startupChecks();
    if (gf_stopSeen())
        return;
    gf_checkStockAirportsPath();
    gf_resetWorkerSlots();
    if (!cycle::whenTheDiskLets(lf_liveryStep) || gf_stopSeen())
        return;
    if (SCAN_AIRPORTS.value())
        (void)cycle::whenTheDiskLets(lf_airportStep);
    if (gf_stopSeen())
    {
        // A stop during the scans that gave no reason of its own is taken as the user's close.
        gFoundation.gWindowClosed.store(1);
        gFoundation.gStopRequested.store(1);
        std::uint32_t notSet = static_cast<std::uint32_t>(ExitReason::notYetSet);
        gFoundation.gExitReason.compare_exchange_strong(
            notSet, static_cast<std::uint32_t>(ExitReason::userClosedSim));
        return;
    }

    gCycle.gPorts.sim->createFlightPlanFolder();
    gCycle.gPorts.airports->readMyParkAirports();
    gCycle.gPorts.window->enableControl(gRereadButton, true);
    if (const std::string destination = DESTINATION.value(); !destination.empty())
    {
        for (const ParkAirport& entry : gAirports.gParking.parkAirports)
        {
            if (entry.code == destination)
            {
                gCycle.gPorts.window->newDestination(entry.code, entry.latitude, entry.longitude);
                break;
            }
        }
    }
    gCycle.gPorts.window->setTopmost(ALWAYS_ON_TOP.value());
    gf_runCycle();
}

} // namespace

namespace cycle
{

void sleepFor(std::chrono::milliseconds pause)
{
    gCycle.gPorts.services->sleep(pause);
}

void showAndLog(const std::string& text)
{
    gf_foundationShowMessage(text, true);
}

void repaintWindow()
{
    gCycle.gPorts.window->repaint();
}

ReaderThreads& readerThreads()
{
    return gCycle.gReaderThreads;
}

void requestSimClientStop()
{
    std::lock_guard lock(gCycle.gSimClientMutex);
    if (gCycle.gSimClientThread.joinable())
        gCycle.gSimClientThread.request_stop();
}

} // namespace cycle

CyclePorts gf_noCyclePorts()
{
    static NoCycleLiveries liveries;
    static NoCycleAirports airports;
    static NoCycleSimulator sim;
    static NoCycleWindow window;
    static NoCycleEngine engine;
    static NoCycleServices services;
    return CyclePorts{&liveries, &airports, &sim, &window, &engine, &services};
}

namespace
{

template <class Port> void lf_install(gsl::not_null<Port*>& slot, Port* port, gsl::not_null<Port*> none)
{
    slot = port != nullptr ? gsl::not_null<Port*>(port) : none;
}

} // namespace

void gf_installCycleLiveryPort(CycleLiveryPort* port)
{
    lf_install(gCycle.gPorts.liveries, port, gf_noCyclePorts().liveries);
}

void gf_installCycleAirportPort(CycleAirportPort* port)
{
    lf_install(gCycle.gPorts.airports, port, gf_noCyclePorts().airports);
}

void gf_installCycleSimulatorPort(CycleSimulatorPort* port)
{
    lf_install(gCycle.gPorts.sim, port, gf_noCyclePorts().sim);
}

void gf_installCycleWindowPort(CycleWindowPort* port)
{
    lf_install(gCycle.gPorts.window, port, gf_noCyclePorts().window);
}

void gf_installCycleEnginePort(CycleEnginePort* port)
{
    lf_install(gCycle.gPorts.engine, port, gf_noCyclePorts().engine);
}

void gf_installCycleServicePort(CycleServicePort* port)
{
    lf_install(gCycle.gPorts.services, port, gf_noCyclePorts().services);
}

void gf_setReaderPorts(std::uint16_t trafficPort, std::uint16_t qnhPort)
{
    gCycle.gPorts.trafficPort = trafficPort;
    gCycle.gPorts.qnhPort = qnhPort;
}

const CyclePorts& gf_cyclePorts()
{
    return gCycle.gPorts;
}

void NoCycleWindow::showError(const std::string& text)
{
    gf_log(fmt::format("Error {}", text));
}

// Without a main loop there is nothing to do each tick: the cycle only waits for its end.
void NoCycleEngine::mainLoop()
{
    while (!gf_stopSeen())
        cycle::sleepFor(std::chrono::milliseconds(100));
}

void gf_forgetOncePerProcess()
{
    gCycle.gDbaseRead.store(false);
    gCycle.gContainersReserved.store(false);
}

namespace
{

// Under gSimClientMutex.
void lf_joinSimClientThread()
{
    if (gCycle.gSimClientThread.joinable())
    {
        gCycle.gSimClientThread.request_stop();
        gCycle.gSimClientThread.join();
    }
}

} // namespace

void gf_startSimClientThread()
{
    std::lock_guard lock(gCycle.gSimClientMutex);
    lf_joinSimClientThread();
    gCycle.gSimClientThread =
        std::jthread([sim = gCycle.gPorts.sim](std::stop_token stop) { sim->runClient(stop); });
}

void gf_stopSimClientThread()
{
    std::lock_guard lock(gCycle.gSimClientMutex);
    lf_joinSimClientThread();
}

void gf_cycleThread()
{
    try
    {
        lf_runCycleSteps();
    }
    catch (const UserErrorException& e)
    {
        const std::string text = e.what();
        lf_endWithSystemError(text.empty() ? "Unknown exception" : text);
    }
    catch (const fmt::format_error& e)
    {
        gCycle.gPorts.window->showError(fmt::format("std::format error: {}", e.what()));
        lf_endWithSystemError(e.what());
    }
    catch (const std::bad_alloc& e)
    {
        lf_endWithSystemError(e.what());
    }
    catch (const std::exception& e)
    {
        lf_endWithSystemError(e.what());
    }
    catch (...)
    {
        lf_endWithSystemError("Unknown exception");
    }
    gf_closingDown();
}

void gf_readerStopped(std::string_view readerName, std::string_view errorText)
{
    cycle::showAndLog(fmt::format("The {} has stopped with error: {}", readerName, errorText));
    gf_requestStop(ExitReason::readerError, kReaderErrorDelayS);
}

std::string gf_p3dVersionFromPath()
{
    const std::string path = SIM_INSTALL_PATH.value();
    // Each answer is made where it is returned: g++ 12 at -O3 takes assigning a short literal to a string
    // for an overlapping copy (-Werror=restrict).
    if (path.find("v5") != std::string::npos || path.find("V5") != std::string::npos)
        return "5";
    if (path.find("v6") != std::string::npos || path.find("V6") != std::string::npos)
        return "6";
    if (P3D_VERSION.value() > 4)
        return std::to_string(P3D_VERSION.value());
    throw UserErrorException(
        77,
        fmt::format("P3D install path does not contain v5 or v6. Use hidden parameter {}, set it to 5 or 6.",
                    P3D_VERSION.name));
}

std::string gf_formatWithProductName(std::string_view formatText)
{
    return fmt::format(fmt::runtime(formatText), kProductName, kProductName);
}

} // namespace oxl
