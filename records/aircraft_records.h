// Plain records of one aircraft, shared by every layer that handles aircraft (liveries, airports, the
// simulator link, the traffic source, engine and cycle, and the window). Header-only and free of behaviour
// beyond construction and simple tests, so that the lower layers can use the records without depending on
// the engine's code.
#pragma once

#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace oxl
{

/// Size class of an aircraft; selects the per-category flight constants.
enum class AcCategory : std::uint32_t
{
    Light = 0,
    Buzjets = 1,
    Large = 2,
    Heavy = 3,
    HighPerf = 4,
    Rotorcraft = 5,
};

/// Phase of a live aircraft on the ground and in the air.
enum class GroundPhase : std::uint32_t
{
    pushing_back = 0,
    pushed_back = 1,
    taxi = 2,
    take_off = 3,
    flying = 4,
    parking = 5,
    parked = 6,
    birth = 7,
};

/// Where an aircraft stands in its life with the simulator.
enum class SimState : std::uint32_t
{
    buffer = 0,
    adding2sim = 1,
    active = 2,
    liveryrespawn = 3,
    removingfromsim = 4,
};

/// Who an aircraft is: its identity strings and whether its coupled-callsign search has run.
struct AcIdent
{
    std::string airline;         ///< airline ICAO code, "PVT" for private aircraft, or the operator
    std::string type;            ///< ICAO aircraft type code
    std::string origin;          ///< route origin as the traffic source gives it
    std::string destination;     ///< route destination
    std::string callsign;        ///< current callsign; a trailing '_' marks a ghost
    std::string secondCallsign;  ///< callsign copied when the aircraft is created or its callsign changes
    std::string coupledCallsign; ///< callsign of the coupled flight found by the coupled-callsign search
    std::string registration;    ///< registration (tail number)
    std::uint64_t coupledSearchDone = 0; ///< 1 once the coupled-callsign search has run
};

/// One position report of an aircraft, as parsed from a traffic line.
struct Report
{
    double lat = 0.0;                  ///< [deg] -90..90
    double lon = 0.0;                  ///< [deg] -180..180
    double alt = 0.0;                  ///< [ft] 0 means on the ground
    double gs = 0.0;                   ///< ground speed [kt]
    double track = 0.0;                ///< [deg] as received, or taken from the true heading
    double vs = 0.0;                   ///< vertical speed [ft/min] as received
    double tas = 0.0;                  ///< true airspeed [kt]
    std::int32_t dueTick = 0;          ///< main-loop tick at which the report is due
    std::uint8_t airborne = 0;         ///< 1 when alt > 0 after the ground rule
    std::uint8_t stationary = 0;       ///< 1 when the aircraft did not move since the previous report
    std::uint8_t headingFromAdsb = 0;  ///< 1 when trueHeading comes from an "adsb_icao" line
    std::uint8_t offTrack = 0;         ///< 1 when kept, though it leapt from the source's last position, as
                                       ///< the scatter of its positions about the track they draw
    std::optional<double> roll;        ///< [rad] sign opposite to the source's degrees; airborne only
    std::optional<double> trueHeading; ///< [rad] in (0, 2*pi]; "adsb_icao" lines only
    double sourceTime = 0.0;           ///< [s] the source's time stamp; 0 for a report the engine made up
};

/// One parsed traffic datagram: the identity, the report, the source's time stamp and the hexid.
struct TrafficLine : AcIdent
{
    Report report;                ///< the position report of the line
    double timestamp = 0.0;       ///< [s] Unix time of the report at the source
    std::uint32_t hexid = 0;      ///< the source's aircraft id; always above 10000
    std::uint8_t beyondRange = 0; ///< reported beyond the range: only an aircraft already known takes it
};

/// An identity with the size, category, livery and per-category flight constants of the aircraft.
struct AcProfile : AcIdent
{
    AcProfile() = default;
    /// Takes the identity over; every other field starts zero, the category Large.
    explicit AcProfile(AcIdent ident) : AcIdent(std::move(ident)) {}

    double radius = 0.0;         ///< [nm] size of the aircraft, its radius in every clearance test
    double staticCgHeight = 0.0; ///< [ft] centre of gravity above the ground, from the simulator
    double staticPitch = 0.0;    ///< [rad] pitch standing on the ground, from the simulator
    double rotationPitch = 0.0;  ///< [rad] pitch target of the take-off rotation (negative = nose up)
    double climbPitch = 0.0;     ///< [rad] pitch target of the initial climb
    double maxTurnStep = 0.0;    ///< [rad per tick] largest heading change
    double turnStep = 0.0;       ///< [rad per tick] heading change used by the movement code
    double maxClimbStep = 0.0;   ///< [ft per tick] largest altitude change
    double taxiInSpeed = 0.0;    ///< [kt] speed to drive to a stand and for push-back
    std::uint32_t hexid = 0;     ///< live aircraft above 10000, static parked aircraft 10000 or less
    AcCategory category = AcCategory::Large; ///< size class
    std::string_view livery;           ///< chosen livery title in the livery list; empty = none chosen yet
    std::uint32_t flareTicks = 0;      ///< ticks over which the flare pitch is reached
    std::uint32_t settleTicks = 0;     ///< ticks over which pitch and bank settle after touchdown
    std::uint32_t rotationTicks = 0;   ///< duration of the take-off rotation in ticks
    std::uint32_t climbPitchTicks = 0; ///< ticks from rotation pitch to climb pitch
    std::uint8_t cargo = 0;            ///< 1 when the registration database marks a cargo aircraft
    std::uint8_t reverseMarker =
        0; ///< 1 when the livery title contains "FSLTL_": reverse thrust at touchdown
};

/// A profile with the simulator-side fields: a static parked aircraft, and the first part of a live one.
struct SimAc : AcProfile
{
    SimAc() = default;
    /// Moves a profile into a new record with no simulator object yet.
    explicit SimAc(AcProfile profile) : AcProfile(std::move(profile)) {}

    /// Forgets the assigned stand: its place, heading, id and cargo flag.
    void clearStand()
    {
        standLat = 0.0;
        standLon = 0.0;
        standHeading = 0.0;
        standId = 0;
        standCargo = 0;
    }

    std::uint32_t objectId = 0;           ///< simulator object id; 0 while there is none
    double standLat = 0.0;                ///< [deg] assigned stand; 0 when none
    double standLon = 0.0;                ///< [deg]
    double standHeading = 0.0;            ///< [rad]
    std::uint64_t parkedSlot = 0;         ///< weekday and half hour at which the aircraft parked
    std::uint32_t standId = 0;            ///< assigned stand; 0 = none
    SimState simState = SimState::buffer; ///< life with the simulator
    std::uint32_t throttleIndex = 5;      ///< last throttle step sent (0..4), 5 = none sent yet
    std::uint32_t flapsIndex = 4;         ///< last flaps step sent (0..4)
    std::uint8_t standCargo = 0;          ///< cargo flag of the assigned stand
    std::uint8_t removeWhenCreated = 0; ///< removal asked for while the create request was with the simulator
    std::uint8_t erase = 0;             ///< to be erased by the per-tick sweep
    std::uint8_t createCancelled = 0;   ///< removal asked for while the create request was still queued
};

/// The user aircraft as the simulator link last reported it: its position and attitude, its ground state
/// and its size. All zero until the simulator's first replies of the cycle.
struct UserAcData
{
    double lat = 0.0;            ///< [deg]
    double lon = 0.0;            ///< [deg]
    double pitch = 0.0;          ///< [rad]
    double bank = 0.0;           ///< [rad]
    double heading = 0.0;        ///< [rad] true
    double alt = 0.0;            ///< [ft] never below 0
    double altAboveGround = 0.0; ///< [ft]
    double groundVelocity = 0.0; ///< [kt]
    double halfSpan = 0.0;       ///< [nm] half the wing span, from the aircraft's model
    bool onGround = false;       ///< stands or rolls on the ground
    bool dataValid = false;      ///< the ground state came in while the position was known

    /// False while the position is still the zero of "not yet reported" (both within 0.0001 deg of 0).
    bool positionKnown() const { return std::fabs(lat) > 0.0001 || std::fabs(lon) > 0.0001; }
};

/// The quadratic curve that an aircraft follows on the ground and in turns, in a local metric plane.
struct CurveSegment
{
    static constexpr double none = std::numeric_limits<double>::quiet_NaN();

    double originLat = 0.0;  ///< [deg]
    double originLon = 0.0;  ///< [deg]
    double t0 = 0.0;         ///< [tick] start
    double endNorth = 0.0;   ///< [m] end point from the origin
    double endEast = 0.0;    ///< [m]
    double t1 = 0.0;         ///< [tick] end
    double ctrlEast = none;  ///< [m] control point; NaN = no curve is followed
    double ctrlNorth = none; ///< [m]

    /// True while a curve is being followed (both control-point values are numbers).
    bool active() const { return ctrlEast == ctrlEast && ctrlNorth == ctrlNorth; }
};

/// [ft] an altitude not known (NaN: every comparison with it is false).
inline constexpr double kUnknownFt = std::numeric_limits<double>::quiet_NaN();

/// One live aircraft: its simulator record, the position sent to the simulator, its report stream and
/// its flight, ground and landing state.
struct LiveAc : SimAc
{
    LiveAc() = default;
    /// A new aircraft in buffer and birth with one report, taking its profile over.
    LiveAc(const Report& first, AcProfile profile, double sourceTime)
        : SimAc(std::move(profile)), stream{first}, lastTime(sourceTime), positionTime(sourceTime),
          positionLat(first.lat), positionLon(first.lon), lastReceivedGs(first.gs)
    {
    }

    double lat = 0.0;                ///< [deg] position sent to the simulator
    double lon = 0.0;                ///< [deg]
    double pitch = 0.0;              ///< [rad] simulator sign: negative = nose up
    double bank = 0.0;               ///< [rad]
    double heading = 0.0;            ///< [rad] true heading 0..2*pi
    double alt = 0.0;                ///< [ft]
    double vs = 0.0;                 ///< [ft/s] sent to the simulator
    double tas = 0.0;                ///< [kt]
    std::deque<Report> stream;       ///< reports still to be flown, oldest first
    double lastTime = 0.0;           ///< [s] source time stamp of the last accepted report
    double positionTime = 0.0;       ///< [s] source time stamp of the first report at the last position
    double positionLat = 0.0;        ///< [deg] that position, as the source reported it
    double positionLon = 0.0;        ///< [deg]
    double jumpLat = 0.0;            ///< [deg] a report dropped as a jump of the source's position
    double jumpLon = 0.0;            ///< [deg]
    double jumpTime = 0.0;           ///< [s] its time stamp; 0 = none
    std::uint8_t jumpConfirmed = 0;  ///< 1 while the report that confirmed the jump is appended
    std::uint8_t jumpReports = 0;    ///< reports in a row that agree with the jump, the first included
    double lastReceivedGs = 0.0;     ///< [kt] ground speed of the last report received, kept or not
    double heldTrackDeg = -1.0;      ///< [deg] track field of the newest repeat of a held position; -1 none
    double drawnKt = 0.0;            ///< [kt] speed its latest legs' positions drew in the air; 0 = none
    std::string receivedCallsign;    ///< the callsign received when the registration stands in for it
    std::int64_t parkedSince = 0;    ///< [100 ns] steady-clock time at which the aircraft parked
    std::int32_t extensionCount = 0; ///< 0 not extended, n > 0 steps left, -1 extension finished
    std::int32_t holdStartTick = 0;  ///< tick at which a hold on a taxiway began
    GroundPhase phase = GroundPhase::birth;         ///< current phase
    GroundPhase previousPhase = GroundPhase::birth; ///< phase before the last change
    std::uint8_t leavingStand = 0;                  ///< the stand-departure test runs
    std::uint8_t onGround = 0;                      ///< 1 while on the ground
    std::uint8_t flightPlanSet = 0;                 ///< a flight-plan file was written for the aircraft
    std::uint8_t avoid = 0;                         ///< user-aircraft avoidance mode
    std::uint8_t holding = 0;                       ///< holds on a taxiway
    double latStep = 0.0;                           ///< [deg per tick]
    double lonStep = 0.0;                           ///< [deg per tick]
    double pitchStep = 0.0;                         ///< [rad per tick]
    double bankStep = 0.0;                          ///< [rad per tick]
    double headingStep = 0.0;                       ///< [rad per tick]
    double altStep = 0.0;                           ///< [ft per tick]
    double vsValue = 0.0;                           ///< [ft/min] vertical speed of the current leg
    double speedValue = 0.0;            ///< [kt] speed of the current leg, negative during push-back
    double shownMps = -1.0;             ///< [m/s] speed of the last frame shown; negative before the first
    CurveSegment curve;                 ///< the curve being followed
    double curveT = 0.0;                ///< curve parameter reached, 0..1
    double curveTStep = 0.0;            ///< curve parameter change per tick
    double curveTurnAngle = 0.0;        ///< [deg] turn angle of the curve
    Report spareSideReport;             ///< kept for the side point of a push-back
    double lastParkTryLat = 0.0;        ///< [deg] position of the last stand search
    double lastParkTryLon = 0.0;        ///< [deg]
    double lastAvoidLat = 0.0;          ///< [deg] position at the last check for static aircraft in the way
    double lastAvoidLon = 0.0;          ///< [deg]
    std::int32_t earlyMargin = 1000;    ///< [ticks] how far the next due tick may move earlier
    std::int32_t lateMargin = 1000;     ///< [ticks] how far the next due tick may move later
    std::int32_t rotationCounter = 1;   ///< take-off rotation and climb-out counter
    std::int32_t pushBackStage = 0;     ///< 2, 1, 0 during a push-back
    std::int32_t awayCount = 0;         ///< successive reports that moved away from the stand
    double targetHeading = 0.0;         ///< [rad] heading to turn to on the ground
    double agl = 2500.0;                ///< [ft] altitude above ground from the simulator
    double simGroundFt = kUnknownFt;    ///< [ft] the simulator's ground under the aircraft
    double groundFloorFt = kUnknownFt;  ///< [ft] the lowest altitude it may fly at
    std::int32_t groundFloorTick = -1;  ///< tick at which groundFloorFt was found; -1 = never
    double heightAboveRef = 0.0;        ///< [ft] above the flare's reference elevation
    double touchdownHeading = 0.0;      ///< [rad] heading at touchdown; 0 when the roll-out ended
    double pushedBackDistance = 0.0;    ///< distance covered by the push-back
    double firstStandDistance = 0.0;    ///< [nm] first distance from the stand while leaving it
    double lastStandDistance = 0.0;     ///< [nm] last distance from the stand while leaving it
    double targetTurnAngle = 0.0;       ///< [deg] angle of the turn to the target heading
    double storedHeading = 0.0;         ///< [rad] heading kept for the next spawn
    std::uint8_t storedHeadingSet = 0;  ///< storedHeading is valid
    std::uint8_t pushBackSide = 0;      ///< side of the push-back turn
    std::uint8_t pushBackSideKnown = 0; ///< pushBackSide is known
    double refElevation = 0.0;          ///< [ft] reference elevation for the flare
    std::uint8_t refElevationSet = 0;   ///< refElevation is valid
    std::uint32_t flareState = 0;       ///< 0..4
    std::uint8_t landing = 0;           ///< on final approach
    std::uint8_t towingCheck = 0;       ///< set at touchdown, read by the towing check at the end of parking
    std::uint8_t towed = 0;             ///< towed (push-back)
    std::uint8_t goAroundDone = 0;      ///< the go-around configuration was sent
    std::uint8_t takeOff = 0;           ///< the take-off roll has started
    std::uint8_t highLights = 0;        ///< the high airborne light set was sent last
    std::uint8_t lowLights = 0;         ///< the low airborne light set was sent last
    std::uint8_t pitchSettle = 0;       ///< pitch and bank settle to their ground values
    std::uint8_t rollOut = 0;           ///< touchdown seen, roll-out not yet ended
    std::uint8_t departureSeen = 0;     ///< seen moving away from its stand
    std::uint8_t turnToTarget = 0;      ///< turns to its target heading on the ground
};

} // namespace oxl
