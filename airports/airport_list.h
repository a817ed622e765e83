// The airport list: every airport the simulator knows, read once per process from input/airports_p3d.xml.
#pragma once

#include "airports/airport_grid.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// One airport of the list; also the type of the current park airport.
struct Airport
{
    std::string code;       ///< ICAO code; empty when the file gave none
    std::string iata;       ///< IATA code; empty when the file gave none
    double latitude = 0.0;  ///< [deg]
    double longitude = 0.0; ///< [deg]
    double altitude = 0.0;  ///< [ft] elevation, as read
};

/// The airport list's file name in the input folder.
inline constexpr std::string_view kAirportListFileName = "airports_p3d.xml";
/// [nm] farthest distance at which an airport counts as the one the user aircraft is at.
inline constexpr double kClosestAirportMaxNm = 5.0;
/// [nm] distance that the closest-stand query gives when an airport has no usable file or stand.
inline constexpr double kNoStandDistanceNm = 100.0;

/// Distance [nm] from a position to the nearest stand in an airport's file, with that stand's name;
/// kNoStandDistanceNm when the airport has no usable file or stand.
using ClosestStandQuery =
    std::function<double(const Airport& airport, double lat, double lon, std::string& standName)>;

/// Which airports a position query looks at: those the grid finds near the position, or every airport of
/// the list (the plain walk, whose answers the grid's must equal).
enum class AirportSearch
{
    grid,
    wholeList,
};

/// A list of airports sorted by code, read from one XML file.
class AirportList
{
  public:
    /// Reads the list from the file once; later calls return at once. True when the list is not
    /// empty. A file that cannot be parsed or lacks its root raises UserErrorException 88 and leaves
    /// the list empty and unread, so a later call starts afresh.
    bool read(const std::filesystem::path& path);
    /// True once a read has finished.
    [[nodiscard]] bool isRead() const { return read_.load(std::memory_order_acquire); }
    /// The airports, sorted by code; empty until a read has finished.
    [[nodiscard]] const std::vector<Airport>& airports() const;
    /// The first airport with exactly that code, or nullptr.
    [[nodiscard]] const Airport* find(std::string_view code) const;
    /// The airport the position is at (within 5 nm), or nullptr; of the closest airport and the one
    /// closest before it in code order, the one with the nearer stand wins.
    [[nodiscard]] const Airport* closest(double lat, double lon,
                                         AirportSearch search = AirportSearch::grid) const;
    /// The airport nearest to the position within maxNm [nm], the last in code order of equally near
    /// ones, or nullptr; quiet.
    [[nodiscard]] const Airport* nearest(double lat, double lon, double maxNm,
                                         AirportSearch search = AirportSearch::grid) const;
    /// Installs the query of the airport files that decides between two close airports.
    void setClosestStandQuery(ClosestStandQuery query) { closestStand_ = std::move(query); }

  private:
    /// Calls visit(airport, distance [nm]) for every airport within radiusNm of the position, in list order.
    template <typename Visit>
    void forEachWithin(double lat, double lon, double radiusNm, AirportSearch search, Visit visit) const;

    std::vector<Airport> airports_;
    AirportGrid grid_;
    // Set last, with release, so that the window thread sees either no list or the complete one.
    std::atomic<bool> read_{false};
    ClosestStandQuery closestStand_;
};

/// The input folder of the program folder, where the data files lie.
[[nodiscard]] std::filesystem::path gf_inputFolder();

/// Reads the program's airport list from the input folder joined with fileName, once per process;
/// true when the list is not empty. Raises UserErrorException 88 when the file cannot be read.
bool gf_readAirports(std::string_view fileName);

/// The program's airport at the position (see AirportList::closest), or nullptr.
[[nodiscard]] const Airport* gf_closestAirport(double lat, double lon);

/// The program's airport nearest to the position within maxNm [nm], or nullptr; quiet and cheap enough for
/// every aircraft once a second.
[[nodiscard]] const Airport* gf_nearestAirport(double lat, double lon, double maxNm);

/// The program's first airport with exactly that code, or nullptr.
[[nodiscard]] const Airport* gf_findAirport(std::string_view code);

/// The code ("?" when empty), followed by " (IATA)" when the airport has an IATA code.
[[nodiscard]] std::string gf_airportDisplayName(const Airport& airport);

} // namespace oxl
