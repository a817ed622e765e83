#include "traffic/engine/report_append.h"

#include "airports/stand.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "traffic/engine/end_of_stream.h"
#include "traffic/engine/live_lifecycle.h"

#include <fmt/format.h>

#include <cstdint>

namespace oxl
{

namespace
{

// Reports that keep moving away from the stand before a departure counts.
constexpr std::int32_t kAwayReports = 3;
constexpr std::int32_t kWideMargin = 3000;    // [ticks]
constexpr std::int32_t kTakeOffMargin = 5000; // [ticks]

// [ticks] a stay shorter than this at the stand means the aircraft was towed there, not flown in.
std::uint32_t towedStayTicks(AcCategory category)
{
    switch (category)
    {
    case AcCategory::Heavy:
        return 360000; // 1 h
    case AcCategory::Large:
        return 150000; // 25 min
    case AcCategory::Buzjets:
        return 90000; // 15 min
    default:
        return 0;
    }
}

// The departure is real: the aircraft leaves the stand, and a first departure ends its parking.
bool departs(LiveEngine& engine, LiveAc& ac, Report& report)
{
    report.stationary = 0;
    ac.departureSeen = 1;
    if (ac.previousPhase == GroundPhase::parked)
        return true;
    finishParking(engine, ac);
    ac.previousPhase = ac.phase;
    ac.phase = GroundPhase::parked;
    return true;
}

} // namespace

bool checkParkedReport(LiveEngine& engine, LiveAc& ac, Report& report)
{
    const bool first = ac.leavingStand == 0;
    ac.leavingStand = 1;
    const double d = gf_distanceNm({ac.standLat, ac.standLon}, {report.lat, report.lon});
    const double band = ac.previousPhase == GroundPhase::parking ? 2.0 * kParkedBandNm : kParkedBandNm;
    if (d <= band)
    {
        ac.parkedSince = engine.steadyNow100ns();
        if (first)
        {
            ac.firstStandDistance = d;
            ac.lastStandDistance = d;
            ac.awayCount = 0;
            ac.departureSeen = 0;
            return false;
        }
        if (d >= ac.lastStandDistance + kStandStepNm)
        {
            ac.awayCount += 1;
            ac.lastStandDistance = d;
            const double moved = d - ac.firstStandDistance;
            if ((ac.awayCount < kAwayReports || moved < ac.radius / 2.0) && moved <= ac.radius)
            {
                ac.departureSeen = 0;
                return false;
            }
            return departs(engine, ac, report);
        }
        if (d <= ac.lastStandDistance - kStandStepNm)
            ac.awayCount = 0;
        return false;
    }
    if (ac.phase == GroundPhase::parking)
    {
        // It drove past the stand it was sent to: it taxis on.
        ac.previousPhase = ac.phase;
        ac.phase = GroundPhase::taxi;
        report.stationary = 0;
        return true;
    }
    if (d > kParkedJumpNm)
    {
        removeAircraftFromSim(engine, ac);
        return false;
    }
    return departs(engine, ac, report);
}

void finishParking(LiveEngine& engine, LiveAc& ac)
{
    const std::int32_t tick = engine.tick();
    if (ac.extensionCount >= 1 && !ac.stream.empty())
    {
        Report& front = ac.stream.front();
        if (ac.phase == GroundPhase::parked && ac.towingCheck != 0)
        {
            // The parked extension is dated seven days ahead; the wrap-around of 32-bit ticks is harmless.
            const std::uint32_t stayed = static_cast<std::uint32_t>(tick) -
                                         static_cast<std::uint32_t>(front.dueTick) +
                                         static_cast<std::uint32_t>(kParkedExtensionTicks);
            if (stayed < towedStayTicks(ac.category))
                ac.towed = 1;
            ac.towingCheck = 0;
        }
        front.dueTick = tick + 1;
        ac.extensionCount = 0;
        ac.earlyMargin = kWideMargin;
        ac.lateMargin = ac.takeOff != 0 ? kTakeOffMargin : kWideMargin;
    }
    if (ac.airline.empty() || ac.standCargo != ac.cargo)
        return;
    const DayHalfHour now = engine.weekdayHalfHour();
    if (engine.n.stands->addStandOption(ac.standId, ac, now, true))
        gf_learnGate(engine, now, ac.hexid, true);
}

void avoidStatics(LiveEngine& engine, LiveAc& ac)
{
    if (ac.rollOut || ac.takeOff)
        return;
    ac.lastAvoidLat = ac.lat;
    ac.lastAvoidLon = ac.lon;
    ParkingState& parking = *engine.n.parking;
    for (SimAc& statik : parking.staticAircraft)
    {
        if (statik.simState != SimState::active || statik.callsign == ac.callsign)
            continue;
        const Stand* stand = gf_findStandById(parking.stands, statik.standId);
        if (stand == nullptr)
            continue;
        const double apartNm = gf_distanceNm({stand->latitude, stand->longitude}, {ac.lat, ac.lon});
        if (apartNm > kStaticClearanceFactor * (statik.radius + ac.radius))
            continue;
        if (LOG.value())
            gf_log(fmt::format("{:8}: {:8} removed for collision avoidance with static {}", stand->name,
                               statik.callsign, ac.callsign));
        removeAircraftFromSim(engine, statik);
        return;
    }
}

} // namespace oxl
