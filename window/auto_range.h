// The automatic traffic radius: from the user aircraft's height and its distance to the first park
// airport, every 30 seconds while AUTO_RANGE is on.
#pragma once

#include <functional>
#include <optional>

#include "foundation/geodesy.h"

namespace oxl
{

/// What one automatic step looks at.
struct AutoRangeInputs
{
    bool onGround = false;                  ///< the user aircraft stands on the ground
    double altitudeFt = 0.0;                ///< [ft] the user aircraft's altitude
    LatLon user;                            ///< the user aircraft's position
    std::optional<LatLon> firstParkAirport; ///< the first entry of the park-airport list, if any
};

/// Installs the reader of the user aircraft and the park-airport list (the simulator link and the
/// parking code sit above the window). It must answer on the thread that runs the step. Empty: no
/// user aircraft is known and the step changes nothing.
void gf_setAutoRangeInputs(std::function<AutoRangeInputs()> inputs);
/// True when a reader of the inputs is installed.
bool gf_autoRangeInputsInstalled();

/// The radius [nm] the automatic step chooses for these inputs.
std::int32_t gf_autoRangeNm(const AutoRangeInputs& in);

/// One automatic step: applies the chosen radius and shows RANGE in its combo box when it changed.
void gf_autoRangeStep();

} // namespace oxl
