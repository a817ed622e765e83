#include "tests/support/parser_rig.h"

#include <utility>

namespace oxl::test
{

ParserRig::ParserRig(double radiusNm, LatLon rangeCentre, LatLon parkAirport, double elevationFt)
    : radius(radiusNm)
{
    filter.setRangeReference(rangeCentre.lat, rangeCentre.lon);
    filter.setParkAirport(true, parkAirport.lat, parkAirport.lon);
    filter.setReferenceElevation(elevationFt);
    stack.setAccept(true);
}

std::vector<TrafficLine> ParserRig::taken()
{
    std::vector<TrafficLine> lines;
    stack.takeUpTo(1000000, [&](TrafficLine& line) { lines.push_back(std::move(line)); });
    return lines;
}

} // namespace oxl::test
