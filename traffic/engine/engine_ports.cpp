#include "traffic/engine/engine_ports.h"

#include "foundation/time_text.h"
#include "liveries/registrations.h"
#include "platform/clock.h"

#include <algorithm>
#include <chrono>

namespace oxl
{

std::optional<DbaseRecord> NoLiveries::lookupRegistration(const std::string& registration)
{
    return gf_lookupRegistration(registration);
}

std::int64_t PlatformClock::steadyNow100ns()
{
    const auto sinceEpoch = plat::steadyNow().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 100;
}

DayHalfHour PlatformClock::weekdayHalfHour()
{
    const auto [weekday, half] = gf_weekdayHalfHour();
    return DayHalfHour{static_cast<std::uint32_t>(std::max(weekday, 0)),
                       static_cast<std::uint32_t>(std::max(half, 0))};
}

} // namespace oxl
