#include "traffic/source/traffic_filter.h"

#include <algorithm>

namespace oxl
{

namespace
{
constexpr double kLetGoFraction = 0.2;
constexpr double kLeastLetGoMarginNm = 5.0;
} // namespace

double gf_letGoRadiusNm(double radiusNm, double heldRadiusNm)
{
    const double widest = std::max(radiusNm, heldRadiusNm);
    return widest + std::max(kLetGoFraction * widest, kLeastLetGoMarginNm);
}

FilterSnapshot TrafficFilter::snapshot() const
{
    std::lock_guard lock(mutex_);
    FilterSnapshot copy = values_;
    copy.radiusNm = radiusNm_.load(std::memory_order_relaxed);
    return copy;
}

void TrafficFilter::setRangeReference(double latDeg, double lonDeg)
{
    std::lock_guard lock(mutex_);
    values_.rangeLat = latDeg;
    values_.rangeLon = lonDeg;
}

void TrafficFilter::holdRadius(double radiusNm, bool automatic)
{
    std::lock_guard lock(mutex_);
    if (!automatic)
        values_.heldRadiusNm = 0.0;
    else if (radiusNm >= values_.heldRadiusNm || --heldSecondsLeft_ <= 0)
    {
        values_.heldRadiusNm = radiusNm;
        heldSecondsLeft_ = kRangeHoldSeconds;
    }
}

void TrafficFilter::exchangeKnownHexids(std::vector<std::uint32_t>& hexids)
{
    std::sort(hexids.begin(), hexids.end());
    std::lock_guard lock(mutex_);
    known_.swap(hexids);
}

bool TrafficFilter::knows(std::uint32_t hexid) const
{
    std::lock_guard lock(mutex_);
    return std::binary_search(known_.begin(), known_.end(), hexid);
}

void TrafficFilter::setReferenceElevation(std::optional<double> elevationFt)
{
    std::lock_guard lock(mutex_);
    values_.refElevationFt = elevationFt;
}

void TrafficFilter::setParkAirport(bool set, double latDeg, double lonDeg)
{
    std::lock_guard lock(mutex_);
    values_.parkSet = set;
    values_.parkLat = set ? latDeg : 0.0;
    values_.parkLon = set ? lonDeg : 0.0;
}

void TrafficFilter::resetForCycle()
{
    std::lock_guard lock(mutex_);
    values_.refElevationFt.reset();
    values_.parkSet = false;
    values_.parkLat = 0.0;
    values_.parkLon = 0.0;
    values_.heldRadiusNm = 0.0;
    heldSecondsLeft_ = 0;
    known_.clear();
}

void CallsignCollector::start()
{
    std::lock_guard lock(mutex_);
    callsigns_.clear();
    collect_.store(1);
}

void CallsignCollector::stop()
{
    collect_.store(0);
}

void CallsignCollector::offer(std::string_view callsign)
{
    if (!collecting())
        return;
    std::lock_guard lock(mutex_);
    callsigns_.emplace(callsign);
}

std::unordered_set<std::string> CallsignCollector::copy() const
{
    std::lock_guard lock(mutex_);
    return callsigns_;
}

void CallsignCollector::clear()
{
    std::lock_guard lock(mutex_);
    callsigns_.clear();
}

} // namespace oxl
