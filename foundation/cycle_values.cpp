#include "foundation/cycle_values.h"

#include "foundation/half_hours.h"
#include "foundation/time_text.h"

#include <mutex>

namespace oxl
{

std::atomic<std::uint64_t> gCurrentDayHalfHour{0};
std::atomic<std::int32_t> gSavedLiveLimit{0};

namespace
{

std::mutex gStockMutex;
WinPath gStockAirports; // guarded by gStockMutex

} // namespace

void gf_storeCurrentDayHalfHour()
{
    const auto [weekday, half] = gf_weekdayHalfHour();
    if (weekday < 1 || half < 0)
    {
        gCurrentDayHalfHour.store(0); // the clock failed: no time of week rather than a wrong one
        return;
    }
    gCurrentDayHalfHour.store(gf_packDayHalfHour(
        DayHalfHour{static_cast<std::uint32_t>(weekday), static_cast<std::uint32_t>(half)}));
}

WinPath gf_stockAirportsPath()
{
    std::lock_guard lock(gStockMutex);
    return gStockAirports;
}

void gf_setStockAirportsPath(WinPath folder)
{
    std::lock_guard lock(gStockMutex);
    gStockAirports = std::move(folder);
}

} // namespace oxl
