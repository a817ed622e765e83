// What becomes of each new report of a live aircraft: whether it joins the stream, replaces part of it,
// starts a take-off, lets the aircraft leave its stand or ends the aircraft; the end of a parking, and
// the once-a-second clearing of static aircraft out of a taxiing aircraft's way.
#pragma once

#include "foundation/units.h"
#include "records/aircraft_records.h"
#include "traffic/engine/flight_phases.h"
#include "traffic/engine/live_engine.h"

#include <cstddef>
#include <cstdint>

namespace oxl
{

/// A stream longer than this many reports means the aircraft cannot keep up; it is given up.
inline constexpr std::size_t kMaxQueuedReports = 200;
/// [factor] a static aircraft closer than this many radius sums to a taxiing one is in its way.
inline constexpr double kStaticClearanceFactor = 1.1;
/// [nm] reports this close to its stand keep a parked aircraft on it.
inline constexpr double kParkedBandNm = metresToNm(85.0);
/// [nm] a parked aircraft reported farther from its stand has jumped and is given up.
inline constexpr double kParkedJumpNm = metresToNm(200.0);
/// [nm] the change in distance from the stand that counts as moving toward or away from it.
inline constexpr double kStandStepNm = metresToNm(3.0);
/// [nm] a moving report this close to the last moving one continues from it.
inline constexpr double kResumeNearNm = metresToNm(22.0);

/// Decides what a new report does to the aircraft: appended (due after the last report), refused,
/// trimmed stream, take-off or touch-and-go, or the aircraft's removal. steps are handed to the
/// take-off start.
void appendReport(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac, Report report);

/// Marks a report that did not move from the last one, turns a small ground jitter into a copy of the
/// last report; true when the report may be appended.
bool checkStandingStill(const LiveEngine& engine, LiveAc& ac, Report& report);

/// Acceptance of a report by the aircraft's phase: parking, push-back, pushed back, landing, extended.
bool checkExtendingSituations(LiveEngine& engine, LiveAc& ac, Report& report);

/// Acceptance during landing and roll-out: reports behind the aircraft drop the stream's tail.
bool checkNewPosDuringLanding(LiveEngine& engine, LiveAc& ac, Report& report);

/// Acceptance for a parked or parking aircraft: jitter near the stand keeps it there, a steady move
/// away lets it depart, a jump far away ends it.
bool checkParkedReport(LiveEngine& engine, LiveAc& ac, Report& report);

/// The stay at the stand is over: the towing check, the stream back in real time and the stand option
/// learned from the visit.
void finishParking(LiveEngine& engine, LiveAc& ac);

/// Stores the aircraft's position as its last avoidance position and removes the first active static
/// aircraft of another callsign whose stand is in its way; nothing while it rolls out or takes off.
void avoidStatics(LiveEngine& engine, LiveAc& ac);

} // namespace oxl
