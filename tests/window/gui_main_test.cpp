// The window's life: its stored position, the data folder, cycle workers started by WM_APP+1, and
// the ways the program ends (WM_APP+2, the close button with and without a running cycle).
#include "tests/window/window_fixture.h"

#include "foundation/config_keys.h"
#include "foundation/settings_file.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

namespace oxl::test
{
namespace
{

using GuiMainTest = WindowTest;

// The layers above the window here: a cycle worker of the test's own, installed while the port lives.
class WorkerPort final : public NoGuiPort
{
  public:
    explicit WorkerPort(std::function<void(std::stop_token)> body) : body_(std::move(body))
    {
        gf_installGuiPort(this);
    }
    ~WorkerPort() override { gf_installGuiPort(nullptr); }
    WorkerPort(const WorkerPort&) = delete;
    WorkerPort& operator=(const WorkerPort&) = delete;
    [[nodiscard]] bool runsCycles() const override { return true; }
    void cycleWorker(std::stop_token stop) override { body_(stop); }

  private:
    std::function<void(std::stop_token)> body_;
};

std::string positionFile(int x, int y)
{
    return "<?xml version=\"1.0\"?>\n<parameters>\n"
           "  <parameter name=\"MAIN_WINDOW_X\" value=\"" +
           std::to_string(x) + "\" />\n  <parameter name=\"MAIN_WINDOW_Y\" value=\"" + std::to_string(y) +
           "\" />\n</parameters>\n";
}

// A cycle worker that reports where the window stood, moves it as the user would and ends the program.
WorkerPort exitingWorker(win::HeadlessWindows& screen, win::Rect& seen,
                         std::optional<std::pair<int, int>> moveTo, bool minimise)
{
    return WorkerPort(
        [&screen, &seen, moveTo, minimise](std::stop_token)
        {
            seen = win::getWindowRect(win::kMainWindow);
            if (moveTo)
                screen.moveTo(moveTo->first, moveTo->second);
            if (minimise)
                screen.iconify(true);
            win::postMessage(win::kMainWindow, kQuitMessage);
        });
}

TEST_F(GuiMainTest, StoredPositionPlacesTheWindowAndTheExitSavesWhereItStands)
{
    struct Row
    {
        const char* name;
        std::optional<std::pair<int, int>> stored;
        int openX, openY;
        std::optional<std::pair<int, int>> moveTo;
        bool minimise;
        int savedX, savedY;
        win::Rect screen{0, 0, 1920, 1080}; // work area
    };
    constexpr win::Rect small{0, 0, 1024, 768}, wide{0, 30, 1280, 720} /* a panel */, large{0, 0, 2560, 1440};
    const Row rows[] = {
        {"stored and moved", std::pair{150, 60}, 150, 60, std::pair{321, 222}, false, 321, 222},
        {"no settings file", std::nullopt, 400, 20, std::nullopt, false, 400, 20},
        {"stored off screen on the bounds", std::pair{30000, -30000}, 400, 20, std::nullopt, false, 400, 20},
        {"beyond the bounds, clamped onto them", std::pair{99999, 5}, 400, 5, std::nullopt, false, 400, 5},
        {"minimised at exit keeps the stored place", std::pair{150, 60}, 150, 60, std::nullopt, true, 150,
         60},
        {"moved on a small screen", std::pair{1680, 924}, 144, 252, std::pair{9, 9}, false, 9, 9, small},
        {"nudged by its frame", std::pair{1680, 924}, 144, 252, std::pair{145, 272}, false, 1680, 924, small},
        {"a first start", std::nullopt, 144, 20, {}, false, 400, 20, small},
    };
    std::vector<Row> all(std::begin(rows), std::end(rows)); // and closed anywhere on a 4K screen
    for (const win::Rect& s : {small, wide, large})
        for (const auto& [x, y] : {std::pair{0, 0}, {2960, 0}, {0, 1644}, {2960, 1644}, {1480, 822}, {-9, 9}})
            all.push_back(Row{"anywhere", std::pair{x, y}, std::clamp(x, s.left, s.right - 880),
                              std::clamp(y, s.top, s.bottom - 516), std::nullopt, false, x, y, s});
    for (const Row& r : all)
    {
        SCOPED_TRACE(r.name);
        std::filesystem::remove(settings.parametersFile());
        resetSettingsToDefaults();
        gf_resetGuiState();
        win::HeadlessWindows& fresh = win::useHeadless();
        fresh.setWorkArea(r.screen);
        if (r.stored)
            settings.writeParameters(positionFile(r.stored->first, r.stored->second));
        win::Rect seen;
        WorkerPort port = exitingWorker(fresh, seen, r.moveTo, r.minimise);
        EXPECT_EQ(gf_guiMain(), 0);
        EXPECT_EQ(seen.left, r.openX);
        EXPECT_EQ(seen.top, r.openY);
        EXPECT_EQ(settings.valueOf("MAIN_WINDOW_X"), std::to_string(r.savedX));
        EXPECT_EQ(settings.valueOf("MAIN_WINDOW_Y"), std::to_string(r.savedY));
    }
}

TEST_F(GuiMainTest, DataFolderExistsBeforeTheFirstCycleWorker)
{
    const std::filesystem::path folder = gf_settingsFolder();
    std::filesystem::remove_all(folder);
    std::atomic<bool> existed{false};
    WorkerPort port(
        [&](std::stop_token)
        {
            existed = std::filesystem::is_directory(folder);
            win::postMessage(win::kMainWindow, kQuitMessage);
        });
    EXPECT_EQ(gf_guiMain(), 0);
    EXPECT_TRUE(existed.load());
}

TEST_F(GuiMainTest, EachStartMessageReplacesTheCycleWorker)
{
    std::atomic<int> cycles{0};
    WorkerPort port(
        [&](std::stop_token)
        {
            // The first cycle ends for a restart, the second for good.
            const int cycle = ++cycles;
            win::postMessage(win::kMainWindow, cycle == 1 ? kStartCycleMessage : kQuitMessage);
        });
    EXPECT_EQ(gf_guiMain(), 0);
    EXPECT_EQ(cycles.load(), 2);
}

TEST_F(GuiMainTest, CloseButtonStopsTheCycleWhichEndsTheProgram)
{
    std::atomic<bool> sawClosed{false};
    WorkerPort port(
        [&](std::stop_token)
        {
            screen.clickClose();
            while (gFoundation.gStopRequested.load() == 0)
                std::this_thread::yield();
            sawClosed = gFoundation.gWindowClosed.load() != 0;
            win::postMessage(win::kMainWindow, kQuitMessage);
        });
    EXPECT_EQ(gf_guiMain(), 0);
    EXPECT_TRUE(sawClosed.load());
    EXPECT_EQ(gf_shownMessage(), "Close window button clicked, closing Ordalis_P3D ...");
    EXPECT_FALSE(settings.logged("Close window button clicked, closing Ordalis_P3D ..."));
    EXPECT_EQ(settings.valueOf("MAIN_WINDOW_X"), "400");
}

TEST_F(GuiMainTest, CloseDuringARestartCountdownIsHonouredAtTheNextStart)
{
    std::atomic<int> cycles{0};
    WorkerPort port(
        [&](std::stop_token)
        {
            ++cycles;
            screen.clickClose();
            while (gFoundation.gStopRequested.load() == 0)
                std::this_thread::yield();
            // The restart resets the run flags before asking for the next cycle.
            gFoundation.gStopRequested.store(0);
            gFoundation.gWindowClosed.store(0);
            win::postMessage(win::kMainWindow, kStartCycleMessage);
        });
    EXPECT_EQ(gf_guiMain(), 0);
    EXPECT_EQ(cycles.load(), 1);
    EXPECT_EQ(settings.valueOf("MAIN_WINDOW_Y"), "20");
}

TEST_F(GuiMainTest, CloseWithoutACycleWorkerQuitsAtOnce)
{
    class ClosePort final : public NoGuiPort
    {
      public:
        void requestClose() override { asked = true; }
        std::atomic<bool> asked{false};
    };
    ClosePort port;
    gf_installGuiPort(&port);
    std::thread user(
        [this]
        {
            while (!screen.clickClose())
                std::this_thread::yield();
        });
    EXPECT_EQ(gf_guiMain(), 0);
    user.join();
    EXPECT_TRUE(port.asked.load());
    EXPECT_FALSE(gf_cycleWorkerAlive());
    EXPECT_EQ(settings.valueOf("MAIN_WINDOW_X"), "400");
}

TEST_F(GuiMainTest, ControlsAreMadeWithTheWindow)
{
    LOG.set(false);
    open();
    EXPECT_TRUE(win::isWindow(RANGE.controlId));
    EXPECT_TRUE(win::isWindowEnabled(RANGE.controlId));
    EXPECT_FALSE(win::isWindowEnabled(BLOCK_CALLSIGN.controlId));
    EXPECT_FALSE(win::isWindowEnabled(gRereadButton.controlId));
    EXPECT_EQ(win::getWindowText(gRereadButton.controlId), "Re-read");
    EXPECT_TRUE(win::isDlgButtonChecked(win::kMainWindow, SCAN_LIVERIES.controlId));
    EXPECT_FALSE(win::isDlgButtonChecked(win::kMainWindow, LOG.controlId));
    EXPECT_EQ(RANGE.window, win::kMainWindow);
}

} // namespace
} // namespace oxl::test
