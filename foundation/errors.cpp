#include "foundation/errors.h"

#include "platform/win32_error.h"

#include <fmt/format.h>

namespace oxl
{
namespace
{
// Code 99 marks messages that are complete in themselves.
constexpr int kMessageOnlyCode = 99;

std::string userErrorText(int code, const std::string& message)
{
    return code == kMessageOnlyCode ? message : fmt::format("{}: {}", code, message);
}
} // namespace

UserErrorException::UserErrorException(int code, const std::string& message)
    : std::runtime_error(userErrorText(code, message))
{
}

namespace win32
{
Utf8ConversionException::Utf8ConversionException(const std::string& message, std::uint32_t errorCode,
                                                 std::uint32_t direction)
    : std::runtime_error(message), errorCode_(errorCode), direction_(direction)
{
}
} // namespace win32

namespace winreg
{
RegException::RegException(std::uint32_t errorCode, const std::string& message)
    : std::system_error(static_cast<int>(errorCode), plat::win32Category(), message)
{
}
} // namespace winreg

} // namespace oxl
