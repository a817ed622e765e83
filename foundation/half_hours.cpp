#include "foundation/half_hours.h"

#include "foundation/log.h"
#include "foundation/strings.h"

#include <bit>
#include <charconv>
#include <fmt/format.h>
#include <stdexcept>

namespace oxl
{
namespace
{
void checkPosition(std::size_t pos)
{
    if (pos >= HalfHourSet::kSize)
    {
        throw std::out_of_range("invalid bitset position");
    }
}
} // namespace

bool HalfHourSet::test(std::size_t pos) const
{
    checkPosition(pos);
    return (bits_ >> pos) & 1u;
}

HalfHourSet& HalfHourSet::set(std::size_t pos, bool value)
{
    checkPosition(pos);
    const std::uint64_t bit = std::uint64_t{1} << pos;
    bits_ = value ? (bits_ | bit) : (bits_ & ~bit);
    return *this;
}

HalfHourSet& HalfHourSet::reset(std::size_t pos)
{
    return set(pos, false);
}

int HalfHourSet::count() const
{
    return std::popcount(bits_);
}

HalfHourSet gf_hours2bitset(std::string_view text)
{
    HalfHourSet set;
    if (text.empty())
    {
        return set;
    }
    std::size_t start = 0;
    while (true)
    {
        const auto end = text.find(',', start);
        const std::string_view piece = text.substr(start, end == std::string_view::npos ? end : end - start);
        // from_chars: optional '-', digits up to the first non-digit, no leading blanks.
        int value = -1;
        const auto [ptr, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
        if (ec != std::errc() || value < 0 || value >= static_cast<int>(HalfHourSet::kSize))
        {
            gf_logMarked(fmt::format("{} invalid hour '{}' in {}", "gf_hours2bitset", piece, text));
        }
        else
        {
            set.set(static_cast<std::size_t>(value));
        }
        if (end == std::string_view::npos)
        {
            return set;
        }
        start = end + 1;
    }
}

std::string gf_bitset2hours(HalfHourSet set)
{
    std::string text;
    for (std::size_t i = 0; i < HalfHourSet::kSize; ++i)
    {
        if (set.test(i))
        {
            if (!text.empty())
            {
                text += ',';
            }
            text += std::to_string(i);
        }
    }
    return text;
}

} // namespace oxl
