// What happens when the simulator answers about a live aircraft: the object exists (its flight plan,
// its parking), it becomes active with engines, lights, throttle and flaps set, and it touches down.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"

namespace oxl
{

/// The object exists: parks an aircraft created on the ground and hands the simulator its flight plan.
void onLiveCreated(LiveEngine& engine, LiveAc& ac);
/// Parks an aircraft created on the ground: its half-hour slot, and no static aircraft on its stand.
void parkCreated(LiveEngine& engine, LiveAc& ac);
/// Writes the flight-plan file of an aircraft with a route and asks the simulator to fly it.
void createFlightPlan(LiveEngine& engine, LiveAc& ac);
/// The configuration an aircraft gets as it becomes active: engines, spoilers, lights, throttle, flaps.
void onAiCreated(LiveEngine& engine, LiveAc& ac);
/// The simulator reports the aircraft on the ground: roll-out, spoilers and reversers, the settle.
void onTouchdown(LiveEngine& engine, LiveAc& ac);

} // namespace oxl
