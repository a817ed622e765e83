// The simulator calls the live engine makes for one object while it already holds simMutex. The engine
// takes the lock around each call so that a call never interleaves with the frame sender's messages;
// these functions therefore must not take it again.
#pragma once

#include "simlink/client/simconnect.h"

#include <cstdint>
#include <filesystem>
#include <functional>

namespace oxl
{

/// Runs one call on the open handle; the caller holds simMutex. kScFail without a handle.
ScResult gf_simCallHeld(const std::function<ScResult(ScHandle)>& call);
/// Toggles every light of an object (ALL_LIGHTS_TOGGLE, group 301); the caller holds simMutex.
ScResult gf_allLightsToggleHeld(std::uint32_t objectId);
/// Asks once for an object's static centre of gravity and pitch (request 102, definition 405); the caller
/// holds simMutex.
ScResult gf_requestStaticCgHeld(std::uint32_t objectId);
/// Writes the spoiler handle and the two throttle levers [percent] of an object (definition 401); the
/// caller holds simMutex.
ScResult gf_setSpoilersThrottlesHeld(std::uint32_t objectId, double spoilersPct, double throttle1Pct,
                                     double throttle2Pct);
/// Gives an AI aircraft its flight-plan file (request 110); the caller holds simMutex.
ScResult gf_setFlightPlanHeld(std::uint32_t objectId, const std::filesystem::path& file);

} // namespace oxl
