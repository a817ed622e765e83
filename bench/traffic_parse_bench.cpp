// Traffic lines parsed per second on one core: a line that is pushed, one parsed completely and
// discarded, one outside the range, one of an aircraft already known beyond the range (looked up among
// a thousand), and one with a bad field (logged).
#include "traffic/source/traffic_parser.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace oxl
{
namespace
{

const std::string kAccepted = "0,4000123,51.5200,-0.2600,3500,-640,0,270,180,TST123,A320,G-TEST,EGPH,EGLL,"
                              "1700000000.5,0,0,adsb_icao,0,0,-1,0,0,5,0,270,0,0,A3";
const std::string kOutOfRange = "0,4000123,53.5200,-0.2600,3500,-640,0,270,180,TST123,A320,G-TEST,EGPH,EGLL,"
                                "1700000000.5,0,0,adsb_icao,0,0,-1,0,0,5,0,270,0,0,A3";
const std::string kBeyondRangeKnown =
    "0,4000123,52.2200,-0.2600,3500,-640,0,270,180,TST123,A320,G-TEST,EGPH,EGLL,"
    "1700000000.5,0,0,adsb_icao,0,0,-1,0,0,5,0,270,0,0,A3";
const std::string kBadSpeed = "0,4000123,51.5200,-0.2600,3500,-640,0,270,abc,TST123,A320,G-TEST,EGPH,EGLL,"
                              "1700000000.5,0,0,adsb_icao,0,0,-1,0,0,5,0,270,0,0,A3";

struct Bench
{
    Bench(bool accept) : parser(filter, callsigns, stack, tick, lastTimestamp)
    {
        filter.setRangeReference(51.5, -0.25);
        radius.store(40.0);
        stack.setAccept(accept);
        std::vector<std::uint32_t> known;
        for (std::uint32_t hexid = 4000000; hexid < 4001000; ++hexid)
            known.push_back(hexid);
        filter.exchangeKnownHexids(known);
    }
    std::atomic<double> radius{0.0};
    TrafficFilter filter{radius};
    CallsignCollector callsigns;
    AddingStack stack;
    std::atomic<std::int32_t> tick{0};
    std::atomic<double> lastTimestamp{0.0};
    TrafficLineParser parser;
};

void run(benchmark::State& state, const std::string& line, bool accept)
{
    Bench bench(accept);
    std::size_t n = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(bench.parser.handleDatagram(line));
        // The main loop takes the lines; here they are dropped in batches so the stack stays small.
        if (++n % 4096 == 0)
            bench.stack.takeUpTo(4096, [](TrafficLine&) {});
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_TrafficLinePushed(benchmark::State& state)
{
    run(state, kAccepted, true);
}
void BM_TrafficLineParsedDiscarded(benchmark::State& state)
{
    run(state, kAccepted, false);
}
void BM_TrafficLineOutOfRange(benchmark::State& state)
{
    run(state, kOutOfRange, true);
}
void BM_TrafficLineBeyondRangeKnown(benchmark::State& state)
{
    run(state, kBeyondRangeKnown, true);
}
void BM_TrafficLineBadField(benchmark::State& state)
{
    run(state, kBadSpeed, true);
}

BENCHMARK(BM_TrafficLinePushed);
BENCHMARK(BM_TrafficLineParsedDiscarded);
BENCHMARK(BM_TrafficLineOutOfRange);
BENCHMARK(BM_TrafficLineBeyondRangeKnown);
BENCHMARK(BM_TrafficLineBadField);

} // namespace
} // namespace oxl
