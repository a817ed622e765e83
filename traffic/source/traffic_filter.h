// What the traffic-line parser filters against, published by other threads: the range circle and the
// wider one within which an aircraft already known is kept, the hexids known, the park airport and its
// elevation, and the collection of callsigns seen.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace oxl
{

/// One consistent copy of the filter values, taken once per datagram.
struct FilterSnapshot
{
    double rangeLat = 0.0;                ///< [deg] centre of the range circle
    double rangeLon = 0.0;                ///< [deg]
    double radiusNm = 0.0;                ///< [nm] radius of the range circle: new aircraft are taken within
    double heldRadiusNm = 0.0;            ///< [nm] the automatic range's largest radius of late, 0 when none
    std::optional<double> refElevationFt; ///< [ft] park airport elevation, absent without one
    bool parkSet = false;                 ///< a park airport is set (its code is not empty)
    double parkLat = 0.0;                 ///< [deg] park airport position
    double parkLon = 0.0;                 ///< [deg]
};

/// [s] how long the let-go radius keeps the automatic range's largest radius: a range that shrinks and
/// grows again, as in a holding near the range's edge, lets nothing go in between.
inline constexpr std::int32_t kRangeHoldSeconds = 300;

/// [nm] the radius beyond which an aircraft already known is let go: a fifth beyond the larger of the
/// range and the held radius, at least 5 nm, so that a range that steps with the user's flight and a user
/// flying along its edge do not drop and take in the same aircraft again and again.
double gf_letGoRadiusNm(double radiusNm, double heldRadiusNm);

/// The let-go radius of the snapshot's values.
inline double gf_letGoRadiusNm(const FilterSnapshot& filter)
{
    return gf_letGoRadiusNm(filter.radiusNm, filter.heldRadiusNm);
}

/// The filter values under one lock: the main loop, the periodic work and the park-airport code write
/// them, the Traffic Reader reads a snapshot per datagram. The radius is read from the range setting.
class TrafficFilter
{
  public:
    /// A filter whose radius follows `radiusNm` (the program's is gRangeNm, kept in step with RANGE).
    explicit TrafficFilter(const std::atomic<double>& radiusNm) : radiusNm_(radiusNm) {}

    /// A copy of every value.
    FilterSnapshot snapshot() const;
    /// The radius beyond which an aircraft already known is let go, as now [nm].
    double letGoRadiusNm() const { return gf_letGoRadiusNm(snapshot()); }
    /// Sets the centre of the range circle.
    void setRangeReference(double latDeg, double lonDeg);
    /// Notes the range, once a second: while it is automatic, its largest is held for kRangeHoldSeconds
    /// after it was last chosen; a manual range holds nothing.
    void holdRadius(double radiusNm, bool automatic);
    /// Publishes the hexids of every aircraft the engine knows (in any order) and hands back the ones
    /// published before, so that the caller's vector is used again.
    void exchangeKnownHexids(std::vector<std::uint32_t>& hexids);
    /// True when the engine knew the hexid when it last published.
    bool knows(std::uint32_t hexid) const;
    /// Sets the reference elevation (the park airport's), or marks it absent.
    void setReferenceElevation(std::optional<double> elevationFt);
    /// Sets the park airport's position, or marks that there is none.
    void setParkAirport(bool set, double latDeg, double lonDeg);
    /// Back to the state of a new cycle: no park airport, no reference elevation, no radius held, no
    /// hexid known (range kept).
    void resetForCycle();

  private:
    const std::atomic<double>& radiusNm_;
    mutable std::mutex mutex_;
    FilterSnapshot values_;            // guarded by mutex_
    std::int32_t heldSecondsLeft_ = 0; // guarded by mutex_
    std::vector<std::uint32_t> known_; // guarded by mutex_, sorted
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
