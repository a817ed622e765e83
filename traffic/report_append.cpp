#include "traffic/report_append.h"

#include "airports/stand.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "traffic/live_lifecycle.h"

#include <fmt/format.h>

namespace oxl
{

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
