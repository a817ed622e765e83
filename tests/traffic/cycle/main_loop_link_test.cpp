// The main loop's own request to the simulator, on the link to the simulator stand-in: the aircraft
// within range are asked for beyond the radius of RANGE, and not while the link is in error.
#include "foundation/config_keys.h"
#include "foundation/units.h"
#include "simlink/sim_ids.h"
#include "tests/support/sim_link_fixture.h"
#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/main_loop.h"
#include "traffic/engine/live_engine.h"

namespace oxl::test
{
namespace
{

class MainLoopLinkTest : public SimLinkTest
{
  protected:
    void TearDown() override
    {
        gf_installCycleSimulatorPort(nullptr);
        SimLinkTest::TearDown();
    }

    std::atomic<std::int32_t> tick{0};
};

TEST_F(MainLoopLinkTest, AircraftInRangeAreAskedForOnTheLink)
{
    ASSERT_TRUE(connected());
    LiveEngine engine;
    engine.n.tickCounter = &tick;
    gRangeMeters.store(wholeNmToMetres(40));
    oxl::requestAcInRange(engine);
    ASSERT_TRUE(eventually([&] { return !calls("SimConnect_RequestDataOnSimObjectType").empty(); }));
    const auto sent = calls("SimConnect_RequestDataOnSimObjectType");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["fields"]["requestId"], kReqAcInRange);
    EXPECT_EQ(sent[0]["fields"]["definitionId"], kDefAcInRange);
    EXPECT_EQ(sent[0]["fields"]["radiusM"], gf_inRangeRequestM(wholeNmToMetres(40)));
    EXPECT_EQ(sent[0]["fields"]["objectType"], 2u);
    EXPECT_EQ(gSimLink.gSimError.load(), 0);
}

TEST_F(MainLoopLinkTest, NothingIsAskedWhileTheLinkIsInError)
{
    ASSERT_TRUE(connected());
    // The link's own error flag, as the program reads it.
    struct LinkInError : NoCycleSimulator
    {
        bool simError() override { return gSimLink.gSimError.load() != 0; }
    } sim;
    gf_installCycleSimulatorPort(&sim);
    gSimLink.gSimError.store(1);
    LiveEngine engine;
    engine.n.tickCounter = &tick;
    oxl::requestAcInRange(engine);
    // A later call that does reach the stand-in shows that nothing else was queued before it.
    gf_requestUserAcTitleModel();
    ASSERT_TRUE(eventually(
        [&]
        {
            for (const auto& call : calls("SimConnect_RequestDataOnSimObject"))
                if (call["fields"]["requestId"] == kReqUserTitle)
                    return true;
            return false;
        }));
    EXPECT_TRUE(calls("SimConnect_RequestDataOnSimObjectType").empty());
}

} // namespace
} // namespace oxl::test
