// Creating AI aircraft and recognising them: each creation is remembered under its send id with the
// callsign it was given as tail number; an object the simulator reports as added is paired with it when
// the range reply shows that callsign as its ATC ID. Everything here runs on the SimClient thread.
#pragma once

#include "records/sim_queues.h"
#include "simlink/client/sc_receive.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oxl
{

/// One creation sent and not yet paired with a simulator object.
struct PendingCreate
{
    std::uint32_t sendId = 0; ///< send id of the creation message; 0 when it could not be read
    std::uint32_t hexid = 0;  ///< hexid of the request
    std::string callsign;     ///< tail number the aircraft was created with
};

/// Altitude above ground [ft] up to which other aircraft in range are reported.
inline constexpr double kOtherAcMaxAglFt = 2500.0;

/// Sends one creation and remembers it (the frame sender calls it holding simMutex).
void gf_createAcInSim(const CreateRequest& request);
/// Handles one reply of the aircraft-in-range request: pairs new objects, reports others near the ground.
void gf_onSimObjectDataByType(const ScRecvSimObjectData& reply);
/// Handles a failed creation by the send id of its message.
void gf_onCreateFailed(std::uint32_t sendId);
/// Notes an aircraft object that the simulator added.
void gf_noteNewObject(std::uint32_t objectId);

/// The creations not yet paired (SimClient thread; for tests and the reset).
const std::vector<PendingCreate>& gf_pendingCreates();
/// The added objects not yet seen in a range reply (SimClient thread).
const std::vector<std::uint32_t>& gf_newObjects();
/// Reserves room in both tables.
void gf_reserveCreationTables(std::size_t count);
/// Empties both tables (the cycle reset, after the SimClient thread has ended).
void gf_clearCreationTables();

/// The first bytes of a text that are at most maxBytes long and end on a whole UTF-8 character.
std::string gf_utf8Prefix(const std::string& text, std::size_t maxBytes);

} // namespace oxl
