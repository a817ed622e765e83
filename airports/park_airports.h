// The list of park airports the user keeps in airports/my_park_airports.txt, with the airports of the
// my_thirdparty folder added: the candidates at which static aircraft are parked.
#pragma once

#include "airports/parking_state.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace oxl
{

/// The user's park-airport file in the airports folder.
inline constexpr std::string_view kMyParkAirportsFileName = "my_park_airports.txt";

/// Reads the park-airport file of the airports folder into the list (emptied first), then appends the
/// airports of its my_thirdparty folder; false when an airport was unknown or an error occurred.
bool gf_readMyParkAirports(ParkingState& parking, const std::filesystem::path& airportsFolder);
/// The program's park-airport list from the program folder's airports folder.
bool gf_readMyParkAirports();

/// Writes the list's first entry into my_park_airports.txt (sorted, without duplicate lines); creates the
/// file when it is missing and leaves a file that cannot be read alone.
void gf_writeMyParkAirports(ParkingState& state, const std::filesystem::path& airportsFolder);
/// Replaces the line when its code (first ','-part) is the code; true when it did.
bool gf_updateMyParkStand(const std::string& code, const std::string& newLine, std::string& line);
/// Puts a destination airport first in the list; a new one is also written to my_park_airports.txt.
void gf_addParkAirport(ParkingState& state, const std::string& code, double lat, double lon,
                       const std::filesystem::path& airportsFolder);
/// Empties the park-airport list.
void gf_clearParkAirportList(ParkingState& state);

} // namespace oxl
