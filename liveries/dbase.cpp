#include "liveries/dbase.h"
#include "liveries/liveries_state.h"

#include <charconv>
#include <cmath>

namespace oxl
{

AcCategory gf_aircraftCategory(const std::string& type)
{
    // Large before Heavy: a type in both sets is Large.
    if (gLiveries.gDbase.largeTypes.contains(type))
    {
        return AcCategory::Large;
    }
    if (gLiveries.gDbase.heavyTypes.contains(type))
    {
        return AcCategory::Heavy;
    }
    if (gLiveries.gDbase.buzjetTypes.contains(type))
    {
        return AcCategory::Buzjets;
    }
    if (gLiveries.gDbase.rotorcraftTypes.contains(type))
    {
        return AcCategory::Rotorcraft;
    }
    if (gLiveries.gDbase.highPerfTypes.contains(type))
    {
        return AcCategory::HighPerf;
    }
    return AcCategory::Light;
}

bool gf_isKnownType(const std::string& type)
{
    return !type.empty() && gLiveries.gDbase.aircraftTypes.contains(type);
}

bool gf_isKnownAirline(const std::string& airline)
{
    return !airline.empty() && gLiveries.gDbase.airlineCodes.contains(airline);
}

double gf_wingspan(const std::string& type)
{
    if (const auto it = gLiveries.gDbase.halfSpansNm.find(type); it != gLiveries.gDbase.halfSpansNm.end())
    {
        return it->second;
    }
    return gLiveries.gDbase.categoryHalfSpansNm.at(static_cast<std::size_t>(gf_aircraftCategory(type)));
}

double gf_largestHalfSpan()
{
    return gLiveries.gDbase.largestHalfSpanNm;
}

double gf_parseMeters(std::string_view text)
{
    // The white space that strtod skips.
    const auto first = text.find_first_not_of(" \t\n\v\f\r");
    if (first == std::string_view::npos)
    {
        return 0.0;
    }
    text.remove_prefix(first);
    if (text.starts_with('+'))
    {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || !std::isfinite(value) || value < 0.0)
    {
        return 0.0;
    }
    return value;
}

} // namespace oxl
