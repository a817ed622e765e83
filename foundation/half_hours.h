// Half hours of a day as 48-bit sets, and the weekday/half-hour time of week as one 64-bit value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxl
{

/// A set of half hours of a day: bit n stands for n × 30 min to (n + 1) × 30 min; bits 48..63 stay 0.
class HalfHourSet
{
  public:
    /// Number of half hours in a day.
    static constexpr std::size_t kSize = 48;

    /// The empty set.
    constexpr HalfHourSet() = default;
    /// The set held in the low 48 bits of a stored value; higher bits are dropped.
    static constexpr HalfHourSet fromBits(std::uint64_t bits)
    {
        HalfHourSet s;
        s.bits_ = bits & kMask;
        return s;
    }
    /// The set as an unsigned 64-bit value.
    constexpr std::uint64_t bits() const { return bits_; }
    /// True when half hour pos is in the set; std::out_of_range "invalid bitset position" from 48 on.
    bool test(std::size_t pos) const;
    /// Adds (or with false removes) half hour pos; std::out_of_range from 48 on.
    HalfHourSet& set(std::size_t pos, bool value = true);
    /// Removes half hour pos; std::out_of_range from 48 on.
    HalfHourSet& reset(std::size_t pos);
    /// True when no half hour is in the set.
    constexpr bool none() const { return bits_ == 0; }
    /// True when at least one half hour is in the set.
    constexpr bool any() const { return bits_ != 0; }
    /// Number of half hours in the set.
    int count() const;

    /// Sets are equal when they hold the same half hours.
    friend constexpr bool operator==(HalfHourSet, HalfHourSet) = default;
    /// Union of two sets.
    friend constexpr HalfHourSet operator|(HalfHourSet a, HalfHourSet b)
    {
        return fromBits(a.bits_ | b.bits_);
    }
    /// Intersection of two sets.
    friend constexpr HalfHourSet operator&(HalfHourSet a, HalfHourSet b)
    {
        return fromBits(a.bits_ & b.bits_);
    }

  private:
    static constexpr std::uint64_t kMask = (std::uint64_t{1} << kSize) - 1;
    std::uint64_t bits_ = 0;
};

/// The half-hour set of a comma list of half-hour numbers 0..47; bad pieces are logged and skipped.
HalfHourSet gf_hours2bitset(std::string_view text);
/// The comma list of the half-hour numbers in the set, ascending; the empty set gives "".
std::string gf_bitset2hours(HalfHourSet set);

/// A time of week: weekday 1..7 (Monday 1, Sunday 7) and half hour of the day 0..47.
struct DayHalfHour
{
    std::uint32_t weekday = 0; ///< 1..7, Monday 1
    std::uint32_t half = 0;    ///< 0..47
    friend constexpr bool operator==(const DayHalfHour&, const DayHalfHour&) = default;
};

/// Packs a time of week into one 64-bit value, the weekday in the low half.
constexpr std::uint64_t gf_packDayHalfHour(DayHalfHour t)
{
    return std::uint64_t{t.weekday} | (std::uint64_t{t.half} << 32);
}
/// Unpacks a time of week packed by gf_packDayHalfHour.
constexpr DayHalfHour gf_unpackDayHalfHour(std::uint64_t packed)
{
    return DayHalfHour{static_cast<std::uint32_t>(packed & 0xFFFFFFFFu),
                       static_cast<std::uint32_t>(packed >> 32)};
}

} // namespace oxl
