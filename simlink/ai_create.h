// Creating AI aircraft and recognising them: each creation is remembered under its send id with the
// callsign it was given as tail number; an object the simulator reports as added is paired with it when
// the object's own data (asked for as it is added) or a range reply shows that callsign as its ATC ID. A
// simulator adds its objects at its own pace, so a creation waits for its object as long as its aircraft
// wants to be shown; one let go (its aircraft left, or minutes passed) has its object removed should it
// still come, however late. Everything here runs on the SimClient thread.
#pragma once

#include "records/sim_queues.h"
#include "simlink/client/sc_receive.h"
#include "simlink/client/simconnect.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// One creation sent and not yet paired with a simulator object.
struct PendingCreate
{
    std::uint32_t sendId = 0; ///< send id of the creation message; 0 when it could not be read
    std::uint32_t hexid = 0;  ///< hexid of the request
    std::string callsign;     ///< tail number the aircraft was created with
    std::chrono::steady_clock::time_point sentAt{}; ///< when it was handed to the link
    bool wanted = true; ///< its aircraft waits for the object; once let go, the object is removed on arrival
};

/// How long a creation waits for its object before it is given up: a healthy simulator may take many
/// seconds to load a model.
inline constexpr std::chrono::minutes kCreateWaitLimit{5};

/// Altitude above ground [ft] up to which other aircraft in range are reported.
inline constexpr double kOtherAcMaxAglFt = 2500.0;

/// True when the simulator carries the callsign as tail number and ATC ID unchanged: no NUL or control
/// byte, and room for it in the tail number's field.
bool gf_simCarriesCallsign(std::string_view callsign);
/// Appends one creation to the frame; false, with its answer pushed, when the simulator could not carry its
/// callsign or title as they are.
bool gf_createAcInSim(ScFrame& frame, const CreateRequest& request);
/// Logs a creation that did not reach the link.
void gf_creationNotSent(const CreateRequest& request);
/// Remembers a creation handed to the link under the send id of its message.
void gf_rememberCreation(const CreateRequest& request, std::uint32_t sendId);
/// Handles one reply of the aircraft-in-range request or of the data request of one added object: pairs
/// new objects, removes those of creations let go, reports others near the ground.
void gf_onSimObjectDataByType(const ScRecvSimObjectData& reply);
/// Handles a failed creation by the send id of its message.
void gf_onCreateFailed(std::uint32_t sendId);
/// Notes an aircraft object that the simulator added and asks for its data, wherever it is.
void gf_noteNewObject(std::uint32_t objectId);
/// Forgets an added object that the simulator removed before it was paired.
void gf_forgetNewObject(std::uint32_t objectId);
/// Lets go the creation of a live aircraft that no longer wants to be in the simulator.
void gf_letGoCreation(std::uint32_t hexid);
/// Gives up the creations that waited kCreateWaitLimit (the main loop drops their aircraft); their objects
/// are removed should they come.
void gf_expirePendingCreates(std::chrono::steady_clock::time_point now);
/// Reserves room in the tables.
void gf_reserveCreationTables(std::size_t count);
/// Empties the tables (the cycle reset, after the SimClient thread has ended).
void gf_clearCreationTables();

/// The first bytes of a text that are at most maxBytes long and end on a whole UTF-8 character.
std::string gf_utf8Prefix(const std::string& text, std::size_t maxBytes);

} // namespace oxl
