// The flight phases of a live aircraft on the runway and in the air: take-off roll, rotation and
// climb-out, flight, approach and go-around configurations, flare and roll-out. Each set-up runs when a
// report becomes the target (or every tick during rotation and flare) and queues the commands that make
// the simulator object look right.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"
#include "traffic/engine/live_movement.h"

#include <cstdint>

namespace oxl
{

/// [kt] from this ground speed on the runway a take-off may start and lift off.
inline constexpr double kTakeOffSpeedKt = 43.0;

/// The take-off roll begins: throttle idle, spoilers in, flaps 1, take-off lights, wide windows; the
/// departure is handed to the stand learning of `steps`.
void startTakeOff(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);
/// Rotation starts (also a touch-and-go).
void liftOff(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);
/// One tick of a take-off roll: at its category's lift-off speed, with a report in the air ahead, it
/// lifts off and flies on to that report from where it is, no slower than it rolled.
void takeOffRollTick(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);
/// One tick of rotation and climb-out in phase take_off.
void rotationTick(LiveEngine& engine, LiveAc& ac);
/// A ground report became the target: throttle by speed, roll-out, the lift-off test.
void groundReportStep(LiveEngine& engine, const MovementSteps& steps, LiveAc& ac);
/// The roll-out after touchdown: turned off the runway, or slowed below 90 kt.
void rollOutStep(LiveEngine& engine, LiveAc& ac);
/// The roll-out has ended: flaps, spoilers and throttle as for the taxi, taxi lights.
void endRollOut(LiveEngine& engine, LiveAc& ac);
/// An airborne report became the target: vertical, heading and bank steps, lights and configuration.
void flyingStep(LiveEngine& engine, LiveAc& ac);
/// Configuration above the approach height.
void climbConfig(LiveEngine& engine, LiveAc& ac);
/// Configuration at or below the approach height: landing or go-around.
void approachConfig(LiveEngine& engine, LiveAc& ac);
/// One tick of the four flare stages.
void flareTick(LiveEngine& engine, LiveAc& ac);
/// Sets the bank step for the remaining turn [rad] over the ticks.
void setBankStep(LiveAc& ac, double turnRad, std::int32_t ticks);
/// [ft/min] the descent rate of a landing leg.
double landingVsTarget(const LiveAc& ac);
/// True when every report after the front is at least the category's lift-off speed.
bool gf_nextReportsAtLiftOffSpeed(const LiveAc& ac);

} // namespace oxl
