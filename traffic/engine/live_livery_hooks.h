// The livery services of the live engine bound to the livery matching of the aircraft data: the pending
// titles, the cascade, the regcode map and the bookkeeping of failed creations, and what becomes of a
// queued creation whose title the simulator refused.
#pragma once

#include "traffic/engine/live_engine.h"

#include <string>
#include <vector>

namespace oxl
{

/// Installs the livery matching into the engine; registrations are looked up in the aircraft database.
void gf_installLiveLiveryHooks(LiveEngine& engine);

/// A queued creation whose title the simulator refused after it was matched would only be refused again,
/// and each refusal ends one more aircraft: a live aircraft is matched anew and its request takes the new
/// title; one left without a livery, and a static one, is dropped with its request. True when the request
/// still goes to the simulator.
[[nodiscard]] bool rematchOrDropRefusedTitle(LiveEngine& engine, CreateRequest& request);

/// The engine's aircraft without a livery, as the no-match list writes them.
std::vector<std::string> gf_unmatchedList(const LiveEngine& engine);

} // namespace oxl
