#include "records/aircraft_words.h"

#include <gtest/gtest.h>

#include <cmath>

namespace oxl
{
namespace
{

AcIdent ident(std::string airline, std::string type, std::string origin, std::string destination,
              std::string callsign, std::string registration)
{
    AcIdent id;
    id.airline = std::move(airline);
    id.type = std::move(type);
    id.origin = std::move(origin);
    id.destination = std::move(destination);
    id.callsign = std::move(callsign);
    id.registration = std::move(registration);
    return id;
}

struct LabelRow
{
    const char* name;
    AcIdent id;
    const char* route;
    const char* label;
    const char* shortLabel;
};

TEST(AircraftLabels, LabelsOfIdentities)
{
    const LabelRow rows[] = {
        {"full route", ident("BAW", "A320", "EGLL", "LFPG", "BAW123", "G-EUUA"), "EGLL->LFPG",
         "BAW123   G-EUUA   EGLL->LFPG BAW A320", "BAW123   G-EUUA BAW A320"},
        {"no route is eight blanks", ident("DLH", "A20N", "", "", "DLH4AB", "D-AINA"), "        ",
         "DLH4AB   D-AINA  "
         " "
         "        "
         " DLH A20N",
         "DLH4AB   D-AINA DLH A20N"},
        {"only destination", ident("PVT", "C172", "", "MEX", "N123", "N123"), "   ->MEX",
         "N123     N123        ->MEX PVT C172", "N123     N123 PVT C172"},
        {"short airline and type padded", ident("", "B2", "MZT", "", "X", ""), "MZT->   ",
         "X                 MZT->        B2  ",
         "X       "
         "  "
         "    B2  "},
        {"outside bytes escaped", ident("PVT", "A3\n", "E\\L", "", "\u00c41", "D-\x01"), "E\\\\L->   ",
         "\u00c41       D-\\x01   E\\\\L->    PVT A3\\n", "\u00c41       D-\\x01 PVT A3\\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(gf_routeLabel(row.id), row.route);
        EXPECT_EQ(gf_acLabel(row.id), row.label);
        EXPECT_EQ(gf_acShortLabel(row.id), row.shortLabel);
    }
    EXPECT_EQ(gf_unmatchedKey(rows[0].id), "BAW A320 G-EUUA");
}

TEST(AircraftLabels, CallsignRules)
{
    struct Row
    {
        std::string callsign;
        bool valid;
        std::optional<std::string> airline;
    };
    const Row rows[] = {
        {"BAW123", true, "BAW"},
        {"baw1", true, "BAW"},
        {"BAW", true, std::nullopt},
        {"B4W123", true, std::nullopt},
        {"N12345", true, std::nullopt},
        {"@@@@@@@@", false, std::nullopt},
        {"ABCD12345", false, std::nullopt},
        {"", false, std::nullopt},
        {"\xc3\xa9\xc3\xa9"
         "1",
         true, std::nullopt},
        {"AbC9", true, "ABC"},
        // A simulator carries no NUL or control byte as sent: the object would never pair with its aircraft.
        {std::string("EDW\0"
                     "23",
                     6),
         false, std::nullopt},
        {"EDW\t23", false, std::nullopt},
        {"EDW23\x7F", false, "EDW"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(gf_outsideText(row.callsign));
        AcIdent id;
        id.callsign = row.callsign;
        EXPECT_EQ(gf_validCallsign(id), row.valid);
        EXPECT_EQ(gf_callsignAirline(row.callsign), row.airline);
        id.airline = "OLD";
        EXPECT_EQ(gf_airlineFromCallsign(id), row.airline.has_value());
        EXPECT_EQ(id.airline, row.airline.value_or("OLD"));
    }
}

TEST(AircraftWords, TablesAndOutOfRange)
{
    EXPECT_EQ(gf_categoryWord(AcCategory::Buzjets), "Buzjets");
    EXPECT_EQ(gf_categoryWord(AcCategory::Rotorcraft), "Rotorcraft");
    EXPECT_EQ(gf_groundPhaseWord(GroundPhase::pushing_back), "pushing_back");
    EXPECT_EQ(gf_groundPhaseWord(GroundPhase::birth), "birth");
    EXPECT_EQ(gf_simStateWord(SimState::liveryrespawn), "liveryrespawn");
    EXPECT_THROW(gf_categoryWord(static_cast<AcCategory>(6)), std::out_of_range);
    EXPECT_THROW(gf_groundPhaseWord(static_cast<GroundPhase>(8)), std::out_of_range);
    EXPECT_THROW(gf_simStateWord(static_cast<SimState>(5)), std::out_of_range);
    EXPECT_THROW(gf_categoryConstants(static_cast<AcCategory>(6)), std::out_of_range);
    EXPECT_EQ(gf_categoryConstants(AcCategory::Heavy).flareTicks, 450u);
    EXPECT_EQ(gf_categoryConstants(AcCategory::HighPerf).liftOffSpeedKt, 220.0);
}

TEST(AircraftRecords, NewLiveAircraftStartsInBufferAndBirth)
{
    AcProfile profile(ident("BAW", "A320", "EGLL", "LFPG", "BAW123", "G-EUUA"));
    profile.hexid = 4000123;
    Report first;
    first.lat = 51.5;
    first.dueTick = 3000;
    first.roll = 0.1;
    LiveAc ac(first, std::move(profile), 1700000000.5);
    EXPECT_EQ(ac.callsign, "BAW123");
    EXPECT_TRUE(profile.callsign.empty());
    EXPECT_EQ(ac.hexid, 4000123u);
    EXPECT_EQ(ac.objectId, 0u);
    EXPECT_EQ(ac.simState, SimState::buffer);
    EXPECT_EQ(ac.throttleIndex, 5u);
    EXPECT_EQ(ac.flapsIndex, 4u);
    EXPECT_EQ(ac.phase, GroundPhase::birth);
    EXPECT_EQ(ac.previousPhase, GroundPhase::birth);
    ASSERT_EQ(ac.stream.size(), 1u);
    EXPECT_EQ(ac.stream.front().dueTick, 3000);
    EXPECT_EQ(ac.lastTime, 1700000000.5);
    EXPECT_EQ(ac.earlyMargin, 1000);
    EXPECT_EQ(ac.lateMargin, 1000);
    EXPECT_EQ(ac.rotationCounter, 1);
    EXPECT_EQ(ac.agl, 2500.0);
    EXPECT_FALSE(ac.curve.active());
    EXPECT_TRUE(std::isnan(ac.curve.ctrlEast));
    EXPECT_FALSE(ac.spareSideReport.roll.has_value());
    EXPECT_EQ(ac.category, AcCategory::Large);
}

} // namespace
} // namespace oxl
