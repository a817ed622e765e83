// A traffic-line parser of its own for tests that feed it whole recordings or single datagrams: its
// filter (range, park airport, reference elevation), callsign collection and an accepting adding stack.
#pragma once

#include "foundation/geodesy.h"
#include "traffic/source/adding_stack.h"
#include "traffic/source/traffic_filter.h"
#include "traffic/source/traffic_parser.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace oxl::test
{

/// The parser with everything it reads and fills.
struct ParserRig
{
    /// Range of radiusNm around rangeCentre; park airport at parkAirport with its elevation [ft].
    ParserRig(double radiusNm, LatLon rangeCentre, LatLon parkAirport, double elevationFt);

    /// Every line pushed so far, taken off the stack.
    std::vector<TrafficLine> taken();

    std::atomic<double> radius;
    TrafficFilter filter{radius};
    CallsignCollector callsigns;
    AddingStack stack;
    std::atomic<std::int32_t> tick{0};
    std::atomic<double> lastTimestamp{0.0};
    TrafficLineParser parser{filter, callsigns, stack, tick, lastTimestamp};
};

} // namespace oxl::test
