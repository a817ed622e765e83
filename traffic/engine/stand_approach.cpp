#include "traffic/engine/stand_approach.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "liveries/dbase.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/stream_ops.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <gsl/narrow>

namespace oxl
{

namespace
{

constexpr double kSamePositionDeg = 1e-8;
constexpr double kNeighbourFactor = 1.1;

const Stand* standById(const ParkingState& parking, std::uint32_t standId)
{
    for (const Stand& stand : parking.stands)
        if (stand.standId == standId)
            return &stand;
    return nullptr;
}

} // namespace

void drive2Stand(LiveAc& ac, double lat, double lon, double heading)
{
    if (ac.stream.empty())
    {
        gf_logMarked(fmt::format("{} empty sz?", "drive2Stand"));
        return;
    }
    Report& last = ac.stream.back();
    const double speed = std::max(ac.taxiInSpeed, 1.0); // a zero profile speed must not stall the drive
    const double ticks = std::round(gf_distanceNm({ac.lat, ac.lon}, {lat, lon}) * kTicksPerHour / speed);
    const std::int32_t t = std::max(gsl::narrow<std::int32_t>(ticks), kDriveToStandMinTicks);
    last.gs = ac.taxiInSpeed;
    const bool alreadyThere =
        std::fabs(last.lat - lat) < kSamePositionDeg && std::fabs(last.lon - lon) < kSamePositionDeg;
    const Report& front = ac.stream.front();
    Report r1;
    r1.lat = lat;
    r1.lon = lon;
    r1.alt = ac.alt;
    r1.gs = ac.taxiInSpeed;
    r1.tas = ac.taxiInSpeed;
    r1.track = heading * kRadToDeg;
    r1.vs = 0.0;
    r1.dueTick = front.dueTick + t;
    r1.stationary = alreadyThere ? 1 : 0;
    r1.headingFromAdsb = front.headingFromAdsb;
    Report r2 = r1;
    r2.gs = 0.0;
    r2.tas = 0.0;
    r2.stationary = 1;
    r2.dueTick = front.dueTick + t + kDriveToStandSettleTicks;
    ac.stream.push_back(r1);
    ac.stream.push_back(r2);
    ac.targetHeading = heading;
    if (ac.extensionCount > 0)
    {
        ac.extensionCount = 0;
        ac.earlyMargin = 3000;
        ac.lateMargin = ac.takeOff ? 5000 : 3000;
    }
}

void makeWayAtStand(LiveEngine& engine, const LiveAc& ac, const Stand& stand)
{
    ParkingState& parking = *engine.n.parking;
    const bool log = LOG.value();
    for (SimAc& st : parking.staticAircraft)
    {
        if (st.standId != stand.standId)
            continue;
        // Two empty registrations say nothing about the aircraft being the same.
        const bool sameLive = (!ac.callsign.empty() && st.secondCallsign == ac.callsign) ||
                              (!ac.registration.empty() && st.registration == ac.registration);
        const char* same = sameLive ? " the same live version" : "";
        if (st.simState == SimState::active)
        {
            if (log)
                gf_log(fmt::format("{:8}: {:8} {} makes way for{} {} {}", stand.name,
                                   gf_outsideText(st.callsign), gf_outsideText(st.registration), same,
                                   gf_outsideText(ac.callsign), gf_outsideText(ac.registration)));
            removeAircraftFromSim(engine, st);
        }
        else if (st.simState == SimState::adding2sim)
        {
            if (gf_removeFromCreateDeque(engine.n.mainQueues->staticCreates, st.callsign))
            {
                st.createCancelled = 1;
                if (log)
                    gf_log(fmt::format("queued {:8}: {:8} {} makes way for{} {} {}", stand.name,
                                       gf_outsideText(st.callsign), gf_outsideText(st.registration), same,
                                       gf_outsideText(ac.callsign), gf_outsideText(ac.registration)));
            }
            else
                st.removeWhenCreated = 1;
        }
        break;
    }
    std::erase_if(parking.staticAircraft, [](const SimAc& st) { return st.createCancelled != 0; });
    for (const std::uint32_t id : stand.adjacent)
        makeWayAtAdjacentStand(engine, ac, id, stand);
}

void makeWayAtAdjacentStand(LiveEngine& engine, const LiveAc& ac, std::uint32_t adjacentId,
                            const Stand& stand)
{
    ParkingState& parking = *engine.n.parking;
    const Stand* adjacent = standById(parking, adjacentId);
    if (adjacent == nullptr)
        return;
    const double apart =
        gf_distanceNm({adjacent->latitude, adjacent->longitude}, {stand.latitude, stand.longitude});
    for (SimAc& st : parking.staticAircraft)
    {
        if (st.standId != adjacentId || st.simState != SimState::active)
            continue;
        if (apart > kNeighbourFactor * (gf_wingspan(st.type) + gf_wingspan(ac.type)))
            continue;
        if (LOG.value())
            gf_log(fmt::format("{:8}: {:8} makes way for {} parking at excluded stand {}",
                               gf_standNameById(adjacentId), gf_outsideText(st.callsign),
                               gf_outsideText(ac.callsign), stand.name));
        removeAircraftFromSim(engine, st);
        return;
    }
}

} // namespace oxl
