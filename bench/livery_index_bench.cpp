// Livery indexes: time to build the main, airline and type indexes of 50 000 installed liveries, and to
// load 30 000 registration codes of the downloaded file against them (in-line codes, decryption, reading
// and merging, report).

#include "foundation/data_key.h"
#include "foundation/encryption.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_indexes.h"
#include "liveries/regcodes.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using namespace oxl;

constexpr int kLiveries = 50000;
constexpr int kRegcodeEntries = 30000;
constexpr int kAirlines = 400;
constexpr int kTypes = 60;

/// 50 000 liveries over 400 airlines and 60 types, a tenth cargo, every third with an ATC id, sorted as
/// the scanned-list reader leaves them.
const std::vector<LiveryData>& benchLiveries()
{
    static const std::vector<LiveryData> liveries = []
    {
        std::vector<LiveryData> list;
        list.reserve(kLiveries);
        for (int i = 0; i < kLiveries; ++i)
        {
            LiveryData livery;
            livery.airl = fmt::format("A{:02}", i % kAirlines);
            livery.type = fmt::format("T{:03}", (i / kAirlines) % kTypes);
            livery.title = fmt::format("AI Traffic {} {} livery number {:05}", livery.airl, livery.type, i);
            livery.atcid = i % 3 == 0 ? fmt::format("R-{:05}", i) : std::string();
            livery.cargo = i % 10 == 0;
            list.push_back(std::move(livery));
        }
        std::sort(list.begin(), list.end(),
                  [](const LiveryData& a, const LiveryData& b)
                  { return std::tie(a.airl, a.type, a.title) < std::tie(b.airl, b.type, b.title); });
        return list;
    }();
    return liveries;
}

void buildIndexes()
{
    gLiveries.ScannedLiveries.assign(benchLiveries().begin(), benchLiveries().end());
    gf_buildMainIndex();
    gf_buildAirlineIndexes();
    gf_buildTypeIndexes();
}

void BM_BuildLiveryIndexes(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        gf_clearLiveryIndexes();
        state.ResumeTiming();
        buildIndexes();
        benchmark::DoNotOptimize(gLiveries.TypeLiveryIndex[kPaxIndex].size());
    }
    gf_clearLiveryIndexes();
    gLiveries.ScannedLiveries.clear();
    state.SetItemsProcessed(state.iterations() * kLiveries);
}
BENCHMARK(BM_BuildLiveryIndexes)->Unit(benchmark::kMillisecond);

/// A working folder whose input/AIG-regcodes.enc holds 30 000 entries, each naming an installed title.
void writeRegcodeInput(const fs::path& work)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AIG-regcodes>\n";
    const std::vector<LiveryData>& liveries = benchLiveries();
    for (int i = 0; i < kRegcodeEntries; ++i)
    {
        const LiveryData& livery = liveries[static_cast<std::size_t>(i) * liveries.size() / kRegcodeEntries];
        xml += fmt::format("  <livery title=\"{}\" reg=\"G-{:05},N{:05}\" special=\"{}\"/>\n", livery.title,
                           i, i, i % 50 == 0 ? "true" : "false");
    }
    xml += "</AIG-regcodes>\n";
    fs::create_directories(work / "input");
    test::writeBytes(work / "regcodes.xml", xml);
    gf_encryptStream(kDataFileKey, work / "regcodes.xml", work / "input" / "AIG-regcodes.enc");
}

void BM_ProcessRegcodes(benchmark::State& state)
{
    const test::TempFolder work;
    writeRegcodeInput(work.path());
    const test::ScopedCurrentPath current(work.path());
    buildIndexes();
    for (auto _ : state)
    {
        gf_clearRegcodes();
        gf_processInlineRegcodes();
        gf_processOfflineRegcodes();
        benchmark::DoNotOptimize(gLiveries.RegcodeMap.size());
    }
    state.counters["regcodes"] = static_cast<double>(gLiveries.RegcodeMap.size());
    gf_clearLiveryIndexes();
    gLiveries.ScannedLiveries.clear();
    state.SetItemsProcessed(state.iterations() * kRegcodeEntries);
}
BENCHMARK(BM_ProcessRegcodes)->Unit(benchmark::kMillisecond);

} // namespace
