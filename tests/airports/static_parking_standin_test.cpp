// Static aircraft of a calculation created in the simulator stand-in through the simulator link's own
// queues, recognised as static by their hexids, and removed again by the flush.
#include "airports/static_placement.h"
#include "airports/static_selection.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/units.h"
#include "platform/clock.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/sim_link_fixture.h"

#include <fmt/format.h>

#include <memory>

namespace oxl
{
namespace
{

constexpr std::int64_t kMonday1000 = 1704067200 + 10 * 3600; // weekday 1, half-hour 20

class StaticParkingStandin : public test::SimLinkTest
{
  protected:
    void SetUp() override
    {
        test::SimLinkTest::SetUp();
        gAirports.gParking.reset();
        gAirports.gParking.services = std::make_unique<LinkParking>();
        test::resetSettingsToDefaults();
        RANDOM.set(false);
        parking_percentage.set(100);
        std::vector<Stand> stands;
        for (std::uint32_t i = 1; i <= 2; ++i)
        {
            Stand s(fmt::format("E{}", i), i, 47.4650, 8.5500 + 0.002 * i, 1.0, 25.0);
            StandOccupancy o;
            o.airline = "SWR";
            o.type = "A320";
            o.callsign = fmt::format("SWR{}", 10 * i);
            o.registration = fmt::format("HB-JL{}", i);
            o.halfHours.set(20);
            o.id = 1;
            o.weekday = 1;
            o.kind = StandOptionKind::real;
            s.options.push_back(o);
            stands.push_back(std::move(s));
        }
        gAirports.gParking.setStands(std::move(stands));
    }

    void TearDown() override
    {
        gAirports.gParking.reset();
        gAirports.gParking.services = std::make_unique<NoParkingServices>();
        test::resetSettingsToDefaults();
        test::SimLinkTest::TearDown();
    }

    plat::FixedUtcClock clock{kMonday1000};

    // Static aircraft go straight to the simulator link's queues, every one in a known livery.
    class LinkParking final : public NoParkingServices
    {
      public:
        void queueStaticCreate(const CreateRequest& r) override { gf_queueCreateAc(r); }
        void removeAircraftFromSim(SimAc& ac) override
        {
            ac.simState = SimState::removingfromsim;
            gf_queueRemoval(ac.objectId);
        }
        bool matchStaticLivery(AcProfile& ac, const std::string& /*standName*/, bool /*standCargo*/) override
        {
            ac.livery = "Known Jet";
            return true;
        }
    };
};

TEST_F(StaticParkingStandin, PlacedAircraftStandInTheSimulatorUntilFlushed)
{
    ASSERT_TRUE(connected());
    gf_calcStaticParking(gAirports.gParking);
    ASSERT_EQ(gAirports.gParking.staticParked.size(), 2u);
    gf_assignStaticParking(gAirports.gParking);
    gf_assignStaticParking(gAirports.gParking);
    ASSERT_EQ(gAirports.gParking.staticAircraft.size(), 2u);

    for (SimAc& ac : gAirports.gParking.staticAircraft)
    {
        ASSERT_TRUE(test::eventually([&] { return objectByTail(ac.callsign).value("added", false); }))
            << ac.callsign;
        const nlohmann::json object = objectByTail(ac.callsign);
        EXPECT_EQ(object["title"], "Known Jet");
        EXPECT_NEAR(object["latitude"].get<double>(), ac.standLat, 1e-6);
        EXPECT_NEAR(object["longitude"].get<double>(), ac.standLon, 1e-6);
        EXPECT_NEAR(object["heading"].get<double>(), radToDeg(1.0), 1e-3);
        std::optional<SimAnswer> answer;
        ASSERT_TRUE(test::eventually(
            [&]
            {
                requestAcInRange();
                answer = waitAnswer(SimAnswerKind::staticCreated,
                                    [&](const SimAnswer& a) { return a.hexid == ac.hexid; });
                return answer.has_value();
            }));
        // What the engine does 200 ticks after the answer.
        ac.objectId = answer->objectId;
        ac.simState = SimState::active;
    }
    EXPECT_EQ(gf_countParkedForGui(gAirports.gParking, false), 2u);

    gf_removeQueuedStatic(gAirports.gParking);
    for (const SimAc& ac : gAirports.gParking.staticAircraft)
        EXPECT_TRUE(test::eventually([&] { return objectByTail(ac.callsign).empty(); })) << ac.callsign;
}

} // namespace
} // namespace oxl
