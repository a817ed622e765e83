#include "tools/capture/capture_lines.h"

#include "tests/support/log_capture.h"
#include "tests/support/parser_rig.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

// The demo's bundled recording around Zurich, read as the program reads it with LSZH as park airport.
TEST(DemoTraffic, EveryLineOfTheBundledRecordingReachesTheAddingStack)
{
    const auto recording = std::filesystem::path(OXL_SOURCE_DIR) / "data" / "demo_traffic_LSZH.txt";
    const auto lines = test::splitLines(test::readBytes(recording));
    ASSERT_GT(lines.size(), 500u);

    test::LogCapture log;
    test::ParserRig rig(40.0, {47.4647, 8.5492}, {47.464258, 8.552586}, 1416.0);
    TrafficLineParser& parser = rig.parser;

    double previous = 0.0;
    std::size_t count = 0;
    for (const auto& line : lines)
    {
        if (line.empty())
            continue;
        ++count;
        EXPECT_EQ(parser.handleDatagram(line), LineOutcome::pushed) << line;
        // The stand-in spaces the replay by these times, so they never go back.
        const auto reported = capture::timestampOf(line);
        ASSERT_TRUE(reported.has_value()) << line;
        EXPECT_GE(*reported, previous) << line;
        previous = *reported;
    }
    EXPECT_TRUE(log.lines().empty());

    struct Seen
    {
        std::string type;
        bool ground = false;
        bool airborne = false;
        bool moving = false;
        bool standing = false;
    };
    std::map<std::string, Seen> seen;
    EXPECT_EQ(rig.stack.takeUpTo(100000,
                                 [&](TrafficLine& line)
                                 {
                                     Seen& s = seen[line.callsign];
                                     s.type = line.type;
                                     (line.report.airborne ? s.airborne : s.ground) = true;
                                     (line.report.gs > 0 ? s.moving : s.standing) = true;
                                 }),
              count);
    ASSERT_EQ(seen.size(), 11u);
    // An arrival that lands and taxis to its stand, a departure that leaves its stand and takes off, a
    // parked aircraft and the helicopter.
    EXPECT_TRUE(seen["SWR15"].airborne && seen["SWR15"].ground && seen["SWR15"].standing);
    EXPECT_TRUE(seen["SWR8"].standing && seen["SWR8"].ground && seen["SWR8"].airborne);
    EXPECT_TRUE(seen["KLM1956"].standing && !seen["KLM1956"].moving);
    EXPECT_EQ(seen["HBZRA"].type, "EC35");
    EXPECT_TRUE(seen["HBZRA"].airborne && !seen["HBZRA"].ground);
}

} // namespace
} // namespace oxl
