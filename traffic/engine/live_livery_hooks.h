// The livery services of the live engine bound to the livery matching of the aircraft data: the pending
// titles, the cascade, the regcode map and the bookkeeping of failed creations.
#pragma once

#include "traffic/engine/live_engine.h"

#include <string>
#include <vector>

namespace oxl
{

/// Installs the livery matching into the engine; registrations are looked up in the aircraft database.
void gf_installLiveLiveryHooks(LiveEngine& engine);

/// The engine's aircraft without a livery, as the no-match list writes them.
std::vector<std::string> gf_unmatchedList(const LiveEngine& engine);

} // namespace oxl
