// The start-up version check: versions.json from the download site against the
// installed data files.
#pragma once

#include <string_view>

namespace oxl
{

/// Fetches versions.json and downloads each data file (aig, dbase) that is
/// newer or missing, recording its new version in the settings. A site that
/// cannot be reached or a damaged index only logs.
void gf_checkVersions();

/// Logs "{} updated to {}".
void gf_logUpdated(std::string_view name, std::string_view version);
/// Logs "{} version up-to-date".
void gf_logUpToDate(std::string_view name);
/// Logs the marked line "{} version not found".
void gf_logVersionNotFound(std::string_view name);

} // namespace oxl
