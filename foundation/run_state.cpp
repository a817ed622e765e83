#include "foundation/run_state.h"

#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/time_text.h"

#include <array>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

namespace oxl
{

namespace
{

constexpr std::array<std::pair<std::uint32_t, std::string_view>, 8> kExitReasonWords{{
    {0, "NOT YET SET"},
    {1, "SIM WAS CLOSED"},
    {2, "NEW FLIGHT"},
    {3, "NEW SETTINGS"},
    {4, "USER CLOSED SIM"},
    {5, "SIMCONNECT ERROR"},
    {6, "READER ERROR"},
    {7, "SYSTEM ERROR"},
}};

} // namespace

std::string_view gf_exitReasonWord(std::uint32_t reason)
{
    for (const auto& [value, word] : kExitReasonWords)
        if (value == reason)
            return word;
    throw std::out_of_range("invalid unordered_map<K, T> key");
}

ExitReason gf_exitReason()
{
    return static_cast<ExitReason>(gFoundation.gExitReason.load());
}

bool gf_stopSeen()
{
    return gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0;
}

bool gf_requestStop(ExitReason reason, std::int32_t delayS)
{
    if (gFoundation.gStopRequested.exchange(1) != 0)
        return false;
    gFoundation.gRestartDelay.store(delayS);
    gFoundation.gExitReason.store(static_cast<std::uint32_t>(reason));
    return true;
}

void gf_requestWindowClose()
{
    gFoundation.gWindowClosed.store(1);
    gFoundation.gStopRequested.store(1);
    std::uint32_t notSet = static_cast<std::uint32_t>(ExitReason::notYetSet);
    gFoundation.gExitReason.compare_exchange_strong(notSet,
                                                    static_cast<std::uint32_t>(ExitReason::userClosedSim));
}

void gf_simGone()
{
    if (gFoundation.gStopRequested.load() != 0)
        return;
    gf_log(fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_nowTimeOfDay(),
                       kProductName));
    gf_requestStop(ExitReason::simWasClosed, 0);
}

void gf_clearStop()
{
    gFoundation.gExitReason.store(static_cast<std::uint32_t>(ExitReason::notYetSet));
    gFoundation.gRestartDelay.store(0);
    gFoundation.gWindowClosed.store(0);
    gFoundation.gStopRequested.store(0);
}

} // namespace oxl
