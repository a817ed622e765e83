// The traffic radius: applying a radius and mapping free numbers onto the combo choices.
#pragma once

#include <cstdint>

namespace oxl
{

/// RANGE := nm within its range (its combo selects it when it is a choice); the radius values
/// follow nm unclamped. Returns the radius [m].
std::uint32_t gf_setRange(std::int32_t nm);
/// Remembers the current RANGE as the radius the user chose, before the automatic radius takes over.
void gf_rememberManualRange();
/// [nm] the radius last remembered by gf_rememberManualRange; the current RANGE before that.
std::int32_t gf_manualRange();
/// The RANGE choice a radius [nm] maps onto (2 below 3, 100 from 90 on).
std::int32_t gf_snapRange(std::int32_t nm);
/// The AIRP_HEIGHT choice a height [ft] maps onto (2000 below 3000, 48000 from 47000 on).
std::int32_t gf_snapHeight(std::int32_t feet);

} // namespace oxl
