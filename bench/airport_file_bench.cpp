// Reading a large park airport's file: 1000 stands with 20 options each, neighbours included.
#include "airports/airport_file.h"
#include "airports/airport_reading.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <string>

namespace oxl
{
namespace
{

constexpr std::size_t kStands = 1000;
constexpr std::size_t kOptionsPerStand = 20;
constexpr LatLon kCentre{52.31, 4.76};

/// 1000 stands on a 40 × 25 grid 50 m apart, of five sizes, each with 20 options over the week.
ScannedAirport largeAirport()
{
    ScannedAirport airport;
    airport.name = "Large";
    airport.publisher = "stock";
    airport.altitudeFt = -11;
    for (std::size_t i = 0; i < kStands; ++i)
    {
        const LatLon row =
            gf_destinationPoint(kCentre, 0.0, metresToFeet(static_cast<double>(i / 40) * 50.0));
        const LatLon p =
            gf_destinationPoint(row, kTwoPi / 4.0, metresToFeet(static_cast<double>(i % 40) * 50.0));
        Stand stand(fmt::format("S{}", i), 0, p.lat, p.lon, 1.0, 12.0 + 6.0 * static_cast<double>(i % 5));
        for (std::size_t k = 0; k < kOptionsPerStand; ++k)
        {
            StandOccupancy option;
            option.airline = k % 2 == 0 ? "KLM" : "DLH";
            option.type = "B738";
            option.registration = fmt::format("PH-{}", i * kOptionsPerStand + k);
            option.callsign = fmt::format("{}{}", option.airline, 100 + i * kOptionsPerStand + k);
            option.weekday = static_cast<std::uint32_t>(1 + k % 7);
            option.kind = k % 3 == 0 ? StandOptionKind::soft : StandOptionKind::real;
            option.halfHours.set((i + 7 * k) % 48).set((i + 7 * k + 1) % 48);
            option.id = static_cast<std::uint32_t>(k + 1);
            stand.options.push_back(std::move(option));
        }
        airport.stands.push_back(std::move(stand));
    }
    return airport;
}

void BM_ReadLargeAirportFile(benchmark::State& state)
{
    test::TempFolder program;
    test::ScopedCurrentPath cwd(program.path());
    std::filesystem::create_directories(kMyOrbxFolder);
    const std::string path = gf_airportXmlName(kMyOrbxFolder, "EHAM").generic_string();
    // A hand-made learned file carries every stand in full with its options and the altitude.
    if (!gf_writeApf(largeAirport(), path, ApfMode::learned, true))
    {
        state.SkipWithError("the airport file could not be written");
        return;
    }
    ParkingState parking;
    for (auto _ : state)
    {
        parking.stands.clear();
        parking.parkAirport.code = "EHAM";
        ParkFileInfo info;
        QualityPair quality;
        benchmark::DoNotOptimize(gf_readApf(parking, path, info, quality));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kStands));
}
BENCHMARK(BM_ReadLargeAirportFile)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace oxl
