// The automatic traffic radius: from the user aircraft's height and its distance to the first park
// airport, every 30 seconds while AUTO_RANGE is on.
#pragma once

#include <cstdint>

#include "window/traffic_view_port.h"

namespace oxl
{

/// The radius [nm] the automatic step chooses for these inputs.
std::int32_t gf_autoRangeNm(const AutoRangeInputs& in);

/// One automatic step with the inputs the traffic side gives: applies the chosen radius and shows RANGE in
/// its combo box when it changed.
void gf_autoRangeStep();

} // namespace oxl
