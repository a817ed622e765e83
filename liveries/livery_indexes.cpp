#include "liveries/livery_indexes.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/status_service.h"
#include "foundation/strings.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_matching.h"
#include "liveries/regcodes.h"
#include "liveries/similar_models.h"
#include "records/aircraft_words.h"

#include <fmt/format.h>

#include <algorithm>
#include <unordered_set>

namespace oxl
{

namespace
{

// Room of the gathering buffers: titles of one (airline, type) and views of one type per kind.
constexpr std::size_t kTitleGatherRoom = 4048;
constexpr std::size_t kTypeGatherRoom = 15000;

void lf_fillTitleTable()
{
    gLiveries.TitleTable.clear();
    for (const auto& [airline, types] : gLiveries.MainLiveryIndex)
    {
        for (const auto& [type, records] : types)
        {
            for (const TitleRecord& record : records)
            {
                gLiveries.TitleTable.insert(record.title);
            }
        }
    }
}

// The exact-size list of the gathered records, each title's capacity trimmed to its length.
TitleRecords lf_exactRecords(TitleRecords& gathered)
{
    TitleRecords records;
    records.reserve(gathered.size());
    for (TitleRecord& record : gathered)
    {
        record.title.shrink_to_fit();
        records.push_back(std::move(record));
    }
    gathered.clear();
    return records;
}

std::string lf_randomEntry(const std::vector<std::string>& list)
{
    if (list.empty())
    {
        return {};
    }
    return list[gf_randomIndex(static_cast<std::int64_t>(list.size()))];
}

// The optional traffic setting of a category and the words of its switch-off line; none for the others.
struct CategorySwitch
{
    CheckBoxParameter* setting = nullptr;
    const char* installedWords = "";
};

CategorySwitch lf_categorySwitch(AcCategory category)
{
    switch (category)
    {
    case AcCategory::Light:
        return {&LIGHT_AIRCRAFT, "light aircraft"};
    case AcCategory::HighPerf:
        return {&HIGH_PERF_AIRCRAFT, "High Perf aircraft"};
    case AcCategory::Rotorcraft:
        return {&HELICOPTERS, "Helicopters"};
    default:
        return {};
    }
}

// The pax and cargo titles of a category's types, and those types (once per kind that has them).
struct CategoryLiveries
{
    std::uint64_t counts[2] = {0, 0};
    std::vector<std::string_view> types;
};

CategoryLiveries lf_categoryLiveries(AcCategory category)
{
    CategoryLiveries found;
    for (std::size_t kind : {kPaxIndex, kCargoIndex})
    {
        for (const auto& [type, titles] : gLiveries.TypeLiveryIndex[kind])
        {
            if (gf_aircraftCategory(type) != category)
            {
                continue;
            }
            found.counts[kind] += titles.size();
            found.types.push_back(type);
        }
    }
    return found;
}

} // namespace

void gf_buildMainIndex()
{
    TitleRecords gathered;
    gathered.reserve(kTitleGatherRoom);
    TypeTitleRecords inner;
    std::string currentAirline;
    std::string currentType;
    const auto storeRecords = [&]
    {
        if (!gathered.empty())
        {
            inner.try_emplace(currentType, lf_exactRecords(gathered));
        }
    };
    const auto storeAirline = [&]
    {
        if (!inner.empty())
        {
            gLiveries.MainLiveryIndex.try_emplace(currentAirline, std::move(inner));
            inner = TypeTitleRecords{};
        }
    };
    for (LiveryData& livery : gLiveries.ScannedLiveries)
    {
        if (livery.type != currentType)
        {
            storeRecords();
            currentType = livery.type;
        }
        if (livery.airl != currentAirline)
        {
            storeRecords();
            storeAirline();
            currentAirline = livery.airl;
        }
        gathered.push_back(TitleRecord{livery.title, livery.cargo});
    }
    storeRecords();
    storeAirline();
    lf_fillTitleTable();
}

void gf_buildAirlineIndexes()
{
    for (const auto& [airline, types] : gLiveries.MainLiveryIndex)
    {
        TypeTitleViews byKind[2];
        for (const auto& [type, records] : types)
        {
            TitleViews views[2];
            for (const TitleRecord& record : records)
            {
                views[record.cargo ? kCargoIndex : kPaxIndex].push_back(record.title);
            }
            for (std::size_t kind : {kPaxIndex, kCargoIndex})
            {
                if (!views[kind].empty())
                {
                    views[kind].shrink_to_fit();
                    byKind[kind].try_emplace(type, std::move(views[kind]));
                }
            }
        }
        for (std::size_t kind : {kPaxIndex, kCargoIndex})
        {
            if (!byKind[kind].empty())
            {
                gLiveries.AirlineLiveryIndex[kind].try_emplace(airline, std::move(byKind[kind]));
            }
        }
    }
}

void gf_buildTypeIndexes()
{
    struct Entry
    {
        std::string_view type;
        std::string_view title;
        bool cargo;
    };
    std::vector<Entry> entries;
    for (const auto& [airline, types] : gLiveries.MainLiveryIndex)
    {
        for (const auto& [type, records] : types)
        {
            for (const TitleRecord& record : records)
            {
                entries.push_back(Entry{type, record.title, record.cargo});
            }
        }
    }
    // Stable, so that the first candidate of a type is the same every run while RANDOM is off.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.type < b.type; });

    TitleViews gathered[2];
    gathered[kPaxIndex].reserve(kTypeGatherRoom);
    gathered[kCargoIndex].reserve(kTypeGatherRoom);
    std::string_view currentType;
    bool started = false;
    const auto store = [&]
    {
        for (std::size_t kind : {kPaxIndex, kCargoIndex})
        {
            if (!gathered[kind].empty())
            {
                gLiveries.TypeLiveryIndex[kind].try_emplace(
                    std::string(currentType), TitleViews(gathered[kind].begin(), gathered[kind].end()));
                gathered[kind].clear();
            }
        }
    };
    for (const Entry& entry : entries)
    {
        if (started && entry.type != currentType)
        {
            store();
        }
        started = true;
        currentType = entry.type;
        gathered[entry.cargo ? kCargoIndex : kPaxIndex].push_back(entry.title);
    }
    store();
}

void gf_summarizeCategory(AcCategory category)
{
    const CategoryLiveries found = lf_categoryLiveries(category);
    const auto& counts = found.counts;
    const std::string_view word = gf_categoryWord(category);
    const CategorySwitch categorySwitch = lf_categorySwitch(category);
    if (counts[kPaxIndex] == 0 && counts[kCargoIndex] == 0)
    {
        gf_log(fmt::format("Category {}: No livery found", word));
        if (categorySwitch.setting != nullptr)
        {
            if (categorySwitch.setting->value())
            {
                categorySwitch.setting->set(false);
                categorySwitch.setting->save();
                gf_status().showSetting(*categorySwitch.setting); // the greyed box shows what is in force
                gf_log(fmt::format("{} temporarily switched off because you do not have {} installed",
                                   categorySwitch.setting->name, categorySwitch.installedWords));
            }
            gf_status().enableControl(*categorySwitch.setting, false);
        }
        return;
    }
    const std::uint64_t pax = counts[kPaxIndex];
    const std::uint64_t cargo = counts[kCargoIndex];
    const std::string cargoPart =
        cargo > 0 ? fmt::format(" and {} cargo liverie{}", cargo, gf_pluralSU64(cargo)) : std::string();
    gf_log(fmt::format("Category {}: {} pax liverie{}{}", word, pax, gf_pluralSU64(pax), cargoPart));
    if (!found.types.empty())
    {
        std::vector<std::string> types(found.types.begin(), found.types.end());
        std::sort(types.begin(), types.end());
        types.erase(std::unique(types.begin(), types.end()), types.end());
        gf_fillCategoryTypeLists(category == AcCategory::Light, category == AcCategory::Buzjets,
                                 category == AcCategory::Rotorcraft, types);
    }
    if (categorySwitch.setting != nullptr)
    {
        gf_status().enableControl(*categorySwitch.setting, true);
    }
}

void gf_showCategorySwitches()
{
    for (AcCategory category : {AcCategory::Light, AcCategory::HighPerf, AcCategory::Rotorcraft})
    {
        const CategoryLiveries found = lf_categoryLiveries(category);
        gf_status().enableControl(*lf_categorySwitch(category).setting,
                                  found.counts[kPaxIndex] + found.counts[kCargoIndex] > 0);
    }
}

void gf_fillCategoryTypeLists(bool light, bool buzjet, bool rotorcraft, const std::vector<std::string>& types)
{
    constexpr int kTypesPerLine = 20;
    std::string line = "  ";
    int count = 0;
    for (const std::string& type : types)
    {
        if (light)
        {
            gLiveries.LightTypes.push_back(type);
        }
        else if (buzjet)
        {
            gLiveries.BuzjetTypes.push_back(type);
        }
        else if (rotorcraft)
        {
            gLiveries.RotorcraftTypes.push_back(type);
        }
        line += type;
        line += ',';
        if (++count == kTypesPerLine)
        {
            line.pop_back();
            gf_log(line);
            line = "  ";
            count = 0;
        }
    }
    if (count >= 1)
    {
        line.pop_back();
        gf_log(line);
    }
}

std::string_view gf_findLiveryTitle(std::string_view title)
{
    const auto found = gLiveries.TitleTable.find(title);
    return found == gLiveries.TitleTable.end() ? std::string_view() : *found;
}

bool gf_hasLiveryOfAirlineType(const std::string& airline, const std::string& type)
{
    const auto types = gLiveries.MainLiveryIndex.find(airline);
    return types != gLiveries.MainLiveryIndex.end() && types->second.contains(type);
}

std::vector<std::string> gf_indexAirlineCodes()
{
    std::vector<std::string> codes;
    codes.reserve(gLiveries.MainLiveryIndex.size());
    for (const auto& [airline, types] : gLiveries.MainLiveryIndex)
    {
        codes.push_back(airline.substr(0, 3));
    }
    return codes;
}

std::string gf_randomLightType()
{
    return lf_randomEntry(gLiveries.LightTypes);
}

std::string gf_randomBuzjetType()
{
    return lf_randomEntry(gLiveries.BuzjetTypes);
}

std::string gf_randomRotorcraftType()
{
    return lf_randomEntry(gLiveries.RotorcraftTypes);
}

void gf_reserveLiveryIndexes()
{
    if (gLiveries.ReservedOnce)
    {
        return;
    }
    gLiveries.SpecialTitles.reserve(4096);
    gLiveries.LightTypes.reserve(64);
    gLiveries.BuzjetTypes.reserve(128);
    gLiveries.RotorcraftTypes.reserve(32);
    gf_reserveSharedTypeLists();
    gLiveries.ReservedOnce = true;
}

void gf_clearLiveryIndexes()
{
    gLiveries.LightTypes.clear();
    gLiveries.BuzjetTypes.clear();
    gLiveries.RotorcraftTypes.clear();
    gf_clearRegcodes();
    gf_clearSimilarModels();
    gf_clearPendingTitles();
    gLiveries.TypeLiveryIndex[kPaxIndex].clear();
    gLiveries.TypeLiveryIndex[kCargoIndex].clear();
    gLiveries.AirlineLiveryIndex[kPaxIndex].clear();
    gLiveries.AirlineLiveryIndex[kCargoIndex].clear();
    gLiveries.TitleTable.clear();
    // Last: every view above points into its strings.
    gLiveries.MainLiveryIndex.clear();
}

} // namespace oxl
