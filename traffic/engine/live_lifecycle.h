// The life of one live aircraft: which reports of its hexid are accepted, its creation, the removal
// routine that every part of the engine uses, the respawn with another livery, the live limit and the
// handling of every answer of the simulator link.
#pragma once

#include "records/aircraft_records.h"
#include "records/sim_queues.h"
#include "traffic/engine/live_engine.h"

#include <cstdint>
#include <deque>
#include <string>

namespace oxl
{

/// Takes one traffic line: appends its report to the aircraft of its hexid, drops it, or creates a new
/// buffered aircraft.
void acceptReport(LiveEngine& engine, TrafficLine&& line);

/// Remembers an aircraft removed as behind its reports, so that jumps of its hexid away from where its
/// reports are now are dropped for a few minutes.
void gf_rememberLeftPlace(LiveEngine& engine, const LiveAc& ac);

/// [kt] the ground speed that no aircraft of the category reaches, tail wind included.
double gf_topSpeedKt(AcCategory category);

/// [kt] the fastest an aircraft of the category flies while it catches up with its reports, when it flies
/// at speedKt at altFt: a quarter faster (at least 40 kt), within what the category flies at that height.
double gf_catchUpCeilingKt(AcCategory category, double speedKt, double altFt);

/// True when live aircraft of the category are wanted (LIGHT_AIRCRAFT, HIGH_PERF_AIRCRAFT, HELICOPTERS).
bool categoryAllowed(AcCategory category);

/// The creation path of a line whose hexid no aircraft has: the type from the registration when needed.
void acceptNewHexid(LiveEngine& engine, TrafficLine&& line);

/// Creates the buffered aircraft of a new hexid unless its category is switched off or its altitude is
/// an echo of the park airport's elevation.
void createLiveAc(LiveEngine& engine, TrafficLine&& line);

/// Starts the removal of a live or static aircraft according to its simulator state.
void removeAircraftFromSim(LiveEngine& engine, SimAc& ac);

/// Takes an active aircraft out of the simulator so that it is spawned again from its current position.
void liveryRespawn(LiveEngine& engine, LiveAc& ac);

/// Removes every request with the callsign, keeping the order of the others; true when one was removed.
/// An empty callsign removes nothing.
bool gf_removeFromCreateDeque(std::deque<CreateRequest>& deque, const std::string& callsign);

/// Removes every request of the hexid, keeping the order of the others; true when one was removed.
bool gf_removeFromCreateDequeByHexid(std::deque<CreateRequest>& deque, std::uint32_t hexid);

/// Removes the active aircraft farthest from the user when it is more than 0.1 nm farther than d0 [nm];
/// true when none is.
bool gf_removeFarthestLive(LiveEngine& engine, double d0Nm);

/// Removes the farthest active aircraft until no more than MAX_LIVE_SEL remain active.
void gf_trimLiveToMax(LiveEngine& engine);

/// Takes the answers off the queue and works them and the deferred creation answers. simAnswerMutex is
/// held only to take them: handling an answer may call the simulator under simMutex, and the simulator
/// thread pushes answers while it holds simMutex.
void simHousekeeping(LiveEngine& engine);

/// Counts the deferred creation answers on and activates their aircraft 200 ticks after creation.
void handleCreatedAc(LiveEngine& engine);

/// The simulator removed the object: a respawning aircraft goes back to buffer, any other is erased.
void onSimObjectRemoved(LiveEngine& engine, std::uint32_t objectId);

/// Ticks after a creation answer at which the aircraft's lights are toggled, and it is activated.
inline constexpr std::int32_t kFirstLightsToggleTicks = 50;
inline constexpr std::int32_t kSecondLightsToggleTicks = 100;
inline constexpr std::int32_t kActivationTicks = 200;

} // namespace oxl
