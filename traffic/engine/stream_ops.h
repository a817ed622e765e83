// Operations on a live aircraft's report stream shared by the air and ground movement: the speed of the
// leg to the next report, the turn onto the leg after it, the re-timing of the next report inside the
// smoothing windows, a mid report between the front and the next one, and the checked tick conversion.
#pragma once

#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "records/aircraft_records.h"

#include <cstdint>

namespace oxl
{

/// Ticks per hour (a tick is 10 ms, so 100 a second).
inline constexpr double kTicksPerHour = 100.0 * kSecondsPerHour;
/// While it catches up, a late aircraft may reach a report up to a minute after it is due on the ground
/// (longer than either smoothing window), within a minute in the air.
inline constexpr std::int32_t kCatchUpTicks = 6000;
/// [rad] in the air a report farther off the nose than this is reached only by turning round; nearer, the
/// aircraft turns to it (its source's track bent while it was extrapolated).
inline constexpr double kTurnRoundRad = 120.0 * kDegToRad;
/// [nm] a position this near one a source sent before is that position repeated, within its noise: no
/// leg of the aircraft.
inline constexpr double kRepeatedPositionNm = metresToNm(20.0);
/// Fewest ticks in which the next report is reached.
inline constexpr std::int32_t kMinLegTicks = 25;

/// Rounds a tick count and converts it to 32 bits; throws std::range_error for NaN, infinity or a value
/// beyond the 32-bit range.
std::int32_t gf_checkedTicks(double ticks);

/// Ticks until the next report: its due tick minus the tick, at least 25 (also when it is overdue).
std::int32_t ticksToNext(const LiveAc& ac, std::int32_t tick);

/// [kt] the speed of the leg from the front to the next report: the mean of their ground speeds, at least
/// 1 kt; when both stand still, the distance over the time between their due ticks (at least 25 ticks).
double legSpeed(const LiveAc& ac);

/// [rad] the turn from the heading onto the leg from report 1 to report 2, in (-π, π]; 0 with fewer than
/// three reports.
double turnToNextLeg(const LiveAc& ac);

/// Sets the next report's due tick to the tick plus the ticks ahead, clamped into the smoothing windows
/// around its own due tick unless the stream is extended, and never before the tick.
void clampNextDue(LiveAc& ac, std::int32_t tick, std::int64_t ticksAhead);

/// True when the report lies behind a point facing headingRad [rad]: more than 5 m from it and offRad or
/// more off the heading.
bool gf_liesBehind(LatLon from, double headingRad, const Report& report, double offRad);

/// Inserts the mean of the front and the next report directly after the front.
void insertMidReport(LiveAc& ac);

/// Whether two reports lie at the same spot (latitude and longitude within 1e-8°).
bool gf_samePosition(const Report& a, const Report& b);

} // namespace oxl
