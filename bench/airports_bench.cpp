// Stand searches on a large airport and closest-airport queries over the shipped airport list.
#include "airports/airport_list.h"
#include "airports/free_stands.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <string>

namespace oxl
{
namespace
{

constexpr std::size_t kStands = 500;
constexpr std::size_t kOptionsPerStand = 20;
constexpr LatLon kCentre{52.31, 4.76};

/// 500 stands on a 25 × 20 grid 60 m apart, of five sizes, a tenth of them ramp and cargo stands, each
/// with 20 options spread over the week.
void makeAirport(ParkingState& state)
{
    std::vector<Stand> stands;
    stands.reserve(kStands);
    for (std::size_t i = 0; i < kStands; ++i)
    {
        const LatLon row = gf_destinationPoint(kCentre, 0.0, metresToFeet((i / 25) * 60.0));
        const LatLon p = gf_destinationPoint(row, kTwoPi / 4.0, metresToFeet((i % 25) * 60.0));
        Stand s(fmt::format("S{}", i), static_cast<std::uint32_t>(i + 1), p.lat, p.lon, 0.0,
                12.0 + 6.0 * (i % 5));
        s.ramp = i % 10 == 3 ? 1 : 0;
        s.cargo = i % 10 == 7 ? 1 : 0;
        for (std::size_t k = 0; k < kOptionsPerStand; ++k)
        {
            StandOccupancy o;
            o.airline = k % 2 == 0 ? "KLM" : "DLH";
            o.type = "B738";
            o.callsign = fmt::format("{}{}", o.airline, 100 + i * kOptionsPerStand + k);
            o.id = static_cast<std::uint32_t>(k + 1);
            o.weekday = static_cast<std::uint32_t>(1 + k % 7);
            o.kind = StandOptionKind::real;
            o.halfHours.set((i + 7 * k) % 48);
            s.options.push_back(o);
        }
        stands.push_back(std::move(s));
    }
    state.setStands(std::move(stands));
}

AcProfile airliner()
{
    AcProfile ac;
    ac.radius = metresToNm(18.0);
    ac.category = AcCategory::Large;
    ac.airline = "TRA";
    ac.type = "B738";
    ac.callsign = "TRA6543";
    return ac;
}

void BM_NearestFreeStand(benchmark::State& bench)
{
    ParkingState state;
    makeAirport(state);
    const AcProfile ac = airliner();
    std::size_t i = 0;
    for (auto _ : bench)
    {
        const Stand& target = state.stands[(i++ * 37) % kStands];
        benchmark::DoNotOptimize(
            gf_nearestFreeStand(state, target.latitude, target.longitude, ac, metresToNm(55.0), true));
    }
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations()));
}
BENCHMARK(BM_NearestFreeStand);

void BM_SearchFittingStands(benchmark::State& bench)
{
    ParkingState state;
    makeAirport(state);
    const AcProfile ac = airliner();
    std::uint32_t slot = 0;
    for (auto _ : bench)
    {
        const DayHalfHour time{1 + (slot / 48) % 7, slot % 48};
        ++slot;
        benchmark::DoNotOptimize(gf_searchFittingStands(state, time, ac, true));
    }
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations()));
}
BENCHMARK(BM_SearchFittingStands);

/// Runs a query of the shipped list at positions near airports picked across it.
template <typename Query> void runNearAirports(benchmark::State& bench, Query query)
{
    AirportList list;
    list.read(std::filesystem::path(OXL_SOURCE_DIR) / "data" / "airports_p3d.xml");
    const std::vector<Airport>& airports = list.airports();
    std::size_t i = 0;
    for (auto _ : bench)
    {
        benchmark::DoNotOptimize(query(list, airports[(i++ * 7919) % airports.size()]));
    }
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations()));
    bench.counters["airports"] = static_cast<double>(airports.size());
}

// The user aircraft 0.6 nm north of an airport.
void BM_ClosestAirport(benchmark::State& bench)
{
    runNearAirports(bench, [](const AirportList& list, const Airport& a)
                    { return list.closest(a.latitude + 0.01, a.longitude); });
}
BENCHMARK(BM_ClosestAirport);

// The ground elevation an airborne aircraft asks for once a second: the nearest airport within 10 nm.
void BM_NearestAirport(benchmark::State& bench)
{
    runNearAirports(bench, [](const AirportList& list, const Airport& a)
                    { return list.nearest(a.latitude + 0.05, a.longitude - 0.05, 10.0); });
}
BENCHMARK(BM_NearestAirport);

void BM_ReadAirportList(benchmark::State& bench)
{
    const auto file = std::filesystem::path(OXL_SOURCE_DIR) / "data" / "airports_p3d.xml";
    std::size_t count = 0;
    for (auto _ : bench)
    {
        AirportList list;
        list.read(file);
        count = list.airports().size();
    }
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations() * count));
}
BENCHMARK(BM_ReadAirportList)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace oxl
