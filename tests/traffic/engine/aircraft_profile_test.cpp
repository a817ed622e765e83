#include "traffic/engine/aircraft_profile.h"

#include "foundation/units.h"
#include "liveries/dbase.h"
#include "records/aircraft_words.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;

class AircraftProfileTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        test::TempFolder folder;
        fs::copy_file(fs::path(OXL_BIN_DIR) / "input" / "dbase.enc", folder / "dbase.enc");
        ASSERT_TRUE(gf_readDbase(folder.path()));
    }
};

struct ProfileRow
{
    const char* type;
    AcCategory category;
};

TEST_F(AircraftProfileTest, CategoryConstantsAndPitchVariation)
{
    const ProfileRow rows[] = {{"A320", AcCategory::Large},
                               {"B744", AcCategory::Heavy},
                               {"C172", AcCategory::Light},
                               {"ZZZZ", AcCategory::Light}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.type);
        AcIdent ident;
        ident.type = row.type;
        ident.callsign = "TST1";
        ident.registration = "G-TEST";
        for (int draw = 0; draw < 20; ++draw)
        {
            const AcProfile profile = gf_acProfile(ident);
            EXPECT_EQ(profile.callsign, "TST1");
            EXPECT_EQ(profile.registration, "G-TEST");
            EXPECT_EQ(profile.category, row.category);
            EXPECT_EQ(profile.radius, gf_wingspan(row.type));
            const CategoryConstants& c = gf_categoryConstants(row.category);
            EXPECT_EQ(profile.flareTicks, c.flareTicks);
            EXPECT_EQ(profile.settleTicks, c.settleTicks);
            EXPECT_EQ(profile.rotationTicks, c.rotationTicks);
            EXPECT_EQ(profile.climbPitchTicks, c.climbPitchTicks);
            EXPECT_DOUBLE_EQ(profile.maxTurnStep, c.maxTurnStepDeg * kDegToRad);
            const double rotation = profile.rotationPitch / kDegToRad / c.rotationPitchDeg;
            const double climb = profile.climbPitch / kDegToRad / c.climbPitchDeg;
            EXPECT_TRUE(std::fabs(rotation - 1.025) < 1e-12 || std::fabs(rotation - 0.975) < 1e-12)
                << rotation;
            EXPECT_TRUE(std::fabs(climb - 1.05) < 1e-12 || std::fabs(climb - 0.95) < 1e-12) << climb;
            EXPECT_EQ(profile.turnStep, 0.0);
            EXPECT_EQ(profile.hexid, 0u);
        }
    }
    EXPECT_GT(gf_wingspan("A320"), 0.0);
}

} // namespace
} // namespace oxl
