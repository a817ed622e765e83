#include "platform/traffic_ports.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace oxl::plat
{

namespace
{

// The number in the environment variable when it holds one from 1 to `largest` (digits only).
std::optional<std::uint64_t> numberFromEnvironment(const char* name, std::uint64_t largest)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    const std::string_view text(value);
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number == 0 || number > largest)
        return std::nullopt;
    return number;
}

} // namespace

std::uint16_t portFromEnvironment(const char* name, std::uint16_t fallback)
{
    return static_cast<std::uint16_t>(numberFromEnvironment(name, 65535).value_or(fallback));
}

std::size_t bytesFromEnvironment(const char* name, std::size_t fallback)
{
    return static_cast<std::size_t>(numberFromEnvironment(name, SIZE_MAX).value_or(fallback));
}

} // namespace oxl::plat
