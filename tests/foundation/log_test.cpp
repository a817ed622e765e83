#include "foundation/log.h"

#include "foundation/run_state.h"
#include "platform/clock.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <thread>

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

TEST_F(LogStarts, OpenAndRotationFailuresReachTheCaller)
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
    fs::create_directory("Log0.txt");
    writeBytes("Log.txt", "x\n");
    EXPECT_THROW(gf_openLog(), fs::filesystem_error);
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

TEST_F(LogStarts, AFullDiskLosesLinesButNotTheLog)
{
    fs::create_directory("disk");
    if (::mount("tmpfs", "disk", "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here";
    std::ofstream("disk/filler") << std::string(64 * 1024, 'f');
    testing::internal::CaptureStderr();
    gf_openLog("disk/Log.txt");
    fs::remove("disk/filler");
    gf_log("back");
    EXPECT_NE(
        testing::internal::GetCapturedStderr().find("a line could not be written (No space left on device)"),
        std::string::npos);
    EXPECT_EQ(readBytes("disk/Log.txt"), "===> 1 log line could not be written\nback\n");
    gf_closeLog();
    ::umount("disk");
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
