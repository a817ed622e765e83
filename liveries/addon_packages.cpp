#include "liveries/addon_packages.h"

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "foundation/strings.h"
#include "foundation/system_lookups.h"
#include "foundation/text_files.h"
#include "liveries/liveries_state.h"

#include <fmt/format.h>

#include <array>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
#include <string_view>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{

/// Lines reserved for one of the simulator's files.
constexpr std::size_t kAddOnLinesReserved = 4048;

// Packages whose SimObjects hold no AI aircraft.
constexpr std::array<std::string_view, 2> kExcludedPackages = {"Lights Reborn",
                                                               "Aerosoft Geneva Professional"};

// The simulator's own SimObjects categories; its stock aircraft are no AI liveries.
constexpr std::array<std::string_view, 10> kStockCategories = {
    "Airplanes", "Avatars", "Misc",        "Rotorcraft", "GroundVehicles",
    "Boats",     "Animals", "Submersible", "Weapons",    "Countermeasures"};

bool contains(std::string_view line, std::string_view part)
{
    return line.find(part) != std::string_view::npos;
}

bool containsAny(std::string_view line, std::initializer_list<std::string_view> parts)
{
    for (std::string_view part : parts)
    {
        if (contains(line, part))
        {
            return true;
        }
    }
    return false;
}

// A section header: a line that opens with '[' and names the section kind. Testing the word alone would
// take a Path line whose folder is called "... Packages" for a header and lose that path.
bool isHeader(const std::string& line, std::initializer_list<std::string_view> words)
{
    const std::string trimmed = gf_trim(line);
    return !trimmed.empty() && trimmed.front() == '[' && containsAny(trimmed, words);
}

bool isPathLine(std::string_view line)
{
    return containsAny(line, {"Path", "PATH", "path"}) && contains(line, "=");
}

std::string afterFirstEquals(const std::string& line)
{
    return line.substr(line.find('=') + 1);
}

bool hasDriveLetter(std::string_view text)
{
    return text.size() >= 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Splits the lines into sections at each header and hands every section's lines to the collector;
// lines before the first header and lines holding one of the skipped words are not gathered.
template <typename Collect>
void walkSections(const std::vector<std::string>& lines, std::initializer_list<std::string_view> headerWords,
                  std::initializer_list<std::string_view> skippedWords, Collect collect)
{
    std::vector<std::string> gathered;
    bool open = false;
    for (const std::string& line : lines)
    {
        if (isHeader(line, headerWords))
        {
            if (open)
            {
                collect(gathered);
            }
            gathered.clear();
            open = true;
        }
        else if (open && !containsAny(line, skippedWords))
        {
            gathered.push_back(line);
        }
    }
    if (open)
    {
        collect(gathered);
    }
}

// The SimObjects folders named by one package's add-on.xml; a relative folder lies in the package.
void readAddOnXml(const std::string& package, LiveryFolderList& folders)
{
    const WinPath addOnXml = WinPath(package) / "add-on.xml";
    if (package.empty() || !fs::exists(addOnXml.real()))
    {
        return;
    }
    gf_log(fmt::format("   exploring {}", addOnXml.text()));
    std::vector<std::string> lines;
    lines.reserve(kAddOnLinesReserved);
    if (!gf_readExtTextFileToStringVector(addOnXml, lines))
    {
        gf_log(addOnXml.text() + " not found!");
        return;
    }
    bool pathFollows = false;
    for (const std::string& line : lines)
    {
        if (pathFollows)
        {
            pathFollows = false;
            const std::string folder = gf_extractPathTag(line);
            if (!folder.empty() && !containsAny(folder, {kExcludedPackages[0], kExcludedPackages[1]}))
            {
                gf_log(fmt::format("      Simobjects found:{}", folder));
                folders.push_back(gf_joinWindowsPath(package, folder));
            }
        }
        else if (containsAny(line, {"SimObjects", "SIMOBJECTS", "Simobjects", "simobjects"}))
        {
            pathFollows = true;
        }
    }
}

} // namespace

void gf_setSimulatorVersionSource(SimulatorVersionSource source)
{
    const std::lock_guard lock(gLiveries.VersionSourceMutex);
    gLiveries.VersionSource = std::move(source);
}

std::string gf_simulatorVersion()
{
    SimulatorVersionSource source;
    {
        const std::lock_guard lock(gLiveries.VersionSourceMutex);
        source = gLiveries.VersionSource;
    }
    if (!source)
    {
        throw std::runtime_error("the simulator's version is not known");
    }
    return source();
}

fs::path gf_addOnsCfgPath(const std::string& version)
{
    return gf_getAppDataPath() / "Lockheed Martin" / ("Prepar3D v" + version) / "add-ons.cfg";
}

WinPath gf_simObjectsCfgPath(const std::string& version)
{
    return WinPath("C:\\ProgramData\\Lockheed Martin\\Prepar3D v" + version + "\\simobjects.cfg");
}

std::string gf_joinWindowsPath(const std::string& base, const std::string& text)
{
    if (hasDriveLetter(text))
    {
        return text;
    }
    if (!text.empty() && isSeparator(text.front()))
    {
        const bool share = text.size() >= 2 && isSeparator(text[1]);
        return (!share && hasDriveLetter(base)) ? base.substr(0, 2) + text : text;
    }
    if (text.empty())
    {
        return base;
    }
    return (WinPath(base) / text).text();
}

void gf_collectPackagePaths(const std::vector<std::string>& lines, std::vector<std::string>& packagePaths)
{
    for (const std::string& line : lines)
    {
        if (isPathLine(line))
        {
            const std::string value = afterFirstEquals(line);
            gf_log(fmt::format("path found:{}", value));
            packagePaths.push_back(gf_trim(value));
        }
    }
}

void gf_readP3DAddOnsAircraft(LiveryFolderList& folders)
{
    const std::size_t before = folders.size();
    try
    {
        const fs::path file = gf_addOnsCfgPath(gf_simulatorVersion());
        gf_log(fmt::format("\\nReading {} for AI add-on packages...", file.string()));
        std::vector<std::string> lines;
        lines.reserve(kAddOnLinesReserved);
        if (!gf_readTextFileLines(file, lines))
        {
            gf_log(file.string() + " not found!");
        }
        else
        {
            std::vector<std::string> packages;
            walkSections(lines, {"Package", "PACKAGE", "package"}, {"Required", "REQUIRED"},
                         [&packages](const std::vector<std::string>& section)
                         { gf_collectPackagePaths(section, packages); });
            for (const std::string& package : packages)
            {
                readAddOnXml(package, folders);
            }
        }
        const auto found = static_cast<std::int64_t>(folders.size() - before);
        gf_log(fmt::format("{} AI add-on package{} found", found, gf_pluralS(found)));
    }
    catch (const std::exception& e)
    {
        gf_log(fmt::format("sys error exception {} in {}, no AI add-on packages found", e.what(),
                           "lf_readP3DAddOnsAircraft"));
    }
}

void gf_collectEntryPaths(const std::vector<std::string>& lines, LiveryFolderList& folders)
{
    for (const std::string& line : lines)
    {
        if (!isPathLine(line))
        {
            continue;
        }
        const std::string value = gf_trim(afterFirstEquals(line));
        if (!contains(line, "SimObjects"))
        {
            folders.push_back(value);
            continue;
        }
        bool stock = false;
        for (std::string_view category : kStockCategories)
        {
            stock = stock || contains(line, category);
        }
        if (!stock)
        {
            folders.push_back(gf_joinWindowsPath(SIM_INSTALL_PATH.value(), value));
        }
    }
}

void gf_readSimObjectsCfg(LiveryFolderList& folders)
{
    const WinPath text = gf_simObjectsCfgPath(gf_simulatorVersion());
    const fs::path file = text.real();
    if (!fs::exists(file))
    {
        return;
    }
    gf_log(fmt::format("\\nReading {} for AI add-on packages...", text.text()));
    std::vector<std::string> lines;
    lines.reserve(kAddOnLinesReserved);
    if (!gf_readTextFileLines(file, lines))
    {
        gf_log(text.text() + " not found!");
        return;
    }
    const std::size_t before = folders.size();
    walkSections(lines, {"Entry", "ENTRY"}, {"Title", "Required"},
                 [&folders](const std::vector<std::string>& section)
                 { gf_collectEntryPaths(section, folders); });
    gf_log(fmt::format("{} AI add-on packages found", folders.size() - before));
}

} // namespace oxl
