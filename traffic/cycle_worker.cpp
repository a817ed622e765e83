#include "traffic/cycle_worker.h"

#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/program.h"
#include "foundation/system_lookups.h"
#include "foundation/worker_slots.h"
#include "airports/parking_state.h"
#include "traffic/cycle_detail.h"

#include <filesystem>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <fmt/format.h>

namespace oxl
{

std::atomic<std::uint8_t> gSkipVersionCheck{0};

namespace
{

CycleHooks gHooks;

std::mutex gSimClientMutex;
std::jthread gSimClientThread; // guarded by gSimClientMutex

// An exception ended the cycle. The error is shown first, while the log still takes its line; then the
// stop flag is set, so that a later simulator loss cannot replace the user's error by a quit. A stop
// that came first keeps its reason: work that a close cut short (a download during the start-up checks)
// fails as a consequence of that close, not as a fault of its own.
void lf_endWithSystemError(const std::string& text)
{
    const auto& showError = gHooks.window.showError;
    if (showError)
        showError(text);
    else
        gf_log(fmt::format("Error {}", text));
    gStopRequested.store(1);
    std::uint32_t notSet = static_cast<std::uint32_t>(ExitReason::notYetSet);
    if (gExitReason.compare_exchange_strong(notSet, static_cast<std::uint32_t>(ExitReason::systemError)))
        gRestartDelay.store(0);
}

// Steps 1 and 3 to 9 of the cycle, around the start-up checks.
void lf_runCycleSteps()
{
    std::error_code error;
    const auto docs = std::filesystem::status("docs", error);
    if (error && error != std::errc::no_such_file_or_directory)
        throw std::filesystem::filesystem_error("status", "docs", error);
    if (!std::filesystem::is_directory(docs))
        throw UserErrorException(41, lf_formatWithProductName("{} must be run from the {} folder!"));

    lf_startupChecks();
    lf_checkStockAirportsPath();
    gf_resetWorkerSlots();

    const std::filesystem::path scanned = std::filesystem::path("output") / "LiveriesScanned.xml";
    if (!std::filesystem::exists(scanned) && !SCAN_LIVERIES.value())
    {
        cycle::showAndLog(fmt::format("File {} is gone, rescan liveries", "output\\LiveriesScanned.xml"));
        SCAN_LIVERIES.set(true);
        SCAN_LIVERIES.save();
        cycle::call(gHooks.window.showCheck, SCAN_LIVERIES);
        cycle::repaintWindow();
    }
    cycle::call(gHooks.liveries.scanLiveries);
    if (gf_stopSeen())
        return;

    if (SCAN_AIRPORTS.value())
    {
        cycle::call(gHooks.window.setAirportFileCounts, std::int64_t{0}, std::int64_t{0});
        cycle::call(gHooks.airports.scanAirports);
        cycle::call(gHooks.window.setAirportFileCounts, gf_countFiles(std::filesystem::path("airports") / "my_ORBX"),
                    gf_countFiles(std::filesystem::path("airports") / "my_thirdparty"));
    }
    if (gf_stopSeen())
    {
        // A stop during the scans that gave no reason of its own is taken as the user's close.
        gWindowClosed.store(1);
        gStopRequested.store(1);
        std::uint32_t notSet = static_cast<std::uint32_t>(ExitReason::notYetSet);
        gExitReason.compare_exchange_strong(notSet, static_cast<std::uint32_t>(ExitReason::userClosedSim));
        return;
    }

    cycle::call(gHooks.sim.createFlightPlanFolder);
    cycle::call(gHooks.airports.readMyParkAirports);
    cycle::call(gHooks.window.enableControl, static_cast<const ControlBinding&>(gRereadButton), true);
    if (const std::string destination = DESTINATION.value(); !destination.empty())
    {
        for (const ParkAirport& entry : gParking.parkAirports)
        {
            if (entry.code == destination)
            {
                cycle::call(gHooks.window.newDestination, entry.code, entry.latitude, entry.longitude);
                break;
            }
        }
    }
    cycle::call(gHooks.window.setTopmost, ALWAYS_ON_TOP.value());
    lf_runCycle();
}

} // namespace

namespace cycle
{

std::atomic<bool> gDbaseRead{false};
std::atomic<bool> gContainersReserved{false};

void sleepFor(std::chrono::milliseconds pause)
{
    if (gHooks.services.sleep)
        gHooks.services.sleep(pause);
    else
        std::this_thread::sleep_for(pause);
}

void showAndLog(const std::string& text)
{
    gf_foundationShowMessage(text, true);
}

void repaintWindow()
{
    call(gHooks.window.repaint);
}

ReaderThreads& readerThreads()
{
    static ReaderThreads threads;
    return threads;
}

void startSimClientThread()
{
    std::lock_guard lock(gSimClientMutex);
    if (gSimClientThread.joinable())
    {
        gSimClientThread.request_stop();
        gSimClientThread.join();
    }
    if (gHooks.sim.clientThread)
        gSimClientThread = std::jthread(gHooks.sim.clientThread);
}

void requestSimClientStop()
{
    std::lock_guard lock(gSimClientMutex);
    if (gSimClientThread.joinable())
        gSimClientThread.request_stop();
}

} // namespace cycle

void gf_installCycleHooks(CycleHooks hooks)
{
    gHooks = std::move(hooks);
}

const CycleHooks& gf_cycleHooks()
{
    return gHooks;
}

void gf_forgetOncePerProcess()
{
    cycle::gDbaseRead.store(false);
    cycle::gContainersReserved.store(false);
}

void gf_stopSimClientThread()
{
    std::lock_guard lock(gSimClientMutex);
    if (gSimClientThread.joinable())
    {
        gSimClientThread.request_stop();
        gSimClientThread.join();
    }
}

void lf_cycleThread()
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
        const auto& showError = gHooks.window.showError;
        if (showError)
            showError(fmt::format("std::format error: {}", e.what()));
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
    lf_closingDown();
}

void gf_readerStopped(std::string_view readerName, std::string_view errorText)
{
    cycle::showAndLog(fmt::format("The {} has stopped with error: {}", readerName, errorText));
    gf_requestStop(ExitReason::readerError, kReaderErrorDelayS);
}

std::string gf_p3dVersionFromPath()
{
    const std::string path = SIM_INSTALL_PATH.value();
    std::string answer;
    if (path.find("v5") != std::string::npos || path.find("V5") != std::string::npos)
        answer = "5";
    else if (path.find("v6") != std::string::npos || path.find("V6") != std::string::npos)
        answer = "6";
    else if (P3D_VERSION.value() > 4)
        answer = std::to_string(P3D_VERSION.value());
    if (answer.empty())
        throw UserErrorException(
            77, fmt::format("P3D install path does not contain v5 or v6. Use hidden parameter {}, set it to 5 or 6.",
                            P3D_VERSION.name));
    return answer;
}

std::string lf_formatWithProductName(std::string_view formatText)
{
    return fmt::format(fmt::runtime(formatText), kProductName, kProductName);
}

} // namespace oxl
