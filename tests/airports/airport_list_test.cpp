// The airport list read from files on disk, the closest airport and the display names.
#include "airports/airport_list.h"

#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

using test::LogCapture;
using test::TempFolder;
using test::writeBytes;

std::string listFile(const std::string& elements)
{
    return "<?xml version=\"1.0\"?>\n<airports>\n" + elements + "</airports>\n";
}

class AirportListFile : public ::testing::Test
{
  protected:
    std::filesystem::path write(const std::string& content)
    {
        const std::filesystem::path file = folder_ / "airports_p3d.xml";
        writeBytes(file, content);
        return file;
    }

    TempFolder folder_;
    LogCapture log_;
    AirportList list_;
};

TEST_F(AirportListFile, ReadsEveryAttributeAndSortsByCode)
{
    const auto file =
        write(listFile("<airport code=\"LFPG\" iata=\"CDG\" lat=\"49.0098\" lon=\"2.5479\" alt=\"392\"/>\n"
                       "<airport code=\"EHAM\" iata=\"AMS\" lat=\"52.3086\" lon=\"4.7639\" alt=\"-11\"/>\n"
                       "<airport code=\"EDDF\" lat=\"50.0333\" lon=\"8.5706\" alt=\"364\"/>\n"));
    EXPECT_TRUE(list_.read(file));
    ASSERT_EQ(list_.airports().size(), 3u);
    EXPECT_EQ(list_.airports()[0].code, "EDDF");
    EXPECT_EQ(list_.airports()[0].iata, "");
    EXPECT_EQ(list_.airports()[1].code, "EHAM");
    EXPECT_EQ(list_.airports()[1].iata, "AMS");
    EXPECT_DOUBLE_EQ(list_.airports()[1].latitude, 52.3086);
    EXPECT_DOUBLE_EQ(list_.airports()[1].longitude, 4.7639);
    EXPECT_DOUBLE_EQ(list_.airports()[1].altitude, -11.0);
    EXPECT_EQ(list_.airports()[2].code, "LFPG");
    EXPECT_TRUE(log_.contains(fmt::format("3 airports read from '{}'", file.string())));
}

TEST_F(AirportListFile, IgnoresOtherElementsAndOtherRoots)
{
    const auto file =
        write("<?xml version=\"1.0\"?><other><airport code=\"XXXX\" lat=\"1\" lon=\"1\" alt=\"1\"/></other>"
              "<airports><runway/><airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"0\"/></airports>");
    EXPECT_TRUE(list_.read(file));
    ASSERT_EQ(list_.airports().size(), 1u);
    EXPECT_EQ(list_.airports()[0].code, "EHAM");
}

struct BadElementCase
{
    std::string name;
    std::string element;
    std::string logLine;
};

void PrintTo(const BadElementCase& c, std::ostream* os)
{
    *os << c.name;
}

class AirportListBadElement : public AirportListFile, public ::testing::WithParamInterface<BadElementCase>
{
};

TEST_P(AirportListBadElement, CostsOnlyThatElementAndOneLogLine)
{
    const BadElementCase& c = GetParam();
    const auto file =
        write(listFile(c.element + "\n<airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"0\"/>\n"));
    EXPECT_TRUE(list_.read(file));
    ASSERT_EQ(list_.airports().size(), 1u);
    EXPECT_EQ(list_.airports()[0].code, "EHAM");
    EXPECT_TRUE(log_.contains(c.logLine)) << c.logLine;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AirportListBadElement,
    ::testing::Values(
        BadElementCase{"MissingLat", "<airport code=\"AAAA\" lon=\"1\" alt=\"1\"/>",
                       "Missing lat/lon/alt for airport 'AAAA'"},
        BadElementCase{"MissingAlt", "<airport code=\"AAAA\" lat=\"1\" lon=\"1\"/>",
                       "Missing lat/lon/alt for airport 'AAAA'"},
        BadElementCase{"EmptyAlt", "<airport code=\"AAAA\" lat=\"1\" lon=\"1\" alt=\"\"/>",
                       "Error parsing coordinates for airport 'AAAA': invalid stod argument"},
        BadElementCase{"TextAlt", "<airport code=\"AAAA\" lat=\"1\" lon=\"1\" alt=\"abc\"/>",
                       "Error parsing coordinates for airport 'AAAA': invalid stod argument"},
        BadElementCase{"NotANumber", "<airport code=\"AAAA\" lat=\"nan\" lon=\"1\" alt=\"1\"/>",
                       "Error parsing coordinates for airport 'AAAA': invalid stod argument"},
        BadElementCase{"Overflow", "<airport code=\"AAAA\" lat=\"1\" lon=\"1e999\" alt=\"1\"/>",
                       "Error parsing coordinates for airport 'AAAA': stod argument out of range"},
        BadElementCase{"Infinity", "<airport code=\"AAAA\" lat=\"1\" lon=\"inf\" alt=\"1\"/>",
                       "Error parsing coordinates for airport 'AAAA': stod argument out of range"},
        BadElementCase{"LatitudeBeyondPole", "<airport code=\"AAAA\" lat=\"91\" lon=\"1\" alt=\"1\"/>",
                       "Error parsing coordinates for airport 'AAAA': stod argument out of range"},
        BadElementCase{"LongitudeBeyondDateLine",
                       "<airport code=\"AAAA\" lat=\"1\" lon=\"-180.5\" alt=\"1\"/>",
                       "Error parsing coordinates for airport 'AAAA': stod argument out of range"}),
    [](const auto& info) { return info.param.name; });

TEST_F(AirportListFile, TakesTheNumberAtTheStartOfTheText)
{
    const auto file =
        write(listFile("<airport code=\"AAAA\" lat=\"52.3xyz\" lon=\" \t+4.5\" alt=\"-2e1ft\"/>\n"));
    EXPECT_TRUE(list_.read(file));
    ASSERT_EQ(list_.airports().size(), 1u);
    EXPECT_DOUBLE_EQ(list_.airports()[0].latitude, 52.3);
    EXPECT_DOUBLE_EQ(list_.airports()[0].longitude, 4.5);
    EXPECT_DOUBLE_EQ(list_.airports()[0].altitude, -20.0);
}

TEST_F(AirportListFile, KeepsAnAirportWithoutCodeAndShowsItAsQuestionMark)
{
    const auto file = write(listFile("<airport lat=\"1\" lon=\"1\" alt=\"1\"/>\n"));
    EXPECT_TRUE(list_.read(file));
    ASSERT_EQ(list_.airports().size(), 1u);
    EXPECT_EQ(gf_airportDisplayName(list_.airports()[0]), "?");
}

TEST_F(AirportListFile, RootWithoutAirportsGivesFalseAndIsNotReadAgain)
{
    const auto file = write(listFile(""));
    EXPECT_FALSE(list_.read(file));
    EXPECT_TRUE(list_.isRead());
    write(listFile("<airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"0\"/>\n"));
    EXPECT_FALSE(list_.read(file));
    EXPECT_TRUE(list_.airports().empty());
}

TEST_F(AirportListFile, MissingRootRaisesError88)
{
    const auto file = write("<?xml version=\"1.0\"?><airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"0\"/>");
    try
    {
        list_.read(file);
        FAIL() << "no error";
    }
    catch (const UserErrorException& e)
    {
        EXPECT_EQ(std::string(e.what()), "88: Missing <airports> root in: " + file.string());
    }
    EXPECT_FALSE(list_.isRead());
}

TEST_F(AirportListFile, UnparsableFileRaisesError88WithTheParsersText)
{
    const auto file = write(listFile("<airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"0\"/>\n<airport"));
    try
    {
        list_.read(file);
        FAIL() << "no error";
    }
    catch (const UserErrorException& e)
    {
        const std::string prefix = "88: " + file.string() + " not loaded: ";
        EXPECT_EQ(std::string(e.what()).substr(0, prefix.size()), prefix);
        EXPECT_GT(std::string(e.what()).size(), prefix.size());
    }
}

TEST_F(AirportListFile, MissingFileRaisesError88)
{
    EXPECT_THROW(list_.read(folder_ / "none.xml"), UserErrorException);
    EXPECT_FALSE(list_.isRead());
}

TEST_F(AirportListFile, FailedReadLeavesNothingToAppendTo)
{
    const auto file = write("<?xml version=\"1.0\"?><nothing/>");
    EXPECT_THROW(list_.read(file), UserErrorException);
    EXPECT_TRUE(list_.airports().empty());
    write(listFile("<airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"0\"/>\n"));
    EXPECT_TRUE(list_.read(file));
    EXPECT_EQ(list_.airports().size(), 1u);
}

TEST(AirportDisplayName, CodeWithIataInBrackets)
{
    EXPECT_EQ(gf_airportDisplayName({"EHAM", "AMS", 0, 0, 0}), "EHAM (AMS)");
    EXPECT_EQ(gf_airportDisplayName({"EHAM", "", 0, 0, 0}), "EHAM");
    EXPECT_EQ(gf_airportDisplayName({"", "", 0, 0, 0}), "?");
    EXPECT_EQ(gf_airportDisplayName({"", "AMS", 0, 0, 0}), "? (AMS)");
}

/// A list of airports along the equator, one per (code, nautical miles east of 0/0).
class ClosestAirport : public AirportListFile
{
  protected:
    void readAirportsAt(std::initializer_list<std::pair<const char*, double>> eastNm)
    {
        std::string elements;
        for (const auto& [code, nm] : eastNm)
        {
            elements +=
                fmt::format("<airport code=\"{}\" lat=\"0\" lon=\"{:.12f}\" alt=\"0\"/>\n", code, nm / 60.0);
        }
        ASSERT_TRUE(list_.read(write(listFile(elements))));
    }
};

TEST_F(ClosestAirport, NoneFartherThanFiveMiles)
{
    readAirportsAt({{"AAAA", 5.01}, {"BBBB", -6.0}});
    EXPECT_EQ(list_.closest(0.0, 0.0), nullptr);
}

TEST_F(ClosestAirport, OneJustWithinFiveMiles)
{
    readAirportsAt({{"AAAA", 4.999}, {"BBBB", 5.01}});
    ASSERT_NE(list_.closest(0.0, 0.0), nullptr);
    EXPECT_EQ(list_.closest(0.0, 0.0)->code, "AAAA");
}

TEST_F(ClosestAirport, NorthAndSouthAlongTheMeridian)
{
    ASSERT_TRUE(
        list_.read(write(listFile("<airport code=\"NNNN\" lat=\"50.08331666\" lon=\"4\" alt=\"0\"/>\n"
                                  "<airport code=\"SSSS\" lat=\"49.9165\" lon=\"4\" alt=\"0\"/>\n"))));
    const Airport* found = list_.closest(50.0, 4.0); // NNNN 4.999 nm north, SSSS 5.01 nm south
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->code, "NNNN");
    EXPECT_EQ(list_.closest(49.7, 4.0), nullptr);
}

TEST_F(ClosestAirport, EqualDistanceKeepsTheEarlierCode)
{
    readAirportsAt({{"BBBB", -2.0}, {"AAAA", 2.0}});
    ASSERT_NE(list_.closest(0.0, 0.0), nullptr);
    EXPECT_EQ(list_.closest(0.0, 0.0)->code, "AAAA");
}

TEST_F(ClosestAirport, BothWithoutStandsGivesTheClosest)
{
    readAirportsAt({{"AAAA", 3.0}, {"BBBB", 1.0}});
    const Airport* found = list_.closest(0.0, 0.0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->code, "BBBB");
    EXPECT_TRUE(log_.contains("Airport BBBB is closest, neighbour is AAAA"));
}

TEST_F(ClosestAirport, NeighbourWithACloserStandWins)
{
    readAirportsAt({{"AAAA", 3.0}, {"BBBB", 1.0}});
    list_.setClosestStandQuery(
        [](const Airport& a, double, double, std::string& stand)
        {
            stand = a.code == "AAAA" ? "G7" : "B1";
            return a.code == "AAAA" ? 0.01 : 0.02;
        });
    const Airport* found = list_.closest(0.0, 0.0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->code, "AAAA");
    EXPECT_TRUE(
        log_.contains("Airport BBBB is closest, but stand G7 at neighbouring airport AAAA is closer at 19 "
                      "meters ..."));
}

TEST_F(ClosestAirport, EqualStandDistancesKeepTheClosest)
{
    readAirportsAt({{"AAAA", 3.0}, {"BBBB", 1.0}});
    list_.setClosestStandQuery([](const Airport&, double, double, std::string&)
                               { return kNoStandDistanceNm; });
    ASSERT_NE(list_.closest(0.0, 0.0), nullptr);
    EXPECT_EQ(list_.closest(0.0, 0.0)->code, "BBBB");
}

/// Of two equally near airports, the earlier code is the closest and the later one the nearest, with the
/// grid as with the walk.
TEST_F(ClosestAirport, OfTwoEquallyNearTheEarlierIsClosestAndTheLaterNearest)
{
    ASSERT_TRUE(list_.read(write(listFile("<airport code=\"TIEA\" lat=\"0\" lon=\"0.01\" alt=\"0\"/>\n"
                                          "<airport code=\"TIEB\" lat=\"0\" lon=\"-0.01\" alt=\"0\"/>\n"))));
    for (const AirportSearch search : {AirportSearch::grid, AirportSearch::wholeList})
    {
        ASSERT_NE(list_.closest(0.0, 0.0, search), nullptr);
        EXPECT_EQ(list_.closest(0.0, 0.0, search)->code, "TIEA");
        ASSERT_NE(list_.nearest(0.0, 0.0, 1.0, search), nullptr);
        EXPECT_EQ(list_.nearest(0.0, 0.0, 1.0, search)->code, "TIEB");
    }
}

// Over the whole list, the grid finds what the walk finds: near airports, on both sides of the date line,
// at and near the poles, far from any airport, for the closest airport and its neighbour and for the
// nearest at radii from half a mile to 300 nm.
TEST(ShippedAirportList, GridAnswersAsTheWalk)
{
    AirportList list;
    ASSERT_TRUE(list.read(std::filesystem::path(OXL_SOURCE_DIR) / "data" / "airports_p3d.xml"));
    LogCapture log;
    std::vector<LatLon> points;
    for (std::size_t i = 0; i < list.airports().size(); i += 29)
    {
        const Airport& a = list.airports()[i];
        points.push_back({a.latitude, a.longitude});
        points.push_back({a.latitude + 0.04 * double(i % 3), a.longitude - 0.07 * double(i % 5)});
    }
    for (const double lat : {-90.0, -89.97, -16.6, 0.0, 52.3, 89.97, 90.0})
    {
        for (const double lon : {-360.0, -180.0, -179.9, 0.0, 179.95, 180.0, 359.9})
        {
            points.push_back({lat, lon});
        }
    }
    for (const LatLon& p : points)
    {
        for (const double nm : {0.5, 5.0, 10.0, 300.0})
        {
            EXPECT_EQ(list.nearest(p.lat, p.lon, nm),
                      list.nearest(p.lat, p.lon, nm, AirportSearch::wholeList))
                << p.lat << " " << p.lon << " " << nm;
        }
    }
    for (const bool neighbourWins : {false, true})
    {
        // The neighbour's stand is asked for second; it wins when it is nearer.
        list.setClosestStandQuery(
            [neighbourWins, n = 0.0](const Airport&, double, double, std::string&) mutable
            { return neighbourWins ? 100.0 - ++n : kNoStandDistanceNm; });
        for (const LatLon& p : points)
        {
            EXPECT_EQ(list.closest(p.lat, p.lon), list.closest(p.lat, p.lon, AirportSearch::wholeList))
                << p.lat << " " << p.lon;
        }
    }
}

} // namespace
} // namespace oxl

namespace oxl
{
namespace
{

TEST(ProgramAirportList, BuildPutsTheShippedListIntoTheProgramFoldersInput)
{
    AirportList list;
    ASSERT_TRUE(list.read(std::filesystem::path(OXL_BIN_DIR) / "input" / kAirportListFileName));
    EXPECT_NE(list.find("KJFK"), nullptr);
}

TEST(ProgramAirportList, ReadOnceFromTheInputFolderOfTheProgramFolder)
{
    test::TempFolder programFolder;
    std::filesystem::create_directories(programFolder / "input");
    std::filesystem::copy_file(std::filesystem::path(OXL_SOURCE_DIR) / "data" / "airports_p3d.xml",
                               programFolder / "input" / "airports_p3d.xml");
    const test::ScopedCurrentPath inProgramFolder(programFolder.path());
    test::LogCapture log;
    ASSERT_TRUE(gf_readAirports(kAirportListFileName));
    const Airport* eham = gf_findAirport("EHAM");
    ASSERT_NE(eham, nullptr);
    const Airport* here = gf_closestAirport(eham->latitude, eham->longitude);
    ASSERT_NE(here, nullptr);
    EXPECT_EQ(gf_airportDisplayName(*here), "EHAM (AMS)");
    // Read once per process: a changed file is not read again.
    test::writeBytes(programFolder / "input" / "airports_p3d.xml", "<airports/>");
    EXPECT_TRUE(gf_readAirports(kAirportListFileName));
    EXPECT_NE(gf_findAirport("EHAM"), nullptr);
}

} // namespace
} // namespace oxl
