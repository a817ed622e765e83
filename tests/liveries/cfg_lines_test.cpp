#include "liveries/cfg_lines.h"

#include <gtest/gtest.h>

// g++ 12 with the sanitizers reports a false maybe-uninitialized inside std::regex's compiler; clang
// knows no such warning.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

constexpr auto kFlags = std::regex::ECMAScript | std::regex::icase;

// The whole-line patterns the scan is defined by; the matchers must agree with them line for line.
std::regex keyPattern(const std::string& key)
{
    return std::regex("\\s*(" + key + ")\\s*=\\s*(.*\\S)\\s*", kFlags);
}
const std::regex kHeaderPattern("\\s*(\\[fltsim\\.)(\\d+)\\]\\s*", kFlags);
const std::regex kIvaoPathPattern(".+\\\\IVAO_MTL\\\\IVAO_(\\w+)\\\\aircraft.cfg$", kFlags);

std::string patternValue(const std::string& line, const std::regex& pattern, int group)
{
    std::smatch match;
    return std::regex_match(line, match, pattern) ? match[group].str() : std::string();
}

std::optional<std::string> patternGroup(const std::string& text, const std::regex& pattern)
{
    std::smatch match;
    if (!std::regex_match(text, match, pattern))
    {
        return std::nullopt;
    }
    return match[1].str();
}

// Lines built from pieces that come close to the patterns, so matches and near misses are both common.
class LineMaker
{
  public:
    explicit LineMaker(unsigned seed) : random_(seed) {}

    std::string pick(const std::vector<std::string>& pieces)
    {
        return pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random_)];
    }
    std::string repeat(const std::vector<std::string>& pieces, int most)
    {
        std::string text;
        const int count = std::uniform_int_distribution<int>(0, most)(random_);
        for (int i = 0; i < count; ++i)
        {
            text += pick(pieces);
        }
        return text;
    }

    std::string keyLine(const std::string& key)
    {
        static const std::vector<std::string> spaces = {" ", "\t", "\r", "\n", "\v", "\f"};
        static const std::vector<std::string> chars = {
            "a", "Z", "0", " ", "\t", "\r", "\n", std::string(1, '\0'), "\xE9", ";", ",", "=",
            "[", "]", ".", "*", "\\", "_",  "\v"};
        std::string spelled = key;
        for (char& c : spelled)
        {
            if (std::bernoulli_distribution(0.3)(random_) && c >= 'a' && c <= 'z')
            {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        const std::vector<std::string> keys = {spelled, key.substr(0, key.size() - 1), key + "x", "x" + key,
                                               ""};
        return repeat(spaces, 2) + pick(keys) + repeat(spaces, 2) + pick({"=", "=", "=", "", "=="}) +
               repeat(spaces, 2) + repeat(chars, 8) + repeat(spaces, 2);
    }

    std::string headerLine()
    {
        static const std::vector<std::string> spaces = {" ", "\t", "\r", "\n"};
        static const std::vector<std::string> digits = {"0", "1", "9", "x", "-", " "};
        return pick({"", "", "//", "/"}) + repeat(spaces, 2) +
               pick({"[fltsim.", "[FLTSIM.", "[FltSim.", "[fltsim", "fltsim.", "[fltsim.["}) +
               repeat(digits, 4) + pick({"]", "]", "", "]]", "] //c"}) + repeat(spaces, 2);
    }

    std::string ivaoPath()
    {
        static const std::vector<std::string> parts = {"D:",         "AI",         "IVAO_MTL", "ivao_mtl",
                                                       "IVAO_B738w", "IVAO_",      "IVAO_B-7", "IVAO_A_1",
                                                       "x",          "ivao_x-csl", "a\rb"};
        std::string path;
        const int count = std::uniform_int_distribution<int>(0, 4)(random_);
        for (int i = 0; i < count; ++i)
        {
            path += pick(parts) + pick({"\\", "\\", "/"});
        }
        return path + pick({"IVAO_MTL\\IVAO_B738w\\", "ivao_mtl\\Ivao_T154\\", "IVAO_MTL\\", ""}) +
               pick({"aircraft.cfg", "AIRCRAFT.CFG", "aircraftXcfg", "aircraft.cfgx", "sim.cfg",
                     "aircraft\r"
                     "cfg"});
    }

    std::string ivaoTitle(const std::string& type)
    {
        static const std::vector<std::string> chars = {"A",  "a", "1",  "_",  " ",
                                                       "\t", "-", "\r", "\n", "\xE9"};
        return pick({type, type, "b738", "B73", ""}) + repeat(chars, 7);
    }

  private:
    std::mt19937 random_;
};

TEST(CfgLinesTest, KeyLinesAgreeWithThePattern)
{
    LineMaker maker(7);
    for (const std::string key : {"title", "sim", "model", "texture", "atc_id", "atc_parking_types",
                                  "atc_parking_codes", "atc_model"})
    {
        const std::regex pattern = keyPattern(key);
        for (int i = 0; i < 3000; ++i)
        {
            const std::string line = maker.keyLine(key);
            ASSERT_EQ(gf_regexValue(line, key), patternValue(line, pattern, 2)) << key << " [" << line << "]";
        }
    }
}

TEST(CfgLinesTest, HeadersAgreeWithThePattern)
{
    LineMaker maker(11);
    for (int i = 0; i < 20000; ++i)
    {
        const std::string line = maker.headerLine();
        std::string expected;
        if (!(line.size() >= 2 && line.starts_with("//")))
        {
            expected = patternValue(line, kHeaderPattern, 2);
            if (expected.empty() &&
                (line.find("[fltsim.") != std::string::npos || line.find("[FLTSIM.") != std::string::npos))
            {
                expected = "10000";
            }
        }
        ASSERT_EQ(gf_fltSimNumber(line), expected) << "[" << line << "]";
    }
}

TEST(CfgLinesTest, IvaoPathsAgreeWithThePattern)
{
    LineMaker maker(13);
    for (int i = 0; i < 20000; ++i)
    {
        const std::string path = maker.ivaoPath();
        ASSERT_EQ(gf_ivaoPathCode(path), patternGroup(path, kIvaoPathPattern)) << "[" << path << "]";
    }
}

TEST(CfgLinesTest, IvaoTitlesAgreeWithThePattern)
{
    LineMaker maker(17);
    for (const std::string type : {"B738", "A320", "GLID", ""})
    {
        const std::regex pattern(type + "\\s*(\\w\\w\\w).*$", kFlags);
        for (int i = 0; i < 5000; ++i)
        {
            const std::string title = maker.ivaoTitle(type);
            ASSERT_EQ(gf_ivaoTitleAirline(title, type), patternGroup(title, pattern)) << "[" << title << "]";
        }
    }
}

struct ExtractRow
{
    const char* name;
    std::string line;
    bool (*extract)(std::string_view, std::string&);
    bool matches;
    std::string value;
};

void PrintTo(const ExtractRow& row, std::ostream* os)
{
    *os << row.name;
}

class ExtractTest : public ::testing::TestWithParam<ExtractRow>
{
};

TEST_P(ExtractTest, SetsTheValueOnlyForItsKey)
{
    std::string out = "unchanged";
    EXPECT_EQ(GetParam().extract(GetParam().line, out), GetParam().matches);
    EXPECT_EQ(out, GetParam().matches ? GetParam().value : "unchanged");
}

INSTANTIATE_TEST_SUITE_P(
    CfgLines, ExtractTest,
    ::testing::Values(
        ExtractRow{"Title", "title=B738 BAW", gf_extractTitle, true, "B738 BAW"},
        ExtractRow{"TitleBlanksAround", "  Title =  B738 BAW \t", gf_extractTitle, true, "B738 BAW"},
        ExtractRow{"TitleCrAtEnd", "title=B738\r", gf_extractTitle, true, "B738"},
        ExtractRow{"TitleBlankValue", "title=   ", gf_extractTitle, false, ""},
        ExtractRow{"TitleOtherKey", "titles=x", gf_extractTitle, false, ""},
        ExtractRow{"TitleCommented", "//title=x", gf_extractTitle, false, ""},
        ExtractRow{"Sim", "SIM=B738", gf_extractSim, true, "B738"},
        ExtractRow{"Model", "model=", gf_extractModel, false, ""},
        ExtractRow{"Texture", "texture=BAW [remark]", gf_extractTexture, true, "BAW [remark]"},
        ExtractRow{"AtcId", "atc_id=N123AB ;c", gf_extractAtcId, true, "N123AB ;c"},
        ExtractRow{"ParkingTypes", "atc_parking_types=GATE_HEAVY, cargo", gf_extractParkingTypes, true,
                   "GATE_HEAVY, cargo"},
        ExtractRow{"ParkingCodeFirst", "atc_parking_codes= BAW ,SHT", gf_extractParkingCode, true, "BAW"},
        ExtractRow{"ParkingCodeEmptyFirst", "atc_parking_codes=,SHT", gf_extractParkingCode, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CfgLinesTest, AtcModelAndPresenceTests)
{
    EXPECT_EQ(gf_extractAtcModel("atc_model = b738 "), "b738");
    EXPECT_EQ(gf_extractAtcModel("atc_type=B738"), "");
    EXPECT_TRUE(gf_hasAtcIdKey("//atc_id=x"));
    EXPECT_FALSE(gf_hasAtcIdKey("atc_id =x"));
    EXPECT_TRUE(gf_hasParkingTypesKey("x atc_parking_types"));
    EXPECT_FALSE(gf_hasParkingTypesKey("ATC_PARKING_TYPES=x"));
}

TEST(CfgLinesTest, IvaoTitleComparesTheTypeLiterally)
{
    EXPECT_EQ(gf_ivaoTitleAirline("B7.8 AAL", "B7.8"), std::optional<std::string>("AAL"));
    EXPECT_EQ(gf_ivaoTitleAirline("B778 AAL", "B7.8"), std::nullopt);
    EXPECT_EQ(gf_ivaoTitleAirline("x(AAL", "x("), std::optional<std::string>("AAL"));
}

TEST(CfgLinesTest, LongLinesAreMatchedWithoutRecursion)
{
    const std::string blanks(4'000'000, ' ');
    EXPECT_EQ(gf_fltSimNumber(blanks + "[fltsim.1]" + blanks), "1");
    EXPECT_EQ(gf_regexValue("title=" + blanks + "x" + blanks, "title"), "x");
    EXPECT_EQ(gf_regexValue("title=" + std::string(4'000'000, 'y'), "title").size(), 4'000'000u);
    EXPECT_EQ(gf_ivaoPathCode("D:" + std::string(4'000'000, 'a') + "\\IVAO_MTL\\IVAO_B738w\\aircraft.cfg"),
              std::optional<std::string>("B738w"));
}

} // namespace
} // namespace oxl
