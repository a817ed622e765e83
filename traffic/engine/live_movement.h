// The per-tick movement of an active live aircraft along its report stream: reaching the next report,
// timing the leg to the one after it, and the integrator that moves position and attitude tick by tick
// along a straight line or a curve.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"

namespace oxl
{

/// [kt] the fastest an aircraft taxis: no ground leg and no catch-up on the ground is faster, unless its
/// reports are.
inline constexpr double kTaxiSpeedKt = 40.0;

/// The steps of the phase, ground and end-of-stream code that the movement calls.
class MovementSteps
{
  public:
    virtual ~MovementSteps() = default;
    /// An airborne report became current.
    virtual void flyingStep(LiveEngine& engine, LiveAc& ac) const = 0;
    /// A ground report became current.
    virtual void groundReportStep(LiveEngine& engine, LiveAc& ac) const = 0;
    /// Every tick in phase take_off.
    virtual void rotationTick(LiveEngine& engine, LiveAc& ac) const = 0;
    /// Every tick on the ground: a take-off roll that reached its lift-off speed lifts off.
    virtual void rollTick(LiveEngine& engine, LiveAc& ac) const = 0;
    /// Every tick of a low landing approach.
    virtual void flareTick(LiveEngine& engine, LiveAc& ac) const = 0;
    /// Ground set-up; may edit the stream.
    virtual void nextPosGround(LiveEngine& engine, LiveAc& ac) const = 0;
    /// Re-times a stationary next report.
    virtual void stationaryTiming(LiveEngine& engine, LiveAc& ac) const = 0;
    /// True when it extended the stream that ran dry.
    virtual bool endOfStream(LiveEngine& engine, LiveAc& ac) const = 0;
    /// The stand learning that a departure or a stream's end triggers (flag: not flying).
    virtual void learnStandOnDeparture(LiveEngine& engine, LiveAc& ac, bool notFlying) const = 0;
};

/// The plain movement: no phase set-up, no ground manoeuvre, no re-timing, the stream simply ends and
/// nothing is learned.
class PlainMovement : public MovementSteps
{
  public:
    void flyingStep(LiveEngine&, LiveAc&) const override {}
    void groundReportStep(LiveEngine&, LiveAc&) const override {}
    void rotationTick(LiveEngine&, LiveAc&) const override {}
    void rollTick(LiveEngine&, LiveAc&) const override {}
    void flareTick(LiveEngine&, LiveAc&) const override {}
    void nextPosGround(LiveEngine&, LiveAc&) const override {}
    void stationaryTiming(LiveEngine&, LiveAc&) const override {}
    bool endOfStream(LiveEngine&, LiveAc&) const override { return false; }
    void learnStandOnDeparture(LiveEngine&, LiveAc&, bool) const override {}
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

} // namespace oxl
