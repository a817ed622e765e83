// Buffered aircraft and their spawning: the per-tick buffer step, the user-aircraft avoidance, the choice
// of livery, first phase, stand and first position, and the rules that keep one aircraft from being shown
// twice (ghost callsigns, static twins) or force a respawn when its identity changes.
#pragma once

#include "records/aircraft_records.h"
#include "traffic/engine/live_engine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oxl
{

/// Ticks before a report's due tick at which a buffered aircraft is looked at: moving on the ground.
inline constexpr std::int32_t kGroundLeadTicks = 300;
/// The same for an airborne or standing report.
inline constexpr std::int32_t kLeadTicks = 100;
/// More live create requests than this waiting hold new aircraft back.
inline constexpr std::size_t kMaxWaitingCreates = 10;

/// The per-tick step of a buffered aircraft: waits, drops its oldest report, erases it or spawns it.
void bufferStep(LiveEngine& engine, LiveAc& ac);

/// The user-avoidance test on the front report; true when it dropped the front report.
bool avoidUserAc(LiveEngine& engine, LiveAc& ac);

/// Spawns a buffered aircraft: livery, first phase, first position, create request on the spawn stack.
void spawnLiveAc(LiveEngine& engine, LiveAc& ac);

/// The livery of a live aircraft to be created: the title kept for its hexid, else a match, kept for it;
/// false when nothing matches (one with a registration is then listed as unmatched).
bool chooseLiveLivery(LiveEngine& engine, LiveAc& ac);

/// The stand for an aircraft whose first report is on the ground; may set its erase flag. nullptr = none.
Stand* findStandAtSpawn(LiveEngine& engine, LiveAc& ac);

/// Identity and route checks of a new report of a known aircraft; false when the report is dropped
/// (the aircraft respawns, or the report belongs to a ghost).
bool checkRespawn(LiveEngine& engine, LiveAc& ac, const TrafficLine& line);

/// Fills an empty route side or replaces a changed route; true when that counts as a change.
bool checkRouteChange(LiveEngine& engine, LiveAc& ac, const TrafficLine& line);

/// Takes a new registration; true when it changes the aircraft's livery or airline and type.
bool checkRegistrationChange(LiveEngine& engine, LiveAc& ac, const TrafficLine& line);

/// The special livery of the registration decides; true = changed.
bool checkRegcodeLivery(LiveEngine& engine, LiveAc& ac, const TrafficLine& line);

/// The airline and type of the registration's record decide; true = changed.
bool checkRegcodeAirline(LiveEngine& engine, LiveAc& ac, const TrafficLine& line);

/// Forgets the aircraft's livery so that the next spawn chooses livery and stand again.
void resetLivery(LiveEngine& engine, LiveAc& ac);

/// Removes the first other aircraft (not the one of skipHexid) flying under the callsign as a ghost.
void removeGhost(LiveEngine& engine, const std::string& callsign, std::uint32_t skipHexid);

/// True when an aircraft carries the callsign without its last character.
bool ghostOriginalExists(const LiveEngine& engine, const std::string& callsign);

/// Removes the first active static aircraft that is the same flight as the live aircraft.
void removeStaticTwin(LiveEngine& engine, const LiveAc& ac, bool onGround);

/// Whether an aircraft with the callsign may take the stand; may remove the current holder.
bool claimStand(LiveEngine& engine, std::uint32_t standId, const std::string& callsign);

/// The first adjacent stand whose parked or pushing-back live holder could collide with the newcomer on
/// its stand; none when no neighbour blocks.
std::optional<std::uint32_t> gf_findConflictingAdjacent(LiveEngine& engine,
                                                        const std::vector<std::uint32_t>& adjacent,
                                                        const LiveAc& newcomer, const Stand& stand);

/// Clears the cargo flag of the aircraft's stand when a cargo aircraft parks on a passenger stand.
void correctStandCargo(LiveEngine& engine, const LiveAc& ac);

/// Changes the phase, keeping the old one as the previous phase.
void setPhase(LiveAc& ac, GroundPhase phase);

/// Notes the half hour at which the live aircraft was last seen parked (kept once per hexid).
void rememberLiveParked(LiveEngine& engine, std::uint32_t hexid, std::uint32_t half);

} // namespace oxl
