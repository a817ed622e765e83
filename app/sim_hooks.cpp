// The simulator link as the cycle worker sees it: the SimClient thread, the link's flags, the user
// aircraft and the flight-plan folder; and the cycle's stop protocol and window as the link sees them.
#include "app/hook_parts.h"

#include "airports/park_airport.h"
#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/run_state.h"
#include "records/records_state.h"
#include "simlink/flight_plan.h"
#include "simlink/sim_client.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"
#include "traffic/cycle/cycle_worker.h"

#include <optional>
#include <string>

namespace oxl
{

namespace
{

// Everything of the link that lives for one cycle, with the flags the link's own reset leaves alone.
void lf_resetSimLinkForCycle()
{
    gf_resetSimLink();
    gSimLink.gSecondTick.store(0);
    gSimLink.gUserDataValid.store(0);
    gSimLink.gUserOnGround.store(0);
    gSimLink.gSimVersion.store(static_cast<std::uint32_t>(P3D_VERSION.value()));
}

// The program's simulator link.
class ProgramSimulator final : public CycleSimulatorPort
{
  public:
    void runClient(std::stop_token stop) override { SimClient(stop); }
    void initSimQueues(std::int32_t version) override
    {
        gf_initSimQueues(static_cast<std::uint32_t>(version));
    }
    bool simRunning() override { return gSimLink.gSimRunning.load() != 0; }
    bool simError() override { return gSimLink.gSimError.load() != 0; }
    bool requestUserDataEverySecond() override { return gf_requestUserOnGroundEverySecond(); }
    void simRequestError() override { gf_simRequestError(); }
    void requestUserAcPosition() override { gf_requestUserAcPosition(); }
    void requestUserAcTitleModel() override { gf_requestUserAcTitleModel(); }
    UserAcData userAircraft() override { return gf_userAcData(); }
    std::optional<std::int64_t> simUtcSeconds() override { return gSimLink.gSimUtcSeconds.load(); }
    void createFlightPlanFolder() override { gf_createFlightPlanFolder(); }
    void removeFlightPlanFolder() override { gf_removeFlightPlanFolder(); }
    void resetForCycle() override { lf_resetSimLinkForCycle(); }
};

} // namespace

CycleSimulatorPort& gf_simulatorPort()
{
    static ProgramSimulator sim;
    return sim;
}

namespace
{

// The program's side of the simulator link.
class ProgramSimLinkPort final : public SimLinkPort
{
  public:
    // The link has already won the stop flag when it calls this, so the reason is its own to write.
    void setExitReason(std::uint32_t reason, std::uint32_t restartDelaySec) override
    {
        gFoundation.gExitReason.store(reason);
        gFoundation.gRestartDelay.store(static_cast<std::int32_t>(restartDelaySec));
    }
    void simGone() override { gf_simGone(); }
    [[nodiscard]] std::string simulatorVersionText() override
    {
        // The waiting message must not end the SimClient thread over a path without a version in it.
        try
        {
            return gf_p3dVersionFromPath();
        }
        catch (const UserErrorException&)
        {
            return std::to_string(gSimLink.gSimVersion.load());
        }
    }
    [[nodiscard]] std::string installPathText() override { return SIM_INSTALL_PATH.value(); }
    // The park-airport list belongs to the cycle worker: the SimClient thread only hands the stand over.
    void userStandAtRest(const std::string& stand) override { gf_postUserStand(stand); }
};

} // namespace

SimLinkPort& gf_programSimLinkPort()
{
    static ProgramSimLinkPort port;
    return port;
}

} // namespace oxl
