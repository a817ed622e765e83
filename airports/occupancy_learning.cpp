#include "airports/occupancy_learning.h"

#include "airports/learned_files.h"
#include "airports/quality.h"
#include "airports/week_time.h"
#include "foundation/log.h"
#include "foundation/status_service.h"
#include "foundation/strings.h"
#include "foundation/text_files.h"
#include "foundation/time_text.h"
#include "liveries/registrations.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <system_error>

namespace oxl
{

namespace
{

std::string_view withoutGhostMark(std::string_view callsign)
{
    if (!callsign.empty() && callsign.back() == '_')
        callsign.remove_suffix(1);
    return callsign;
}

StandOccupancy* optionById(Stand& stand, std::uint32_t id)
{
    if (id == 0)
        return nullptr;
    for (StandOccupancy& option : stand.options)
        if (option.id == id)
            return &option;
    return nullptr;
}

std::uint32_t visitLimit(const AcProfile& aircraft)
{
    if (aircraft.cargo != 0)
        return kCargoVisitLimit;
    if (aircraft.category == AcCategory::Heavy)
        return kHeavyVisitLimit;
    return kOtherVisitLimit;
}

// Both kinds of learning, which differ only in the visit rules of a half-hour the option lacks.
bool lf_learnStandOption(ParkingState& parking, std::uint32_t standId, const AcProfile& aircraft,
                         StandOptionKind kind, bool direct, DayHalfHour time, bool closeVisit)
{
    try
    {
        const std::string key = lt_learningKey(aircraft);
        if (key.empty())
            return false;
        Stand* stand = gf_findStandById(parking.stands, standId);
        if (stand == nullptr)
            return false;
        const bool real = kind == StandOptionKind::real;
        StandOccupancy* current = nullptr;
        for (StandOccupancy& option : stand->options)
        {
            if (option.id == 0 || option.weekday != time.weekday || option.registration != key ||
                option.kind != kind)
                continue;
            // A given option of this aircraft keeps it to its own half-hours.
            if (option.fixed != 0 && !option.halfHours.test(time.half))
                return false;
            if (option.fixed == 0 && current == nullptr)
                current = &option;
        }
        StandVisitMap& visits = real ? stand->realVisits : stand->softVisits;
        if (current == nullptr)
        {
            // A stay that crossed midnight carries on in today's option instead of starting afresh.
            const auto visit = visits.find(aircraft.hexid);
            if (visit != visits.end() && visit->second.lastUpdate.weekday != time.weekday &&
                gf_extendStandVisit(time, *stand, visit->second.optionId, visit->second, aircraft, key, kind))
            {
                if (closeVisit)
                    gf_eraseStandVisit(visits, visit);
            }
            else
            {
                const OccupancyAdded added =
                    gf_addOccupancy(*stand, kind, time, aircraft.callsign, key, aircraft);
                if (added.created)
                    visits[aircraft.hexid] = StandVisit{time, added.id};
            }
        }
        else if (!current->halfHours.test(time.half))
        {
            if (!closeVisit && (real || !direct))
            {
                current->halfHours.set(time.half);
            }
            else if (const auto visit = visits.find(aircraft.hexid); visit == visits.end())
            {
                const OccupancyAdded added =
                    gf_addOccupancy(*stand, kind, time, aircraft.callsign, key, aircraft);
                if (!real && added.created && !closeVisit)
                    visits[aircraft.hexid] = StandVisit{time, added.id};
            }
            else
            {
                if (!(visit->second.lastUpdate == time) &&
                    !gf_extendStandVisit(time, *stand, visit->second.optionId, visit->second, aircraft, key,
                                         kind) &&
                    (real || closeVisit))
                    gf_addOccupancy(*stand, kind, time, aircraft.callsign, key, aircraft);
                if (real || closeVisit)
                    gf_eraseStandVisit(visits, visit);
            }
        }
        gf_countLearnedUpdate(parking);
        return true;
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{}: hh_now: {}, {}", "lt_addStandOption", time.half, e.what()));
        return false;
    }
}

// The save's result belongs in the log whatever the message line shows at the time.
void lf_showAndLog(const std::string& text)
{
    gf_status().showMessage(text, false);
    gf_log(text);
}

bool hasSavedOptions(const Stand& stand)
{
    return std::any_of(stand.options.begin(), stand.options.end(),
                       [](const StandOccupancy& option) { return option.fake == 0; });
}

// The stands as the learned file keeps them. A hand-made file is the airport's only description, so
// it keeps every stand and its given options; otherwise only what this run learned is written.
std::vector<Stand> standsToSave(const std::vector<Stand>& stands, bool handmade)
{
    std::vector<Stand> kept;
    kept.reserve(stands.size());
    for (const Stand& stand : stands)
    {
        Stand copy = stand;
        copy.realVisits.clear();
        copy.softVisits.clear();
        if (!handmade)
            std::erase_if(copy.options, [](const StandOccupancy& option) { return option.fixed != 0; });
        if (handmade || copy.manual != 0 || copy.radiusChanged != 0 || copy.cargoChanged != 0 ||
            hasSavedOptions(copy))
            kept.push_back(std::move(copy));
    }
    return kept;
}

} // namespace

std::string lt_learningKey(const AcProfile& aircraft)
{
    return aircraft.registration.empty() ? aircraft.callsign : aircraft.registration;
}

bool lt_addStandOption(ParkingState& parking, std::uint32_t standId, const AcProfile& aircraft,
                       DayHalfHour time, bool closeVisit)
{
    return lf_learnStandOption(parking, standId, aircraft, StandOptionKind::real, false, time, closeVisit);
}

bool lt_addStandOptionOnDeparture(ParkingState& parking, std::uint32_t standId, const AcProfile& aircraft,
                                  bool direct, DayHalfHour time, bool closeVisit)
{
    return lf_learnStandOption(parking, standId, aircraft, StandOptionKind::soft, direct, time, closeVisit);
}

OccupancyAdded gf_addOccupancy(Stand& stand, StandOptionKind kind, DayHalfHour time,
                               std::string_view callsign, const std::string& key, const AcProfile& aircraft)
{
    if (key.empty())
        return {};
    StandOccupancy option;
    option.callsign = std::string(withoutGhostMark(callsign));
    option.halfHours.set(time.half);
    option.id = gf_nextOptionId(stand);
    if (const auto record = gf_lookupRegistration(key))
    {
        option.airline = record->opr.empty() ? record->airl : record->opr;
        option.type = record->type;
    }
    else
    {
        option.airline = aircraft.airline;
        option.type = aircraft.type;
    }
    for (const StandOccupancy& existing : stand.options)
        if (existing.registration == key && existing.weekday == time.weekday &&
            existing.halfHours == option.halfHours && existing.callsign == option.callsign)
            return {existing.id, false};
    option.registration = key;
    option.weekday = time.weekday;
    option.kind = kind;
    stand.options.push_back(std::move(option));
    return {stand.options.back().id, true};
}

void gf_setOccupancyName(Stand& stand, std::uint32_t id, std::string_view callsign)
{
    const std::string_view name = withoutGhostMark(callsign);
    StandOccupancy* option = optionById(stand, id);
    if (name.empty() || option == nullptr)
        return;
    if (option->callsign.empty())
        option->callsign = std::string(name);
    else if (option->callsign != name && option->coupledCallsign != name)
        option->coupledCallsign = std::string(name);
}

bool updateOptions(Stand& stand, const std::vector<std::uint32_t>& halfHours, std::uint32_t id)
{
    StandOccupancy* option = optionById(stand, id);
    if (option == nullptr)
        return false;
    try
    {
        for (const std::uint32_t half : halfHours)
            option->halfHours.set(half);
        return true;
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{} exception:{}", "updateOptions", e.what()));
        return false;
    }
}

bool updateOptionsWrapped(Stand& stand, const std::vector<std::uint32_t>& halfHours, std::uint32_t oldId,
                          std::uint32_t newId)
{
    try
    {
        // The list runs newest first; walk it oldest first.
        std::size_t next = halfHours.size();
        if (next == 0)
            return true;
        if (halfHours.back() != 0)
        {
            StandOccupancy* yesterday = optionById(stand, oldId);
            while (next > 0)
            {
                const std::uint32_t half = halfHours[--next];
                if (yesterday != nullptr)
                    yesterday->halfHours.set(half);
                if (half == kHalfHoursPerDay - 1)
                    break;
            }
        }
        StandOccupancy* today = optionById(stand, newId);
        for (; next > 1; --next)
            if (today != nullptr)
                today->halfHours.set(halfHours[next - 1]);
        return true;
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{} exception:{}", "updateOptionsWrapped", e.what()));
        return false;
    }
}

void gf_recordParkedHalfHours(Stand& stand, DayHalfHour time, std::string_view callsign, std::uint32_t n,
                              std::uint32_t oldId, std::uint32_t newId)
{
    updateOptionsWrapped(stand, gf_halfHoursBefore(n, time), oldId, newId);
    gf_setOccupancyName(stand, oldId, callsign);
    gf_setOccupancyName(stand, newId, callsign);
}

bool gf_extendStandVisit(DayHalfHour time, Stand& stand, std::uint32_t id, StandVisit& visit,
                         const AcProfile& aircraft, const std::string& key, StandOptionKind kind)
{
    if (id == 0 || visit.lastUpdate == time)
        return true;
    const std::uint32_t elapsed = gf_halfHoursElapsed(visit.lastUpdate, time);
    if (elapsed < 1 || elapsed >= visitLimit(aircraft))
        return false;
    if (time.weekday == visit.lastUpdate.weekday)
    {
        updateOptions(stand, gf_halfHoursBefore(elapsed, time), id);
        gf_setOccupancyName(stand, id, aircraft.callsign);
    }
    else
    {
        const OccupancyAdded added = gf_addOccupancy(stand, kind, time, aircraft.callsign, key, aircraft);
        if (!added.created)
            return false;
        gf_recordParkedHalfHours(stand, time, aircraft.callsign, elapsed, id, added.id);
        visit.optionId = added.id;
    }
    visit.lastUpdate = time;
    return true;
}

StandVisitMap::iterator gf_eraseStandVisit(StandVisitMap& visits, StandVisitMap::iterator node)
{
    return visits.erase(node);
}

void gf_countLearnedUpdate(ParkingState& parking)
{
    ++parking.learnedUpdates;
    if (parking.learnedUpdates != parking.learnedUpdatesShown)
        parking.services->repaint();
}

std::filesystem::path gf_learnedFolder(std::string_view publisher)
{
    const std::filesystem::path learned(kLearnedFolder);
    if (publisher == "stock" || publisher == "simaddon")
        return learned / publisher;
    if (!gf_publisherFolderAllowed(publisher))
        return {};
    return learned / "thirdparty" / publisher;
}

bool gf_saveAirportFile(ParkingState& parking, const ParkFileInfo& info, bool handmade,
                        bool& parametersChanged)
{
    ScannedAirport airport;
    airport.ident = parking.parkAirport.code;
    airport.name = info.name;
    airport.publisher = info.publisher;
    airport.altitudeFt = info.altitude;
    airport.stands = standsToSave(parking.stands, handmade);
    if (handmade)
    {
        const QualityPair quality = gf_qualityFactor(airport.stands);
        airport.qualityReal = quality.real;
        airport.qualitySoft = quality.soft;
    }
    std::filesystem::path path = parking.learnedFile;
    if (path.empty())
    {
        const std::filesystem::path folder = gf_learnedFolder(info.publisher);
        if (!folder.empty() && !airport.ident.empty())
            path = gf_airportXmlName(folder, airport.ident);
    }
    bool saved = false;
    if (!path.empty())
    {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (error)
            gf_logMarked(fmt::format("{}: {}", "lf_saveAirportFile", error.message()));
        else
            saved = gf_writeApf(airport, path, ApfMode::learned, handmade);
    }
    else
    {
        gf_logMarked(fmt::format("{}: no learned folder for '{}' of publisher '{}'", "lf_saveAirportFile",
                                 airport.ident, info.publisher));
    }
    if (!saved)
    {
        lf_showAndLog(
            fmt::format("{} saving '{}' did not succeed", gf_nowTimeOfDay(), path.generic_string()));
        return false;
    }
    lf_showAndLog(fmt::format("{}{} '{}' saved with {} update{} {}", gf_nowTimeOfDay(),
                              handmade ? " handmade" : "", path.generic_string(), parking.learnedUpdates,
                              gf_pluralS(parking.learnedUpdates),
                              parametersChanged ? "and one or more parameter changes" : ""));
    parking.learnedUpdates = 0;
    parametersChanged = false;
    parking.services->repaint();
    return true;
}

} // namespace oxl
