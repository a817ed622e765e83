// Text helpers: trimming, comma lists, case-insensitive tests, plural endings.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// The characters that trimming removes: blank, tab, line feed and carriage return.
inline constexpr std::string_view kWhitespace = " \t\n\r";

/// The text without leading and trailing whitespace.
std::string gf_trim(std::string_view text);
/// The trimmed pieces between delimiters; k delimiters give k + 1 pieces, an empty text none.
std::vector<std::string> gf_splitString(std::string_view text, char delimiter);
/// The trimmed pieces of a comma list.
std::vector<std::string> gf_splitCommaVector(std::string_view text);
/// The trimmed pieces of a comma list (same pieces as gf_splitCommaVector).
std::vector<std::string> gf_splitCommaTrim(std::string_view text);
/// The distinct untrimmed pieces of a comma list, sorted by byte order.
std::list<std::string> gf_splitCommaSet(std::string_view text);
/// Removes whitespace around the pieces of a comma list ("a , b" becomes "a,b").
void gf_trimCommaList(std::string& text);
/// True when the part occurs in the text ignoring case; an empty part is always found.
bool gf_containsNoCase(std::string_view text, std::string_view part);
/// True when a equals b upper-cased byte by byte (".XML" against a file extension).
bool gf_equalsUpperCased(std::string_view a, std::string b);
/// True when b is a followed by one '*'.
bool gf_equalsWithStar(std::string_view a, std::string_view b);
/// The text between the first "<Path>" and the first "</Path>", empty when the pair is missing.
std::string gf_extractPathTag(std::string_view text);
/// "" for a count of 1 or a negative count, else "s".
std::string_view gf_pluralS(std::int64_t count);
/// "" for a count of 1 or a negative count, else "s".
std::string_view gf_pluralS32(std::int32_t count);
/// "" for a count of 1, else "s".
std::string_view gf_pluralSU64(std::uint64_t count);

/// The byte lower-cased by the C library, defined for every byte value.
char gf_lowerByte(char c);
/// The byte upper-cased by the C library, defined for every byte value.
char gf_upperByte(char c);

} // namespace oxl
