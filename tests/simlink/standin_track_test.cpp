// The simulator stand-in's track, which the end-to-end runs read: every AI aircraft the link creates,
// moves and removes appears as one JSON line, in order, with the object's id and position.
#include "foundation/utf.h"
#include "simlink/ai_create.h"
#include "tests/support/sim_link_fixture.h"

#include <nlohmann/json.hpp>

namespace oxl::test
{
namespace
{

class StandinTrackTest : public SimLinkTest
{
  protected:
    std::vector<std::string> standinArgs() override
    {
        auto args = SimLinkTest::standinArgs();
        args.insert(args.end(), {"--track", trackFile.string(), "--journal-memory", "5", "--journal",
                                 (folder / "journal.jsonl").string()});
        return args;
    }

    std::vector<nlohmann::json> track() const
    {
        std::vector<nlohmann::json> lines;
        for (const std::string& line : splitLines(readBytes(trackFile)))
            lines.push_back(nlohmann::json::parse(line));
        return lines;
    }

    TempFolder folder;
    std::filesystem::path trackFile = folder / "track.jsonl";
};

TEST_F(StandinTrackTest, CreationPositionWritesAndRemovalOfAnAircraft)
{
    ASSERT_TRUE(connected());
    // A Latin-1 byte and a character cut short: the state, the track and the journal keep every byte.
    const std::string callsign = "SW\351\303";
    const std::uint32_t oid = createIdentified(callsign, 20020, SimAnswerKind::liveCreated);
    ASSERT_GT(oid, 2u);
    gf_queuePosition(movedNearUser(oid));
    EXPECT_NE(gf_handOverPositions(), PositionHandOver::dropped);
    ASSERT_TRUE(eventually([&] { return objectByTail(callsign)["positionWrites"] == 1; }));
    gf_queueRemoval(oid);
    ASSERT_TRUE(
        waitAnswer(SimAnswerKind::objectRemoved, [&](const SimAnswer& a) { return a.objectId == oid; }));

    // The stand-in writes the removal to its track as it answers: the line may follow the answer.
    ASSERT_TRUE(eventually([&] { return track().size() == 3; }));
    const auto lines = track();
    EXPECT_EQ(lines[0]["event"], "created");
    EXPECT_EQ(lines[0]["title"], "Known Jet");
    EXPECT_EQ(gf_restoreBytes(lines[0]["tail"].get<std::string>()), callsign);
    EXPECT_NE(readBytes(folder / "journal.jsonl").find(gf_escapeBytes(callsign)), std::string::npos);
    EXPECT_DOUBLE_EQ(lines[0]["lat"].get<double>(), 47.4650);
    EXPECT_EQ(lines[1]["event"], "moved");
    EXPECT_DOUBLE_EQ(lines[1]["lat"].get<double>(), 47.47);
    EXPECT_DOUBLE_EQ(lines[1]["lon"].get<double>(), 8.56);
    EXPECT_DOUBLE_EQ(lines[1]["alt"].get<double>(), 1500.0);
    EXPECT_EQ(lines[2]["event"], "removed");
    for (const auto& line : lines)
        EXPECT_EQ(line["id"], oid);
    EXPECT_LE(lines[0]["ms"].get<std::int64_t>(), lines[1]["ms"].get<std::int64_t>());
    EXPECT_LE(lines[1]["ms"].get<std::int64_t>(), lines[2]["ms"].get<std::int64_t>());
    // Only the last client messages stay in the stand-in's memory.
    EXPECT_EQ(sim.journal().size(), 5u);
}

} // namespace
} // namespace oxl::test
