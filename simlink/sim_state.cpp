#include "simlink/sim_state.h"

#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "simlink/ai_create.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_ids.h"

namespace oxl
{

ScHandle gSimHandle = nullptr;
std::atomic<std::uint8_t> gSimRunning{0};
std::atomic<std::uint8_t> gSimError{0};
std::atomic<std::uint8_t> gSimQuit{0};
std::atomic<std::uint32_t> gSimVersion{5};
std::atomic<std::uint32_t> gUserObjectId{2};
std::atomic<std::uint8_t> gSecondTick{0};
std::atomic<std::uint8_t> gUserOnGround{0};
std::atomic<std::uint8_t> gUserDataValid{0};
std::atomic<std::int64_t> gSimUtcSeconds{0};
std::atomic<double> gUserHalfSpan{0.0};
std::atomic<AcCategory> gUserCategory{AcCategory::Light};
UserAcData gUserAcData;

namespace
{

NoSimLinkPort gNoPort;
std::atomic<SimLinkPort*> gPort{&gNoPort};

std::mutex gStatusMutex; // the user texts
std::string gUserTitle;
std::string gUserStand;

} // namespace

std::string gf_userTitle()
{
    std::lock_guard lock(gStatusMutex);
    return gUserTitle;
}

std::string gf_userStand()
{
    std::lock_guard lock(gStatusMutex);
    return gUserStand;
}

void lf_setWindowFlag(StatusFlag which, bool on)
{
    gf_status().setFlag(which, on);
    gf_status().repaint(WindowBand::status);
}

void lf_setWindowText(StatusText which, const std::string& text)
{
    gf_status().setText(which, text);
    gf_status().repaint(WindowBand::status);
}

void lf_setUserTitle(const std::string& title)
{
    std::lock_guard lock(gStatusMutex);
    gUserTitle = title;
}

void lf_setUserStand(const std::string& stand)
{
    std::lock_guard lock(gStatusMutex);
    gUserStand = stand;
}

void lf_stopCycle(std::uint32_t reason, std::uint32_t restartDelaySec)
{
    if (gStopRequested.exchange(1) == 0)
        gf_simLinkPort().setExitReason(reason, restartDelaySec);
}

void lf_newFlightStop()
{
    lf_stopCycle(kExitNewFlight, 30);
}

void gf_simRequestError()
{
    gf_status().showMessage("SimConnect request error", true);
    gSimError.exchange(1);
    if (gStopRequested.load() == 0)
        lf_stopCycle(kExitSimConnectError, 9);
}

void lf_simGone()
{
    gf_simLinkPort().simGone();
}

void NoSimLinkPort::simGone()
{
    lf_stopCycle(kExitSimWasClosed, 0);
}

std::string NoSimLinkPort::simulatorVersionText()
{
    return std::to_string(gSimVersion.load());
}

void gf_installSimLinkPort(SimLinkPort* port)
{
    gPort.store(port != nullptr ? port : &gNoPort);
}

SimLinkPort& gf_simLinkPort()
{
    return *gPort.load();
}

void gf_resetSimLink()
{
    gSimQueues.reset();
    {
        std::lock_guard lock(gSimQueues.simMutex);
        gSimHandle = nullptr;
        gUserAcData = {};
    }
    lf_clearCreationTables();
    lf_resetDispatchState();
    gSimRunning = 0;
    gSimQuit = 0;
    gSimUtcSeconds = 0;
    gUserObjectId = 2;
    gSimError = 0;
    lf_setUserTitle({});
    lf_setUserStand({});
}

} // namespace oxl
