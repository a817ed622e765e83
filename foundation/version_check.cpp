#include "foundation/version_check.h"

#include "foundation/config_keys.h"
#include "foundation/disk_refusal.h"
#include "foundation/downloads.h"
#include "foundation/log.h"
#include "foundation/version_data.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace oxl
{

namespace
{

namespace fs = std::filesystem;

constexpr const char* kVersionIndexName = "versions.json";

/// One data file that the version index lists.
struct DataFileEntry
{
    const char* member;         ///< member of versions.json
    StringParameter& installed; ///< setting holding the installed version
    std::string_view fileName;  ///< name on the site
    const fs::path& localPath;  ///< the file in the input folder
};

/// Compares one member of the index with the installed version and downloads
/// the file when needed.
void checkOne(const nlohmann::json& root, const DataFileEntry& entry)
{
    if (!root.is_object() || !root.contains(entry.member))
    {
        gf_logVersionNotFound(entry.member);
        return;
    }
    const VersionData offered = gf_versionFromJson(root.at(entry.member), true);
    const VersionData installed(entry.installed.value());
    const fs::path& local = entry.localPath;
    const bool missing = !fs::exists(local);
    if (!(offered > installed) && !missing)
    {
        gf_logUpToDate(entry.member);
        return;
    }
    const SaveResult fetched = gf_downloadFromSite(std::string(entry.fileName), local);
    if (fetched)
    {
        entry.installed.setAndSave(offered.toString());
        gf_logUpdated(entry.member, offered.toString());
    }
    else if (missing && fetched.refused && fetched.refused->full())
    {
        // Without any copy the program has no such data: the start-up waits for room and fetches it then.
        throw DiskRefusedError(*fetched.refused);
    }
}

// True when a data file has no copy yet (a first install).
bool lf_dataFileMissing()
{
    return !fs::exists(gRegcodePath) || !fs::exists(gDbasePath);
}

} // namespace

void gf_logUpdated(std::string_view name, std::string_view version)
{
    gf_log(fmt::format("{} updated to {}", name, version));
}

void gf_logUpToDate(std::string_view name)
{
    gf_log(fmt::format("{} version up-to-date", name));
}

void gf_logVersionNotFound(std::string_view name)
{
    gf_logMarked(fmt::format("{} version not found", name));
}

void gf_checkVersions()
{
    SaveResult fetched;
    if (CURL* handle = curl_easy_init())
    {
        fetched =
            gf_downloadToFile(handle, gf_downloadSiteBase() + kVersionIndexName, kVersionIndexName, false);
        curl_easy_cleanup(handle);
    }
    if (fetched.refused && fetched.refused->full())
    {
        if (lf_dataFileMissing())
            throw DiskRefusedError(*fetched.refused);
        gf_logMarked(gf_waitsForSpaceText("The version info", *fetched.refused) +
                     ": the data files are checked at the next start");
        return;
    }
    if (!fetched)
    {
        gf_logMarked("Downloading version info from my web site failed!");
        return;
    }
    std::ifstream in(kVersionIndexName);
    if (!in)
    {
        gf_logMarked("Cannot open versions.json");
        return;
    }
    // A damaged index (a portal's HTML page, a half-edited file) must not end the
    // start: the program goes on with the data files it has, as when the site
    // cannot be reached.
    nlohmann::json root;
    try
    {
        root = nlohmann::json::parse(in);
    }
    catch (const nlohmann::json::exception& error)
    {
        gf_logMarked(fmt::format("versions.json is not valid: {}", error.what()));
        return;
    }
    const DataFileEntry entries[] = {{"aig", AIG_VERSION, kRegcodeFileName, gRegcodePath},
                                     {"dbase", DBASE_VERSION, kDbaseFileName, gDbasePath}};
    for (const DataFileEntry& entry : entries)
    {
        try
        {
            checkOne(root, entry);
        }
        catch (const fs::filesystem_error&)
        {
            throw;
        }
        catch (const DiskRefusedError&)
        {
            throw;
        }
        catch (const std::exception& error)
        {
            gf_logMarked(
                fmt::format("{} version in versions.json is not valid: {}", entry.member, error.what()));
        }
    }
}

} // namespace oxl
