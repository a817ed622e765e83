#include "liveries/liveries_scanned.h"

#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/meta_block.h"
#include "foundation/strings.h"
#include "foundation/text_files.h"
#include "foundation/utf.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"

#include <fmt/format.h>
#include <pugixml.hpp>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{

const fs::path kOutputFolder = "output";

fs::path errorsFile(std::string_view name)
{
    return gf_scanErrorsFolder() / name;
}

fs::path infoFile(std::string_view name)
{
    return gf_scanInfoFolder() / name;
}

// A required attribute of a <liv> element; UserErrorException 999 when it is missing (empty is accepted).
std::string requiredAttribute(const pugi::xml_node& liv, const char* name)
{
    const pugi::xml_attribute attribute = liv.attribute(name);
    if (!attribute)
    {
        throw UserErrorException(999, fmt::format("Missing required attribute '{}' in <{}>", name, "liv"));
    }
    return attribute.value();
}

// A missing path is no error; a non-empty folder stays, so a user's file there never blocks a scan.
void removeOutput(const fs::path& path)
{
    if (fs::is_directory(path) && !fs::is_empty(path))
    {
        return;
    }
    fs::remove(path);
}

void createErrorsFolder()
{
    fs::create_directories(gf_scanErrorsFolder());
}

// A title read from an ANSI file is no UTF-8, and a title may hold characters that XML forbids: the file
// stays XML for every reader, and the title comes back byte for byte, as the simulator knows it.
std::string escapedText(const std::string& text, std::string_view what)
{
    std::string escaped = gf_escapeBytes(text);
    if (!gf_isUtf8(text))
    {
        gf_log(fmt::format("{} of a livery is not UTF-8, its other bytes are kept as U+F7xx: {}", what,
                           escaped));
    }
    return escaped;
}

void createInfoFolder()
{
    fs::create_directories(gf_scanInfoFolder());
}

std::list<std::string> sorted(std::list<std::string> lines)
{
    lines.sort();
    return lines;
}

} // namespace

fs::path gf_liveriesScannedPath()
{
    return kOutputFolder / "LiveriesScanned.xml";
}

fs::path gf_scanErrorsFolder()
{
    return kOutputFolder / "errors";
}

fs::path gf_scanInfoFolder()
{
    return kOutputFolder / "info";
}

SaveResult gf_writeLiveriesScannedXml()
{
    if (gLiveries.ScannedLiveries.empty())
    {
        return {};
    }
    pugi::xml_document doc;
    gf_writeMeta(doc);
    pugi::xml_node liveries = doc.append_child("liveries");
    for (const LiveryData& livery : gLiveries.ScannedLiveries)
    {
        pugi::xml_node liv = liveries.append_child("liv");
        liv.append_attribute("airl").set_value(escapedText(livery.airl, "airline").c_str());
        liv.append_attribute("type").set_value(escapedText(livery.type, "type").c_str());
        if (livery.cargo)
        {
            liv.append_attribute("cargo").set_value("true");
        }
        liv.append_attribute("title").set_value(escapedText(livery.title, "title").c_str());
        if (!livery.atcid.empty())
        {
            liv.append_attribute("atcid").set_value(escapedText(livery.atcid, "atc_id").c_str());
        }
    }
    const fs::path file = gf_liveriesScannedPath();
    SaveResult saved = gf_saveXml(doc, file);
    gf_log(fmt::format("{} liveries in {}", gLiveries.ScannedLiveries.size(), file.string()));
    return saved;
}

void gf_readLiveriesScanned()
{
    gLiveries.ScannedLiveries.clear();
    const fs::path file = gf_liveriesScannedPath();
    pugi::xml_document doc;
    if (!doc.load_file(file.c_str()))
    {
        const UserErrorException missing(51, fmt::format("File {} not found", file.string()));
        // Missing because the disk refused the scan's save: the start-up can wait for room.
        if (gLiveries.scanRefused)
            throw DiskRefusedError(*gLiveries.scanRefused, missing.what());
        throw missing;
    }
    if (gf_readMeta(doc, gMetaAuthor) && gf_readMeta(doc, gMetaDate))
    {
        gf_readMeta(doc, gMetaVersion);
    }
    const pugi::xml_node liveries = doc.child("liveries");
    if (!liveries)
    {
        throw UserErrorException(52, fmt::format("{} does not contain a <liveries> section", file.string()));
    }
    for (const pugi::xml_node& liv : liveries.children("liv"))
    {
        LiveryData livery;
        livery.airl = gf_restoreBytes(requiredAttribute(liv, "airl"));
        livery.type = gf_restoreBytes(requiredAttribute(liv, "type"));
        livery.title = gf_restoreBytes(requiredAttribute(liv, "title"));
        if (livery.title.empty())
        {
            // No flight could ever be matched to a livery without a simulator title.
            gf_log(fmt::format("A livery of {} {} without title in {} is skipped", livery.airl, livery.type,
                               file.string()));
            continue;
        }
        livery.atcid = gf_restoreBytes(liv.attribute("atcid").value());
        livery.cargo = liv.attribute("cargo").as_bool();
        gLiveries.ScannedLiveries.push_back(std::move(livery));
    }
    if (gLiveries.ScannedLiveries.empty())
    {
        throw UserErrorException(533, file.string() + " does not contain liveries");
    }
    gLiveries.ScannedLiveries.sort(gf_liveryBefore);
    gf_log(fmt::format("{} liveries read from {}", gLiveries.ScannedLiveries.size(), file.string()));
}

void gf_removeScanOutputs()
{
    // LiveriesScanned.xml stays until the new scan's file replaces it: a scan cut short keeps the last one.
    removeOutput(infoFile("AircraftCfgWithNoFltsimSection.txt"));
    for (const char* name : {"InlineRegcodes.txt", "InvalidAirlineCodes.txt", "InvalidAircraftCodes.txt",
                             "Fixes.txt", "InvalidAircraftCfgFiles.txt", "IncompleFltsimSections.txt"})
    {
        removeOutput(errorsFile(name));
    }
    removeOutput(gf_scanErrorsFolder());
}

void gf_writeFixesReport()
{
    const fs::path file = errorsFile("Fixes.txt");
    fs::create_directories(file.parent_path());
    const std::list<std::string> lines = gLiveries.ModelFixes.lines();
    gf_writeReportLines(lines, file);
    gf_log(fmt::format("{} code fixes, see {}", lines.size(), file.string()));
}

void gf_writeScanReports()
{
    const bool noErrors = gLiveries.InvalidAirlineCodes.empty() && gLiveries.InvalidModelCodes.empty() &&
                          gLiveries.ModelFixes.empty() && gLiveries.InvalidCfgFiles.empty() &&
                          gLiveries.IncompleteSections.empty();
    noErrors ? gf_logSpaced("\nNo errors") : gf_logSpaced("\nErrors:");

    if (!gLiveries.InvalidAirlineCodes.empty())
    {
        createErrorsFolder();
        const fs::path file = errorsFile("InvalidAirlineCodes.txt");
        const auto lines = sorted(gLiveries.InvalidAirlineCodes.lines());
        gf_writeReportLines(lines, file);
        gf_log(fmt::format("{} invalid airline code{}, see {}", lines.size(),
                           gf_pluralS(static_cast<std::int64_t>(lines.size())), file.string()));
    }
    if (!gLiveries.InvalidModelCodes.empty())
    {
        createErrorsFolder();
        const fs::path file = errorsFile("InvalidAircraftCodes.txt");
        const auto lines = sorted(gLiveries.InvalidModelCodes.lines());
        gf_writeReportLines(lines, file);
        gf_log(fmt::format("{} invalid model code{}, see {}", lines.size(),
                           gf_pluralS(static_cast<std::int64_t>(lines.size())), file.string()));
    }
    if (!gLiveries.ModelFixes.empty())
    {
        gf_writeFixesReport();
    }
    if (!gLiveries.InvalidCfgFiles.empty())
    {
        createErrorsFolder();
        const fs::path file = errorsFile("InvalidAircraftCfgFiles.txt");
        const auto lines = sorted(gLiveries.InvalidCfgFiles.lines());
        gf_writeReportLines(lines, file);
        gf_log(fmt::format("{} invalid aircraft.cfg files, see {}", lines.size(), file.string()));
    }
    if (!gLiveries.IncompleteSections.empty())
    {
        createErrorsFolder();
        const fs::path file = errorsFile("IncompleFltsimSections.txt");
        auto lines = sorted(gLiveries.IncompleteSections.lines());
        const std::size_t reported = lines.size();
        lines.unique();
        gf_writeReportLines(lines, file);
        gf_log(fmt::format("{} incomplete [fltsim.x] sections, see {}", reported, file.string()));
    }

    gf_logSpaced("\nInformation:");
    if (!gLiveries.EmptyCfgFiles.empty())
    {
        createInfoFolder();
        const fs::path file = infoFile("AircraftCfgWithNoFltsimSection.txt");
        const auto lines = sorted(gLiveries.EmptyCfgFiles.lines());
        gf_writeReportLines(lines, file);
        gf_log(fmt::format("{} empty aircraft.cfg files, see {}", lines.size(), file.string()));
    }
    if (!gLiveries.DbaseCorrections.empty())
    {
        createInfoFolder();
        const fs::path file = infoFile("AirlineModelConversions.txt");
        const auto lines = gLiveries.DbaseCorrections.lines();
        gf_writeReportLines(lines, file);
        gf_log(fmt::format("{} liveries updated with real live data from dbase, see {}", lines.size(),
                           file.string()));
    }
}

} // namespace oxl
