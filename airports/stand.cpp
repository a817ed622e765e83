// Stands and the fit tests of the parking code.
#include "airports/stand.h"

#include "foundation/units.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace oxl
{

Stand::Stand(std::string standName, std::uint32_t id, double lat, double lon, double headingRad,
             double radiusM)
    : name(std::move(standName)), latitude(lat), longitude(lon), heading(headingRad),
      radius(metresToNm(radiusM)), standId(id)
{
    adjacent.reserve(8);
}

double gf_sizeMetres(double nm)
{
    // Sizes come from files in tenths of a metre and pass through nautical miles; snapping to the
    // micrometre removes the last-bit noise of that round trip, so 7 m stays exactly half of 14 m.
    return std::round(nmToMetres(nm) * 1e6) / 1e6;
}

double gf_oversizeMetres(double standRadiusNm, double aircraftRadiusNm)
{
    return std::round(nmToMetres(aircraftRadiusNm - standRadiusNm) * 1e6) / 1e6;
}

double gf_sizeStepMetres(double aircraftRadiusNm)
{
    return gf_sizeMetres(aircraftRadiusNm) <= kSmallAircraftRadiusM ? kSmallSizeStepM : kLargeSizeStepM;
}

bool gf_fitsHalfHour(const StandOccupancy& option, std::uint32_t weekday, std::uint32_t half,
                     std::string_view registration)
{
    // Checked before anything else, so a bad half-hour is reported whatever the option holds.
    const bool atHalf = option.halfHours.test(half);
    if (option.id == 0 || option.weekday != weekday || option.kind != StandOptionKind::real ||
        option.registration != registration)
    {
        return false;
    }
    const std::uint32_t before = half == 0 ? 47 : half - 1;
    const std::uint32_t after = half == 47 ? 0 : half + 1;
    return atHalf || option.halfHours.test(before) || option.halfHours.test(after);
}

bool gf_occupancyMatches(const StandOccupancy& option, std::string_view callsign, std::string_view airline,
                         std::string_view type)
{
    if (option.id == 0 || option.kind != StandOptionKind::real)
    {
        return false;
    }
    return option.callsign == callsign || option.coupledCallsign == callsign ||
           (option.airline == airline && option.type == type);
}

bool gf_fitsRadius(const Stand& stand, double aircraftRadiusNm)
{
    const double oversizeM = gf_oversizeMetres(stand.radius, aircraftRadiusNm);
    if (oversizeM > kStandOversizeToleranceM)
    {
        return false;
    }
    return std::round(-oversizeM / gf_sizeStepMetres(aircraftRadiusNm)) == 0.0;
}

Stand* gf_findStandByName(std::vector<Stand>& stands, std::string_view name)
{
    for (Stand& s : stands)
    {
        if (s.name == name)
        {
            return &s;
        }
    }
    return nullptr;
}

const Stand* gf_findStandByName(const std::vector<Stand>& stands, std::string_view name)
{
    for (const Stand& s : stands)
    {
        if (s.name == name)
        {
            return &s;
        }
    }
    return nullptr;
}

Stand* gf_findStandById(std::vector<Stand>& stands, std::uint32_t standId)
{
    if (standId == 0)
    {
        return nullptr;
    }
    for (Stand& s : stands)
    {
        if (s.standId == standId)
        {
            return &s;
        }
    }
    return nullptr;
}

std::string gf_standNameById(const std::vector<Stand>& stands, std::uint32_t standId)
{
    if (standId == 0)
    {
        return "sid==0?";
    }
    for (const Stand& s : stands)
    {
        if (s.standId == standId)
        {
            return s.name;
        }
    }
    return "unknown";
}

std::uint32_t gf_nextOptionId(const Stand& stand)
{
    std::uint32_t largest = 0;
    for (const StandOccupancy& option : stand.options)
        largest = std::max(largest, option.id);
    return largest + 1;
}

} // namespace oxl
