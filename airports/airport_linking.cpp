// Link files and generated airport files of decoded add-on airports.
#include "airports/airport_linking.h"

#include "airports/airport_scan.h"
#include "airports/airports_state.h"
#include "foundation/log.h"
#include "foundation/strings.h"
#include "foundation/text_files.h"
#include "liveries/liveries_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace oxl
{

namespace
{

std::string blanksAsUrl(std::string_view text)
{
    std::string out;
    for (char c : text)
    {
        if (c == ' ')
        {
            out += "%20";
        }
        else
        {
            out.push_back(c);
        }
    }
    return out;
}

/// Publisher names become site paths and folder names; one that could leave its folder is refused.
bool unsafeFolderName(std::string_view name)
{
    return name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos ||
           name.find("..") != std::string_view::npos;
}

/// Writes the link file; false (with a scan-log line) when it cannot be written, so that the airport
/// is generated instead of silently having no file at all.
bool writeLinkFile(std::string_view folder, const std::string& ident, const std::string& archive)
{
    const std::filesystem::path file = gf_airportTxtName(std::filesystem::path(folder), ident);
    if (gf_writeTextFile(archive, file))
    {
        return true;
    }
    gf_addScanLogLine(fmt::format("{}Link file {} could not be written", "===> ", file.string()));
    return false;
}

} // namespace

bool gf_linkArchivedAirport(ScannedAirport& airport, std::uint32_t& archivedCount, const std::string& path)
{
    const std::lock_guard lock(gAirports.gArchiveLinkMutex);
    archivedCount = 0;
    airport.bglPath = path;
    airport.publisher = gf_publisherFromFilename(airport.bglPath);
    if (airport.publisher == kUnknownPublisher)
    {
        return false;
    }
    if (airport.publisher == kSimaddonPublisher)
    {
        const std::optional<std::string> archive = gf_checkArchivedSimaddon(airport.ident);
        if (!archive || !writeLinkFile(kMyOrbxFolder, airport.ident, *archive))
        {
            return false;
        }
        gf_addScanLogLine(
            fmt::format("{} airport {} linked to {}", kSimaddonPublisher, airport.ident, *archive));
    }
    else
    {
        const std::optional<std::string> archive =
            gf_checkArchivedThirdParty(airport.publisher, airport, archivedCount);
        if (!archive || !writeLinkFile(kMyThirdpartyFolder, airport.ident, *archive))
        {
            archivedCount = 0;
            return false;
        }
        gf_addScanLogLine(fmt::format("thirdparty airport {} linked to {}", airport.ident, *archive));
    }
    gAirports.gAirportsFound.store(true);
    return true;
}

std::string gf_publisherFromFilename(const std::string& path)
{
    if (gf_containsNoCase(path, "ORBX"))
    {
        gf_addScanLogLine(fmt::format("from filename => publisher {}", kSimaddonPublisher));
        return std::string(kSimaddonPublisher);
    }
    for (const std::vector<std::string>& group : gLiveries.gDbase.publisherGroups)
    {
        if (group.empty())
        {
            continue;
        }
        // A case-sensitive hit is also a hit in any case, so one case-insensitive test covers both.
        const bool named =
            std::any_of(group.begin(), group.end(),
                        [&](const std::string& name) { return gf_containsNoCase(path, name); });
        if (!named)
        {
            continue;
        }
        if (unsafeFolderName(group.front()))
        {
            gf_logMarked(
                fmt::format("publisher name '{}' is not usable as a folder name, skipped", group.front()));
            continue;
        }
        return group.front();
    }
    return std::string(kUnknownPublisher);
}

std::optional<std::string> gf_checkArchivedSimaddon(const std::string& ident)
{
    if (gLiveries.gDbase.simaddonAirports.contains(ident))
    {
        return std::string(kSimaddonArchiveFolder) + gf_icaoXml(ident);
    }
    gf_addScanLogLine(fmt::format("{} does not exist as simaddon", ident));
    return std::nullopt;
}

std::optional<std::string> gf_checkArchivedThirdParty(const std::string& publisher,
                                                      const ScannedAirport& airport,
                                                      std::uint32_t& archivedCount)
{
    const std::string archive =
        std::string(kThirdpartyArchiveFolder) + blanksAsUrl(publisher) + "/" + gf_icaoXml(airport.ident);
    for (const ThirdPartyEntry& list : gLiveries.gDbase.thirdParties)
    {
        if (list.pub != publisher)
        {
            continue;
        }
        for (const std::string& entry : list.arpts)
        {
            if (gf_prefixNumber(entry, airport.ident, publisher, archivedCount))
            {
                return archive;
            }
        }
    }
    gf_addScanLogLine(fmt::format("thirdparty {} {} does not exist", publisher, airport.ident));
    return std::nullopt;
}

bool gf_prefixNumber(std::string_view entry, std::string_view ident, std::string_view publisher,
                     std::uint32_t& archivedCount)
{
    if (!entry.starts_with(ident))
    {
        return false;
    }
    const std::string_view digits = entry.size() > 4 ? entry.substr(4) : std::string_view{};
    std::int32_t number = 0;
    const std::from_chars_result parsed =
        std::from_chars(digits.data(), digits.data() + digits.size(), number);
    // A negative stand count would turn into a huge unsigned one and keep a richer decode from ever
    // being generated; it counts as no number.
    if (digits.empty() || parsed.ec != std::errc{} || number < 0)
    {
        gf_logMarked(fmt::format("{} {} {} {}", publisher, ident, entry, "invalid number"));
        return true;
    }
    archivedCount = static_cast<std::uint32_t>(number);
    return true;
}

void gf_generateAirportFile(ScannedAirport& airport)
{
    if (airport.stands.empty())
    {
        return;
    }
    const std::string_view folder =
        airport.publisher == kSimaddonPublisher ? kMyOrbxFolder : kMyThirdpartyFolder;
    const std::int64_t count = static_cast<std::int64_t>(airport.stands.size());
    const auto helipads = static_cast<std::int32_t>(airport.helipadCount);
    const std::string helipadText =
        helipads >= 1 ? fmt::format(", of which {} helipad{}", helipads, gf_pluralS32(helipads))
                      : std::string();
    gf_addScanLogLine(fmt::format("Generated {}: {} position{}{}", gf_icaoXml(airport.ident), count,
                                  gf_pluralS(count), helipadText));

    std::stable_sort(airport.stands.begin(), airport.stands.end(),
                     [](const Stand& a, const Stand& b) { return a.name < b.name; });
    const std::filesystem::path folderPath(folder);
    std::error_code ec;
    std::filesystem::create_directories(folderPath, ec);
    if (ec)
    {
        throw std::filesystem::filesystem_error("create_directory", folderPath, ec);
    }
    const std::filesystem::path file = gf_airportXmlName(folderPath, airport.ident);
    if (!gf_writeApf(airport, file, ApfMode::generated))
    {
        gf_addScanLogLine(fmt::format("{}Generating {} did not succeed", "===> ", file.string()));
        return;
    }
    gAirports.gAirportsFound.store(true);
}

} // namespace oxl
