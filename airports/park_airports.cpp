#include "airports/park_airports.h"

#include "airports/airports_state.h"
#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/strings.h"
#include "foundation/text_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>

namespace oxl
{

namespace
{

// A file holding this many airports costs the per-second park-airport step too much time.
constexpr std::size_t kManyParkAirports = 3000;

bool listed(const ParkingState& parking, std::string_view code)
{
    return std::any_of(parking.parkAirports.begin(), parking.parkAirports.end(),
                       [code](const ParkAirport& entry) { return entry.code == code; });
}

void append(ParkingState& parking, const Airport& airport, std::string reservedStand)
{
    parking.parkAirports.push_back(
        ParkAirport{airport.code, std::move(reservedStand), airport.latitude, airport.longitude, 0.0});
}

// Reads the file's lines into the list; false when an airport is unknown.
bool lf_readLines(ParkingState& parking, const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::exists(file, error))
    {
        gf_log(fmt::format("{} not found", file.string()));
        return true;
    }
    std::vector<std::string> lines;
    if (!gf_readExtTextFileToStringVector(file, lines))
        return false;
    bool allKnown = true;
    for (const std::string& line : lines)
    {
        const std::vector<std::string> parts = gf_splitString(line, ',');
        if (parts.empty() || parts[0].empty())
            continue;
        if (parts.size() >= 3)
        {
            gf_logMarked(fmt::format("{}:{} wrong syntax, skipped", kMyParkAirportsFileName, line));
            continue;
        }
        if (listed(parking, parts[0]))
        {
            gf_logMarked(fmt::format("{}:{} double, skipped", kMyParkAirportsFileName, line));
            continue;
        }
        if (const Airport* airport = gf_findAirport(parts[0]))
        {
            append(parking, *airport, parts.size() > 1 ? parts[1] : std::string());
            continue;
        }
        gf_foundationShowMessage(fmt::format("airport {} is unknown", parts[0]), true);
        allKnown = false;
    }
    const std::size_t count = parking.parkAirports.size();
    if (count > 0)
        gf_log(fmt::format("{} park airport{} read from '{}'", count,
                           gf_pluralS(static_cast<std::int64_t>(count)), kMyParkAirportsFileName));
    if (count > kManyParkAirports)
        gf_foundationShowMessage(
            fmt::format(
                "Warning: There are {} park airports, so many will cost ORDL much cpu time and may cause "
                "stutters",
                count),
            true);
    return allKnown;
}

// Every airport file or link file in my_thirdparty is an airport the user has scenery for.
void lf_addThirdpartyParkAirports(ParkingState& parking, const std::filesystem::path& folder)
{
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return;
    std::size_t added = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        if (!entry.is_regular_file())
            continue;
        const std::string code = entry.path().stem().string();
        if (listed(parking, code))
            continue;
        if (const Airport* airport = gf_findAirport(code))
        {
            append(parking, *airport, std::string());
            ++added;
        }
    }
    if (added > 0)
        gf_log(fmt::format("{} park airport{} added from my_thirdparty folder(-s)", added,
                           gf_pluralS(static_cast<std::int64_t>(added))));
}

std::string lf_lineOf(const ParkAirport& entry)
{
    return entry.reservedStand.empty() ? entry.code : fmt::format("{},{}", entry.code, entry.reservedStand);
}

} // namespace

bool gf_readMyParkAirports(ParkingState& parking, const std::filesystem::path& airportsFolder)
{
    parking.parkAirports.clear();
    try
    {
        const bool allKnown = lf_readLines(parking, airportsFolder / std::string(kMyParkAirportsFileName));
        lf_addThirdpartyParkAirports(parking, airportsFolder / "my_thirdparty");
        return allKnown;
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{}: {}", "lf_readMyParkAirports", e.what()));
        return false;
    }
}

bool gf_updateMyParkStand(const std::string& code, const std::string& newLine, std::string& line)
{
    const std::vector<std::string> parts = gf_splitString(line, ',');
    if (parts.empty() || parts[0] != code)
        return false;
    line = newLine;
    gf_log(fmt::format("{}:{} updated stand", kMyParkAirportsFileName, newLine));
    return true;
}

void gf_writeMyParkAirports(ParkingState& state, const std::filesystem::path& airportsFolder)
{
    if (state.parkAirports.empty())
        return;
    const ParkAirport& first = state.parkAirports.front();
    const std::string newLine = lf_lineOf(first);
    const std::filesystem::path file = airportsFolder / std::string(kMyParkAirportsFileName);
    const std::lock_guard lock(gAirports.gWriteMutex);
    try
    {
        std::error_code error;
        if (!std::filesystem::exists(file, error))
        {
            if (gf_writeLines({newLine}, file))
                gf_log(fmt::format("{} created with {}", kMyParkAirportsFileName, newLine));
            else
                gf_logMarked(fmt::format("could not write {}", file.string()));
            return;
        }
        std::vector<std::string> lines;
        // A file that is there but cannot be read keeps the user's other airports: it is left alone.
        if (!gf_readExtTextFileToStringVector(file, lines))
        {
            gf_logMarked(fmt::format("could not read {}, {} not written", file.string(), newLine));
            return;
        }
        const bool replaced =
            std::any_of(lines.begin(), lines.end(),
                        [&](std::string& line) { return gf_updateMyParkStand(first.code, newLine, line); });
        if (!replaced)
        {
            lines.push_back(newLine);
            gf_log(fmt::format("{}:{} new entry", kMyParkAirportsFileName, newLine));
        }
        std::erase_if(lines, [](const std::string& line) { return gf_trim(line).empty(); });
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        if (!gf_writeLines(lines, file))
            gf_logMarked(fmt::format("could not write {}", file.string()));
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{}: {}", "gf_writeMyParkAirports", e.what()));
    }
}

void gf_addParkAirport(ParkingState& state, const std::string& code, double lat, double lon,
                       const std::filesystem::path& airportsFolder)
{
    auto& list = state.parkAirports;
    const auto listedEntry = std::find_if(list.begin(), list.end(),
                                          [&code](const ParkAirport& entry) { return entry.code == code; });
    if (listedEntry != list.end())
    {
        list.splice(list.begin(), list, listedEntry);
        return;
    }
    list.push_front(ParkAirport{code, std::string(), lat, lon, 0.0});
    gf_writeMyParkAirports(state, airportsFolder);
}

void gf_clearParkAirportList(ParkingState& state)
{
    state.parkAirports.clear();
}

bool gf_readMyParkAirports()
{
    return gf_readMyParkAirports(gAirports.gParking, "airports");
}

} // namespace oxl
