// The list of park airports the user keeps in airports/my_park_airports.txt, with the airports of the
// my_thirdparty folder added: the candidates at which static aircraft are parked.
#pragma once

#include "airports/parking_state.h"

#include <filesystem>
#include <string_view>

namespace oxl
{

/// The user's park-airport file in the airports folder.
inline constexpr std::string_view kMyParkAirportsFileName = "my_park_airports.txt";

/// Reads the park-airport file of the airports folder into the list (emptied first), then appends the
/// airports of its my_thirdparty folder; false when an airport was unknown or an error occurred.
bool lf_readMyParkAirports(ParkingState& parking, const std::filesystem::path& airportsFolder);
/// The program's park-airport list from the program folder's airports folder.
bool lf_readMyParkAirports();

} // namespace oxl
