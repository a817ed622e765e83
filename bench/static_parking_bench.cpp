// The full static parking calculation on a large park airport: 500 stands with 50 learned options each,
// 150 static aircraft wanted.
#include "airports/static_selection.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <random>
#include <string>

namespace oxl
{
namespace
{

constexpr std::size_t kStands = 500;
constexpr std::size_t kOptionsPerStand = 50;
constexpr LatLon kCentre{52.31, 4.76};

/// 500 stands on a 25 × 20 grid 60 m apart, neighbours in a row adjacent, each with 50 options of
/// blocks of 1 to 8 half-hours on random weekdays, a quarter of them soft.
void makeAirport(ParkingState& state)
{
    std::mt19937 random(7);
    std::vector<Stand> stands;
    stands.reserve(kStands);
    for (std::size_t i = 0; i < kStands; ++i)
    {
        const LatLon row =
            gf_destinationPoint(kCentre, 0.0, metresToFeet(static_cast<double>(i / 25) * 60.0));
        const LatLon p =
            gf_destinationPoint(row, kTwoPi / 4.0, metresToFeet(static_cast<double>(i % 25) * 60.0));
        Stand s("S" + std::to_string(i), static_cast<std::uint32_t>(i + 1), p.lat, p.lon, 0.0, 24.0);
        if (i % 25 != 0 && i % 3 == 0)
            s.adjacent.push_back(static_cast<std::uint32_t>(i));
        for (std::size_t k = 0; k < kOptionsPerStand; ++k)
        {
            StandOccupancy o;
            o.airline = k % 2 == 0 ? "KLM" : "DLH";
            o.type = k % 3 == 0 ? "A320" : "B738";
            o.callsign = fmt::format("{}{}", o.airline, 100 + i * kOptionsPerStand + k);
            o.coupledCallsign = k % 4 == 0 ? fmt::format("{}{}X", o.airline, i * kOptionsPerStand + k) : "";
            o.registration = fmt::format("PH-{}", i * kOptionsPerStand + k);
            o.id = static_cast<std::uint32_t>(k + 1);
            o.weekday = 1 + random() % 7;
            o.kind = random() % 4 == 0 ? StandOptionKind::soft : StandOptionKind::real;
            const std::uint32_t first = random() % 48;
            const std::uint32_t length = 1 + random() % 8;
            for (std::uint32_t h = first; h < first + length && h < 48; ++h)
                o.halfHours.set(h);
            s.options.push_back(o);
        }
        stands.push_back(std::move(s));
    }
    state.setStands(std::move(stands));
}

void BM_CalcStaticParking(benchmark::State& bench)
{
    ParkingState state;
    makeAirport(state);
    parking_percentage.set(30);
    MAX_PARK_SEL.set(500);
    RANDOM.set(true);
    for (auto _ : bench)
    {
        bench.PauseTiming();
        // Options disabled by one calculation are offered again, as a renewal would.
        for (Stand& s : state.stands)
        {
            std::uint32_t id = 0;
            for (StandOccupancy& o : s.options)
                o.id = ++id;
        }
        bench.ResumeTiming();
        gf_calcStaticParking(state);
        benchmark::DoNotOptimize(state.staticParked.data());
    }
    bench.counters["planned"] = static_cast<double>(state.staticParked.size());
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_CalcStaticParking)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace oxl
