// Live aircraft spawned by the engine with the livery matching installed: the title in the create request,
// the pending title of a hexid and the failed creation that the simulator reports.
#include "traffic/engine/live_livery_hooks.h"

#include "tests/liveries/livery_match_fixture.h"
#include "tests/support/live_harness.h"
#include "traffic/engine/live_tick.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace oxl
{
namespace
{

constexpr std::uint32_t kHex = 0x500001;

class LiveLiveryHooks : public test::LiveryMatchTest
{
  protected:
    LiveLiveryHooks()
    {
        harness = std::make_unique<test::LiveHarness>();
        gf_installLiveLiveryHooks(harness->engine());
    }

    /// Two airborne reports of the hexid, the first due `dueIn` ticks after now.
    void arrive(const std::string& airline, const std::string& type, const std::string& registration,
                std::uint32_t hexid = kHex, std::int32_t dueIn = 200)
    {
        TrafficLine first;
        first.hexid = hexid;
        first.callsign = "TST" + std::to_string(123 + hexid - kHex);
        first.airline = airline;
        first.type = type;
        first.registration = registration;
        first.timestamp = 1000.0 + harness->tick();
        first.report.lat = 51.5;
        first.report.lon = -0.2;
        first.report.alt = 5000.0;
        first.report.airborne = 1;
        first.report.gs = 240.0;
        first.report.tas = 240.0;
        first.report.track = 90.0;
        TrafficLine second = first;
        second.timestamp += 20.0;
        second.report.lon += 0.02;
        const std::int32_t due = harness->tick() + dueIn;
        harness->accept(first, due);
        harness->accept(second, due + 2000);
    }

    /// Runs until the fake simulator received the given number of create requests.
    bool runUntilCreates(std::size_t count)
    {
        return harness->runUntil([&] { return harness->creates.size() >= count; }, 2000);
    }

    std::unique_ptr<test::LiveHarness> harness;
};

TEST_F(LiveLiveryHooks, CreateRequestCarriesTheMatchedTitle)
{
    arrive("DLH", "A320", "");
    ASSERT_TRUE(runUntilCreates(1));
    EXPECT_EQ(harness->creates.front().request.title, "LH A320 Base");
    EXPECT_EQ(harness->creates.front().request.hexid, kHex);
    EXPECT_EQ(gLiveries.MatchStepCounters[1], 1);
    EXPECT_EQ(gf_takePendingTitle(kHex), "LH A320 Base");
    EXPECT_TRUE(isStoredTitle(harness->creates.front().request.title));
}

TEST_F(LiveLiveryHooks, RespawnedHexidKeepsItsPendingTitle)
{
    arrive("DLH", "A320", "");
    ASSERT_TRUE(runUntilCreates(1));
    // The aircraft leaves; the same hexid comes back as another flight and still wears its livery.
    harness->engine().live.clear();
    arrive("BAW", "A321", "");
    ASSERT_TRUE(runUntilCreates(2));
    EXPECT_EQ(harness->creates[1].request.title, "LH A320 Base");
    EXPECT_EQ(gLiveries.MatchStepCounters[1], 1);
    EXPECT_EQ(gLiveries.MatchStepCounters[2], 0);
}

TEST_F(LiveLiveryHooks, RegistrationWithReservedTitleRespawnsTheAircraft)
{
    arrive("DLH", "A320", "");
    ASSERT_TRUE(runUntilCreates(1));
    EXPECT_EQ(harness->creates.front().request.title, "LH A320 Base");
    ASSERT_TRUE(harness->runUntil(
        [&] { return harness->aircraft(kHex) && harness->aircraft(kHex)->simState == SimState::active; },
        1000));

    // The source now names the registration whose livery is reserved: the pending title is forgotten
    // and the aircraft comes back in its own livery.
    const LiveAc* ac = harness->aircraft(kHex);
    TrafficLine named;
    named.hexid = kHex;
    named.callsign = ac->callsign;
    named.airline = "DLH";
    named.type = "A320";
    named.registration = "D-AIZZ";
    named.timestamp = ac->lastTime + 10.0;
    named.report = ac->stream.back();
    named.report.lon += 0.01;
    harness->accept(named, ac->stream.back().dueTick + 1000);
    ASSERT_TRUE(runUntilCreates(2));
    EXPECT_EQ(harness->creates[1].request.title, "LH A320 Award");
    EXPECT_EQ(gf_takePendingTitle(kHex), "LH A320 Award");
    EXPECT_EQ(gLiveries.MatchStepCounters[0], 1);
}

TEST_F(LiveLiveryHooks, FailedCreationIsNotRetriedWithTheSameTitle)
{
    harness->failCreate.insert(kHex);
    arrive("DLH", "A321", "D-XYZA");
    // Queued behind it with the same title, each turn coming after the refusal: one finds no other livery
    // and is dropped without using up the slot, one kept the title for its hexid and is matched anew, and
    // the next takes the slot after that.
    arrive("DLH", "A321", "", kHex + 1, 210);
    gf_storePendingTitle(kHex + 2, gf_findLiveryTitle("LH A321"));
    arrive("BAW", "A320", "", kHex + 2, 220);
    arrive("BAW", "A319", "", kHex + 3, 230);
    ASSERT_TRUE(runUntilCreates(3));
    const auto& made = harness->creates;
    EXPECT_EQ(made[0].request.title, "LH A321");
    EXPECT_EQ(made[1].request.hexid, kHex + 2);
    EXPECT_EQ(made[1].request.title, "BA A320 one");
    EXPECT_EQ(made[2].request.title, "BA A319");
    EXPECT_EQ(made[1].tick - made[0].tick, kCreatePeriodTicks);
    EXPECT_EQ(made[2].tick - made[1].tick, kCreatePeriodTicks);
    EXPECT_EQ(harness->aircraft(kHex + 1), nullptr);
    ASSERT_TRUE(harness->runUntil([&] { return harness->aircraft(kHex) == nullptr; }, 500));
    EXPECT_THAT(gLiveries.FailedTitles, ::testing::ElementsAre("LH A321"));
    EXPECT_TRUE(settings_.logged("TST123 'LH A321' could not be created by your Sim!"));

    // The pending title is dropped and the match finds only the failed title: no livery, no request.
    arrive("DLH", "A321", "D-XYZA");
    harness->run(400);
    EXPECT_EQ(harness->creates.size(), 3u);
    EXPECT_TRUE(gf_takePendingTitle(kHex).empty());
    EXPECT_TRUE(harness->engine().unmatchedSet.contains("DLH A321 D-XYZA"));
    EXPECT_THAT(gf_unmatchedList(harness->engine()), ::testing::ElementsAre("DLH A321 D-XYZA"));
}

} // namespace
} // namespace oxl
