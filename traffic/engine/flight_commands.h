// The commands that make a live or static aircraft look right in the simulator: throttle, flaps, gear,
// spoilers, engines and lights go through the engine's event queue; the spoiler handle and throttle
// levers are written directly.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"

#include <array>
#include <cstdint>

namespace oxl
{

/// THROTTLE_SET data of the throttle steps 0..4.
inline constexpr std::array<std::uint32_t, 5> kThrottleData{0, 4914, 8191, 11468, 16383};
/// FLAPS_SET data of the flaps steps 0..4 (step 4 is flaps up).
inline constexpr std::array<std::uint32_t, 5> kFlapsData{0, 3072, 10240, 16383, 0};
/// SPOILERS_SET data of extended spoilers.
inline constexpr std::uint32_t kSpoilersOut = 16383;

/// The seven lights in the order nav, beacon, landing, taxi, strobes, logo, cabin.
using LightSet = std::array<std::uint32_t, 7>;

/// Queues one client event for the aircraft's object.
void queueAcEvent(LiveEngine& engine, const SimAc& ac, std::uint32_t eventId, std::uint32_t data = 0);
/// Sends the throttle step 0..4 when it differs from the last one sent; step 5 only records itself.
void gf_setThrottle(LiveEngine& engine, SimAc& ac, std::uint32_t step);
/// Sends the flaps step 0..4 when it differs from the last one sent; never for a Rotorcraft.
void gf_setFlaps(LiveEngine& engine, SimAc& ac, std::uint32_t step);
/// GEAR_SET down (1) or up (0); never for a Rotorcraft.
void setGear(LiveEngine& engine, const SimAc& ac, bool down);
/// SPOILERS_SET out or in; never for a Rotorcraft.
void setSpoilers(LiveEngine& engine, const SimAc& ac, bool out);
/// The seven light events in one hold of the queue's lock.
void setAcLights(LiveEngine& engine, const SimAc& ac, const LightSet& lights);
/// CABIN_LIGHTS_SET.
void setAcCabinLights(LiveEngine& engine, const SimAc& ac, bool on);
/// Writes spoiler handle and throttle levers [percent] under simMutex; never for a Light aircraft.
void setSpoilersThrottles(LiveEngine& engine, const SimAc& ac, double spoilersPct, double throttlePct);
/// Throttle step 4 for a Rotorcraft, else the given one.
std::uint32_t throttleFor(const SimAc& ac, std::uint32_t step);
/// The parked configuration: throttle idle, flaps up, engines off, parked lights.
void setParkedConfig(LiveEngine& engine, SimAc& ac);

} // namespace oxl
