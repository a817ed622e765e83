// Livery scan readers: aircraft.cfg files (25 sections each, every charset and line end) parsed per
// second on one core, with the model, texture and flight-model existence tests of every section.

#include "foundation/worker_slots.h"
#include "liveries/aircraft_cfg.h"
#include "liveries/cfg_lines.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "tests/support/livery_fixtures.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace oxl;

constexpr int kSectionsPerFile = 25;

// One generated tree on a drive D: for the whole run.
struct CfgTree
{
    CfgTree() : drive("OXL_DRIVE_D", folder.path().string())
    {
        gLiveries.gDbase = Dbase{};
        gLiveries.gDbase.aircraftTypes = {"A320", "B738"};
        gLiveries.gDbase.largeTypes = {"A320", "B738"};
        gLiveries.gDbase.airlineCodes = {"BAW", "DLH", "SHT", "ZZZ"};
        test::TreeSpec spec;
        spec.packages = 8;
        spec.modelsPerPackage = 5;
        spec.sectionsPerFile = kSectionsPerFile;
        spec.ivaoModels = 0;
        spec.brokenFiles = false;
        for (const test::GeneratedCfg& cfg : test::writeLiveryTree(folder.path(), spec))
        {
            files.emplace_back("D:\\" + cfg.windowsRelative);
        }
    }

    test::TempFolder folder;
    test::ScopedEnv drive;
    std::vector<WinPath> files;
};

CfgTree& tree()
{
    static CfgTree instance;
    return instance;
}

void BM_AircraftCfgFiles(benchmark::State& state)
{
    const std::vector<WinPath>& files = tree().files;
    std::size_t liveries = 0;
    for (auto _ : state)
    {
        // A new scan for every pass, so every section becomes a record again.
        gf_clearScanContainers();
        for (const WinPath& file : files)
        {
            gFoundation.gRunningWorkers.fetch_add(1);
            liveries += gf_searchLiveriesinFile(1, file).size();
        }
    }
    if (liveries != files.size() * kSectionsPerFile * static_cast<std::size_t>(state.iterations()))
    {
        state.SkipWithError("the generated tree did not give every livery");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
    state.counters["sections/s"] =
        benchmark::Counter(static_cast<double>(liveries), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AircraftCfgFiles)->Unit(benchmark::kMillisecond);

void BM_KeyLineMatch(benchmark::State& state)
{
    const std::vector<std::string> lines = {"title=Boeing 737-800 British Airways G-EUPA",
                                            "  atc_parking_codes = BAW",
                                            "texture=BAW",
                                            "ui_variation=British Airways",
                                            "[fltsim.12]",
                                            "atc_id=G-EUPA ;reg"};
    std::size_t found = 0;
    for (auto _ : state)
    {
        for (const std::string& line : lines)
        {
            found += gf_regexValue(line, "title").size() + gf_fltSimNumber(line).size();
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(BM_KeyLineMatch);

} // namespace
