// Runs the built program as a user would: in a program folder of its own, with AppData, the registry
// and the lock folder in temporary folders, headless or on a virtual display of its own, and closed
// the way its window's close button is (SIGTERM) or by its display going away.
#include "platform/child_process.h"
#include "tests/support/http_server.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oxl::test
{
namespace
{

namespace fs = std::filesystem;

// A program folder, its AppData and its lock folder, and the program running in them.
class ProgramRun
{
  public:
    ProgramRun()
    {
        fs::create_directories(program_ / "input");
        fs::create_directories(appData_ / "Ordalis_P3D");
        writeBytes(appData_ / "registry.xml", "<registry/>\n");
    }

    // Starts the program with the program folder as working folder, the given lock folder and download
    // site, headless or with its window on the display.
    bool start(const fs::path& lockFolder, const std::string& downloadBase = "http://127.0.0.1:9/",
               const std::string& display = "")
    {
        const std::string command =
            "cd '" + program_.path().string() + "' && exec '" + std::string(OXL_BIN_DIR) + "/ordalis_p3d'";
        return process_.start("/bin/sh", {"-c", command},
                              {display.empty() ? "OXL_HEADLESS=1" : "OXL_HEADLESS=0", "DISPLAY=" + display,
                               "OXL_APPDATA=" + appData_.path().string(),
                               "OXL_REGISTRY=" + (appData_ / "registry.xml").string(),
                               "OXL_DOWNLOAD_BASE=" + downloadBase,
                               "XDG_RUNTIME_DIR=" + lockFolder.string()});
    }

    // The log's lines after its header ("" when there is no log).
    std::vector<std::string> log() const
    {
        std::vector<std::string> lines = splitLines(readBytes(program_ / "Log.txt"));
        if (!lines.empty())
            lines.erase(lines.begin());
        return lines;
    }

    // True once the log holds the line.
    bool logs(const std::string& line) const
    {
        return waitUntil([&] { return std::ranges::count(log(), line) > 0; });
    }

    TempFolder program_;
    TempFolder appData_;
    plat::ChildProcess process_;
};

TEST(Program, MissingDocsFolderShowsError41AndWaitsForTheClose)
{
    TempFolder lock;
    ProgramRun run;
    ASSERT_TRUE(run.start(lock.path()));
    EXPECT_TRUE(run.logs("Error 41: Ordalis_P3D must be run from the Ordalis_P3D folder!"));
    EXPECT_TRUE(run.logs("Exiting: SYSTEM ERROR"));
    // The error stays on screen until the user closes the window.
    EXPECT_FALSE(run.process_.wait(300).has_value());
    ASSERT_TRUE(run.process_.terminate());
    EXPECT_EQ(run.process_.wait(kEventLimit), std::optional<int>(0));
    EXPECT_TRUE(run.logs("User closed Ordalis_P3D"));
}

TEST(Program, SecondInstanceEndsAtOnceAndTouchesNoLog)
{
    TempFolder lock;
    ProgramRun first;
    ASSERT_TRUE(first.start(lock.path()));
    ASSERT_TRUE(first.logs("Exiting: SYSTEM ERROR"));

    ProgramRun second;
    ASSERT_TRUE(second.start(lock.path()));
    EXPECT_EQ(second.process_.wait(kEventLimit), std::optional<int>(255));
    EXPECT_FALSE(fs::exists(second.program_ / "Log.txt"));

    // The first instance still runs and still ends on a close.
    EXPECT_FALSE(first.process_.wait(0).has_value());
    ASSERT_TRUE(first.process_.terminate());
    EXPECT_EQ(first.process_.wait(kEventLimit), std::optional<int>(0));
}

TEST(Program, StartupChecksRunInTheProgramFolder)
{
    TempFolder lock;
    ProgramRun run;
    fs::create_directories(run.program_ / "docs");
    writeBytes(run.appData_ / "Ordalis_P3D" / "parameters.xml",
               "<?xml version=\"1.0\"?>\n<parameters>\n"
               "<parameter name=\"PROGRAM_VERSION\" value=\"11.0.4\"/>\n"
               "<parameter name=\"SIM_INSTALL_PATH\" value=\"" +
                   (run.program_ / "P3Dv5").string() + "\"/>\n</parameters>\n");
    ASSERT_TRUE(run.start(lock.path()));
    // The database file is missing: the cycle stops there with its error, after the data folders.
    EXPECT_TRUE(run.logs("Exiting: SYSTEM ERROR"));
    for (const char* folder : {"output/info", "output/errors", "airports/learned", "airports/my_ORBX",
                               "airports/my_thirdparty", "input/my_regcodes"})
        EXPECT_TRUE(fs::is_directory(run.program_ / folder)) << folder;
    const auto lines = run.log();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line)
                            { return line.starts_with("Error ") && line.ends_with("not available"); }));
    ASSERT_TRUE(run.process_.terminate());
    EXPECT_EQ(run.process_.wait(kEventLimit), std::optional<int>(0));
}

// Closed by a signal or by the display going away while a combo box's list is open (true): the list's
// own loop used to keep the program from ever closing, its lock held.
using ListOpenClose = ::testing::TestWithParam<bool>;
INSTANTIATE_TEST_SUITE_P(SignalOrLostDisplay, ListOpenClose, ::testing::Bool());

TEST_P(ListOpenClose, EndsTheListAndTheProgram)
{
    TempFolder lock;
    std::optional<XvfbDisplay> xvfb(std::in_place);
    ASSERT_TRUE(xvfb->running()) << xvfb->error();
    ProgramRun run;
    fs::create_directories(run.program_ / "docs");
    const fs::path settings = run.appData_ / "Ordalis_P3D" / "parameters.xml";
    writeBytes(settings, R"(<parameters><parameter name="PROGRAM_VERSION" value="11.0.4"/></parameters>)");
    ASSERT_TRUE(run.start(lock.path(), "http://127.0.0.1:9/", xvfb->name()));
    ASSERT_TRUE(run.logs("Exiting: SYSTEM ERROR")); // the combo boxes are filled; the window waits
    const std::string x = "DISPLAY=" + xvfb->name() + " xdotool ";
    ASSERT_TRUE(waitUntil([&] { return xvfb->window("Ordalis_P3D").has_value(); }));
    ASSERT_EQ(std::system((x + "mousemove --sync 630 229 click 1").c_str()), 0); // "Matching depth"
    ASSERT_TRUE(xvfb->waitForGrab(true));
    if (GetParam())
        xvfb.reset();
    else
        ASSERT_TRUE(run.process_.terminate());
    EXPECT_EQ(run.process_.wait(kEventLimit), std::optional<int>(0));
    EXPECT_TRUE(run.logs("User closed Ordalis_P3D"));
    EXPECT_NE(readBytes(settings).find(R"(name="MAIN_WINDOW_X")"), std::string::npos);
    fs::remove(run.program_ / "Log.txt");
    ASSERT_TRUE(run.start(lock.path())); // the lock went with the program
    EXPECT_TRUE(run.logs("Exiting: SYSTEM ERROR"));
    ASSERT_TRUE(run.process_.terminate());
    EXPECT_EQ(run.process_.wait(kEventLimit), std::optional<int>(0));
}

// Closed with the close button (SIGTERM), or by the display going away under the window (true).
using ProgramClose = ::testing::TestWithParam<bool>;
INSTANTIATE_TEST_SUITE_P(ButtonOrLostDisplay, ProgramClose, ::testing::Bool());

TEST_P(ProgramClose, DuringTheStartupDownloadIsTheUsersClose)
{
    TempFolder lock;
    TempFolder site;
    LoopbackHttpServer server(site.path());
    server.stall("/versions.json");
    std::optional<XvfbDisplay> xvfb;
    if (GetParam())
        xvfb.emplace();
    ASSERT_TRUE(!xvfb || xvfb->running()) << xvfb->error();
    ProgramRun run;
    fs::create_directories(run.program_ / "docs");
    const fs::path settings = run.appData_ / "Ordalis_P3D" / "parameters.xml"; // closing empties the callsign
    writeBytes(settings, R"(<parameters><parameter name="BLOCK_CALLSIGN" value="ABCD12"/></parameters>)");
    ASSERT_TRUE(run.start(lock.path(), server.baseUrl(), xvfb ? xvfb->name() : ""));
    ASSERT_TRUE(waitUntil([&] { return !server.requests().empty(); }));
    if (xvfb)
        xvfb.reset();
    else
        ASSERT_TRUE(run.process_.terminate());
    // The download that the close cut short leaves the database missing: that error follows from the
    // close and does not replace it.
    ASSERT_EQ(run.process_.wait(kEventLimit), std::optional<int>(0));
    EXPECT_TRUE(run.logs("Exiting: USER CLOSED SIM"));
    const auto lines = run.log();
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "Exiting: SYSTEM ERROR"), lines.end());
    EXPECT_NE(readBytes(settings).find(R"(name="BLOCK_CALLSIGN" value="")"), std::string::npos);
    // The lock went with the program: the next start runs.
    ASSERT_TRUE(run.start(lock.path(), server.baseUrl()));
    EXPECT_TRUE(waitUntil([&] { return server.requests().size() >= 2; }));
    ASSERT_TRUE(run.process_.terminate());
    EXPECT_EQ(run.process_.wait(kEventLimit), std::optional<int>(0));
}

// A display that is named but cannot be opened is said, and the program ends: unseen it could be
// neither watched nor closed.
TEST(Program, ADisplayThatCannotBeOpenedEndsTheProgram)
{
    TempFolder lock;
    ProgramRun run;
    ASSERT_TRUE(run.start(lock.path(), "http://127.0.0.1:9/", ":1999"));
    EXPECT_EQ(run.process_.wait(kEventLimit), std::optional<int>(1));
    EXPECT_TRUE(
        run.logs("Cannot open display ':1999': no window can be shown (OXL_HEADLESS=1 runs without one)"));
}

// Under a window manager the window's frame opens where it was when the program closed, start after start;
// keys after a choice in a combo box act on it or on nothing (Up steps it once the keys before are handled).
// Without one the window comes onto the work area of its screen as the toolkit reads the desktop, and the
// toolkit's nudge by its frame keeps the place stored for a larger screen.
TEST(Program, UnderAWindowManagerTheWindowOpensWhereItWasClosed)
{
    struct Row
    {
        const char* name;
        bool windowManager;
        int monitors;
        std::array<int, 4> area; // x, y, width, height
        std::pair<int, int> stored, opens;
    };
    const Row rows[] = {
        {"openbox", true, 1, {0, 0, 1280, 800}, {300, 200}, {300, 200}},
        {"a top panel", false, 1, {0, 30, 1280, 770}, {300, 400}, {300, 284}},
        {"a top panel over the place", false, 1, {0, 30, 1280, 770}, {300, 10}, {300, 30}},
        {"a left panel", false, 1, {60, 0, 1220, 800}, {600, 100}, {399, 100}},
        {"a second monitor to the right", false, 2, {0, 0, 2560, 800}, {2000, 100}, {1679, 100}},
        {"above the screen's corner", false, 1, {0, 0, 1280, 800}, {-100, -100}, {1, 20}},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.name);
        XvfbDisplay xvfb(r.monitors);
        ASSERT_TRUE(xvfb.running() && xvfb.setWorkArea(r.area[0], r.area[1], r.area[2], r.area[3]))
            << xvfb.error();
        ASSERT_TRUE(!r.windowManager || xvfb.startWindowManager()) << "openbox (scripts/install-deps.sh)";
        TempFolder lock;
        ProgramRun run;
        fs::create_directories(run.program_ / "docs");
        const fs::path settings = run.appData_ / "Ordalis_P3D" / "parameters.xml";
        const auto value = [](const char* key, int v)
        { return "name=\"" + std::string(key) + "\" value=\"" + std::to_string(v) + '"'; };
        const std::string x = value("MAIN_WINDOW_X", r.stored.first),
                          y = value("MAIN_WINDOW_Y", r.stored.second);
        writeBytes(settings, R"(<parameters><parameter name="PROGRAM_VERSION" value="11.0.4"/><parameter )" +
                                 x + "/><parameter " + y + "/></parameters>");
        for (int start = 0; start < (r.windowManager ? 2 : 1); ++start)
        {
            ASSERT_TRUE(run.start(lock.path(), "http://127.0.0.1:9/", xvfb.name()));
            std::pair<int, int> seen;
            EXPECT_TRUE(
                waitUntil([&] { return (seen = xvfb.outerCorner("Ordalis_P3D").value_or(seen)) == r.opens; }))
                << start << ": " << seen.first << ',' << seen.second;
            if (start == 0 && r.windowManager)
            {
                // The combo boxes are filled; the window waits.
                ASSERT_TRUE(run.logs("Exiting: SYSTEM ERROR"));
                const std::string depth = R"(MATCHING_DEPTH" value=")"; // 4, 3 chosen, 2 after the keys
                std::string after = readBytes(settings);
                after.replace(after.find(depth + '4'), depth.size() + 1, depth + '2');
                std::optional<unsigned long> id;
                ASSERT_TRUE(waitUntil([&] { return (id = xvfb.window("Ordalis_P3D")).has_value(); }));
                const std::string keys = "DISPLAY=" + xvfb.name() + " xdotool ";
                const std::string at = keys + "mousemove --window " + std::to_string(*id) + " ";
                ASSERT_EQ(std::system((at + "230 209 click 1").c_str()), 0); // "Max aircraft matching...": 4
                ASSERT_TRUE(xvfb.waitForGrab(true));
                ASSERT_EQ(std::system((at + "230 190 click 1").c_str()), 0); // the item above: 3
                ASSERT_TRUE(xvfb.waitForGrab(false));
                ASSERT_EQ(std::system((keys + "key Return KP_Enter Escape q Return Up").c_str()), 0);
                EXPECT_TRUE(waitUntil([&] { return readBytes(settings) == after; }));
            }
            ASSERT_TRUE(run.process_.terminate());
            ASSERT_EQ(run.process_.wait(kEventLimit), std::optional<int>(0));
            EXPECT_NE(readBytes(settings).find(x), std::string::npos);
            EXPECT_NE(readBytes(settings).find(y), std::string::npos);
        }
    }
}

} // namespace
} // namespace oxl::test
