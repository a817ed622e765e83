// The parking state of one cycle and the stand lookup by position.
#include "airports/parking_state.h"
#include "airports/airports_state.h"

#include "airports/airport_reading.h"

#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "liveries/livery_matching.h"

#include <cmath>
#include <utility>

namespace oxl
{

namespace
{

/// [nm] a position this near a stand is at that stand.
constexpr double kAtStandNm = metresToNm(55.0);
/// [deg] positions closer than this are the same position for the cache.
constexpr double kSamePositionDeg = 1e-8;
/// Room for the planned static aircraft of the largest airports.
constexpr std::size_t kStaticParkedCapacity = 512;

} // namespace

bool NoParkingServices::matchStaticLivery(AcProfile& ac, const std::string& standName, bool standCargo)
{
    return gf_matchStaticAcLivery(ac, standName, standCargo);
}

void StandLocator::publish(const std::vector<Stand>& stands)
{
    std::vector<Spot> spots;
    spots.reserve(stands.size());
    for (const Stand& s : stands)
    {
        spots.push_back({s.name, s.latitude, s.longitude});
    }
    const std::lock_guard lock(mutex_);
    spots_ = std::move(spots);
    // A cached name may belong to a stand that is gone now.
    cacheValid_ = false;
}

void StandLocator::clear()
{
    const std::lock_guard lock(mutex_);
    spots_.clear();
    cacheValid_ = false;
}

std::string StandLocator::standAt(double lat, double lon)
{
    const std::lock_guard lock(mutex_);
    if (spots_.empty())
    {
        return {};
    }
    if (cacheValid_ && std::fabs(lat - cachedLat_) <= kSamePositionDeg &&
        std::fabs(lon - cachedLon_) <= kSamePositionDeg)
    {
        return cachedName_;
    }
    double best = 900.0; // [nm] farther than any stand of one airport
    const Spot* nearest = nullptr;
    for (const Spot& s : spots_)
    {
        if (gf_latitudesApart(lat, s.latitude, kAtStandNm))
        {
            continue;
        }
        const double d = gf_distanceNm({lat, lon}, {s.latitude, s.longitude});
        if (d < best)
        {
            best = d;
            nearest = &s;
        }
    }
    cachedName_ = nearest != nullptr && best <= kAtStandNm ? nearest->name : std::string();
    cachedLat_ = lat;
    cachedLon_ = lon;
    cacheValid_ = true;
    return cachedName_;
}

void ParkingState::reset()
{
    stands.clear();
    staticAircraft.clear();
    staticParked.clear();
    staticParked.reserve(kStaticParkedCapacity);
    parkCandidates.clear();
    liveParked.clear();
    retire.clear();
    liveCallsignSnapshot.clear();
    parkAirports.clear();
    parkAirport = Airport{};
    fileLoaded = false;
    handmadeFile = 0;
    trafficWeek = 0;
    learnedFile.clear();
    // The site may have gained stock files since the last cycle asked.
    gf_forgetStockProbes();
    reservedStand.clear();
    maxPark = 0;
    maxParkRemoved.clear();
    wantedPercentage = 0;
    averageLiveStay = -1.0f;
    averageStaticStay = -1.0f;
    learnedUpdates = 0;
    learnedUpdatesShown = 0;
    lastRealOffset = 0;
    lastSoftOffset = -1;
    softUsed = false;
    locator.clear();
}

void ParkingState::setStands(std::vector<Stand> newStands)
{
    stands = std::move(newStands);
    locator.publish(stands);
}

std::string gf_standNameById(std::uint32_t standId)
{
    return gf_standNameById(gAirports.gParking.stands, standId);
}

} // namespace oxl
