// Aircraft database: time to read a database of 300 000 registrations, and registration queries per
// second against it.

#include "liveries/liveries_state.h"
#include "liveries/registrations.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

constexpr int kRegistrations = 300000;

/// Registrations as the traffic source sends them: mostly dashed European forms, some US numbers, a few
/// short private keys (the in-line regcode candidates).
std::string registrationOf(int i)
{
    const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const auto letter = [&](int n) { return letters[n % 26]; };
    switch (i % 20)
    {
    case 0:
        return fmt::format("N{}", 100 + i / 20);
    case 1:
        return fmt::format("{}{}{}{}", letter(i), letter(i / 26), letter(i / 676), letter(i / 17576));
    default:
        return fmt::format("{}-{}{}{}{}", letter(i), letter(i / 26), letter(i / 676), letter(i / 17576),
                           letter(i / 456976 + i % 7));
    }
}

/// A temporary folder removed with everything in it when the benchmarks end.
struct BenchFolder
{
    fs::path dir;
    ~BenchFolder()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

/// A folder holding dbase.enc with 300 000 registrations, made once by the encryption tool.
const fs::path& benchInputFolder()
{
    static const BenchFolder folder{
        []
        {
            const fs::path dir = fs::temp_directory_path() / fmt::format("oxl_dbase_bench_{}", ::getpid());
            fs::create_directories(dir);
            std::ofstream xml(dir / "plain.xml", std::ios::binary);
            xml << R"(<?xml version="1.0" encoding="UTF-8"?>
<aircrafts><aircraft types="A320,B738,B744,C172,EC35,F16,GLF5"/></aircrafts>
<high_performance><hpf types="F16"/></high_performance><heavy><hvy types="B744"/></heavy>
<large><lar types="A320,B738"/></large><buzjet><bzj types="GLF5"/></buzjet>
<rotorcraft><rot types="EC35"/></rotorcraft><cargo_types><cargo_type types="B744"/></cargo_types>
<ICAO_airlines><ICAO codes="BAW,DLH,EZY"/></ICAO_airlines><cargo_operators><ICAO codes="BOX"/></cargo_operators>
<simaddonsP3D><simaddonP3D arpts="LOWI"/></simaddonsP3D>
<wingspans><wingspan type="A320" meters="35.8"/><wingspan type="B744" meters="64.44"/></wingspans>
<dbase>
)";
            const char* airlines[] = {"BAW", "DLH", "EZY"};
            const char* types[] = {"A320", "B738", "B744"};
            for (int i = 0; i < kRegistrations; ++i)
            {
                xml << fmt::format("<db reg=\"{}\" airl=\"{}\" type=\"{}\"{}/>\n", registrationOf(i),
                                   airlines[i % 3], types[i % 3], i % 3 == 2 ? " cargo=\"true\"" : "");
            }
            xml << "</dbase>\n";
            xml.close();
            const std::string command =
                fmt::format("'{}/oxl_encrypt' '{}' '{}'", OXL_BIN_DIR, (dir / "plain.xml").string(),
                            (dir / "dbase.enc").string());
            if (std::system(command.c_str()) != 0)
            {
                throw std::runtime_error("the encryption tool failed");
            }
            fs::remove(dir / "plain.xml");
            return dir;
        }()};
    return folder.dir;
}

void loadDbase()
{
    static const bool loaded = oxl::gf_readDbase(benchInputFolder());
    benchmark::DoNotOptimize(loaded);
}

void BM_ReadDbase300k(benchmark::State& state)
{
    const fs::path& folder = benchInputFolder();
    for (auto _ : state)
    {
        oxl::gLiveries.gDbase = oxl::Dbase{};
        benchmark::DoNotOptimize(oxl::gf_readDbase(folder));
    }
    state.SetItemsProcessed(state.iterations() * kRegistrations);
    state.counters["registrations"] = static_cast<double>(oxl::gLiveries.gDbase.registrations.size());
}
BENCHMARK(BM_ReadDbase300k)->Unit(benchmark::kMillisecond);

void BM_LookupRegistration(benchmark::State& state)
{
    loadDbase();
    // Half as the traffic source spells them (no dash), a quarter as stored, a quarter unknown.
    std::vector<std::string> queries;
    std::mt19937 random(7);
    for (int i = 0; i < 4096; ++i)
    {
        std::string reg = registrationOf(static_cast<int>(random() % kRegistrations));
        switch (i % 4)
        {
        case 0:
        case 1:
            std::erase(reg, '-');
            break;
        case 2:
            break;
        default:
            reg = "ZZ" + reg;
        }
        queries.push_back(std::move(reg));
    }
    std::size_t next = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(oxl::gf_lookupRegistration(queries[next]));
        next = (next + 1) % queries.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupRegistration);

void BM_FindInlineRegcode(benchmark::State& state)
{
    loadDbase();
    const std::vector<std::string> titles = {
        "British Airways Airbus A320-232 G-EUYA", "Private Cessna 172 Skyhawk " + registrationOf(21),
        "Lufthansa Boeing 747-8 D-ABYA with a long description of its winglets", "FSLTL_B738_RYR"};
    std::size_t next = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(oxl::gf_findInlineRegcode(titles[next]));
        next = (next + 1) % titles.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindInlineRegcode);

} // namespace
