#include "liveries/cfg_lines.h"

#include "foundation/strings.h"

#include <algorithm>

namespace oxl
{
namespace
{

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return foldAscii(x) == foldAscii(y); });
}

bool startsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

// The patterns' `.` matches every character but the two line terminators.
bool hasLineTerminator(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool isWordChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t skipSpace(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && gf_isPatternSpace(text[pos]))
    {
        ++pos;
    }
    return pos;
}

bool allSpace(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), gf_isPatternSpace);
}

bool extractInto(std::string_view line, std::string_view key, std::string& out)
{
    std::string value = gf_regexValue(line, key);
    if (value.empty())
    {
        return false;
    }
    out = std::move(value);
    return true;
}

} // namespace

bool gf_isPatternSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string gf_regexValue(std::string_view line, std::string_view key)
{
    std::size_t pos = skipSpace(line, 0);
    if (!startsNoCase(line.substr(pos), key))
    {
        return {};
    }
    pos = skipSpace(line, pos + key.size());
    if (pos >= line.size() || line[pos] != '=')
    {
        return {};
    }
    // The value runs from the first to the last non-space character after '=' and may not span a line end.
    std::string_view value = line.substr(pos + 1);
    const auto first = std::find_if_not(value.begin(), value.end(), gf_isPatternSpace);
    if (first == value.end())
    {
        return {};
    }
    const auto last = std::find_if_not(value.rbegin(), value.rend(), gf_isPatternSpace).base();
    value = std::string_view(&*first, static_cast<std::size_t>(last - first));
    if (hasLineTerminator(value))
    {
        return {};
    }
    return std::string(value);
}

bool gf_extractTitle(std::string_view line, std::string& title)
{
    return extractInto(line, "title", title);
}

bool gf_extractSim(std::string_view line, std::string& sim)
{
    return extractInto(line, "sim", sim);
}

bool gf_extractModel(std::string_view line, std::string& model)
{
    return extractInto(line, "model", model);
}

bool gf_extractTexture(std::string_view line, std::string& texture)
{
    return extractInto(line, "texture", texture);
}

bool gf_extractAtcId(std::string_view line, std::string& atcId)
{
    return extractInto(line, "atc_id", atcId);
}

bool gf_extractParkingTypes(std::string_view line, std::string& types)
{
    return extractInto(line, "atc_parking_types", types);
}

bool gf_extractParkingCode(std::string_view line, std::string& code)
{
    const std::string value = gf_regexValue(line, "atc_parking_codes");
    if (value.empty())
    {
        return false;
    }
    const std::vector<std::string> parts = gf_splitString(value, ',');
    if (parts.empty())
    {
        return false;
    }
    code = parts.front();
    return true;
}

std::string gf_extractAtcModel(std::string_view line)
{
    return gf_regexValue(line, "atc_model");
}

bool gf_hasAtcIdKey(std::string_view line)
{
    return line.find("atc_id=") != std::string_view::npos;
}

bool gf_hasParkingTypesKey(std::string_view line)
{
    return line.find("atc_parking_types") != std::string_view::npos;
}

std::string gf_fltSimNumber(std::string_view line)
{
    if (line.starts_with("//"))
    {
        return {};
    }
    constexpr std::string_view opening = "[fltsim.";
    std::size_t pos = skipSpace(line, 0);
    if (startsNoCase(line.substr(pos), opening))
    {
        pos += opening.size();
        const std::size_t digits = pos;
        while (pos < line.size() && isDigit(line[pos]))
        {
            ++pos;
        }
        if (pos > digits && pos < line.size() && line[pos] == ']' && allSpace(line.substr(pos + 1)))
        {
            return std::string(line.substr(digits, pos - digits));
        }
    }
    if (line.find("[fltsim.") != std::string_view::npos || line.find("[FLTSIM.") != std::string_view::npos)
    {
        return std::string(kMalformedHeaderNumber);
    }
    return {};
}

std::optional<std::string> gf_ivaoPathCode(std::string_view path)
{
    // "\aircraft" + any character + "cfg" at the end; the pattern's '.' there is not escaped.
    constexpr std::size_t tailSize = 13;
    if (hasLineTerminator(path) || path.size() < tailSize)
    {
        return std::nullopt;
    }
    const std::string_view tail = path.substr(path.size() - tailSize);
    if (tail[0] != '\\' || !equalNoCase(tail.substr(1, 8), "aircraft") ||
        !equalNoCase(tail.substr(10), "cfg"))
    {
        return std::nullopt;
    }
    // The package folder is the last component before that tail: "IVAO_" and one or more word characters.
    const std::string_view head = path.substr(0, path.size() - tailSize);
    const std::size_t slash = head.rfind('\\');
    if (slash == std::string_view::npos)
    {
        return std::nullopt;
    }
    const std::string_view package = head.substr(slash + 1);
    if (package.size() < 6 || !startsNoCase(package, "ivao_") ||
        !std::all_of(package.begin() + 5, package.end(), isWordChar))
    {
        return std::nullopt;
    }
    // It lies directly in IVAO_MTL, below at least one more character.
    constexpr std::string_view mtl = "\\ivao_mtl";
    const std::string_view above = head.substr(0, slash);
    if (above.size() <= mtl.size() || !equalNoCase(above.substr(above.size() - mtl.size()), mtl))
    {
        return std::nullopt;
    }
    return std::string(package.substr(5));
}

std::optional<std::string> gf_ivaoTitleAirline(std::string_view title, std::string_view type)
{
    if (!startsNoCase(title, type))
    {
        return std::nullopt;
    }
    const std::size_t pos = skipSpace(title, type.size());
    if (pos + 3 > title.size() ||
        !std::all_of(title.begin() + static_cast<std::ptrdiff_t>(pos),
                     title.begin() + static_cast<std::ptrdiff_t>(pos + 3), isWordChar))
    {
        return std::nullopt;
    }
    if (hasLineTerminator(title.substr(pos + 3)))
    {
        return std::nullopt;
    }
    return std::string(title.substr(pos, 3));
}

} // namespace oxl
