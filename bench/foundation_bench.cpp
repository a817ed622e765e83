// Rates of the foundation functions on the hot paths: geodesy per aircraft and tick, charset detection
// and text reading per scanned file, half-hour lists per stand option, log lines.
#include "foundation/geodesy.h"
#include "foundation/half_hours.h"
#include "foundation/log.h"
#include "foundation/text_files.h"
#include "foundation/utf.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <random>

namespace
{
namespace fs = std::filesystem;
using namespace oxl;

// A scratch folder of this process, removed at exit.
struct Scratch
{
    fs::path folder = fs::temp_directory_path() / ("oxl-bench-" + std::to_string(std::random_device{}()));
    Scratch() { fs::create_directories(folder); }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const Scratch& scratch()
{
    static const Scratch s;
    return s;
}

fs::path writeFile(const std::string& name, const std::string& bytes)
{
    const fs::path file = scratch().folder / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

// About 64 KiB of aircraft.cfg-like lines, as UTF-8.
std::string cfgText()
{
    std::string text;
    for (int i = 0; text.size() < 64 * 1024; ++i)
    {
        text += "[fltsim." + std::to_string(i) + "]\r\ntitle=Airbus A320 Z\xC3\xBCrich " + std::to_string(i) +
                "\r\natc_parking_codes=SWR,EDW\r\n";
    }
    return text;
}

std::string asUtf16Le(const std::string& utf8)
{
    const std::u16string units = gf_utf8ToUtf16(utf8);
    std::string bytes = "\xFF\xFE";
    for (char16_t u : units)
    {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

void BM_DistanceNm(benchmark::State& state)
{
    LatLon a{47.4647, 8.5492};
    const LatLon b{51.4700, -0.4543};
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(gf_distanceNm(a, b));
        a.lon += 1e-9;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DistanceNm);

void BM_DestinationPoint(benchmark::State& state)
{
    LatLon a{47.4647, 8.5492};
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(gf_destinationPoint(a, 1.2, 1852.0));
        a.lat += 1e-9;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DestinationPoint);

void BM_DetectCharset(benchmark::State& state)
{
    const fs::path file = writeFile("detect.cfg", cfgText());
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(gf_detectCharset(file));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DetectCharset);

void BM_ReadTextFile(benchmark::State& state)
{
    const std::string text = cfgText();
    const std::string bytes = state.range(0) == 0 ? text : asUtf16Le(text);
    const fs::path file = writeFile(state.range(0) == 0 ? "read8.cfg" : "read16.cfg", bytes);
    for (auto _ : state)
    {
        std::vector<std::string> lines;
        benchmark::DoNotOptimize(gf_readExtTextFileToStringVector(file, lines));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadTextFile)->Arg(0)->Arg(16);

void BM_Utf16ToUtf8(benchmark::State& state)
{
    const std::u16string units = gf_utf8ToUtf16(cfgText());
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(gf_utf16ToUtf8(units));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(units.size() * 2));
}
BENCHMARK(BM_Utf16ToUtf8);

void BM_Hours2Bitset(benchmark::State& state)
{
    std::string list;
    for (int i = 0; i < 48; ++i)
    {
        list += fmt::format("{}{}", i ? "," : "", i);
    }
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(gf_hours2bitset(list));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Hours2Bitset);

void BM_LogLine(benchmark::State& state)
{
    if (state.thread_index() == 0)
    {
        gf_openLog(scratch().folder / "Log.txt");
    }
    for (auto _ : state)
    {
        gf_log("DLH123  : A320     parked at stand 42");
    }
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0)
    {
        gf_closeLog();
    }
}
BENCHMARK(BM_LogLine)->Threads(1)->Threads(8);

} // namespace
