// The main loop's side of the hand-over to the simulator (queues under simMutex, the position double
// buffer, direct requests for the user aircraft) and the frame sender that empties the queues once per
// simulator frame on the SimClient thread.
#pragma once

#include "records/sim_queues.h"
#include "simlink/client/simconnect.h"
#include "simlink/sim_state.h"

#include <array>
#include <cstdint>
#include <functional>

namespace oxl
{

/// Sets the simulator version, reserves room in the queues and tables and clears the error state.
void gf_initSimQueues(std::uint32_t version);
/// Appends a copy of a create request.
void gf_queueCreateAc(const CreateRequest& request);
/// Appends one client event.
void gf_queueSimEvent(const SimEventEntry& entry);
/// Appends the seven light events (nav, beacon, landing, taxi, strobes, logo, cabin) in one hold of the lock.
void gf_setLights(std::uint32_t objectId, const std::array<std::uint32_t, 7>& values);
/// Appends a cabin-lights event.
void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value);
/// Appends one object id to the removal list.
void gf_queueRemoval(std::uint32_t objectId);
/// Appends one position to the fill buffer.
void gf_queuePosition(const SimPosition& position);

/// Hands the fill buffer to the frame sender (the main loop's step after updating every aircraft).
PositionHandOver gf_handOverPositions();
/// Empties both position buffers (while the flight is not running).
void gf_clearPositionBuffers();

/// Requests the user aircraft's position block (request 109) unless the error state is set; returns the
/// user aircraft as it stands now (the reply arrives later).
UserAcData gf_requestUserAcPosition();
/// Asks for the user aircraft's on-ground state every simulated second (request 108); false on failure.
bool gf_requestUserOnGroundEverySecond();
/// Requests the user aircraft's title and model (requests 106 and 107).
void gf_requestUserAcTitleModel();
/// Writes the spoiler handle and the two throttle levers [percent] of an object (definition 401).
ScResult gf_setSpoilersThrottles(std::uint32_t objectId, double spoilersPct, double throttle1Pct,
                                 double throttle2Pct);
/// Runs one direct call on the open handle under simMutex; kScFail without a handle.
ScResult gf_simCall(const std::function<ScResult(ScHandle)>& call);

/// The frame sender: gives up creations whose objects did not come for minutes, then lets go the creations
/// withdrawn and sends the queued positions, events, creations and removals unless the lock is busy. simMutex
/// is held only to take the queues over, never while the frame goes to the link.
void gf_sendQueuedToSim();
/// The frame sender's first step: takes the handed-over positions and the queued events, creations,
/// removals and withdrawals when simMutex is free (held for swaps only); false when the lock was busy or the
/// link is in error (then every queue is emptied).
bool gf_takeFrame();
/// Builds the taken positions into one frame of position writes, without the lock.
void gf_buildFrame();
/// Lets go the taken withdrawals, appends the taken events, creations and removals to the frame and hands
/// it to the link as one packet, without simMutex; remembers each creation under its message's send id.
void gf_sendFrame();

} // namespace oxl
