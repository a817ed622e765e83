// Creation, identification and freezing of AI aircraft against the stand-in, failed creations,
// other aircraft in range and removals.
#include "simlink/ai_create.h"

#include "foundation/log.h"
#include "platform/clock.h"
#include "simlink/sim_ids.h"
#include "tests/support/sim_link_fixture.h"

#include <algorithm>
#include <fmt/format.h>
#include <set>

namespace oxl::test
{
namespace
{

std::vector<std::string> eventNames(const nlohmann::json& object)
{
    std::vector<std::string> names;
    for (const auto& e : object["events"])
        names.push_back(e["event"]);
    return names;
}

TEST_F(SimLinkTest, LiveAircraftIsCreatedIdentifiedReleasedAndFrozen)
{
    ASSERT_TRUE(connected());
    // The user has flown 100 nm on: no range reply holds the new object, its own data names it.
    ASSERT_EQ(sim.command("teleport 49.1 8.5492"), "ok");
    const std::uint32_t oid = createIdentified("DLH4AB", 20001, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    const auto create = calls("SimConnect_AICreateNonATCAircraft");
    ASSERT_EQ(create.size(), 1u);
    EXPECT_EQ(create[0]["fields"]["title"], "Known Jet");
    EXPECT_EQ(create[0]["fields"]["tailNumber"], "DLH4AB");
    EXPECT_EQ(create[0]["fields"]["requestId"], kReqCreateAc);
    EXPECT_EQ(create[0]["fields"]["onGround"], 1);

    ASSERT_TRUE(eventually([&] { return eventNames(objectByTail("DLH4AB")).size() == 3; }));
    const auto object = objectByTail("DLH4AB");
    EXPECT_TRUE(object["released"]);
    EXPECT_EQ(eventNames(object), (std::vector<std::string>{"FREEZE_LATITUDE_LONGITUDE_SET",
                                                            "FREEZE_ALTITUDE_SET", "FREEZE_ATTITUDE_SET"}));
    for (const auto& e : object["events"])
    {
        EXPECT_EQ(e["data"], 1);
        EXPECT_EQ(e["group"], kSimNotifyGroup);
    }
}

// A simulator that takes 6, 3, 6 and 4 s to add the objects of its creations, as when it loads models.
class SlowAddingSimulatorTest : public SimLinkTest
{
    std::vector<std::string> standinArgs() override
    {
        return {"--add-delay-ms", "6000,3000,6000,4000", "--title", "Known Jet"};
    }
};

TEST_F(SlowAddingSimulatorTest, LateObjectsArePairedWhileWantedAndRemovedOnceLetGo)
{
    ASSERT_TRUE(connected());
    const auto removedLine = [&](const std::string& callsign, std::size_t n)
    {
        eventually([&] { return calls("SimConnect_AIRemoveObject").size() >= n; });
        return callsign + " added by the simulator after its creation was let go: removed, oid: " +
               calls("SimConnect_AIRemoveObject").at(n - 1)["fields"]["objectId"].dump();
    };
    queueCreateNearUser("EDW9", 20011);
    queueCreateNearUser("EDW8", 20012);
    ASSERT_TRUE(eventually([&] { return calls("SimConnect_AICreateNonATCAircraft").size() == 2; }));
    // EDW8 leaves before its object comes and is wanted again at once: one of two objects serves it.
    gRecords.gSimQueues.withdrawCreation(20012);
    queueCreateNearUser("EDW8", 20012);
    EXPECT_TRUE(waitAnswer(SimAnswerKind::liveCreated, [](const SimAnswer& a) { return a.hexid == 20011; }));
    EXPECT_TRUE(log.contains(removedLine("EDW8", 1)));
    // Minutes without its object: the creation is given up, and its object removed when it comes.
    queueCreateNearUser("EDW7", 20014);
    ASSERT_TRUE(eventually([&] { return calls("SimConnect_AICreateNonATCAircraft").size() == 4; }));
    plat::setSteadySource([] { return std::chrono::steady_clock::now() + kCreateWaitLimit; });
    EXPECT_TRUE(
        waitAnswer(SimAnswerKind::createRefused, [](const SimAnswer& a) { return a.hexid == 20014; }));
    // However late the object then comes, it is known and removed.
    plat::setSteadySource([] { return std::chrono::steady_clock::now() + 3 * kCreateWaitLimit; });
    EXPECT_TRUE(log.contains(removedLine("EDW7", 2)));
    plat::setSteadySource({});
    EXPECT_TRUE(
        log.contains("EDW7 (hexid 20014) not added by the simulator within 5 minutes: creation given up"));
    // 20011 and 20012 paired once each, 20014 refused.
    for (const std::uint32_t hexid : {20011u, 20012u, 20014u})
        EXPECT_EQ(std::ranges::count(answers, hexid, &SimAnswer::hexid), 1) << hexid;
}

TEST_F(SlowAddingSimulatorTest, ManyCreationsRefusedOrGivenUpCostAFewLinesOfEachKind)
{
    ASSERT_TRUE(connected());
    // Callsigns and titles refused, creations given up whose objects come late: a few lines of each kind.
    const std::string longTitle(300, 'T');
    for (std::uint32_t i = 0; i < 60; ++i)
    {
        queueCreateNearUser(fmt::format("EDW{}", i), 30000 + i);
        queueCreateNearUser("", 31000 + i);
        gf_queueCreateAc({.callsign = "KLM", .title = longTitle, .hexid = 32000 + i});
    }
    ASSERT_TRUE(eventually([&] { return calls("SimConnect_AICreateNonATCAircraft").size() == 60; }));
    plat::setSteadySource([] { return std::chrono::steady_clock::now() + kCreateWaitLimit; });
    EXPECT_TRUE(eventually([&] { return calls("SimConnect_AIRemoveObject").size() == 60; },
                           std::chrono::seconds(20)));
    plat::setSteadySource({});
    for (const char* kind : {"cannot carry its callsign", "! Simcon call to create ac in sim failed",
                             "creation given up", "after its creation was let go"})
        EXPECT_TRUE(linesWith(kind) > 0 && linesWith(kind) < 25) << kind;
}

TEST_F(SimLinkTest, StaticAircraftIsIdentifiedAsStaticWhateverItsHexid)
{
    ASSERT_TRUE(connected());
    EXPECT_GT(createIdentified("EZY12*", 1, SimAnswerKind::staticCreated), 2u);
    EXPECT_GT(createIdentified("EZY13*", 10000, SimAnswerKind::staticCreated), 2u);
}

TEST_F(SimLinkTest, RefusedTitleGivesACreateFailedAnswerWithItsHexid)
{
    ASSERT_TRUE(connected());
    const std::uint32_t oid = createIdentified("BAW0", 20001, SimAnswerKind::liveCreated);
    CreateRequest r;
    r.lat = 47.4650;
    r.lon = 8.5500;
    r.callsign = "BAW1";
    r.title = "Livery The Simulator Lacks";
    r.hexid = 20002;
    // In one frame after a position and an event: the refusal names the creation's own message.
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        gRecords.gSimQueues.send->push_back(movedNearUser(oid));
        gRecords.gSimQueues.events.push_back({oid, kEvGearSet, 1});
        gRecords.gSimQueues.creates.push_back(r);
    }
    const auto failed = waitAnswer(SimAnswerKind::createFailed);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->hexid, 20002u);
    EXPECT_EQ(failed->objectId, 0u);
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
}

TEST_F(SimLinkTest, TitleTooLongForItsFieldFailsThatCreationOnly)
{
    ASSERT_TRUE(connected());
    const std::string title(300, 'T');
    CreateRequest r;
    r.callsign = "KLM7";
    r.title = title;
    r.hexid = 20003;
    gf_queueCreateAc(r);
    const auto failed = waitAnswer(SimAnswerKind::createFailed);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->hexid, 20003u);
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
    EXPECT_EQ(gSimLink.gSimError.load(), 0);
    EXPECT_TRUE(calls("SimConnect_AICreateNonATCAircraft").empty());
    // The link goes on creating other aircraft.
    EXPECT_GT(createIdentified("KLM8", 20004, SimAnswerKind::liveCreated), 2u);
}

TEST_F(SimLinkTest, CallsignTheSimulatorCannotCarryRefusesThatCreationOnly)
{
    ASSERT_TRUE(connected());
    // Too long for the tail number's field (no room for the closing NUL), cut short by a NUL, or holding a
    // control byte: the object's ATC ID would never equal the callsign, so nothing would own the object.
    const std::vector<std::string> callsigns{"HB-JVELONGER",
                                             std::string("EDW\0"
                                                         "1",
                                                         5),
                                             "EDW\t1", "EDW\x7F", ""};
    std::uint32_t hexid = 20005;
    for (const std::string& callsign : callsigns)
    {
        SCOPED_TRACE(gf_outsideText(callsign));
        CreateRequest r;
        r.callsign = callsign;
        r.title = "Known Jet";
        r.hexid = ++hexid;
        gf_queueCreateAc(r);
        EXPECT_TRUE(
            waitAnswer(SimAnswerKind::createRefused, [&](const SimAnswer& a) { return a.hexid == hexid; }));
        EXPECT_TRUE(log.contains(
            fmt::format("{} (hexid {}) not created: the simulator cannot carry its callsign as it is",
                        gf_outsideText(callsign), hexid)));
    }
    drainAnswers();
    EXPECT_TRUE(std::none_of(answers.begin(), answers.end(),
                             [](const SimAnswer& a) { return a.kind == SimAnswerKind::createFailed; }));
    EXPECT_EQ(gFoundation.gStopRequested.load(), 0);
    EXPECT_EQ(gSimLink.gSimError.load(), 0);
    EXPECT_TRUE(calls("SimConnect_AICreateNonATCAircraft").empty());
    // The same livery is created under a tail number that fits.
    EXPECT_GT(createIdentified("HB-JVE", 20020, SimAnswerKind::liveCreated), 2u);
}

TEST_F(SimLinkTest, OtherAircraftNearTheGroundAreReportedAndForeignNewOnesOnlyLogged)
{
    ASSERT_TRUE(connected());
    // Injected in id order; the range reply lists them in that order, so the last one's answer comes last.
    const std::vector<std::pair<std::string, std::string>> injected{
        {"SWR12", "1200"}, {"STATIC1*", "0"}, {"SWR25", "2500"}, {"SWR26", "2500.1"}, {"SWR50", "100"}};
    std::vector<std::uint32_t> ids;
    for (const auto& [tail, alt] : injected)
    {
        const auto reply = sim.command(fmt::format("inject {} 47.4655 8.5495 {}", tail, alt));
        ASSERT_EQ(reply.rfind("ok ", 0), 0u);
        ids.push_back(static_cast<std::uint32_t>(std::stoul(reply.substr(3))));
    }
    // Added objects that no creation of ours explains are logged once and left alone.
    ASSERT_TRUE(eventually(
        [&]
        {
            requestAcInRange();
            return log.contains(
                fmt::format("just spawned, but not by Ordalis_P3D, oid: {}, callsign 'SWR50', "
                            "altaboveGnd:100 ft, onground:0, gnd_alt:0 ft",
                            ids.back()));
        }));
    EXPECT_TRUE(log.contains(fmt::format("just spawned, but not by Ordalis_P3D, oid: {}, callsign 'SWR12', "
                                         "altaboveGnd:1200 ft, onground:0, gnd_alt:0 ft",
                                         ids[0])));
    drainAnswers();
    answers.clear();
    requestAcInRange();
    ASSERT_TRUE(
        waitAnswer(SimAnswerKind::groundData, [&](const SimAnswer& a) { return a.objectId == ids.back(); }));
    // Replies to earlier requests may still arrive: each lists the same aircraft.
    std::set<std::uint32_t> reported;
    for (const auto& a : answers)
        if (a.kind == SimAnswerKind::groundData)
        {
            reported.insert(a.objectId);
            EXPECT_EQ(a.hexid, 0u);
            EXPECT_DOUBLE_EQ(a.value1, 0.0);
        }
    EXPECT_EQ(reported, (std::set<std::uint32_t>{ids[0], ids[2], ids[4]}));
}

TEST_F(SimLinkTest, RemovalsReachTheSimulatorButNeverTheUserAircraft)
{
    ASSERT_TRUE(connected());
    gf_requestUserAcPosition();
    ASSERT_TRUE(eventually([] { return gSimLink.gUserObjectId.load() == 1; }));
    const std::uint32_t oid = createIdentified("AFR22", 20005, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    gf_queueRemoval(1);
    gf_queueRemoval(oid);
    const auto removed =
        waitAnswer(SimAnswerKind::objectRemoved, [&](const SimAnswer& a) { return a.objectId == oid; });
    ASSERT_TRUE(removed);
    EXPECT_TRUE(objectByTail("AFR22").empty());
    const auto sent = calls("SimConnect_AIRemoveObject");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["fields"]["objectId"], oid);
    EXPECT_EQ(sent[0]["fields"]["requestId"], kReqRemoveAc);
    EXPECT_TRUE(log.contains("===> SimConnect call to remove ac with objectid 1"));
}

TEST(Utf8Prefix, CutsOnlyBetweenCharacters)
{
    struct Row
    {
        const char* name;
        std::string text;
        std::size_t max;
        std::string expected;
    };
    const std::vector<Row> rows{
        {"short text stays", "Boeing", 48, "Boeing"},
        {"ascii is cut at the limit", std::string(50, 'a'), 48, std::string(48, 'a')},
        {"two-byte character across the limit", std::string(47, 'a') + "\xC3\xA9", 48, std::string(47, 'a')},
        {"three-byte character across the limit", std::string(46, 'a') + "\xE2\x82\xAC" + "x", 48,
         std::string(46, 'a')},
        {"character ending at the limit", std::string(46, 'a') + "\xC3\xA9" + "x", 48,
         std::string(46, 'a') + "\xC3\xA9"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(gf_utf8Prefix(row.text, row.max), row.expected) << row.name;
}

} // namespace
} // namespace oxl::test
