// Reading airport files: finding the file of an airport (local, linked or on the download site), the
// downloads, the read of the park airport's file into its stands, and two smaller users of the same
// files: the nearest-stand query of the airport list and the offline-learning test of the airport scan.
#pragma once

#include "airports/airport_file.h"
#include "airports/parking_state.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// The downloaded copy of an archived file for the nearest-stand query, removed after use.
inline constexpr std::string_view kClosestStandDownload = "airport.xml";
/// [nm] the nearest-stand query's answer when there is no file or no stand.
inline constexpr double kNoFileDistanceNm = 100.0;
/// Weeks of archived traffic an airport file needs to be used for offline learning.
inline constexpr std::int32_t kOfflineLearningMinWeek = 28;

/// What reading the park airport's file needs of its neighbours; installed by the program, replaced by
/// tests.
class AirportReadPort
{
  public:
    AirportReadPort() = default;
    virtual ~AirportReadPort() = default;
    AirportReadPort(const AirportReadPort&) = delete;
    AirportReadPort& operator=(const AirportReadPort&) = delete;

    /// The file has been read: static parking becomes active and the parameters count as unchanged.
    virtual void fileRead() = 0;
    /// The traffic reader's reference elevation [ft]; none while no park airport is set.
    virtual void setReferenceElevation(std::optional<double> elevationFt) = 0;
};

/// The reading on its own (tests): nothing follows a read.
class NoAirportReadPort : public AirportReadPort
{
  public:
    void fileRead() override {}
    void setReferenceElevation(std::optional<double> /*elevationFt*/) override {}
};

/// Installs the neighbours of the airport-file reading (not owned); null restores the reading on its own.
void gf_installAirportReadPort(AirportReadPort* port);
/// The installed neighbours.
[[nodiscard]] AirportReadPort& gf_airportReadPort();

/// Callsign, coupled callsign, airline and type of an option element.
struct OccupantIdentity
{
    std::string callsign;        ///< cs up to its first ':'
    std::string coupledCallsign; ///< cs after its first ':'; "" without one
    std::string airline;         ///< from the database when it knows the registration, else airl
    std::string type;            ///< from the database when it knows the registration, else type
};

/// The site path or local path of the airport's file: a link file or generated file in my_thirdparty,
/// then in my_ORBX, then the stock file on the site; "" when there is none.
[[nodiscard]] std::string gf_findAirportFile(const std::string& code);
/// Found when the airport has a local file, a link file or a stock file on the site.
[[nodiscard]] FileAnswer gf_haveAirportFile(const std::string& code);
/// The archived file named by the first line of a link file (up to and including its first ".xml");
/// false when the file is missing or its first line names none.
bool gf_readRedirect(const std::filesystem::path& linkFile, std::string& siteName);
/// Whether the site has the stock file of the airport. Each code is asked once per cycle; a download that the
/// full disk refused is no answer and is not remembered.
[[nodiscard]] FileAnswer gf_probeStockAirport(const std::string& code);
/// Forgets what the site answered about stock files (a new cycle).
void gf_forgetStockProbes();
/// Downloads a site path into a local file; "" on success, else the logged "failed to download: '<url>'",
/// or, when the full disk refused it, that the file waits for disk space.
std::string gf_downloadAirportFile(const std::string& sitePath, const std::filesystem::path& localPath);

/// Reads an airport file (a local path below airports, else a site path that is downloaded first) into
/// the state's stands, which the caller has emptied. "" after a good read, "no stands found" when the
/// file gave none, else the reason. Raises UserErrorException 65 without altitude and 94 for a repeated
/// stand id; the stands read before stay.
std::string gf_readApf(ParkingState& state, const std::string& path, ParkFileInfo& info,
                       QualityPair& quality);
/// The same for the program's parking state.
std::string gf_readApf(const std::string& path, ParkFileInfo& info, QualityPair& quality);

/// Appends the stands of every parkpos of the document, their options fixed; a repeated stand id raises
/// UserErrorException 94, the stands before it staying.
void gf_readParkpositions(const pugi::xml_node& document, std::vector<Stand>& stands);
/// Appends the stand of a parkpos element (nothing at latitude and longitude 0); fixed is stored in its
/// options. True when a stand was appended.
bool gf_readStands(std::vector<Stand>& stands, const pugi::xml_node& parkpos, const std::string& name,
                   std::uint32_t fixed);
/// True when the meta block names the file's author, date and version (their values are not compared).
[[nodiscard]] bool gf_hasMetaEntries(const pugi::xml_document& doc);
/// The option of an opt element (identity, kind, weekday, half-hours, registration) with its id and fixed.
[[nodiscard]] StandOccupancy gf_readOption(const pugi::xml_node& opt, std::uint32_t id, std::uint32_t fixed);
/// The identity of an option element: its callsigns, and airline and type preferably from the database.
[[nodiscard]] OccupantIdentity gf_readOccupant(const pugi::xml_node& opt);

/// The parameter's value read as a boolean; none without the parameter.
[[nodiscard]] std::optional<bool> gf_getParamBool(const pugi::xml_node& document, std::string_view key);
/// The parameter's value read as a signed integer (0 when not numeric); none without the parameter.
[[nodiscard]] std::optional<std::int32_t> gf_getParamInt(const pugi::xml_node& document,
                                                         std::string_view key);
/// The parameter's value; none without the parameter.
[[nodiscard]] std::optional<std::string> gf_getParamString(const pugi::xml_node& document,
                                                           std::string_view key);

/// [nm] distance from the position to the nearest stand of the airport's file, with that stand's name;
/// kNoFileDistanceNm when there is no file or it cannot be read.
double gf_readDestApfForClosestStand(const std::string& code, double lat, double lon, std::string& standName);

/// True when the site's stock file of the airport carries learned data and enough weeks of traffic to
/// be used for offline learning.
bool gf_getStockArchivedAirport(const std::string& code);

} // namespace oxl
