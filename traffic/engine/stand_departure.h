// A live aircraft leaving its stand: forward under its own power, or pushed back straight or with a
// 90-degree turn to the side its reports show, after which it waits for reports far enough away.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"

#include <cstdint>

namespace oxl
{

/// Stand radii straight back of a push-back.
inline constexpr double kPushBackStandRadii = 2.5;
/// Aircraft radii ahead of the stand of a pull-out.
inline constexpr double kPullOutRadii = 2.0;
/// [deg] a departure report within this angle of the stand heading leaves forward.
inline constexpr int kPullOutMaxAngleDeg = 90;
/// Distance kept as pushed back when the push-back ends (read by the wait for reports far enough away).
inline constexpr double kPushedBackDistance = 900.0;

/// The whole-degree angle (-180..180) between the stand heading and the bearing from the stand to the
/// newest report.
int departureAngleDeg(const LiveAc& ac);

/// Forward departure: a report two radii ahead of the stand, taxi lights, engines on, throttle idle.
void pullOut(LiveEngine& engine, LiveAc& ac);

/// Start of a push-back: straight back 2.5 stand radii in two halves, with a side point on each side for
/// the turn; the stand must exist.
void pushBackStart(LiveEngine& engine, LiveAc& ac);

/// One stage of a push-back at each report reached: the turn after the straight half, then the end.
void pushBackStep(LiveEngine& engine, LiveAc& ac);

} // namespace oxl
