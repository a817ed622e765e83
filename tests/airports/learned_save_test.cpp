// The learned save: what a run learned at the park airport is written into its learned file below the
// publisher's folder; the airport file's own options and fake occupants stay out of it, options the
// static selection disabled stay in, and hand-made files keep every stand.
#include "airports/learned_files.h"
#include "airports/occupancy_learning.h"

#include "foundation/half_hours.h"
#include "foundation/units.h"
#include "tests/support/log_capture.h"
#include "tests/support/parking_services.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

StandOccupancy option(const char* reg, std::uint32_t weekday, const char* hours, std::uint32_t id,
                      std::uint32_t fixed)
{
    StandOccupancy o;
    o.registration = reg;
    o.airline = "KLM";
    o.type = "B738";
    o.callsign = "KLM11";
    o.weekday = weekday;
    o.halfHours = gf_hours2bitset(hours);
    o.id = id;
    o.fixed = fixed;
    o.kind = StandOptionKind::real;
    return o;
}

class LearnedSave : public ::testing::Test
{
  protected:
    LearnedSave()
    {
        test::resetSettingsToDefaults();
        parking_.services = std::make_unique<test::CountingRepaints>(repaints_);
        parking_.parkAirport.code = "EHAM";
        info_.name = "Schiphol";
        info_.publisher = "stock";
        info_.altitude = -11;
        // A1 holds an option of the airport file and what this run learned; B2 is bare; C3 got a new
        // size; M1 was made by hand.
        parking_.stands.emplace_back("A1", 1, 52.30, 4.76, 0.0, 30.0);
        parking_.stands.emplace_back("B2", 2, 52.31, 4.76, 0.0, 30.0);
        parking_.stands.emplace_back("C3", 3, 52.32, 4.76, 0.0, 30.0);
        parking_.stands.emplace_back("M1", 4, 52.33, 4.76, 1.5707963, 25.0);
        Stand& a1 = parking_.stands[0];
        a1.options.push_back(option("PH-A", 1, "10,11", 1, 1));
        a1.options.push_back(option("PH-B", 2, "20,21", 2, 0));
        a1.options.push_back(option("PH-C", 3, "30", 0, 0)); // disabled by the static selection
        StandOccupancy fake = option("REGFAKE1", 1, "5", 4, 1);
        fake.fake = 1;
        fake.kind = StandOptionKind::soft;
        a1.options.push_back(fake);
        parking_.stands[2].radius = metresToNm(44.0);
        parking_.stands[2].radiusChanged = 1;
        parking_.stands[3].manual = 1;
        parking_.learnedUpdates = 3;
    }
    ~LearnedSave() override { test::resetSettingsToDefaults(); }

    bool logged(const std::string& part) const
    {
        const auto lines = log_.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }

    /// The ids of the saved stands and, per stand, the registrations of its options.
    std::vector<std::string> savedStands(const std::filesystem::path& file) const
    {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(file.c_str()));
        std::vector<std::string> stands;
        for (const pugi::xml_node& parkpos : doc.child("parkpositions").children("parkpos"))
        {
            std::string entry = parkpos.attribute("id").value();
            for (const pugi::xml_node& opt : parkpos.children("opt"))
                entry += fmt::format(" {}", opt.attribute("reg").value());
            stands.push_back(entry);
        }
        return stands;
    }

    test::TempFolder folder_;
    test::ScopedCurrentPath cwd_{folder_.path()};
    test::LogCapture log_;
    ParkingState parking_;
    ParkFileInfo info_;
    bool parametersChanged_ = true;
    int repaints_ = 0;
};

TEST_F(LearnedSave, WritesWhatTheRunLearnedWhereTheAirportFileLooksForIt)
{
    const std::filesystem::path file = folder_ / gf_learnedFilePath("archive/stock/EHAM.xml", "stock");
    // What a save killed before its rename leaves; a user's file of a similar name stays.
    for (const char* name : {"EHAM.xml.7.tmp", "EHAM.xml.notes.tmp"})
        test::writeBytes(file.parent_path() / name, "<parameters");
    ASSERT_TRUE(gf_saveAirportFile(parking_, info_, false, parametersChanged_));
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(file.parent_path() / "EHAM.xml.7.tmp"));
    EXPECT_TRUE(std::filesystem::exists(file.parent_path() / "EHAM.xml.notes.tmp"));
    EXPECT_TRUE(logged("airports/learned/stock/EHAM.xml.7.tmp' left by an interrupted save removed"));
    EXPECT_TRUE(
        logged(" 'airports/learned/stock/EHAM.xml' saved with 3 updates and one or more parameter changes"));
    EXPECT_EQ(parking_.learnedUpdates, 0u);
    EXPECT_FALSE(parametersChanged_);
    EXPECT_GE(repaints_, 1);
    EXPECT_EQ(savedStands(file), (std::vector<std::string>{"A1 PH-B PH-C", "C3", "M1"}));
    // The park airport's own stands keep their options: only the file leaves them out.
    EXPECT_EQ(parking_.stands[0].options.size(), 4u);

    ASSERT_TRUE(gf_saveAirportFile(parking_, info_, false, parametersChanged_));
    EXPECT_TRUE(logged(" 'airports/learned/stock/EHAM.xml' saved with 0 updates "));
}

TEST_F(LearnedSave, ThirdpartyFilesGoBelowTheirPublisher)
{
    info_.publisher = "Fly Tampa";
    ASSERT_TRUE(gf_saveAirportFile(parking_, info_, false, parametersChanged_));
    EXPECT_TRUE(std::filesystem::exists(folder_ /
                                        gf_learnedFilePath("airports/my_thirdparty/EHAM.xml", "Fly Tampa")));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "airports/learned/thirdparty/Fly Tampa/EHAM.xml"));
    info_.publisher = "simaddon";
    ASSERT_TRUE(gf_saveAirportFile(parking_, info_, false, parametersChanged_));
    EXPECT_TRUE(
        std::filesystem::exists(folder_ / gf_learnedFilePath("airports/my_ORBX/EHAM.xml", "simaddon")));
}

TEST_F(LearnedSave, APublisherThatIsNoFolderNameSavesNothing)
{
    info_.publisher = "../../etc";
    EXPECT_FALSE(gf_saveAirportFile(parking_, info_, false, parametersChanged_));
    EXPECT_TRUE(logged(" saving '' did not succeed"));
    EXPECT_EQ(parking_.learnedUpdates, 3u);
    EXPECT_TRUE(parametersChanged_);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "etc"));
}

TEST_F(LearnedSave, AHandMadeFileKeepsEveryStandAndItsOwnOptions)
{
    ASSERT_TRUE(gf_saveAirportFile(parking_, info_, true, parametersChanged_));
    EXPECT_TRUE(logged(" handmade 'airports/learned/stock/EHAM.xml' saved with 3 updates"));
    const std::filesystem::path file = folder_ / "airports/learned/stock/EHAM.xml";
    EXPECT_EQ(savedStands(file), (std::vector<std::string>{"A1 PH-A PH-B PH-C", "B2", "C3", "M1"}));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(file.c_str()));
    EXPECT_TRUE(doc.select_node("/parameters/parameter[@name='handmade']"));
}

} // namespace
} // namespace oxl
