// Strict conversion between UTF-8 (the program's text) and UTF-16 (the Windows interfaces' text).
#pragma once

#include <string>
#include <string_view>

namespace oxl
{

/// UTF-8 to UTF-16; invalid input raises win32::Utf8ConversionException (1113, direction 0), nothing is
/// replaced; more than 2,147,483,647 bytes raise std::overflow_error.
std::u16string gf_utf8ToUtf16(std::string_view text);
/// True when the whole text is valid UTF-8.
bool gf_isUtf8(std::string_view text);
/// Any 8-bit text as UTF-8 that XML 1.0 allows: each byte that starts no valid UTF-8 character, each
/// control character but tab, line feed and carriage return, and the bytes of U+FFFE and U+FFFF become the
/// private-use character U+F700 plus the byte (so do the bytes of such a private-use character already in
/// the text).
std::string gf_escapeBytes(std::string_view text);
/// The 8-bit text that gf_escapeBytes was given.
std::string gf_restoreBytes(std::string_view text);
/// The text for a person to read: valid UTF-8 as it is, each byte that starts no character as "\xe9".
std::string gf_showBytes(std::string_view text);
/// UTF-16 to UTF-8; an unpaired surrogate raises win32::Utf8ConversionException (1113, direction 1);
/// more than 2,147,483,647 units raise std::overflow_error.
std::string gf_utf16ToUtf8(std::u16string_view text);

} // namespace oxl
