// The program's date and time texts (always UTC) and the current weekday and half hour.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace oxl
{

/// Three-letter names indexed from a first number; any other index gives "???".
template <std::size_t N> struct NameTable
{
    int first;                             ///< index of names[0]
    std::array<std::string_view, N> names; ///< the names in index order
    /// The name of an index, "???" outside the table.
    constexpr std::string_view operator[](int index) const
    {
        return index >= first && index < first + static_cast<int>(N)
                   ? names[static_cast<std::size_t>(index - first)]
                   : std::string_view("???");
    }
};

/// Weekday names indexed 1..7, Monday 1, Sunday 7.
inline constexpr NameTable<7> WeekdayNames{1, {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}};
/// Month names indexed 1..12 (October is "Okt").
inline constexpr NameTable<12> MonthNames{
    1, {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"}};

/// "Www Mmm dd hh:mm:ss yyyy" of a UTC time in seconds since 1970, or "Invalid time".
std::string gf_timeToText(std::int64_t secondsSince1970);
/// hh:mm:ss of the current UTC time.
std::string gf_nowTimeOfDay();
/// The current UTC date as "Mmm dd, yyyy".
std::string gf_todayDate();
/// hh:mm:ss of the traffic source's time at its professional level, else of the current UTC time.
std::string gf_simTimeOfDay();
/// Weekday 1..7 (Monday 1) and half hour 0..47 of one reading of the time source; -1 each on failure.
std::pair<std::int32_t, std::int32_t> gf_weekdayHalfHour();
/// Weekday and half hour of a UTC time; the half hour turns at mm:29:30 and hh:59:30.
std::pair<std::int32_t, std::int32_t> gf_weekdayHalfHourAt(std::int64_t secondsSince1970);
/// The time source of the simulator-time functions [s since 1970]: the traffic time at the professional
/// level when it is not 0, else the current UTC time.
std::int64_t gf_timeSourceSeconds();

} // namespace oxl
