// The parking code's state of one engine cycle: the park airport's stands, the static aircraft and the
// work lists of the static parking, with one reset for the next cycle.
#pragma once

#include "airports/airport_list.h"
#include "airports/stand.h"
#include "foundation/geodesy.h"
#include "foundation/half_hours.h"
#include "records/aircraft_records.h"
#include "records/sim_queues.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace oxl
{

/// What is known of an airport's file: there is one, there is none, or the local disk has no room for its
/// download now (no answer of the site: asked again later).
enum class FileAnswer
{
    found,
    none,
    waitsForDisk,
};

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

/// What the parking code asks of the engine, the simulator link, the livery matching, the Traffic Reader
/// and the window; the program installs its own, tests derive from NoParkingServices. It outlives the
/// cycle reset.
class ParkingServices
{
  public:
    ParkingServices() = default;
    virtual ~ParkingServices() = default;
    ParkingServices(const ParkingServices&) = delete;
    ParkingServices& operator=(const ParkingServices&) = delete;

    /// The user aircraft now (any thread that does not hold simMutex); its position (0, 0) while unknown.
    [[nodiscard]] virtual UserAcData userAircraft() = 0;
    /// Starts the removal of a live or static aircraft according to its simulator state.
    virtual void removeAircraftFromSim(SimAc& ac) = 0;
    /// The engine's live aircraft, to change in place; none while there is no engine.
    [[nodiscard]] virtual std::span<LiveAc> liveAircraft() = 0;
    /// Appends a create request to the engine's static create queue.
    virtual void queueStaticCreate(const CreateRequest& request) = 0;
    /// The engine's profile of an identity (radius, category and the category's values).
    [[nodiscard]] virtual AcProfile acProfile(const AcIdent& ident) = 0;
    /// Chooses a static aircraft's livery for its stand (name, cargo flag); true when it has a title.
    [[nodiscard]] virtual bool matchStaticLivery(AcProfile& ac, const std::string& standName,
                                                 bool standCargo) = 0;
    /// Empties the Traffic Reader's callsign set and switches its collection on.
    virtual void startCallsignCollection() = 0;
    /// Switches the collection off and hands over the collected callsigns, leaving the set empty.
    [[nodiscard]] virtual std::unordered_set<std::string> takeCollectedCallsigns() = 0;
    /// The window's status values changed: repaint them.
    virtual void repaint() = 0;
};

/// Parking on its own (tests): the user aircraft stands on the ground at (0, 0), there is no engine,
/// nothing is removed, queued, collected or repainted; profiles are the identity's own and liveries come
/// from the livery index.
class NoParkingServices : public ParkingServices
{
  public:
    [[nodiscard]] UserAcData userAircraft() override { return UserAcData{.onGround = true}; }
    void removeAircraftFromSim(SimAc& /*ac*/) override {}
    [[nodiscard]] std::span<LiveAc> liveAircraft() override { return {}; }
    void queueStaticCreate(const CreateRequest& /*request*/) override {}
    [[nodiscard]] AcProfile acProfile(const AcIdent& ident) override { return AcProfile(ident); }
    [[nodiscard]] bool matchStaticLivery(AcProfile& ac, const std::string& standName,
                                         bool standCargo) override;
    void startCallsignCollection() override {}
    [[nodiscard]] std::unordered_set<std::string> takeCollectedCallsigns() override { return {}; }
    void repaint() override {}
};

/// The parking state of one cycle.
struct ParkingState
{
    /// Empties every list and value for a new cycle; the services stay.
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
    bool fileLoaded = false;       ///< the park airport's file has been read; cleared when the airport closes
    std::uint8_t handmadeFile = 0; ///< the park airport's stands come from a hand-made learned file
    std::int32_t trafficWeek = 0;  ///< RT_traffic_week of the park airport's file; 0 = not given
    std::filesystem::path learnedFile; ///< the learned file the last read looked for; empty = by publisher
    std::string reservedStand;         ///< the park airport's reserved stand name
    std::uint32_t maxPark = 0;         ///< largest number of parked aircraft
    /// Live aircraft removed for the max-park limit, by hexid: where they stood [deg].
    std::unordered_map<std::uint32_t, std::pair<double, double>> maxParkRemoved;
    std::int32_t wantedPercentage = 0;     ///< share of stands wanted for static aircraft [%]
    float averageLiveStay = -1.0f;         ///< [h] shown in the window; -1 = not computed
    float averageStaticStay = -1.0f;       ///< [h] shown in the window; -1 = not computed
    std::uint32_t learnedUpdates = 0;      ///< learned changes since the airport file was read
    std::uint32_t learnedUpdatesShown = 0; ///< the count the window last showed
    std::int32_t lastRealOffset = 0;       ///< half-hours back of the last real search; kept by the renewal
    std::int32_t lastSoftOffset = -1;      ///< half-hours back of the last soft search; -1 = none
    bool softUsed = false;                 ///< the last static search used soft options (window "*S*")
    StandLocator locator;                  ///< stand names by position, for any thread
    /// The neighbours' services; never null.
    std::unique_ptr<ParkingServices> services = std::make_unique<NoParkingServices>();
};

/// The stand's name; "sid==0?" for id 0 and "unknown" when the park airport has no such stand.
[[nodiscard]] std::string gf_standNameById(std::uint32_t standId);

} // namespace oxl
