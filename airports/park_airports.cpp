#include "airports/park_airports.h"

#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/strings.h"
#include "foundation/text_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
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
        gf_log(fmt::format("{} park airport{} read from '{}'", count, gf_pluralS(static_cast<std::int64_t>(count)),
                           kMyParkAirportsFileName));
    if (count > kManyParkAirports)
        gf_foundationShowMessage(
            fmt::format("Warning: There are {} park airports, so many will cost ORDL much cpu time and may cause "
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

} // namespace

bool lf_readMyParkAirports(ParkingState& parking, const std::filesystem::path& airportsFolder)
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

bool lf_readMyParkAirports()
{
    return lf_readMyParkAirports(gParking, "airports");
}

} // namespace oxl
