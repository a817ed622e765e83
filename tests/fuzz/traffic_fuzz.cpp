// Harnesses of what the traffic source sends: traffic lines, QNH datagrams and the version reply.
#include "foundation/units.h"
#include "tests/fuzz/fuzz_driver.h"

#include "foundation/run_state.h"
#include "traffic/source/source_link.h"
#include "traffic/source/traffic_display.h"
#include "traffic/source/traffic_parser.h"
#include "traffic/source/udp_readers.h"

#include <cmath>

namespace oxl::fuzz
{
namespace
{

bool finite(double value)
{
    return std::isfinite(value);
}

void checkLine(const TrafficLine& line)
{
    const char* h = "traffic_line";
    const Report& r = line.report;
    OXL_FUZZ_CHECK(finite(r.lat) && r.lat >= -90.0 && r.lat <= 90.0, h, "latitude off the globe");
    OXL_FUZZ_CHECK(finite(r.lon) && r.lon >= -180.0 && r.lon <= 180.0, h, "longitude off the globe");
    OXL_FUZZ_CHECK(finite(r.alt) && r.alt >= 0.0, h, "altitude");
    OXL_FUZZ_CHECK(finite(r.gs) && finite(r.track) && finite(r.vs) && finite(r.tas), h, "speeds and track");
    OXL_FUZZ_CHECK(finite(line.timestamp), h, "time stamp");
    OXL_FUZZ_CHECK(line.hexid > 10000, h, "hexid not above the static range");
    OXL_FUZZ_CHECK(r.airborne == (r.alt > 0.0 ? 1 : 0), h, "airborne flag disagrees with the altitude");
    if (r.roll)
        OXL_FUZZ_CHECK(finite(*r.roll), h, "roll");
    if (r.trueHeading)
        OXL_FUZZ_CHECK(*r.trueHeading > 0.0 && *r.trueHeading <= kTwoPi, h, "true heading outside (0, 2 pi]");
}

} // namespace

// One byte picks the range radius (0 lets nothing pass the range test, 255 nearly everything), the rest
// is the datagram.
OXL_FUZZ_TARGET(traffic_line)
{
    Input in(input);
    std::atomic<double> radius{in.take<std::uint8_t>() * 50.0};
    TrafficFilter filter{radius};
    filter.setRangeReference(19.43, -99.13);
    filter.setParkAirport(true, 19.4361, -99.0719);
    filter.setReferenceElevation(7316.0);
    CallsignCollector callsigns;
    callsigns.start();
    AddingStack stack;
    stack.setAccept(true);
    std::atomic<std::int32_t> tick{1000};
    std::atomic<double> lastTimestamp{0.0};
    TrafficLineParser parser(filter, callsigns, stack, tick, lastTimestamp);
    const LineOutcome outcome = parser.handleDatagram(asText(in.rest()));
    std::size_t count = 0;
    stack.takeUpTo(100,
                   [&](TrafficLine& line)
                   {
                       checkLine(line);
                       ++count;
                   });
    OXL_FUZZ_CHECK(count == (outcome == LineOutcome::pushed ? 1u : 0u), "traffic_line",
                   "pushed lines disagree with the outcome");
    OXL_FUZZ_CHECK(finite(lastTimestamp.load()), "traffic_line", "last time stamp");
}

namespace
{

// The QNH Reader's handling is protected: a reader whose datagrams the harness hands in.
struct QnhHarness
{
    std::atomic<double> radius{0.0};
    TrafficFilter filter{radius};
    CallsignCollector callsigns;
    AddingStack stack;
    std::atomic<std::int32_t> tick{0};
    std::atomic<double> lastTimestamp{0.0};
    TrafficDisplay display;
    TrafficReader traffic{filter, callsigns, stack, tick, lastTimestamp, display};
    QnhReader qnh{traffic, display};
};

} // namespace

OXL_FUZZ_TARGET(qnh_datagram)
{
    static QnhHarness harness;
    harness.traffic.resetState();
    harness.qnh.resetState();
    harness.qnh.handleDatagram(asText(input));
    const std::int32_t value = harness.qnh.lastQnh.load();
    OXL_FUZZ_CHECK(value >= 930 && value <= 1080, "qnh_datagram", "published QNH out of range");
    OXL_FUZZ_CHECK(harness.traffic.qnh.load() == value, "qnh_datagram", "readers disagree on the QNH");
}

OXL_FUZZ_TARGET(version_reply)
{
    TrafficDisplay display;
    SourceLink link(display);
    link.gf_processRtVersion(asText(input));
    const auto level = gFoundation.gProfessionalLevel.load();
    OXL_FUZZ_CHECK(level == 0 || level == 1, "version_reply", "professional level");
    const std::string status = display.sourceStatus();
    OXL_FUZZ_CHECK(status.empty() || status.starts_with("RT prof edition: ") ||
                       status.starts_with("RT stnd edition: "),
                   "version_reply", "edition text");
}

} // namespace oxl::fuzz
