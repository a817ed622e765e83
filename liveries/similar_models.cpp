#include "liveries/similar_models.h"

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/strings.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_indexes.h"

#include <fmt/format.h>

#include <set>

namespace oxl
{

namespace
{

bool lf_hasAnyLivery(const std::string& type)
{
    return gLiveries.TypeLiveryIndex[kPaxIndex].contains(type) ||
           gLiveries.TypeLiveryIndex[kCargoIndex].contains(type);
}

// The lines "member,other,other" of every group member that has at least one other member with liveries,
// each distinct line once, in byte order.
std::set<std::string> lf_similarLines()
{
    std::set<std::string> lines;
    for (const std::vector<std::string>& group : gLiveries.gDbase.similarGroups)
    {
        for (std::size_t i = 0; i < group.size(); ++i)
        {
            std::string line = group[i];
            bool hasOther = false;
            for (std::size_t j = 0; j < group.size(); ++j)
            {
                if (j != i && lf_hasAnyLivery(group[j]))
                {
                    line += ',';
                    line += group[j];
                    hasOther = true;
                }
            }
            if (hasOther)
            {
                lines.insert(std::move(line));
            }
        }
    }
    return lines;
}

} // namespace

void gf_buildSimilarModels()
{
    for (const std::string& line : lf_similarLines())
    {
        std::vector<std::string> items = gf_splitString(line, ',');
        std::string key = std::move(items.front());
        items.erase(items.begin());
        gLiveries.SimilarModels.try_emplace(std::move(key), std::move(items));
    }
    for (const std::string& airline : gf_indexAirlineCodes())
    {
        SimilarTable inner;
        for (const auto& [type, similar] : gLiveries.SimilarModels)
        {
            if (gf_hasLiveryOfAirlineType(airline, type))
            {
                continue;
            }
            std::vector<std::string> usable;
            for (const std::string& other : similar)
            {
                if (gf_hasLiveryOfAirlineType(airline, other))
                {
                    usable.push_back(other);
                }
            }
            if (!usable.empty())
            {
                inner.try_emplace(type, std::move(usable));
            }
        }
        if (!inner.empty())
        {
            gLiveries.AirlineSimilarModels.try_emplace(airline, std::move(inner));
        }
    }
    gf_log(fmt::format("{} similar model definitions", gLiveries.SimilarModels.size()));
}

void gf_clearSimilarModels()
{
    gLiveries.SimilarModels.clear();
    gLiveries.AirlineSimilarModels.clear();
}

std::vector<std::string>& gf_lookupSimilarList(const std::string& airline, const std::string& type)
{
    const auto types = gLiveries.AirlineSimilarModels.find(airline);
    if (types == gLiveries.AirlineSimilarModels.end())
    {
        return gLiveries.SharedEmptyList;
    }
    const auto list = types->second.find(type);
    if (list == types->second.end())
    {
        return gLiveries.SharedEmptyList;
    }
    gf_shuffle(list->second);
    return list->second;
}

std::vector<std::string>& gf_singleKeyList(const std::function<std::string()>& producer)
{
    std::string type = producer();
    if (type.empty())
    {
        return gLiveries.SharedEmptyList;
    }
    gLiveries.SharedSingleList.assign(1, std::move(type));
    return gLiveries.SharedSingleList;
}

void gf_reserveSharedTypeLists()
{
    gLiveries.SharedEmptyList.reserve(1);
    gLiveries.SharedSingleList.reserve(1);
}

} // namespace oxl
