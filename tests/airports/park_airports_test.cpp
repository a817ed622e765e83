// The user's park-airport file read from a program folder's airports folder, with the airports of the
// my_thirdparty folder.
#include "airports/park_airports.h"

#include "airports/airports_state.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

using test::LogCapture;
using test::TempFolder;
using test::writeBytes;

class MyParkAirports : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        // The program's list is read once per process; every test here reads the shipped list.
        ASSERT_TRUE(
            gAirports.gAirportList.read(std::filesystem::path(OXL_SOURCE_DIR) / "data" / "airports_p3d.xml"));
        std::filesystem::create_directories(folder_ / "my_thirdparty");
    }

    bool read(const std::string& content)
    {
        writeBytes(folder_ / "my_park_airports.txt", content);
        return gf_readMyParkAirports(parking_, folder_.path());
    }

    std::vector<std::string> codes() const
    {
        std::vector<std::string> out;
        for (const ParkAirport& entry : parking_.parkAirports)
            out.push_back(entry.code + "," + entry.reservedStand);
        return out;
    }

    TempFolder folder_;
    LogCapture log_;
    ParkingState parking_;
};

TEST_F(MyParkAirports, ReservedStandsWrongSyntaxAndDoublesOfTheFile)
{
    EXPECT_TRUE(read("EDDF,V155\r\nEDDF,V155,x\r\n\r\nEDDF\r\nLSZH\r\n"));
    EXPECT_EQ(codes(), (std::vector<std::string>{"EDDF,V155", "LSZH,"}));
    EXPECT_DOUBLE_EQ(parking_.parkAirports.front().latitude, gAirports.gAirportList.find("EDDF")->latitude);
    EXPECT_DOUBLE_EQ(parking_.parkAirports.front().distance, 0.0);
    EXPECT_TRUE(log_.contains("===> my_park_airports.txt:EDDF,V155,x wrong syntax, skipped"));
    EXPECT_TRUE(log_.contains("===> my_park_airports.txt:EDDF double, skipped"));
    EXPECT_TRUE(log_.contains("2 park airports read from 'my_park_airports.txt'"));
}

TEST_F(MyParkAirports, UnknownAirportIsSaidAndMakesTheResultFalse)
{
    EXPECT_FALSE(read("ZZZZ\nEGLL\n"));
    EXPECT_EQ(codes(), (std::vector<std::string>{"EGLL,"}));
    EXPECT_TRUE(log_.contains("airport ZZZZ is unknown"));
}

TEST_F(MyParkAirports, MissingFileIsAnEmptyListAndThirdpartyAirportsAreAdded)
{
    writeBytes(folder_ / "my_thirdparty" / "KJFK.xml", "<airport/>");
    writeBytes(folder_ / "my_thirdparty" / "QQQQ.xml", "<airport/>");
    parking_.parkAirports.push_back(ParkAirport{"OLD", "", 0.0, 0.0, 0.0});
    EXPECT_TRUE(gf_readMyParkAirports(parking_, folder_.path()));
    EXPECT_EQ(codes(), (std::vector<std::string>{"KJFK,"}));
    EXPECT_TRUE(log_.contains((folder_ / "my_park_airports.txt").string() + " not found"));
    EXPECT_TRUE(log_.contains("1 park airport added from my_thirdparty folder(-s)"));
}

TEST_F(MyParkAirports, ThirdpartyAirportAlreadyInTheFileKeepsItsStand)
{
    writeBytes(folder_ / "my_thirdparty" / "LSZH.xml", "<airport/>");
    EXPECT_TRUE(read("LSZH,A12\n"));
    EXPECT_EQ(codes(), (std::vector<std::string>{"LSZH,A12"}));
}

} // namespace
} // namespace oxl
