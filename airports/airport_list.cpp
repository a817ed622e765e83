// Reading the airport list and the queries on it.
#include "airports/airport_list.h"
#include "airports/airports_state.h"

#include "airports/stand.h"

#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/units.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <pugixml.hpp>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

namespace oxl
{

namespace
{

/// Room for every airport of a full simulator installation, so reading never reallocates.
constexpr std::size_t kExpectedAirports = 44000;
/// Error code of a failed airport-list read.
constexpr int kAirportListError = 88;

constexpr std::string_view kInvalidNumber = "invalid stod argument";
constexpr std::string_view kNumberOutOfRange = "stod argument out of range";

/// A number that cannot be used, with the text the log line shows.
struct NumberError
{
    std::string_view text;
};

/// Reads a number like the standard text-to-double rule (leading white space skipped, the longest
/// decimal prefix taken, the rest ignored), independent of the locale. Not-a-number and infinity are
/// refused like text without a number, and values outside [-limit, limit] like overflowing ones.
double parseNumber(std::string_view text, double limit)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    {
        ++i;
    }
    // from_chars takes no '+', the text-to-double rule does.
    if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-')
    {
        ++i;
    }
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
    {
        throw NumberError{kNumberOutOfRange};
    }
    if (ec != std::errc{} || end == first || std::isnan(value))
    {
        throw NumberError{kInvalidNumber};
    }
    if (std::isinf(value) || std::fabs(value) > limit)
    {
        throw NumberError{kNumberOutOfRange};
    }
    return value;
}

/// Appends one airport element to the list; a malformed element is logged and skipped.
void lf_readAirport(std::vector<Airport>& airports, const pugi::xml_node& element, const std::string& code)
{
    const pugi::xml_attribute lat = element.attribute("lat");
    const pugi::xml_attribute lon = element.attribute("lon");
    const pugi::xml_attribute alt = element.attribute("alt");
    if (!lat || !lon || !alt)
    {
        gf_log(fmt::format("Missing lat/lon/alt for airport '{}'", code));
        return;
    }
    Airport airport;
    try
    {
        airport.altitude = parseNumber(alt.value(), 1e5); // [ft] far above any airport
        airport.latitude = parseNumber(lat.value(), 90.0);
        airport.longitude = parseNumber(lon.value(), 180.0);
    }
    catch (const NumberError& e)
    {
        gf_log(fmt::format("Error parsing coordinates for airport '{}': {}", code, e.text));
        return;
    }
    airport.code = code;
    airport.iata = element.attribute("iata").value();
    airports.push_back(std::move(airport));
}

} // namespace

bool AirportList::read(const std::filesystem::path& path)
{
    if (isRead())
    {
        return !airports_.empty();
    }
    // A failed earlier read may have left elements behind; never append to them twice.
    airports_.clear();
    airports_.reserve(kExpectedAirports);
    try
    {
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed = doc.load_file(path.c_str());
        if (!parsed)
        {
            throw std::runtime_error(fmt::format("{} not loaded: {}", path.string(), parsed.description()));
        }
        const pugi::xml_node root = doc.child("airports");
        if (!root)
        {
            throw std::runtime_error(fmt::format("Missing <airports> root in: {}", path.string()));
        }
        for (const pugi::xml_node element : root.children("airport"))
        {
            lf_readAirport(airports_, element, element.attribute("code").value());
        }
        std::sort(airports_.begin(), airports_.end(),
                  [](const Airport& a, const Airport& b) { return a.code < b.code; });
        gf_log(fmt::format("{} airports read from '{}'", airports_.size(), path.string()));
    }
    catch (const std::exception& e)
    {
        airports_.clear();
        airports_.shrink_to_fit();
        throw UserErrorException(kAirportListError, e.what());
    }
    airports_.shrink_to_fit();
    grid_.build(airports_);
    read_.store(true, std::memory_order_release);
    return !airports_.empty();
}

const std::vector<Airport>& AirportList::airports() const
{
    static const std::vector<Airport> none;
    return isRead() ? airports_ : none;
}

const Airport* AirportList::find(std::string_view code) const
{
    const std::vector<Airport>& list = airports();
    const auto it =
        std::find_if(list.begin(), list.end(), [code](const Airport& a) { return a.code == code; });
    return it == list.end() ? nullptr : &*it;
}

template <typename Visit>
void AirportList::forEachWithin(double lat, double lon, double radiusNm, AirportSearch search,
                                Visit visit) const
{
    const auto within = [&](const Airport& a)
    {
        if (gf_latitudesApart(lat, a.latitude, radiusNm))
        {
            return;
        }
        const double d = gf_distanceNm({lat, lon}, {a.latitude, a.longitude});
        if (d <= radiusNm)
        {
            visit(a, d);
        }
    };
    const std::vector<Airport>& list = airports();
    // One buffer per thread: the engine and the window ask at the same time.
    thread_local std::vector<std::uint32_t> near;
    if (search == AirportSearch::grid && grid_.near(lat, lon, radiusNm, near))
    {
        for (const std::uint32_t i : near)
        {
            within(list[i]);
        }
        return;
    }
    std::for_each(list.begin(), list.end(), within);
}

const Airport* AirportList::closest(double lat, double lon, AirportSearch search) const
{
    const Airport* best = nullptr;
    const Airport* neighbour = nullptr;
    double bestDistance = kNoStandDistanceNm;
    forEachWithin(lat, lon, kClosestAirportMaxNm, search,
                  [&](const Airport& a, double d)
                  {
                      if (d < bestDistance)
                      {
                          if (best != nullptr)
                          {
                              neighbour = best;
                          }
                          best = &a;
                          bestDistance = d;
                      }
                  });
    if (best == nullptr || neighbour == nullptr)
    {
        return best;
    }
    gf_log(fmt::format("Airport {} is closest, neighbour is {}", best->code, neighbour->code));
    if (!closestStand_)
    {
        return best;
    }
    std::string standBest;
    std::string standNeighbour;
    const double dBest = closestStand_(*best, lat, lon, standBest);
    const double dNeighbour = closestStand_(*neighbour, lat, lon, standNeighbour);
    if (dNeighbour < dBest)
    {
        gf_log(
            fmt::format("Airport {} is closest, but stand {} at neighbouring airport {} is closer at {:.0F} "
                        "meters ...",
                        best->code, standNeighbour, neighbour->code, nmToMetres(dNeighbour)));
        return neighbour;
    }
    return best;
}

const Airport* AirportList::nearest(double lat, double lon, double maxNm, AirportSearch search) const
{
    const Airport* best = nullptr;
    double bestDistance = maxNm;
    forEachWithin(lat, lon, maxNm, search,
                  [&](const Airport& a, double d)
                  {
                      if (d <= bestDistance)
                      {
                          best = &a;
                          bestDistance = d;
                      }
                  });
    return best;
}

std::filesystem::path gf_inputFolder()
{
    return "input";
}

bool gf_readAirports(std::string_view fileName)
{
    return gAirports.gAirportList.read(gf_inputFolder() / fileName);
}

const Airport* gf_closestAirport(double lat, double lon)
{
    return gAirports.gAirportList.closest(lat, lon);
}

const Airport* gf_nearestAirport(double lat, double lon, double maxNm)
{
    return gAirports.gAirportList.nearest(lat, lon, maxNm);
}

const Airport* gf_findAirport(std::string_view code)
{
    return gAirports.gAirportList.find(code);
}

std::string gf_airportDisplayName(const Airport& airport)
{
    std::string name = airport.code.empty() ? std::string("?") : airport.code;
    if (!airport.iata.empty())
    {
        name += fmt::format(" ({})", airport.iata);
    }
    return name;
}

} // namespace oxl
