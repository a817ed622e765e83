// Links that fail while traffic flies: the traffic source drops its link and comes back, and a burst of
// bad datagrams arrives; neither ends the cycle.
#include "foundation/utf.h"
#include "platform/net_tcp.h"
#include "platform/net_udp.h"
#include "tests/e2e/flight_script.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr double kStartS = 1735732800.0;

// An aircraft circling the airport at 3000 ft above it for the seconds: legs of 40 s, turning 90 degrees.
FlightScript circling(std::uint32_t hexid, const std::string& callsign, double seconds)
{
    FlightScript script(hexid, callsign, "A320", "F-GKXC", kZurichUserLatDeg + 0.02, kZurichUserLonDeg - 0.03,
                        90.0, kStartS);
    script.route("LFPG", "LSZH").flying(kZurichGroundFt + 3000, 180);
    double heading = 90.0;
    for (double flown = 0; flown < seconds; flown += 40.0)
    {
        script.move(40, 180);
        heading = heading >= 360.0 ? 90.0 : heading + 90.0;
        script.turnTo(heading);
    }
    return script;
}

std::size_t objectsWithTail(const std::map<std::uint32_t, TrackedObject>& objects, const std::string& tail)
{
    return static_cast<std::size_t>(std::count_if(
        objects.begin(), objects.end(), [&](const auto& entry) { return entry.second.tail == tail; }));
}

bool anyRemovedWithTail(const std::map<std::uint32_t, TrackedObject>& objects, const std::string& tail)
{
    return std::any_of(objects.begin(), objects.end(),
                       [&](const auto& entry) { return entry.second.tail == tail && entry.second.removed; });
}

// The position of a line of the source's record in the record, or the record's size.
std::size_t recordIndex(const std::vector<std::string>& record, const std::string& text, std::size_t from = 0)
{
    for (std::size_t i = from; i < record.size(); ++i)
        if (record[i].find(text) != std::string::npos)
            return i;
    return record.size();
}

void startCircling(RoadRun& run, double seconds, const std::vector<std::string>& sourceArgs = {})
{
    const std::string replay = (run.folder() / "replay.txt").string();
    writeReplay(replay, {circling(3949321, "AFR1614", seconds)});
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    std::vector<std::string> args = {"--replay", replay, "--qnh", "1013"};
    args.insert(args.end(), sourceArgs.begin(), sourceArgs.end());
    ASSERT_TRUE(run.startTraffic(args));
    ASSERT_TRUE(run.startProgram());
}

TEST(Links, TrafficSourceDropsAndReturns)
{
    RoadRun run;
    // The source drops its link once, 60 s after it started, and connects again a second later.
    startCircling(run, 240, {"--drop-after", "60"});
    // No other address reaches the served source's port; twenty closed connections wait in its queue.
    ASSERT_TRUE(run.waitLog("RealTraffic connected", 60s));
    // 127.0.0.2 stands for every other address: a listener on all of them would take it too.
    EXPECT_FALSE(plat::net::connectTcp("127.0.0.2", run.sourcePort(), 2000ms).valid());
    for (int i = 0; i < 20; ++i)
    {
        // Half of them send a line before they close: they are passed over all the same.
        plat::net::Socket queued = plat::net::connectTcp("127.0.0.1", run.sourcePort(), 2000ms);
        EXPECT_TRUE(queued.valid() && (i % 2 == 1 || plat::net::sendAll(queued, "Qs999=version\r\n")));
    }
    ASSERT_TRUE(
        run.waitObjects([](const auto& objects) { return objectsWithTail(objects, "AFR1614") == 1; }, 90s));

    // The program sees the source gone, takes its live aircraft out and waits for the source.
    ASSERT_TRUE(
        run.waitObjects([](const auto& objects) { return anyRemovedWithTail(objects, "AFR1614"); }, 90s));
    // Back: the program takes the waiting link at its next user state and the aircraft returns.
    EXPECT_TRUE(
        run.waitObjects([](const auto& objects) { return objectsWithTail(objects, "AFR1614") == 2; }, 120s));
    const auto record = run.sourceRecord();
    const std::size_t dropped = recordIndex(record, "# dropped");
    ASSERT_LT(dropped, record.size());
    const std::size_t again = recordIndex(record, "# connected", dropped);
    ASSERT_LT(again, record.size());
    EXPECT_LT(recordIndex(record, "Qs121=", again), record.size());
    // The closed connections were passed over at once: the source was taken at its first return.
    const auto log = run.log();
    const std::size_t passed = recordIndex(log, "20 closed connections to the RealTraffic port passed over",
                                           recordIndex(log, "gone?"));
    EXPECT_LT(passed, recordIndex(log, "RealTraffic re-connected", passed));
    EXPECT_EQ(run.logCount("RealTraffic re-connected"), 1u);
    EXPECT_FALSE(run.logHas("Exiting:"));
}

TEST(Links, BadDatagramBurstChangesNothing)
{
    RoadRun run;
    startCircling(run, 120, {"--bad"});
    ASSERT_TRUE(
        run.waitObjects([](const auto& objects) { return objectsWithTail(objects, "AFR1614") == 1; }, 90s));
    // Every bad datagram is logged and skipped, and so are numbers beyond an aircraft's.
    EXPECT_TRUE(run.waitLog("QNH datagram is not a JSON object: not json", 30s));
    EXPECT_TRUE(run.waitLog("buffer overrun", 30s));
    EXPECT_TRUE(run.waitLog("exception in processLineSub: roll:1e300", 30s));
    // A burst of datagrams with line breaks forges no line, and its lines are counted, not written.
    const auto before = fs::file_size(run.programFolder() / "Log.txt");
    plat::net::Socket sender = plat::net::openUdp();
    const std::string forged = "x\n===> FORGED: USER CLOSED SIM\n" + std::string(1000, 'x');
    for (int i = 0; i < 2000; ++i)
    {
        plat::net::sendDatagram(sender, "127.0.0.1", run.trafficPort(),
                                "0,1,2,3,4,5,6,7,8,9,10,11,12,13," + forged);
        plat::net::sendDatagram(sender, "127.0.0.1", run.qnhPort(), forged);
    }
    EXPECT_TRUE(run.waitLog("processLineSub: timestamp: ", 30s));
    EXPECT_LT(fs::file_size(run.programFolder() / "Log.txt") - before, 64u * 1024u);
    // A flood of every kind from fifty senders, their callsigns forged lines, while the aircraft flies on:
    // the log grows by less than 2.5 MB an hour.
    const auto floodStart = std::chrono::steady_clock::now();
    const auto floodBefore = fs::file_size(run.programFolder() / "Log.txt");
    auto bad = [](std::uint32_t hexid, std::size_t field, const std::string& text)
    {
        std::string fields[29] = {
            "0",   std::to_string(hexid),        "47.46", "8.57", "5000", "0",    "1",         "90",
            "180", "X\n===> FORGED\x1b[31m\xe9", "A320",  "N1",   "LFPG", "LSZH", "1735732800"};
        fields[field] = text;
        return fmt::format("{}", fmt::join(fields, ","));
    };
    for (int s = 2; s < 52; ++s)
    {
        plat::net::Socket flood = plat::net::openUdp();
        ASSERT_TRUE(plat::net::bindUdp(flood, fmt::format("127.0.0.{}", s), 0));
        for (std::uint32_t i = 0; i < 10; ++i)
        {
            for (auto [field, text] : {std::pair{14, "x"}, {2, "abc"}, {1, "x"}, {8, "abc"}, {4, "1e300"}})
                plat::net::sendDatagram(flood, "127.0.0.1", run.trafficPort(), bad(5000000 + i, field, text));
            for (const char* qnh : {"{}", "{\"QNH\": \"abc\"}", "{\"QNH\": 500}", "[]"})
                plat::net::sendDatagram(flood, "127.0.0.1", run.qnhPort(), qnh);
        }
    }
    const std::int64_t burstMs = run.trackMs();
    ASSERT_TRUE(waitUntil([&] { return run.trackMs() >= burstMs + 30000; }, 90s));
    // No line was forged, and every line is one line of UTF-8 without a control character.
    for (const std::string& l : run.log())
        EXPECT_TRUE(gf_showBytes(l) == l && l.rfind("===> FORGED", 0) != 0) << l;
    const double hours =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - floodStart).count() / 3600;
    EXPECT_LT(fs::file_size(run.programFolder() / "Log.txt") - floodBefore, 2.5e6 * hours + 32e3);
    // None of the bad lines became an aircraft, and the aircraft flew on undisturbed for 30 s of the track.
    const auto objects = run.objects();
    EXPECT_EQ(objects.size(), 1u);
    EXPECT_EQ(objectsWithTail(objects, "AFR1614"), 1u);
    EXPECT_FALSE(anyRemovedWithTail(objects, "AFR1614"));
    for (const auto& [id, object] : objects)
        EXPECT_LT(largestStepM(object), 100.0) << object.tail;
    EXPECT_FALSE(run.logHas("Exiting:"));
    EXPECT_TRUE(run.program().wait(0) == std::nullopt) << "the program ended";
}

} // namespace
} // namespace oxl::test
