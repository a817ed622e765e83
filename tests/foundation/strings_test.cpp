#include "foundation/strings.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{
using Pieces = std::vector<std::string>;

TEST(Strings, Trim)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  a b \r\n", "a b"}, {" \t", ""}, {"", ""}, {"x", "x"}, {"\vx\f", "\vx\f"}, {"\ta\tb\t", "a\tb"}};
    for (const auto& [in, out] : cases)
    {
        EXPECT_EQ(gf_trim(in), out) << in;
    }
}

TEST(Strings, SplitCommaVector)
{
    const std::pair<std::string, Pieces> cases[] = {
        {"a, b,,c,", {"a", "b", "", "c", ""}}, {"", {}}, {",", {"", ""}}, {" x ", {"x"}},
        {"KLAX , KSFO", {"KLAX", "KSFO"}},
    };
    for (const auto& [in, out] : cases)
    {
        EXPECT_EQ(gf_splitCommaVector(in), out) << in;
        EXPECT_EQ(gf_splitCommaTrim(in), out) << in;
    }
    EXPECT_EQ(gf_splitString("a; b;", ';'), (Pieces{"a", "b", ""}));
}

TEST(Strings, SplitCommaSet)
{
    EXPECT_EQ(gf_splitCommaSet("b,a,b"), (std::list<std::string>{"a", "b"}));
    EXPECT_EQ(gf_splitCommaSet(" b,b"), (std::list<std::string>{" b", "b"}));
    EXPECT_EQ(gf_splitCommaSet("a,"), (std::list<std::string>{"", "a"}));
    EXPECT_TRUE(gf_splitCommaSet("").empty());
}

TEST(Strings, TrimCommaList)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a , b", "a,b"}, {"a,b", "a,b"}, {" a,,b ", "a,,b"}, {"", ""}, {"a,\tb,", "a,b,"}};
    for (const auto& [in, out] : cases)
    {
        std::string text = in;
        gf_trimCommaList(text);
        EXPECT_EQ(text, out) << in;
    }
}

TEST(Strings, CaseInsensitiveTests)
{
    EXPECT_TRUE(gf_containsNoCase("Lockheed Martin Prepar3D", "prepar3d"));
    EXPECT_TRUE(gf_containsNoCase("abc", ""));
    EXPECT_TRUE(gf_containsNoCase("", ""));
    EXPECT_FALSE(gf_containsNoCase("", "a"));
    EXPECT_FALSE(gf_containsNoCase("airpor", "AIRPORT"));
    // Bytes >= 0x80 are compared as they are, without undefined behaviour.
    EXPECT_TRUE(gf_containsNoCase("Z\xC3\xBCrich", "z\xC3\xBC"));
    EXPECT_FALSE(gf_containsNoCase("\xC3\xBC", "\xC3\x9C"));

    EXPECT_TRUE(gf_equalsUpperCased(".XML", ".xml"));
    EXPECT_TRUE(gf_equalsUpperCased(".XML", ".XmL"));
    EXPECT_FALSE(gf_equalsUpperCased(".xml", ".xml"));
    EXPECT_FALSE(gf_equalsUpperCased(".XML", ".xm"));
    EXPECT_TRUE(gf_equalsUpperCased("\xE9", "\xE9"));
}

TEST(Strings, EqualsWithStar)
{
    EXPECT_TRUE(gf_equalsWithStar("ab", "ab*"));
    EXPECT_FALSE(gf_equalsWithStar("ab", "abc*"));
    EXPECT_FALSE(gf_equalsWithStar("ab", "ab"));
    EXPECT_FALSE(gf_equalsWithStar("ab", "abx"));
    EXPECT_TRUE(gf_equalsWithStar("", "*"));
    EXPECT_FALSE(gf_equalsWithStar("", ""));
}

TEST(Strings, ExtractPathTag)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  <Path>SimObjects\\Airplanes</Path>", "SimObjects\\Airplanes"},
        {"<Path></Path>", ""},
        {"<Path>a", ""},
        {"a</Path>", ""},
        {"</Path><Path>x", ""},
        {"<Path>a</Path><Path>b</Path>", "a"},
    };
    for (const auto& [in, out] : cases)
    {
        EXPECT_EQ(gf_extractPathTag(in), out) << in;
    }
}

TEST(Strings, PluralEndings)
{
    EXPECT_EQ(gf_pluralS(0), "s");
    EXPECT_EQ(gf_pluralS(1), "");
    EXPECT_EQ(gf_pluralS(2), "s");
    EXPECT_EQ(gf_pluralS(-2), "");
    EXPECT_EQ(gf_pluralS32(-1), "");
    EXPECT_EQ(gf_pluralS32(7), "s");
    EXPECT_EQ(gf_pluralSU64(0), "s");
    EXPECT_EQ(gf_pluralSU64(1), "");
    EXPECT_EQ(gf_pluralSU64(UINT64_MAX), "s");
}

} // namespace
} // namespace oxl
