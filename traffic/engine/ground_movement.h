// Live aircraft on the ground: what happens each time one reaches a report. Taxi corners become curves,
// speed changes are spread over two halves of a leg, the next report is timed with a turn rate scaled to
// the corner, a parked aircraft leaves its stand by pushing back or pulling out, and a taxiing aircraft
// that comes to rest looks for a free stand.
#pragma once

#include "foundation/units.h"
#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"
#include "traffic/engine/live_flight_hooks.h"
#include "traffic/engine/live_movement.h"

#include <cstdint>

namespace oxl
{

/// [nm] a corner leg longer than this may be split at a slow speed.
inline constexpr double kCornerSplitNm = metresToNm(50.0);
/// [kt] only at this ground speed or below is a sharp corner split.
inline constexpr double kCornerSplitMaxKt = 43.0;
/// [ticks] only a corner leg longer than this is split.
inline constexpr std::int32_t kCornerSplitMinTicks = 599;
/// [deg] corners sharper than this are flown as curves, up to kLargestCurveDeg.
inline constexpr double kSmallestCurveDeg = 3.0;
/// [deg] a corner beyond this is a turn-around, not a curve.
inline constexpr double kLargestCurveDeg = 160.0;
/// [nm] a standing aircraft this close to its last report looks for a stand.
inline constexpr double kParkTriggerNm = metresToNm(35.0);
/// [kt] the aircraft comes to rest at this ground speed or below.
inline constexpr double kParkTriggerMaxKt = 5.0;
/// [nm] a straight leg at least this long with a speed change gets a mid report.
inline constexpr double kStraightSplitNm = metresToNm(100.0);
/// [kt] speed change of a straight leg that gets a mid report.
inline constexpr double kStraightSplitKt = 5.0;

/// The ground set-up when an aircraft on the ground reaches its front report: departure from the stand,
/// push-back stages, corners, the stand search and the timing of the next report. May edit the stream.
void nextPosGround(LiveEngine& engine, LiveAc& ac);

/// A straight leg whose speed changes by more than 5 kt over 100 m or more gets a mid report.
void straightSegment(LiveAc& ac);

/// Replaces the corner at the next report by a curve from the current position through it to the report
/// after it; the next report is erased.
void buildTurnCurve(LiveAc& ac);

/// Sets the turn step and times the next report from the leg's distance and speed; a standing next
/// report keeps its interval to the front report.
void groundTiming(LiveEngine& engine, LiveAc& ac);

/// Times a standing next report: it keeps its interval to the front report (at least 25 ticks).
void stationaryTiming(LiveEngine& engine, LiveAc& ac);

/// The flight phases with the ground, end-of-stream and stand-learning steps: the program's movement.
class GroundMovement final : public LiveFlightMovement
{
  public:
    void nextPosGround(LiveEngine& engine, LiveAc& ac) const override;
    void stationaryTiming(LiveEngine& engine, LiveAc& ac) const override;
    bool endOfStream(LiveEngine& engine, LiveAc& ac) const override;
    void learnStandOnDeparture(LiveEngine& engine, LiveAc& ac, bool notFlying) const override;
};

/// Installs the movement with the flight phases, the ground movement and the parking steps.
void installGroundMovement(LiveEngine& engine);

} // namespace oxl
