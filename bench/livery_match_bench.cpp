// Livery matching: live matches per second over an index of 50 000 installed liveries, with a mix of
// aircraft that end at every step of the cascade (and a few that find nothing), RANDOM and LOG at their
// defaults as a user runs them.

#include "foundation/config_keys.h"
#include "liveries/dbase.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_indexes.h"
#include "liveries/livery_matching.h"
#include "liveries/regcodes.h"
#include "liveries/similar_models.h"

#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace oxl;

constexpr int kAirlines = 500;
constexpr int kTypes = 60;
constexpr int kLargeTypes = 40; // T000..T039 Large, T040..T049 Heavy, T050..T059 Light
constexpr int kHeavyTypes = 10;
constexpr int kGenericLightTypes = 5; // ZZZ liveries of T050..T054
constexpr int kAircraft = 1000;

std::string typeCode(int t)
{
    return fmt::format("T{:03}", t);
}

// Three letters, as the similar-type tables key airlines.
std::string airlineCode(int a)
{
    return fmt::format("B{}{}", static_cast<char>('A' + a / 26), static_cast<char>('A' + a % 26));
}

// An airline flies two types of every three: the third is found through its similar types.
bool airlineHasType(int a, int t)
{
    return (a + t) % 3 != 0;
}

void installBenchDbase()
{
    gLiveries.gDbase = Dbase{};
    for (int t = 0; t < kTypes; ++t)
    {
        gLiveries.gDbase.aircraftTypes.insert(typeCode(t));
        if (t < kLargeTypes)
            gLiveries.gDbase.largeTypes.insert(typeCode(t));
        else if (t < kLargeTypes + kHeavyTypes)
            gLiveries.gDbase.heavyTypes.insert(typeCode(t));
    }
    for (int t = 0; t + 2 < kTypes; t += 3)
        gLiveries.gDbase.similarGroups.push_back({typeCode(t), typeCode(t + 1), typeCode(t + 2)});
    for (int a = 0; a < kAirlines; ++a)
        gLiveries.gDbase.airlineCodes.insert(airlineCode(a));
}

/// About 50 000 liveries: two or three per (airline, type) the airline flies, every fourth with an ATC
/// id, a tenth cargo, and generic liveries of some light types; sorted as the scanned-list reader leaves
/// them.
std::vector<LiveryData> benchLiveries()
{
    std::vector<LiveryData> list;
    int serial = 0;
    for (int a = 0; a < kAirlines; ++a)
        for (int t = 0; t < kTypes; ++t)
        {
            if (!airlineHasType(a, t))
                continue;
            const int count = 2 + (a * 7 + t) % 2;
            for (int k = 0; k < count; ++k, ++serial)
            {
                LiveryData livery;
                livery.airl = airlineCode(a);
                livery.type = typeCode(t);
                livery.title = fmt::format("AI Traffic {} {} livery {:05}", livery.airl, livery.type, serial);
                livery.atcid = serial % 4 == 0 ? fmt::format("R-{:05}", serial) : std::string();
                livery.cargo = serial % 10 == 0;
                list.push_back(std::move(livery));
            }
        }
    for (int t = kTypes - 10; t < kTypes - 10 + kGenericLightTypes; ++t)
        list.push_back({"ZZZ", typeCode(t), fmt::format("Generic {}", typeCode(t)), "", 0, false});
    std::sort(list.begin(), list.end(),
              [](const LiveryData& a, const LiveryData& b)
              { return std::tie(a.airl, a.type, a.title) < std::tie(b.airl, b.type, b.title); });
    return list;
}

/// Builds every index the match reads; the number of liveries.
std::size_t buildIndexes()
{
    installBenchDbase();
    const std::vector<LiveryData> liveries = benchLiveries();
    gLiveries.ScannedLiveries.assign(liveries.begin(), liveries.end());
    gf_buildMainIndex();
    gf_buildAirlineIndexes();
    gf_processInlineRegcodes();
    gf_buildTypeIndexes();
    gf_buildSimilarModels();
    std::vector<std::string> light;
    for (int t = kTypes - 10; t < kTypes; ++t)
        light.push_back(typeCode(t));
    gf_fillCategoryTypeLists(true, false, false, light);
    gLiveries.ScannedLiveries.clear();
    return liveries.size();
}

AcProfile aircraft(std::string airline, std::string type, std::string registration, int serial)
{
    AcIdent ident;
    ident.airline = std::move(airline);
    ident.type = std::move(type);
    ident.registration = std::move(registration);
    ident.callsign = fmt::format("BM{:04}", serial);
    AcProfile ac(std::move(ident));
    ac.category = gf_aircraftCategory(ac.type);
    ac.cargo = serial % 12 == 0 ? 1 : 0;
    ac.hexid = 0x400000 + static_cast<std::uint32_t>(serial);
    return ac;
}

/// 1000 aircraft: 15 % by registration, 50 % airline and type, 15 % similar type, 10 % private generic,
/// 4 % any airline's type, 3 % a random light type, 3 % no livery at all.
std::vector<AcProfile> benchAircraft()
{
    std::vector<AcProfile> fleet;
    fleet.reserve(kAircraft);
    for (int i = 0; i < kAircraft; ++i)
    {
        const int a = (i * 37) % kAirlines;
        const int slot = i % 100;
        if (slot < 15)
            fleet.push_back(
                aircraft(airlineCode(a), typeCode(i % kLargeTypes), fmt::format("R-{:05}", i * 48), i));
        else if (slot < 65)
        {
            int t = i % kLargeTypes;
            while (!airlineHasType(a, t))
                t = (t + 1) % kLargeTypes;
            fleet.push_back(aircraft(airlineCode(a), typeCode(t), "", i));
        }
        else if (slot < 80)
        {
            int t = i % 39;
            while (airlineHasType(a, t))
                t = (t + 1) % 39;
            fleet.push_back(aircraft(airlineCode(a), typeCode(t), "", i));
        }
        else if (slot < 90)
            fleet.push_back(aircraft("PVT", typeCode(kTypes - 10 + i % kGenericLightTypes), "", i));
        else if (slot < 94)
            fleet.push_back(aircraft("QQQ", typeCode(kTypes - 4 + i % 4), "", i));
        else if (slot < 97)
            fleet.push_back(aircraft("QQQ", "C150", "", i));
        else
            fleet.push_back(aircraft("QQQ", typeCode(kLargeTypes + i % kHeavyTypes), "", i));
    }
    return fleet;
}

void BM_MatchLiveLivery(benchmark::State& state)
{
    const std::size_t liveries = buildIndexes();
    const std::vector<AcProfile> fleet = benchAircraft();
    std::vector<AcProfile> work = fleet;
    std::int64_t matched = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        work = fleet;
        gLiveries.MatchStepCounters.fill(0);
        state.ResumeTiming();
        for (AcProfile& ac : work)
        {
            gf_matchLiveAcLivery(ac);
            matched += ac.livery.empty() ? 0 : 1;
        }
        benchmark::DoNotOptimize(matched);
    }
    for (std::size_t i = 0; i < gLiveries.MatchStepCounters.size(); ++i)
        state.counters[fmt::format("step{}", i + 1)] = gLiveries.MatchStepCounters[i];
    state.counters["liveries"] = static_cast<double>(liveries);
    gf_clearLiveryIndexes();
    state.SetItemsProcessed(state.iterations() * kAircraft);
}
BENCHMARK(BM_MatchLiveLivery)->Unit(benchmark::kMicrosecond);

} // namespace
