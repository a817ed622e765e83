// Where a decoded add-on airport's file comes from: a link file naming the archived file on the maker's
// site, or an airport file generated from the decoded stands. Runs inside the scan's BGL workers.
#pragma once

#include "airports/airport_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oxl
{

/// Publisher of the simulator add-on sceneries (paths containing ORBX); their files go to my_ORBX.
inline constexpr std::string_view kSimaddonPublisher = "simaddon";
/// Site folder of the archived files of thirdparty publishers.
inline constexpr std::string_view kThirdpartyArchiveFolder = "archive/thirdparty/";
/// Site folder of the archived files of simaddon airports.
inline constexpr std::string_view kSimaddonArchiveFolder = "archive/simaddon/";

/// Sets the airport's bglPath and publisher and, when the site has an archived file of the airport,
/// writes its link file; true when linked. archivedCount gets the archived file's stand count (0 when
/// unknown). Serialised across workers.
bool gf_linkArchivedAirport(ScannedAirport& airport, std::uint32_t& archivedCount, const std::string& path);

/// The publisher of a scenery path: "simaddon" for ORBX in any case, the first dbase publisher group
/// with a name in the path, else "unknown".
[[nodiscard]] std::string gf_publisherFromFilename(const std::string& path);

/// The site path of the airport's archived simaddon file, none when the dbase lists no such airport.
[[nodiscard]] std::optional<std::string> gf_checkArchivedSimaddon(const std::string& ident);

/// The site path of the publisher's archived file of the airport, none when the publisher's lists do not
/// have the airport; archivedCount gets the stand count the list gives.
[[nodiscard]] std::optional<std::string> gf_checkArchivedThirdParty(const std::string& publisher,
                                                                    const ScannedAirport& airport,
                                                                    std::uint32_t& archivedCount);

/// True when the thirdparty list entry names the airport (begins with its ident); the stand count
/// written after the ident then goes to archivedCount, which keeps its value when there is none.
[[nodiscard]] bool gf_prefixNumber(std::string_view entry, std::string_view ident, std::string_view publisher,
                                   std::uint32_t& archivedCount);

/// Writes the generated airport file of an airport with stands into my_ORBX or my_thirdparty, its stands
/// sorted by name; std::filesystem::filesystem_error "create_directory" when the folder cannot be made.
void gf_generateAirportFile(ScannedAirport& airport);

} // namespace oxl
