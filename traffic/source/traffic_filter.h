// What the traffic-line parser filters against, published by other threads: the range circle, the
// park airport and its elevation, and the collection of callsigns seen.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace oxl
{

/// One consistent copy of the filter values, taken once per datagram.
struct FilterSnapshot
{
    double rangeLat = 0.0;                ///< [deg] centre of the range circle
    double rangeLon = 0.0;                ///< [deg]
    double radiusNm = 0.0;                ///< [nm] radius of the range circle
    std::optional<double> refElevationFt; ///< [ft] park airport elevation, absent without one
    bool parkSet = false;                 ///< a park airport is set (its code is not empty)
    double parkLat = 0.0;                 ///< [deg] park airport position
    double parkLon = 0.0;                 ///< [deg]
};

/// The filter values under one lock: the main loop, the periodic work and the park-airport code write
/// them, the Traffic Reader reads a snapshot per datagram. The radius is read from the range setting.
class TrafficFilter
{
  public:
    /// A filter whose radius follows `radiusNm` (the program's is gRangeNm, kept in step with RANGE).
    explicit TrafficFilter(const std::atomic<double>& radiusNm) : radiusNm_(radiusNm) {}

    /// A copy of every value.
    FilterSnapshot snapshot() const;
    /// Sets the centre of the range circle.
    void setRangeReference(double latDeg, double lonDeg);
    /// Sets the reference elevation (the park airport's), or marks it absent.
    void setReferenceElevation(std::optional<double> elevationFt);
    /// Sets the park airport's position, or marks that there is none.
    void setParkAirport(bool set, double latDeg, double lonDeg);
    /// Back to the state of a new cycle: no park airport, no reference elevation (range kept).
    void resetForCycle();

  private:
    const std::atomic<double>& radiusNm_;
    mutable std::mutex mutex_;
    FilterSnapshot values_; // guarded by mutex_
};

/// The callsigns seen while collection is on, for static parking's choice of twins.
class CallsignCollector
{
  public:
    /// Empties the set and switches collection on.
    void start();
    /// Switches collection off; the set is kept.
    void stop();
    /// True while collection is on.
    bool collecting() const { return collect_.load(std::memory_order_relaxed) != 0; }
    /// Adds a callsign while collection is on.
    void offer(std::string_view callsign);
    /// A copy of the set.
    std::unordered_set<std::string> copy() const;
    /// Empties the set (reader-state reset); collection is left as it is.
    void clear();

  private:
    std::atomic<std::uint8_t> collect_{0};
    mutable std::mutex mutex_;
    std::unordered_set<std::string> callsigns_; // guarded by mutex_
};

} // namespace oxl
