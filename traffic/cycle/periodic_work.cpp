#include "traffic/cycle/periodic_work.h"

#include "airports/airport_list.h"
#include "airports/free_stands.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/periodic_requests.h"
#include "foundation/run_state.h"
#include "foundation/time_text.h"
#include "foundation/units.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_sender.h"
#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/engine/engine_state.h"
#include "traffic/engine/live_cycle.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/report_append.h"
#include "traffic/source/source_link.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_display.h"
#include "traffic/source/traffic_filter.h"
#include "traffic/source/udp_readers.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/window_state.h"

#include <fmt/format.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace oxl
{

namespace
{

// [ft] above ground below which the user aircraft counts as low over the ground.
constexpr double kLowUserAglFt = 500.0;
// [nm] reach of the low-over-the-ground rule.
constexpr double kLowRangeNm = 1.0;
// [ft] half width of the strip along the user's heading that a ground aircraft must leave.
constexpr double kLowLateralFt = 50.0;
// [nm] reach of the crossing-traffic rule.
constexpr double kCrossingRangeNm = 4.0;
// [ft] height band of the crossing-traffic rule.
constexpr double kCrossingBandFt = 1000.0;
// [ft] distance of the user from an aircraft's heading line below which that aircraft is removed.
constexpr double kCrossingLateralFt = 700.0;
// Margins on the sum of both radii on the ground: live aircraft, static aircraft.
constexpr double kGroundLiveMargin = 1.15;
constexpr double kGroundStaticMargin = 1.1;
// [deg] a position change smaller than this is no movement.
constexpr double kMovedDeg = 0.00000001;
// Seconds of the longer cadences.
constexpr std::int32_t kAutoRangeSeconds = 30;
constexpr std::int32_t kMinuteSeconds = 60;
constexpr std::int32_t kRenewalSeconds = 1200;
constexpr std::int32_t kRenewalMinutes = 20;
constexpr std::int32_t kDaySeconds = 86400;
constexpr std::int32_t kParkAirportSeconds = 16;
constexpr std::int32_t kReaderStatusSeconds = 59;
constexpr std::int32_t kDoubleCheckSeconds = 61;

bool moved(double lat, double lon, double lastLat, double lastLon)
{
    return std::fabs(lat - lastLat) >= kMovedDeg || std::fabs(lon - lastLon) >= kMovedDeg;
}

void serveFlushRequest()
{
    if (gFoundation.gFlushStaticRequest.load() == 0)
        return;
    gCycle.gPeriodic->removeQueuedStatic();
    gFoundation.gFlushStaticRequest.store(0);
    if (!INITIAL_LOAD_ONLY.value())
    {
        // Not saved: no renewal brings static aircraft back in this run, and a restart reads the user's own
        // choice again.
        INITIAL_LOAD_ONLY.set(true);
        gf_cyclePorts().window->showCheck(INITIAL_LOAD_ONLY);
    }
}

void serveBlockRequest(LiveEngine& engine)
{
    if (gFoundation.gBlockCallsignRequest.load() == 0)
        return;
    const std::string blocked = BLOCK_CALLSIGN.value();
    if (!blocked.empty())
    {
        for (LiveAc& ac : engine.live)
        {
            // One still waiting for the simulator to add it is let go: it would be shown when added.
            if (ac.callsign == blocked &&
                (ac.simState == SimState::active || ac.simState == SimState::adding2sim))
            {
                removeAircraftFromSim(engine, ac);
                break;
            }
        }
    }
    gFoundation.gBlockCallsignRequest.store(0);
}

// The nav lights of every parked aircraft follow the "Nav lights" box.
void serveNavLightsRequest(LiveEngine& engine)
{
    const std::uint8_t request = gFoundation.gNavLightsRequest.exchange(0);
    if (request == 0)
        return;
    const std::uint32_t on = request == 2 ? 1 : 0;
    for (const SimAc& ac : engine.n.parking->staticAircraft)
        if (ac.simState == SimState::active)
            gf_queueSimEvent(SimEventEntry{ac.objectId, kEvNavLights, on});
    for (const LiveAc& ac : engine.live)
        if (ac.simState == SimState::active && ac.phase == GroundPhase::parked)
            gf_queueSimEvent(SimEventEntry{ac.objectId, kEvNavLights, on});
}

// A destination typed into the window: known airports become the destination, others are refused.
void serveDestinationRequest()
{
    const std::optional<std::string> code = gf_takeDestinationRequest();
    if (!code)
        return;
    const Airport* airport = gf_findAirport(*code);
    if (airport == nullptr)
    {
        gf_showMessage(fmt::format("destination '{}' is unknown ...", *code), true);
        gf_setStringBoxText(DESTINATION);
        return;
    }
    gf_cyclePorts().window->newDestination(airport->code, airport->latitude, airport->longitude);
}

// What the window's controls asked of the cycle since the last second.
void serveWindowRequests(LiveEngine& engine)
{
    serveNavLightsRequest(engine);
    if (gFoundation.gTrimLiveRequest.exchange(0) != 0)
        gf_trimLiveToMax(engine);
    if (gFoundation.gAutoRangeRequest.exchange(0) != 0 && AUTO_RANGE.value())
        gf_cyclePorts().window->autoRangeStep();
    serveDestinationRequest();
}

// Low over the ground: a ground aircraft near the user's heading line; crossing traffic: an aircraft at
// the user's height whose heading line passes close to the user.
bool avoidInTheAir(LiveEngine& engine, const UserAcData& user)
{
    const LatLon userPos{user.lat, user.lon};
    for (LiveAc& ac : engine.live)
    {
        if (ac.simState != SimState::active)
            continue;
        const LatLon acPos{ac.lat, ac.lon};
        const double d = gf_distanceNm(userPos, acPos);
        const double bearing = gf_bearingRad(userPos, acPos);
        if (ac.onGround != 0 && user.altAboveGround < kLowUserAglFt && d <= kLowRangeNm)
        {
            const double beta = gf_wrapPi(bearing - user.heading);
            if (std::fabs(std::sin(beta)) * d * kFeetPerNm <= kLowLateralFt)
            {
                removeAircraftFromSim(engine, ac);
                return true;
            }
        }
        if (d <= kCrossingRangeNm && std::fabs(ac.alt - user.alt) < kCrossingBandFt)
        {
            const double delta = gf_wrapDeg180(ac.heading * kRadToDeg - bearing * kRadToDeg);
            const double phi = std::fabs(std::fabs(delta) - 90.0);
            if (std::cos(phi * kDegToRad) * d * kFeetPerNm <= kCrossingLateralFt)
            {
                removeAircraftFromSim(engine, ac);
                return true;
            }
        }
    }
    return false;
}

bool avoidOnTheGround(LoopContext& loop, const UserAcData& user)
{
    LiveEngine& engine = loop.engine;
    const LatLon userPos{user.lat, user.lon};
    const double halfSpanNm = user.halfSpan;
    for (LiveAc& ac : engine.live)
    {
        if (ac.onGround == 0 || ac.simState != SimState::active)
            continue;
        if (gf_distanceNm(userPos, {ac.lat, ac.lon}) <= (halfSpanNm + ac.radius) * kGroundLiveMargin)
        {
            removeAircraftFromSim(engine, ac);
            return true;
        }
    }
    LoopValues& values = loop.values;
    if (!moved(user.lat, user.lon, values.lastUserLat, values.lastUserLon))
        return false;
    values.lastUserLat = user.lat;
    values.lastUserLon = user.lon;
    for (SimAc& ac : engine.n.parking->staticAircraft)
    {
        if (ac.simState != SimState::active)
            continue;
        if (gf_distanceNm(userPos, {ac.standLat, ac.standLon}) <=
            (halfSpanNm + ac.radius) * kGroundStaticMargin)
        {
            removeAircraftFromSim(engine, ac);
            return true;
        }
    }
    return false;
}

// Taxiing and parking live aircraft that moved since their last look clear the static aircraft in their way.
void avoidStaticsNearTaxiing(LiveEngine& engine)
{
    if (!COLLISION_LIVE_PARKED_GND.value() || engine.live.empty() || engine.n.parking->staticAircraft.empty())
        return;
    for (LiveAc& ac : engine.live)
    {
        if (ac.onGround == 0 || ac.simState != SimState::active ||
            (ac.phase != GroundPhase::taxi && ac.phase != GroundPhase::parking) ||
            !moved(ac.lat, ac.lon, ac.lastAvoidLat, ac.lastAvoidLon))
            continue;
        avoidStatics(engine, ac);
    }
}

void renewalPass(LoopContext& loop)
{
    LoopValues& values = loop.values;
    if (!values.renewalPass)
    {
        values.renewalPass = true;
        gCycle.gPeriodic->disableParkingControls();
        // The callsigns heard in the next 15 seconds tell the renewal which flights are live.
        gSource.gCallsignCollector.start();
        return;
    }
    values.renewalPass = false;
    gf_clearMessage();
    const ParkingState& parking = *loop.engine.n.parking;
    if (!parking.parkAirport.code.empty() && !parking.stands.empty())
        gCycle.gPeriodic->adjustParking();
    gFoundation.gRenewalRequest.store(0);
}

} // namespace

void NoParkingWork::updateReaderStatus()
{
    gf_updateReaderStatus();
}

void gf_installPeriodicPort(PeriodicPort* port)
{
    gCycle.gPeriodic = port != nullptr ? port : &gCycle.gNoParkingWork;
}

PeriodicPort& gf_periodicPort()
{
    return *gCycle.gPeriodic;
}

LoopContext gf_programLoop()
{
    gCycle.loopOwner.check();
    return LoopContext{gf_liveEngine(), gSource.gAddingStack, gCycle.gLoopValues};
}

void gf_everySecond(LoopContext& loop)
{
    LoopValues& values = loop.values;
    if (values.paused)
    {
        values.paused = false;
        gf_log(fmt::format("{} Flight resumed", gf_nowTimeOfDay()));
        loop.adding.setAccept(true);
    }
    gf_messageSecondTick();
    gf_refreshCounts();
    gf_storeCurrentDayHalfHour();
    loop.engine.filter().holdRadius(gRangeNm.load(), AUTO_RANGE.value());
    ++values.seconds;
    gFoundation.gLoopSecondsShown.store(values.seconds);
    gf_serveCouplingQueue(loop.engine);
    serveFlushRequest();
    serveWindowRequests(loop.engine);
    gf_avoidUserAircraft(loop);
    avoidStaticsNearTaxiing(loop.engine);
    serveBlockRequest(loop.engine);
}

bool gf_avoidUserAircraft(LoopContext& loop)
{
    const UserAcData user = loop.engine.user();
    if (!user.onGround)
        return COLLISION_USER_AIR.value() && avoidInTheAir(loop.engine, user);
    return COLLISION_USER_GND.value() && avoidOnTheGround(loop, user);
}

void gf_fifteenSecondWork(LoopContext& loop)
{
    const UserAcData user = loop.engine.user();
    gSource.gTrafficFilter.setRangeReference(user.lat, user.lon);
    if (gFoundation.gProfessionalLevel.load() != 0)
        if (const std::optional<std::int64_t> simSeconds = gf_cyclePorts().sim->simUtcSeconds())
            gSource.gSourceLink.gf_sendQs123(*simSeconds);
    ParkingState& parking = *loop.engine.n.parking;
    if (!parking.reservedStand.empty())
        gf_removeAtReservedStand(parking, loop.engine.live.records());
    gf_pendingStandCheck();
    gf_every15Seconds(loop);
}

void gf_pendingStandCheck()
{
    if (gFoundation.gStandCheckRequest.load() == 0 || gWindow.gMainWindow.parkingBusy.load() != 0)
        return;
    std::string text;
    if (gCycle.gPeriodic->checkParkAirports(text))
        gf_showMessage(text, true);
    gf_enableControl(gRereadButton);
    gf_enableControl(DESTINATION);
    gFoundation.gStandCheckRequest.store(0);
}

void gf_every15Seconds(LoopContext& loop)
{
    LoopValues& values = loop.values;
    if (gFoundation.gRenewalRequest.load() != 0)
        renewalPass(loop);
    if (gSource.gTrafficDisplay.trafficState.load() == ReaderState::quiet ||
        gSource.gTrafficDisplay.qnhState.load() == ReaderState::quiet)
        gCycle.gPeriodic->updateReaderStatus();
    const CyclePorts& ports = gf_cyclePorts();
    const std::int32_t n = values.seconds;
    if (n % kAutoRangeSeconds == 0 && AUTO_RANGE.value())
        ports.window->autoRangeStep();
    if (n % kMinuteSeconds == 0)
    {
        const std::int32_t minutes = n / kMinuteSeconds;
        const std::int32_t toRenewal = (minutes / kRenewalMinutes + 1) * kRenewalMinutes - minutes;
        gWindow.gMainWindow.minutesToRenewal.store(static_cast<std::uint32_t>(toRenewal));
        gf_invalidateBand(kControlBand);
    }
    if (n % kRenewalSeconds == 0)
    {
        ports.liveries->logNoMatchList();
        if (gWindow.gMainWindow.parkAirportActive.load() != 0 && !INITIAL_LOAD_ONLY.value() &&
            gFoundation.gRenewalRequest.load() == 0)
            gFoundation.gRenewalRequest.store(1);
    }
    if (n % kDaySeconds == 0)
    {
        values.seconds = 0;
        gFoundation.gLoopSecondsShown.store(0);
        ports.liveries->logLiveryMatchSummary();
        ports.liveries->clearPendingTitles();
    }
}

void gf_otherSecondWork(LoopContext& loop)
{
    const std::int32_t n = loop.values.seconds;
    if (n % kParkAirportSeconds == 0 && !loop.values.renewalPass)
        gCycle.gPeriodic->updateParkAirport(false);
    if (n % kReaderStatusSeconds == 0)
        gCycle.gPeriodic->updateReaderStatus();
    if (n % kDoubleCheckSeconds == 0 && !loop.engine.n.parking->staticAircraft.empty())
        gf_removeDoubleAircraft(loop.engine);
}

bool gf_removeDoubleAircraft(LiveEngine& engine)
{
    for (const LiveAc& ac : engine.live)
    {
        if (ac.onGround == 0 || ac.simState != SimState::active)
            continue;
        const std::string starred = ac.callsign + "*";
        for (SimAc& other : engine.n.parking->staticAircraft)
        {
            const bool same = other.callsign == starred ||
                              (!ac.registration.empty() && ac.registration == other.registration);
            // A twin that is not active is passed over and the search goes on.
            if (same && other.simState == SimState::active)
            {
                removeAircraftFromSim(engine, other);
                return true;
            }
        }
    }
    return false;
}

} // namespace oxl
