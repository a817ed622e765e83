#include "simlink/sim_client.h"

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "records/records_state.h"
#include "simlink/client/sc_connection.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_state.h"

#include <fmt/format.h>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace oxl
{

namespace
{

bool stopFlagsSet(const std::stop_token& stop)
{
    return gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0 ||
           stop.stop_requested();
}

void showWaiting()
{
    const std::string version = gf_simLinkPort().simulatorVersionText();
    gf_status().showMessage(fmt::format("Waiting for Prepar3Dv{} ...", version), true);
    gf_logSpaced("\n"); // two empty lines set the waiting apart in the log
    gf_status().repaint(WindowBand::message);
}

// Returns false when the link is gone.
bool dispatchUntilStopped(const std::stop_token& stop, ScHandle handle)
{
    while (!stop.stop_requested())
    {
        const ScResult result = SimConnect_CallDispatch(handle, &gf_dispatchProc, nullptr);
        gf_logHeldSimLines();
        if (result < 0 || scCheckLink(handle))
            return false;
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + kDispatchPeriod);
    }
    return true;
}

std::string_view linkStatusWord(std::uint32_t status)
{
    switch (status)
    {
    case kScStatusOversize:
        return "message too large";
    case kScStatusBadSize:
        return "bad message size";
    case kScStatusNoMemory:
        return "out of memory";
    case kScStatusClosed:
        return "closed by the simulator";
    case kScStatusDisconnect:
        return "disconnected";
    case kScStatusCancelled:
        return "cancelled";
    default:
        return "failed";
    }
}

// A simulator that sent its QUIT before the link closed has ended normally: the program quits with it.
// A link that breaks without QUIT (a crash, a broken pipe) is a failed simulator call like any other:
// the cycle restarts and waits for the simulator.
void onLinkGone(ScHandle handle)
{
    const std::uint32_t status = handle->failureStatus();
    gf_log(fmt::format("SimConnect: the link to the simulator is gone ({}, status {}, error 0x{:08X})",
                       linkStatusWord(status), status, handle->failureCode()));
    gSimLink.gSimRunning = 0;
    if (gSimLink.gSimQuit.load() != 0)
        gf_notifySimGone();
    else
        gf_simRequestError();
}

void closeConnection()
{
    ScHandle handle = nullptr;
    {
        // Cleared at once, so that no other thread sends on a closed connection.
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        handle = std::exchange(gSimLink.gSimHandle, nullptr);
    }
    if (!handle)
        return;
    if (SimConnect_Close(handle) < 0)
        gf_logMarked("Closing SimConnect failed?!");
    else
        gf_log("SimConnect closed ok");
}

} // namespace

void gf_addToEventGroup(std::uint32_t eventId)
{
    SimConnect_AddClientEventToNotificationGroup(gSimLink.gSimHandle, kSimNotifyGroup, eventId, 1);
}

void gf_defineSimData()
{
    for (const auto& s : kSimSubscriptions)
        SimConnect_SubscribeToSystemEvent(gSimLink.gSimHandle, s.eventId, s.name.data());
    for (const auto& d : kSimData)
        SimConnect_AddToDataDefinition(gSimLink.gSimHandle, d.definition, d.name.data(),
                                       d.units.empty() ? nullptr : d.units.data(), d.type, 0.0f,
                                       scwire::kUnused);
    for (const auto& m : kSimEventMappings)
        SimConnect_MapClientEventToSimEvent(gSimLink.gSimHandle, m.eventId, m.name.data());
    for (std::uint32_t e : kSimGroupEvents)
        gf_addToEventGroup(e);
    SimConnect_SetNotificationGroupPriority(gSimLink.gSimHandle, kSimNotifyGroup,
                                            scwire::kGroupPriorityHighest);
}

void SimClient(std::stop_token stop)
{
    try
    {
        bool waitingShown = false;
        while (!stopFlagsSet(stop))
        {
            if (!waitingShown)
            {
                waitingShown = true;
                showWaiting();
            }
            ScHandle handle = nullptr;
            if (SimConnect_Open(&handle, kSimClientName, nullptr, 0, nullptr, 0) < 0 || !handle)
            {
                std::this_thread::sleep_until(std::chrono::steady_clock::now() + kOpenRetry);
                continue;
            }
            {
                std::lock_guard lock(gRecords.gSimQueues.simMutex);
                gSimLink.gSimHandle = handle;
            }
            // Registration runs before the "Sim" event can tell the cycle worker that a flight runs.
            gf_defineSimData();
            if (!dispatchUntilStopped(stop, handle))
            {
                onLinkGone(handle);
                break;
            }
        }
    }
    catch (const UserErrorException& e)
    {
        gf_status().showError(e.what());
        // The connection closes below: the flight counts as not running, so the main loop stops using it.
        gSimLink.gSimRunning = 0;
    }
    catch (const std::exception& e)
    {
        gf_status().showError(e.what());
        gSimLink.gSimRunning = 0;
        gf_notifySimGone();
    }
    catch (...)
    {
        gf_status().showError("Exception in SimClient");
        gSimLink.gSimRunning = 0;
        gf_notifySimGone();
    }
    gf_logHeldSimLines(true);
    gf_recordUserStand();
    gf_setWindowFlag(StatusFlag::simConnected, false);
    closeConnection();
}

} // namespace oxl
