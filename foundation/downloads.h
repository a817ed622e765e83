// Downloads from the program's download site with libcurl.
#pragma once

#include <curl/curl.h>

#include "foundation/disk_refusal.h"
#include "foundation/download_limits.h"

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

namespace oxl
{

/// The download site's base address built into the program (ends in "/").
inline constexpr const char* kDownloadSiteBase = "https://ordalis-p3d.org/downloads/";
/// The user agent every request of the program carries.
inline constexpr const char* kDownloadUserAgent = "ORDL";
/// The site's sub-folder holding airport files.
inline constexpr const char* kDownloadAirportFolder = "P3D/";

/// Replaces the download bounds (tests shorten them); applies to downloads started afterwards.
void gf_setDownloadLimits(const DownloadLimits& limits);
/// The download bounds in force.
DownloadLimits gf_downloadLimits();

/// The site's base address: OXL_DOWNLOAD_BASE when set, else the built-in one.
std::string gf_downloadSiteBase();
/// The address of the site's airport-file folder (base followed by "P3D/").
std::string gf_downloadFolderUrl();

/// Where a transfer's bytes go: the file's stream, and the system's error once writing to it failed.
struct DownloadSink
{
    std::ostream& out;
    std::error_code error;
};

/// libcurl's write callback: appends the block to the DownloadSink in `sink`; the bytes written.
std::size_t gf_curlWriteToFile(char* data, std::size_t size, std::size_t count, void* sink);

/// Fetches `url` into `target` (text and binary are the same bytes here); done only for a complete
/// transfer. The target is saved as every file is (gf_replaceFileFrom): it is replaced only on success, so
/// a failed download leaves the old file as it was, a failed fetch is logged with its reason ("Could not
/// fetch '{}': {}"), and a download the local disk refused says so. A set
/// stop flag (gFoundation.gStopRequested, gFoundation.gWindowClosed) ends the transfer.
SaveResult gf_downloadToFile(CURL* handle, const std::string& url, const std::filesystem::path& target,
                             bool binary);

/// Fetches the site's file `name` (relative to the base) in binary mode into `target`; logs the result.
SaveResult gf_downloadFromSite(const std::string& name, const std::filesystem::path& target);

} // namespace oxl
