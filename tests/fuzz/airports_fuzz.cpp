// Harnesses of the airport side's files: BGL scenery files and airport files (archived, generated,
// hand-made and learned files share one format).
#include "tests/fuzz/fuzz_driver.h"

#include "airports/airport_file.h"
#include "airports/airport_reading.h"
#include "airports/bgl_decoding.h"
#include "airports/parking_state.h"
#include "foundation/errors.h"
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
    OXL_FUZZ_CHECK(std::isfinite(stand.longitude) && std::fabs(stand.longitude) <= 180.0, h, "stand longitude");
    OXL_FUZZ_CHECK(std::isfinite(stand.heading), h, "stand heading");
    OXL_FUZZ_CHECK(std::isfinite(stand.radius) && stand.radius >= 0.0, h, "stand size");
}

} // namespace

// A BGL file: every decoded airport has its stands on the globe; the worker slot is released once.
OXL_FUZZ_TARGET(bgl_file)
{
    const char* h = "bgl_file";
    const auto path = writeInput("scenery/fuzz.bgl", input);
    (void)lf_bglHasAirportSection(path);
    BglAirportSteps steps;
    std::size_t airports = 0;
    steps.link = [](ScannedAirport&, std::uint32_t&, const std::string&) { return false; };
    steps.generate = [&](ScannedAirport& airport) {
        ++airports;
        OXL_FUZZ_CHECK(airport.helipadCount <= airport.stands.size(), h, "more helipads than stands");
        for (const Stand& stand : airport.stands)
            checkStand(h, stand);
    };
    gRunningWorkers = 1;
    try
    {
        lf_processBGLfile(path, steps);
    }
    catch (const std::exception&)
    {
        // The scan logs a corrupt file and goes on.
    }
    OXL_FUZZ_CHECK(gRunningWorkers.load() == 0, h, "the worker slot was not released exactly once");
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
            OXL_FUZZ_CHECK(stand.standId != 0 && ids.insert(stand.standId).second, h, "stand id 0 or repeated");
    }
}

} // namespace oxl::fuzz
