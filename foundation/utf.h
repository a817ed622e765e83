// Strict conversion between UTF-8 (the program's text) and UTF-16 (the Windows interfaces' text).
#pragma once

#include <string>
#include <string_view>

namespace oxl
{

/// UTF-8 to UTF-16; invalid input raises win32::Utf8ConversionException (1113, direction 0), nothing is
/// replaced; more than 2,147,483,647 bytes raise std::overflow_error.
std::u16string gf_utf8ToUtf16(std::string_view text);
/// UTF-16 to UTF-8; an unpaired surrogate raises win32::Utf8ConversionException (1113, direction 1);
/// more than 2,147,483,647 units raise std::overflow_error.
std::string gf_utf16ToUtf8(std::u16string_view text);

} // namespace oxl
