// The database the build places in bin/input decrypts with the program's key and knows today's traffic.

#include "foundation/units.h"
#include "liveries/liveries_state.h"
#include "liveries/registrations.h"

#include "tests/support/temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using ::testing::Optional;

class ShippedDbaseTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // A copy, so that the decrypted file never appears in the build's own input folder.
        test::TempFolder folder;
        fs::copy_file(fs::path(OXL_BIN_DIR) / "input" / "dbase.enc", folder / "dbase.enc");
        ASSERT_TRUE(gf_readDbase(folder.path()));
        EXPECT_FALSE(fs::exists(folder / "dbase.xml"));
    }
};

TEST_F(ShippedDbaseTest, SizesOfTheTables)
{
    EXPECT_GE(gLiveries.gDbase.aircraftTypes.size(), 300u);
    EXPECT_GE(gLiveries.gDbase.airlineCodes.size(), 1000u);
    EXPECT_GE(gLiveries.gDbase.registrations.size(), 10000u);
    EXPECT_FALSE(gLiveries.gDbase.similarGroups.empty());
    EXPECT_FALSE(gLiveries.gDbase.publisherGroups.empty());
    EXPECT_EQ(gLiveries.gDbase.halfSpansNm.size(), gLiveries.gDbase.aircraftTypes.size())
        << "every known type has its span";
}

TEST_F(ShippedDbaseTest, EveryTableNamesKnownTypesAndAirlines)
{
    for (const auto& [reg, record] : gLiveries.gDbase.registrations)
    {
        EXPECT_TRUE(gf_isKnownType(record.type)) << reg << " " << record.type;
        EXPECT_TRUE(gf_isKnownAirline(record.airl)) << reg << " " << record.airl;
        EXPECT_TRUE(record.opr.empty() || gf_isKnownAirline(record.opr)) << reg << " " << record.opr;
    }
    for (const auto& group : gLiveries.gDbase.similarGroups)
    {
        for (const std::string& type : group)
        {
            EXPECT_TRUE(gf_isKnownType(type)) << type;
        }
    }
    for (const auto& set :
         {gLiveries.gDbase.highPerfTypes, gLiveries.gDbase.heavyTypes, gLiveries.gDbase.largeTypes,
          gLiveries.gDbase.buzjetTypes, gLiveries.gDbase.rotorcraftTypes, gLiveries.gDbase.cargoTypes})
    {
        for (const std::string& type : set)
        {
            EXPECT_TRUE(gf_isKnownType(type)) << type;
        }
    }
    for (const std::string& airline : gLiveries.gDbase.cargoOperators)
    {
        EXPECT_TRUE(gf_isKnownAirline(airline)) << airline;
    }
}

struct KnownType
{
    const char* type;
    AcCategory category;
    double spanMetres;
};

void PrintTo(const KnownType& row, std::ostream* os)
{
    *os << row.type;
}

class ShippedTypeTest : public ShippedDbaseTest, public ::testing::WithParamInterface<KnownType>
{
};

TEST_P(ShippedTypeTest, CategoryAndSpan)
{
    const KnownType row = GetParam();
    EXPECT_TRUE(gf_isKnownType(row.type));
    EXPECT_EQ(gf_aircraftCategory(row.type), row.category);
    EXPECT_NEAR(gf_wingspan(row.type), metresToNm(row.spanMetres * 0.5), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedTypeTest,
                         ::testing::Values(KnownType{"A320", AcCategory::Large, 35.80},
                                           KnownType{"B744", AcCategory::Heavy, 64.44},
                                           KnownType{"A388", AcCategory::Heavy, 79.75},
                                           KnownType{"CRJ9", AcCategory::Large, 24.85},
                                           KnownType{"GLF5", AcCategory::Buzjets, 28.50},
                                           KnownType{"EC35", AcCategory::Rotorcraft, 10.20},
                                           KnownType{"F16", AcCategory::HighPerf, 9.96},
                                           KnownType{"C172", AcCategory::Light, 11.00}),
                         [](const auto& info) { return std::string(info.param.type); });

TEST_F(ShippedDbaseTest, LargestSpanIsTheA380s)
{
    EXPECT_NEAR(gf_largestHalfSpan(), metresToNm(79.75 * 0.5), 1e-9);
}

TEST_F(ShippedDbaseTest, AirlinesRegistrationsAndFixes)
{
    // ZZZ marks generic liveries and PVT private ones; RFO liveries are refused, so it is no airline.
    for (const char* airline : {"BAW", "DLH", "AAL", "UAE", "RYR", "FDX", "QFA", "THY", "ITY", "ZZZ", "PVT"})
    {
        EXPECT_TRUE(gf_isKnownAirline(airline)) << airline;
    }
    EXPECT_FALSE(gf_isKnownAirline("RFO"));
    EXPECT_THAT(gf_lookupRegistration("DAIMA"), Optional(DbaseRecord{"DLH", "A388", "", false}));
    EXPECT_EQ(gLiveries.gDbase.modelFixes.at("738"), "B738");
    EXPECT_TRUE(gLiveries.gDbase.simaddonAirports.contains("LOWI"));
}

} // namespace
} // namespace oxl
