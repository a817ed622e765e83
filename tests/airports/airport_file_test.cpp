#include "airports/airport_file.h"

#include "airports/airport_reading.h"
#include "foundation/config_keys.h"
#include "foundation/time_text.h"
#include "foundation/units.h"
#include "foundation/version_data.h"
#include "liveries/liveries_state.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/strict_xml.h"
#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>
#include <string>

namespace oxl
{
namespace
{

using test::readBytes;

std::string metaBlock()
{
    return fmt::format("<?xml version=\"1.0\"?>\n"
                       "<meta>\n"
                       "\t<info name=\"author\" value=\"Ordalis_P3D\" />\n"
                       "\t<info name=\"version\" value=\"{}\" />\n"
                       "\t<info name=\"date\" value=\"{}\" />\n"
                       "\t<info name=\"copyright\" value=\"{}\" />\n"
                       "\t<info name=\"P3D\" value=\"v5/v6\" />\n"
                       "</meta>\n",
                       gProgramVersion.toString(), gf_todayDate(), gMetaCopyright.value());
}

Stand makeStand(const std::string& name, double lat, double lon, double headingRad, double radiusM)
{
    return Stand(name, 0, lat, lon, headingRad, radiusM);
}

StandOccupancy makeOption(std::string reg, std::string airline, std::string type, std::uint32_t day,
                          std::string hh, StandOptionKind kind, std::string cs = {}, std::string coupled = {})
{
    StandOccupancy option;
    option.registration = std::move(reg);
    option.airline = std::move(airline);
    option.type = std::move(type);
    option.weekday = day;
    option.halfHours = gf_hours2bitset(hh);
    option.kind = kind;
    option.callsign = std::move(cs);
    option.coupledCallsign = std::move(coupled);
    option.id = 1;
    return option;
}

class AirportFileTest : public ::testing::Test
{
  protected:
    void SetUp() override { test::resetSettingsToDefaults(); }
    void TearDown() override
    {
        test::resetSettingsToDefaults();
        gLiveries.gDbase.registrations.clear();
    }

    ScannedAirport generatedAirport() const
    {
        ScannedAirport airport;
        airport.ident = "EHXX";
        airport.name = "Test Field";
        airport.bglPath = "/scenery/test/EHXX.bgl";
        airport.publisher = "unknown";
        airport.altitudeFt = -11;
        Stand gate = makeStand("A1", 52.3, 4.76, 1.5707963, nmToMetres(0.015));
        gate.cargo = 1;
        gate.ramp = 1;
        Stand heli = makeStand("H1", -33.5, -70.25, 0.0, 10.0);
        heli.helipad = 1;
        heli.cargo = 1;
        airport.stands = {gate, heli};
        return airport;
    }

    test::SettingsFolder settings_;
    test::TempFolder folder_;
};

TEST_F(AirportFileTest, GeneratedFileHoldsEveryStandInFullAndNoSettings)
{
    const auto path = folder_ / "EHXX.xml";
    ASSERT_TRUE(gf_writeApf(generatedAirport(), path, ApfMode::generated));

    const std::string expected =
        metaBlock() +
        "<parameters>\n"
        "\t<parameter name=\"airport_name\" value=\"Test Field\" />\n"
        "\t<parameter name=\"publisher\" value=\"unknown\" />\n"
        "\t<parameter name=\"altitude\" value=\"-11\" />\n"
        "\t<parameter name=\"num_parkpos\" value=\"2\" />\n"
        "\t<parameter name=\"BGLpath\" value=\"/scenery/test/EHXX.bgl\" />\n"
        "</parameters>\n"
        "<parkpositions>\n"
        "\t<parkpos id=\"A1\" latitude=\"52.300000\" longitude=\"4.760000\" heading=\"90.0\" radius=\"27.8\" "
        "cargo=\"true\" ramp=\"true\" />\n"
        "\t<parkpos id=\"H1\" latitude=\"-33.500000\" longitude=\"-70.250000\" heading=\"0.0\" "
        "radius=\"10.0\" "
        "heli=\"true\" ramp=\"false\" />\n"
        "</parkpositions>\n";
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(AirportFileTest, GeneratedFileNeverCarriesTheHandmadeKeys)
{
    const auto path = folder_ / "EHXX.xml";
    ScannedAirport airport = generatedAirport();
    airport.publisher = "simaddon";
    ASSERT_TRUE(gf_writeApf(airport, path, ApfMode::generated, true));

    const std::string text = readBytes(path);
    EXPECT_EQ(text.find("handmade"), std::string::npos);
    EXPECT_EQ(text.find("Qf_"), std::string::npos);
    EXPECT_EQ(text.find("BGLpath"), std::string::npos) << "only unknown publishers name their scenery file";
    EXPECT_NE(text.find("name=\"altitude\""), std::string::npos);
}

TEST_F(AirportFileTest, LearnedFileHoldsChangesOptionsAndTheTenSettings)
{
    gLiveries.gDbase.registrations["PH-BXA"] = DbaseRecord{"KLM", "B738", "", false};
    RANGE.set(25);
    LATERAL_RANGE.set(80); // the hidden key's own value never travels
    MAX_LIVE_SEL.set(75);
    WEEK.set(true);
    parking_percentage.set(55);
    MAX_FIT.set(12);

    ScannedAirport airport;
    airport.name = "Schiphol";
    airport.publisher = "stock";
    airport.altitudeFt = -11;
    Stand unchanged = makeStand("B1", 52.3, 4.7, 0.0, 20.0);
    Stand resized = makeStand("B2", 52.3, 4.7, 0.0, 33.3);
    resized.radiusChanged = 1;
    resized.cargoChanged = 1;
    resized.cargo = 1;
    resized.options.push_back(makeOption("PH-BXA", "ignored", "ignored", 1, "14,15,16", StandOptionKind::real,
                                         "KLM1234", "KLM1235"));
    StandOccupancy disabled = makeOption("D-ABCD", "DLH", "A320", 7, "0,47", StandOptionKind::soft, "DLH12");
    disabled.id = 0;
    resized.options.push_back(disabled);
    resized.options.push_back(makeOption("N123", "", "C172", 3, "", StandOptionKind::real));
    Stand manual = makeStand("M1", 52.31, 4.71, 0.0, 15.0);
    manual.manual = 1;
    airport.stands = {unchanged, resized, manual};

    const auto path = folder_ / "learned.xml";
    ASSERT_TRUE(gf_writeApf(airport, path, ApfMode::learned));

    const std::string expected =
        metaBlock() +
        "<parameters>\n"
        "\t<parameter name=\"airport_name\" value=\"Schiphol\" />\n"
        "\t<parameter name=\"publisher\" value=\"stock\" />\n"
        "\t<parameter name=\"num_parkpos\" value=\"3\" />\n"
        "\t<parameter name=\"LATERAL_RANGE\" value=\"25\" />\n"
        "\t<parameter name=\"AUTO_RANGE\" value=\"true\" />\n"
        "\t<parameter name=\"WEEK\" value=\"true\" />\n"
        "\t<parameter name=\"PARK_FAKE\" value=\"false\" />\n"
        "\t<parameter name=\"PARK_SOFT\" value=\"true\" />\n"
        "\t<parameter name=\"parking_percentage\" value=\"55\" />\n"
        "\t<parameter name=\"INITIAL_LOAD_ONLY\" value=\"false\" />\n"
        "\t<parameter name=\"MAX_FIT\" value=\"12\" />\n"
        "\t<parameter name=\"MAX_LIVE\" value=\"75\" />\n"
        "\t<parameter name=\"LEARN_SOFT\" value=\"true\" />\n"
        "</parameters>\n"
        "<parkpositions>\n"
        "\t<parkpos id=\"B1\" />\n"
        "\t<parkpos id=\"B2\" radius_change=\"true\" radius=\"33.3\" cargo_change=\"true\" cargo=\"true\">\n"
        "\t\t<opt reg=\"PH-BXA\" day=\"1\" hh=\"14,15,16\" cs=\"KLM1234:KLM1235\" />\n"
        "\t\t<opt reg=\"D-ABCD\" airl=\"DLH\" type=\"A320\" soft=\"true\" day=\"7\" hh=\"0,47\" cs=\"DLH12\" "
        "/>\n"
        "\t\t<opt reg=\"N123\" airl=\"\" type=\"C172\" day=\"3\" hh=\"\" />\n"
        "\t</parkpos>\n"
        "\t<parkpos id=\"M1\" latitude=\"52.310000\" longitude=\"4.710000\" heading=\"0.0\" radius=\"15.0\" "
        "cargo=\"false\" ramp=\"false\" manual=\"true\" />\n"
        "</parkpositions>\n";
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(AirportFileTest, HandmadeLearnedFileKeepsEveryStandInFullWithItsQuality)
{
    ScannedAirport airport;
    airport.name = "Strip";
    airport.publisher = "Fly Tampa";
    airport.altitudeFt = 1234;
    airport.qualityReal = 66;
    airport.qualitySoft = -1;
    Stand stand = makeStand("G7", 1.0, 2.0, 0.0, 40.0);
    stand.options.push_back(makeOption("REG1", "AAL", "B738", 2, "20", StandOptionKind::real, "AAL1"));
    airport.stands = {stand};

    const auto path = folder_ / "handmade.xml";
    ASSERT_TRUE(gf_writeApf(airport, path, ApfMode::learned, true));

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str()));
    const auto value = [&doc](const char* key)
    {
        return std::string(doc.select_node(fmt::format("/parameters/parameter[@name='{}']", key).c_str())
                               .node()
                               .attribute("value")
                               .value());
    };
    EXPECT_EQ(value("handmade"), "true");
    EXPECT_EQ(value("altitude"), "1234");
    EXPECT_EQ(value("Qf_real"), "66");
    EXPECT_EQ(value("Qf_soft"), "-1");
    EXPECT_EQ(value("LEARN_SOFT"), "true");
    const pugi::xml_node parkpos = doc.child("parkpositions").child("parkpos");
    EXPECT_STREQ(parkpos.attribute("latitude").value(), "1.000000");
    EXPECT_STREQ(parkpos.attribute("radius").value(), "40.0");
    EXPECT_STREQ(parkpos.child("opt").attribute("cs").value(), "AAL1");
}

TEST_F(AirportFileTest, OccupantIdentityAndNamesComeBackAsReceivedFromAStrictlyWellFormedFile)
{
    // The source's and the site's bytes as received: a control byte, a byte that is no UTF-8, a backslash.
    ScannedAirport airport;
    airport.name = "Z\xfcrich\n\x01";
    airport.publisher = "stock";
    Stand stand = makeStand("C\n3\xe9", 47.45, 8.56, 0.0, 20.0);
    stand.radiusChanged = 1;
    stand.options.push_back(makeOption("HB-\x01\xe9", "S\x7fWR",
                                       "A3\x1f"
                                       "20",
                                       2, "20", StandOptionKind::real, "\xc4\xd6\x07", "SWR\\1"));
    airport.stands = {stand};
    const auto path = folder_ / "odd.xml";
    ASSERT_TRUE(gf_writeApf(airport, path, ApfMode::learned));

    EXPECT_EQ(test::strictXmlError(path), "");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str()));
    EXPECT_EQ(gf_getParamString(doc, "airport_name"), airport.name);
    EXPECT_EQ(gf_apfText(doc.select_node("//parkpos").node(), "id"), "C\n3\xe9");
    const StandOccupancy back = gf_readOption(doc.select_node("//opt").node(), 1, 0);
    EXPECT_EQ(back.registration, "HB-\x01\xe9");
    EXPECT_EQ(back.airline, "S\x7fWR");
    EXPECT_EQ(back.type, "A3\x1f"
                         "20");
    EXPECT_EQ(back.callsign, "\xc4\xd6\x07");
    EXPECT_EQ(back.coupledCallsign, "SWR\\1");
}

TEST_F(AirportFileTest, FailedSaveReportsFalseAndLeavesNoFile)
{
    test::writeBytes(folder_ / "blocker", "a file where the folder belongs");
    const auto path = folder_ / "blocker" / "EHXX.xml";
    EXPECT_FALSE(gf_writeApf(generatedAirport(), path, ApfMode::generated));
    EXPECT_TRUE(std::filesystem::is_regular_file(path.parent_path()));
}

TEST_F(AirportFileTest, RewriteReplacesTheOldFileWhole)
{
    const auto path = folder_ / "EHXX.xml";
    test::writeBytes(path, std::string(100000, 'x'));
    ASSERT_TRUE(gf_writeApf(generatedAirport(), path, ApfMode::generated));
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1)
        << "no temporary file stays behind";
}

TEST(AirportFileNames, CodeGivesXmlAndLinkNames)
{
    EXPECT_EQ(gf_icaoXml("EHAM"), "EHAM.xml");
    EXPECT_EQ(gf_airportXmlName(kMyOrbxFolder, "EHAM"), std::filesystem::path("airports/my_ORBX/EHAM.xml"));
    EXPECT_EQ(gf_airportTxtName(kMyThirdpartyFolder, "LOWW"),
              std::filesystem::path("airports/my_thirdparty/LOWW.txt"));
}

struct NumberRow
{
    const char* name;
    const char* text;
    double decimal;
    std::int32_t whole;
    bool flag;
};

class AttributeReading : public ::testing::TestWithParam<NumberRow>
{
};

TEST_P(AttributeReading, FollowsTheFileReadingRules)
{
    const NumberRow& row = GetParam();
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("parkpos");
    node.append_attribute("v").set_value(row.text);
    EXPECT_DOUBLE_EQ(gf_apfDouble(node, "v"), row.decimal);
    EXPECT_EQ(gf_apfInt(node, "v"), row.whole);
    EXPECT_EQ(gf_apfBool(node, "v"), row.flag);
    EXPECT_EQ(gf_apfText(node, "v"), row.text);
    EXPECT_DOUBLE_EQ(gf_apfDouble(node, "absent"), 0.0);
    EXPECT_EQ(gf_apfInt(node, "absent"), 0);
    EXPECT_FALSE(gf_apfBool(node, "absent"));
    EXPECT_EQ(gf_apfText(node, "absent"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AttributeReading,
    ::testing::Values(
        NumberRow{"plain", "52.25", 52.25, 52, false}, NumberRow{"trailing_text", "52.3xyz", 52.3, 52, false},
        NumberRow{"leading_blanks", "  -7", -7.0, -7, false}, NumberRow{"plus_sign", "+4.5", 4.5, 4, false},
        NumberRow{"empty", "", 0.0, 0, false}, NumberRow{"word", "abc", 0.0, 0, false},
        NumberRow{"not_a_number", "nan", 0.0, 0, false}, NumberRow{"infinite", "inf", 0.0, 0, false},
        NumberRow{"too_large", "1e999", 0.0, 1, true},
        NumberRow{"int_overflow", "99999999999", 99999999999.0, 0, false},
        NumberRow{"one", "1", 1.0, 1, true}, NumberRow{"true_word", "true", 0.0, 0, true},
        NumberRow{"upper_true", "True", 0.0, 0, true}, NumberRow{"yes", "yes", 0.0, 0, true},
        NumberRow{"upper_yes", "Y", 0.0, 0, true}, NumberRow{"false_word", "false", 0.0, 0, false},
        NumberRow{"zero", "0", 0.0, 0, false}),
    [](const ::testing::TestParamInfo<NumberRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl
