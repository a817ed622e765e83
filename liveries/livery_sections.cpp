#include "liveries/livery_sections.h"

#include "foundation/log.h"
#include "foundation/strings.h"
#include "liveries/cfg_lines.h"
#include "liveries/liveries_state.h"
#include "liveries/registrations.h"

#include <algorithm>
#include <fmt/format.h>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{

constexpr std::size_t kMaxAtcIdChars = 12;

// The texts a section's walk collects; a text counts as set when it is not empty.
struct SectionKeys
{
    std::string title;
    std::string airline;
    std::string parkingTypes;
    std::string atcId;
    std::string model;
    std::string sim;
    std::string texture;
};

enum class WalkEnd
{
    completed,
    stopped, ///< a duplicate key; the section gives no record
    rfoCode, ///< the parking code RFO; the section gives no record and no entry
};

void removeTrailingLines(std::vector<std::string>& lines)
{
    while (!lines.empty() && (lines.back().empty() || lines.back().starts_with("//")))
    {
        lines.pop_back();
    }
}

std::string upperCased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), gf_upperByte);
    return text;
}

// Model, sim and texture: the first line of each kind counts, repeated ones are ignored.
void takeFileKeys(const std::string& line, SectionKeys& keys)
{
    if (keys.model.empty() && gf_extractModel(line, keys.model))
    {
        return;
    }
    if (keys.sim.empty() && gf_extractSim(line, keys.sim))
    {
        return;
    }
    if (keys.texture.empty())
    {
        gf_extractTexture(line, keys.texture);
    }
}

std::string modelName(const SectionKeys& keys)
{
    return "model." + keys.model;
}

std::string textureName(const SectionKeys& keys)
{
    return "texture." + keys.texture;
}

std::string flightModelName(const SectionKeys& keys)
{
    return keys.sim + ".air";
}

// What a line did to the keys of a section.
enum class KeyStep
{
    none,      ///< not one of the keys looked at here
    taken,     ///< the key was taken (or rejected and listed); the line is done
    duplicate, ///< a second key of its kind; the section gives no record
};

// The atc_id of an ordinary section may carry a comment after ';', an IVAO one is taken whole; the two
// readers also word their report of an invalid one differently.
enum class AtcIdStyle
{
    ordinary,
    ivao,
};

KeyStep takeTitleKey(const std::string& line, const std::string& folder, const std::string& header,
                     SectionKeys& keys)
{
    if (keys.title.empty())
    {
        return gf_extractTitle(line, keys.title) ? KeyStep::taken : KeyStep::none;
    }
    if (std::string value; gf_extractTitle(line, value))
    {
        gf_addIncompleteSection(fmt::format("{} {} has more than one title key", folder, header));
        return KeyStep::duplicate;
    }
    return KeyStep::none;
}

// The parking types and the atc_id, then the file keys, which never end the line's turn.
KeyStep takeSectionKeys(const std::string& line, const std::string& folder, const std::string& header,
                        AtcIdStyle style, SectionKeys& keys)
{
    if (keys.parkingTypes.empty())
    {
        if (gf_extractParkingTypes(line, keys.parkingTypes))
        {
            keys.parkingTypes = upperCased(keys.parkingTypes);
            return KeyStep::taken;
        }
    }
    else if (gf_hasParkingTypesKey(line))
    {
        gf_addIncompleteSection(fmt::format("{} {} has more than one atc_parking_types key", folder, header));
        return KeyStep::duplicate;
    }
    if (keys.atcId.empty())
    {
        if (std::string value; gf_extractAtcId(line, value))
        {
            if (style == AtcIdStyle::ordinary)
            {
                value.resize(std::min(value.size(), value.find(';')));
            }
            std::string registration;
            if (gf_validateAtcId(value, registration))
            {
                keys.atcId = registration;
            }
            else
            {
                gf_addIncompleteSection(style == AtcIdStyle::ordinary
                                            ? fmt::format("invalid atc_id={} in: {}", value, keys.title)
                                            : fmt::format("invalid atc_id={} in {}", value, keys.title));
            }
            return KeyStep::taken;
        }
    }
    else if (gf_hasAtcIdKey(line))
    {
        gf_addIncompleteSection(fmt::format("{}, {}, has more than one atc_id key", folder, header));
        return KeyStep::duplicate;
    }
    takeFileKeys(line, keys);
    return KeyStep::none;
}

// Parking code of an ordinary section: an airline, an unknown code (listed) or RFO.
bool takeParkingCode(const std::string& code, const WinPath& file, const std::string& header,
                     SectionKeys& keys)
{
    std::string airline = code;
    if (airline.size() == 4 && (airline[3] == 'X' || airline[3] == 'C'))
    {
        airline.resize(3);
    }
    if (gLiveries.gDbase.airlineCodes.contains(airline))
    {
        keys.airline = airline;
        return true;
    }
    if (airline == "RFO")
    {
        return false;
    }
    gf_addInvalidAirlineCode(airline, file.text(), header);
    return true;
}

WalkEnd walkFltSim(const std::vector<std::string>& lines, const WinPath& file, const std::string& folder,
                   const std::string& header, SectionKeys& keys)
{
    for (const std::string& line : lines)
    {
        const KeyStep titleStep = takeTitleKey(line, folder, header, keys);
        if (titleStep == KeyStep::duplicate)
        {
            return WalkEnd::stopped;
        }
        if (titleStep == KeyStep::taken)
        {
            continue;
        }
        if (keys.airline.empty())
        {
            if (std::string code; gf_extractParkingCode(line, code))
            {
                if (!takeParkingCode(code, file, header, keys))
                {
                    return WalkEnd::rfoCode;
                }
                continue;
            }
        }
        else if (line.find("atc_parking_codes") != std::string::npos)
        {
            gf_addIncompleteSection(
                fmt::format("{} {} has more than one atc_parking_codes key", folder, header));
            return WalkEnd::stopped;
        }
        if (takeSectionKeys(line, folder, header, AtcIdStyle::ordinary, keys) == KeyStep::duplicate)
        {
            return WalkEnd::stopped;
        }
    }
    return WalkEnd::completed;
}

std::list<LiveryData> procesFltSim(std::uint32_t folderIndex, std::vector<std::string>& lines,
                                   const std::string& type, const WinPath& file, CfgFolder& cfgFolder)
{
    removeTrailingLines(lines);
    const std::string header = lines.empty() ? std::string() : lines.front();
    const std::string& folder = cfgFolder.path().text();
    SectionKeys keys;
    const WalkEnd end = walkFltSim(lines, file, folder, header, keys);
    if (end == WalkEnd::rfoCode)
    {
        return {};
    }
    if (keys.airline.empty())
    {
        gf_addIncompleteSection(
            fmt::format("{} {} icao_airline is missing, or it has invalid info ", file.text(), header));
    }
    if (end == WalkEnd::stopped)
    {
        return {};
    }
    if (cfgFolder.entryType(modelName(keys)) != fs::file_type::directory ||
        cfgFolder.entryType(textureName(keys)) != fs::file_type::directory ||
        cfgFolder.entryType(flightModelName(keys)) != fs::file_type::regular)
    {
        gf_addIncompleteSection((cfgFolder.path() / modelName(keys)).text() +
                                " or related path does not exist: " + header);
        return {};
    }
    if (keys.title.empty())
    {
        gf_addIncompleteSection(fmt::format("{} {} misses title", folder, header));
        return {};
    }
    if (gf_isDontUseTitle(keys.title))
    {
        return {};
    }
    if (keys.airline == "ZZZ")
    {
        keys.atcId.clear();
    }
    if (keys.airline.empty())
    {
        const bool heavy = gf_aircraftCategory(type) == AcCategory::Heavy;
        if (keys.atcId.empty())
        {
            if (heavy)
            {
                gf_addIncompleteSection(
                    fmt::format("'{}' '{}' has no airline and no regcode info", folder, header));
                return {};
            }
            keys.airline = "PVT";
            keys.atcId = gf_findInlineRegcode(keys.title).value_or("");
        }
        else if (const auto record = gf_lookupRegistration(keys.atcId))
        {
            keys.airline = record->airl;
        }
        else if (heavy)
        {
            gf_addIncompleteSection(
                fmt::format("'{}' '{}' has no airline and regcode not in dbase", folder, header));
            return {};
        }
        else
        {
            keys.airline = "PVT";
        }
    }
    const bool cargo = keys.parkingTypes.find("CARGO") != std::string::npos;
    const std::string taken = fmt::format("{} {} title '{}' already exists", folder, header, keys.title);
    LiveryData livery = gf_makeLiveryData(folderIndex, keys.airline, type, !cargo, keys.title, keys.atcId,
                                          file.text(), taken);
    if (livery.empty())
    {
        gf_addIncompleteSection(taken);
        return {};
    }
    std::list<LiveryData> result;
    result.push_back(std::move(livery));
    return result;
}

WalkEnd walkIvao(const std::vector<std::string>& lines, const std::string& folder, const std::string& header,
                 SectionKeys& keys)
{
    for (const std::string& line : lines)
    {
        KeyStep step = takeTitleKey(line, folder, header, keys);
        if (step == KeyStep::none)
        {
            step = takeSectionKeys(line, folder, header, AtcIdStyle::ivao, keys);
        }
        if (step == KeyStep::duplicate)
        {
            return WalkEnd::stopped;
        }
    }
    return WalkEnd::completed;
}

// The first of the model folder, flight-model file and texture folder that is missing, none when all exist.
std::optional<std::string> missingIvaoPath(const SectionKeys& keys, CfgFolder& folder)
{
    if (folder.entryType(modelName(keys)) != fs::file_type::directory)
    {
        return modelName(keys);
    }
    if (folder.entryType(flightModelName(keys)) != fs::file_type::regular)
    {
        return flightModelName(keys);
    }
    if (folder.entryType(textureName(keys)) != fs::file_type::directory)
    {
        return textureName(keys);
    }
    return std::nullopt;
}

} // namespace

bool gf_validateAtcId(const std::string& value, std::string& registration)
{
    const std::vector<std::string> parts = gf_splitString(value, ',');
    if (parts.empty())
    {
        return false;
    }
    for (const std::string& part : parts)
    {
        if (part.empty() || part.size() > kMaxAtcIdChars || part.find('*') != std::string::npos)
        {
            return false;
        }
    }
    registration = parts.size() == 1 ? parts.front() : std::string();
    return true;
}

std::list<LiveryData> gf_procesFltSimSection(std::uint32_t folderIndex, std::vector<std::string>& lines,
                                             const std::string& type, const WinPath& file, CfgFolder& folder)
{
    try
    {
        return procesFltSim(folderIndex, lines, type, file, folder);
    }
    catch (const std::exception& e)
    {
        gf_log(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", e.what(), file.text()));
        throw;
    }
}

LiveryData gf_procesIvaoSection(std::uint32_t folderIndex, std::vector<std::string>& lines,
                                const std::string& type, const WinPath& file, CfgFolder& cfgFolder)
{
    removeTrailingLines(lines);
    const std::string header = lines.empty() ? std::string() : lines.front();
    const std::string& folder = cfgFolder.path().text();
    SectionKeys keys;
    if (walkIvao(lines, folder, header, keys) == WalkEnd::stopped)
    {
        return {};
    }
    if (const auto missing = missingIvaoPath(keys, cfgFolder))
    {
        gf_addIncompleteSection((cfgFolder.path() / *missing).text() + " " + header + " does not exist");
        return {};
    }
    if (keys.title.empty())
    {
        gf_addIncompleteSection(folder + " " + header + " misses title");
        return {};
    }
    if (gf_isDontUseTitle(keys.title))
    {
        return {};
    }
    std::string airline;
    if (const auto code = gf_ivaoTitleAirline(keys.title, type))
    {
        if (!gf_isKnownAirline(*code))
        {
            gf_addInvalidAirlineCode(*code, file.text(), header);
            return {};
        }
        airline = *code;
        if (airline == "ZZZ")
        {
            keys.atcId.clear();
        }
    }
    else if (keys.atcId.empty())
    {
        gf_addIncompleteSection(folder + " " + header + " misses airlinecode in title: " + keys.title +
                                ", and no regcode");
        return {};
    }
    else if (const auto record = gf_lookupRegistration(keys.atcId))
    {
        airline = record->airl;
    }
    else
    {
        gf_addIncompleteSection(folder + " " + header + " misses airlinecode in title: " + keys.title +
                                ", and regcode unknown " + keys.atcId);
        return {};
    }
    const std::string taken = folder + " " + header + " title already exists: " + keys.title;
    LiveryData livery =
        gf_makeLiveryData(folderIndex, airline, type, true, keys.title, keys.atcId, file.text(), taken);
    if (livery.empty())
    {
        gf_addIncompleteSection(taken);
    }
    return livery;
}

} // namespace oxl
