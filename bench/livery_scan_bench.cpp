// Livery scan: a generated SimObjects tree of 2,000 aircraft.cfg files with 25 sections each (50,000
// liveries, each with a texture folder of its own) walked with a pool of scan workers on every hardware
// thread; liveries per second of the whole walk, results gathered oldest first, and the CPU time of all
// threads.

#include "foundation/worker_slots.h"
#include "liveries/dbase.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_scan.h"
#include "tests/support/livery_fixtures.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>

namespace
{

using namespace oxl;

constexpr int kPackages = 80;
constexpr int kModelsPerPackage = 25;
constexpr int kSectionsPerFile = 25;

// One generated tree on a drive D: for the whole run.
struct ScanTree
{
    ScanTree() : drive("OXL_DRIVE_D", folder.path().string())
    {
        test::TreeSpec spec;
        spec.packages = kPackages;
        spec.modelsPerPackage = kModelsPerPackage;
        spec.sectionsPerFile = kSectionsPerFile;
        spec.ivaoModels = 0;
        spec.brokenFiles = false;
        for (const test::GeneratedCfg& cfg : test::writeLiveryTree(folder / "AI", spec))
        {
            liveries += cfg.liveries.size();
        }
    }

    test::TempFolder folder;
    test::ScopedEnv drive;
    std::size_t liveries = 0;
};

ScanTree& tree()
{
    static ScanTree instance;
    return instance;
}

void BM_LiveryScanWalk(benchmark::State& state)
{
    const ScanTree& scanTree = tree();
    gLiveries.gDbase = Dbase{};
    gLiveries.gDbase.aircraftTypes = {"A320", "B738"};
    gLiveries.gDbase.largeTypes = {"A320", "B738"};
    gLiveries.gDbase.airlineCodes = {"BAW", "DLH", "SHT", "ZZZ"};
    gf_resetWorkerSlots();
    std::size_t found = 0;
    for (auto _ : state)
    {
        // A new scan for every pass, so every title becomes a livery again.
        state.PauseTiming();
        gf_clearScanContainers();
        gLiveries.ScannedLiveries.clear();
        state.ResumeTiming();
        gf_searchLiveriesInFolder(1, WinPath("D:\\AI"));
        found += gLiveries.ScannedLiveries.size();
    }
    if (found != scanTree.liveries * static_cast<std::size_t>(state.iterations()))
    {
        state.SkipWithError("the walk did not give every livery of the tree");
    }
    gf_clearScanContainers();
    gLiveries.ScannedLiveries.clear();
    state.SetItemsProcessed(static_cast<std::int64_t>(found));
    state.counters["workers"] = static_cast<double>(gFoundation.gWorkerLimit.load());
}
BENCHMARK(BM_LiveryScanWalk)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
