#include "foundation/utf.h"

#include "foundation/errors.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{
using win32::Utf8ConversionException;

TEST(Utf, ValidTextConvertsBothWays)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"Z\xC3\xBCrich", u"Z\u00FCrich"},
        {"\xE2\x82\xAC 5", u"\u20AC 5"},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"\xEF\xBB\xBFx", u"\uFEFFx"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& [utf8, utf16] : cases)
    {
        EXPECT_EQ(gf_utf8ToUtf16(utf8), utf16) << utf8;
        EXPECT_EQ(gf_utf16ToUtf8(utf16), utf8) << utf8;
    }
}

TEST(Utf, EveryCharacterRoundTrips)
{
    std::u16string all;
    for (char32_t c = 1; c < 0x10000; ++c)
    {
        if (c < 0xD800 || c > 0xDFFF)
        {
            all.push_back(static_cast<char16_t>(c));
        }
    }
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 0x3FF)
    {
        all.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        all.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    EXPECT_EQ(gf_utf8ToUtf16(gf_utf16ToUtf8(all)), all);
}

TEST(Utf, EscapedTextIsXmlAndRestoresEveryByte)
{
    struct Row
    {
        std::string text, escaped, shown;
        bool utf8;
    };
    const Row rows[] = {
        {"Caf\xE9", "Caf\xEF\x9F\xA9", "Caf\\xe9", false},               // an ANSI byte: U+F7E9
        {"Bell\x01 end", "Bell\xEF\x9C\x81 end", "Bell\\x01 end", true}, // control: U+F701
        {std::string("a\0 b", 4), "a\xEF\x9C\x80 b", "a\\x00 b", true},  // NUL: U+F700
        {"\t\n\r\x7F", "\t\n\r\x7F", "\\t\\n\\r\\x7f", true},            // allowed in XML
        {"x\xEF\xBF\xBE", "x\xEF\x9F\xAF\xEF\x9E\xBF\xEF\x9E\xBE", "x\xEF\xBF\xBE", true}, // U+FFFE
        {"\xEF\x9F\xA9", "\xEF\x9F\xAF\xEF\x9E\x9F\xEF\x9E\xA9", "\xEF\x9F\xA9", true},    // U+F7E9 itself
        {"\xEF\x9C\xA0", "\xEF\x9C\xA0", "\xEF\x9C\xA0", true}, // U+F720 is no escape
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(gf_escapeBytes(row.text), row.escaped) << testing::PrintToString(row.text);
        EXPECT_EQ(gf_restoreBytes(row.escaped), row.text) << testing::PrintToString(row.text);
        EXPECT_EQ(gf_showBytes(row.text), row.shown) << testing::PrintToString(row.text);
        EXPECT_EQ(gf_isUtf8(row.text), row.utf8) << testing::PrintToString(row.text);
    }
}

TEST(Utf, InvalidUtf8FailsLikeTheSystemConverter)
{
    const std::string cases[] = {
        "\xC3\x28",             // second byte not a continuation
        "\x80",                 // continuation without a lead
        "\xC0\xAF",             // overlong '/'
        "\xE0\x80\xAF",         // overlong in three bytes
        "\xED\xA0\x80",         // an encoded surrogate
        "\xF4\x90\x80\x80",     // past U+10FFFF
        "\xF8\x88\x80\x80\x80", // five-byte lead
        "ok\xE2\x82",           // cut short at the end
        "\xFF",
    };
    for (const std::string& bytes : cases)
    {
        try
        {
            (void)gf_utf8ToUtf16(bytes);
            ADD_FAILURE() << "no exception for " << testing::PrintToString(bytes);
        }
        catch (const Utf8ConversionException& e)
        {
            EXPECT_STREQ(e.what(), "Invalid UTF-8 sequence found in input string.");
            EXPECT_EQ(e.errorCode(), 1113u);
            EXPECT_EQ(e.direction(), 0u);
        }
    }
}

TEST(Utf, UnpairedSurrogatesFail)
{
    const std::u16string cases[] = {u"\xD800", u"\xDC00",
                                    u"\xD800"
                                    u"a",
                                    u"a\xD83D", u"\xDE00\xD83D"};
    for (const std::u16string& units : cases)
    {
        try
        {
            (void)gf_utf16ToUtf8(units);
            ADD_FAILURE() << "no exception";
        }
        catch (const Utf8ConversionException& e)
        {
            EXPECT_STREQ(e.what(), "Invalid UTF-16 sequence found in input string.");
            EXPECT_EQ(e.errorCode(), 1113u);
            EXPECT_EQ(e.direction(), 1u);
        }
    }
}

} // namespace
} // namespace oxl
