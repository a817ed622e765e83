// Carrying parameters.xml over from the version of the program that last used
// it.
#pragma once

#include "foundation/parameters.h"

#include <cstdint>

namespace oxl
{

/// Records the program's version in PROGRAM_VERSION; when the program is newer
/// than the file, converts the six older settings, removes the installer file
/// and switches both scans on.
void gf_checkVersionUpdate();

/// An old count limit (CUSTOM_MAX_PARK, MAX_LIVE) as one of the choices 0, 10,
/// 25, 50, 75, 100, 500.
std::int32_t gf_convertCount(std::int32_t oldCount);
/// An old airport range [nm] as one of the choices 5, 10, 15, 20, 25, 30.
std::int32_t gf_convertAirportRange(std::int32_t oldRangeNm);

} // namespace oxl
