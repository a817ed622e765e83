// The live traffic engine's state of one cycle: every live aircraft, the spawn, ghost, unmatched and
// coupling containers, the deferred creation answers and the neighbours the engine calls. The clock, the
// simulator's queues, the liveries, the stands and the user aircraft are replaceable, so that tests run
// the engine on a fake clock with fake answers.
#pragma once

#include "airports/airports_state.h"
#include "foundation/half_hours.h"
#include "foundation/units.h"
#include "records/aircraft_records.h"
#include "records/records_state.h"
#include "traffic/engine/engine_ports.h"
#include "traffic/engine/live_list.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace oxl
{

class TrafficFilter;

/// [nm] the stand search radius at spawn.
inline constexpr double kSpawnStandSearchNm = metresToNm(55.0);
/// [nm] an airport's elevation is the ground for aircraft this near it.
inline constexpr double kGroundAirportNm = 10.0;
/// Hexids above this are live aircraft; at or below, static ones.
inline constexpr std::uint32_t kLastStaticHexid = 10000;

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

/// The engine's neighbours and sources; every one can be replaced by a test.
struct LiveNeighbours
{
    SimQueues* simQueues = &gRecords.gSimQueues;            ///< positions, events, creates, removals
    SimAnswerQueue* simAnswers = &gRecords.gSimAnswerQueue; ///< answers of the simulator link
    MainLoopQueues* mainQueues = &gRecords.gMainLoopQueues; ///< create deques and removal queue
    ParkingState* parking = &gAirports.gParking;            ///< stands, static aircraft, park airport
    std::atomic<std::int32_t>* tickCounter =
        nullptr;                     ///< the main loop's tick; nullptr = gSource.gTickCounter
    TrafficFilter* filter = nullptr; ///< the Traffic Reader's filter; nullptr = gSource.gTrafficFilter
    std::unique_ptr<EngineClock> clock = std::make_unique<PlatformClock>(); ///< steady time, time of week
    std::unique_ptr<LiveryPort> liveries = std::make_unique<NoLiveries>();  ///< livery services
    std::unique_ptr<StandLearningPort> stands = std::make_unique<NoStandLearning>(); ///< stand learning
    std::unique_ptr<ParkingPort> staticParking = std::make_unique<NoParking>(); ///< static parking, airports
    std::unique_ptr<SimulatorPort> sim = std::make_unique<NoSimulator>();       ///< the simulator link
    std::unique_ptr<FlightSteps> phases = std::make_unique<NoFlightSteps>();    ///< the engine's flight steps
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
    std::int32_t ticks = 0;                ///< ticks begun in the interval
    std::int64_t covered100ns = 0;         ///< running time of the interval's stretches that ended
    std::int64_t stretchStart100ns = -1;   ///< steady time the running stretch began; -1 = not running
    std::int64_t lastTickStart100ns = -1;  ///< steady time the latest tick began
};

/// An aircraft removed as behind its reports: for a while, once it is created again where its reports
/// went, its source's jumps back to where it was (two feeds reporting one hexid in two places) are
/// dropped, or it would be created again at every jump.
struct LeftPlace
{
    std::uint32_t hexid = 0;
    std::int32_t untilTick = 0; ///< jumps are dropped until this tick
    bool logged = false;        ///< a drop was logged
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
    UserAcData user() const;
    /// Steady-clock time now [100 ns].
    std::int64_t steadyNow100ns() const;
    /// Weekday and half hour now.
    DayHalfHour weekdayHalfHour() const;
    /// The Traffic Reader's filter: the range, the let-go radius and the hexids it knows of the engine.
    TrafficFilter& filter() const;
    /// Hands the hexids of every live aircraft to the filter when the list changed since it last did, so
    /// that the reader keeps following them beyond the range.
    void publishKnownHexids();
    /// The registration record, through the hook or the database.
    std::optional<DbaseRecord> lookupRegistration(const std::string& registration) const;

    /// The first live aircraft with the hexid, nullptr when none.
    LiveAc* findByHexid(std::uint32_t hexid);
    /// The first live aircraft with the object id, nullptr when none.
    LiveAc* findByObjectId(std::uint32_t objectId);
    /// Takes the live or static aircraft of the hexid out of the engine at once, the order of the others
    /// kept: for one that has no object in the simulator and no request on the way to it.
    void dropByHexid(std::uint32_t hexid);
    /// Number of live aircraft in SimState active.
    std::size_t activeCount() const;

    LiveList live;                           ///< every live aircraft, by value
    std::vector<std::uint32_t> spawnStack;   ///< hexids waiting for a create request, last in first out
    std::vector<std::string> ghostCallsigns; ///< old callsigns with '_' appended
    std::unordered_set<std::string, Fnv1aHash> unmatchedSet; ///< keys of aircraft without a livery
    std::deque<std::uint32_t> couplingQueue; ///< hexids of spawned aircraft for the coupled search
    std::vector<std::pair<std::uint32_t, std::uint32_t>> liveParked; ///< (hexid, half-hour slot)
    std::vector<DeferredAnswer> deferred; ///< creation answers waiting for activation
    std::vector<LeftPlace> leftPlaces;    ///< aircraft removed as behind their reports, a few minutes each
    std::unordered_set<std::uint32_t> unshownLogged; ///< hexids logged as not shown for want of a callsign
    std::vector<SimAnswer> answersInHand;   ///< answers taken off the queue, handled outside its lock
    bool fastRequest = false;               ///< in-range data wanted every 20 ticks
    IntakeCounts intake;                    ///< counts for the intake's log line
    std::uint64_t publishedChanges = ~0ull; ///< the list's membership count when its hexids were published
    std::vector<std::uint32_t> hexidsToPublish; ///< kept between publications, to reuse its memory
    LiveNeighbours n;                           ///< neighbours and sources
};

} // namespace oxl
