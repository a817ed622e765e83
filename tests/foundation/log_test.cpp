#include "foundation/log.h"

#include "foundation/run_state.h"
#include "platform/clock.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace oxl
{
namespace
{
namespace fs = std::filesystem;
using test::readBytes;
using test::ScopedCurrentPath;
using test::splitLines;
using test::TempFolder;
using test::writeBytes;

constexpr const char* kHeader =
    "Sun Dec 06 16:03:18 2026 (utc) Ordalis_P3D version 11.0.4 for Prepar3D v5/v6\n";

class LogStarts : public testing::Test
{
  protected:
    ~LogStarts() override { gf_closeLog(); }
    TempFolder folder_;
    ScopedCurrentPath cwd_{folder_.path()};
    plat::FixedUtcClock clock_{1'796'572'998};
};

TEST_F(LogStarts, RotatesOverThreeStarts)
{
    gf_openLog();
    EXPECT_EQ(readBytes("Log.txt"), kHeader);
    EXPECT_FALSE(fs::exists("Log0.txt"));
    gf_log("first run");

    gf_openLog();
    gf_log("second run");
    EXPECT_EQ(readBytes("Log0.txt"), std::string(kHeader) + "first run\n");
    EXPECT_FALSE(fs::exists("Log00.txt"));

    gf_openLog();
    EXPECT_EQ(readBytes("Log.txt"), kHeader);
    EXPECT_EQ(readBytes("Log0.txt"), std::string(kHeader) + "second run\n");
    EXPECT_EQ(readBytes("Log00.txt"), std::string(kHeader) + "first run\n");
}

TEST_F(LogStarts, BackupWithoutLogIsCopiedAndKept)
{
    writeBytes("Log0.txt", "older\n");
    gf_openLog();
    EXPECT_EQ(readBytes("Log00.txt"), "older\n");
    EXPECT_EQ(readBytes("Log0.txt"), "older\n");
    EXPECT_EQ(readBytes("Log.txt"), kHeader);
}

TEST_F(LogStarts, ALogThatCannotBeRotatedIsKeptAndContinued)
{
    try
    {
        gf_openLog(fs::path("missing") / "Log.txt");
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ(e.what(), "Failed to write file missing/Log.txt");
    }
    // A second backup that cannot be replaced stops the rotation before anything is overwritten.
    fs::create_directories("Log00.txt/in");
    writeBytes("Log0.txt", "older\n");
    writeBytes("Log.txt", "last\n");
    gf_openLog();
    gf_log("this run");
    EXPECT_EQ(readBytes("Log0.txt"), "older\n");
    EXPECT_EQ(readBytes("Log.txt"), "last\n" + std::string(kHeader) +
                                        "===> The log Log.txt could not be rotated (Is a directory): this "
                                        "run's lines follow the last run's\nthis run\n");
}

TEST_F(LogStarts, PathWithoutDotIsNotRotated)
{
    writeBytes("journal", "old\n");
    gf_openLog("journal");
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("."))
    {
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(readBytes("journal"), kHeader);
}

TEST(Log, LineForms)
{
    test::LogCapture log;
    gf_log("x");
    gf_logMarked("x");
    gf_logIndented("x");
    gf_logIfRunning("running");
    gFoundation.gStopRequested = 1;
    gf_logIfRunning("stopping");
    gf_log("still logged");
    gFoundation.gStopRequested = 0;
    gFoundation.gWindowClosed = 1;
    gf_logIfRunning("closed");
    gFoundation.gWindowClosed = 0;
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"x", "===> x", "          x", "running", "still logged"}));
}

TEST(Log, ClosedLogDropsLines)
{
    TempFolder folder;
    ScopedCurrentPath cwd(folder.path());
    gf_closeLog();
    gf_log("nowhere");
    gf_logMarked("nowhere");
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(Log, LinesFromManyThreadsNeverInterleave)
{
    test::LogCapture log;
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [t]
            {
                for (int i = 0; i < kLines; ++i)
                {
                    gf_logMarked(std::string(40, static_cast<char>('a' + t)));
                }
            });
    }
    for (auto& th : threads)
    {
        th.join();
    }
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const auto& line : lines)
    {
        ASSERT_EQ(line.size(), 45u);
        EXPECT_EQ(line.substr(5), std::string(40, line[5]));
    }
}

// A small disk of its own for the log's folder; unmounted at the end.
class LogDisk : public LogStarts
{
  protected:
    void SetUp() override
    {
        fs::create_directory("disk");
        if (::mount("tmpfs", "disk", "tmpfs", 0, "size=16k") != 0)
            GTEST_SKIP() << "no tmpfs may be mounted here";
        mounted_ = true;
        writeBytes("disk/Log.txt", "last run\n");
        writeBytes("disk/Log0.txt", "run before\n");
    }
    void TearDown() override
    {
        gf_closeLog();
        if (mounted_)
            ::umount("disk");
    }
    bool mounted_ = false;
};

TEST_F(LogDisk, AReadOnlyFolderSendsTheLogElsewhere)
{
    ASSERT_EQ(::mount(nullptr, "disk", nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    gf_openLog("disk/Log.txt", "elsewhere");
    gf_log("here");
    EXPECT_EQ(readBytes("disk/Log.txt"), "last run\n");
    EXPECT_EQ(readBytes("disk/Log0.txt"), "run before\n");
    EXPECT_EQ(gf_logStartNotice(),
              "The log cannot be written in its folder (the folder is read-only): it is written to "
              "elsewhere/Log.txt");
    EXPECT_EQ(splitLines(readBytes("elsewhere/Log.txt")).back(), "here");
}

TEST_F(LogDisk, AFullDiskKeepsTheEarlierLogsAndAnUnreadStandardErrorStopsNothing)
{
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(pipeEnds[1], STDERR_FILENO);
    std::ofstream("disk/filler") << std::string(64 * 1024, 'f');
    gf_openLog("disk/Log.txt", "elsewhere");
    EXPECT_EQ(gf_logTrouble(), "The log disk/Log.txt cannot be written: the disk is full");
    // The pipe is filled to its last byte; nobody reads it until the end.
    ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    while (::write(pipeEnds[1], "x", 1) > 0)
    {
    }
    ::fcntl(pipeEnds[1], F_SETFL, 0);
    for (int i = 0; i < 1000; ++i)
        gf_logMarked("lost");
    fs::remove("disk/filler");
    gf_log("back");
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
    ::close(pipeEnds[1]);
    char heard[256] = {};
    EXPECT_GT(::read(pipeEnds[0], heard, sizeof heard - 1), 0);
    ::close(pipeEnds[0]);
    EXPECT_EQ(std::string_view(heard).rfind("disk/Log.txt: a line could not be written (No space left", 0),
              0u);
    EXPECT_EQ(readBytes("disk/Log.txt"),
              "===> 1001 log lines could not be written: the disk is full\nback\n");
    EXPECT_EQ(readBytes("disk/Log0.txt"), "last run\n");
    EXPECT_EQ(readBytes("disk/Log00.txt"), "run before\n");
    EXPECT_EQ(gf_logTrouble(), "");
}

TEST(Log, OutsideTextIsEscapedAndCut)
{
    const std::pair<std::string, std::string> rows[] = {
        {"gs:abc", "gs:abc"},
        {"a\n===> FORGED\r\t\\", "a\\n===> FORGED\\r\\t\\\\"},
        {std::string("\x1b[2J\0\x7f\xc3\xa9", 8), "\\x1b[2J\\x00\\x7f\\xc3\\xa9"},
        {std::string(400, 'x'), std::string(300, 'x') + "... (400 bytes)"},
    };
    for (const auto& [text, logged] : rows)
        EXPECT_EQ(gf_outsideText(text), logged);
}

// Streams of one repeated error each, run together on a clock of their own for 40 s.
struct ErrorStream
{
    std::string kind, sender, aircraft;
    int everyMs;
    int firstAtMs; // an aircraft "*" is a new one at each line
};

struct RepeatRow
{
    const char* name;
    std::vector<ErrorStream> streams;
    std::vector<std::size_t> passWhole; // streams of which every line is written
    int mostLines;                      // written by all streams together, at most
};

TEST(Log, RepeatLimitLetsEachSourceThroughWithinItsRates)
{
    std::vector<ErrorStream> everyKind;
    for (int k = 0; k < 19; ++k)
        everyKind.push_back({fmt::format("kind{}", k), fmt::format("127.0.0.1:{}", 6000 + k), "*", 10, k});
    const RepeatRow rows[] = {
        {"two aircraft every 2 s",
         {{"gs", "127.0.0.1:5000", "EDW202", 2000, 0}, {"gs", "127.0.0.1:5000", "EDW209", 2000, 300}},
         {0, 1},
         40},
        {"a flood from one sender beside the real source",
         {{"gs", "127.0.0.1:6000", "*", 1, 0}, {"gs", "127.0.0.1:5000", "4ca1b2", 2000, 700}},
         {1},
         10 + 2 * 40 + 20},
        {"every kind flooded", everyKind, {}, 20 + 4 * 40},
    };
    for (const RepeatRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        auto nowMs = std::make_shared<std::int64_t>(0);
        plat::setSteadySource(
            [nowMs] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(*nowMs)); });
        RepeatLimitedLog repeats;
        std::vector<int> sent(row.streams.size()), written(row.streams.size());
        for (; *nowMs < 40'000; ++*nowMs)
            for (std::size_t i = 0; i < row.streams.size(); ++i)
            {
                const ErrorStream& e = row.streams[i];
                if (*nowMs < e.firstAtMs || (*nowMs - e.firstAtMs) % e.everyMs != 0)
                    continue;
                const std::string aircraft = e.aircraft == "*" ? std::to_string(sent[i]) : e.aircraft;
                ++sent[i];
                written[i] += repeats.admit(e.kind, {e.sender, aircraft}) ? 1 : 0;
            }
        plat::setSteadySource({});
        for (std::size_t i : row.passWhole)
            EXPECT_EQ(written[i], sent[i]) << "stream " << i;
        EXPECT_LE(std::accumulate(written.begin(), written.end(), 0), row.mostLines);
    }
}

TEST(Log, BoxedText)
{
    struct Case
    {
        int a, b;
        bool lead, trail;
        const char* title;
        std::string expected;
    };
    const Case cases[] = {
        {70, 0, true, false, "parameters",
         "\n" + std::string(34, '*') + " parameters " + std::string(34, '*')},
        {70, 10, false, true, "", std::string(80, '*') + "\n"},
        {71, 0, false, false, "", std::string(72, '*')},
        {71, 0, false, false, "t", std::string(35, '*') + " t " + std::string(35, '*')},
        {4, 0, false, false, "ab", "ab"},
        {6, 0, true, true, "ab", "\n** ab **\n"},
        {0, 0, false, false, "", ""},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(gf_boxedText(c.a, c.b, c.lead, c.trail, c.title), c.expected)
            << c.a << "," << c.b << " " << c.title;
    }
}

} // namespace
} // namespace oxl
