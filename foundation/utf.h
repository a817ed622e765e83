// Strict conversion between UTF-8 (the program's text) and UTF-16 (the Windows interfaces' text).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace oxl
{

/// UTF-8 to UTF-16; invalid input raises win32::Utf8ConversionException (1113, direction 0), nothing is
/// replaced; more than 2,147,483,647 bytes raise std::overflow_error.
std::u16string gf_utf8ToUtf16(std::string_view text);
/// True when the whole text is valid UTF-8.
bool gf_isUtf8(std::string_view text);
/// Any 8-bit text as UTF-8 that XML 1.0 allows, reversibly (the form the program's own files store; what a
/// person reads is gf_showBytes): each byte that starts no valid UTF-8 character, each
/// control character but tab, line feed and carriage return, and the bytes of U+FFFE and U+FFFF become the
/// private-use character U+F700 plus the byte (so do the bytes of such a private-use character already in
/// the text).
std::string gf_escapeBytes(std::string_view text);
/// The 8-bit text that gf_escapeBytes was given.
std::string gf_restoreBytes(std::string_view text);
/// How gf_showBytes writes a backslash: kept as it is (a whole text: the program's own, with its Windows
/// paths), or doubled (a field of outside text, so that its own "\n" cannot pass for an escape).
enum class Backslash
{
    kept,
    doubled,
};
/// The one rule by which text of any bytes is shown to a person, on one line and as valid UTF-8 (the log,
/// the window, the files written for people): characters as they are, but a line feed, carriage return
/// and tab as "\n", "\r" and "\t", and every byte of any other control character (C0, DEL, C1), of a line
/// or paragraph separator and of a bidirectional control, and every byte that starts no valid character,
/// as "\xe9". At most `limit` bytes are shown; `taken`, when given, receives how many bytes of the text
/// they show (only whole characters and whole escapes are shown).
std::string gf_showBytes(std::string_view text, Backslash backslash = Backslash::kept,
                         std::size_t limit = std::string_view::npos, std::size_t* taken = nullptr);
/// UTF-16 to UTF-8; an unpaired surrogate raises win32::Utf8ConversionException (1113, direction 1);
/// more than 2,147,483,647 units raise std::overflow_error.
std::string gf_utf16ToUtf8(std::u16string_view text);

} // namespace oxl
