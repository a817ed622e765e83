#include "traffic/engine/flight_commands.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "simlink/sim_ids.h"

#include <fmt/format.h>

#include <mutex>

namespace oxl
{

namespace
{
// The engines turn only when a Rotorcraft keeps this step.
constexpr std::uint32_t kRotorcraftThrottle = 4;
constexpr std::uint32_t kNoThrottleSent = 5;

bool isRotorcraft(const SimAc& ac)
{
    return ac.category == AcCategory::Rotorcraft;
}
} // namespace

void queueAcEvent(LiveEngine& engine, const SimAc& ac, std::uint32_t eventId, std::uint32_t data)
{
    engine.n.simQueues->queueSimEvent(SimEventEntry{ac.objectId, eventId, data});
}

void gf_setThrottle(LiveEngine& engine, SimAc& ac, std::uint32_t step)
{
    if (step == ac.throttleIndex)
        return;
    if (step < kThrottleData.size())
        queueAcEvent(engine, ac, kEvThrottleSet, kThrottleData[step]);
    ac.throttleIndex = step < kThrottleData.size() ? step : kNoThrottleSent;
}

void gf_setFlaps(LiveEngine& engine, SimAc& ac, std::uint32_t step)
{
    if (isRotorcraft(ac) || step == ac.flapsIndex)
        return;
    if (step < kFlapsData.size())
        queueAcEvent(engine, ac, kEvFlapsSet, kFlapsData[step]);
    else
        gf_logMarked("gf_setFlaps: invalid flaps index");
    ac.flapsIndex = step;
}

void setGear(LiveEngine& engine, const SimAc& ac, bool down)
{
    if (!isRotorcraft(ac))
        queueAcEvent(engine, ac, kEvGearSet, down ? 1 : 0);
}

void setSpoilers(LiveEngine& engine, const SimAc& ac, bool out)
{
    if (!isRotorcraft(ac))
        queueAcEvent(engine, ac, kEvSpoilersSet, out ? kSpoilersOut : 0);
}

void setAcLights(LiveEngine& engine, const SimAc& ac, const LightSet& lights)
{
    static constexpr std::array<std::uint32_t, 7> kLightEvents{
        kEvNavLights, kEvBeaconLights, kEvLandingLights, kEvTaxiLights,
        kEvStrobes,   kEvLogoLights,   kEvCabinLights};
    SimQueues& queues = *engine.n.simQueues;
    // One hold: the frame sender never sends half a light set.
    std::lock_guard lock(queues.simMutex);
    for (std::size_t i = 0; i < kLightEvents.size(); ++i)
        queues.events.push_back(SimEventEntry{ac.objectId, kLightEvents[i], lights[i]});
}

void setAcCabinLights(LiveEngine& engine, const SimAc& ac, bool on)
{
    queueAcEvent(engine, ac, kEvCabinLights, on ? 1 : 0);
}

void setSpoilersThrottles(LiveEngine& engine, const SimAc& ac, double spoilersPct, double throttlePct)
{
    if (ac.category == AcCategory::Light)
        return;
    std::int32_t result = 0;
    {
        // The client library does not serialise calls on one connection.
        std::lock_guard lock(engine.n.simQueues->simMutex);
        result = engine.n.sim->setSpoilersThrottles(ac.objectId, spoilersPct, throttlePct, throttlePct);
    }
    if (result < 0)
        gf_logMarked(
            fmt::format("SimConnect SetDataOnSimObject spoilers/throttles of {} fails", ac.objectId));
}

std::uint32_t throttleFor(const SimAc& ac, std::uint32_t step)
{
    return isRotorcraft(ac) ? kRotorcraftThrottle : step;
}

void setParkedConfig(LiveEngine& engine, SimAc& ac)
{
    if (ac.throttleIndex != 0)
    {
        queueAcEvent(engine, ac, kEvThrottleSet, 0);
        ac.throttleIndex = 0;
    }
    gf_setFlaps(engine, ac, 0);
    queueAcEvent(engine, ac, kEvEngineAutoShutdown);
    std::uint32_t cabin = 1;
    if (ac.standCargo != 0)
        cabin = 0;
    else if (RANDOM.value())
        cabin = gf_randomEngine()() % 10 <= 8 ? 1 : 0;
    setAcLights(engine, ac, {NAV_LIGHTS_WHILE_PARKED.value() ? 1u : 0u, 0, 0, 0, 0, 1, cabin});
}

} // namespace oxl
