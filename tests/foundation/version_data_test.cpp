#include "foundation/version_data.h"

#include "tests/support/log_capture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace oxl
{
namespace
{

struct TextCase
{
    const char* name;
    const char* text;
    VersionData expected;
    bool logged; ///< whether the constructor logs a failure
};

void PrintTo(const TextCase& row, std::ostream* out)
{
    *out << row.name;
}

class VersionFromText : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(VersionFromText, GivesTheNumbers)
{
    const TextCase& row = GetParam();
    test::LogCapture log;

    const VersionData version(row.text);

    EXPECT_EQ(version, row.expected) << version.toString();
    const auto lines = log.lines();
    if (row.logged)
    {
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("VersionData exception: ", 0), 0u) << lines[0];
    }
    else
    {
        EXPECT_TRUE(lines.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VersionFromText,
    ::testing::Values(
        TextCase{"Dotted", "11.0.4", {11, 0, 4}, false},
        TextCase{"AnySeparator", "11-0-4", {11, 0, 4}, false},
        TextCase{"LongerNumbers", "2024.10.123", {2024, 10, 123}, false},
        // Any character separates, digits included: the first group takes the shortest run.
        TextCase{"DigitsOnly", "12345", {1, 3, 5}, false},
        TextCase{"FourNumbers", "1.2.3.4", {0, 0, 0}, true},
        TextCase{"LineBreakIsNoSeparator", "1\n2.3", {0, 0, 0}, true},
        TextCase{"Empty", "", {0, 0, 0}, false},
        // "11.0" is a JSON number, not an object: no version and nothing to report.
        TextCase{"TwoNumbers", "11.0", {0, 0, 0}, false},
        TextCase{"LeadingLetter", "v11.0.4", {0, 0, 0}, true}, TextCase{"Garbage", "abc", {0, 0, 0}, true},
        TextCase{"JsonMajorOnly", R"({"major": 2})", {2, 0, 0}, false},
        TextCase{"JsonAll", R"({"major": 1, "minor": 2, "patch": 3})", {1, 2, 3}, false},
        TextCase{"JsonBadMinorKeepsMajor", R"({"major": 1, "minor": "x", "patch": 3})", {1, 0, 0}, true},
        TextCase{"JsonFraction", R"({"major": 1.5})", {0, 0, 0}, true},
        TextCase{"NumberTooLarge", "3000000000.0.0", {0, 0, 0}, true},
        TextCase{"JsonTooLarge", R"({"major": 3000000000})", {0, 0, 0}, true},
        TextCase{"JsonNegative", R"({"major": 2, "minor": -1})", {2, 0, 0}, true}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(VersionData, OrdersNumberByNumber)
{
    EXPECT_LT(VersionData(1, 2, 3), VersionData(1, 2, 4));
    EXPECT_LT(VersionData(1, 9, 9), VersionData(2, 0, 0));
    EXPECT_GT(VersionData(1, 3, 0), VersionData(1, 2, 99));
    EXPECT_LT(VersionData(-1, 0, 0), VersionData(0, 0, 0));
    EXPECT_EQ(VersionData("1.2.3"), VersionData(1, 2, 3));
}

TEST(VersionData, TextForm)
{
    EXPECT_EQ(VersionData(11, 0, 4).toString(), "11.0.4");
    EXPECT_EQ(gProgramVersion.toString(), "11.0.4");
}

TEST(VersionFromJson, RequiredMembersMustAllBeThere)
{
    EXPECT_EQ(gf_versionFromJson(nlohmann::json::parse(R"({"major":1,"minor":2,"patch":3})"), true),
              VersionData(1, 2, 3));
    EXPECT_THROW(gf_versionFromJson(nlohmann::json::parse(R"({"major":1,"minor":2})"), true), std::exception);
    EXPECT_EQ(gf_versionFromJson(nlohmann::json::parse(R"({"major":1,"minor":2})"), false),
              VersionData(1, 2, 0));
    EXPECT_THROW(gf_versionFromJson(nlohmann::json::parse(R"("1.2.3")"), false), std::exception);
}

} // namespace
} // namespace oxl
