// A deterministic scenario harness for the live traffic engine: report streams built along a path, a tick
// driver without a wall clock, a fake simulator that answers creations, removals and ground data, and
// recorders of everything the engine hands to the simulator.
#pragma once

#include "airports/airports_state.h"
#include "foundation/geodesy.h"
#include "records/aircraft_records.h"
#include "records/sim_queues.h"
#include "tests/support/temp_folder.h"
#include "traffic/engine/live_engine.h"
#include "traffic/source/adding_stack.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace oxl::test
{

/// Reads the aircraft database that the build put into the program folder's input folder.
bool loadProgramDatabase(const std::filesystem::path& binDir);

/// Who the reports of a stream belong to.
struct FlightIdentity
{
    std::uint32_t hexid = 0x400001; ///< above 10000
    std::string callsign = "ABC123";
    std::string type = "A320";
    std::string registration;
    std::string airline;
    std::string origin;
    std::string destination;
};

/// A traffic line with the second, counted from the stream's start, at which it reaches the program.
struct TimedLine
{
    double atS = 0.0; ///< [s] arrival after the stream's start (also its source time stamp offset)
    TrafficLine line; ///< the parsed line
};

/// Builds the traffic lines of one aircraft moving along a path: straight legs at a speed, altitude and
/// vertical speed, turns to a track, stops, one report every `every` seconds.
class StreamBuilder
{
  public:
    /// A stream starting at the position, on the track [deg], at source time t0 [s].
    StreamBuilder(FlightIdentity identity, LatLon start, double trackDeg, double t0 = 1.7e9);

    /// Seconds between two reports from now on.
    StreamBuilder& every(double seconds);
    /// Ground speed [kt] from now on.
    StreamBuilder& speed(double kt);
    /// Altitude [ft]; 0 puts the aircraft on the ground.
    StreamBuilder& altitude(double ft);
    /// Vertical speed [ft/min]; the altitude changes with it from report to report.
    StreamBuilder& verticalSpeed(double fpm);
    /// Track [deg] from now on.
    StreamBuilder& track(double deg);
    /// Emits one report at the current state, then moves on for `every` seconds.
    StreamBuilder& report();
    /// Emits reports for the given duration [s].
    StreamBuilder& fly(double seconds);
    /// Flies straight to the position, emitting reports, until it is less than one step away.
    StreamBuilder& toward(LatLon target);
    /// Emits stationary reports for the duration [s] (speed 0, same position).
    StreamBuilder& standStill(double seconds);
    /// Changes the identity carried by later reports (callsign or route changes).
    FlightIdentity& identity() { return identity_; }
    /// Current position.
    LatLon position() const { return position_; }
    /// The lines built so far.
    const std::vector<TimedLine>& lines() const { return lines_; }

  private:
    void advance(double seconds);

    FlightIdentity identity_;
    LatLon position_;
    double trackDeg_ = 0.0;
    double t0_ = 0.0;
    double nowS_ = 0.0;
    double everyS_ = 5.0;
    double speedKt_ = 0.0;
    double altFt_ = 0.0;
    double vsFpm_ = 0.0;
    bool moved_ = true;
    std::vector<TimedLine> lines_;
};

/// A create request with the tick at which the fake simulator received it.
struct RecordedCreate
{
    std::int32_t tick = 0;
    CreateRequest request;
};

/// A position with the tick at which it was sent.
struct RecordedPosition
{
    std::int32_t tick = 0;
    SimPosition position;
};

/// A client event with the tick at which it was sent.
struct RecordedEvent
{
    std::int32_t tick = 0;
    SimEventEntry event;
};

/// A removal or direct call with its tick and object.
struct RecordedCall
{
    std::int32_t tick = 0;
    std::uint32_t objectId = 0;
};

/// One object of the fake simulator.
struct FakeObject
{
    std::uint32_t hexid = 0;
    std::string callsign;
    double lat = 0.0;
    double lon = 0.0;
    double alt = 0.0; ///< [ft]
};

/// Stand learning that records the options it is given and takes every one.
class StandOptionRecorder : public NoStandLearning
{
  public:
    bool addStandOption(std::uint32_t standId, const LiveAc& ac, DayHalfHour, bool closeVisit) override
    {
        stands.push_back(standId);
        hexids.push_back(ac.hexid);
        closeFlags.push_back(closeVisit);
        return true;
    }
    std::vector<std::uint32_t> stands; ///< stand ids, in order
    std::vector<std::uint32_t> hexids; ///< the aircraft of each option
    std::vector<bool> closeFlags;      ///< true where the stay at the stand was over
};

/// Static parking that records the parking-limit checks.
class ParkCheckRecorder : public NoParking
{
  public:
    void maxParkCheck(std::uint8_t extra) override { checks.push_back(extra); }
    std::vector<std::uint8_t> checks; ///< the `extra` of each check
};

/// The static parking of gAirports.gParking, with no airport list.
class GlobalStaticParking : public NoParking
{
  public:
    void assignStaticParking() override;
    void maxParkCheck(std::uint8_t extra) override;
};

/// Installs a double of the engine's port and returns it for the test to read.
template <class Double, class Port> Double& installDouble(std::unique_ptr<Port>& port)
{
    auto fake = std::make_unique<Double>();
    Double& installed = *fake;
    port = std::move(fake);
    return installed;
}

/// The engine on a fake clock with a fake simulator and a fake livery index.
class LiveHarness
{
  public:
    LiveHarness();
    ~LiveHarness();
    LiveHarness(const LiveHarness&) = delete;
    LiveHarness& operator=(const LiveHarness&) = delete;

    /// The fake simulator link: the harness's user aircraft and flight-plan folder, the direct calls
    /// recorded, a Static CG request answered a tick later. Tests derive from it to record more.
    class Simulator : public NoSimulator
    {
      public:
        explicit Simulator(LiveHarness& harness) : h_(harness) {}
        UserAcData userAircraft() override { return h_.user; }
        std::filesystem::path flightPlanFolder() override { return h_.flightPlanFolder(); }
        std::int32_t allLightsToggle(std::uint32_t objectId) override;
        std::int32_t requestStaticCg(std::uint32_t objectId) override;
        void simRequestError() override;

      protected:
        LiveHarness& h_;
    };

    /// The fake clock: 1 ms of steady time a tick, the time of week of `weekHalfHour`.
    class Clock : public EngineClock
    {
      public:
        explicit Clock(LiveHarness& harness) : h_(harness) {}
        std::int64_t steadyNow100ns() override { return static_cast<std::int64_t>(h_.tick()) * 100000; }
        DayHalfHour weekdayHalfHour() override { return h_.weekHalfHour; }

      protected:
        LiveHarness& h_;
    };

    /// The fake livery index of the lists below.
    class Liveries : public NoLiveries
    {
      public:
        explicit Liveries(LiveHarness& harness) : h_(harness) {}
        std::string_view takePendingTitle(std::uint32_t hexid) override;
        void storePendingTitle(std::uint32_t hexid, std::string_view title) override;
        void erasePendingTitle(std::uint32_t hexid) override;
        void matchLiveAcLivery(LiveAc& ac) override;
        std::optional<std::string_view> regcodeTitle(const std::string& registration) override;
        void onLiveryNotCreated(const SimAc& ac) override;
        std::optional<DbaseRecord> lookupRegistration(const std::string& registration) override;

      private:
        LiveHarness& h_;
    };

    /// The parking code's neighbours (installed on gAirports.gParking): the harness's user aircraft; the
    /// engine's live aircraft and removals only where a test asks for them.
    class Parking : public NoParkingServices
    {
      public:
        explicit Parking(LiveHarness& harness) : h_(harness) {}
        UserAcData userAircraft() override { return h_.user; }
        void removeAircraftFromSim(SimAc& ac) override;
        std::span<LiveAc> liveAircraft() override;

        bool removeThroughEngine = false; ///< removals go through the engine; else nothing is removed
        bool liveFromEngine = false;      ///< the engine's live aircraft; else no engine

      protected:
        LiveHarness& h_;
    };
    /// The installed parking services.
    Parking& parking() { return dynamic_cast<Parking&>(*gAirports.gParking.services); }

    /// The engine under test (its neighbours may be replaced further).
    LiveEngine& engine() { return engine_; }
    /// The current tick.
    std::int32_t tick() const { return tick_.load(); }
    /// The user aircraft the engine sees.
    UserAcData user;
    /// Time of week the engine sees.
    DayHalfHour weekHalfHour{1, 20};

    /// Lines reach the adding stack at startTick + 100 × their arrival second.
    void schedule(const std::vector<TimedLine>& lines, std::int32_t startTick = 0);
    /// Hands one line to the engine at once, due at the given tick.
    void accept(TrafficLine line, std::int32_t dueTick);
    /// Runs the given number of ticks.
    void run(std::int32_t ticks);
    /// Runs until the predicate holds or the tick limit passes; true when it held.
    template <class Predicate> bool runUntil(Predicate&& holds, std::int32_t maxTicks)
    {
        for (std::int32_t i = 0; i < maxTicks; ++i)
        {
            if (holds())
                return true;
            run(1);
        }
        return holds();
    }

    /// The live aircraft of the hexid, nullptr when none.
    const LiveAc* aircraft(std::uint32_t hexid);

    // Fake simulator behaviour.
    std::int32_t createDelayTicks = 30;       ///< ticks from a create request to its answer
    std::int32_t groundDataPeriodTicks = 100; ///< period of the ground-data answers
    double groundElevationFt = 0.0;           ///< the terrain under every object
    double staticCgFt = 10.0;                 ///< Static CG answered for every object
    double staticPitchRad = 0.0;              ///< static pitch answered for every object
    std::set<std::uint32_t> failCreate;       ///< hexids whose creation fails
    std::int32_t lightsToggleResult = 0;      ///< result of the direct lights call
    /// Pushes an answer as the simulator link would.
    void pushAnswer(const SimAnswer& answer) { answers_.push(answer); }
    /// Objects the fake simulator holds, by object id.
    const std::map<std::uint32_t, FakeObject>& objects() const { return objects_; }

    // Fake livery index: every type gets "TITLE <type>" unless listed here.
    std::set<std::string> typesWithoutLivery;                ///< types no livery matches
    std::map<std::string, std::string> regcodeTitles;        ///< registration -> special title
    std::map<std::string, DbaseRecord> registrations;        ///< the registration database
    std::map<std::uint32_t, std::string_view> pendingTitles; ///< the pending-title map
    std::vector<std::uint32_t> notCreated;                   ///< hexids passed to gf_onLiveryNotCreated

    // Recorders.
    std::vector<RecordedCreate> creates;         ///< create requests handed to the simulator
    std::vector<RecordedPosition> positions;     ///< positions sent, frame by frame
    std::vector<RecordedEvent> events;           ///< client events sent
    std::vector<RecordedCall> removals;          ///< removals sent
    std::vector<RecordedCall> lightToggles;      ///< direct ALL_LIGHTS_TOGGLE calls
    std::vector<RecordedCall> staticCgRequests;  ///< direct Static CG requests
    std::vector<std::uint32_t> simRequestErrors; ///< ticks of gf_simRequestError calls

    /// The flight-plan folder the engine deletes plans from.
    const std::filesystem::path& flightPlanFolder() const { return flightPlans_.path(); }
    /// Positions sent for one object.
    std::vector<RecordedPosition> positionsOf(std::uint32_t objectId) const;
    /// Object id of the hexid's simulator object; 0 when it has none.
    std::uint32_t objectOf(std::uint32_t hexid) const;

  private:
    std::string_view titleFor(const std::string& type);
    void frame();
    void deliverArrivals();
    void answerDueWork();

    LiveEngine engine_;
    SimQueues queues_;
    SimAnswerQueue answers_;
    MainLoopQueues mainQueues_;
    AddingStack adding_;
    std::atomic<std::int32_t> tick_{0};
    TempFolder flightPlans_;
    std::multimap<std::int32_t, TrafficLine> arrivals_;
    std::multimap<std::int32_t, SimAnswer> laterAnswers_;
    std::map<std::uint32_t, FakeObject> objects_;
    std::uint32_t nextObjectId_ = 3;
    std::deque<std::string> titles_; // stable storage of the fake livery list
};

} // namespace oxl::test
