#include "tools/capture/capture_lines.h"

#include "tests/support/log_capture.h"
#include "tests/support/parser_rig.h"
#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

struct CaptureRow
{
    const char* name;
    std::string entry;
    std::optional<std::string> line; // the traffic line, nullopt when the entry is refused
};

TEST(CaptureLines, CaptureLinesBecomeTrafficLinesOfTwentyNineFields)
{
    const std::string tail = ",,,,,,-1,,,0,,,,,";
    const CaptureRow rows[] = {
        {"captured datagram",
         "(1553203752.422648, ':', 'AITFC,10918260,19.5024,-99.1132,23025,-3264,1,325,333,TPU960,A319,"
         "N524TA,LIM,MEX')",
         "RTTFC,10918260,19.5024,-99.1132,23025,-3264,1,325,333,TPU960,A319,N524TA,LIM,MEX,"
         "1553203752.422648" +
             tail},
        {"empty callsign and destination, CR LF",
         "(1553203752.42324, ':', 'AITFC,15205156,19.4458,-99.0691,0,0,1,86,0,,A319,CC-AMP,MEX,')\r",
         "RTTFC,15205156,19.4458,-99.0691,0,0,1,86,0,,A319,CC-AMP,MEX,,1553203752.42324" + tail},
        {"double quotes around a quote", "(1.5, \":\", \"AITFC,20001,1,2,0,0,1,0,0,O'K,C172,N1,,\")",
         "RTTFC,20001,1,2,0,0,1,0,0,O'K,C172,N1,,,1.5" + tail},
        {"escaped quote", "(1.5, ':', 'AITFC,20001,1,2,0,0,1,0,0,O\\'K,C172,N1,,')",
         "RTTFC,20001,1,2,0,0,1,0,0,O'K,C172,N1,,,1.5" + tail},
        {"thirteen fields", "(1.5, ':', 'AITFC,20001,1,2,0,0,1,0,0,X,C172,N1,A')", std::nullopt},
        {"another format", "(1.5, ':', 'XTRAFFIC,20001,1,2,0,0,1,0,0,X,C172,N1,A,B')", std::nullopt},
        {"arrival not a number", "(abc, ':', 'AITFC,20001,1,2,0,0,1,0,0,X,C172,N1,A,B')", std::nullopt},
        {"unterminated", "(1.5, ':', 'AITFC,20001,1,2,0,0,1,0,0,X,C172,N1,A,B", std::nullopt},
        {"plain traffic line", "RTTFC,20001,1,2,0,0,1,0,0,X,C172,N1,A,B,1.5" + tail, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(capture::trafficLineOfCapture(row.entry), row.line) << row.name;
}

TEST(CaptureLines, ReplayTimesAreReadAndReplaced)
{
    const std::string line = "RTTFC,20001,1,2,0,0,1,0,0,X,C172,N1,A,B,1553203752.5,,,,,,-1,,,0,,,,,";
    EXPECT_EQ(capture::timestampOf(line), 1553203752.5);
    EXPECT_EQ(capture::withTimestamp(line, "1700000000.250"),
              "RTTFC,20001,1,2,0,0,1,0,0,X,C172,N1,A,B,1700000000.250,,,,,,-1,,,0,,,,,");
    EXPECT_EQ(capture::timestampOf("RTTFC,20001,1,2"), std::nullopt);
    EXPECT_EQ(capture::withTimestamp("RTTFC,20001,1,2", "5"), "RTTFC,20001,1,2");
    EXPECT_EQ(capture::timestampOf("RTTFC,20001,1,2,0,0,1,0,0,X,C172,N1,A,B,nan"), std::nullopt);
}

// The real capture of Mexico City, converted by the tool and read by the program's own parser.
class MexicoCityCapture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        capture = std::filesystem::path(OXL_SHARED_DIR) / "data" / "traffic" / "MMMX-capture.txt";
        if (!std::filesystem::exists(capture))
            GTEST_SKIP() << "no captured traffic at " << capture;
    }

    std::filesystem::path capture;
    test::TempFolder folder;
};

TEST_F(MexicoCityCapture, EveryConvertedLineIsReadByTheParser)
{
    const auto converted = folder / "MMMX-lines.txt";
    const std::string command =
        fmt::format("\"{}/capture_to_lines\" \"{}\" \"{}\" > \"{}\"", OXL_BIN_DIR, capture.string(),
                    converted.string(), (folder / "out.txt").string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(test::readBytes(folder / "out.txt"), "6517 lines converted, 0 skipped\n");

    // The aircraft of the capture, counted on the captured datagrams themselves.
    std::set<std::string> capturedHexids;
    for (const auto& entry : test::splitLines(test::readBytes(capture)))
    {
        const auto start = entry.find("AITFC,");
        if (start != std::string::npos)
            capturedHexids.insert(entry.substr(start + 6, entry.find(',', start + 6) - start - 6));
    }
    ASSERT_EQ(capturedHexids.size(), 217u);

    // Range wide enough for every report; the park airport is MMMX, so its ground traffic is kept.
    test::LogCapture log;
    test::ParserRig rig(20000.0, {19.4363, -99.0721}, {19.4363, -99.0721}, 7316.0);
    TrafficLineParser& parser = rig.parser;

    std::set<std::uint32_t> readHexids;
    std::size_t lines = 0;
    for (const auto& line : test::splitLines(test::readBytes(converted)))
    {
        if (line.empty())
            continue;
        ++lines;
        const LineOutcome outcome = parser.handleDatagram(line);
        EXPECT_TRUE(outcome == LineOutcome::pushed || outcome == LineOutcome::dropped) << line;
        readHexids.insert(static_cast<std::uint32_t>(std::stoul(line.substr(6, line.find(',', 6) - 6))));
    }
    EXPECT_EQ(lines, 6517u);
    EXPECT_EQ(readHexids.size(), capturedHexids.size());
    for (const auto& logged : log.lines())
        EXPECT_EQ(logged.find("exception in processLineSub"), std::string::npos) << logged;
    EXPECT_DOUBLE_EQ(rig.lastTimestamp.load(), 1553205134.641314);

    // The first report is the Lima arrival descending towards MMMX, with the arrival time as its time.
    const std::vector<TrafficLine> pushed = rig.taken();
    ASSERT_FALSE(pushed.empty());
    const TrafficLine& first = pushed.front();
    EXPECT_EQ(first.hexid, 10918260u);
    EXPECT_EQ(first.callsign, "TPU960");
    EXPECT_EQ(first.type, "A319");
    EXPECT_EQ(first.registration, "N524TA");
    EXPECT_EQ(first.origin, "LIM");
    EXPECT_EQ(first.destination, "MEX");
    EXPECT_DOUBLE_EQ(first.timestamp, 1553203752.422648);
    EXPECT_DOUBLE_EQ(first.report.lat, 19.5024);
    EXPECT_DOUBLE_EQ(first.report.alt, 23025.0);
    EXPECT_DOUBLE_EQ(first.report.vs, -3264.0);
    EXPECT_DOUBLE_EQ(first.report.track, 325.0);
    EXPECT_DOUBLE_EQ(first.report.gs, 333.0);
    EXPECT_DOUBLE_EQ(first.report.tas, 430.0);
    EXPECT_FALSE(first.report.roll.has_value());
    std::set<std::uint32_t> pushedHexids;
    for (const auto& line : pushed)
        pushedHexids.insert(line.hexid);
    // Ground reports away from MMMX, lines without a type and the source's ids up to 10000 stay out: the
    // figures of the filter rules applied to the capture by hand.
    EXPECT_EQ(pushed.size(), 5337u);
    EXPECT_EQ(pushedHexids.size(), 178u);
}

} // namespace
} // namespace oxl
