#include "foundation/errors.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

TEST(Errors, UserErrorText)
{
    struct Case
    {
        int code;
        const char* message;
        const char* text;
    };
    const Case cases[] = {{99, "abc", "abc"},
                          {98, "abc", "98: abc"},
                          {0, "", "0: "},
                          {81, "abc", "81: abc"},
                          {5, "Filesystem error: x", "5: Filesystem error: x"},
                          {-1, "m", "-1: m"}};
    for (const Case& c : cases)
    {
        try
        {
            throw UserErrorException(c.code, c.message);
        }
        catch (const std::exception& e)
        {
            EXPECT_STREQ(e.what(), c.text);
        }
        try
        {
            throw UserErrorException(c.code, c.message);
        }
        catch (const std::runtime_error& e)
        {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    static_assert(sizeof(UserErrorException) == sizeof(std::runtime_error));
}

TEST(Errors, Utf8ConversionCarriesCodeAndDirection)
{
    const win32::Utf8ConversionException original("Invalid UTF-16 sequence found in input string.", 1113, 1);
    const win32::Utf8ConversionException copy = original;
    EXPECT_STREQ(copy.what(), "Invalid UTF-16 sequence found in input string.");
    EXPECT_EQ(copy.errorCode(), 1113u);
    EXPECT_EQ(copy.direction(), win32::Utf8ConversionException::kFromUtf16);
}

TEST(Errors, RegExceptionComposesTheSystemText)
{
    const winreg::RegException e(2, "RegOpenKeyExW failed.");
    EXPECT_EQ(e.code().value(), 2);
    EXPECT_STREQ(e.what(), "RegOpenKeyExW failed.: The system cannot find the file specified.");
    const std::system_error& base = e;
    EXPECT_EQ(base.code().category().message(234), "More data is available.");
}

} // namespace
} // namespace oxl
