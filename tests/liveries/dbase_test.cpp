#include "liveries/liveries_state.h"

#include "foundation/errors.h"
#include "foundation/units.h"
#include "tests/liveries/dbase_fixture.h"
#include "tests/support/log_capture.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::DbaseFolder;
using test::dbaseXml;
using test::minimalSections;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

/// Reads a database made of the sections; the text of the exception it throws, "" when none.
std::string readError(const std::map<std::string, std::string>& sections)
{
    DbaseFolder folder(dbaseXml(sections));
    EXPECT_TRUE(folder.encrypted());
    try
    {
        gf_readDbase();
    }
    catch (const std::exception& e)
    {
        EXPECT_FALSE(fs::exists("input/dbase.xml")) << "the plain database outlived a failed read";
        return e.what();
    }
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
    return "";
}

/// Reads a database made of the minimal sections plus the given ones.
void readWith(const std::map<std::string, std::string>& extra)
{
    auto sections = minimalSections();
    for (const auto& [name, body] : extra)
    {
        sections[name] = body;
    }
    DbaseFolder folder(dbaseXml(sections));
    ASSERT_TRUE(folder.encrypted());
    ASSERT_TRUE(gf_readDbase());
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
}

struct RequiredSection
{
    const char* section;
    const char* element;
    const char* attribute;
};

void PrintTo(const RequiredSection& row, std::ostream* os)
{
    *os << row.section;
}

class RequiredSectionTest : public ::testing::TestWithParam<RequiredSection>
{
};

TEST_P(RequiredSectionTest, MissingEmptyOrNestedSectionIsError61)
{
    const RequiredSection row = GetParam();
    const std::string expected =
        fmt::format("61: In XML file section [{}], element [{}], attribute [{}] is empty.", row.section,
                    row.element, row.attribute);
    test::LogCapture log;
    auto sections = minimalSections();
    sections.erase(row.section);
    EXPECT_EQ(readError(sections), expected) << "section missing";

    sections[row.section] = fmt::format("<{0}><{1} {2}=\"\"/><{1}/><other {2}=\"X\"/></{0}>", row.section,
                                        row.element, row.attribute);
    EXPECT_EQ(readError(sections), expected) << "only empty attributes";

    sections[row.section] = fmt::format("<wrapper><{0}><{1} {2}=\"X\"/></{0}></wrapper>", row.section,
                                        row.element, row.attribute);
    EXPECT_EQ(readError(sections), expected) << "section below the top level";

    sections[row.section] =
        fmt::format("<{0}><{1} {2}=\"X\"/></{0}>", row.section, row.element, row.attribute);
    EXPECT_EQ(readError(sections), "") << "one element with one item";
}

INSTANTIATE_TEST_SUITE_P(Dbase, RequiredSectionTest,
                         ::testing::Values(RequiredSection{"aircrafts", "aircraft", "types"},
                                           RequiredSection{"high_performance", "hpf", "types"},
                                           RequiredSection{"heavy", "hvy", "types"},
                                           RequiredSection{"large", "lar", "types"},
                                           RequiredSection{"buzjet", "bzj", "types"},
                                           RequiredSection{"rotorcraft", "rot", "types"},
                                           RequiredSection{"cargo_types", "cargo_type", "types"},
                                           RequiredSection{"ICAO_airlines", "ICAO", "codes"},
                                           RequiredSection{"cargo_operators", "ICAO", "codes"},
                                           RequiredSection{"simaddonsP3D", "simaddonP3D", "arpts"}),
                         [](const auto& info) { return std::string(info.param.section); });

TEST(DbaseTest, ListItemsAreTrimmedAndEmptyItemsStay)
{
    readWith({{"aircrafts",
               R"(<aircrafts><aircraft types=" A320 , B738,,"/><aircraft types="A320"/></aircrafts>)"}});
    EXPECT_THAT(gLiveries.gDbase.aircraftTypes, ElementsAre("", "A320", "B738"));
}

TEST(DbaseTest, FirstOccurrenceOfASectionIsRead)
{
    readWith({{"aircrafts", R"(<aircrafts><aircraft types="A320"/></aircrafts>)"
                            R"(<aircrafts><aircraft types="B744"/></aircrafts>)"}});
    EXPECT_THAT(gLiveries.gDbase.aircraftTypes, ElementsAre("A320"));
}

TEST(DbaseTest, CategoriesFollowTheSetOrder)
{
    readWith({{"heavy", R"(<heavy><hvy types="B744,A320"/></heavy>)"}});
    EXPECT_EQ(gf_aircraftCategory("A320"), AcCategory::Large) << "Large wins over Heavy";
    EXPECT_EQ(gf_aircraftCategory("B744"), AcCategory::Heavy);
    EXPECT_EQ(gf_aircraftCategory("GLF5"), AcCategory::Buzjets);
    EXPECT_EQ(gf_aircraftCategory("EC35"), AcCategory::Rotorcraft);
    EXPECT_EQ(gf_aircraftCategory("F16"), AcCategory::HighPerf);
    EXPECT_EQ(gf_aircraftCategory("C172"), AcCategory::Light);
    EXPECT_EQ(gf_aircraftCategory("ZZZZ"), AcCategory::Light) << "unknown types are Light";
    EXPECT_EQ(gf_aircraftCategory(""), AcCategory::Light);
}

TEST(DbaseTest, KnownTypesAndAirlines)
{
    readWith({{"aircrafts", R"(<aircrafts><aircraft types="A320,,"/></aircrafts>)"},
              {"ICAO_airlines", R"(<ICAO_airlines><ICAO codes="BAW,"/></ICAO_airlines>)"}});
    EXPECT_TRUE(gf_isKnownType("A320"));
    EXPECT_FALSE(gf_isKnownType("a320")) << "codes compare case-sensitively";
    EXPECT_FALSE(gf_isKnownType("")) << "the empty item is in the set, yet never known";
    EXPECT_TRUE(gf_isKnownAirline("BAW"));
    EXPECT_FALSE(gf_isKnownAirline("DLH"));
    EXPECT_FALSE(gf_isKnownAirline(""));
}

TEST(DbaseTest, WingspansHalvedInNauticalMilesFirstEntryKept)
{
    test::LogCapture log;
    readWith({{"wingspans", R"(<wingspans>
        <wingspan type="A320" meters="35.8"/>
        <wingspan type="B744" meters="30"/>
        <wingspan type="B744" meters="70"/>
        <wingspan type="ZZZZ" meters="99"/>
        <wingspan meters="99"/>
        <wingspan type="C172" meters="abc"/>
        </wingspans>)"}});
    EXPECT_DOUBLE_EQ(gf_wingspan("A320"), metresToNm(35.8 * 0.5));
    EXPECT_DOUBLE_EQ(gf_wingspan("B744"), metresToNm(30 * 0.5)) << "the first entry stays";
    EXPECT_DOUBLE_EQ(gf_largestHalfSpan(), metresToNm(70 * 0.5)) << "ignored repeats still count";
    EXPECT_DOUBLE_EQ(gf_wingspan("C172"), 0.0) << "a text without a number is 0";
    EXPECT_TRUE(log.contains("===> wingspan model ZZZZ is not valid, skipped"));
    EXPECT_TRUE(log.contains("===> wingspan model  is not valid, skipped"));
}

TEST(DbaseTest, TypesWithoutSpanTakeTheirCategoryAverage)
{
    readWith(
        {{"aircrafts", R"(<aircrafts><aircraft types="A320,A321,A319,B744,C172"/></aircrafts>)"},
         {"large", R"(<large><lar types="A320,A321,A319"/></large>)"},
         {"wingspans", R"(<wingspans><wingspan type="A320" meters="30"/><wingspan type="A321" meters="40"/>
                               <wingspan type="B744" meters="64"/></wingspans>)"}});
    EXPECT_DOUBLE_EQ(gf_wingspan("A319"), metresToNm(35 * 0.5)) << "average of the Large entries";
    EXPECT_DOUBLE_EQ(gf_wingspan("B744"), metresToNm(64 * 0.5)) << "its own entry";
    EXPECT_DOUBLE_EQ(gf_wingspan("B748"), metresToNm((30 + 40 + 64) / 3.0 * 0.5))
        << "a Light type, and Light has no entry of its own";
}

TEST(DbaseTest, CategoryWithoutEntriesTakesTheAverageOfAll)
{
    readWith(
        {{"wingspans", R"(<wingspans><wingspan type="A320" meters="30"/><wingspan type="B744" meters="60"/>
                               </wingspans>)"}});
    EXPECT_DOUBLE_EQ(gf_wingspan("C172"), metresToNm(45 * 0.5));
    EXPECT_DOUBLE_EQ(gf_wingspan("EC35"), metresToNm(45 * 0.5));
}

TEST(DbaseTest, NoValidWingspanLeavesEverySpanZero)
{
    readWith({{"wingspans", R"(<wingspans><wingspan type="ZZZZ" meters="30"/></wingspans>)"}});
    EXPECT_EQ(gf_wingspan("A320"), 0.0);
    EXPECT_EQ(gf_wingspan("C172"), 0.0);
    EXPECT_EQ(gf_largestHalfSpan(), 0.0);
}

struct MetersRow
{
    const char* text;
    double meters;
};

void PrintTo(const MetersRow& row, std::ostream* os)
{
    *os << row.text;
}

class MetersTest : public ::testing::TestWithParam<MetersRow>
{
};

TEST_P(MetersTest, ParsedWithoutLocaleAndNeverNegativeOrInfinite)
{
    EXPECT_DOUBLE_EQ(gf_parseMeters(GetParam().text), GetParam().meters) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(Dbase, MetersTest,
                         ::testing::Values(MetersRow{"35.8", 35.8}, MetersRow{"  \t35.8m", 35.8},
                                           MetersRow{"+12", 12.0}, MetersRow{"1e1", 10.0},
                                           MetersRow{".5", 0.5}, MetersRow{"35,8", 35.0}, MetersRow{"", 0.0},
                                           MetersRow{"abc", 0.0}, MetersRow{"-5", 0.0}, MetersRow{"nan", 0.0},
                                           MetersRow{"inf", 0.0}, MetersRow{"1e999", 0.0},
                                           MetersRow{"0", 0.0}));

TEST(DbaseTest, ModelFixesNeedAKnownCorrectTypeAndKeepTheFirst)
{
    test::LogCapture log;
    readWith({{"fixes", R"(<fixes><fx wro="738" cor="A320"/><fx wro="738" cor="B744"/>
                           <fx wro="B77F" cor="B77L"/><fx wro="X" cor=""/><fx cor="C172"/></fixes>)"}});
    EXPECT_EQ(gLiveries.gDbase.modelFixes.size(), 2u);
    EXPECT_EQ(gLiveries.gDbase.modelFixes.at("738"), "A320");
    EXPECT_EQ(gLiveries.gDbase.modelFixes.at(""), "C172") << "the wrong code itself is not checked";
    EXPECT_TRUE(log.contains("===> wrong part of fix: '738', already exists, skipped"));
    EXPECT_TRUE(log.contains("===> wrong fix B77F -> B77L, the latter is not valid"));
    EXPECT_TRUE(log.contains("===> wrong fix X -> , the latter is not valid"));
}

TEST(DbaseTest, PublisherGroupsSortedByTextDuplicatesOnce)
{
    test::LogCapture log;
    readWith({{"publishers", R"(<publishers><pub names="FlyTampa"/><pub names="Aerosoft, aerosoft"/>
                                <pub names="FlyTampa"/></publishers>)"}});
    ASSERT_EQ(gLiveries.gDbase.publisherGroups.size(), 2u);
    EXPECT_THAT(gLiveries.gDbase.publisherGroups[0], ElementsAre("Aerosoft", "aerosoft"));
    EXPECT_THAT(gLiveries.gDbase.publisherGroups[1], ElementsAre("FlyTampa"));
    EXPECT_TRUE(log.contains("   2 publishers"));
}

TEST(DbaseTest, MissingOptionalSectionsGiveEmptyTables)
{
    test::LogCapture log;
    readWith({});
    EXPECT_TRUE(gLiveries.gDbase.publisherGroups.empty());
    EXPECT_TRUE(gLiveries.gDbase.similarGroups.empty());
    EXPECT_TRUE(gLiveries.gDbase.thirdParties.empty());
    EXPECT_TRUE(gLiveries.gDbase.registrations.empty());
    EXPECT_TRUE(log.contains("   0 publishers"));
    EXPECT_TRUE(log.contains("0 dbase records read"));
}

TEST(DbaseTest, SimilarGroupsSortedInFileOrder)
{
    readWith({{"similar_types", R"(<similar_types><similar types="B739,B738,B738"/><similar/>
                                   <similar types="A321,A320"/></similar_types>)"}});
    ASSERT_EQ(gLiveries.gDbase.similarGroups.size(), 3u);
    EXPECT_THAT(gLiveries.gDbase.similarGroups[0], ElementsAre("B738", "B738", "B739"));
    EXPECT_TRUE(gLiveries.gDbase.similarGroups[1].empty());
    EXPECT_THAT(gLiveries.gDbase.similarGroups[2], ElementsAre("A320", "A321"));
}

TEST(DbaseTest, ThirdPartiesInFileOrderUnchecked)
{
    readWith({{"thirdpartiesP3D", R"(<thirdpartiesP3D><thirdpartieP3D pub="FlyTampa" arpts="EKCH120, LOWW88"/>
                                     <thirdpartieP3D pub="FlyTampa"/></thirdpartiesP3D>)"}});
    ASSERT_EQ(gLiveries.gDbase.thirdParties.size(), 2u);
    EXPECT_EQ(gLiveries.gDbase.thirdParties[0].pub, "FlyTampa");
    EXPECT_THAT(gLiveries.gDbase.thirdParties[0].arpts, ElementsAre("EKCH120", "LOWW88"));
    EXPECT_TRUE(gLiveries.gDbase.thirdParties[1].arpts.empty());
}

TEST(DbaseTest, RegistrationRecordsCargoFlagsAndRepeats)
{
    test::LogCapture log;
    readWith({{"dbase", R"(<dbase>
        <db reg="G-EUPA" airl="BAW" type="A319"/>
        <db reg="D-AALA" airl="BOX" type="B77L" opr="GEC" cargo="Yes"/>
        <db reg="D-AALB" cargo="1"/><db reg="D-AALC" cargo="true"/><db reg="D-AALD" cargo="T"/>
        <db reg="D-AALE" cargo="N"/><db reg="D-AALF" cargo="false"/><db reg="D-AALG" cargo=""/>
        <db reg="G-EUPA" airl="EZY" type="A320"/>
        </dbase>)"}});
    EXPECT_EQ(gLiveries.gDbase.registrations.size(), 8u);
    EXPECT_EQ(gLiveries.gDbase.registrations.at("G-EUPA"), (DbaseRecord{"BAW", "A319", "", false}));
    EXPECT_EQ(gLiveries.gDbase.registrations.at("D-AALA"), (DbaseRecord{"BOX", "B77L", "GEC", true}));
    for (const char* reg : {"D-AALB", "D-AALC", "D-AALD"})
    {
        EXPECT_TRUE(gLiveries.gDbase.registrations.at(reg).cargo) << reg;
    }
    for (const char* reg : {"D-AALE", "D-AALF", "D-AALG", "G-EUPA"})
    {
        EXPECT_FALSE(gLiveries.gDbase.registrations.at(reg).cargo) << reg;
    }
    EXPECT_TRUE(log.contains("===> regcode G-EUPA already exists"));
    EXPECT_TRUE(log.contains("8 dbase records read"));
}

TEST(DbaseTest, MissingEncryptedFile)
{
    test::TempFolder folder;
    test::ScopedCurrentPath current(folder.path());
    test::writeBytes("input/dbase.xml", "left by a crashed run");
    try
    {
        gf_readDbase();
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ(e.what(), "input\\dbase.enc not available");
    }
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
}

TEST(DbaseTest, DamagedFileFailsDecryptionAndLeavesNoPlainFile)
{
    DbaseFolder folder(dbaseXml(minimalSections()));
    ASSERT_TRUE(folder.encrypted());
    std::string bytes = test::readBytes("input/dbase.enc");
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x40);
    test::writeBytes("input/dbase.enc", bytes);
    EXPECT_THROW(
        {
            try
            {
                gf_readDbase();
            }
            catch (const std::runtime_error& e)
            {
                EXPECT_STREQ(e.what(), "input\\dbase.enc stream decrypt failed");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
}

TEST(DbaseTest, MalformedXmlIsError60AndThePlainFileIsRemoved)
{
    auto sections = minimalSections();
    sections["zz"] = "<broken attr='x'>";
    const std::string error = readError(sections);
    EXPECT_THAT(error, HasSubstr("60: 'input\\dbase.xml' not read because of "));
}

TEST(DbaseTest, AStaleDecryptedFileIsRemovedToo)
{
    DbaseFolder folder(dbaseXml(minimalSections()));
    ASSERT_TRUE(folder.encrypted());
    test::writeBytes("input/dbase.xml", "left by a crash");
    ASSERT_TRUE(gf_readDbase());
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
}

} // namespace
} // namespace oxl
