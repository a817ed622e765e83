#include "foundation/log.h"

#include "foundation/repeat_limit.h"
#include "foundation/run_state.h"
#include "platform/clock.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <sys/mount.h>
#include <thread>
#include <tuple>
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

TEST_F(LogStarts, ALogRemovedOrRenamedWhileRunningIsWrittenAgainAndSaysTheGap)
{
    for (const bool renamed : {false, true})
    {
        gf_openLog();
        gf_log("before");
        renamed ? fs::rename("Log.txt", "Old.txt") : (void)fs::remove("Log.txt");
        // The log looks once a second: the lines until then (its header too) go to the old file.
        std::size_t calls = 0;
        for (; calls < 3000 && !fs::exists("Log.txt"); ++calls)
            gf_log("meanwhile"), std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(readBytes("Log.txt"),
                  fmt::format("{}===> The log Log.txt was removed or renamed while Ordalis_P3D ran: it is "
                              "written again here; the {} lines before went to the old file\nmeanwhile\n",
                              kHeader, calls + 1));
        EXPECT_TRUE(!renamed || splitLines(readBytes("Old.txt")).size() == calls + 1);
    }
}

TEST_F(LogStarts, TheFallbackIsAFolderOfTheUsersOwnAndNoLinkIsFollowed)
{
    const fs::path victim = fs::absolute("victim");
    writeBytes(victim, "the user's own\n");
    auto openTo = [](const char* name, fs::perms perms)
    { fs::create_directory(name), fs::permissions(name, perms); };
    auto linkVictim = [&](const char* name) { fs::create_symlink(victim, name); };
    auto unrotatable = [](const fs::path& folder)
    { writeBytes(folder / "Log0.txt", "x"), fs::create_directories(folder / "Log00.txt/in"); };
    // Each row: its case, what it plants, the log's path (empty: gf_openLog(), with Log.txt a folder that
    // takes no log) and the file that takes the lines (empty: none does).
    const std::tuple<const char*, std::function<void()>, const char*, std::string> rows[] = {
        {"a link at the log's name is moved away", [&] { linkVictim("Log.txt"); }, "Log.txt", "Log.txt"},
        {"a link that cannot be rotated",
         [&] { linkVictim("Log.txt"), unrotatable("."), openTo("fb", fs::perms::owner_all); }, "Log.txt",
         "fb/Log.txt"},
        {"a link in a folder of the user's own",
         [&] { openTo("fb", fs::perms::owner_all), linkVictim("fb/Log.txt"), unrotatable("fb"); },
         "no/Log.txt", ""},
        {"the user's cache folder", [] {}, "", "cache/Ordalis_P3D/Log.txt"},
        {"a cache folder open to others",
         [&] { fs::create_directory("cache"), openTo("cache/Ordalis_P3D", fs::perms::all); }, "",
         "run/Ordalis_P3D/Log.txt"},
        {"another's folders in the way",
         [&]
         {
             fs::create_directories("cache"),
                 fs::create_directory_symlink(victim.parent_path(), "cache/Ordalis_P3D");
             openTo("run", fs::perms::owner_all), openTo("run/Ordalis_P3D", fs::perms::owner_all);
             if (::chown("run/Ordalis_P3D", 65534, 65534) != 0)
                 openTo("run/Ordalis_P3D", fs::perms::all);
         },
         "", "tmp/Ordalis_P3D-" + std::to_string(::geteuid()) + "/Log.txt"},
    };
    for (const auto& [name, plant, logPath, wanted] : rows)
    {
        SCOPED_TRACE(name);
        fs::remove_all("row"), fs::create_directory("row");
        ScopedCurrentPath inRow("row");
        test::ScopedEnv cache("XDG_CACHE_HOME", fs::absolute("cache").string());
        test::ScopedEnv run("XDG_RUNTIME_DIR", fs::absolute("run").string());
        test::ScopedEnv tmp("TMPDIR", fs::absolute("tmp").string());
        fs::create_directory("tmp"), plant();
        try
        {
            *logPath == '\0' ? (fs::create_directories("Log.txt/in"), unrotatable("."), gf_openLog())
                             : gf_openLog(logPath, "fb");
            gf_log("here"), gf_closeLog();
            EXPECT_TRUE(readBytes(wanted).ends_with("\nhere\n"));
        }
        catch (const std::runtime_error& e)
        {
            EXPECT_EQ(wanted, "") << e.what();
        }
        EXPECT_EQ(readBytes(victim), "the user's own\n");
    }
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
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(pipeEnds[1], STDERR_FILENO);
    gf_openLog("disk/Log.txt", "elsewhere");
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError), ::close(pipeEnds[1]);
    char heard[256] = {};
    EXPECT_GT(::read(pipeEnds[0], heard, sizeof heard - 1), 0);
    ::close(pipeEnds[0]);
    EXPECT_EQ(std::string(heard), gf_logStartNotice() + "\n");
    EXPECT_EQ(gf_logElsewhere(), "elsewhere/Log.txt");
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

TEST(Log, OutsideTextAndEveryLineFollowOneRule)
{
    // Outside text, what it is as a field of a line, and what the log makes of it passed as it is (empty: the
    // text as it is).
    const std::array<std::string, 3> rows[] = {
        {"gs:abc", "gs:abc", ""},
        {"a\n===> FORGED\r\t\\", "a\\n===> FORGED\\r\\t\\\\", "a\\n===> FORGED\\r\\t\\"},
        {std::string("\x1b[2J\0\x7f\xc3\xa9", 8), "\\x1b[2J\\x00\\x7f\xc3\xa9", "\\x1b[2J\\x00\\x7f\xc3\xa9"},
        {"\xe9 \xc2\x9b\xe2\x80\xae", "\\xe9 \\xc2\\x9b\\xe2\\x80\\xae", "\\xe9 \\xc2\\x9b\\xe2\\x80\\xae"},
        {"C:\\P3D\\a\\n", "C:\\\\P3D\\\\a\\\\n", ""},
        {"\nReading x\n", "\\nReading x\\n", "\\nReading x\\n"},
        {std::string(400, 'x'), std::string(300, 'x') + "... (400 bytes)", ""},
        {std::string(299, 'x') + "\xc3\xa9", std::string(299, 'x') + "... (301 bytes)", ""},
    };
    test::LogCapture log;
    for (const auto& [text, outside, logged] : rows)
    {
        EXPECT_EQ(gf_outsideText(text), outside);
        const std::size_t before = fs::file_size(log.file());
        gf_log(text), gf_log(outside);  // an escaped text is written as it is
        gf_logSpaced("\n{} x\n", text); // only the program's format sets a line apart, not its arguments
        const std::string shown = logged.empty() ? text : logged;
        EXPECT_EQ(readBytes(log.file()).substr(before), shown + "\n" + outside + "\n\n" + shown + " x\n\n");
    }
}

// Streams of one repeated error each, run together on a clock of their own.
struct ErrorStream
{
    std::string kind, sender, aircraft; // an aircraft "*" is a new one at each line
    int everyMs;
    int firstAtMs;
};

struct RepeatRow
{
    const char* name;
    std::vector<ErrorStream> streams;
    int seconds;
    std::vector<std::size_t> passWhole; // streams of which every line is written
};

TEST(Log, RepeatLimitNamesEverySourceAndHoldsTheLogSmall)
{
    std::vector<ErrorStream> thirty, everyKind, fifty;
    for (int i = 0; i < 30; ++i)
        thirty.push_back({"altitude", "10.0.0.5", std::to_string(4000101 + i), 2000, 5 * i});
    for (int k = 0; k < 19; ++k)
        everyKind.push_back({fmt::format("kind{}", k), fmt::format("127.0.0.{}", k + 102), "*", 10, k});
    for (int s = 0; s < 50; ++s)
        for (int k = 0; k < 8; ++k)
            fifty.push_back({fmt::format("kind{}", k), fmt::format("10.1.{}.9", s), "*", 1000, s * 8 + k});
    fifty.insert(fifty.end(), thirty.begin(), thirty.end());
    const RepeatRow rows[] = {
        {"two aircraft every 2 s",
         {{"gs", "127.0.0.1", "EDW202", 2000, 0}, {"gs", "127.0.0.1", "EDW209", 2000, 300}},
         40,
         {0, 1}},
        {"a flood from one sender beside the real source",
         {{"gs", "127.0.0.2", "*", 1, 0}, {"gs", "127.0.0.1", "4ca1b2", 2000, 700}},
         70,
         {1}},
        {"thirty aircraft, each a bad altitude every 2 s", thirty, 70, {}},
        {"every kind flooded", everyKind, 70, {}},
        {"every kind from fifty senders beside the thirty aircraft", fifty, 300, {}},
    };
    for (const RepeatRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        test::LogCapture log;
        auto nowMs = std::make_shared<std::int64_t>(0);
        plat::setSteadySource(
            [nowMs] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(*nowMs)); });
        RepeatLimitedLog repeats("error: ");
        std::vector<int> sent(row.streams.size()), written(row.streams.size());
        int made = 0;            // lines made: only those written are made at all
        std::string firstMinute; // the log when a minute has passed
        std::vector<std::pair<std::int64_t, std::size_t>> due; // when, and of which stream
        for (std::size_t i = 0; i < row.streams.size(); ++i)
            for (std::int64_t at = row.streams[i].firstAtMs; at < row.seconds * 1000;
                 at += row.streams[i].everyMs)
                due.emplace_back(at, i);
        std::ranges::sort(due);
        for (const auto& [at, i] : due)
        {
            if (at >= 60'000 && firstMinute.empty())
                firstMinute = readBytes(log.file());
            *nowMs = at;
            const ErrorStream& e = row.streams[i];
            const std::string aircraft = e.aircraft == "*" ? std::to_string(sent[i]) : e.aircraft;
            ++sent[i];
            const auto line = [&]
            { return ++made, fmt::format("{} of {},{}", e.kind, aircraft, std::string(200, 'x')); };
            written[i] += repeats.write(e.kind, line, LogForm::plain, {e.sender, aircraft}) ? 1 : 0;
            repeats.flush();
        }
        plat::setSteadySource({});
        firstMinute = firstMinute.empty() ? readBytes(log.file()) : firstMinute;
        for (std::size_t i : row.passWhole)
            EXPECT_EQ(written[i], sent[i]) << "stream " << i;
        EXPECT_EQ(made, std::accumulate(written.begin(), written.end(), 0));
        // The first minute names every stream's aircraft (or its sender, for new aircraft at each line).
        for (const ErrorStream& e : row.streams)
            EXPECT_NE(firstMinute.find(e.aircraft == "*" ? e.sender : e.aircraft), std::string::npos)
                << e.sender << " " << e.aircraft;
        // Under 2.5 MB an hour, and what may go at once.
        EXPECT_LE(fs::file_size(log.file()), 2'500'000u * row.seconds / 3600 + 16'000u);
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
