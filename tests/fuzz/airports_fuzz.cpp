// Harnesses of the airport side's files: BGL scenery files, airport files (archived, generated, hand-made
// and learned files share one format), the simulator's scenery lists, the airport list and the park airports.
#include "tests/fuzz/fuzz_driver.h"

#include "airports/airport_file.h"
#include "airports/airport_list.h"
#include "airports/airport_reading.h"
#include "airports/airport_scan.h"
#include "airports/airports_state.h"
#include "airports/bgl_decoding.h"
#include "airports/learned_files.h"
#include "airports/park_airports.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/downloads.h"
#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/worker_slots.h"

#include <cmath>
#include <set>

namespace oxl::fuzz
{
namespace
{

void checkStand(const char* h, const Stand& stand)
{
    OXL_FUZZ_CHECK(std::isfinite(stand.latitude) && std::fabs(stand.latitude) <= 90.0, h, "stand latitude");
    OXL_FUZZ_CHECK(std::isfinite(stand.longitude) && std::fabs(stand.longitude) <= 180.0, h,
                   "stand longitude");
    OXL_FUZZ_CHECK(std::isfinite(stand.heading), h, "stand heading");
    OXL_FUZZ_CHECK(std::isfinite(stand.radius) && stand.radius >= 0.0, h, "stand size");
}

} // namespace

// A BGL file: every decoded airport has its stands on the globe; the worker slot is released once.
OXL_FUZZ_TARGET(bgl_file)
{
    const char* h = "bgl_file";
    const auto path = writeInput("scenery/fuzz.bgl", input);
    (void)gf_bglHasAirportSection(path);
    BglAirportSteps steps;
    std::size_t airports = 0;
    steps.link = [](ScannedAirport&, std::uint32_t&, const std::string&) { return false; };
    steps.generate = [&](ScannedAirport& airport)
    {
        ++airports;
        OXL_FUZZ_CHECK(airport.helipadCount <= airport.stands.size(), h, "more helipads than stands");
        for (const Stand& stand : airport.stands)
            checkStand(h, stand);
    };
    gFoundation.gRunningWorkers = 1;
    try
    {
        gf_processBGLfile(path, steps);
    }
    catch (const std::exception&)
    {
        // The scan logs a corrupt file and goes on.
    }
    OXL_FUZZ_CHECK(gFoundation.gRunningWorkers.load() == 0, h,
                   "the worker slot was not released exactly once");
}

// An airport file read as the park airport's: the stands read lie on the globe and their ids are unique.
OXL_FUZZ_TARGET(airport_file)
{
    const char* h = "airport_file";
    writeInput("work/airports/my_thirdparty/KMEX.xml", input);
    static ParkingState state;
    state.reset();
    state.parkAirport.code = "KMEX";
    ParkFileInfo info;
    QualityPair quality;
    bool whole = true;
    try
    {
        whole = gf_readApf(state, "airports/my_thirdparty/KMEX.xml", info, quality).empty();
    }
    catch (const UserErrorException&)
    {
        // A file without altitude or with a repeated stand name is refused with its message; the stands
        // read before stay, still without their ids.
        whole = false;
    }
    std::set<std::uint32_t> ids;
    for (const Stand& stand : state.stands)
    {
        checkStand(h, stand);
        if (whole)
            OXL_FUZZ_CHECK(stand.standId != 0 && ids.insert(stand.standId).second, h,
                           "stand id 0 or repeated");
    }
    if (!whole)
        return;

    // The stands written as a generated file read back the same, to the precision the file keeps.
    ScannedAirport airport;
    airport.ident = "KMEX";
    airport.name = info.name;
    airport.publisher = info.publisher;
    airport.altitudeFt = info.altitude;
    for (const Stand& stand : state.stands)
        if (std::fabs(stand.latitude) >= 5e-7 ||
            std::fabs(stand.longitude) >= 5e-7) // 0,0 means "no position"
            airport.stands.push_back(stand);
    const std::string copy = "airports/my_thirdparty/KMEX_copy.xml";
    OXL_FUZZ_CHECK(gf_writeApf(airport, copy, ApfMode::generated), h, "a read file cannot be written");
    static ParkingState again;
    again.reset();
    again.parkAirport.code = "KMEX";
    ParkFileInfo infoAgain;
    QualityPair qualityAgain;
    OXL_FUZZ_CHECK(gf_readApf(again, copy, infoAgain, qualityAgain).empty() || airport.stands.empty(), h,
                   "the written file does not read");
    OXL_FUZZ_CHECK(infoAgain.altitude == info.altitude && infoAgain.name == info.name, h, "altitude or name");
    OXL_FUZZ_CHECK(again.stands.size() == airport.stands.size(), h, "round trip changed the stand count");
    auto near = [](double a, double b, double step)
    { return std::fabs(a - b) <= step + 1e-12 * std::fabs(a); };
    for (std::size_t i = 0; i < again.stands.size(); ++i)
    {
        const Stand& a = airport.stands[i];
        const Stand& b = again.stands[i];
        OXL_FUZZ_CHECK(a.name == b.name, h, "round trip changed a stand name");
        OXL_FUZZ_CHECK(near(a.latitude, b.latitude, 5.1e-7) && near(a.longitude, b.longitude, 5.1e-7), h,
                       "round trip moved stand " + a.name);
        OXL_FUZZ_CHECK(near(a.heading * kRadToDeg, b.heading * kRadToDeg, 0.051), h,
                       "round trip turned stand " + a.name);
        OXL_FUZZ_CHECK(near(a.radius * kMetresPerNm, b.radius * kMetresPerNm, 0.051), h,
                       "round trip resized stand " + a.name);
        OXL_FUZZ_CHECK(a.helipad == b.helipad && a.ramp == b.ramp && (a.helipad != 0 || a.cargo == b.cargo),
                       h, "round trip changed the kind of stand " + a.name);
    }
}

// A learned file read over the stands of its airport file: the stands stay on the globe with unique names,
// the file's options get ids of their own, and the settings it carries stay in their ranges.
OXL_FUZZ_TARGET(learned_file)
{
    const char* h = "learned_file";
    const std::filesystem::path file = writeInput("work/airports/learned/stock/KMEX.xml", input);
    std::vector<Stand> stands;
    for (const char* name : {"A 1", "A 2", "B 1"})
        stands.emplace_back(name, static_cast<std::uint32_t>(stands.size() + 1),
                            19.43 + 0.001 * stands.size(), -99.07, 0.5, 30.0);
    const std::size_t fromAirportFile = stands.size();
    std::uint8_t handmade = 2;
    gf_readLearned(file, ParkFileInfo{"Mexico City", "stock", 7316}, stands, handmade);
    OXL_FUZZ_CHECK(handmade <= 2, h, "hand-made mark");
    OXL_FUZZ_CHECK(handmade == 1 || stands.size() >= fromAirportFile, h, "a stand of the airport file lost");
    std::set<std::string> names;
    for (const Stand& stand : stands)
    {
        checkStand(h, stand);
        OXL_FUZZ_CHECK(handmade == 1 || names.insert(stand.name).second, h, "stand " + stand.name + " twice");
        std::set<std::uint32_t> ids;
        for (const StandOccupancy& option : stand.options)
        {
            OXL_FUZZ_CHECK(option.id != 0 && ids.insert(option.id).second, h,
                           "option id 0 or repeated at stand " + stand.name);
            OXL_FUZZ_CHECK(option.halfHours.bits() < (std::uint64_t{1} << 48), h, "half-hour past 47");
        }
    }
    OXL_FUZZ_CHECK(RANGE.value() >= RANGE.minimum && RANGE.value() <= RANGE.maximum, h, "range");
    OXL_FUZZ_CHECK(parking_percentage.value() >= 0 && parking_percentage.value() <= 100, h, "parking share");
    OXL_FUZZ_CHECK(MAX_FIT.value() >= MAX_FIT.minimum && MAX_FIT.value() <= MAX_FIT.maximum, h, "max fit");
}

// scenery.cfg or scenery_add-ons.xml (one byte picks): no folder found is empty, holds a line break or lies
// in the simulator's stock airports.
OXL_FUZZ_TARGET(scenery_lists)
{
    const char* h = "scenery_lists";
    ALL_INSTALL_PATH.set("C:\\P3D");
    gf_setStockAirportsPath(WinPath("C:\\P3D\\Scenery"));
    Input in(input);
    const bool cfg = (in.take<std::uint8_t>() & 1) != 0; // the scan's port is not installed: no version
    writeInput(std::string("programdata/Lockheed Martin/Prepar3D v/") +
                   (cfg ? "scenery.cfg" : "scenery_add-ons.xml"),
               in.rest());
    std::vector<std::string> folders;
    cfg ? gf_readSceneryCfg(folders) : gf_readSceneryAddonsXml(folders);
    for (const std::string& folder : folders)
        OXL_FUZZ_CHECK(!folder.empty() && folder.find('\n') == std::string::npos &&
                           !(cfg && gf_isInStockScenery(folder)),
                       h, "folder '" + folder + "'");
}

// airports_p3d.xml: every airport read lies on the globe and is found by its code and its position.
OXL_FUZZ_TARGET(airport_list)
{
    const char* h = "airport_list";
    AirportList list;
    try
    {
        list.read(writeInput("airports_p3d.xml", input));
    }
    catch (const UserErrorException&)
    {
        return;
    }
    for (const Airport& a : list.airports())
    {
        OXL_FUZZ_CHECK(std::fabs(a.latitude) <= 90.0 && std::fabs(a.longitude) <= 180.0 &&
                           std::fabs(a.altitude) <= 1e5,
                       h, "airport " + a.code + " off the globe");
        OXL_FUZZ_CHECK(list.find(a.code) != nullptr && list.closest(a.latitude, a.longitude) != nullptr, h,
                       "airport " + a.code + " not found");
    }
}

// my_park_airports.txt, or (one byte picks) park_airport.xml downloaded from the site: each park airport is
// a known one, listed once; the downloaded file's stands lie on the globe.
OXL_FUZZ_TARGET(park_airports)
{
    const char* h = "park_airports";
    static const bool known = gAirports.gAirportList.read(writeInput(
        "known.xml", asBytes("<airports><airport code='KMEX' lat='19.43' lon='-99.07' alt='7316'/>"
                             "<airport code='LSZH' lat='47.46' lon='8.55' alt='1416'/></airports>")));
    static ParkingState state;
    state.reset();
    std::filesystem::create_directories(scratchFolder() / "work" / "airports");
    Input in(input);
    if ((in.take<std::uint8_t>() & 1) != 0)
    {
        writeInput(std::string("site/") + kDownloadAirportFolder + "park.xml", in.rest());
        state.parkAirport.code = "KMEX";
        ParkFileInfo info;
        QualityPair quality;
        try
        {
            (void)gf_readApf(state, "park.xml", info, quality);
        }
        catch (const UserErrorException&)
        {
        }
        for (const Stand& stand : state.stands)
            checkStand(h, stand);
        return;
    }
    writeInput("work/airports/my_park_airports.txt", in.rest());
    (void)gf_readMyParkAirports(state, "airports");
    std::set<std::string> codes;
    for (const ParkAirport& entry : state.parkAirports)
        OXL_FUZZ_CHECK(known && gf_findAirport(entry.code) != nullptr && codes.insert(entry.code).second, h,
                       "park airport " + entry.code);
}

} // namespace oxl::fuzz
