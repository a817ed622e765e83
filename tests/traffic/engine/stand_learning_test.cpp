// The program's engine teaches the park airport's stands: a live aircraft that starts parked at a stand
// leaves a real option there through the installed learning.
#include "airports/airports_state.h"
#include "tests/traffic/engine/live_fixture.h"
#include "traffic/engine/live_assembly.h"

namespace oxl
{
namespace
{

using test::LiveScenario;

constexpr std::uint32_t kHex = 0x500101;

class StandLearning : public LiveScenario
{
  protected:
    void runThrough(std::int32_t tick) { harness->run(tick + 1 - harness->tick()); }
};

TEST_F(StandLearning, AnAircraftParkedAtItsSpawnTeachesItsStand)
{
    gf_installStandLearning(harness->engine());
    heathrowWithTwoStands();
    harness->weekHalfHour = {3, 17};

    TrafficLine first = line(kHex, 1000, 0, 10, 0, "BAW1");
    first.airline = "BAW";
    first.report.lat = 51.47001;
    first.report.lon = -0.46001;
    TrafficLine second = first;
    second.timestamp = 1020;
    second.report.stationary = 1;
    harness->accept(first, 3000);
    harness->accept(second, 5000);
    runThrough(2900);
    const LiveAc* ac = harness->aircraft(kHex);
    ASSERT_NE(ac, nullptr);
    ASSERT_EQ(ac->standId, 1u);

    const Stand& stand = gAirports.gParking.stands.front();
    ASSERT_EQ(stand.options.size(), 1u);
    const StandOccupancy& option = stand.options.front();
    EXPECT_EQ(option.kind, StandOptionKind::real);
    EXPECT_EQ(option.registration, "BAW1"); // no registration: the callsign is the key
    EXPECT_EQ(option.callsign, "BAW1");
    EXPECT_EQ(option.airline, "BAW");
    EXPECT_EQ(option.weekday, 3u);
    EXPECT_EQ(gf_bitset2hours(option.halfHours), "17");
    EXPECT_TRUE(stand.realVisits.contains(kHex));
    EXPECT_EQ(gAirports.gParking.learnedUpdates, 1u);
    EXPECT_EQ(harness->engine().liveParked,
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{kHex, 17}}));
    EXPECT_TRUE(gAirports.gParking.stands[1].options.empty());
}

} // namespace
} // namespace oxl
