#include "window/parking_controls.h"

#include "foundation/config_keys.h"
#include "platform/win.h"
#include "window/controls.h"
#include "window/window_state.h"

#include <array>
#include <functional>

namespace oxl
{
namespace
{

/// [min] shown until the next renewal once a placement is over.
constexpr std::uint32_t kMinutesAfterPlacement = 19;

void lf_enableParkingControls(bool enable)
{
    const std::array<std::reference_wrapper<const ControlBinding>, 10> controls{
        parking_percentage, INITIAL_LOAD_ONLY, PARK_FAKE, PARK_SOFT,          MAX_PARK_SEL,
        MAX_LIVE_SEL,       MAX_FIT_FL,        WEEK,      gFlushStaticButton, gRereadButton};
    for (const ControlBinding& control : controls)
        gf_enableControl(control, enable);
}

} // namespace

void gf_disableParkingControls()
{
    gWindow.gMainWindow.parkingBusy.store(1);
    lf_enableParkingControls(false);
    gf_clearMessage();
    gf_invalidateBand(kControlBand);
}

void gf_enableParkingControls()
{
    gWindow.gMainWindow.parkingBusy.store(0);
    gWindow.gMainWindow.minutesToRenewal.store(kMinutesAfterPlacement);
    gf_invalidateBand(kControlBand);
    lf_enableParkingControls(true);
    gf_clearMessage();
    gf_invalidateBand(kControlBand);
}

} // namespace oxl
