// Real traffic through the whole road: a stretch of the Mexico City capture replayed with its original
// spacing by the traffic-source stand-in. Aircraft are created and move without jumps, and nothing ends
// the cycle.
#include "tests/e2e/road_run.h"
#include "tests/support/capture_data.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

// The user's aircraft at Mexico City (MMMX).
constexpr double kUserLatDeg = 19.4363;
constexpr double kUserLonDeg = -99.0721;
constexpr double kGroundFt = 7316;
// [s] the stretch of the capture replayed: 80 s from 16 minutes in, the busiest minutes near the
// airport (about 25 aircraft within 10 nm).
constexpr double kFromS = 960;
constexpr double kLengthS = 80;
// [m] the largest step between two position writes of one aircraft: at 30 frames per second even a
// fast jet moves under 10 m, so 150 m is a jump.
constexpr double kJumpM = 150;

// The capture's lines whose arrival time lies in [fromS, fromS + lengthS) after its first line.
std::string captureStretch(const std::string& capture, double fromS, double lengthS)
{
    std::string out;
    double first = -1;
    for (const std::string& line : splitLines(capture))
    {
        // "(1553203752.422648, ':', 'AITFC,...')"
        const double arrival = std::strtod(line.c_str() + 1, nullptr);
        if (first < 0)
            first = arrival;
        if (arrival - first >= fromS && arrival - first < fromS + lengthS)
            out += line + "\n";
    }
    return out;
}

TEST(CaptureReplay, MexicoCityTrafficIsCreatedAndMovesWithoutJumps)
{
    const auto capture = std::filesystem::path(OXL_SHARED_DIR) / "data" / "traffic" / "MMMX-capture.txt";
    if (test::captureMissing(capture))
        GTEST_SKIP() << "no captured traffic at " << capture;
    RoadRun run;
    const std::string replay = (run.folder() / "mmmx_stretch.txt").string();
    writeBytes(replay, captureStretch(readBytes(capture), kFromS, kLengthS));
    ASSERT_TRUE(run.startSim(kUserLatDeg, kUserLonDeg, kGroundFt));
    ASSERT_TRUE(run.startTraffic({"--replay", replay, "--qnh", "1016"}));
    ASSERT_TRUE(run.startProgram());

    // Reports are shown 30 s late: the stretch has been shown once the track covers its length after
    // the first aircraft appeared, however slowly the machine runs.
    ASSERT_TRUE(run.waitObjects([](const auto& objects) { return objects.size() >= 3; }, 120s));
    const std::int64_t shownFromMs = run.trackMs();
    ASSERT_TRUE(
        waitUntil([&] { return run.trackMs() >= shownFromMs + static_cast<std::int64_t>(kLengthS * 1000); },
                  std::chrono::seconds(3 * static_cast<int>(kLengthS))));

    const auto objects = run.objects();
    std::size_t moving = 0;
    for (const auto& [id, object] : objects)
    {
        EXPECT_FALSE(object.title.empty()) << object.tail;
        EXPECT_LT(largestStepM(object), kJumpM)
            << object.tail << " (" << object.positions.size() << " positions)";
        if (object.positions.size() > 30)
            ++moving;
    }
    EXPECT_GE(moving, 3u);
    EXPECT_FALSE(run.logHas("Exiting:"));
    EXPECT_TRUE(run.program().wait(0) == std::nullopt) << "the program ended";
}

} // namespace
} // namespace oxl::test
