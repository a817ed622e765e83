// The airport scan's walk over a large scenery library: files examined per second over a tree of BGL
// files of which one in a hundred holds an airport, each airport decoded on a worker of its own. The
// decode is the worker's bare start and end, so the figure is the scan's own cost per file.
#include "airports/airport_scan.h"
#include "foundation/cycle_values.h"
#include "foundation/worker_slots.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <string>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;

constexpr int kSceneries = 100;
constexpr int kFilesPerScenery = 100; // one of them an airport

void lf_writeLibrary(const fs::path& root)
{
    for (int s = 0; s < kSceneries; ++s)
    {
        const fs::path scenery = root / fmt::format("Scenery {:03}", s) / "scenery";
        for (int f = 0; f < kFilesPerScenery; ++f)
        {
            const bool airport = f == 0;
            test::writeBytes(scenery / fmt::format("{}{:03}.bgl", airport ? "AP" : "OBJ", f),
                             airport ? "A" : "O");
        }
        test::writeBytes(scenery / "texture" / "ground.dds", "T");
    }
}

void BM_AirportScanWalk(benchmark::State& state)
{
    test::TempFolder root;
    lf_writeLibrary(root.path());
    gf_resetWorkerSlots();
    // Without a stock folder every path would count as stock scenery and nothing would be walked.
    gf_setStockAirportsPath(WinPath("C:\\P3D v5\\Scenery"));
    // Every "AP" file counts as an airport; its decode only releases its slot.
    class WalkPort final : public NoAirportScanPort
    {
      public:
        [[nodiscard]] bool hasAirportSection(const fs::path& file) override
        {
            return file.filename().string().rfind("AP", 0) == 0;
        }
    };
    WalkPort port;
    gf_installAirportScanPort(&port);
    const WinPath folder(root.path().string());
    for (auto _ : state)
        gf_scanFolderForBgl(folder);
    gf_installAirportScanPort(nullptr);
    state.SetItemsProcessed(state.iterations() * kSceneries * (kFilesPerScenery + 1));
}
BENCHMARK(BM_AirportScanWalk)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace oxl
