// Flight-plan files in <AppData>/Ordalis_P3D/orig_dest: their exact bytes, escaping, and the folder's life.
#include "simlink/flight_plan.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl::test
{
namespace
{

class FlightPlanTest : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(gf_createFlightPlanFolder()); }
    void TearDown() override { gf_removeFlightPlanFolder(); }

    static AcProfile aircraft(AcCategory category, std::string origin, std::string destination)
    {
        AcProfile ac;
        ac.category = category;
        ac.origin = std::move(origin);
        ac.destination = std::move(destination);
        return ac;
    }

    TempFolder tmp;
    ScopedEnv appData{"OXL_APPDATA", tmp.path().string()};
    LogCapture log;
};

std::string planText(const char* type, const char* origin, const char* destination)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                       "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\r\n"
                       "<FlightPlan.FlightPlan>\r\n<FPType>") +
           type + "</FPType>\r\n<DepartureID>" + origin + "</DepartureID>\r\n<DestinationID>" + destination +
           "</DestinationID>\r\n</FlightPlan.FlightPlan>\r\n</SimBase.Document>\r\n";
}

TEST_F(FlightPlanTest, FolderLiesInTheProgramsDataFolder)
{
    EXPECT_EQ(gf_flightPlanFolder(), tmp / "Ordalis_P3D" / "orig_dest");
    EXPECT_TRUE(std::filesystem::is_directory(gf_flightPlanFolder()));
    EXPECT_TRUE(gf_createFlightPlanFolder());
    EXPECT_EQ(gf_flightPlanFileName(42), std::filesystem::path("42.pln"));
}

TEST_F(FlightPlanTest, FileHoldsTheEightLinesWithTheFlightRulesOfTheCategory)
{
    struct Row
    {
        const char* name;
        AcCategory category;
        const char* origin;
        const char* destination;
        std::string expected;
    };
    const std::vector<Row> rows{
        {"heavy flies IFR", AcCategory::Heavy, "EHAM", "KJFK", planText("IFR", "EHAM", "KJFK")},
        {"large flies IFR", AcCategory::Large, "LSZH", "EGLL", planText("IFR", "LSZH", "EGLL")},
        {"business jet flies IFR", AcCategory::Buzjets, "LSGG", "LFMN", planText("IFR", "LSGG", "LFMN")},
        {"light flies VFR", AcCategory::Light, "LSZF", "LSPV", planText("VFR", "LSZF", "LSPV")},
        {"rotorcraft flies VFR", AcCategory::Rotorcraft, "LSZH", "LSZB", planText("VFR", "LSZH", "LSZB")},
        {"high performance flies VFR", AcCategory::HighPerf, "LSMP", "LSME", planText("VFR", "LSMP", "LSME")},
        {"markup from a datagram is escaped", AcCategory::Large, "<X&Y>", "A\"B'C",
         planText("IFR", "&lt;X&amp;Y&gt;", "A&quot;B&apos;C")},
        {"controls and bytes that are not UTF-8 are escaped", AcCategory::Large, "E\x01\xff\xc3\xa9",
         "L\\G\nL", planText("IFR", "E\\x01\\xff\xc3\xa9", "L\\\\G\\nL")},
    };
    for (const auto& row : rows)
    {
        const auto file = gf_flightPlanFolder() / gf_flightPlanFileName(7);
        ASSERT_TRUE(gf_writeFlightPlanFile(file, aircraft(row.category, row.origin, row.destination)))
            << row.name;
        EXPECT_EQ(readBytes(file), row.expected) << row.name;
    }
}

TEST_F(FlightPlanTest, UnopenableFileIsReportedAndNothingWritten)
{
    EXPECT_FALSE(gf_writeFlightPlanFile(tmp / "no" / "such" / "folder" / "1.pln",
                                        aircraft(AcCategory::Large, "EHAM", "KJFK")));
}

TEST_F(FlightPlanTest, RemovingTheFolderTakesItsFilesAndAMissingFolderIsNoError)
{
    const auto file = gf_flightPlanFolder() / gf_flightPlanFileName(3);
    ASSERT_TRUE(gf_writeFlightPlanFile(file, aircraft(AcCategory::Large, "EHAM", "KJFK")));
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    EXPECT_FALSE(std::filesystem::exists(gf_flightPlanFolder()));
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    EXPECT_TRUE(log.lines().empty());
}

} // namespace
} // namespace oxl::test
