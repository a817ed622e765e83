#include "platform/traffic_ports.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace oxl::plat
{

std::uint16_t portFromEnvironment(const char* name, std::uint16_t fallback)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return fallback;
    const std::string_view text(value);
    std::uint32_t port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535)
        return fallback;
    return static_cast<std::uint16_t>(port);
}

} // namespace oxl::plat
