#include "foundation/cycle_values.h"

#include "foundation/half_hours.h"
#include "foundation/time_text.h"

#include <mutex>

namespace oxl
{

namespace
{

} // namespace

void gf_storeCurrentDayHalfHour()
{
    const auto [weekday, half] = gf_weekdayHalfHour();
    if (weekday < 1 || half < 0)
    {
        gFoundation.gCurrentDayHalfHour.store(0); // the clock failed: no time of week rather than a wrong one
        return;
    }
    gFoundation.gCurrentDayHalfHour.store(gf_packDayHalfHour(
        DayHalfHour{static_cast<std::uint32_t>(weekday), static_cast<std::uint32_t>(half)}));
}

WinPath gf_stockAirportsPath()
{
    std::lock_guard lock(gFoundation.gStockMutex);
    return gFoundation.gStockAirports.value_or(WinPath{});
}

void gf_setStockAirportsPath(WinPath folder)
{
    std::lock_guard lock(gFoundation.gStockMutex);
    gFoundation.gStockAirports = std::move(folder);
}

} // namespace oxl
