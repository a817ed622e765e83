// The program's own exception types.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>

namespace oxl
{

/// An error the user has to act on; its text is "{code}: {message}", or the message alone for code 99.
class UserErrorException : public std::runtime_error
{
  public:
    /// Builds the text from the raising place's code and the message.
    UserErrorException(int code, const std::string& message);
};

namespace win32
{
/// A failed UTF-8/UTF-16 conversion, with the Windows error number and the direction of the conversion.
class Utf8ConversionException : public std::runtime_error
{
  public:
    /// Direction of a conversion from UTF-8 to UTF-16.
    static constexpr std::uint32_t kFromUtf8 = 0;
    /// Direction of a conversion from UTF-16 to UTF-8.
    static constexpr std::uint32_t kFromUtf16 = 1;

    /// Holds the message, the Windows error number and the direction.
    Utf8ConversionException(const std::string& message, std::uint32_t errorCode, std::uint32_t direction);
    /// The Windows error number of the failed conversion (1113: no Unicode translation).
    std::uint32_t errorCode() const noexcept { return errorCode_; }
    /// 0 for UTF-8 to UTF-16, 1 for UTF-16 to UTF-8.
    std::uint32_t direction() const noexcept { return direction_; }

  private:
    std::uint32_t errorCode_;
    std::uint32_t direction_;
};
} // namespace win32

namespace winreg
{
/// A failed registry call: the Windows error number in the Windows error category, and a message.
class RegException : public std::system_error
{
  public:
    /// what() is composed from the message and the system's text of the code.
    RegException(std::uint32_t errorCode, const std::string& message);
};
} // namespace winreg

} // namespace oxl
