#include "foundation/strings.h"

#include <algorithm>
#include <cctype>

namespace oxl
{

char gf_lowerByte(char c)
{
    // Through unsigned char: bytes >= 0x80 are negative chars, undefined for tolower.
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

char gf_upperByte(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string gf_trim(std::string_view text)
{
    const auto first = text.find_first_not_of(kWhitespace);
    if (first == std::string_view::npos)
    {
        return {};
    }
    const auto last = text.find_last_not_of(kWhitespace);
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> gf_splitString(std::string_view text, char delimiter)
{
    std::vector<std::string> pieces;
    if (text.empty())
    {
        return pieces;
    }
    pieces.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), delimiter)) + 1);
    std::size_t start = 0;
    while (true)
    {
        const auto end = text.find(delimiter, start);
        pieces.push_back(gf_trim(text.substr(start, end == std::string_view::npos ? end : end - start)));
        if (end == std::string_view::npos)
        {
            return pieces;
        }
        start = end + 1;
    }
}

std::vector<std::string> gf_splitCommaVector(std::string_view text)
{
    return gf_splitString(text, ',');
}

std::vector<std::string> gf_splitCommaTrim(std::string_view text)
{
    return gf_splitString(text, ',');
}

std::list<std::string> gf_splitCommaSet(std::string_view text)
{
    std::list<std::string> pieces;
    if (text.empty())
    {
        return pieces;
    }
    std::size_t start = 0;
    while (true)
    {
        const auto end = text.find(',', start);
        pieces.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
        {
            break;
        }
        start = end + 1;
    }
    pieces.sort();
    pieces.unique();
    return pieces;
}

void gf_trimCommaList(std::string& text)
{
    if (text.find_first_of(kWhitespace) == std::string::npos)
    {
        return;
    }
    std::string joined;
    bool first = true;
    for (const std::string& piece : gf_splitCommaTrim(text))
    {
        if (!first)
        {
            joined += ',';
        }
        joined += piece;
        first = false;
    }
    text = std::move(joined);
}

bool gf_containsNoCase(std::string_view text, std::string_view part)
{
    const auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                                [](char a, char b) { return gf_lowerByte(a) == gf_lowerByte(b); });
    return it != text.end() || part.empty();
}

bool gf_equalsUpperCased(std::string_view a, std::string b)
{
    std::transform(b.begin(), b.end(), b.begin(), gf_upperByte);
    return a == b;
}

bool gf_equalsWithStar(std::string_view a, std::string_view b)
{
    return b.size() == a.size() + 1 && b.back() == '*' && b.substr(0, a.size()) == a;
}

std::string gf_extractPathTag(std::string_view text)
{
    constexpr std::string_view open = "<Path>";
    constexpr std::string_view close = "</Path>";
    const auto begin = text.find(open);
    const auto end = text.find(close);
    if (begin == std::string_view::npos || end == std::string_view::npos || end < begin + open.size())
    {
        return {};
    }
    return std::string(text.substr(begin + open.size(), end - begin - open.size()));
}

std::string_view gf_pluralS(std::int64_t count)
{
    return count == 1 || count < 0 ? "" : "s";
}

std::string_view gf_pluralS32(std::int32_t count)
{
    return count == 1 || count < 0 ? "" : "s";
}

std::string_view gf_pluralSU64(std::uint64_t count)
{
    return count == 1 ? "" : "s";
}

} // namespace oxl
