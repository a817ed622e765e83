// One [fltsim.N] section of an aircraft.cfg turned into at most one livery record, or a reported rejection.
#pragma once

#include "liveries/cfg_folder.h"
#include "liveries/livery_data.h"
#include "platform/win_path.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace oxl
{

/// The livery of an ordinary section (header line first), none or one record; rejections go to the report
/// lists. Trailing empty and comment lines are removed from `lines`. Exceptions are logged and passed on.
std::list<LiveryData> gf_procesFltSimSection(std::uint32_t folderIndex, std::vector<std::string>& lines,
                                             const std::string& type, const WinPath& file, CfgFolder& folder);

/// The livery of a section of an IVAO package file, the airline taken from the title; the empty record
/// when the section gives none. Trailing empty and comment lines are removed from `lines`.
LiveryData gf_procesIvaoSection(std::uint32_t folderIndex, std::vector<std::string>& lines,
                                const std::string& type, const WinPath& file, CfgFolder& folder);

/// True when the ATC id is a comma list of non-empty parts of at most 12 characters without '*'; the
/// registration is the only part, or empty for several.
bool gf_validateAtcId(const std::string& value, std::string& registration);

} // namespace oxl
