#include "traffic/source/traffic_filter.h"

namespace oxl
{

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
