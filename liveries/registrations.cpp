#include "liveries/registrations.h"
#include "liveries/liveries_state.h"

#include <algorithm>
#include <string_view>

namespace oxl
{

namespace
{

// Registrations of this length or longer may have lost the dash after their country prefix.
constexpr std::size_t kDashlessMinBytes = 5;

} // namespace

std::vector<std::string> gf_registrationCandidates(const std::string& reg)
{
    std::vector<std::string> candidates;
    candidates.reserve(3);
    // US registrations ('N' numbers) carry no dash, and one already dashed is spelled as meant.
    if (reg.size() >= kDashlessMinBytes && reg.front() != 'N' && reg.find('-') == std::string::npos)
    {
        candidates.push_back(reg.substr(0, 2) + "-" + reg.substr(2));
        candidates.push_back(reg.substr(0, 1) + "-" + reg.substr(1));
    }
    candidates.push_back(reg);
    return candidates;
}

std::optional<DbaseRecord> gf_lookupRegistration(const std::string& reg)
{
    if (reg.empty())
    {
        return std::nullopt;
    }
    for (const std::string& candidate : gf_registrationCandidates(reg))
    {
        if (const auto it = gLiveries.gDbase.registrations.find(candidate);
            it != gLiveries.gDbase.registrations.end())
        {
            return it->second;
        }
    }
    return std::nullopt;
}

std::string gf_lookupRegAirline(const std::string& reg)
{
    if (reg.empty())
    {
        return {};
    }
    const auto record = gf_lookupRegistration(reg);
    return record ? record->airl : std::string();
}

std::string gf_lookupRegOperator(const std::string& reg)
{
    if (reg.empty())
    {
        return {};
    }
    const auto record = gf_lookupRegistration(reg);
    return record ? record->opr : std::string();
}

std::optional<std::string> gf_findInlineRegcode(const std::string& title)
{
    // Every substring of up to five bytes is probed against the short keys: the same keys as a walk
    // over the whole map would find, at a few hash lookups per title byte. Of several, the smallest
    // wins, so the answer does not depend on the hash map's order.
    const std::string_view text = title;
    std::optional<std::string_view> best;
    for (std::size_t start = 0; start < text.size(); ++start)
    {
        const std::size_t longest = std::min(kInlineRegcodeMaxBytes, text.size() - start);
        for (std::size_t length = 1; length <= longest; ++length)
        {
            const std::string_view part = text.substr(start, length);
            if ((!best || part < *best) && gLiveries.gDbase.shortRegKeys.contains(part))
            {
                best = part;
            }
        }
    }
    if (!best)
    {
        return std::nullopt;
    }
    return std::string(*best);
}

} // namespace oxl
