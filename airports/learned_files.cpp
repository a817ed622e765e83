#include "airports/learned_files.h"

#include "airports/airport_reading.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/range.h"
#include "foundation/status_service.h"
#include "foundation/text_files.h"
#include "foundation/units.h"

#include <fmt/format.h>

#include <cmath>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace oxl
{

namespace
{

// Built by appending: g++ 12 warns falsely about overlapping copies in std::string::replace.
std::string replaceFirst(const std::string& text, std::string_view from, std::string_view to)
{
    const std::size_t at = text.find(from);
    if (at == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + to.size());
    out.append(text, 0, at).append(to).append(text, at + from.size());
    return out;
}

std::string replaceAll(const std::string& text, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, start))
    {
        out.append(text, start, at - start).append(to);
        start = at + from.size();
    }
    out.append(text, start);
    return out;
}

namespace fs = std::filesystem;

constexpr const char* kReadLearned = "lf_readLearned";
/// [deg] a manual stand this close to latitude and longitude 0 has no position.
constexpr double kNoPositionDeg = 0.0001;

void logSetting(std::string_view key, const std::string& value)
{
    gf_logIndented(fmt::format("{:24}: {}", key, value));
}

const char* boolText(bool on)
{
    return on ? "true" : "false";
}

/// The file kept when a learned file cannot be used: "0" before its extension (LSZH.xml: LSZH0.xml),
/// written as every file is saved, so that an earlier copy survives a failed one.
fs::path keepCopy(const fs::path& path)
{
    const fs::path copy = path.parent_path() / (path.stem().string() + "0" + path.extension().string());
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad() || !gf_replaceFile(copy, [&bytes](std::ostream& out) { out << bytes; }))
        throw fs::filesystem_error("copy", path, copy, std::make_error_code(std::errc::io_error));
    return copy;
}

/// Keeps a copy of a learned file whose merge failed; a failing copy is logged too.
void keepCopyAfterError(const fs::path& path) noexcept
{
    try
    {
        gf_log(fmt::format("'{}' kept as '{}'", path.string(), keepCopy(path).string()));
    }
    catch (const std::exception& error)
    {
        gf_log(fmt::format("{}: {}", kReadLearned, error.what()));
    }
}

void applyCheckBox(const pugi::xml_document& doc, CheckBoxParameter& box, std::optional<bool>& value)
{
    value = gf_getParamBool(doc, box.name);
    if (!value)
        return;
    box.set(*value);
    gf_status().showSetting(box);
    logSetting(box.name, boolText(*value));
}

void applyCheckBox(const pugi::xml_document& doc, CheckBoxParameter& box)
{
    std::optional<bool> value;
    applyCheckBox(doc, box, value);
}

void applyMaxLive(const pugi::xml_document& doc)
{
    // Without the key the current choice stays: no value outside the choices would select one.
    const std::optional<std::int32_t> stored = gf_getParamInt(doc, MAX_LIVE.name);
    if (!stored)
        return;
    MAX_LIVE_SEL.set(MAX_LIVE_SEL.clamped(gf_maxLiveChoice(*stored)));
    gf_status().showSetting(MAX_LIVE_SEL);
    logSetting(MAX_LIVE.name, std::to_string(MAX_LIVE_SEL.value()));
}

void applyRange(const pugi::xml_document& doc)
{
    if (const std::optional<std::int32_t> stored = gf_getParamInt(doc, LATERAL_RANGE.name))
    {
        const std::int32_t nm = gf_snapRange(*stored);
        gf_setRange(nm);
        logSetting(LATERAL_RANGE.name, std::to_string(nm));
        gf_status().enableControl(RANGE, true);
    }
    const bool wasAuto = AUTO_RANGE.value();
    std::optional<bool> autoRange;
    applyCheckBox(doc, AUTO_RANGE, autoRange);
    if (!autoRange)
        return;
    if (*autoRange)
    {
        // The automatic radius of a box that was on already is no choice of the user's.
        if (!wasAuto)
            gf_rememberManualRange();
        gf_status().autoRangeStep();
        gf_status().enableControl(RANGE, false);
    }
    else
    {
        gf_status().enableControl(RANGE, true);
        gf_setRange(gf_manualRange());
        gf_status().clearMessage();
    }
}

void applyParkingPercentage(const pugi::xml_document& doc)
{
    // A share out of 0..100 would ask for no stands or for more stands than the airport has.
    const std::optional<std::int32_t> stored = gf_getParamInt(doc, parking_percentage.name);
    parking_percentage.set(stored ? parking_percentage.clamped(*stored) : parking_percentage.defaultValue);
    if (stored)
        logSetting(parking_percentage.name, std::to_string(parking_percentage.value()));
    gf_status().showSetting(parking_percentage);
}

void applyMaxFit(const pugi::xml_document& doc)
{
    const std::optional<std::int32_t> stored = gf_getParamInt(doc, MAX_FIT.name);
    if (!stored)
        return;
    MAX_FIT.set(MAX_FIT.clamped(*stored));
    constexpr float kHoursPerHalfHour = 0.5F;
    MAX_FIT_FL.set(static_cast<float>(MAX_FIT.value()) * kHoursPerHalfHour + kHoursPerHalfHour);
    gf_status().showSetting(MAX_FIT_FL);
    gf_logIndented(fmt::format("{:24}: {} (max number of half hours, is {} hrs decimal)", MAX_FIT.name,
                               MAX_FIT.value(), gf_formatNumber(MAX_FIT_FL.value())));
}

/// The ten settings of the airport, in the order in which they depend on each other.
void applySettings(const pugi::xml_document& doc)
{
    applyCheckBox(doc, LEARN_SOFT);
    applyMaxLive(doc);
    applyRange(doc);
    applyCheckBox(doc, PARK_FAKE);
    applyCheckBox(doc, WEEK);
    applyCheckBox(doc, PARK_SOFT);
    applyParkingPercentage(doc);
    applyCheckBox(doc, INITIAL_LOAD_ONLY);
    applyMaxFit(doc);
}

void readManualStand(const pugi::xml_node& parkpos, const std::string& id, const fs::path& path,
                     std::vector<Stand>& stands)
{
    if (gf_findStandByName(stands, id) != nullptr)
    {
        gf_logMarked(fmt::format("manually created standid {} already exists in {}", id, path.string()));
        return;
    }
    const double lat = gf_apfDouble(parkpos, "latitude");
    const double lon = gf_apfDouble(parkpos, "longitude");
    if ((std::fabs(lat) <= kNoPositionDeg && std::fabs(lon) <= kNoPositionDeg) ||
        gf_apfDouble(parkpos, "radius") == 0.0)
    {
        gf_logMarked(
            fmt::format("manually created standid {} misses correct attributes in {}", id, path.string()));
        return;
    }
    if (gf_readStands(stands, parkpos, id, 0))
        stands.back().manual = 1;
}

/// A learned file of changes: stands made by hand are added, the others change the airport file's stands.
void mergeLearnedStands(const pugi::xml_document& doc, const fs::path& path, std::vector<Stand>& stands)
{
    for (const pugi::xml_node parkpos : doc.child("parkpositions").children("parkpos"))
    {
        const std::string id = gf_apfText(parkpos, "id");
        if (gf_apfBool(parkpos, "manual"))
        {
            readManualStand(parkpos, id, path, stands);
            continue;
        }
        bool applied = false;
        for (Stand& stand : stands)
        {
            if (gf_applyStandChange(id, parkpos, stand))
            {
                applied = true;
                break;
            }
        }
        if (!applied)
            gf_log(fmt::format("learned stand {} in {} not found?", id, path.string()));
    }
}

/// A learned option joins an equal one with its half-hours; the airport file's own options are not saved, so
/// the half-hours they lack stay in a learned option of their own.
void addLearnedOption(Stand& stand, StandOccupancy option, std::uint32_t& nextId)
{
    for (StandOccupancy& existing : stand.options)
    {
        if (!gf_sameOption(option, existing))
            continue;
        if (existing.fixed == 0)
        {
            existing.halfHours = existing.halfHours | option.halfHours;
            return;
        }
        option.halfHours = HalfHourSet::fromBits(option.halfHours.bits() & ~existing.halfHours.bits());
        if (option.halfHours.none())
            return;
    }
    option.id = nextId++;
    stand.options.push_back(std::move(option));
}

} // namespace

bool gf_publisherFolderAllowed(std::string_view publisher)
{
    return !publisher.empty() && publisher.find('/') == std::string_view::npos &&
           publisher.find('\\') == std::string_view::npos && publisher.find("..") == std::string_view::npos;
}

std::filesystem::path gf_learnedFilePath(std::string_view airportFile, std::string_view publisher)
{
    if (airportFile.empty())
        return {};
    // Site paths and files of older versions may carry Windows separators.
    std::string p = replaceAll(std::string(airportFile), "\\", "/");
    if (p.find("archive") != std::string::npos)
        return replaceAll(replaceFirst(p, "archive", kLearnedFolder), "%20", " ");
    if (!p.starts_with(kAirportsFolder))
        return p;
    p = replaceFirst(p, kAirportsFolder, kLearnedFolder);
    const bool thirdparty = p.find("my_thirdparty") != std::string::npos;
    if (thirdparty && !gf_publisherFolderAllowed(publisher))
    {
        // A publisher's name comes from files the user may have edited: it must not lead out of the folder.
        gf_logMarked(fmt::format("publisher '{}' cannot name a learned folder", publisher));
        return {};
    }
    if (p.find("my_thirdparty2024") != std::string::npos)
        return replaceFirst(p, "my_thirdparty2024", fmt::format("thirdparty/{}", publisher));
    if (thirdparty)
        return replaceFirst(p, "my_thirdparty", fmt::format("thirdparty/{}", publisher));
    // Generated files of simaddon sceneries are learned where the learned save files them.
    return replaceFirst(p, "my_ORBX", "simaddon");
}

void gf_readLearned(const fs::path& path, const ParkFileInfo& info, std::vector<Stand>& stands,
                    std::uint8_t& handmade)
{
    try
    {
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed = doc.load_file(path.c_str());
        if (!parsed)
        {
            if (fs::exists(path))
            {
                keepCopy(path);
                gf_log(fmt::format("{} found, but could not be loaded, saved as *.0.xml: {}", path.string(),
                                   parsed.description()));
            }
            return;
        }
        gf_log(fmt::format("Read from learned airport file: '{}'", path.string()));
        if (!gf_hasMetaEntries(doc))
        {
            // Not a file of ours: it is not read, and a copy keeps it from the next learned save.
            keepCopyAfterError(path);
            return;
        }
        const std::string name = gf_getParamString(doc, "airport_name").value_or("");
        if (name != info.name)
        {
            gf_status().showMessage(
                fmt::format("Warning: learned file airport name: '{}' differs from archived file "
                            "airport name: '{}'",
                            name, info.name),
                true);
        }
        applySettings(doc);
        if (const std::optional<std::string> handmadeValue = gf_getParamString(doc, "handmade"))
        {
            // Its stands replace those of the airport file.
            handmade = 1;
            stands.clear();
            gf_readParkpositions(doc, stands);
            logSetting("handmade", *handmadeValue);
            return;
        }
        handmade = 0;
        mergeLearnedStands(doc, path, stands);
    }
    catch (const std::exception& error)
    {
        gf_log(fmt::format("{}: {}", kReadLearned, error.what()));
        keepCopyAfterError(path);
    }
}

bool gf_applyStandChange(const std::string& id, const pugi::xml_node& parkpos, Stand& stand)
{
    if (stand.name != id)
        return false;
    // A negative size is no size: the stand keeps the one its airport file gives.
    if (gf_apfBool(parkpos, "radius_change") && gf_apfDouble(parkpos, "radius") >= 0.0)
    {
        stand.radius = metresToNm(gf_apfDouble(parkpos, "radius"));
        stand.radiusChanged = 1;
    }
    if (gf_apfBool(parkpos, "cargo_change"))
    {
        stand.cargo = gf_apfBool(parkpos, "cargo") ? 1 : 0;
        stand.cargoChanged = 1;
    }
    std::uint32_t nextId = gf_nextOptionId(stand);
    for (const pugi::xml_node opt : parkpos.children("opt"))
        addLearnedOption(stand, gf_readOption(opt, nextId, 0), nextId);
    return true;
}

std::int32_t gf_maxLiveChoice(std::int32_t stored)
{
    // The largest choice takes every number from 300 on, and the negative ones older saves wrote.
    constexpr std::int32_t kLargestChoice = 500;
    // Upper ends of the bands of stored numbers and the choice each band maps onto.
    static constexpr std::pair<std::int32_t, std::int32_t> kBands[] = {{0, 0},   {17, 10}, {37, 25},
                                                                       {62, 50}, {87, 75}, {299, 100}};
    for (const auto& [highest, choice] : kBands)
    {
        if (stored >= 0 && stored <= highest)
            return choice;
    }
    return kLargestChoice;
}

bool gf_sameOption(const StandOccupancy& learned, const StandOccupancy& existing)
{
    return learned.weekday == existing.weekday && learned.kind == existing.kind &&
           learned.registration == existing.registration && learned.airline == existing.airline &&
           learned.type == existing.type && (learned.halfHours & existing.halfHours).any();
}

} // namespace oxl
