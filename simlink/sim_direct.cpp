#include "simlink/sim_direct.h"

#include "simlink/sim_ids.h"
#include "simlink/sim_state.h"

namespace oxl
{

ScResult gf_simCallHeld(const std::function<ScResult(ScHandle)>& call)
{
    if (!gSimLink.gSimHandle)
        return kScFail;
    return call(gSimLink.gSimHandle);
}

ScResult gf_allLightsToggleHeld(std::uint32_t objectId)
{
    return gf_simCallHeld(
        [objectId](ScHandle h)
        { return SimConnect_TransmitClientEvent(h, objectId, kEvAllLightsToggle, 0, kSimNotifyGroup, 0); });
}

ScResult gf_requestStaticCgHeld(std::uint32_t objectId)
{
    return gf_simCallHeld(
        [objectId](ScHandle h)
        {
            return SimConnect_RequestDataOnSimObject(h, kReqStaticCg, kDefStaticCg, objectId,
                                                     scwire::kPeriodOnce, 0, 0, 0, 0);
        });
}

ScResult gf_setSpoilersThrottlesHeld(std::uint32_t objectId, double spoilersPct, double throttle1Pct,
                                     double throttle2Pct)
{
    const double block[3] = {spoilersPct, throttle1Pct, throttle2Pct};
    return gf_simCallHeld(
        [&](ScHandle h) {
            return SimConnect_SetDataOnSimObject(h, kDefSpoilersThrottles, objectId, 0, 0, sizeof block,
                                                 block);
        });
}

ScResult gf_setFlightPlanHeld(std::uint32_t objectId, const std::filesystem::path& file)
{
    const std::string text = file.string();
    return gf_simCallHeld(
        [&](ScHandle h)
        { return SimConnect_AISetAircraftFlightPlan(h, objectId, text.c_str(), kReqFlightPlan); });
}

} // namespace oxl
