// The live traffic engine's state of one cycle: every live aircraft, the spawn, ghost, unmatched and
// coupling containers, the deferred creation answers and the neighbours the engine calls. The clock, the
// simulator's queues, the liveries, the stands and the user aircraft are replaceable, so that tests run
// the engine on a fake clock with fake answers.
#pragma once

#include "airports/parking_state.h"
#include "foundation/half_hours.h"
#include "foundation/units.h"
#include "liveries/dbase.h"
#include "records/aircraft_records.h"
#include "records/sim_queues.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace oxl
{

/// [nm] the stand search radius at spawn.
inline constexpr double kSpawnStandSearchNm = metresToNm(55.0);
/// [nm] an airport's elevation is the ground for aircraft this near it.
inline constexpr double kGroundAirportNm = 10.0;
/// Hexids above this are live aircraft; at or below, static ones.
inline constexpr std::uint32_t kLastStaticHexid = 10000;

/// What the engine knows of the user aircraft (copied from the simulator link every 100 ticks).
struct UserAircraft
{
    double lat = 0.0;         ///< [deg]
    double lon = 0.0;         ///< [deg]
    double heading = 0.0;     ///< [rad] true
    double alt = 0.0;         ///< [ft]
    double agl = 0.0;         ///< [ft] above ground
    double groundSpeed = 0.0; ///< [kt]
    bool onGround = false;    ///< on the ground
};

/// FNV-1a hash of a text key, the hash of the unmatched set.
struct Fnv1aHash
{
    /// The 64-bit FNV-1a hash of the key's bytes.
    std::size_t operator()(std::string_view key) const noexcept
    {
        std::uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : key)
        {
            hash ^= c;
            hash *= 1099511628211ull;
        }
        return static_cast<std::size_t>(hash);
    }
};

/// The livery services the engine uses. An empty hook is a livery index that does not exist: no title is
/// pending, nothing matches, no registration has a special livery.
struct LiveLiveryHooks
{
    std::function<std::string_view(std::uint32_t)> takePendingTitle;        ///< gf_takePendingTitle
    std::function<void(std::uint32_t, std::string_view)> storePendingTitle; ///< pending-title map insert
    std::function<void(std::uint32_t)> erasePendingTitle;                   ///< pending-title map erase
    std::function<void(LiveAc&)> matchLiveAcLivery;                         ///< gf_matchLiveAcLivery
    std::function<std::optional<std::string_view>(const std::string&)> regcodeTitle; ///< regcode map
    std::function<void(const SimAc&)> onLiveryNotCreated; ///< gf_onLiveryNotCreated
    /// gf_lookupRegistration; empty = the aircraft database's.
    std::function<std::optional<DbaseRecord>(const std::string&)> lookupRegistration;
};

/// The stand services of static parking that have no home yet. Empty hooks: no option is learned and
/// no parking limit is checked.
struct LiveStandHooks
{
    /// lt_addStandOption(stand id, aircraft, time, close visit): records the aircraft's occupancy of the
    /// stand, the close flag set when its stay there is over; true when added or updated.
    std::function<bool(std::uint32_t, const LiveAc&, DayHalfHour, bool)> addStandOption;
    std::function<void(std::uint8_t)> maxParkCheck; ///< gf_maxParkCheck
    std::function<void()> assignStaticParking;      ///< gf_assignStaticParking: places one static aircraft
    /// True when soft stand options may be learned at the current park airport.
    std::function<bool()> learningAllowed;
    /// lt_addStandOptionOnDeparture(stand id, aircraft, kind, time, close visit); true when recorded.
    std::function<bool(std::uint32_t, const LiveAc&, std::uint32_t, DayHalfHour, bool)>
        addStandOptionOnDeparture;
};

/// The simulator calls the main loop makes directly (under simMutex), each returning the call's result
/// code (negative = failure). Empty hooks: no simulator connected, the call is skipped.
struct LiveSimDirect
{
    std::function<std::int32_t(std::uint32_t)> allLightsToggle; ///< ALL_LIGHTS_TOGGLE for an object
    std::function<std::int32_t(std::uint32_t)> requestStaticCg; ///< request 102, definition 405
    std::function<void()> simRequestError;                      ///< gf_simRequestError
    /// Definition 401 of an object: spoiler handle, throttle levers 1 and 2 [percent].
    std::function<std::int32_t(std::uint32_t, double, double, double)> setSpoilersThrottles;
    /// Request 110: the flight-plan file for an object.
    std::function<std::int32_t(std::uint32_t, const std::filesystem::path&)> setFlightPlan;
};

/// The flight steps that the phase, movement and parking code of the engine installs. An empty hook
/// leaves the lifecycle's own part: a report is appended as it is, a created aircraft becomes active
/// with no configuration, an active aircraft keeps its position.
struct LivePhaseHooks
{
    std::function<void(LiveAc&, const Report&)> appendReport; ///< appendReport
    std::function<void(LiveAc&)> onLiveCreated; ///< after object id and agl are stored (flight plan, parking)
    std::function<void(LiveAc&)> onAiCreated;   ///< configuration before the aircraft becomes active
    std::function<void(LiveAc&)> onTouchdown;   ///< the simulator reports it on the ground
    std::function<void(SimAc&)> setParkedConfig; ///< parked configuration of a created static aircraft
    std::function<void(LiveAc&)> moveActive;     ///< steps 3 and 4 of the per-tick update
    std::function<void(LiveAc&, const Stand&)> makeWayAtStand; ///< clears a stand of static aircraft
};

/// Elevation [ft] of the listed airport nearest to a latitude and longitude [deg] within kGroundAirportNm.
using ElevationQuery = std::function<std::optional<double>(double, double)>;

/// The engine's neighbours and sources; every one can be replaced by a test.
struct LiveNeighbours
{
    SimQueues* simQueues = &gSimQueues;                      ///< positions, events, creates, removals
    SimAnswerQueue* simAnswers = &gSimAnswerQueue;           ///< answers of the simulator link
    MainLoopQueues* mainQueues = &gMainLoopQueues;           ///< create deques and removal queue
    ParkingState* parking = &gParking;                       ///< stands, static aircraft, park airport
    std::atomic<std::int32_t>* tickCounter = nullptr;        ///< the main loop's tick; nullptr = gTickCounter
    std::function<UserAircraft()> userAircraft;              ///< empty: position unknown (all zero)
    std::function<std::int64_t()> steadyNow100ns;            ///< empty: the platform's steady clock
    std::function<DayHalfHour()> weekdayHalfHour;            ///< empty: the time of week now
    std::function<std::filesystem::path()> flightPlanFolder; ///< empty: no flight-plan files
    ElevationQuery nearestAirportElevationFt;                ///< empty: no airport list
    LiveLiveryHooks liveries;                                ///< livery services
    LiveStandHooks stands;                                   ///< stand services
    LiveSimDirect sim;                                       ///< direct simulator calls
    LivePhaseHooks phases;                                   ///< flight steps of the other engine parts
};

/// A creation answer waiting 200 ticks before its aircraft is made active.
struct DeferredAnswer
{
    SimAnswer answer;         ///< kind liveCreated or staticCreated
    std::int32_t counter = 0; ///< ticks since the answer; -1 = done
};

/// What the intake and the end of stream did since the intake's last log line.
struct IntakeCounts
{
    std::uint64_t linesTaken = 0;          ///< traffic lines handed to the engine
    std::uint64_t droppedPastDue = 0;      ///< lines dropped because their report was already due
    std::uint64_t endOfStreamRemovals = 0; ///< aircraft given up at the end of their report stream
    std::int32_t ticks = 0;                ///< ticks since the interval began
    std::int64_t since100ns = -1;          ///< steady time the interval began; -1 = at the next tick
};

/// The engine's state of one cycle.
struct LiveEngine
{
    LiveEngine();
    LiveEngine(const LiveEngine&) = delete;
    LiveEngine& operator=(const LiveEngine&) = delete;

    /// Empties every container for a new cycle (the neighbours stay).
    void reset();

    /// The current tick.
    std::int32_t tick() const;
    /// The user aircraft as last known.
    UserAircraft user() const;
    /// Steady-clock time now [100 ns].
    std::int64_t steadyNow100ns() const;
    /// Weekday and half hour now.
    DayHalfHour weekdayHalfHour() const;
    /// The registration record, through the hook or the database.
    std::optional<DbaseRecord> lookupRegistration(const std::string& registration) const;

    /// The first live aircraft with the hexid, nullptr when none.
    LiveAc* findByHexid(std::uint32_t hexid);
    /// The first live aircraft with the object id, nullptr when none.
    LiveAc* findByObjectId(std::uint32_t objectId);
    /// Number of live aircraft in SimState active.
    std::size_t activeCount() const;

    std::vector<LiveAc> live;                ///< every live aircraft, by value
    std::vector<std::uint32_t> spawnStack;   ///< hexids waiting for a create request, last in first out
    std::vector<std::string> ghostCallsigns; ///< old callsigns with '_' appended
    std::unordered_set<std::string, Fnv1aHash> unmatchedSet; ///< keys of aircraft without a livery
    std::deque<std::uint32_t> couplingQueue; ///< hexids of spawned aircraft for the coupled search
    std::vector<std::pair<std::uint32_t, std::uint32_t>> liveParked; ///< (hexid, half-hour slot)
    std::vector<DeferredAnswer> deferred; ///< creation answers waiting for activation
    std::vector<SimAnswer> answersInHand; ///< answers taken off the queue, handled outside its lock
    bool fastRequest = false;             ///< in-range data wanted every 20 ticks
    IntakeCounts intake;                  ///< counts for the intake's log line
    LiveNeighbours n;                     ///< neighbours and sources
};

} // namespace oxl
