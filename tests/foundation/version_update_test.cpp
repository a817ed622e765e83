#include "foundation/version_update.h"

#include "foundation/config_keys.h"
#include "foundation/settings_file.h"
#include "foundation/status_service.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;

/// The six older settings and what a full update makes of them.
const char* const kOldKeys[] = {"CUSTOM_MAX_PARK",         "MAX_LIVE",      "LATERAL_RANGE", "AIRPORT_RANGE",
                                "AUTO_RANGE_ABOVE_HEIGHT", "AIRPORT_HEIGHT"};

/// A parameters.xml of an older program: its version, the six older settings, both scans off.
std::string olderFile(const std::string& version)
{
    return R"(<?xml version="1.0"?>
<parameters>
  <parameter name="PROGRAM_VERSION" value=")" +
           version + R"("/>
  <parameter name="CUSTOM_MAX_PARK" value="-1"/>
  <parameter name="MAX_LIVE" value="50"/>
  <parameter name="LATERAL_RANGE" value="60"/>
  <parameter name="AIRPORT_RANGE" value="12"/>
  <parameter name="AUTO_RANGE_ABOVE_HEIGHT" value="30000"/>
  <parameter name="AIRPORT_HEIGHT" value="14500"/>
  <parameter name="SCAN_LIVERIES" value="false"/>
  <parameter name="SCAN_AIRPORTS" value="false"/>
</parameters>
)";
}

/// The check marks the version update shows.
class CheckMarks final : public NoStatusService
{
  public:
    using NoStatusService::showSetting;
    void showSetting(const CheckBoxParameter& box) override { ticked.push_back(box.name); }
    std::vector<std::string> ticked;
};

/// Runs the start-up load with the version update.
class VersionUpdateTest : public ::testing::Test
{
  protected:
    VersionUpdateTest() : cwd_(work_.path())
    {
        gf_installStatusService(&marks_);
        test::writeBytes(work_ / "install_new_version.exe", "installer");
    }
    ~VersionUpdateTest() override
    {
        gf_installStatusService(nullptr);
        gf_installSettingsView(nullptr);
    }

    bool updateLogged() const
    {
        for (const auto& line : settings_.logLines())
        {
            if (line.rfind("This is a version update from ", 0) == 0)
            {
                return true;
            }
        }
        return false;
    }

    test::SettingsFolder settings_;
    test::TempFolder work_;
    test::ScopedCurrentPath cwd_;
    CheckMarks marks_;
};

TEST_F(VersionUpdateTest, OlderFileGetsEveryConversion)
{
    settings_.writeParameters(olderFile("10.5.0"));

    gf_loadAllParameters();

    EXPECT_TRUE(settings_.logged("This is a version update from 10.5.0 -> 11.0.4"));
    EXPECT_EQ(settings_.valueOf("PROGRAM_VERSION"), "11.0.4");
    EXPECT_EQ(settings_.valueOf("MAX_PARK_SEL"), "500"); // -1 meant no limit
    EXPECT_EQ(settings_.valueOf("MAX_LIVE_SEL"), "50");
    EXPECT_EQ(settings_.valueOf("RANGE"), "65");
    EXPECT_EQ(settings_.valueOf("AIRP_RANGE"), "10");
    EXPECT_EQ(settings_.valueOf("AR_ABOVE_HEIGHT"), "36000");
    EXPECT_EQ(settings_.valueOf("AIRP_HEIGHT"), "14000");
    EXPECT_EQ(MAX_PARK_SEL.value(), 500);
    EXPECT_EQ(RANGE.value(), 65);
    for (const char* key : kOldKeys)
    {
        EXPECT_EQ(settings_.valueOf(key), "<none>") << key;
        EXPECT_TRUE(settings_.logged(std::string("Parameter '") + key + "' removed")) << key;
    }
    EXPECT_FALSE(fs::exists(work_ / "install_new_version.exe"));
    EXPECT_EQ(settings_.valueOf("SCAN_LIVERIES"), "true");
    EXPECT_EQ(settings_.valueOf("SCAN_AIRPORTS"), "true");
    EXPECT_TRUE(SCAN_LIVERIES.value());
    EXPECT_TRUE(SCAN_AIRPORTS.value());
    EXPECT_EQ(marks_.ticked, (std::vector<std::string>{"SCAN_LIVERIES", "SCAN_AIRPORTS"}));
}

TEST_F(VersionUpdateTest, FromElevenZeroThreeOnlyRescans)
{
    settings_.writeParameters(olderFile("11.0.3"));

    gf_loadAllParameters();

    EXPECT_TRUE(settings_.logged("This is a version update from 11.0.3 -> 11.0.4"));
    EXPECT_EQ(settings_.valueOf("PROGRAM_VERSION"), "11.0.4");
    EXPECT_EQ(settings_.valueOf("LATERAL_RANGE"), "60");
    EXPECT_EQ(settings_.valueOf("MAX_LIVE"), "50");
    EXPECT_FALSE(fs::exists(work_ / "install_new_version.exe"));
    EXPECT_EQ(settings_.valueOf("SCAN_LIVERIES"), "true");
    EXPECT_EQ(settings_.valueOf("SCAN_AIRPORTS"), "true");
}

TEST_F(VersionUpdateTest, DamagedVersionCountsAsZero)
{
    settings_.writeParameters(olderFile("abc"));

    gf_loadAllParameters();

    EXPECT_TRUE(settings_.logged("This is a version update from 0.0.0 -> 11.0.4"));
    EXPECT_EQ(settings_.valueOf("PROGRAM_VERSION"), "11.0.4");
    EXPECT_EQ(settings_.valueOf("LATERAL_RANGE"), "<none>");
    EXPECT_EQ(settings_.valueOf("MAX_LIVE_SEL"), "50");
    EXPECT_FALSE(fs::exists(work_ / "install_new_version.exe"));
    EXPECT_EQ(settings_.valueOf("SCAN_AIRPORTS"), "true");
}

/// Starts after which nothing but (at most) the version is recorded.
struct QuietCase
{
    const char* name;
    const char* stored; ///< PROGRAM_VERSION in the file
};

void PrintTo(const QuietCase& row, std::ostream* out)
{
    *out << row.name;
}

class QuietStart : public VersionUpdateTest, public ::testing::WithParamInterface<QuietCase>
{
};

TEST_P(QuietStart, RecordsTheVersionOnly)
{
    settings_.writeParameters(olderFile(GetParam().stored));

    gf_loadAllParameters();

    EXPECT_FALSE(updateLogged());
    EXPECT_EQ(settings_.valueOf("PROGRAM_VERSION"), "11.0.4");
    EXPECT_EQ(settings_.valueOf("LATERAL_RANGE"), "60");
    EXPECT_EQ(settings_.valueOf("SCAN_LIVERIES"), "false");
    EXPECT_FALSE(SCAN_AIRPORTS.value());
    EXPECT_TRUE(fs::exists(work_ / "install_new_version.exe"));
    EXPECT_TRUE(marks_.ticked.empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, QuietStart,
                         ::testing::Values(QuietCase{"FirstStart", ""}, QuietCase{"SameVersion", "11.0.4"},
                                           QuietCase{"NewerFile", "12.0.0"}),
                         [](const ::testing::TestParamInfo<QuietCase>& info)
                         { return std::string(info.param.name); });

TEST(CountConversion, OldLimitsLandOnTheChoices)
{
    const std::vector<std::pair<std::int32_t, std::int32_t>> rows = {
        {-1, 500}, {-300, 500}, {300, 500}, {299, 100}, {88, 100}, {87, 75}, {63, 75},
        {62, 50},  {38, 50},    {37, 25},   {18, 25},   {17, 10},  {1, 10},  {0, 0}};
    for (const auto& [old, expected] : rows)
    {
        EXPECT_EQ(gf_convertCount(old), expected) << old;
    }
}

TEST(AirportRangeConversion, OldRangesLandOnTheChoices)
{
    const std::vector<std::pair<std::int32_t, std::int32_t>> rows = {
        {100, 30}, {27, 30}, {26, 25}, {23, 25}, {22, 20}, {18, 20}, {17, 15},
        {13, 15},  {12, 10}, {8, 10},  {7, 5},   {0, 5},   {-4, 5}};
    for (const auto& [old, expected] : rows)
    {
        EXPECT_EQ(gf_convertAirportRange(old), expected) << old;
    }
}

} // namespace
} // namespace oxl
