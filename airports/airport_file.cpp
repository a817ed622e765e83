#include "airports/airport_file.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/half_hours.h"
#include "foundation/meta_block.h"
#include "foundation/parameters.h"
#include "foundation/text_files.h"
#include "foundation/units.h"
#include "foundation/utf.h"
#include "liveries/registrations.h"

#include <fmt/format.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace oxl
{

namespace
{

const char* boolText(bool on)
{
    return on ? "true" : "false";
}

// Names come from downloaded files, scanned folders and the traffic source: bytes that XML cannot hold are
// escaped reversibly (gf_apfText restores them), so that the file is UTF-8 and well-formed whatever they
// held.
bool addAttribute(pugi::xml_node node, const char* name, std::string_view value)
{
    return node.append_attribute(name).set_value(gf_escapeBytes(value).c_str());
}

bool addTextNode(pugi::xml_node parameters, std::string_view name, std::string_view value)
{
    return gf_addStringNode(parameters, name, gf_escapeBytes(value));
}

std::string_view skipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0)
    {
        ++i;
    }
    return text.substr(i);
}

/// The full set of a stand: position, size and kind.
bool writeFullStand(pugi::xml_node parkpos, const Stand& stand)
{
    bool ok = addAttribute(parkpos, "latitude", fmt::format("{:.6f}", stand.latitude)) &&
              addAttribute(parkpos, "longitude", fmt::format("{:.6f}", stand.longitude)) &&
              addAttribute(parkpos, "heading", fmt::format("{:.1f}", stand.heading * kRadToDeg)) &&
              addAttribute(parkpos, "radius", fmt::format("{:.1f}", nmToMetres(stand.radius)));
    if (stand.helipad != 0)
    {
        ok = ok && addAttribute(parkpos, "heli", "true");
    }
    else
    {
        ok = ok && addAttribute(parkpos, "cargo", boolText(stand.cargo != 0));
    }
    ok = ok && addAttribute(parkpos, "ramp", boolText(stand.ramp != 0));
    if (stand.manual != 0)
    {
        ok = ok && addAttribute(parkpos, "manual", "true");
    }
    return ok;
}

/// Only what this run learned of an archived stand.
bool writeStandChanges(pugi::xml_node parkpos, const Stand& stand)
{
    bool ok = true;
    if (stand.radiusChanged != 0)
    {
        ok = addAttribute(parkpos, "radius_change", "true") &&
             addAttribute(parkpos, "radius", fmt::format("{:.1f}", nmToMetres(stand.radius)));
    }
    if (stand.cargoChanged != 0)
    {
        ok = ok && addAttribute(parkpos, "cargo_change", "true") &&
             addAttribute(parkpos, "cargo", boolText(stand.cargo != 0));
    }
    return ok;
}

bool writeOption(pugi::xml_node parkpos, const StandOccupancy& option)
{
    pugi::xml_node opt = parkpos.append_child("opt");
    bool ok = opt && addAttribute(opt, "reg", option.registration);
    // A registration the database knows gives airline and type when the file is read back.
    if (ok && !gf_lookupRegistration(option.registration))
    {
        ok = addAttribute(opt, "airl", option.airline) && addAttribute(opt, "type", option.type);
    }
    if (ok && option.kind == StandOptionKind::soft)
    {
        ok = addAttribute(opt, "soft", "true");
    }
    ok = ok && addAttribute(opt, "day", fmt::format("{}", option.weekday)) &&
         addAttribute(opt, "hh", gf_bitset2hours(option.halfHours));
    if (ok && !option.callsign.empty())
    {
        ok = addAttribute(opt, "cs",
                          option.coupledCallsign.empty()
                              ? option.callsign
                              : fmt::format("{}:{}", option.callsign, option.coupledCallsign));
    }
    return ok;
}

} // namespace

std::string gf_icaoXml(std::string_view code)
{
    return fmt::format("{}.xml", code);
}

std::filesystem::path gf_airportXmlName(const std::filesystem::path& folder, std::string_view code)
{
    return folder / gf_icaoXml(code);
}

std::filesystem::path gf_airportTxtName(const std::filesystem::path& folder, std::string_view code)
{
    return folder / fmt::format("{}.txt", code);
}

bool gf_writeApfParameters(pugi::xml_node document, const ScannedAirport& airport, ApfMode mode,
                           bool handmade)
{
    // Generated files are written by scan workers that know nothing of the park airport.
    const bool handmadeKeys = handmade && mode == ApfMode::learned;
    pugi::xml_node parameters = document.append_child("parameters");
    if (!parameters)
    {
        return false;
    }
    bool ok = addTextNode(parameters, "airport_name", airport.name) &&
              addTextNode(parameters, "publisher", airport.publisher);
    if (handmadeKeys)
    {
        ok = ok && gf_addStringNode(parameters, "handmade", "true");
    }
    if (handmadeKeys || mode == ApfMode::generated)
    {
        ok = ok && gf_addIntNode(parameters, "altitude", airport.altitudeFt);
    }
    ok = ok && gf_addIntNode(parameters, "num_parkpos", static_cast<std::int32_t>(airport.stands.size()));
    if (handmadeKeys)
    {
        ok = ok && gf_addIntNode(parameters, "Qf_real", airport.qualityReal) &&
             gf_addIntNode(parameters, "Qf_soft", airport.qualitySoft);
    }
    if (airport.publisher == kUnknownPublisher)
    {
        ok = ok && addTextNode(parameters, "BGLpath", airport.bglPath);
    }
    if (mode == ApfMode::learned)
    {
        // The file keys of the range and the live maximum carry the values of their combo settings.
        ok = ok && gf_addIntNode(parameters, LATERAL_RANGE.name, RANGE.value()) &&
             gf_addBoolNode(parameters, AUTO_RANGE.name, AUTO_RANGE.value()) &&
             gf_addBoolNode(parameters, WEEK.name, WEEK.value()) &&
             gf_addBoolNode(parameters, PARK_FAKE.name, PARK_FAKE.value()) &&
             gf_addBoolNode(parameters, PARK_SOFT.name, PARK_SOFT.value()) &&
             gf_addIntNode(parameters, parking_percentage.name, parking_percentage.value()) &&
             gf_addBoolNode(parameters, INITIAL_LOAD_ONLY.name, INITIAL_LOAD_ONLY.value()) &&
             gf_addIntNode(parameters, MAX_FIT.name, MAX_FIT.value()) &&
             gf_addIntNode(parameters, MAX_LIVE.name, MAX_LIVE_SEL.value()) &&
             gf_addBoolNode(parameters, LEARN_SOFT.name, LEARN_SOFT.value());
    }
    return ok;
}

bool gf_writeApf(const ScannedAirport& airport, const std::filesystem::path& path, ApfMode mode,
                 bool handmade)
{
    const bool handmadeFile = handmade && mode == ApfMode::learned;
    pugi::xml_document doc;
    if (!gf_writeMeta(doc) || !gf_writeApfParameters(doc, airport, mode, handmade))
    {
        return false;
    }
    pugi::xml_node parkpositions = doc.append_child("parkpositions");
    if (!parkpositions)
    {
        return false;
    }
    for (const Stand& stand : airport.stands)
    {
        pugi::xml_node parkpos = parkpositions.append_child("parkpos");
        if (!parkpos || !addAttribute(parkpos, "id", stand.name))
        {
            return false;
        }
        const bool full = mode == ApfMode::generated || stand.manual != 0 || handmadeFile;
        if (!(full ? writeFullStand(parkpos, stand) : writeStandChanges(parkpos, stand)))
        {
            return false;
        }
        if (mode != ApfMode::learned)
        {
            continue;
        }
        // Options disabled for this calculation (id 0) are learned data all the same: they are kept.
        // Fake occupants are made up anew at every read and would pile up in a hand-made file.
        for (const StandOccupancy& option : stand.options)
        {
            if (option.fake == 0 && !writeOption(parkpos, option))
            {
                return false;
            }
        }
    }
    return static_cast<bool>(gf_saveXml(doc, path));
}

std::optional<std::int32_t> gf_parseApfInt(std::string_view text)
{
    text = skipBlanks(text);
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data())
    {
        return std::nullopt;
    }
    return number;
}

std::optional<double> gf_parseApfDouble(std::string_view text)
{
    text = skipBlanks(text);
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    double number = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
    if (error != std::errc() || end == text.data() || !std::isfinite(number))
    {
        return std::nullopt;
    }
    return number;
}

double gf_apfDouble(const pugi::xml_node& node, const char* name)
{
    return gf_parseApfDouble(node.attribute(name).value()).value_or(0.0);
}

std::int32_t gf_apfInt(const pugi::xml_node& node, const char* name)
{
    return gf_parseApfInt(node.attribute(name).value()).value_or(0);
}

bool gf_apfBool(const pugi::xml_node& node, const char* name)
{
    const char first = node.attribute(name).value()[0];
    return first == '1' || first == 't' || first == 'T' || first == 'y' || first == 'Y';
}

std::string gf_apfText(const pugi::xml_node& node, const char* name)
{
    return gf_restoreBytes(node.attribute(name).value());
}

} // namespace oxl
