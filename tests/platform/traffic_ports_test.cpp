// Moving the traffic source's UDP ports through the environment.
#include "platform/traffic_ports.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace oxl
{
namespace
{

struct PortCase
{
    const char* name;
    std::optional<std::string> value;
    std::uint16_t expected;
};

class PortFromEnvironment : public ::testing::TestWithParam<PortCase>
{
};

TEST_P(PortFromEnvironment, GivesThePortOrTheFallback)
{
    const test::ScopedEnv env("OXL_TEST_PORT", GetParam().value);
    EXPECT_EQ(plat::portFromEnvironment("OXL_TEST_PORT", 49005), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, PortFromEnvironment,
                         ::testing::Values(PortCase{"Unset", std::nullopt, 49005},
                                           PortCase{"Port", std::string("49105"), 49105},
                                           PortCase{"Highest", std::string("65535"), 65535},
                                           PortCase{"Zero", std::string("0"), 49005},
                                           PortCase{"TooLarge", std::string("65536"), 49005},
                                           PortCase{"Empty", std::string(""), 49005},
                                           PortCase{"TrailingText", std::string("49105x"), 49005},
                                           PortCase{"Negative", std::string("-1"), 49005}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl
