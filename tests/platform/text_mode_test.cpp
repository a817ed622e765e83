#include "platform/text_mode.h"

#include "tests/support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace oxl::plat
{
namespace
{

struct TextModeCase
{
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

void PrintTo(const TextModeCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextMode : public testing::TestWithParam<TextModeCase>
{
};

TEST_P(TextMode, ReadsLinesFromDisk)
{
    oxl::test::TempFolder folder;
    const auto file = folder / "text.txt";
    oxl::test::writeBytes(file, GetParam().bytes);
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (getTextLine(in, line))
    {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Files, TextMode,
                         testing::Values(TextModeCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                                         TextModeCase{"Lf", "a\nb\n", {"a", "b"}},
                                         TextModeCase{"LastLineWithoutBreak", "a\r\nb", {"a", "b"}},
                                         TextModeCase{"LoneCrStays", "a\rb\r\n", {"a\rb"}},
                                         TextModeCase{"CrAtEndOfFileStays", "a\r", {"a\r"}},
                                         TextModeCase{"OnlyOneCrDropped", "a\r\r\n", {"a\r"}},
                                         TextModeCase{"EmptyLines", "\r\n\n", {"", ""}},
                                         TextModeCase{"EmptyFile", "", {}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl::plat
