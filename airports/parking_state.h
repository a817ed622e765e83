// The parking code's state of one engine cycle: the park airport's stands, the static aircraft and the
// work lists of the static parking, with one reset for the next cycle.
#pragma once

#include "airports/airport_list.h"
#include "airports/stand.h"
#include "foundation/half_hours.h"
#include "foundation/geodesy.h"
#include "records/aircraft_records.h"
#include "records/sim_queues.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace oxl
{

/// An entry of the park-airport list.
struct ParkAirport
{
    std::string code;          ///< ICAO code
    std::string reservedStand; ///< stand kept free for the user aircraft; empty = none
    double latitude = 0.0;     ///< [deg]
    double longitude = 0.0;    ///< [deg]
    double distance = 0.0;     ///< [nm] from the user aircraft
};

/// A planned static aircraft.
struct StaticParked
{
    std::uint32_t standId = 0;   ///< stand to use
    std::uint32_t offset = 0;    ///< half-hours back from the search time at which the option matched
    std::string airline;         ///< from the option
    std::string type;            ///< from the option
    std::string callsign;        ///< from the option
    std::string coupledCallsign; ///< from the option
    std::string registration;    ///< from the option
    std::uint8_t stays = 0;      ///< 1: show the callsign; 0: show the coupled one (it leaves soon)
};

/// A static aircraft kept through a renewal.
struct ParkCandidate
{
    std::string shownCallsign;          ///< callsign shown in the simulator (ends in '*')
    std::string callsign;               ///< the option's callsign
    std::string coupledCallsign;        ///< the option's coupled callsign
    std::string registration;           ///< registration
    std::string airline;                ///< airline code
    std::string type;                   ///< type code
    DayHalfHour parkedSince;            ///< time of week at which it was placed
    std::uint32_t standId = 0;          ///< its stand
    std::uint8_t callsignChangeDue = 0; ///< its shown callsign must change to the coupled one
};

/// A parked live aircraft, with how long it has stood.
struct LiveParkedEntry
{
    std::string callsign;       ///< its callsign
    std::uint64_t reserved = 0; ///< always 0
    std::uint32_t standId = 0;  ///< its stand
    std::uint32_t minutes = 0;  ///< whole minutes parked; 0 while it is still reported
};

/// A static aircraft to be removed at a renewal.
struct RetireEntry
{
    std::string callsign;      ///< its shown callsign
    std::uint32_t standId = 0; ///< its stand
};

/// Names the stand at a position for any thread: the simulator thread asks for the user aircraft's
/// stand while the cycle worker replaces the stands, so the lookup works on its own copy of the stand
/// positions, published by the cycle worker, and keeps its cache under the same lock.
class StandLocator
{
  public:
    /// Takes the names and positions of the stands; the cache is dropped with the old stands.
    void publish(const std::vector<Stand>& stands);
    /// Forgets every stand.
    void clear();
    /// The name of the nearest stand within 55 m, "" when none (or no stands); repeated queries of the
    /// same position (within 1e-8 degrees) are answered from the cache.
    [[nodiscard]] std::string standAt(double lat, double lon);

  private:
    struct Spot
    {
        std::string name;
        double latitude;
        double longitude;
    };
    std::mutex mutex_;
    std::vector<Spot> spots_;
    bool cacheValid_ = false;
    double cachedLat_ = 0.0;
    double cachedLon_ = 0.0;
    std::string cachedName_;
};

/// What the parking code needs of the engine, the simulator link and the window; installed by the
/// program, replaced by tests. The hooks outlive the cycle reset.
struct ParkingHooks
{
    /// True while the user aircraft stands on the ground (any thread).
    std::function<bool()> userOnGround = [] { return true; };
    /// Starts the removal of a live or static aircraft according to its simulator state.
    std::function<void(SimAc&)> removeAircraftFromSim = [](SimAc&) {};
    /// The window's status values changed: repaint them.
    std::function<void()> repaint = [] {};
    /// True while reports keep arriving for the parked aircraft (its stream is not being extended).
    std::function<bool(const LiveAc&)> stillReported = [](const LiveAc& ac)
    { return ac.extensionCount == 0; };
    /// The user aircraft's position [deg]; (0, 0) while unknown.
    std::function<LatLon()> userPosition = [] { return LatLon{}; };
    /// The engine's live aircraft; nullptr while there is no engine.
    std::function<std::vector<LiveAc>*()> liveAircraft = [] { return nullptr; };
    /// Appends a create request to the engine's static create queue.
    std::function<void(const CreateRequest&)> queueStaticCreate = [](const CreateRequest&) {};
    /// The engine's profile of an identity (radius, category and the category's values).
    std::function<AcProfile(const AcIdent&)> acProfile = [](const AcIdent& ident) { return AcProfile(ident); };
    /// Chooses a static aircraft's livery for its stand (name, cargo flag); true when it has a title.
    std::function<bool(AcProfile&, const std::string&, bool)> matchStaticLivery;
    /// Empties the Traffic Reader's callsign set and switches its collection on.
    std::function<void()> startCallsignCollection = [] {};
    /// Switches the collection off and hands over the collected callsigns, leaving the set empty.
    std::function<std::unordered_set<std::string>()> takeCollectedCallsigns = [] {
        return std::unordered_set<std::string>{};
    };
};

/// The parking state of one cycle.
struct ParkingState
{
    /// Empties every list and value for a new cycle; the hooks stay.
    void reset();
    /// Replaces the park airport's stands (cycle worker) and publishes their positions.
    void setStands(std::vector<Stand> newStands);
    /// Publishes the stand positions again after stands were added or renamed in place.
    void publishStandPositions() { locator.publish(stands); }

    std::vector<Stand> stands;                            ///< stands of the current park airport
    std::vector<SimAc> staticAircraft;                    ///< static parked aircraft
    std::vector<StaticParked> staticParked;               ///< planned static aircraft
    std::vector<ParkCandidate> parkCandidates;            ///< static aircraft kept through a renewal
    std::vector<LiveParkedEntry> liveParked;              ///< parked live aircraft, longest parked last
    std::vector<RetireEntry> retire;                      ///< static aircraft to remove at a renewal
    std::unordered_set<std::string> liveCallsignSnapshot; ///< callsigns live at the renewal
    std::list<ParkAirport> parkAirports;                  ///< the park-airport list
    Airport parkAirport;                                  ///< the current park airport; empty code = none
    bool fileLoaded = false; ///< the park airport's file has been read; cleared when the airport closes
    std::uint8_t handmadeFile = 0; ///< the park airport's stands come from a hand-made learned file
    std::int32_t trafficWeek = 0;  ///< RT_traffic_week of the park airport's file; 0 = not given
    std::filesystem::path learnedFile; ///< the learned file the last read looked for; empty = by publisher
    std::string reservedStand;                            ///< the park airport's reserved stand name
    std::uint32_t maxPark = 0;                            ///< largest number of parked aircraft
    /// Live aircraft removed for the max-park limit, by hexid: where they stood [deg].
    std::unordered_map<std::uint32_t, std::pair<double, double>> maxParkRemoved;
    std::int32_t wantedPercentage = 0;                    ///< share of stands wanted for static aircraft [%]
    float averageLiveStay = -1.0f;                        ///< [h] shown in the window; -1 = not computed
    float averageStaticStay = -1.0f;                      ///< [h] shown in the window; -1 = not computed
    std::uint32_t learnedUpdates = 0;                     ///< learned changes since the airport file was read
    std::uint32_t learnedUpdatesShown = 0;                ///< the count the window last showed
    std::int32_t lastRealOffset = 0;   ///< half-hours back of the last real search; kept by the renewal
    std::int32_t lastSoftOffset = -1;  ///< half-hours back of the last soft search; -1 = none
    bool softUsed = false;             ///< the last static search used soft options (window "*S*")
    StandLocator locator;                                 ///< stand names by position, for any thread
    ParkingHooks hooks;                                   ///< the neighbours' services
};

/// The program's parking state.
extern ParkingState gParking;

/// The stand's name; "sid==0?" for id 0 and "unknown" when the park airport has no such stand.
[[nodiscard]] std::string gf_standNameById(std::uint32_t standId);

} // namespace oxl
