#include "traffic/engine/live_spawning.h"

#include "airports/airports_state.h"
#include "airports/free_stands.h"
#include "records/aircraft_words.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/live_lifecycle.h"

namespace oxl
{
namespace
{

using test::FlightIdentity;
using test::LiveScenario;
using test::StreamBuilder;

constexpr std::uint32_t kHex = 0x500001;

class LiveSpawning : public LiveScenario
{
  protected:
    /// A buffered aircraft of two reports due at 3000 and 3500, 0.2 nm apart along the track.
    LiveAc& buffered(std::uint32_t hexid, const std::string& callsign, double alt, double gs,
                     const std::string& type = "A320", double lat = 51.5)
    {
        TrafficLine first = line(hexid, 1000, gs, 90, alt, callsign, type);
        first.report.lat = lat;
        TrafficLine second = first;
        second.timestamp = 1020;
        second.report.lon += gs > 0.0 ? 0.005 : 0.0;
        second.report.stationary = gs > 0.0 ? 0 : 1;
        harness->accept(first, 3000);
        harness->accept(second, 3500);
        return *harness->engine().findByHexid(hexid);
    }

    /// One buffer step with the front report due now.
    void bufferStepAtDue(LiveEngine& engine, LiveAc& ac)
    {
        ac.stream.front().dueTick = harness->tick();
        bufferStep(engine, ac);
    }

    /// Runs up to and including the tick.
    void runThrough(std::int32_t tick) { harness->run(tick + 1 - harness->tick()); }
};

struct LeadRow
{
    const char* name;
    double alt, gs;
    std::int32_t spawnTick;
    GroundPhase phase;
};

TEST_F(LiveSpawning, SpawnWaitsForTheLeadTime)
{
    const LeadRow rows[] = {
        {"airborne", 5000, 240, 2900, GroundPhase::flying},
        {"taxiing", 0, 10, 2700, GroundPhase::taxi},
        {"standing", 0, 0, 2900, GroundPhase::taxi},
    };
    for (const LeadRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness = std::make_unique<test::LiveHarness>();
        buffered(kHex, "ABC123", row.alt, row.gs);
        runThrough(row.spawnTick - 1);
        EXPECT_EQ(harness->aircraft(kHex)->simState, SimState::buffer);
        runThrough(row.spawnTick);
        const LiveAc* ac = harness->aircraft(kHex);
        EXPECT_EQ(ac->simState, SimState::adding2sim);
        EXPECT_EQ(ac->phase, row.phase);
        EXPECT_EQ(ac->previousPhase, GroundPhase::birth);
        EXPECT_EQ(harness->engine().couplingQueue, std::deque<std::uint32_t>{kHex});
        ASSERT_EQ(harness->engine().n.mainQueues->liveCreates.size(), 1u);
        const CreateRequest& request = harness->engine().n.mainQueues->liveCreates.front();
        EXPECT_EQ(request.onGround, row.alt > 0 ? 0u : 1u);
        if (row.alt == 0)
        {
            EXPECT_NEAR(request.pitch, 0.6, 1e-12);
        }
    }
}

TEST_F(LiveSpawning, ShortAndMixedStreams)
{
    // One report alone waits for the next until it falls due (a source reporting every 30 s).
    harness->accept(line(kHex, 1000, 240, 90, 5000, "ONE1"), 3000);
    runThrough(2900);
    EXPECT_NE(harness->aircraft(kHex), nullptr);
    runThrough(3002);
    EXPECT_EQ(harness->aircraft(kHex), nullptr);

    // Ground, air, air: the ground report goes, then the aircraft spawns airborne.
    TrafficLine ground = line(kHex + 1, 2000, 150, 90, 0, "MIX1");
    TrafficLine air1 = line(kHex + 1, 2005, 160, 95, 300, "MIX1");
    TrafficLine air2 = line(kHex + 1, 2010, 170, 100, 800, "MIX1");
    air1.report.lon += 0.005;
    air2.report.lon += 0.01;
    harness->accept(ground, 3500);
    harness->accept(air1, 4000);
    harness->accept(air2, 4500);
    runThrough(3199);
    EXPECT_EQ(harness->aircraft(kHex + 1)->stream.size(), 3u);
    runThrough(3200);
    EXPECT_EQ(harness->aircraft(kHex + 1)->stream.size(), 2u);
    runThrough(3899);
    EXPECT_EQ(harness->aircraft(kHex + 1)->simState, SimState::buffer);
    runThrough(3900);
    EXPECT_EQ(harness->aircraft(kHex + 1)->phase, GroundPhase::flying);

    // Ground then air: one report left, erased.
    harness->accept(line(kHex + 2, 3000, 150, 90, 0, "MIX2"), 5000);
    TrafficLine up = line(kHex + 2, 3005, 160, 95, 300, "MIX2");
    up.report.lon += 0.01;
    harness->accept(up, 5500);
    runThrough(4700);
    EXPECT_EQ(harness->aircraft(kHex + 2)->stream.size(), 1u);
    runThrough(5502);
    EXPECT_EQ(harness->aircraft(kHex + 2), nullptr);
}

TEST_F(LiveSpawning, LimitZeroErasesEveryBufferedAircraft)
{
    MAX_LIVE_SEL.set(0);
    buffered(kHex, "ABC123", 5000, 240);
    runThrough(2900);
    EXPECT_EQ(harness->aircraft(kHex), nullptr);
}

TEST_F(LiveSpawning, AtTheLimitACloserNewcomerReplacesTheFarthest)
{
    MAX_LIVE_SEL.set(1);
    harness->user.lat = 51.5;
    harness->user.lon = -0.2;
    LiveAc& far = buffered(kHex, "FAR1", 5000, 240, "A320", 52.5);
    far.simState = SimState::active;
    far.objectId = 50;
    far.lat = 52.5;
    far.lon = -0.2;
    buffered(kHex + 1, "NEAR1", 5000, 240, "A320", 51.6);
    buffered(kHex + 2, "FARTHER1", 5000, 240, "A320", 53.0);
    runThrough(2900);
    EXPECT_EQ(harness->aircraft(kHex)->simState, SimState::removingfromsim);
    EXPECT_EQ(harness->aircraft(kHex + 1)->simState, SimState::adding2sim);
    EXPECT_EQ(harness->aircraft(kHex + 2), nullptr);
}

TEST_F(LiveSpawning, AircraftWhoseCreationIsUnderWayCountTowardsTheLimit)
{
    MAX_LIVE_SEL.set(1);
    harness->user.lat = 51.5;
    harness->user.lon = -0.2;
    // Handed to the simulator, which has not answered yet.
    LiveAc& creating = buffered(kHex, "CRE1", 5000, 240, "A320", 52.5);
    creating.simState = SimState::adding2sim;
    buffered(kHex + 1, "NEW1", 5000, 240, "A320", 51.6);
    runThrough(2900);
    EXPECT_EQ(harness->aircraft(kHex)->simState, SimState::adding2sim);
    EXPECT_EQ(harness->aircraft(kHex + 1), nullptr);
    EXPECT_TRUE(harness->creates.empty());
}

struct CallsignRow
{
    const char* name;
    const char* callsign;
    const char* registration;
    const char* blocked;
    const char* airline; // nullptr: refused
    const char* finalCallsign;
};

TEST_F(LiveSpawning, CallsignRulesAndAirlineDefault)
{
    const CallsignRow rows[] = {
        {"airline from callsign", "abc123", "", "", "ABC", "abc123"},
        {"registration-style callsign", "N123AB", "", "", "PVT", "N123AB"},
        {"placeholder callsign", "@@@@@@@@", "", "", nullptr, ""},
        {"nine characters", "ABCDEFGHI", "", "", nullptr, ""},
        {"empty", "", "", "", nullptr, ""},
        {"blocked", "DLH4", "", "DLH4", nullptr, ""},
        {"empty callsign takes the registration", "", "D-AIPA", "", "DLH", "D-AIPA"},
        {"registration record gives airline and type", "XYZ1", "G-EUPT", "", "SHT", "XYZ1"},
    };
    harness->registrations["D-AIPA"] = DbaseRecord{"DLH", "A320", "", false};
    harness->registrations["G-EUPT"] = DbaseRecord{"BAW", "A319", "SHT", true};
    std::uint32_t hexid = kHex;
    for (const CallsignRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        BLOCK_CALLSIGN.set(row.blocked);
        ++hexid;
        LiveAc& ac = buffered(hexid, row.callsign, 5000, 240);
        ac.registration = row.registration;
        LiveEngine& engine = harness->engine();
        bufferStepAtDue(engine, ac);
        if (row.airline == nullptr)
        {
            EXPECT_TRUE(ac.erase);
            continue;
        }
        EXPECT_FALSE(ac.erase);
        EXPECT_EQ(ac.airline, row.airline);
        EXPECT_EQ(ac.callsign, row.finalCallsign);
        EXPECT_EQ(ac.simState, SimState::adding2sim);
    }
    EXPECT_EQ(harness->aircraft(hexid)->type, "A319");
    EXPECT_EQ(harness->aircraft(hexid)->cargo, 1);
}

TEST_F(LiveSpawning, GhostsAreRefusedAndReplaced)
{
    LiveEngine& engine = harness->engine();
    // The spawning aircraft carries its own callsign and must not remove itself.
    LiveAc& original = buffered(kHex, "ABC123", 5000, 240);
    runThrough(2900);
    EXPECT_EQ(original.simState, SimState::adding2sim);
    EXPECT_TRUE(engine.ghostCallsigns.empty());

    // A ghost of a living aircraft is never spawned.
    harness->accept(line(kHex + 1, 2000, 240, 90, 5000, "ABC123_", "B744"), 5000);
    TrafficLine ghost2 = line(kHex + 1, 2005, 240, 95, 5000, "ABC123_", "B744");
    ghost2.report.lon += 0.01;
    harness->accept(ghost2, 5500);
    runThrough(4900);
    EXPECT_EQ(harness->aircraft(kHex + 1), nullptr);

    // Another aircraft spawning under the same callsign replaces the first as its ghost.
    harness->engine().findByHexid(kHex)->simState = SimState::active;
    harness->engine().findByHexid(kHex)->objectId = 60;
    buffered(kHex + 2, "ABC123", 5000, 240, "B744").stream.front().dueTick = harness->tick() + 50;
    harness->run(1);
    EXPECT_EQ(harness->aircraft(kHex + 2)->simState, SimState::adding2sim);
    EXPECT_EQ(harness->aircraft(kHex)->simState, SimState::removingfromsim);
    EXPECT_EQ(engine.ghostCallsigns, std::vector<std::string>{"ABC123_"});
    EXPECT_TRUE(log.contains("          ABC123   is a ghost and will be removed, continue with ABC123"));

    // A ghost-marked callsign listed as ghost is dropped at once.
    buffered(kHex + 3, "ABC123_", 5000, 240, "A388").stream.front().dueTick = harness->tick() + 50;
    harness->run(1);
    EXPECT_EQ(harness->aircraft(kHex + 3), nullptr);
}

TEST_F(LiveSpawning, AircraftWithoutLiveryIsRememberedAsUnmatched)
{
    harness->typesWithoutLivery.insert("B744");
    LiveAc& ac = buffered(kHex, "NOL1", 5000, 240, "B744");
    ac.registration = "N12345";
    runThrough(2900);
    EXPECT_EQ(harness->aircraft(kHex), nullptr);
    const std::string key = "NOL B744 N12345";
    EXPECT_TRUE(harness->engine().unmatchedSet.contains(key));

    // The next aircraft with the same key is refused before any livery search.
    harness->typesWithoutLivery.clear();
    LiveAc& again = buffered(kHex + 1, "NOL1", 5000, 240, "B744");
    again.registration = "N12345";
    again.stream.front().dueTick = harness->tick() + 50;
    harness->run(1);
    EXPECT_EQ(harness->aircraft(kHex + 1), nullptr);

    // A pending title is taken over without a new match.
    harness->pendingTitles[kHex + 2] = "PENDING TITLE";
    LiveAc& pending = buffered(kHex + 2, "PEN1", 5000, 240);
    pending.stream.front().dueTick = harness->tick() + 50;
    harness->run(1);
    EXPECT_EQ(harness->aircraft(kHex + 2)->livery, "PENDING TITLE");
}

TEST_F(LiveSpawning, GroundStartAtAFreeStandIsParked)
{
    heathrowWithTwoStands();
    // The option is taken in half hour 20 only.
    struct HalfHour20Options : test::StandOptionRecorder
    {
        bool addStandOption(std::uint32_t standId, const LiveAc& ac, DayHalfHour t, bool closeVisit) override
        {
            StandOptionRecorder::addStandOption(standId, ac, t, closeVisit);
            return t.half == 20;
        }
    };
    const auto& options = test::installDouble<HalfHour20Options>(harness->engine().n.stands);
    const auto& parkChecks = test::installDouble<test::ParkCheckRecorder>(harness->engine().n.staticParking);

    TrafficLine first = line(kHex, 1000, 0, 10, 0, "BAW1");
    first.report.lat = 51.47001;
    first.report.lon = -0.46001;
    TrafficLine second = first;
    second.timestamp = 1020;
    second.report.stationary = 1;
    harness->accept(first, 3000);
    harness->accept(second, 5000);
    harness->accept(second, 7000); // a third report is refused by the spacing rule: still two
    runThrough(2900);
    const LiveAc* ac = harness->aircraft(kHex);
    ASSERT_NE(ac, nullptr);
    EXPECT_EQ(ac->phase, GroundPhase::parked);
    EXPECT_EQ(ac->standId, 1u);
    EXPECT_EQ(ac->stream.size(), 1u);
    EXPECT_DOUBLE_EQ(ac->lat, 51.47);
    EXPECT_DOUBLE_EQ(ac->lon, -0.46);
    EXPECT_DOUBLE_EQ(ac->heading, 1.0);
    EXPECT_EQ(ac->parkedSince, 2900LL * 100000);
    EXPECT_EQ(options.stands, std::vector<std::uint32_t>{1});
    EXPECT_EQ(options.hexids, std::vector<std::uint32_t>{kHex});
    EXPECT_EQ(harness->engine().liveParked,
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{kHex, 20}}));
    EXPECT_EQ(parkChecks.checks, std::vector<std::uint8_t>{1});

    // The stand under the user aircraft is never given.
    harness->user = UserAcData{.lat = 51.4710, .lon = -0.4600, .onGround = true};
    TrafficLine other = line(kHex + 1, 1000, 0, 10, 0, "BAW2");
    other.report.lat = 51.4710;
    other.report.lon = -0.4600;
    TrafficLine otherSecond = other;
    otherSecond.timestamp = 1020;
    otherSecond.report.stationary = 1;
    COLLISION_USER_GND.set(false);
    harness->accept(other, harness->tick() + 50);
    harness->accept(otherSecond, harness->tick() + 500);
    harness->run(1);
    EXPECT_EQ(harness->aircraft(kHex + 1)->phase, GroundPhase::taxi);
}

TEST_F(LiveSpawning, StandClaims)
{
    LiveEngine& engine = harness->engine();
    const auto holder = [&](std::uint32_t hexid, const std::string& callsign)
    {
        harness->accept(line(hexid, 1000, 0, 0, 0, callsign), 3000);
        LiveAc& ac = *engine.findByHexid(hexid);
        ac.simState = SimState::active;
        ac.phase = GroundPhase::parked;
        ac.standId = 7;
        ac.objectId = hexid & 0xFF;
        return &ac;
    };
    struct Row
    {
        const char* name;
        const char* holder;
        const char* newcomer;
        bool leaving;
        bool claimed;
        bool holderRemoved;
    };
    const Row rows[] = {
        {"same callsign", "ABC1", "ABC1", false, true, true},
        {"newcomer is the ghost", "ABC1", "ABC1_", false, false, false},
        {"holder is the ghost", "ABC1_", "ABC1", false, true, true},
        {"ghost holder, other newcomer", "XYZ1_", "ABC1", false, true, true},
        {"ghost newcomer, other holder", "XYZ1", "ABC1_", false, false, false},
        {"holder leaving", "XYZ1", "ABC1", true, false, false},
        {"another aircraft", "XYZ1", "ABC1", false, true, true},
    };
    std::uint32_t hexid = kHex;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        engine.live.clear();
        LiveAc* h = holder(++hexid, row.holder);
        h->leavingStand = row.leaving ? 1 : 0;
        EXPECT_EQ(claimStand(engine, 7, row.newcomer), row.claimed);
        EXPECT_EQ(h->simState == SimState::removingfromsim, row.holderRemoved);
    }
}

struct AvoidRow
{
    const char* name;
    UserAcData user;
    double lat, lon, alt, gs, track;
    std::uint8_t avoidBefore;
    bool dropped;
    std::uint8_t avoidAfter;
};

// The user aircraft at 51.5 N 0.2 W, heading north.
UserAcData userAt(double altFt, double aglFt, double groundSpeedKt, bool onGround)
{
    return UserAcData{.lat = 51.5,
                      .lon = -0.2,
                      .alt = altFt,
                      .altAboveGround = aglFt,
                      .groundVelocity = groundSpeedKt,
                      .onGround = onGround};
}

TEST_F(LiveSpawning, UserAircraftIsAvoided)
{
    // 0.001 deg of latitude is 111 m.
    const AvoidRow rows[] = {
        {"ground within 150 m", userAt(0, 0, 0, true), 51.501, -0.2, 0, 10, 90, 0, true, 0},
        {"ground beyond 150 m", userAt(0, 0, 0, true), 51.502, -0.2, 0, 10, 90, 0, false, 0},
        {"avoiding while user rolls", userAt(0, 0, 12, true), 51.6, -0.2, 0, 0, 90, 1, true, 1},
        {"air flying at the user", userAt(5000, 5000, 250, false), 51.52, -0.2, 5500, 250, 180, 0, true, 1},
        {"air passing abeam", userAt(5000, 5000, 250, false), 51.52, -0.2, 5500, 250, 90, 0, false, 0},
        {"air far above", userAt(5000, 5000, 250, false), 51.52, -0.2, 9000, 250, 180, 0, false, 0},
        {"departing under the user", userAt(500, 400, 140, false), 51.51, -0.2, 0, 20, 0, 0, true, 1},
        {"avoid flag kept in the air", userAt(5000, 5000, 250, false), 52.5, -0.2, 5500, 250, 0, 1, true, 1},
    };
    std::uint32_t hexid = kHex;
    for (const AvoidRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        harness->user = row.user;
        ++hexid;
        TrafficLine l = line(hexid, 1000, row.gs, row.track, row.alt, fmt::format("AV{}", hexid & 0xFF));
        l.report.lat = row.lat;
        l.report.lon = row.lon;
        harness->accept(l, 3000);
        LiveAc& ac = *harness->engine().findByHexid(hexid);
        ac.avoid = row.avoidBefore;
        EXPECT_EQ(avoidUserAc(harness->engine(), ac), row.dropped);
        EXPECT_EQ(ac.stream.empty(), row.dropped);
        EXPECT_EQ(ac.avoid, row.avoidAfter);
    }
}

TEST_F(LiveSpawning, RouteAndRegistrationChangesRespawn)
{
    LiveEngine& engine = harness->engine();
    const auto active = [&](std::uint32_t hexid, const std::string& callsign)
    {
        harness->accept(line(hexid, 1000, 240, 90, 5000, callsign), 3000);
        LiveAc& ac = *engine.findByHexid(hexid);
        ac.simState = SimState::active;
        ac.phase = GroundPhase::flying;
        ac.objectId = hexid & 0xFF;
        ac.livery = "TITLE A320";
        return &ac;
    };
    // Lines without route data never count as a change.
    LiveAc* quiet = active(kHex, "RTE1");
    TrafficLine plain = line(kHex, 1010, 240, 90, 5000, "RTE1");
    EXPECT_TRUE(checkRespawn(engine, *quiet, plain));
    EXPECT_EQ(quiet->simState, SimState::active);

    // A first route fills the empty one and respawns; a changed route replaces it.
    TrafficLine routed = plain;
    routed.origin = "EGLL";
    routed.destination = "LFPG";
    EXPECT_FALSE(checkRespawn(engine, *quiet, routed));
    EXPECT_EQ(quiet->simState, SimState::liveryrespawn);
    EXPECT_EQ(quiet->origin, "EGLL");

    LiveAc* known = active(kHex + 1, "RTE2");
    known->origin = "EGLL";
    known->destination = "LFPG";
    TrafficLine same = line(kHex + 1, 1010, 240, 90, 5000, "RTE2");
    same.origin = "EGLL";
    same.destination = "LFPG";
    EXPECT_TRUE(checkRespawn(engine, *known, same));
    TrafficLine other = same;
    other.origin = "EDDF";
    other.destination = "LEMD";
    EXPECT_FALSE(checkRespawn(engine, *known, other));
    EXPECT_EQ(known->destination, "LEMD");

    // A registration with a special livery resets the livery and phase for a new match.
    harness->regcodeTitles["D-ABYA"] = "SPECIAL 747";
    harness->registrations["D-ABYA"] = DbaseRecord{"DLH", "B748", "", false};
    LiveAc* special = active(kHex + 2, "D-ABYA");
    special->registration = "D-ABYA";
    TrafficLine reg = line(kHex + 2, 1010, 240, 90, 5000, "D-ABYA");
    reg.registration = "D-ABYA";
    EXPECT_FALSE(checkRespawn(engine, *special, reg));
    EXPECT_EQ(special->type, "B748");
    EXPECT_EQ(special->airline, "DLH");
    EXPECT_TRUE(special->livery.empty());
    EXPECT_EQ(special->phase, GroundPhase::birth);
    EXPECT_EQ(special->simState, SimState::liveryrespawn);

    // While buffered, a new callsign and route are simply taken.
    harness->accept(line(kHex + 3, 1000, 240, 90, 5000, "BUF1"), 3000);
    LiveAc* buffered = engine.findByHexid(kHex + 3);
    TrafficLine renamed = line(kHex + 3, 1010, 240, 90, 5000, "BUF2");
    renamed.destination = "KJFK";
    EXPECT_TRUE(checkRespawn(engine, *buffered, renamed));
    EXPECT_EQ(buffered->callsign, "BUF2");
    EXPECT_EQ(buffered->destination, "KJFK");
}

TEST_F(LiveSpawning, StaticTwinIsRemoved)
{
    LiveEngine& engine = harness->engine();
    SimAc twin;
    twin.hexid = 5;
    twin.callsign = "BAW1*";
    twin.secondCallsign = "BAW1";
    twin.simState = SimState::active;
    twin.objectId = 30;
    SimAc stranger = twin;
    stranger.hexid = 6;
    stranger.secondCallsign = "AFR2";
    stranger.objectId = 31;
    gAirports.gParking.staticAircraft = {stranger, twin};
    harness->accept(line(kHex, 1000, 240, 90, 5000, "BAW1"), 3000);
    removeStaticTwin(engine, *engine.findByHexid(kHex), false);
    EXPECT_EQ(gAirports.gParking.staticAircraft[0].simState, SimState::active);
    EXPECT_EQ(gAirports.gParking.staticAircraft[1].simState, SimState::removingfromsim);
    EXPECT_EQ(engine.n.mainQueues->removals.back(), 30u);
}

} // namespace
} // namespace oxl
