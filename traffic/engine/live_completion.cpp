#include "traffic/engine/live_completion.h"

#include "airports/stand.h"
#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "simlink/flight_plan.h"
#include "simlink/sim_ids.h"
#include "traffic/engine/flight_commands.h"
#include "traffic/engine/live_lifecycle.h"

#include <fmt/format.h>

#include <algorithm>
#include <mutex>

namespace oxl
{

namespace
{
constexpr double kHighLightsAltFt = 10000.0;
constexpr double kCabinLightsAglFt = 2000.0;
// [percent] reversers at touchdown when the livery is made for them.
constexpr double kFullLeverPct = 100.0;
} // namespace

void parkCreated(LiveEngine& engine, LiveAc& ac)
{
    ac.onGround = 1;
    ac.altStep = 0.0;
    if (ac.phase != GroundPhase::parked)
        return;
    ac.parkedSlot = gf_packDayHalfHour(engine.weekdayHalfHour());
    ParkingState& parking = *engine.n.parking;
    const std::string standName = gf_standNameById(parking.stands, ac.standId);
    if (LOG.value())
        gf_log(fmt::format("{:8}: {:8} parks", standName, gf_outsideText(ac.callsign)));
    std::erase_if(parking.staticParked, [&](const StaticParked& p) { return p.standId == ac.standId; });
    for (SimAc& statik : parking.staticAircraft)
        if (statik.standId == ac.standId && statik.simState == SimState::active)
        {
            if (LOG.value())
                gf_log(fmt::format("{:8}: {:8} parks over static {} ", standName, gf_outsideText(ac.callsign),
                                   gf_outsideText(statik.callsign)));
            removeAircraftFromSim(engine, statik);
            break;
        }
}

void createFlightPlan(LiveEngine& engine, LiveAc& ac)
{
    if (ac.origin.empty() || ac.destination.empty())
        return;
    const std::filesystem::path folder = engine.n.sim->flightPlanFolder();
    if (folder.empty())
        return;
    const std::filesystem::path file = folder / gf_flightPlanFileName(ac.objectId);
    bool ok = gf_writeFlightPlanFile(file, ac);
    if (ok)
    {
        // Set at once, so that the file goes with the aircraft even when the simulator refuses the plan.
        ac.flightPlanSet = 1;
        std::lock_guard lock(engine.n.simQueues->simMutex);
        ok = engine.n.sim->setFlightPlan(ac.objectId, file) >= 0;
    }
    if (!ok)
        gf_log(fmt::format("{} creating a flight plan failed", gf_outsideText(ac.callsign)));
}

void onLiveCreated(LiveEngine& engine, LiveAc& ac)
{
    if (!ac.stream.empty() && ac.stream.front().airborne == 0)
        parkCreated(engine, ac);
    createFlightPlan(engine, ac);
}

void onAiCreated(LiveEngine& engine, LiveAc& ac)
{
    const bool onGround = !ac.stream.empty() && ac.stream.front().airborne == 0;
    if (onGround)
    {
        setSpoilers(engine, ac, false);
        const bool parked = ac.phase == GroundPhase::parked;
        std::uint32_t nav = 1;
        if (parked)
        {
            queueAcEvent(engine, ac, kEvEngineAutoShutdown);
            nav = NAV_LIGHTS_WHILE_PARKED.value() ? 1 : 0;
        }
        else
            queueAcEvent(engine, ac, kEvEngineAutoStart);
        const std::uint32_t taxi = ac.phase == GroundPhase::taxi ? 1 : 0;
        setAcLights(engine, ac, {nav, parked ? 0u : 1u, 0, taxi, 0, 1, 1});
        gf_setThrottle(engine, ac, throttleFor(ac, 0));
        gf_setFlaps(engine, ac, taxi);
    }
    else
    {
        queueAcEvent(engine, ac, kEvEngineAutoStart);
        setSpoilers(engine, ac, false);
        const std::uint32_t low = ac.alt <= kHighLightsAltFt ? 1 : 0;
        setAcLights(engine, ac, {1, 1, low, 0, 1, low, ac.agl >= kCabinLightsAglFt ? 1u : 0u});
    }
    ac.simState = SimState::active;
}

void onTouchdown(LiveEngine& engine, LiveAc& ac)
{
    ac.pitchSettle = 1;
    ac.rollOut = 1;
    engine.fastRequest = false;
    ac.touchdownHeading = ac.heading;
    ac.landing = 0;
    ac.towingCheck = 1;
    setSpoilers(engine, ac, true);
    setSpoilersThrottles(engine, ac, kFullLeverPct, ac.reverseMarker != 0 ? -kFullLeverPct : kFullLeverPct);
    const double n = ac.settleTicks;
    if (n > 0)
    {
        ac.bankStep = -ac.bank / n;
        ac.pitchStep = (ac.staticPitch - ac.pitch) / n;
    }
    else
    {
        gf_log(fmt::format("{} ! onGround slots {:.1f}", gf_outsideText(ac.callsign), n));
        ac.pitchStep = ac.staticPitch;
        ac.bankStep = 0.0;
    }
    engine.couplingQueue.push_back(ac.hexid);
}

} // namespace oxl
