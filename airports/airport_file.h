// The airport file: one XML format for archived, generated, learned and hand-made descriptions of an
// airport's parking positions, its folders and names, and the writer of generated and learned files.
#pragma once

#include "airports/stand.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// The folder of all local airport files, relative to the program folder.
inline constexpr std::string_view kAirportsFolder = "airports";
/// Generated and link files of sceneries of the publisher "simaddon".
inline constexpr std::string_view kMyOrbxFolder = "airports/my_ORBX";
/// Generated and link files of sceneries of every other publisher.
inline constexpr std::string_view kMyThirdpartyFolder = "airports/my_thirdparty";
/// Learned files, below it the folders stock, simaddon and thirdparty/<publisher>.
inline constexpr std::string_view kLearnedFolder = "airports/learned";
/// The downloaded copy of the current park airport's archived file.
inline constexpr std::string_view kParkAirportFile = "airports/park_airport.xml";
/// The site folder of archived files of airports of the simulator's own scenery.
inline constexpr std::string_view kStockArchiveFolder = "archive/stock/";
/// The publisher of files whose scenery publisher is not known.
inline constexpr std::string_view kUnknownPublisher = "unknown";

/// Quality of the learned data of an airport's stands, 0..100 each; -1 means "not known".
struct QualityPair
{
    std::int32_t real = -1; ///< Qf_real: observed occupancy
    std::int32_t soft = -1; ///< Qf_soft: occupancy taken from aircraft that drove to a stand
    /// Pairs are equal when both numbers are.
    friend bool operator==(const QualityPair&, const QualityPair&) = default;
};

/// What reading an airport file tells about the file.
struct ParkFileInfo
{
    std::string name;          ///< airport_name
    std::string publisher;     ///< publisher
    std::int32_t altitude = 0; ///< [ft]
};

/// One airport decoded from scenery, or the park airport handed to the learned save.
struct ScannedAirport
{
    std::string ident;              ///< 4-character ICAO ident
    std::string name;               ///< airport name
    std::string bglPath;            ///< the scenery file the airport was decoded from
    std::string publisher;          ///< "simaddon", a publisher name or "unknown"
    std::int32_t qualityReal = 0;   ///< Qf_real written into hand-made files
    std::int32_t qualitySoft = 0;   ///< Qf_soft written into hand-made files
    std::uint32_t helipadCount = 0; ///< helipads among the stands, for the scan log
    std::int32_t altitudeFt = 0;    ///< [ft] airport altitude
    std::vector<Stand> stands;      ///< stands and helipads
};

/// The two ways of writing an airport file.
enum class ApfMode : std::uint32_t
{
    learned = 0,   ///< what was learned in this run, with the ten settings
    generated = 1, ///< every stand in full, from decoded scenery
};

/// The file name of an airport's file: the code followed by ".xml".
[[nodiscard]] std::string gf_icaoXml(std::string_view code);
/// The path of an airport's file in a folder.
[[nodiscard]] std::filesystem::path gf_airportXmlName(const std::filesystem::path& folder,
                                                      std::string_view code);
/// The path of an airport's link file in a folder: the code followed by ".txt".
[[nodiscard]] std::filesystem::path gf_airportTxtName(const std::filesystem::path& folder,
                                                      std::string_view code);

/// Appends the parameters block of the airport; the hand-made keys only with handmade set (never in
/// generated mode). False when the block cannot be added.
bool gf_writeApfParameters(pugi::xml_node document, const ScannedAirport& airport, ApfMode mode,
                           bool handmade);

/// Writes the whole airport file to path through a temporary file in its folder, so a failed or
/// concurrent write never leaves a half file; handmade marks the park airport's hand-made file and is
/// ignored for generated files. False when a block cannot be built or the file cannot be saved.
bool gf_writeApf(const ScannedAirport& airport, const std::filesystem::path& path, ApfMode mode,
                 bool handmade = false);

/// A decimal attribute read like strtod: its leading number, 0 when absent or not numeric or not finite.
[[nodiscard]] double gf_apfDouble(const pugi::xml_node& node, const char* name);
/// A signed decimal attribute, 0 when absent, not numeric or out of range.
[[nodiscard]] std::int32_t gf_apfInt(const pugi::xml_node& node, const char* name);
/// A boolean attribute: true when its value begins with '1', 't', 'T', 'y' or 'Y'.
[[nodiscard]] bool gf_apfBool(const pugi::xml_node& node, const char* name);
/// A text attribute, "" when absent; the bytes that the file's writer escaped (gf_escapeBytes) restored.
[[nodiscard]] std::string gf_apfText(const pugi::xml_node& node, const char* name);

/// The signed decimal number at the start of a text (after blanks); none when there is none or it does
/// not fit 32 bits.
[[nodiscard]] std::optional<std::int32_t> gf_parseApfInt(std::string_view text);
/// The decimal number at the start of a text (after blanks), read like strtod; none when there is none or
/// it is not finite.
[[nodiscard]] std::optional<double> gf_parseApfDouble(std::string_view text);

} // namespace oxl
