// Harnesses of the airport side's files: BGL scenery files and airport files (archived, generated,
// hand-made and learned files share one format).
#include "tests/fuzz/fuzz_driver.h"

#include "airports/airport_file.h"
#include "airports/airport_reading.h"
#include "airports/bgl_decoding.h"
#include "airports/parking_state.h"
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

} // namespace oxl::fuzz
