// Decode rate of synthetic airport BGL files (no files written for their airports) and the quick test
// that the airport scan runs on every BGL file.
#include "airports/bgl_decoding.h"
#include "tests/support/bgl_writer.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <string>
#include <vector>

namespace oxl
{
namespace
{

constexpr std::uint32_t kAirports = 40;
constexpr std::uint32_t kStandsPerAirport = 250;
constexpr std::uint32_t kFillersPerAirport = 400;

/// 40 airports of 250 stands and 4 helipads each, with 400 sub-records that the decoder steps over.
std::string airportFileBytes()
{
    std::vector<test::BglAirport> airports;
    for (std::uint32_t a = 0; a < kAirports; ++a)
    {
        const std::string ident{'E', 'H', static_cast<char>('A' + a / 26), static_cast<char>('A' + a % 26)};
        test::BglAirport ap(ident);
        ap.name("Synthetic field " + ident).altitudeMm(12000).filler(kFillersPerAirport);
        for (std::uint32_t h = 0; h < 4; ++h)
        {
            ap.helipad({52.0 + 0.01 * a, 4.0 + 0.001 * h, 25.0, 90.0});
        }
        std::vector<test::BglParkingEntry> entries;
        for (std::uint32_t n = 0; n < kStandsPerAirport; ++n)
        {
            test::BglParkingEntry e;
            e.nameIndex = 12 + n % 26;
            e.number = 1 + n / 26;
            e.type = 1 + n % 11;
            e.lat = 52.0 + 0.01 * a + 0.00001 * n;
            e.airlineCodes.assign(n % 3, 0x4B4C4D00);
            entries.push_back(e);
        }
        airports.push_back(ap.parking(entries));
    }
    return test::BglFile().airports(airports).bytes();
}

void BM_DecodeAirportBgl(benchmark::State& bench)
{
    const test::TempFolder folder;
    const auto file = folder / "AP_SYNTH.bgl";
    const std::string bytes = airportFileBytes();
    test::writeBytes(file, bytes);
    std::size_t stands = 0;
    BglAirportSteps steps;
    steps.link = [](ScannedAirport&, std::uint32_t&, const std::string&) { return false; };
    steps.generate = [&stands](ScannedAirport& airport) { stands += airport.stands.size(); };
    for (auto _ : bench)
    {
        gf_processBGLfile(file, steps);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * bytes.size()));
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations() * kAirports));
    bench.counters["stands"] = static_cast<double>(stands) / static_cast<double>(bench.iterations());
}
BENCHMARK(BM_DecodeAirportBgl)->Unit(benchmark::kMillisecond);

// 18,000 airports of one stand each: the decode of a file of many small records stays linear in its size.
void BM_DecodeManySmallAirports(benchmark::State& bench)
{
    constexpr std::uint32_t kSmallAirports = 18000;
    std::vector<test::BglAirport> airports;
    airports.reserve(kSmallAirports);
    for (std::uint32_t a = 0; a < kSmallAirports; ++a)
    {
        const std::string ident{'K', static_cast<char>('A' + a / 676 % 26),
                                static_cast<char>('A' + a / 26 % 26), static_cast<char>('A' + a % 26)};
        test::BglParkingEntry e;
        e.nameIndex = 12;
        e.number = 1;
        e.lat = 40.0 + 0.0001 * a;
        airports.push_back(test::BglAirport(ident).name("Field " + ident).parking({e}));
    }
    const test::TempFolder folder;
    const auto file = folder / "AP_SMALL.bgl";
    test::writeBytes(file, test::BglFile().airports(airports).bytes());
    std::size_t decoded = 0;
    BglAirportSteps steps;
    steps.link = [](ScannedAirport&, std::uint32_t&, const std::string&) { return false; };
    steps.generate = [&decoded](ScannedAirport&) { ++decoded; };
    for (auto _ : bench)
    {
        gf_processBGLfile(file, steps);
    }
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations() * kSmallAirports));
    bench.counters["airports"] = static_cast<double>(decoded) / static_cast<double>(bench.iterations());
}
BENCHMARK(BM_DecodeManySmallAirports)->Unit(benchmark::kMillisecond);

void BM_BglQuickTest(benchmark::State& bench)
{
    const test::TempFolder folder;
    constexpr int kFiles = 200;
    test::BglSection terrain;
    terrain.type = 0x65;
    terrain.records.push_back(test::BglRecord::make(0x77, std::string(4090, '\0')));
    for (int i = 0; i < kFiles; ++i)
    {
        test::BglFile().section(terrain).write(folder / fmt::format("T{}.bgl", i));
    }
    std::int64_t hits = 0;
    for (auto _ : bench)
    {
        for (int i = 0; i < kFiles; ++i)
        {
            hits += gf_bglHasAirportSection(folder / fmt::format("T{}.bgl", i)) ? 1 : 0;
        }
    }
    benchmark::DoNotOptimize(hits);
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations() * kFiles));
}
BENCHMARK(BM_BglQuickTest);

} // namespace
} // namespace oxl
