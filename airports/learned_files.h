// Learned files: what the program learned at an airport (options of its stands, changed stand sizes and
// cargo marks, stands added by hand) and the settings chosen there, kept beside the airport file they
// belong to and filed by the publisher of that file.
#pragma once

#include "airports/airport_file.h"
#include "airports/stand.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace oxl
{

/// True when a publisher's name can serve as a folder name below the learned folder: not empty and
/// without a path separator or "..".
[[nodiscard]] bool gf_publisherFolderAllowed(std::string_view publisher);

/// The learned file of an airport file (a site path below "archive" or a local path below "airports"),
/// learned files being filed by publisher; an empty text, or a publisher that cannot be a folder name
/// where one is needed, gives an empty path.
[[nodiscard]] std::filesystem::path gf_learnedFilePath(std::string_view airportFile,
                                                       std::string_view publisher);

/// Merges the learned file into the park airport's stands, read from the airport file before, and applies
/// the settings it carries to their controls. A hand-made file replaces the stands and sets handmade. A
/// file that cannot be used is kept as a copy with "0" before its extension, so that the next learned
/// save cannot destroy it. Errors are logged; the stands keep what was merged up to then.
void gf_readLearned(const std::filesystem::path& path, const ParkFileInfo& info, std::vector<Stand>& stands,
                    std::uint8_t& handmade);

/// Applies a parkpos of a learned file to the stand of that name: a learned radius or cargo mark and the
/// learned options not known to the stand yet. False when the stand has another name.
bool gf_applyStandChange(const std::string& id, const pugi::xml_node& parkpos, Stand& stand);

/// The MAX_LIVE_SEL choice for a live limit stored in a learned file (older files store any number).
[[nodiscard]] std::int32_t gf_maxLiveChoice(std::int32_t stored);

/// True when a learned option repeats an existing one: same weekday, kind, registration, airline and
/// type, and at least one half-hour in common.
[[nodiscard]] bool gf_sameOption(const StandOccupancy& learned, const StandOccupancy& existing);

} // namespace oxl
