#include "traffic/report_append.h"

#include "airports/parking_state.h"
#include "tests/traffic/live_fixture.h"

#include <string>
#include <vector>

namespace oxl
{
namespace
{

using test::LiveScenario;

constexpr std::uint32_t kHex = 0x730001;

// Two stands 40 m apart on one row; static aircraft of radius 0.02 nm stand on them.
class StaticAvoidance : public LiveScenario
{
  protected:
    void SetUp() override
    {
        LiveScenario::SetUp();
        std::vector<Stand> stands;
        stands.emplace_back("B1", 1, 47.4500, 8.5600, 0.0, 40.0);
        stands.emplace_back("B2", 2, 47.4500, 8.56053, 0.0, 40.0);
        gParking.setStands(std::move(stands));
        gParking.staticAircraft = {statik("STAT1*", 1, 60), statik("STAT2*", 2, 61)};
        LOG.set(true);
        ac.callsign = "SWR12";
        ac.radius = 0.02;
        ac.simState = SimState::active;
        ac.phase = GroundPhase::taxi;
        ac.onGround = 1;
    }

    static SimAc statik(const std::string& callsign, std::uint32_t standId, std::uint32_t objectId)
    {
        SimAc s;
        s.callsign = callsign;
        s.standId = standId;
        s.objectId = objectId;
        s.radius = 0.02;
        s.simState = SimState::active;
        return s;
    }

    // The aircraft at a distance north of stand B1 [nm].
    void placeNorthOfB1(double nm)
    {
        ac.lat = 47.45 + nm / 60.0;
        ac.lon = 8.56;
    }

    LiveAc ac;
};

TEST_F(StaticAvoidance, TheFirstStaticWithinTheClearanceIsRemoved)
{
    struct Row
    {
        const char* name;
        double northNm;
        bool removed;
    };
    // The clearance is 1.1 × (0.02 + 0.02) = 0.044 nm from the stand.
    const Row rows[] = {{"on the stand", 0.0, true}, {"just inside", 0.0435, true}, {"just outside", 0.0445, false}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        gParking.staticAircraft = {statik("STAT1*", 1, 60)};
        placeNorthOfB1(row.northNm);
        avoidStatics(harness->engine(), ac);
        EXPECT_EQ(gParking.staticAircraft[0].simState == SimState::removingfromsim, row.removed);
        EXPECT_DOUBLE_EQ(ac.lastAvoidLat, ac.lat);
        EXPECT_DOUBLE_EQ(ac.lastAvoidLon, ac.lon);
    }
    EXPECT_TRUE(log.contains("B1      : STAT1*   removed for collision avoidance with static SWR12"));
}

TEST_F(StaticAvoidance, OnlyOneStaticGoesPerCall)
{
    // Halfway between both stands, both are in the way; the first in the list goes.
    ac.lat = 47.45;
    ac.lon = 8.560265;
    avoidStatics(harness->engine(), ac);
    EXPECT_EQ(gParking.staticAircraft[0].simState, SimState::removingfromsim);
    EXPECT_EQ(gParking.staticAircraft[1].simState, SimState::active);
    avoidStatics(harness->engine(), ac);
    EXPECT_EQ(gParking.staticAircraft[1].simState, SimState::removingfromsim);
}

TEST_F(StaticAvoidance, StaticsThatAreNotInTheWayStay)
{
    placeNorthOfB1(0.0);
    // Its own static twin and a static aircraft that is not in the simulator yet are left alone.
    gParking.staticAircraft[0].callsign = "SWR12";
    gParking.staticAircraft[1].standId = 1;
    gParking.staticAircraft[1].simState = SimState::adding2sim;
    avoidStatics(harness->engine(), ac);
    EXPECT_EQ(gParking.staticAircraft[0].simState, SimState::active);
    EXPECT_EQ(gParking.staticAircraft[1].simState, SimState::adding2sim);
}

TEST_F(StaticAvoidance, NothingHappensDuringRollOutOrTakeOff)
{
    placeNorthOfB1(0.0);
    for (int which = 0; which < 2; ++which)
    {
        ac.rollOut = which == 0 ? 1 : 0;
        ac.takeOff = which == 1 ? 1 : 0;
        avoidStatics(harness->engine(), ac);
        EXPECT_EQ(ac.lastAvoidLat, 0.0);
        EXPECT_EQ(gParking.staticAircraft[0].simState, SimState::active);
    }
}

} // namespace
} // namespace oxl
