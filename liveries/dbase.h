// The aircraft database: type, airline, publisher and registration tables read once per process from
// input/dbase.enc, and the queries that rest only on the type tables.
#pragma once

#include "records/aircraft_records.h"

#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace oxl
{

/// What the database knows of one registration.
struct DbaseRecord
{
    std::string airl;   ///< airline ICAO code
    std::string type;   ///< ICAO type code
    std::string opr;    ///< operator code, often empty; flies the aircraft for `airl` when set
    bool cargo = false; ///< the aircraft is a freighter

    /// Records are equal when every field is.
    friend bool operator==(const DbaseRecord&, const DbaseRecord&) = default;
};

/// A scenery publisher and the airports of its sceneries, each an ICAO code directly followed by the
/// stand count of the archived airport file.
struct ThirdPartyEntry
{
    std::string pub;                ///< publisher name
    std::vector<std::string> arpts; ///< airport entries
};

/// Hash of a text that also takes views, so that a lookup needs no string copy.
struct TextHash
{
    using is_transparent = void;
    /// Hashes the bytes of the text.
    std::size_t operator()(std::string_view text) const noexcept
    {
        return std::hash<std::string_view>{}(text);
    }
};

/// The tables made from the database. Filled on the cycle worker before any scan thread runs and only
/// read afterwards, so no lock guards them.
struct Dbase
{
    std::set<std::string> aircraftTypes;                 ///< every type code the program knows
    std::set<std::string> highPerfTypes;                 ///< category HighPerf
    std::set<std::string> heavyTypes;                    ///< category Heavy
    std::set<std::string> largeTypes;                    ///< category Large
    std::set<std::string> buzjetTypes;                   ///< category Buzjets
    std::set<std::string> rotorcraftTypes;               ///< category Rotorcraft
    std::set<std::string> cargoTypes;                    ///< freighter types (required, otherwise unused)
    std::vector<std::vector<std::string>> similarGroups; ///< file order, each group sorted
    std::set<std::string> airlineCodes;                  ///< known airline ICAO codes
    std::set<std::string> cargoOperators;                ///< freighter operators (required, otherwise unused)
    std::vector<std::vector<std::string>> publisherGroups;   ///< by raw names text; first word is the name
    std::map<std::string, double> halfSpansNm;               ///< type -> half wingspan [nm]
    std::array<double, 6> categoryHalfSpansNm{};             ///< average half-span per AcCategory [nm]
    double largestHalfSpanNm = 0.0;                          ///< largest half-span met while reading [nm]
    std::unordered_map<std::string, std::string> modelFixes; ///< wrong type code -> correct type code
    std::set<std::string> simaddonAirports;                  ///< airports of the simulator add-on sceneries
    std::vector<ThirdPartyEntry> thirdParties;               ///< file order, unchecked
    std::unordered_map<std::string, DbaseRecord, TextHash, std::equal_to<>> registrations; ///< by `reg`
    std::unordered_set<std::string, TextHash, std::equal_to<>> shortRegKeys; ///< non-empty keys of 1..5 bytes
};

/// Longest registration key that can stand inside a livery title [bytes].
inline constexpr std::size_t kInlineRegcodeMaxBytes = 5;

/// Reads input/dbase.enc of the working folder into gLiveries.gDbase; true when every section was read.
/// Failures throw (std::runtime_error, UserErrorException 60 and 61); the decrypted dbase.xml is
/// removed on every path.
bool gf_readDbase();
/// The same for the dbase.enc in another folder (its dbase.xml is made beside it).
bool gf_readDbase(const std::filesystem::path& inputFolder);

/// The category of a type code: Large, Heavy, Buzjets, Rotorcraft, HighPerf sets in this order, else Light.
AcCategory gf_aircraftCategory(const std::string& type);
/// True when the type code is not empty and in the aircraft type set.
bool gf_isKnownType(const std::string& type);
/// True when the airline code is not empty and in the airline code set.
bool gf_isKnownAirline(const std::string& airline);
/// The type's half wingspan [nm], else the average half-span of its category (0 when none is known).
double gf_wingspan(const std::string& type);
/// The largest half wingspan of the database [nm]; the user aircraft's default and missing-span mark.
double gf_largestHalfSpan();

/// The wingspan text of the database as a number [m]: leading white space skipped, the longest leading
/// decimal number taken with '.' as the decimal point whatever the locale; a text without one, a
/// negative or a non-finite value gives 0.
double gf_parseMeters(std::string_view text);

} // namespace oxl
