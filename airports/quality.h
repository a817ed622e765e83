// How much learned occupancy the park airport's stands carry, and the made-up occupants that give static
// parking something to show at airports without learned data.
#pragma once

#include "airports/airport_file.h"
#include "airports/stand.h"
#include "foundation/half_hours.h"

#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// The quality pair of the stands: 0..100 for real and for soft options; (-1, -1) when no stand has an
/// option.
[[nodiscard]] QualityPair gf_qualityFactor(const std::vector<Stand>& stands);
/// The quality pair of the park airport's stands.
[[nodiscard]] QualityPair gf_qualityFactor();

/// The window's text of a quality pair: two blanks when both are unknown, "rr/ss" while Qf_real is below
/// 45, else "rr" alone.
[[nodiscard]] std::string gf_pairText(const QualityPair& quality);

/// Gives every stand that fits a candidate one fake soft option for the time of week now; the airport
/// file's name picks the region's airlines. A half-hour outside 0..47 raises std::out_of_range.
void gf_fillFakeOccupants(std::string_view fileName, std::vector<Stand>& stands, DayHalfHour now);
/// The same at the current weekday and half-hour of the time source.
void gf_fillFakeOccupants(std::string_view fileName, std::vector<Stand>& stands);

} // namespace oxl
