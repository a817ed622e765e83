#include "platform/win32_error.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace oxl::plat
{
namespace
{

TEST(Win32Error, ErrnoMapsOntoWindowsNumbers)
{
    const std::pair<int, std::uint32_t> cases[] = {{ENOENT, 2},    {ENOTDIR, 3},  {EACCES, 5},
                                                   {EEXIST, 183},  {ENOSPC, 112}, {ENOTEMPTY, 145},
                                                   {EILSEQ, 1113}, {0, 0}};
    for (const auto& [e, code] : cases)
    {
        EXPECT_EQ(win32FromErrno(e), code) << "errno " << e;
    }
}

TEST(Win32Error, LastErrorOfAFailedOpen)
{
    errno = 0;
    ASSERT_EQ(std::fopen("/nonexistent-folder-of-oxl/x", "r"), nullptr);
    EXPECT_EQ(lastError(), kErrorFileNotFound);
}

TEST(Win32Error, TextsAndCategory)
{
    EXPECT_EQ(errorText(2), "The system cannot find the file specified.");
    EXPECT_EQ(errorText(123456), "Win32 error 123456");
    const std::error_code ec(1113, win32Category());
    EXPECT_EQ(ec.message(),
              "No mapping for the Unicode character exists in the target multi-byte code page.");
}

} // namespace
} // namespace oxl::plat
