// A small installed fleet for the livery-match tests: types of every category, similar-type groups, a
// registration database with operators and freighters, liveries of several airlines, the generic airline
// and reserved titles, built from LiveriesScanned.xml and AIG-regcodes.enc exactly as a cycle start
// builds them. The matching's process-wide bookkeeping is empty before and after each test.
#pragma once

#include "foundation/config_keys.h"
#include "foundation/run_state.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_matching.h"
#include "records/aircraft_words.h"
#include "tests/liveries/livery_index_fixture.h"

#include <string>
#include <vector>

namespace oxl::test
{

/// The fleet's database: categories, similar groups and registrations.
inline void installMatchDbase()
{
    gLiveries.gDbase = Dbase{};
    gLiveries.gDbase.aircraftTypes = {"A319", "A320", "A321", "A20N", "B744", "BE58", "C172",
                                      "C208", "C56X", "EC35", "F16",  "GLF5", "PA28"};
    gLiveries.gDbase.largeTypes = {"A319", "A320", "A321", "A20N"};
    gLiveries.gDbase.heavyTypes = {"B744"};
    gLiveries.gDbase.buzjetTypes = {"C56X", "GLF5"};
    gLiveries.gDbase.rotorcraftTypes = {"EC35"};
    gLiveries.gDbase.highPerfTypes = {"F16"};
    gLiveries.gDbase.airlineCodes = {"ABC", "BAW", "BOX", "CLH", "DLH", "EZY", "QTR", "VIP", "XYZ"};
    gLiveries.gDbase.similarGroups = {
        {"A319", "A320", "A321"}, {"A20N", "A320"}, {"A319", "C208"}, {"C56X", "GLF5"}, {"C172", "PA28"}};
    gLiveries.gDbase.registrations = {
        {"G-EUPA", {"BAW", "A320", "", false}}, {"D-AOPR", {"DLH", "A321", "CLH", false}},
        {"D-ABOX", {"BOX", "B744", "", true}},  {"D-ABVX", {"DLH", "B744", "", true}},
        {"D-AIZZ", {"DLH", "A320", "", false}},
    };
}

/// The installed liveries, as LiveriesScanned.xml holds them.
inline const std::vector<LiveryData>& matchFleet()
{
    static const std::vector<LiveryData> fleet = {
        {"BAW", "A320", "BA A320 one", "G-EUPA", 0, false}, {"BAW", "A320", "BA A320 two", "", 0, false},
        {"BAW", "A319", "BA A319", "", 0, false},           {"DLH", "A320", "LH A320 Award", "", 0, false},
        {"DLH", "A320", "LH A320 Base", "", 0, false},      {"DLH", "A321", "LH A321", "", 0, false},
        {"DLH", "B744", "LH 744 pax", "", 0, false},        {"BOX", "B744", "Box 744 freighter", "", 0, true},
        {"ZZZ", "A20N", "Generic A20N", "", 0, false},      {"ZZZ", "C172", "Generic C172", "", 0, false},
        {"ZZZ", "EC35", "FSLTL_EC35 rescue", "", 0, false}, {"ABC", "PA28", "Club PA28", "", 0, false},
        {"XYZ", "GLF5", "Exec GLF5", "", 0, false},         {"VIP", "GLF5", "VIP GLF5 Award", "", 0, false},
    };
    return fleet;
}

/// Titles reserved for registrations in the downloaded regcode file.
inline constexpr const char* kMatchRegcodesXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<AIG-regcodes>
  <livery title="LH A320 Award" reg="D-AIZZ" special="true"/>
  <livery title="VIP GLF5 Award" reg="VP-CVX" special="true"/>
</AIG-regcodes>
)";

/// An aircraft as the engine hands it to the match: identity, category of its type, cargo flag.
inline AcProfile matchAircraft(const std::string& airline, const std::string& type,
                               const std::string& registration, bool cargo = false,
                               const std::string& callsign = "TST1")
{
    AcIdent ident;
    ident.airline = airline;
    ident.type = type;
    ident.registration = registration;
    ident.callsign = callsign;
    AcProfile ac(std::move(ident));
    ac.category = gf_aircraftCategory(type);
    ac.cargo = cargo ? 1 : 0;
    ac.hexid = 0x400000;
    return ac;
}

/// Forgets the counters, failed titles and pending titles of the matching.
inline void resetMatchBookkeeping()
{
    gLiveries.MatchStepCounters.fill(0);
    gLiveries.FailedTitles.clear();
    gLiveries.FailedTypeAirlines.clear();
    gf_clearPendingTitles();
}

/// The fleet's indexes built from the files, with the bookkeeping empty and RANDOM off.
class LiveryMatchTest : public LiveryIndexTest
{
  protected:
    LiveryMatchTest() : savedDbase_(gLiveries.gDbase)
    {
        installMatchDbase();
        resetMatchBookkeeping();
        writeScanned(matchFleet());
        writeRegcodesEnc(kMatchRegcodesXml);
        gf_processScannedLiveries();
        RANDOM.set(false);
        gf_clearStop();
    }
    ~LiveryMatchTest() override
    {
        resetMatchBookkeeping();
        gf_clearStop();
        MATCHING_DEPTH.set(4);
        RANDOM.set(false);
        gLiveries.gDbase = savedDbase_;
    }

    Dbase savedDbase_;
};

} // namespace oxl::test
