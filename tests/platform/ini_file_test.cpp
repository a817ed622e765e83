// Private-profile lookups: case-insensitive names, first section and key win, blanks and quotes.
#include "platform/ini_file.h"

#include <gtest/gtest.h>

namespace oxl::plat
{
namespace
{

const char* kText = "\xEF\xBB\xBF; settings of the link\r\n"
                    "[SimConnect]\r\n"
                    "  Protocol = IPv4  \r\n"
                    "Address=\"127.0.0.1\"\r\n"
                    "Port='500'\r\n"
                    "port=600\r\n"
                    "Empty=\r\n"
                    "[SIMCONNECT.1]\r\n"
                    "; only a comment\r\n"
                    "[SimConnect.2]\r\n"
                    "MaxReceiveSize=100000\r\n"
                    "[simconnect]\r\n"
                    "Protocol=Pipe\r\n";

struct Lookup
{
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

class IniLookup : public ::testing::TestWithParam<Lookup>
{
};

TEST_P(IniLookup, FindsTheValue)
{
    const IniFile ini = IniFile::parse(kText);
    EXPECT_EQ(ini.value(GetParam().section, GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniLookup,
    ::testing::Values(Lookup{"SimConnect", "Protocol", "IPv4"}, Lookup{"simconnect", "PROTOCOL", "IPv4"},
                      Lookup{"SimConnect", "Address", "127.0.0.1"}, Lookup{"SimConnect", "Port", "500"},
                      Lookup{"SimConnect", "Empty", ""}, Lookup{"SimConnect", "Missing", std::nullopt},
                      Lookup{"SimConnect.2", "MaxReceiveSize", "100000"},
                      Lookup{"SimConnect.3", "Protocol", std::nullopt}));

TEST(IniFile, SectionContentIgnoresComments)
{
    const IniFile ini = IniFile::parse(kText);
    EXPECT_TRUE(ini.sectionHasContent("SimConnect.2"));
    EXPECT_FALSE(ini.sectionHasContent("SimConnect.1"));
    EXPECT_FALSE(ini.sectionHasContent("SimConnect.9"));
}

TEST(IniFile, UnreadableFileIsNoFile)
{
    EXPECT_FALSE(IniFile::load("/nonexistent/SimConnect.cfg"));
}

} // namespace
} // namespace oxl::plat
