#include "simlink/sim_state.h"

#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "records/records_state.h"
#include "simlink/ai_create.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_ids.h"

#include <fmt/format.h>

namespace oxl
{

SimLinkState gSimLink;

namespace
{

NoSimLinkPort gNoPort;

} // namespace

UserAcData gf_userAcData()
{
    UserAcData user;
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        user = gSimLink.gUserAcData;
    }
    user.halfSpan = gSimLink.gUserHalfSpan.load();
    user.onGround = gSimLink.gUserOnGround.load() != 0;
    user.dataValid = gSimLink.gUserDataValid.load() != 0;
    return user;
}

std::string gf_userTitle()
{
    std::lock_guard lock(gSimLink.gStatusMutex);
    return gSimLink.gUserTitle;
}

std::string gf_userStand()
{
    std::lock_guard lock(gSimLink.gStatusMutex);
    return gSimLink.gUserStand;
}

void gf_setWindowFlag(StatusFlag which, bool on)
{
    gf_status().setFlag(which, on);
    gf_status().repaint(WindowBand::status);
}

void gf_setWindowText(StatusText which, const std::string& text)
{
    gf_status().setText(which, text);
    gf_status().repaint(WindowBand::status);
}

void gf_setUserTitle(const std::string& title)
{
    std::lock_guard lock(gSimLink.gStatusMutex);
    gSimLink.gUserTitle = title;
}

void gf_setUserStand(const std::string& stand)
{
    std::lock_guard lock(gSimLink.gStatusMutex);
    gSimLink.gUserStand = stand;
}

void gf_stopCycle(std::uint32_t reason, std::uint32_t restartDelaySec)
{
    if (gFoundation.gStopRequested.exchange(1) == 0)
        gf_simLinkPort().setExitReason(reason, restartDelaySec);
}

void gf_newFlightStop()
{
    gf_stopCycle(kExitNewFlight, 30);
}

void gf_simRequestError()
{
    gf_status().showMessage("SimConnect request error", true);
    gSimLink.gSimError.exchange(1);
    if (gFoundation.gStopRequested.load() == 0)
        gf_stopCycle(kExitSimConnectError, 9);
}

void gf_notifySimGone()
{
    gf_simLinkPort().simGone();
}

void gf_logSimRepeated(std::string_view kind, const std::function<std::string()>& makeLine, LogForm form,
                       std::string_view number)
{
    gSimLink.gRepeats.write(kind, makeLine, form, {{}, number});
}

void gf_logSimRepeated(std::string_view line, LogForm form)
{
    gSimLink.gRepeats.write(line, line, form);
}

void gf_logShortMessage(std::uint32_t id, std::uint32_t size)
{
    gf_logSimRepeated(
        "! short message", [&] { return fmt::format("! short message id {} size {}", id, size); },
        LogForm::plain, fmt::format_int(id).str());
}

void NoSimLinkPort::simGone()
{
    gf_stopCycle(kExitSimWasClosed, 0);
}

std::string NoSimLinkPort::simulatorVersionText()
{
    return std::to_string(gSimLink.gSimVersion.load());
}

void gf_installSimLinkPort(SimLinkPort* port)
{
    gSimLink.gPort.store(port);
}

SimLinkPort& gf_simLinkPort()
{
    SimLinkPort* const port = gSimLink.gPort.load();
    return port != nullptr ? *port : gNoPort;
}

void gf_resetSimLink()
{
    gRecords.gSimQueues.reset();
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        gSimLink.gSimHandle = nullptr;
        gSimLink.gUserAcData = {};
    }
    gf_clearCreationTables();
    gf_resetDispatchState();
    // A new cycle's link has its first lines again; a flood cannot restart cycles faster than they wait.
    gSimLink.gRepeats.forget();
    gSimLink.simClientOwner.release();
    gSimLink.gSimRunning = 0;
    gSimLink.gSimQuit = 0;
    gSimLink.gSimUtcSeconds = 0;
    gSimLink.gUserObjectId = 2;
    gSimLink.gSimError = 0;
    gf_setUserTitle({});
    gf_setUserStand({});
}

} // namespace oxl
