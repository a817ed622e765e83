#include "liveries/aircraft_cfg.h"

#include "foundation/log.h"
#include "foundation/text_files.h"
#include "foundation/worker_slots.h"
#include "liveries/cfg_lines.h"
#include "liveries/dbase.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_sections.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <fmt/format.h>
#include <optional>
#include <utility>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{

// Frees the scan worker's slot however the reader ends.
class WorkerSlotRelease
{
  public:
    WorkerSlotRelease() = default;
    ~WorkerSlotRelease() { gf_releaseWorkerSlot(); }
    WorkerSlotRelease(const WorkerSlotRelease&) = delete;
    WorkerSlotRelease& operator=(const WorkerSlotRelease&) = delete;
};

// A signed 32-bit number: optional '-', at least one digit, stopping at the first other character.
std::optional<std::int32_t> parseNumber(const std::string& text)
{
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data())
    {
        return std::nullopt;
    }
    return value;
}

// The type of a code: a known type, else the model fix's type (listed), else "" (listed).
std::string typeFromCode(const std::string& code, const std::string& where)
{
    if (gLiveries.gDbase.aircraftTypes.contains(code))
    {
        return code;
    }
    if (const auto fix = gLiveries.gDbase.modelFixes.find(code); fix != gLiveries.gDbase.modelFixes.end())
    {
        gf_addModelFix(fmt::format("Model fix: {} found in {} changed into {}", code, where, fix->second));
        return fix->second;
    }
    gf_addInvalidModelCode(code, where);
    return {};
}

std::string ivaoTypeOfCode(std::string code)
{
    if (code.ends_with('w'))
    {
        code.pop_back();
        return code;
    }
    if (code == "B744F" || code == "T154M")
    {
        return code.substr(0, 4);
    }
    if (code == "T154B2")
    {
        return "T154";
    }
    static const std::array<std::string_view, 6> gliders = {"GLID_SH",  "GLID_A13", "GLID_A25",
                                                            "GLID_KA6", "GLID_KA8", "GLID_L13"};
    for (std::string_view glider : gliders)
    {
        if (code == glider)
        {
            return "GLID";
        }
    }
    return code;
}

// A line that closes the open section without opening one: a '[' within the first `reach` characters.
bool closesSection(const std::string& line, std::size_t reach)
{
    const std::size_t bracket = line.find('[');
    return bracket != std::string::npos && bracket < reach;
}

template <typename ReadSection>
void splitSections(std::vector<std::string>& lines, std::size_t closingReach, ReadSection readSection)
{
    std::vector<std::string> pending;
    pending.reserve(kSectionLinesReserved);
    bool open = false;
    for (std::string& line : lines)
    {
        if (!gf_fltSimNumber(line).empty())
        {
            if (!pending.empty())
            {
                readSection(pending);
                pending.clear();
            }
            open = true;
            pending.push_back(std::move(line));
        }
        else if (closesSection(line, closingReach))
        {
            if (open && !pending.empty())
            {
                readSection(pending);
                pending.clear();
            }
            open = false;
        }
        else if (open)
        {
            pending.push_back(std::move(line));
        }
    }
    if (open && !pending.empty())
    {
        readSection(pending);
    }
}

// Reads the file's lines in its charset; none when there is no charset or the lines cannot be read.
std::optional<std::vector<std::string>> readCfgLines(const WinPath& file, bool logMissingCharset)
{
    const Charset charset = gf_detectCharset(file);
    if (charset == Charset::none_found)
    {
        if (logMissingCharset)
        {
            gf_logMarked(fmt::format("No character set found for {}", file.text()));
        }
        return std::nullopt;
    }
    std::vector<std::string> lines;
    lines.reserve(kCfgLinesReserved);
    if (!gf_readLinesWithCharset(charset, file, lines))
    {
        return std::nullopt;
    }
    // A UTF-16 file keeps the CR of its CR LF line ends; without it its lines read like an 8-bit file's,
    // and no header or value carries it into a record or a report line.
    for (std::string& line : lines)
    {
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
    }
    return lines;
}

std::list<LiveryData> searchLiveriesinFile(int folderIndex, const WinPath& file)
{
    if (!fs::exists(file.real()))
    {
        return {};
    }
    CfgFolder folder(file.parent());
    auto lines = readCfgLines(file, false);
    if (!lines || !gf_checkFltSimNumbers(*lines, file))
    {
        return {};
    }
    const std::string type = gf_readAtcModel(file, *lines);
    if (type.empty())
    {
        return {};
    }
    std::list<LiveryData> result;
    gf_splitFltSimSections(result, static_cast<std::uint32_t>(folderIndex), *lines, type, file, folder);
    return result;
}

} // namespace

bool gf_checkFltSimNumbers(const std::vector<std::string>& lines, const WinPath& file)
{
    std::vector<std::int32_t> numbers;
    for (const std::string& line : lines)
    {
        const std::string text = gf_fltSimNumber(line);
        if (text.empty())
        {
            continue;
        }
        const auto number = parseNumber(text);
        if (!number)
        {
            gf_logMarked(fmt::format("fltsim num {} incorrect", line));
            return false;
        }
        numbers.push_back(*number);
    }
    if (numbers.empty())
    {
        gLiveries.EmptyCfgFiles.add(file.text());
        return true;
    }
    // Negative numbers compare above the limit as unsigned values.
    for (const std::int32_t number : numbers)
    {
        if (static_cast<std::uint32_t>(number) > kMaxFltSimNumber)
        {
            gf_addInvalidCfgFile(file.text() + " contains a [fltsim.x] section with a number < 0 or > " +
                                 std::to_string(kMaxFltSimNumber));
            return false;
        }
    }
    return true;
}

std::string gf_readAtcModel(const WinPath& file, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
    {
        const std::string value = gf_extractAtcModel(line);
        if (!value.empty())
        {
            return typeFromCode(value, file.text());
        }
    }
    gf_addInvalidCfgFile("Line atc_model= is missing in [General] section of " + file.text());
    return {};
}

std::string gf_ivaoTypeFromPath(const WinPath& file)
{
    const auto code = gf_ivaoPathCode(file.text());
    if (!code)
    {
        gf_addInvalidModelCode("  ", file.text());
        return {};
    }
    return typeFromCode(ivaoTypeOfCode(*code), file.text());
}

void gf_splitFltSimSections(std::list<LiveryData>& out, std::uint32_t folderIndex,
                            std::vector<std::string>& lines, const std::string& type, const WinPath& file,
                            CfgFolder& folder)
{
    // A '[' in the first six characters, such as "   [General]", ends a section; one further right does not.
    splitSections(lines, 6,
                  [&](std::vector<std::string>& section) {
                      out.splice(out.end(), gf_procesFltSimSection(folderIndex, section, type, file, folder));
                  });
}

void gf_splitIvaoSections(std::list<LiveryData>& out, std::uint32_t folderIndex,
                          std::vector<std::string>& lines, const std::string& type, const WinPath& file,
                          CfgFolder& folder)
{
    splitSections(lines, std::string::npos,
                  [&](std::vector<std::string>& section)
                  {
                      LiveryData livery = gf_procesIvaoSection(folderIndex, section, type, file, folder);
                      if (!livery.airl.empty())
                      {
                          out.push_back(std::move(livery));
                      }
                  });
}

std::list<LiveryData> gf_searchLiveriesinFile(int folderIndex, const WinPath& file)
{
    WorkerSlotRelease release;
    try
    {
        return searchLiveriesinFile(folderIndex, file);
    }
    catch (const std::exception& e)
    {
        gf_log(fmt::format("Exception in lf_searchLiveriesinFile {}: {}", file.text(), e.what()));
        throw;
    }
}

std::list<LiveryData> gf_readAircraftCfg(int folderIndex, const WinPath& file)
{
    WorkerSlotRelease release;
    const std::string type = gf_ivaoTypeFromPath(file);
    if (type.empty())
    {
        return {};
    }
    CfgFolder folder(file.parent());
    auto lines = readCfgLines(file, true);
    if (!lines || !gf_checkFltSimNumbers(*lines, file))
    {
        return {};
    }
    std::list<LiveryData> result;
    gf_splitIvaoSections(result, static_cast<std::uint32_t>(folderIndex), *lines, type, file, folder);
    return result;
}

} // namespace oxl
