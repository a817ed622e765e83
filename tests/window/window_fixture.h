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
#include "window/main_window.h"

namespace oxl::test
{

/// The window's state as at the program's start: no worker, no hooks, cycle values, flags clear.
inline void resetWindowState()
{
    gf_resetGuiState();
    gMainWindow.resetForCycle();
    gMainWindow.liveryCount.store(0);
    gMainWindow.simaddonCount.store(0);
    gMainWindow.thirdpCount.store(0);
    gMainWindow.tbloFileCount.store(0);
    gMainWindow.parkingBusy.store(0);
    gMainWindow.minutesToRenewal.store(0);
    gMainWindow.simaddonComplete.store(1);
    gMainWindow.setText(StatusText::tbloFolder, "");
    gf_setTrafficStatusSource({});
    gf_setAircraftCounter({});
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
        gf_setTrafficStatusSource({});
        gf_setShowMessageHook({});
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
