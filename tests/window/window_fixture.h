// A main window of a test's own: settings in a temporary AppData, the log captured, a fresh
// headless window system, and the window's state back at the start of a cycle.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include <gtest/gtest.h>

#include "foundation/message_hook.h"
#include "foundation/run_state.h"
#include "platform/win_headless.h"
#include "tests/support/settings_fixture.h"
#include "window/gui_main.h"
#include "window/traffic_view_port.h"
#include "window/window_state.h"

namespace oxl::test
{

/// The traffic side as a window test sets it: each question answers the value the test put there.
class FixedTrafficView final : public TrafficViewPort
{
  public:
    TrafficStatus status;                  ///< what the status band shows of the source
    std::optional<AircraftCounts> counts;  ///< what a recount finds
    std::optional<AutoRangeInputs> inputs; ///< what the automatic radius step looks at
    TrafficStatus trafficStatus() override { return status; }
    std::optional<AircraftCounts> aircraftCounts() override { return counts; }
    std::optional<AutoRangeInputs> autoRangeInputs() override { return inputs; }
};

/// Installs the tests' traffic side, knowing nothing yet; resetWindowState takes it out again.
inline FixedTrafficView& useFixedTrafficView()
{
    static FixedTrafficView view; // outlives every window
    view.status = {};
    view.counts.reset();
    view.inputs.reset();
    gf_installTrafficViewPort(&view);
    return view;
}

/// The window's state as at the program's start: no worker, no hooks, cycle values, flags clear.
inline void resetWindowState()
{
    gf_resetGuiState();
    gWindow.gMainWindow.resetForCycle();
    gWindow.gMainWindow.liveryCount.store(0);
    gWindow.gMainWindow.simaddonCount.store(0);
    gWindow.gMainWindow.thirdpCount.store(0);
    gWindow.gMainWindow.tbloFileCount.store(0);
    gWindow.gMainWindow.parkingBusy.store(0);
    gWindow.gMainWindow.minutesToRenewal.store(0);
    gWindow.gMainWindow.simaddonComplete.store(1);
    gWindow.gMainWindow.setText(StatusText::tbloFolder, "");
    gf_installTrafficViewPort(nullptr);
    gf_installGuiPort(nullptr);
    gFoundation.gStopRequested.store(0);
    gFoundation.gWindowClosed.store(0);
}

class WindowTest : public ::testing::Test
{
  protected:
    WindowTest() : screen(win::useHeadless()) { resetWindowState(); }
    ~WindowTest() override
    {
        gf_resetGuiState();
        gf_installGuiPort(nullptr);
        gf_installTrafficViewPort(nullptr);
        gf_installMessageLinePort(nullptr);
        gFoundation.gStopRequested.store(0);
        gFoundation.gWindowClosed.store(0);
    }

    /// Opens the window as the program does and handles what follows on this (the GUI) thread.
    void open()
    {
        ASSERT_TRUE(gf_openMainWindow());
        screen.pumpUntilIdle();
    }

    /// The text painted at exactly (x, y), if any.
    std::optional<win::PaintedText> textAt(int x, int y) const
    {
        std::optional<win::PaintedText> found;
        for (const win::PaintedText& t : screen.textsIn({x, y, x + 1, y + 1}))
            found = t;
        return found;
    }

    SettingsFolder settings;
    win::HeadlessWindows& screen;
};

} // namespace oxl::test
