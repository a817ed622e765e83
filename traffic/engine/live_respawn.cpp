// Identity changes of known aircraft (respawn on a new callsign, route or registration), ghost callsigns
// and static twins.
#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "records/aircraft_words.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_spawning.h"

#include <fmt/format.h>

namespace oxl
{

namespace
{

bool endsWithGhostMark(const std::string& callsign)
{
    return !callsign.empty() && callsign.back() == '_';
}

std::string withoutLast(const std::string& s)
{
    return s.empty() ? s : s.substr(0, s.size() - 1);
}

std::string airlineOf(const DbaseRecord& record)
{
    return record.opr.empty() ? record.airl : record.opr;
}

bool respawn(LiveEngine& engine, LiveAc& ac)
{
    if (!GUID_CHANGES.value())
        return true;
    if (LOG.value())
        gf_log(fmt::format("          {} respawns", gf_acLabel(ac)));
    liveryRespawn(engine, ac);
    return false;
}

bool takeIfChanged(std::string& field, const std::string& incoming)
{
    if (incoming.empty() || incoming == field)
        return false;
    field = incoming;
    return true;
}

} // namespace

bool checkRespawn(LiveEngine& engine, LiveAc& ac, const TrafficLine& line)
{
    if (ac.landing || ac.takeOff)
        return true;
    if (ac.simState == SimState::buffer)
    {
        takeIfChanged(ac.destination, line.destination);
        takeIfChanged(ac.origin, line.origin);
        if (!line.callsign.empty() && line.callsign != ac.callsign)
        {
            engine.live.rename(ac, line.callsign);
            ac.receivedCallsign.clear();
        }
        takeIfChanged(ac.registration, line.registration);
        return true;
    }
    if (ac.simState != SimState::active || ac.phase == GroundPhase::pushing_back || ac.extensionCount >= 1)
        return true;
    const bool routeChanged = checkRouteChange(engine, ac, line);
    const bool registrationChanged = checkRegistrationChange(engine, ac, line);
    const bool unchanged = !routeChanged && !registrationChanged;
    if (line.callsign.empty() || line.callsign == ac.callsign || line.callsign == ac.registration ||
        line.callsign == ac.receivedCallsign)
        return unchanged ? true : respawn(engine, ac);
    if (!endsWithGhostMark(line.callsign))
        removeGhost(engine, line.callsign, ac.hexid);
    else if (ghostOriginalExists(engine, line.callsign))
        return false;
    engine.live.rename(ac, line.callsign);
    ac.receivedCallsign.clear();
    ac.secondCallsign = line.callsign;
    ac.coupledCallsign.clear();
    return respawn(engine, ac);
}

bool checkRouteChange(LiveEngine& engine, LiveAc& ac, const TrafficLine& line)
{
    // Only a route the source names counts: a line without route data neither fills nor wipes one.
    bool changed = false;
    if (ac.destination.empty() && !line.destination.empty())
    {
        ac.destination = line.destination;
        changed = true;
    }
    if (ac.origin.empty() && !line.origin.empty())
    {
        ac.origin = line.origin;
        changed = true;
    }
    if (changed || line.origin.empty() || line.destination.empty() || ac.origin == line.origin ||
        ac.destination == line.destination)
        return changed;
    const std::string& iata = engine.n.parking->parkAirport.iata;
    if (!iata.empty() && ac.origin == iata && line.destination == iata)
        return false;
    ac.origin = line.origin;
    ac.destination = line.destination;
    if (ac.onGround && ac.phase != GroundPhase::parking && ac.phase != GroundPhase::parked)
    {
        setPhase(ac, GroundPhase::taxi);
        ac.targetHeading = ac.heading;
    }
    return true;
}

bool checkRegistrationChange(LiveEngine& engine, LiveAc& ac, const TrafficLine& line)
{
    if (line.registration.empty())
        return false;
    bool changed = false;
    const bool registrationIsCallsign = ac.registration == ac.callsign;
    if (registrationIsCallsign && line.registration != ac.registration)
        changed = checkRegcodeLivery(engine, ac, line);
    else if (!registrationIsCallsign && line.registration != ac.registration)
        changed = checkRegcodeAirline(engine, ac, line);
    if (!changed && (registrationIsCallsign || ac.registration.empty()))
        changed = checkRegcodeLivery(engine, ac, line);
    ac.registration = line.registration;
    return changed;
}

bool checkRegcodeLivery(LiveEngine& engine, LiveAc& ac, const TrafficLine& line)
{
    const std::optional<std::string_view> title = engine.n.liveries->regcodeTitle(line.registration);
    if (title && *title != ac.livery)
    {
        if (const auto record = engine.lookupRegistration(line.registration))
        {
            ac.airline = airlineOf(*record);
            ac.type = record->type;
        }
        resetLivery(engine, ac);
        return true;
    }
    if (title || line.registration == ac.registration)
        return false;
    return checkRegcodeAirline(engine, ac, line);
}

bool checkRegcodeAirline(LiveEngine& engine, LiveAc& ac, const TrafficLine& line)
{
    const auto record = engine.lookupRegistration(line.registration);
    if (!record || (record->airl == ac.airline && record->type == ac.type))
        return false;
    if (!record->opr.empty() && record->opr == ac.airline)
        return false;
    const auto callsignAirline = gf_callsignAirline(line.callsign);
    if (!callsignAirline || (*callsignAirline != record->airl && *callsignAirline != record->opr))
        return false;
    ac.airline = airlineOf(*record);
    ac.type = record->type;
    resetLivery(engine, ac);
    return true;
}

void resetLivery(LiveEngine& engine, LiveAc& ac)
{
    engine.n.liveries->erasePendingTitle(ac.hexid);
    ac.livery = {};
    setPhase(ac, GroundPhase::birth);
}

void removeGhost(LiveEngine& engine, const std::string& callsign, std::uint32_t skipHexid)
{
    LiveAc* ghost = engine.live.firstWithCallsign(
        callsign,
        [&](const LiveAc& ac) { return ac.simState != SimState::removingfromsim && ac.hexid != skipHexid; });
    if (ghost != nullptr)
    {
        LiveAc& ac = *ghost;
        if (LOG.value())
        {
            if (ac.phase == GroundPhase::parked)
                gf_log(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                                   gf_standNameById(ac.standId), gf_outsideText(callsign),
                                   gf_outsideText(callsign)));
            else
                gf_log(fmt::format("          {:8} is a ghost and will be removed, continue with {}",
                                   gf_outsideText(callsign), gf_outsideText(callsign)));
        }
        engine.ghostCallsigns.push_back(callsign + "_");
        removeAircraftFromSim(engine, ac);
    }
}

bool ghostOriginalExists(const LiveEngine& engine, const std::string& callsign)
{
    if (callsign.empty())
        return false;
    return engine.live.firstWithCallsign(withoutLast(callsign), [](const LiveAc& ac)
                                         { return ac.simState != SimState::removingfromsim; }) != nullptr;
}

void removeStaticTwin(LiveEngine& engine, const LiveAc& ac, bool onGround)
{
    if (ac.callsign.empty())
        return;
    const std::string original = endsWithGhostMark(ac.callsign) ? withoutLast(ac.callsign) : std::string{};
    for (SimAc& s : engine.n.parking->staticAircraft)
    {
        if (s.simState != SimState::active)
            continue;
        const bool sameRegistration = !ac.registration.empty() && s.registration == ac.registration;
        const bool sameCallsign =
            s.secondCallsign == ac.callsign || s.coupledCallsign == ac.callsign ||
            (!ac.coupledCallsign.empty() &&
             (ac.coupledCallsign == s.secondCallsign || ac.coupledCallsign == s.coupledCallsign)) ||
            (!original.empty() && (original == s.secondCallsign || original == s.coupledCallsign));
        if (!sameRegistration && !sameCallsign)
            continue;
        if (LOG.value())
        {
            const char* where = onGround ? "on ground" : "airborne";
            if (sameRegistration)
                gf_log(fmt::format("{:8}: {:8} {} removed, new {} '{}' has same regcode {}",
                                   gf_standNameById(s.standId), gf_outsideText(s.callsign),
                                   gf_outsideText(s.registration), where, gf_outsideText(ac.callsign),
                                   gf_outsideText(ac.registration)));
            else
                gf_log(fmt::format("{:8}: {:8} '{} {}' removed, new {} {} '{}' '{}' has {} callsign",
                                   gf_standNameById(s.standId), gf_outsideText(s.callsign),
                                   gf_outsideText(s.secondCallsign), gf_outsideText(s.coupledCallsign), where,
                                   gf_outsideText(ac.callsign), gf_outsideText(ac.secondCallsign),
                                   gf_outsideText(ac.coupledCallsign),
                                   s.secondCallsign == ac.callsign ? "same" : "coupled"));
        }
        removeAircraftFromSim(engine, s);
        return;
    }
}

} // namespace oxl
