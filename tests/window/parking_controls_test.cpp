// The static-parking controls switched off and on again in a headless main window.
#include "window/parking_controls.h"

#include "foundation/config_keys.h"
#include "tests/window/window_fixture.h"
#include "window/window_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace oxl
{
namespace
{

class ParkingControls : public test::WindowTest
{
  protected:
    static std::vector<std::reference_wrapper<const ControlBinding>> parkingControls()
    {
        return {parking_percentage, INITIAL_LOAD_ONLY, PARK_FAKE, PARK_SOFT,          MAX_PARK_SEL,
                MAX_LIVE_SEL,       MAX_FIT_FL,        WEEK,      gFlushStaticButton, gRereadButton};
    }
    static bool enabled(const ControlBinding& control)
    {
        return win::isWindowEnabled(win::getDlgItem(win::kMainWindow, control.controlId));
    }
};

TEST_F(ParkingControls, BusyWhileDisabledAndCountdownRestartedWhenEnabled)
{
    open();
    gf_showMessage("Calculating static parked aircraft ...", false);

    gf_disableParkingControls();
    screen.pumpUntilIdle();
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 1);
    for (const ControlBinding& control : parkingControls())
        EXPECT_FALSE(enabled(control)) << control.controlId;
    EXPECT_TRUE(enabled(LOG)) << "controls of other settings stay as they are";
    EXPECT_EQ(gf_shownMessage(), "");

    gWindow.gMainWindow.minutesToRenewal.store(3);
    gf_enableParkingControls();
    screen.pumpUntilIdle();
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 0);
    EXPECT_EQ(gWindow.gMainWindow.minutesToRenewal.load(), 19u);
    for (const ControlBinding& control : parkingControls())
        EXPECT_TRUE(enabled(control)) << control.controlId;
}

TEST_F(ParkingControls, TheCheckMarkFollowsAValueTheProgramSet)
{
    open();
    LEARN_SOFT.set(false);
    gf_showCheckMark(LEARN_SOFT);
    EXPECT_FALSE(win::isDlgButtonChecked(win::kMainWindow, LEARN_SOFT.controlId));
    LEARN_SOFT.set(true);
    gf_showCheckMark(LEARN_SOFT);
    EXPECT_TRUE(win::isDlgButtonChecked(win::kMainWindow, LEARN_SOFT.controlId));
}

} // namespace
} // namespace oxl
