// Static parking through the live engine's own queues with its fake simulator: the calculation's records
// placed one per 50 ticks, created and made active, kept within the max-park limit when a live aircraft
// parks, and flushed again, queued ones withdrawn before they reach the simulator.
#include "airports/static_placement.h"
#include "airports/static_selection.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/units.h"
#include "platform/clock.h"
#include "tests/support/live_harness.h"
#include "tests/support/settings_fixture.h"
#include "traffic/engine/aircraft_profile.h"
#include "traffic/engine/live_lifecycle.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>

namespace oxl
{
namespace
{

constexpr std::int64_t kMonday1000 = 1704067200 + 10 * 3600; // weekday 1, half-hour 20
constexpr LatLon kOrigin{52.0, 4.0};
/// Ticks between two placements (and two create requests handed to the simulator).
constexpr std::int32_t kSlotTicks = 50;
/// Ticks from a creation answer to the aircraft being active.
constexpr std::int32_t kActivationTicks = 200;

class StaticParkingFlow : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(test::loadProgramDatabase(OXL_BIN_DIR)); }

    StaticParkingFlow() : clock_(kMonday1000)
    {
        LiveEngine& engine = harness.engine();
        gAirports.gParking.services = std::make_unique<FlowParking>(*this);
        engine.n.staticParking = std::make_unique<test::GlobalStaticParking>();
        RANDOM.set(false);

        std::vector<Stand> stands;
        for (std::uint32_t i = 1; i <= 10; ++i)
        {
            const LatLon p = gf_destinationPoint(kOrigin, kTwoPi / 4.0, metresToFeet(i * 100.0));
            Stand s(fmt::format("G{}", i), i, p.lat, p.lon, 0.0, 25.0);
            StandOccupancy o;
            o.airline = "KLM";
            o.type = "B738";
            o.callsign = fmt::format("KLM{}", 100 + i);
            o.registration = fmt::format("PH-BX{}", i);
            o.halfHours.set(20);
            o.id = 1;
            o.weekday = 1;
            o.kind = StandOptionKind::real;
            s.options.push_back(o);
            stands.push_back(std::move(s));
        }
        gAirports.gParking.setStands(std::move(stands));
    }

    std::size_t activeStatics() const
    {
        return static_cast<std::size_t>(
            std::count_if(gAirports.gParking.staticAircraft.begin(), gAirports.gParking.staticAircraft.end(),
                          [](const SimAc& ac) { return ac.simState == SimState::active; }));
    }

    test::SettingsFolder settings;
    plat::FixedUtcClock clock_;
    test::LiveHarness harness;
    std::deque<std::string> titles;

    // The harness's parking with the engine's queues and profiles, and a title made up per stand.
    class FlowParking final : public test::LiveHarness::Parking
    {
      public:
        explicit FlowParking(StaticParkingFlow& flow) : Parking(flow.harness), flow_(flow)
        {
            removeThroughEngine = true;
            liveFromEngine = true;
        }
        void queueStaticCreate(const CreateRequest& r) override
        {
            h_.engine().n.mainQueues->staticCreates.push_back(r);
        }
        AcProfile acProfile(const AcIdent& ident) override { return gf_acProfile(ident); }
        bool matchStaticLivery(AcProfile& ac, const std::string& stand, bool /*cargo*/) override
        {
            flow_.titles.push_back(fmt::format("{} at {}", ac.type, stand));
            ac.livery = flow_.titles.back();
            return true;
        }

      private:
        StaticParkingFlow& flow_;
    };
};

TEST_F(StaticParkingFlow, PlannedAircraftAreCreatedOneBySlotAndFlushed)
{
    gf_calcStaticParking(gAirports.gParking);
    ASSERT_EQ(gAirports.gParking.staticParked.size(), 3u);

    ASSERT_TRUE(
        harness.runUntil([&] { return activeStatics() == 3; }, 5 * kSlotTicks + kActivationTicks + 100));
    ASSERT_EQ(harness.creates.size(), 3u);
    for (std::size_t i = 1; i < harness.creates.size(); ++i)
        EXPECT_EQ(harness.creates[i].tick - harness.creates[i - 1].tick, kSlotTicks);
    for (const test::RecordedCreate& c : harness.creates)
    {
        EXPECT_GE(c.request.hexid, 1u);
        EXPECT_LE(c.request.hexid, kLastStaticSerial);
        EXPECT_EQ(c.request.callsign.back(), '*');
        EXPECT_EQ(c.request.onGround, 1u);
    }
    EXPECT_EQ(harness.objects().size(), 3u);
    EXPECT_TRUE(settings.logged(fmt::format("{:8}: {:8} parked", "G1", "KLM101*")));
    EXPECT_EQ(gf_countParkedForGui(gAirports.gParking, false), 3u);

    gf_removeQueuedStatic(gAirports.gParking);
    harness.run(10 * kSlotTicks);
    EXPECT_EQ(harness.removals.size(), 3u);
    EXPECT_TRUE(harness.objects().empty());
    EXPECT_TRUE(gAirports.gParking.staticAircraft.empty());
}

TEST_F(StaticParkingFlow, FlushWithdrawsRequestsStillQueued)
{
    parking_percentage.set(100);
    gf_calcStaticParking(gAirports.gParking);
    ASSERT_EQ(gAirports.gParking.staticParked.size(), 10u);
    harness.run(3 * kSlotTicks + 1); // four placed, three of them handed to the simulator
    ASSERT_EQ(harness.engine().n.mainQueues->staticCreates.size(), 1u);

    // As when the park airport is left: nothing more is planned, everything goes.
    gAirports.gParking.staticParked.clear();
    gf_removeQueuedStatic(gAirports.gParking);
    EXPECT_TRUE(harness.engine().n.mainQueues->staticCreates.empty());
    EXPECT_EQ(gAirports.gParking.staticAircraft.size(), 3u);

    // What reached the simulator is removed as soon as it exists.
    ASSERT_TRUE(
        harness.runUntil([&] { return gAirports.gParking.staticAircraft.empty(); }, 3 * kActivationTicks));
    EXPECT_EQ(harness.creates.size(), 3u);
    EXPECT_EQ(harness.removals.size(), 3u);
    EXPECT_TRUE(harness.objects().empty());
}

TEST_F(StaticParkingFlow, ALiveAircraftParkingAboveTheLimitSendsTheEarliestStaticAway)
{
    parking_percentage.set(30);
    gf_calcStaticParking(gAirports.gParking);
    ASSERT_TRUE(
        harness.runUntil([&] { return activeStatics() == 3; }, 5 * kSlotTicks + kActivationTicks + 100));
    ASSERT_EQ(gAirports.gParking.maxPark, 3u);

    gAirports.gParking.staticAircraft.front().parkedSlot = gf_packDayHalfHour({1, 10});
    const std::string earliest = gAirports.gParking.staticAircraft.front().callsign;
    const std::string stand =
        gf_standNameById(gAirports.gParking.stands, gAirports.gParking.staticAircraft.front().standId);
    harness.engine().n.staticParking->maxParkCheck(1);
    harness.run(kSlotTicks);
    EXPECT_TRUE(settings.logged(fmt::format("{:8}: {} static max park exceeded, removed", stand, earliest)));
    EXPECT_EQ(harness.removals.size(), 1u);
    EXPECT_EQ(gAirports.gParking.staticAircraft.size(), 2u);
}

} // namespace
} // namespace oxl
