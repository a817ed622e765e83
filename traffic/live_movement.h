// The per-tick movement of an active live aircraft along its report stream: reaching the next report,
// timing the leg to the one after it, and the integrator that moves position and attitude tick by tick
// along a straight line or a curve.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/live_engine.h"

#include <functional>

namespace oxl
{

/// The steps of the phase, ground and end-of-stream code that the movement calls. An empty hook leaves
/// the plain movement: no phase set-up, no ground manoeuvre, no re-timing, the stream simply ends.
struct MovementSteps
{
    std::function<void(LiveEngine&, LiveAc&)> flyingStep;       ///< an airborne report became current
    std::function<void(LiveEngine&, LiveAc&)> groundReportStep; ///< a ground report became current
    std::function<void(LiveEngine&, LiveAc&)> rotationTick;     ///< every tick in phase take_off
    std::function<void(LiveEngine&, LiveAc&)> flareTick;        ///< every tick of a low landing approach
    std::function<void(LiveEngine&, LiveAc&)> nextPosGround;    ///< ground set-up; may edit the stream
    std::function<void(LiveEngine&, LiveAc&)> stationaryTiming; ///< re-times a stationary next report
    std::function<bool(LiveEngine&, LiveAc&)> endOfStream;      ///< true when it extended the stream
    std::function<void(LiveEngine&, LiveAc&, bool)> learnStandOnDeparture; ///< flag: not flying
};

/// Quadratic curve in the local metric plane at parameter t: position [deg] and heading [rad, 0..2π).
/// False for t outside the curve's range or with no control point.
bool gf_curvePoint(const CurveSegment& curve, double t, double& lat, double& lon, double& heading);

/// The heading one turn step toward the wanted heading; unchanged within 0.5 degrees of it. Turns
/// clockwise when the wanted heading lies less than 180 degrees clockwise, from a heading above 180
/// degrees also when it lies exactly opposite.
double turnToward(double heading, double wanted, double turnStep);

/// Re-times the next report of an airborne aircraft from the leg's distance and speed.
void retimeNextReport(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);

/// Arrival at the next report: the steps toward the one after it; the front report is removed.
void consumeReport(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);

/// Consumes the due front report, extending or ending the stream when it runs out; an exception is
/// logged with the aircraft's state and passed on.
void nextPosMain(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);

/// One tick of position and attitude.
void advancePosition(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);

/// Steps 3 and 4 of the per-tick update: the due report, then one tick of movement. An exception removes
/// the aircraft alone.
void moveActiveAc(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);

/// Installs the movement as the engine's per-tick hook.
void installMovement(LiveEngine& engine, MovementSteps steps);

} // namespace oxl
