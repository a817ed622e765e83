// Flight-plan files: one small plan per created live aircraft with a route, in <AppData>/Ordalis_P3D/
// orig_dest, named after its simulator object, so that the simulator shows its departure and destination.
#pragma once

#include "records/aircraft_records.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace oxl
{

/// The flight-plan folder of the cycle (set by gf_createFlightPlanFolder).
std::filesystem::path gf_flightPlanFolder();
/// Sets the folder to <data folder>/orig_dest and creates it (and the data folder); true when it exists.
bool gf_createFlightPlanFolder();
/// The file name of an object's plan: "{id}.pln".
std::filesystem::path gf_flightPlanFileName(std::uint32_t objectId);
/// Writes the eight lines of an aircraft's plan (truncating the file); false when it cannot be opened.
bool gf_writeFlightPlanFile(const std::filesystem::path& file, const AcProfile& aircraft);
/// Removes the folder with everything in it; true when it no longer exists.
bool gf_removeFlightPlanFolder();
/// The text with & < > " ' written as XML entities.
std::string gf_xmlEscape(const std::string& text);

} // namespace oxl
