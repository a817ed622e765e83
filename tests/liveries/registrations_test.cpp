#include "liveries/registrations.h"

#include "tests/liveries/dbase_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using ::testing::ElementsAre;
using ::testing::Optional;

/// Reads a database whose registration map holds the given `db` elements.
void readRegistrations(const std::string& dbElements)
{
    auto sections = test::minimalSections();
    sections["dbase"] = "<dbase>" + dbElements + "</dbase>";
    test::DbaseFolder folder(test::dbaseXml(sections));
    ASSERT_TRUE(folder.encrypted());
    ASSERT_TRUE(gf_readDbase());
}

struct CandidateRow
{
    const char* name;
    const char* reg;
    std::vector<std::string> candidates;
};

void PrintTo(const CandidateRow& row, std::ostream* os)
{
    *os << row.name;
}

class CandidateTest : public ::testing::TestWithParam<CandidateRow>
{
};

TEST_P(CandidateTest, SpellingsInTheirOrder)
{
    EXPECT_EQ(gf_registrationCandidates(GetParam().reg), GetParam().candidates);
}

INSTANTIATE_TEST_SUITE_P(
    Registrations, CandidateTest,
    ::testing::Values(CandidateRow{"FiveLetters", "GEUPA", {"GE-UPA", "G-EUPA", "GEUPA"}},
                      CandidateRow{"SixLetters", "DAIMA1", {"DA-IMA1", "D-AIMA1", "DAIMA1"}},
                      CandidateRow{"TwoLetterPrefix", "HBJNA", {"HB-JNA", "H-BJNA", "HBJNA"}},
                      CandidateRow{"WithDash", "G-EUPA", {"G-EUPA"}},
                      CandidateRow{"UsNumber", "N12345", {"N12345"}},
                      CandidateRow{"LowerCaseN", "n1234", {"n1-234", "n-1234", "n1234"}},
                      CandidateRow{"FourLetters", "GEUP", {"GEUP"}}, CandidateRow{"Empty", "", {""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistrationsTest, LooksUpEverySpelling)
{
    readRegistrations(R"(<db reg="G-EUPA" airl="BAW" type="A319"/>
                         <db reg="HB-JNA" airl="SWR" type="B77W"/>
                         <db reg="N123AB" airl="UAL" type="B738"/>
                         <db reg="D-ABYA" airl="DLH" type="B748"/>
                         <db reg="D-AL" airl="BOX" type="B77L" cargo="true"/>)");
    const DbaseRecord baw{"BAW", "A319", "", false};
    EXPECT_THAT(gf_lookupRegistration("G-EUPA"), Optional(baw)) << "as stored";
    EXPECT_THAT(gf_lookupRegistration("GEUPA"), Optional(baw)) << "dash lost after one letter";
    EXPECT_THAT(gf_lookupRegistration("HBJNA"), Optional(DbaseRecord{"SWR", "B77W", "", false}))
        << "dash lost after two letters";
    EXPECT_THAT(gf_lookupRegistration("N123AB"), Optional(DbaseRecord{"UAL", "B738", "", false}));
    EXPECT_EQ(gf_lookupRegistration("N-123AB"), std::nullopt) << "a dashed form is looked up as given";
    EXPECT_EQ(gf_lookupRegistration("geupa"), std::nullopt) << "no case folding";
    EXPECT_EQ(gf_lookupRegistration("DAL"), std::nullopt) << "short registrations only as given";
    EXPECT_EQ(gf_lookupRegistration("D-ABYB"), std::nullopt);
    EXPECT_EQ(gf_lookupRegistration(""), std::nullopt);
}

TEST(RegistrationsTest, TwoLetterFormWinsOverOneLetterForm)
{
    readRegistrations(
        R"(<db reg="G-EUPA" airl="BAW" type="A319"/><db reg="GE-UPA" airl="EZY" type="A320"/>)");
    EXPECT_THAT(gf_lookupRegistration("GEUPA"), Optional(DbaseRecord{"EZY", "A320", "", false}));
}

TEST(RegistrationsTest, AirlineAndOperator)
{
    readRegistrations(R"(<db reg="N601XJ" airl="DAL" type="CRJ9" opr="EDV"/><db reg="G-EUPA" airl="BAW"/>
                         <db reg="" airl="XXX"/>)");
    EXPECT_EQ(gf_lookupRegAirline("N601XJ"), "DAL");
    EXPECT_EQ(gf_lookupRegOperator("N601XJ"), "EDV");
    EXPECT_EQ(gf_lookupRegAirline("GEUPA"), "BAW");
    EXPECT_EQ(gf_lookupRegOperator("GEUPA"), "");
    EXPECT_EQ(gf_lookupRegAirline("ZZZZZ"), "");
    EXPECT_EQ(gf_lookupRegAirline(""), "") << "the empty registration never reaches the empty key";
    EXPECT_EQ(gf_lookupRegOperator(""), "");
}

struct InlineRow
{
    const char* name;
    const char* title;
    std::optional<std::string> key;
};

void PrintTo(const InlineRow& row, std::ostream* os)
{
    *os << row.name;
}

class InlineRegcodeTest : public ::testing::TestWithParam<InlineRow>
{
  protected:
    static void SetUpTestSuite()
    {
        readRegistrations(R"(<db reg="" airl="XXX"/><db reg="EUPA" airl="BAW"/><db reg="EUPB" airl="BAW"/>
                             <db reg="G-EUPC" airl="BAW"/><db reg="GEUPD" airl="BAW"/><db reg="AIMA" airl="DLH"/>
                             <db reg="EUPAX1" airl="BAW"/>)");
    }
};

TEST_P(InlineRegcodeTest, SmallestShortKeyInsideTheTitle)
{
    EXPECT_EQ(gf_findInlineRegcode(GetParam().title), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    Registrations, InlineRegcodeTest,
    ::testing::Values(InlineRow{"KeyInside", "British Airways A319 EUPA", "EUPA"},
                      InlineRow{"TwoKeysSmallestWins", "Lufthansa AIMA / BA EUPB", "AIMA"},
                      InlineRow{"TwoKeysOtherOrder", "BA EUPB and EUPA", "EUPA"},
                      InlineRow{"FiveByteKey", "xGEUPDx", "GEUPD"},
                      InlineRow{"SixByteKeyNeverFound", "G-EUPC", std::nullopt},
                      InlineRow{"LongerKeyWithShortInside", "EUPAX1", "EUPA"},
                      InlineRow{"CaseSensitive", "british eupa", std::nullopt},
                      InlineRow{"TitleShorterThanKey", "EUP", std::nullopt},
                      InlineRow{"EmptyKeyMatchesNothing", "no registration here", std::nullopt},
                      InlineRow{"EmptyTitle", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl
