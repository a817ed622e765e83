// What the live engine asks of its neighbours, one narrow interface each: the livery matching, the stand
// learning, the static parking and airport list, the simulator link, the flight steps of the other engine
// parts and the clock. Each has one do-nothing implementation that tests derive from; the program
// installs its own implementation of every one.
#pragma once

#include "airports/parking_state.h"
#include "foundation/half_hours.h"
#include "liveries/dbase.h"
#include "records/aircraft_records.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace oxl
{

/// The livery services the engine uses: the pending titles of hexids, the livery cascade, the regcode map,
/// the bookkeeping of failed creations and the registration database.
class LiveryPort
{
  public:
    virtual ~LiveryPort() = default;
    /// gf_takePendingTitle: the title kept for the hexid; empty when none.
    virtual std::string_view takePendingTitle(std::uint32_t hexid) = 0;
    /// Keeps the hexid's title for a later spawn.
    virtual void storePendingTitle(std::uint32_t hexid, std::string_view title) = 0;
    /// Forgets the hexid's title.
    virtual void erasePendingTitle(std::uint32_t hexid) = 0;
    /// gf_matchLiveAcLivery: sets the aircraft's livery; left empty when nothing matches.
    virtual void matchLiveAcLivery(LiveAc& ac) = 0;
    /// The special title of a registration; none when it has none.
    virtual std::optional<std::string_view> regcodeTitle(const std::string& registration) = 0;
    /// gf_onLiveryNotCreated: the simulator refused to create the aircraft's livery.
    virtual void onLiveryNotCreated(const SimAc& ac) = 0;
    /// gf_isFailedTitle: the simulator refused to create the title.
    virtual bool isFailedTitle(std::string_view title) = 0;
    /// gf_lookupRegistration: the registration's record.
    virtual std::optional<DbaseRecord> lookupRegistration(const std::string& registration) = 0;
};

/// A livery index that does not exist: no title is pending, nothing matches, no registration has a
/// special livery; registrations are looked up in the aircraft database.
class NoLiveries : public LiveryPort
{
  public:
    std::string_view takePendingTitle(std::uint32_t) override { return {}; }
    void storePendingTitle(std::uint32_t, std::string_view) override {}
    void erasePendingTitle(std::uint32_t) override {}
    void matchLiveAcLivery(LiveAc&) override {}
    std::optional<std::string_view> regcodeTitle(const std::string&) override { return std::nullopt; }
    void onLiveryNotCreated(const SimAc&) override {}
    bool isFailedTitle(std::string_view) override { return false; }
    std::optional<DbaseRecord> lookupRegistration(const std::string& registration) override;
};

/// What the engine asks of the stand learning: live aircraft that park at, stay at and leave the park
/// airport's stands teach its stands.
class StandLearningPort
{
  public:
    virtual ~StandLearningPort() = default;
    /// True when soft stand options may be learned at the current park airport.
    virtual bool learningAllowed() = 0;
    /// lt_addStandOption: records the aircraft's occupancy of the stand at the time, the close flag set
    /// when its stay there is over; true when added or updated.
    virtual bool addStandOption(std::uint32_t standId, const LiveAc& ac, DayHalfHour time,
                                bool closeVisit) = 0;
    /// lt_addStandOptionOnDeparture: the same for an aircraft leaving (kind 1: at a stand it was seen at
    /// before); true when recorded.
    virtual bool addStandOptionOnDeparture(std::uint32_t standId, const LiveAc& ac, std::uint32_t kind,
                                           DayHalfHour time, bool closeVisit) = 0;
};

/// No stand learning: nothing may be learned and no option is recorded.
class NoStandLearning : public StandLearningPort
{
  public:
    bool learningAllowed() override { return false; }
    bool addStandOption(std::uint32_t, const LiveAc&, DayHalfHour, bool) override { return false; }
    bool addStandOptionOnDeparture(std::uint32_t, const LiveAc&, std::uint32_t, DayHalfHour, bool) override
    {
        return false;
    }
};

/// What the engine asks of the static parking and the airport list.
class ParkingPort
{
  public:
    virtual ~ParkingPort() = default;
    /// gf_assignStaticParking: places one static aircraft.
    virtual void assignStaticParking() = 0;
    /// gf_maxParkCheck: keeps the parked aircraft within their limit, counting `extra` more.
    virtual void maxParkCheck(std::uint8_t extra) = 0;
    /// Elevation [ft] of the listed airport nearest to a position [deg] within kGroundAirportNm.
    virtual std::optional<double> nearestAirportElevationFt(double lat, double lon) = 0;
};

/// No static parking and no airport list: nothing is placed or checked, no airport is near.
class NoParking : public ParkingPort
{
  public:
    void assignStaticParking() override {}
    void maxParkCheck(std::uint8_t) override {}
    std::optional<double> nearestAirportElevationFt(double, double) override { return std::nullopt; }
};

/// What the engine asks of the simulator link: the user aircraft, the flight-plan folder and the calls the
/// main loop makes directly (under simMutex), each returning the call's result code (negative = failure).
class SimulatorPort
{
  public:
    virtual ~SimulatorPort() = default;
    /// The user aircraft as the link last reported it.
    virtual UserAcData userAircraft() = 0;
    /// The folder of the flight-plan files; empty when there are none.
    virtual std::filesystem::path flightPlanFolder() = 0;
    /// ALL_LIGHTS_TOGGLE for an object.
    virtual std::int32_t allLightsToggle(std::uint32_t objectId) = 0;
    /// Request 102, definition 405: the object's Static CG.
    virtual std::int32_t requestStaticCg(std::uint32_t objectId) = 0;
    /// gf_simRequestError: a direct call failed.
    virtual void simRequestError() = 0;
    /// Definition 401 of an object: spoiler handle, throttle levers 1 and 2 [percent].
    virtual std::int32_t setSpoilersThrottles(std::uint32_t objectId, double spoilersPct, double throttle1Pct,
                                              double throttle2Pct) = 0;
    /// Request 110: the flight-plan file for an object.
    virtual std::int32_t setFlightPlan(std::uint32_t objectId, const std::filesystem::path& file) = 0;
};

/// No simulator connected: the user aircraft is unknown (all zero), there are no flight-plan files and
/// every direct call is skipped.
class NoSimulator : public SimulatorPort
{
  public:
    UserAcData userAircraft() override { return {}; }
    std::filesystem::path flightPlanFolder() override { return {}; }
    std::int32_t allLightsToggle(std::uint32_t) override { return 0; }
    std::int32_t requestStaticCg(std::uint32_t) override { return 0; }
    void simRequestError() override {}
    std::int32_t setSpoilersThrottles(std::uint32_t, double, double, double) override { return 0; }
    std::int32_t setFlightPlan(std::uint32_t, const std::filesystem::path&) override { return 0; }
};

/// The flight steps of the phase, movement and parking code that the lifecycle, the spawning and the tick
/// call.
class FlightSteps
{
  public:
    virtual ~FlightSteps() = default;
    /// appendReport: what a new report does to the aircraft's stream.
    virtual void appendReport(LiveAc& ac, const Report& report) = 0;
    /// After object id and agl are stored (flight plan, parking).
    virtual void onLiveCreated(LiveAc& ac) = 0;
    /// Configuration before the aircraft becomes active.
    virtual void onAiCreated(LiveAc& ac) = 0;
    /// The simulator reports the aircraft on the ground.
    virtual void onTouchdown(LiveAc& ac) = 0;
    /// Parked configuration of a created static aircraft.
    virtual void setParkedConfig(SimAc& ac) = 0;
    /// Steps 3 and 4 of the per-tick update.
    virtual void moveActive(LiveAc& ac) = 0;
    /// Clears a stand of static aircraft.
    virtual void makeWayAtStand(LiveAc& ac, const Stand& stand) = 0;
    /// The stream of an aircraft waiting for its object ran dry: true when it was carried on, as an active
    /// aircraft's would be.
    virtual bool endOfWaitingStream(LiveAc& ac) = 0;
};

/// The lifecycle's own part alone: a report is appended as it is, a created aircraft becomes active with
/// no configuration, an active aircraft keeps its position.
class NoFlightSteps : public FlightSteps
{
  public:
    void appendReport(LiveAc& ac, const Report& report) override { ac.stream.push_back(report); }
    void onLiveCreated(LiveAc&) override {}
    void onAiCreated(LiveAc&) override {}
    void onTouchdown(LiveAc&) override {}
    void setParkedConfig(SimAc&) override {}
    void moveActive(LiveAc&) override {}
    void makeWayAtStand(LiveAc&, const Stand&) override {}
    bool endOfWaitingStream(LiveAc&) override { return false; }
};

/// The engine's clocks.
class EngineClock
{
  public:
    virtual ~EngineClock() = default;
    /// Steady-clock time now [100 ns].
    virtual std::int64_t steadyNow100ns() = 0;
    /// Weekday and half hour now.
    virtual DayHalfHour weekdayHalfHour() = 0;
};

/// The platform's steady clock and the time of week now; tests pin them with a clock of their own.
class PlatformClock : public EngineClock
{
  public:
    std::int64_t steadyNow100ns() override;
    DayHalfHour weekdayHalfHour() override;
};

} // namespace oxl
