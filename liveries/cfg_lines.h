// The lines of aircraft.cfg files that the livery scan understands: key lines "key = value", section
// headers "[fltsim.N]", the code in an IVAO package path and the airline code in an IVAO title.
// Each test accepts exactly the lines that the scan's whole-line, case-insensitive ECMAScript patterns
// accept, with the same captured text, but walks the line once and never recurses: a regular-expression
// engine that recurses per character can overflow a scan worker's stack on one long line of a bad file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace oxl
{

/// The header number given to a malformed "[fltsim." header.
inline constexpr std::string_view kMalformedHeaderNumber = "10000";

/// White space of the patterns: blank, tab, line feed, vertical tab, form feed, carriage return.
bool gf_isPatternSpace(char c);

/// The value of a key line `\s*(key)\s*=\s*(.*\S)\s*` (key ignoring case), "" when the line is not one.
std::string gf_regexValue(std::string_view line, std::string_view key);

/// Sets the title from a "title=" line; false (title unchanged) for any other line.
bool gf_extractTitle(std::string_view line, std::string& title);
/// Sets the flight-model name from a "sim=" line; false for any other line.
bool gf_extractSim(std::string_view line, std::string& sim);
/// Sets the model name from a "model=" line; false for any other line.
bool gf_extractModel(std::string_view line, std::string& model);
/// Sets the texture name from a "texture=" line; false for any other line.
bool gf_extractTexture(std::string_view line, std::string& texture);
/// Sets the ATC id from an "atc_id=" line; false for any other line.
bool gf_extractAtcId(std::string_view line, std::string& atcId);
/// Sets the parking types from an "atc_parking_types=" line; false for any other line.
bool gf_extractParkingTypes(std::string_view line, std::string& types);
/// Sets the first trimmed comma part (maybe empty) of an "atc_parking_codes=" line; false for any other.
bool gf_extractParkingCode(std::string_view line, std::string& code);
/// The value of an "atc_model=" line, "" for any other line.
std::string gf_extractAtcModel(std::string_view line);
/// True when "atc_id=" occurs anywhere in the line (case-sensitive).
bool gf_hasAtcIdKey(std::string_view line);
/// True when "atc_parking_types" occurs anywhere in the line (case-sensitive).
bool gf_hasParkingTypesKey(std::string_view line);

/// The number text of a section header: "" for a comment or no header, the digits of a whole-line
/// `\s*(\[fltsim\.)(\d+)\]\s*`, "10000" for any other line holding "[fltsim." or "[FLTSIM.".
std::string gf_fltSimNumber(std::string_view line);

/// The code of an IVAO package file path `.+\\IVAO_MTL\\IVAO_(\w+)\\aircraft.cfg$` (ignoring case).
std::optional<std::string> gf_ivaoPathCode(std::string_view path);

/// The airline code of an IVAO title: the type (ignoring case), optional white space, then three word
/// characters, as written; none when the title is not of that form.
std::optional<std::string> gf_ivaoTitleAirline(std::string_view title, std::string_view type);

} // namespace oxl
