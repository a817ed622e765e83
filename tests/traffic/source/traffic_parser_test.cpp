#include "traffic/source/traffic_parser.h"

#include "foundation/log.h"
#include "foundation/units.h"
#include "platform/clock.h"
#include "tests/support/log_capture.h"
#include "tests/traffic/source/traffic_line_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace oxl
{
namespace
{

using test::LineBuilder;

// A parser over its own filter, collection and adding stack: range 40 nm around the line's area,
// park airport EGLL, the engine's one aircraft 4000124.
class ParserTest : public ::testing::Test
{
  protected:
    ParserTest() : parser(filter, callsigns, stack, tick, lastTimestamp)
    {
        filter.setRangeReference(51.5, -0.25);
        radius.store(40.0);
        filter.setParkAirport(true, 51.4706, -0.4619);
        std::vector<std::uint32_t> known{4000124};
        filter.exchangeKnownHexids(known);
        stack.setAccept(true);
        tick.store(777);
        test::stepSteadyClock();
    }
    ~ParserTest() override { plat::setSteadySource({}); }

    std::vector<TrafficLine> taken()
    {
        std::vector<TrafficLine> lines;
        stack.takeUpTo(100, [&](TrafficLine& line) { lines.push_back(std::move(line)); });
        return lines;
    }

    test::LogCapture log;
    std::atomic<double> radius{0.0};
    TrafficFilter filter{radius};
    CallsignCollector callsigns;
    AddingStack stack;
    std::atomic<std::int32_t> tick{0};
    std::atomic<double> lastTimestamp{0.0};
    TrafficLineParser parser;
};

struct ErrorRow
{
    const char* name;
    std::string line;
    std::string logged; // after "exception in processLineSub: "
    std::string aircraft = "hexid 4000123, callsign TST123";
};

TEST_F(ParserTest, EveryErrorIsLoggedWithItsFieldTextAndItsAircraft)
{
    const std::string altitudeLine = LineBuilder().with({{4, "x"}}).text();
    const std::string absurdAltitude = LineBuilder().with({{4, "1e300"}}).text();
    const std::string nulAltitude = LineBuilder().with({{4, "x"}, {9, std::string("AB\0C", 4)}}).text();
    const ErrorRow rows[] = {
        {"timestamp", LineBuilder().with({{14, "abc"}}).text(), "timestamp:abc"},
        {"latitude", LineBuilder().with({{2, "x"}}).text(), "lat:x"},
        {"empty longitude", LineBuilder().with({{3, ""}}).text(), "lon:"},
        {"leading blank", LineBuilder().with({{2, " 51"}}).text(), "lat: 51"},
        {"leading plus", LineBuilder().with({{3, "+1"}}).text(), "lon:+1"},
        {"nan latitude", LineBuilder().with({{2, "nan"}}).text(), "lat:nan"},
        {"infinite timestamp", LineBuilder().with({{14, "inf"}}).text(), "timestamp:inf"},
        {"position at zero", LineBuilder().with({{2, "0.00001"}, {3, "-0.00005"}}).text(),
         "invalid lalo: 0.000010,-0.000050"},
        {"latitude beyond the pole", LineBuilder().with({{2, "91"}}).text(),
         "invalid lalo: 91.000000,-0.260000"},
        {"true heading above 360", LineBuilder().with({{25, "360.5"}}).text(), "trueheading: 360.50"},
        {"true heading text", LineBuilder().with({{25, "n"}}).text(), "trueheading:n"},
        {"hexid not a number", LineBuilder().with({{1, "x12"}}).text(), "hexid incorrectx12",
         "hexid x12, callsign TST123"},
        {"hexid beyond 32 bits", LineBuilder().with({{1, "4294967296"}}).text(), "hexid incorrect4294967296",
         "hexid 4294967296, callsign TST123"},
        {"ground speed", LineBuilder().with({{8, "abc"}}).text(), "gs:abc"},
        {"no callsign", LineBuilder().with({{8, "abc"}, {9, "null"}}).text(), "gs:abc", "hexid 4000123"},
        {"infinite ground speed", LineBuilder().with({{8, "-inf"}}).text(), "gs:-inf"},
        {"altitude", altitudeLine, "altitude x incorrect, from: " + altitudeLine},
        {"track", LineBuilder().with({{7, "x"}}).text(), "track incorrect x"},
        {"vertical speed", LineBuilder().with({{5, ""}}).text(), "vs:"},
        {"roll", LineBuilder().with({{23, "r"}}).text(), "roll:r"},
        {"true airspeed", LineBuilder().with({{20, "t"}}).text(), "TAS incorrectt"},
        {"nan true airspeed", LineBuilder().with({{20, "nan"}}).text(), "TAS incorrectnan"},
        {"short line", "AITFC,4000123,51.52", "timestamp:", "hexid 4000123"},
        {"timestamp 1e300", LineBuilder().with({{14, "1e300"}}).text(), "timestamp:1e300"},
        {"true heading 1e300", LineBuilder().with({{25, "1e300"}}).text(), "trueheading:1e300"},
        {"ground speed above 2,000 kt", LineBuilder().with({{8, "2000.5"}}).text(), "gs:2000.5"},
        {"altitude 1e300", absurdAltitude, "altitude 1e300 incorrect, from: " + absurdAltitude},
        {"track 1e300", LineBuilder().with({{7, "1e300"}}).text(), "track incorrect 1e300"},
        {"vertical speed 1e300", LineBuilder().with({{5, "1e300"}}).text(), "vs:1e300"},
        {"roll beyond 180", LineBuilder().with({{23, "-180.5"}}).text(), "roll:-180.5"},
        {"true airspeed 1e300", LineBuilder().with({{20, "1e300"}}).text(), "TAS incorrect1e300"},
        {"true airspeed -2", LineBuilder().with({{20, "-2"}}).text(), "TAS incorrect-2"},
        {"NUL byte in longitude", LineBuilder().with({{3, std::string("\0x\n", 3)}}).text(), "lon:\\x00x\\n"},
        {"NUL byte in altitude", nulAltitude, gf_outsideText("altitude x incorrect, from: " + nulAltitude),
         "hexid 4000123, callsign AB\\x00C"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parser.handleDatagram(row.line), LineOutcome::error);
        EXPECT_EQ(log.lines().back(),
                  "exception in processLineSub: " + row.logged + " (" + row.aircraft + ")");
    }
    EXPECT_EQ(stack.size(), 0u);
}

struct DropRow
{
    const char* name;
    std::string line;
    LineOutcome outcome;
};

TEST_F(ParserTest, FiltersKeepOrDropLines)
{
    // Beyond the range (40 nm) up to the let-go radius (48 nm) only an aircraft the engine knows passes.
    const DropRow rows[] = {
        {"valid line", LineBuilder().text(), LineOutcome::pushed},
        {"known, 43 nm out", LineBuilder().with({{1, "4000124"}, {2, "52.22"}}).text(), LineOutcome::pushed},
        {"unknown, 43 nm out", LineBuilder().with({{2, "52.22"}}).text(), LineOutcome::dropped},
        {"known, 50 nm out", LineBuilder().with({{1, "4000124"}, {2, "52.34"}}).text(), LineOutcome::dropped},
        {"at the limits", LineBuilder().with({{4, "100000"}, {8, "2000"}, {20, "2000"}, {23, "180"}}).text(),
         LineOutcome::pushed},
        {"vehicle", LineBuilder().with({{9, "TUG VEH"}}).text(), LineOutcome::ignored},
        {"outside the range", LineBuilder().with({{2, "52.3"}}).text(), LineOutcome::dropped},
        {"pole and antimeridian are valid", LineBuilder().with({{2, "90"}, {3, "180"}}).text(),
         LineOutcome::dropped},
        {"registration of 13 characters", LineBuilder().with({{11, "ABCDEFGHIJKLM"}}).text(),
         LineOutcome::dropped},
        {"type ZZZZ", LineBuilder().with({{10, "ZZZZ"}}).text(), LineOutcome::dropped},
        {"type 0", LineBuilder().with({{10, "0"}}).text(), LineOutcome::dropped},
        {"type null", LineBuilder().with({{10, "null"}}).text(), LineOutcome::dropped},
        {"five-character type", LineBuilder().with({{10, "A320X"}}).text(), LineOutcome::dropped},
        {"five-character type without category", LineBuilder().with({{10, "A320X"}, {28, ""}}).text(),
         LineOutcome::pushed},
        {"five-character type with null category", LineBuilder().with({{10, "A320X"}, {28, "null"}}).text(),
         LineOutcome::pushed},
        {"glider without category", LineBuilder().with({{10, "GLID"}, {28, ""}}).text(), LineOutcome::pushed},
        {"glider with category", LineBuilder().with({{10, "GLID"}}).text(), LineOutcome::dropped},
        {"category B2", LineBuilder().with({{28, "B2"}}).text(), LineOutcome::dropped},
        {"category C1", LineBuilder().with({{28, "C1"}}).text(), LineOutcome::dropped},
        {"hexid 10000", LineBuilder().with({{1, "10000"}}).text(), LineOutcome::dropped},
        {"hexid 10001", LineBuilder().with({{1, "10001"}}).text(), LineOutcome::pushed},
        {"hexid 12ab reads 12", LineBuilder().with({{1, "12ab"}}).text(), LineOutcome::dropped},
        {"callsign ERARMTR0", LineBuilder().with({{9, "ERARMTR0"}}).text(), LineOutcome::dropped},
        {"callsign AIRPORT1", LineBuilder().with({{9, "AIRPORT1"}}).text(), LineOutcome::dropped},
        {"at sign and no registration", LineBuilder().with({{9, "A@B"}, {11, "null"}}).text(),
         LineOutcome::dropped},
        {"at sign with registration", LineBuilder().with({{9, "A@B"}}).text(), LineOutcome::pushed},
        {"ground report near the park airport",
         LineBuilder().with({{2, "51.4710"}, {3, "-0.4500"}, {4, "0"}, {8, "12"}}).text(),
         LineOutcome::pushed},
        {"ground report 5.1 nm from the park airport",
         LineBuilder().with({{2, "51.5556"}, {3, "-0.4619"}, {4, "0"}, {8, "12"}}).text(),
         LineOutcome::dropped},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parser.handleDatagram(row.line), row.outcome);
    }
    EXPECT_EQ(log.lines().size(), 0u);
}

TEST_F(ParserTest, GroundReportWithoutParkAirportIsDropped)
{
    filter.setParkAirport(false, 0.0, 0.0);
    const std::string ground =
        LineBuilder().with({{2, "51.4710"}, {3, "-0.4500"}, {4, "0"}, {8, "12"}}).text();
    EXPECT_EQ(parser.handleDatagram(ground), LineOutcome::dropped);
}

TEST_F(ParserTest, DroppedLineStillStoresItsTimestamp)
{
    EXPECT_EQ(parser.handleDatagram(LineBuilder().with({{2, "52.3"}, {14, "1700000123.25"}}).text()),
              LineOutcome::dropped);
    EXPECT_EQ(lastTimestamp.load(), 1700000123.25);
    EXPECT_EQ(parser.handleDatagram(LineBuilder().with({{9, "X VEH"}, {14, "1"}}).text()),
              LineOutcome::ignored);
    EXPECT_EQ(lastTimestamp.load(), 1700000123.25);
}

struct ValueRow
{
    const char* name;
    std::string line;
    std::function<void(const TrafficLine&)> check;
};

TEST_F(ParserTest, FieldsOfPushedLines)
{
    filter.setReferenceElevation(460.0);
    const ValueRow rows[] = {
        {"identity, report and due tick", LineBuilder().text(),
         [](const TrafficLine& l)
         {
             EXPECT_EQ(l.hexid, 4000123u);
             EXPECT_EQ(l.callsign, "TST123");
             EXPECT_EQ(l.type, "A320");
             EXPECT_EQ(l.registration, "G-TEST");
             EXPECT_EQ(l.origin, "EGPH");
             EXPECT_EQ(l.destination, "EGLL");
             EXPECT_TRUE(l.airline.empty());
             EXPECT_EQ(l.timestamp, 1700000000.5);
             EXPECT_EQ(l.report.lat, 51.52);
             EXPECT_EQ(l.report.lon, -0.26);
             EXPECT_EQ(l.report.alt, 3500.0);
             EXPECT_EQ(l.report.vs, -640.0);
             EXPECT_EQ(l.report.gs, 180.0);
             EXPECT_EQ(l.report.track, 270.0);
             EXPECT_EQ(l.report.tas, 220.0);
             EXPECT_EQ(l.report.airborne, 1);
             EXPECT_EQ(l.report.dueTick, 3777);
             EXPECT_FALSE(l.report.roll.has_value());
             EXPECT_DOUBLE_EQ(*l.report.trueHeading, 270.0 * kDegToRad);
             EXPECT_EQ(l.beyondRange, 0);
         }},
        {"known hexid beyond the range", LineBuilder().with({{1, "4000124"}, {2, "52.22"}}).text(),
         [](const TrafficLine& l) { EXPECT_EQ(l.beyondRange, 1); }},
        {"true heading 0 and empty track", LineBuilder().with({{25, "0"}, {7, ""}}).text(),
         [](const TrafficLine& l)
         {
             EXPECT_EQ(*l.report.trueHeading, kTwoPi);
             EXPECT_EQ(l.report.track, 360.0);
             EXPECT_EQ(l.report.headingFromAdsb, 1);
         }},
        {"true heading too small for radians is north", LineBuilder().with({{25, "1e-323"}}).text(),
         [](const TrafficLine& l)
         {
             EXPECT_EQ(*l.report.trueHeading, kTwoPi);
             EXPECT_EQ(l.report.headingFromAdsb, 1);
         }},
        {"negative true heading sets none", LineBuilder().with({{25, "-5"}}).text(),
         [](const TrafficLine& l)
         {
             EXPECT_FALSE(l.report.trueHeading.has_value());
             EXPECT_EQ(l.report.headingFromAdsb, 0);
         }},
        {"not adsb_icao", LineBuilder().with({{17, "mlat"}, {25, "999"}}).text(),
         [](const TrafficLine& l) { EXPECT_FALSE(l.report.trueHeading.has_value()); }},
        {"roll 10", LineBuilder().with({{23, "10"}}).text(),
         [](const TrafficLine& l) { EXPECT_EQ(*l.report.roll, -10.0 * kDegToRad); }},
        {"roll -1 is unset", LineBuilder().with({{23, "-1"}}).text(),
         [](const TrafficLine& l) { EXPECT_FALSE(l.report.roll.has_value()); }},
        {"TAS at 25000 ft", LineBuilder().with({{4, "25000"}}).text(),
         [](const TrafficLine& l) { EXPECT_EQ(l.report.tas, 430.0); }},
        {"500 ft, 40 ft above the reference at 100 kt is on the ground",
         LineBuilder().with({{2, "51.4710"}, {3, "-0.4500"}, {4, "500"}, {8, "100"}, {23, "5"}}).text(),
         [](const TrafficLine& l)
         {
             EXPECT_EQ(l.report.alt, 0.0);
             EXPECT_EQ(l.report.airborne, 0);
             EXPECT_EQ(l.report.tas, 180.0);
             EXPECT_FALSE(l.report.roll.has_value());
         }},
        {"580 ft at 100 kt is airborne", LineBuilder().with({{4, "580"}, {8, "100"}}).text(),
         [](const TrafficLine& l) { EXPECT_EQ(l.report.alt, 580.0); }},
        {"callsign with at sign is empty", LineBuilder().with({{9, "A@B"}}).text(),
         [](const TrafficLine& l) { EXPECT_TRUE(l.callsign.empty()); }},
        {"identity kept as received", LineBuilder().with({{9, "\u00c4\u00d61"}, {11, "D-A\\B\x01"}}).text(),
         [](const TrafficLine& l) { EXPECT_EQ(l.callsign + l.registration, "\u00c4\u00d61D-A\\B\x01"); }},
        {"null route", LineBuilder().with({{12, "null"}, {13, "null"}, {11, "null"}}).text(),
         [](const TrafficLine& l)
         {
             EXPECT_TRUE(l.origin.empty());
             EXPECT_TRUE(l.destination.empty());
             EXPECT_TRUE(l.registration.empty());
         }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(parser.handleDatagram(row.line), LineOutcome::pushed);
        const auto lines = taken();
        ASSERT_EQ(lines.size(), 1u);
        row.check(lines.front());
    }
}

TEST_F(ParserTest, ThirtyFiveKnotRuleWithoutReferenceElevation)
{
    filter.setParkAirport(true, 51.52, -0.26);
    EXPECT_EQ(parser.handleDatagram(LineBuilder().with({{4, "3000"}, {8, "30"}}).text()),
              LineOutcome::pushed);
    EXPECT_EQ(parser.handleDatagram(LineBuilder().with({{4, "3000"}, {8, "40"}}).text()),
              LineOutcome::pushed);
    const auto lines = taken();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].report.airborne, 0);
    EXPECT_EQ(lines[1].report.alt, 3000.0);
}

TEST_F(ParserTest, AcceptFlagClearDiscardsCompleteLines)
{
    stack.setAccept(false);
    EXPECT_EQ(parser.handleDatagram(LineBuilder().text()), LineOutcome::discarded);
    EXPECT_EQ(stack.size(), 0u);
}

TEST_F(ParserTest, CallsignsAreCollectedOnlyWhileOn)
{
    parser.handleDatagram(LineBuilder().with({{9, "EARLY1"}}).text());
    callsigns.start();
    parser.handleDatagram(LineBuilder().with({{9, "BAW1"}}).text());
    parser.handleDatagram(LineBuilder().with({{9, "A@B"}}).text());
    parser.handleDatagram(LineBuilder().with({{9, "null"}}).text());
    parser.handleDatagram(LineBuilder().with({{9, "LONGREG"}, {11, "ABCDEFGHIJKLM"}}).text());
    parser.handleDatagram(LineBuilder().with({{9, "GLIDER1"}, {10, "GLID"}}).text());
    callsigns.stop();
    parser.handleDatagram(LineBuilder().with({{9, "LATE1"}}).text());
    EXPECT_EQ(callsigns.copy(), (std::unordered_set<std::string>{"BAW1", "GLIDER1"}));
}

} // namespace
} // namespace oxl
