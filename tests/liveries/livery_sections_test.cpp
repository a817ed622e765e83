#include "liveries/aircraft_cfg.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_sections.h"
#include "tests/liveries/livery_scan_fixture.h"

#include <gtest/gtest.h>

#include <optional>

namespace oxl
{
namespace
{

using test::AircraftFolder;
using test::linesOf;

// One section of an aircraft folder in which model.base, model, texture.baw, texture and the flight
// models B738.air, B744.air and C172.air exist; "{folder}" and "{file}" in texts stand for its paths.
struct SectionRow
{
    const char* name;
    std::string type;
    std::vector<std::string> body;
    std::optional<test::ExpectedLivery> livery;
    std::vector<std::string> incomplete;
    std::vector<std::string> invalidAirlines = {};
    std::vector<std::string> dontUse = {};
};

void PrintTo(const SectionRow& row, std::ostream* os)
{
    *os << row.name;
}

std::string filled(std::string text, const std::string& folder, const std::string& file)
{
    for (const auto& [mark, value] :
         {std::pair{std::string("{folder}"), folder}, std::pair{std::string("{file}"), file}})
    {
        for (std::size_t pos = text.find(mark); pos != std::string::npos; pos = text.find(mark))
        {
            text.replace(pos, mark.size(), value);
        }
    }
    return text;
}

std::vector<std::string> filled(const std::vector<std::string>& texts, const std::string& folder,
                                const std::string& file)
{
    std::vector<std::string> result;
    for (const std::string& text : texts)
    {
        result.push_back(filled(text, folder, file));
    }
    return result;
}

class SectionTest : public test::LiveryScanTest, public ::testing::WithParamInterface<SectionRow>
{
  protected:
    // Writes the section's file and reads it with the reader of its kind.
    std::list<LiveryData> readRow(const std::string& packageFolder, bool ivao)
    {
        const SectionRow& row = GetParam();
        AircraftFolder folder;
        folder.folder = std::filesystem::path("Rows") / packageFolder / row.name;
        folder.lines = {"[General]", "atc_model=" + row.type, "[fltsim.0]"};
        folder.lines.insert(folder.lines.end(), row.body.begin(), row.body.end());
        folder.subfolders = {"model.base", "Model", "TEXTURE.BAW", "texture"};
        folder.files = {"B738.air", "b744.AIR", "C172.air"};
        test::writeAircraftFolder(root_.path(), folder);
        folderText_ = "D:\\Rows\\" + packageFolder + "\\" + row.name;
        fileText_ = folderText_ + "\\aircraft.cfg";
        gLiveries.DontUseTitles = row.dontUse;
        return ivao ? gf_readAircraftCfg(2, WinPath(fileText_))
                    : gf_searchLiveriesinFile(2, WinPath(fileText_));
    }

    void expectRow(const std::list<LiveryData>& records)
    {
        const SectionRow& row = GetParam();
        if (row.livery)
        {
            ASSERT_EQ(records.size(), 1u);
            const LiveryData& got = records.front();
            EXPECT_EQ(got.airl, row.livery->airl);
            EXPECT_EQ(got.type, row.livery->type);
            EXPECT_EQ(got.title, row.livery->title);
            EXPECT_EQ(got.atcid, row.livery->atcid);
            EXPECT_EQ(got.cargo, row.livery->cargo);
            EXPECT_EQ(got.folderIndex, 2u);
        }
        else
        {
            EXPECT_TRUE(records.empty());
        }
        EXPECT_EQ(linesOf(gLiveries.IncompleteSections), filled(row.incomplete, folderText_, fileText_));
        EXPECT_EQ(linesOf(gLiveries.InvalidAirlineCodes),
                  filled(row.invalidAirlines, folderText_, fileText_));
    }

    std::string folderText_;
    std::string fileText_;
};

class FltSimSectionTest : public SectionTest
{
};

TEST_P(FltSimSectionTest, GivesTheRecordAndTheEntries)
{
    expectRow(readRow("Plain", false));
}

const std::vector<std::string> kFiles = {"sim=B738", "model=base", "texture=BAW"};

std::vector<std::string> with(std::vector<std::string> lines, const std::vector<std::string>& more = kFiles)
{
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

const std::string kNoAirline = "{file} [fltsim.0] icao_airline is missing, or it has invalid info ";

INSTANTIATE_TEST_SUITE_P(
    Sections, FltSimSectionTest,
    ::testing::Values(
        SectionRow{"Plain",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "atc_id=G-EUPA"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "G-EUPA", false},
                   {}},
        SectionRow{"CodeWithX",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAWX,SHT"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {}},
        SectionRow{"CodeWithC",
                   "B738",
                   with({"title=T1", "atc_parking_codes=DLHC"}),
                   test::ExpectedLivery{"DLH", "B738", "T1", "", false},
                   {}},
        SectionRow{"Rfo", "B738", with({"title=T1", "atc_parking_codes=RFO"}), std::nullopt, {}},
        SectionRow{"UnknownCodeIsPrivate",
                   "B738",
                   with({"title=T1", "atc_parking_codes=XYZ"}),
                   test::ExpectedLivery{"PVT", "B738", "T1", "", false},
                   {kNoAirline},
                   {"XYZ          in {file} [fltsim.0]"}},
        SectionRow{"UnknownCodeHeavy",
                   "B744",
                   with({"title=T1", "atc_parking_codes=XYZ"}),
                   std::nullopt,
                   {kNoAirline, "'{folder}' '[fltsim.0]' has no airline and no regcode info"},
                   {"XYZ          in {file} [fltsim.0]"}},
        SectionRow{"RegistrationInTitle",
                   "C172",
                   with({"title=Cessna N12 private"}),
                   test::ExpectedLivery{"PVT", "C172", "Cessna N12 private", "N12", false},
                   {kNoAirline}},
        SectionRow{"AirlineOfRegistration",
                   "B738",
                   with({"title=T1", "atc_id=G-EUPA"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "G-EUPA", false},
                   {kNoAirline}},
        SectionRow{"UnknownRegistrationHeavy",
                   "B744",
                   with({"title=T1", "atc_id=X-ABCD"}),
                   std::nullopt,
                   {kNoAirline, "'{folder}' '[fltsim.0]' has no airline and regcode not in dbase"}},
        SectionRow{"UnknownRegistrationPrivate",
                   "C172",
                   with({"title=T1", "atc_id=X-ABCD"}),
                   test::ExpectedLivery{"PVT", "C172", "T1", "X-ABCD", false},
                   {kNoAirline}},
        SectionRow{"AtcIdComment",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "atc_id=N123AB ;c"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "N123AB", false},
                   {}},
        SectionRow{"AtcIdTwoParts",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "atc_id=A1,A2"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {}},
        SectionRow{"AtcIdEmptyPart",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "atc_id=A1,,A2"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {"invalid atc_id=A1,,A2 in: T1"}},
        SectionRow{"AtcIdStar",
                   "B738",
                   with({"atc_id=*", "title=T1", "atc_parking_codes=BAW"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {"invalid atc_id=* in: "}},
        SectionRow{"AtcIdThirteen",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "atc_id=ABCDEFGHIJKLM"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {"invalid atc_id=ABCDEFGHIJKLM in: T1"}},
        SectionRow{"Cargo",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "atc_parking_types=GATE_HEAVY, cargo"}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", true},
                   {}},
        SectionRow{"GenericAirlineDropsAtcId",
                   "B738",
                   with({"title=T1", "atc_parking_codes=ZZZ", "atc_id=N123AB"}),
                   test::ExpectedLivery{"ZZZ", "B738", "T1", "", false},
                   {}},
        SectionRow{"TwoTitles",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "title=T2"}),
                   std::nullopt,
                   {"{folder} [fltsim.0] has more than one title key"}},
        SectionRow{"CommentedCodes",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "//atc_parking_codes=ABC"}),
                   std::nullopt,
                   {"{folder} [fltsim.0] has more than one atc_parking_codes key"}},
        SectionRow{"CommentedCodesLast",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW"}, with(kFiles, {"//atc_parking_codes=ABC", ""})),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {}},
        SectionRow{
            "TwoParkingTypes",
            "B738",
            with({"title=T1", "atc_parking_codes=BAW", "atc_parking_types=GATE", "atc_parking_types=RAMP"}),
            std::nullopt,
            {"{folder} [fltsim.0] has more than one atc_parking_types key"}},
        SectionRow{"TwoAtcIds",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW", "atc_id=A1", "atc_id=A2"}),
                   std::nullopt,
                   {"{folder}, [fltsim.0], has more than one atc_id key"}},
        SectionRow{"MissingTexture",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW"}, {"sim=B738", "model=base", "texture=DLH"}),
                   std::nullopt,
                   {"{folder}\\model.base or related path does not exist: [fltsim.0]"}},
        SectionRow{"MissingFlightModel",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW"}, {"sim=A320", "texture=BAW"}),
                   std::nullopt,
                   {"{folder}\\model. or related path does not exist: [fltsim.0]"}},
        SectionRow{"EmptyModelAndTexture",
                   "B738",
                   with({"title=T1", "atc_parking_codes=BAW"}, {"sim=b738", "model=", "texture="}),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {}},
        SectionRow{"NoTitle",
                   "B738",
                   with({"atc_parking_codes=BAW"}),
                   std::nullopt,
                   {"{folder} [fltsim.0] misses title"}},
        SectionRow{
            "DontUse", "B738", with({"title=T1", "atc_parking_codes=BAW"}), std::nullopt, {}, {}, {"T1"}},
        SectionRow{"TitleTwice",
                   "B738",
                   with(with({"title=T1", "atc_parking_codes=BAW"}),
                        with({"[fltsim.1]", "title=T1", "atc_parking_codes=DLH"})),
                   test::ExpectedLivery{"BAW", "B738", "T1", "", false},
                   {"{folder} [fltsim.1] title 'T1' already exists"}}),
    [](const auto& info) { return std::string(info.param.name); });

class IvaoSectionTest : public SectionTest
{
};

TEST_P(IvaoSectionTest, GivesTheRecordAndTheEntries)
{
    expectRow(readRow("IVAO_MTL", true));
}

// The IVAO rows are read from a folder named IVAO_<type>w, so their type comes from the row name.
INSTANTIATE_TEST_SUITE_P(
    Sections, IvaoSectionTest,
    ::testing::Values(
        SectionRow{"IVAO_B738w",
                   "-",
                   with({"title=B738 BAW N1", "atc_parking_types=GATE,CARGO"}),
                   test::ExpectedLivery{"BAW", "B738", "B738 BAW N1", "", false},
                   {}},
        SectionRow{"IVAO_C172w",
                   "-",
                   with({"title=C172 XYZ"}),
                   std::nullopt,
                   {},
                   {"XYZ          in {file} [fltsim.0]"}},
        SectionRow{"IVAO_B744w",
                   "-",
                   with({"title=Boeing 747 BAW"}),
                   std::nullopt,
                   {"{folder} [fltsim.0] misses airlinecode in title: Boeing 747 BAW, and no regcode"}},
        SectionRow{"IVAO_B744F",
                   "-",
                   with({"title=Boeing 747 BAW", "atc_id=G-EUPA"}),
                   test::ExpectedLivery{"BAW", "B744", "Boeing 747 BAW", "G-EUPA", false},
                   {}},
        SectionRow{"IVAO_T154B2",
                   "-",
                   with({"title=Tupolev", "atc_id=X-1"}),
                   std::nullopt,
                   {"{folder} [fltsim.0] misses airlinecode in title: Tupolev, and regcode unknown X-1"}},
        SectionRow{"IVAO_GLID_SH",
                   "-",
                   with({"title=glid ZZZ", "atc_id=N1"}),
                   test::ExpectedLivery{"ZZZ", "GLID", "glid ZZZ", "", false},
                   {}},
        SectionRow{"IVAO_A320w",
                   "-",
                   with({"title=A320 BAW", "atc_id=A1,,A2"}),
                   test::ExpectedLivery{"BAW", "A320", "A320 BAW", "", false},
                   {"invalid atc_id=A1,,A2 in A320 BAW"}},
        SectionRow{"IVAO_B738",
                   "-",
                   with({"title=B738 BAW"}, {"sim=B738", "model=none", "texture=BAW"}),
                   std::nullopt,
                   {"{folder}\\model.none [fltsim.0] does not exist"}},
        SectionRow{"IVAO_C172",
                   "-",
                   with({"title=C172 BAW"}, {"sim=B738", "model=base", "texture=DLH"}),
                   std::nullopt,
                   {"{folder}\\texture.DLH [fltsim.0] does not exist"}},
        SectionRow{"IVAO_A320",
                   "-",
                   with({"title=A320 BAW", "title=A320 DLH"}),
                   std::nullopt,
                   {"{folder} [fltsim.0] has more than one title key"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AtcIdTest, Validation)
{
    std::string registration = "unchanged";
    EXPECT_TRUE(gf_validateAtcId(" N123AB ", registration));
    EXPECT_EQ(registration, "N123AB");
    EXPECT_TRUE(gf_validateAtcId("A1, A2", registration));
    EXPECT_EQ(registration, "");
    EXPECT_FALSE(gf_validateAtcId("", registration));
    EXPECT_FALSE(gf_validateAtcId("A1,", registration));
    EXPECT_TRUE(gf_validateAtcId("ABCDEFGHIJKL", registration));
    EXPECT_FALSE(gf_validateAtcId("AB*", registration));
}

} // namespace
} // namespace oxl
