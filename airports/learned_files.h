// Learned files: what the program learned at an airport (options of its stands, changed stand sizes and
// cargo marks, stands added by hand) and the settings chosen there, kept beside the airport file they
// belong to and filed by the publisher of that file.
#pragma once

#include "airports/stand.h"

#include <filesystem>
#include <string_view>

namespace oxl
{

/// True when a publisher's name can serve as a folder name below the learned folder: not empty and
/// without a path separator or "..".
[[nodiscard]] bool lf_publisherFolderAllowed(std::string_view publisher);

/// The learned file of an airport file (a site path below "archive" or a local path below "airports"),
/// learned files being filed by publisher; an empty text, or a publisher that cannot be a folder name
/// where one is needed, gives an empty path.
[[nodiscard]] std::filesystem::path lf_learnedFilePath(std::string_view airportFile, std::string_view publisher);

/// True when a learned option repeats an existing one: same weekday, kind, registration, airline and
/// type, and at least one half-hour in common.
[[nodiscard]] bool lf_sameOption(const StandOccupancy& learned, const StandOccupancy& existing);

} // namespace oxl
