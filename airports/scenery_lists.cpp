// The folders an airport scan looks at: the simulator's scenery.cfg and scenery_add-ons.xml in
// automatic mode, the afolder settings in manual mode, and the tests that keep the simulator's own
// scenery out of the scan.
#include "airports/airport_scan.h"

#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/strings.h"
#include "foundation/text_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>

namespace oxl
{
namespace
{

// The simulator's own scenery folders; a path naming one is never scanned.
constexpr std::array<std::string_view, 45> kStockFolders{
    "\\Cities", "\\CITIES", "\\cities", "\\World", "\\BASE", "\\0006", "\\0007", "\\0103",   "\\0106",
    "\\0107",   "\\0206",   "\\0207",   "\\0307",  "\\0407", "\\0505", "\\0506", "\\0507",   "\\0606",
    "\\0607",   "\\0706",   "\\0707",   "\\0805",  "\\0806", "\\0807", "\\0900", "\\0906",   "\\0907",
    "\\1000",   "\\1006",   "\\1007",   "\\1100",  "\\1102", "\\1107", "\\AFRI", "\\ASIA",   "\\AUST",
    "\\EURE",   "\\EURW",   "\\NAMC",   "\\NAME",  "\\NAMW", "\\OCEN", "\\SAME", "\\Global", "\\Bathymetry"};

// Paths typed on this machine may use '/', the simulator's lists use '\': the text tests see one form.
std::string lf_backslashed(std::string_view text)
{
    std::string out(text);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

bool lf_contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// "C:\ProgramData\Lockheed Martin\Prepar3D v5\<file>": where the simulator keeps its scenery lists.
WinPath lf_simulatorListFile(std::string_view fileName)
{
    const std::string version = gf_airportScanPort().simulatorVersion();
    return WinPath(fmt::format("C:\\ProgramData\\Lockheed Martin\\Prepar3D v{}\\{}", version, fileName));
}

// The key of a "key=value" line of scenery.cfg, trimmed; empty for a line without '='.
std::string lf_keyOf(std::string_view line)
{
    const auto equals = line.find('=');
    return equals == std::string_view::npos ? std::string() : gf_trim(line.substr(0, equals));
}

bool lf_isKey(std::string_view line, std::string_view key)
{
    return namesEqualNoCase(lf_keyOf(line), key);
}

// A value with a drive ("D:\...") or a root of this machine ("/...") stands alone; any other is below
// the simulator's install folder.
bool lf_isAbsolute(std::string_view value)
{
    return (value.size() >= 2 && lf_contains(value, ":\\")) || (!value.empty() && value.front() == '/');
}

} // namespace

bool gf_isBglExtension(std::string_view extension)
{
    return extension == ".BGL" || extension == ".bgl";
}

bool gf_isStockScenery(std::string_view pathText)
{
    const std::string text = lf_backslashed(pathText);
    return std::any_of(kStockFolders.begin(), kStockFolders.end(),
                       [&](std::string_view name) { return lf_contains(text, name); });
}

bool gf_isInStockScenery(std::string_view pathText)
{
    return lf_contains(lf_backslashed(pathText), lf_backslashed(gf_stockAirportsPath().text()));
}

void gf_readSceneryArea(const std::vector<std::string>& lines, const std::string& installPath,
                        std::vector<std::string>& folders)
{
    const bool active = std::any_of(lines.begin(), lines.end(),
                                    [](const std::string& line)
                                    {
                                        return lf_isKey(line, "Active") &&
                                               (lf_contains(line, "True") || lf_contains(line, "TRUE") ||
                                                lf_contains(line, "true"));
                                    });
    if (!active)
        return;
    for (const std::string& line : lines)
    {
        if (!lf_isKey(line, "Local") || gf_isStockScenery(line))
            continue;
        std::string value = gf_trim(std::string_view(line).substr(line.find('=') + 1));
        if (!lf_isAbsolute(value))
            value = (WinPath(installPath) / value).text();
        if (gf_isInStockScenery(value))
            continue;
        gf_log(fmt::format("      found:{}", value));
        folders.push_back(std::move(value));
    }
}

void gf_readSceneryCfg(std::vector<std::string>& folders)
{
    const WinPath file = lf_simulatorListFile("scenery.cfg");
    gf_logSpaced("\nReading: {} for airport add-ons ...", file.text());
    std::vector<std::string> lines;
    if (!gf_readTextFileLines(file.real(), lines))
    {
        gf_log(file.text() + " not found!");
        return;
    }
    const std::size_t before = folders.size();
    const std::string installPath = ALL_INSTALL_PATH.value();
    // An entry runs from its "[Area.nnn]" header to the next section header; a folder or title that
    // merely contains the word "Area" is a value, not a header.
    std::vector<std::string> entry;
    bool inArea = false;
    auto finishEntry = [&]
    {
        if (inArea)
            gf_readSceneryArea(entry, installPath, folders);
        entry.clear();
    };
    for (const std::string& raw : lines)
    {
        const std::string line = gf_trim(raw);
        if (!line.empty() && line.front() == '[')
        {
            finishEntry();
            inArea = gf_containsNoCase(line.substr(0, 5), "[Area");
            continue;
        }
        if (lf_isKey(line, "Required") || lf_isKey(line, "Title") || lf_isKey(line, "Layer"))
            continue;
        if (inArea)
            entry.push_back(line);
    }
    finishEntry();
    gf_logSpaced("{} scenery add-on paths found\n", folders.size() - before);
}

void gf_readSceneryAddonsXml(std::vector<std::string>& folders)
{
    const WinPath file = lf_simulatorListFile("scenery_add-ons.xml");
    gf_logSpaced("\nReading {} for add-on airport ...", file.text());
    std::vector<std::string> lines;
    if (!gf_readTextFileLines(file.real(), lines))
    {
        gf_log(file.text() + " not found!");
        return;
    }
    const std::size_t before = folders.size();
    for (const std::string& line : lines)
    {
        std::string path = gf_extractPathTag(line);
        if (path.empty())
            continue;
        gf_log(fmt::format("found path:{}", path));
        folders.push_back(std::move(path));
    }
    gf_logSpaced("{} scenery add-on paths found\n", folders.size() - before);
}

void gf_readAfolderParameters(std::vector<std::string>& folders)
{
    folders.clear();
    for (const StringParameter& setting : afolder)
    {
        std::string value = setting.value();
        if (value.empty())
            continue;
        if (gf_isInStockScenery(value))
            throw UserErrorException(
                42, fmt::format("parameter {} points to stock airports instead of add-on airports!",
                                setting.name));
        gf_log(fmt::format("From parameter {}: {}", setting.name, value));
        folders.push_back(std::move(value));
    }
}

} // namespace oxl
