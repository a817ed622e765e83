#include "foundation/utf.h"

#include "foundation/errors.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace oxl
{
namespace
{
using win32::Utf8ConversionException;

void checkLength(std::size_t units)
{
    if (units > static_cast<std::size_t>(INT_MAX))
    {
        throw std::overflow_error("Input string too long: size_t-length doesn't fit into int.");
    }
}

[[noreturn]] void invalidUtf8()
{
    throw Utf8ConversionException("Invalid UTF-8 sequence found in input string.",
                                  plat::kErrorNoUnicodeTranslation, Utf8ConversionException::kFromUtf8);
}

[[noreturn]] void invalidUtf16()
{
    throw Utf8ConversionException("Invalid UTF-16 sequence found in input string.",
                                  plat::kErrorNoUnicodeTranslation, Utf8ConversionException::kFromUtf16);
}

// Bytes that are not UTF-8, and the control characters that XML 1.0 forbids, travel as private-use
// characters, U+F700 plus the byte: U+F780..U+F7FF for the bytes, U+F700..U+F71F for the controls (all
// but tab, line feed and carriage return, which XML allows).
constexpr char32_t kEscapeBase = 0xF700;

bool isXmlForbiddenControl(char32_t c)
{
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// The bytes that gf_escapeBytes may write as U+F700 plus the byte.
bool isEscapedByte(char32_t byte)
{
    return byte >= 0x80 || isXmlForbiddenControl(byte);
}

bool isEscapeCharacter(char32_t cp)
{
    return cp >= kEscapeBase && cp <= kEscapeBase + 0xFF && isEscapedByte(cp - kEscapeBase);
}

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 character at p and its code point in cp; 0 when no valid character starts there.
std::size_t decodeOne(const unsigned char* p, const unsigned char* end, char32_t& cp)
{
    const unsigned char lead = *p;
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80)
    {
        cp = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
    {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    }
    else
    {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < length)
    {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i)
    {
        if (!isContinuation(p[i]))
        {
            return 0;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, encoded surrogates and code points past U+10FFFF are not characters.
    return cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0 : length;
}

// Calls each(bytes, length, code point) for every character of the text; length 0 marks a byte that
// starts no character.
template <typename Each> void forEachCharacter(std::string_view text, Each each)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end)
    {
        char32_t cp = 0;
        const std::size_t length = decodeOne(p, end, cp);
        each(p, length, cp);
        p += std::max<std::size_t>(length, 1);
    }
}
} // namespace

std::u16string gf_utf8ToUtf16(std::string_view text)
{
    if (text.empty())
    {
        return {};
    }
    checkLength(text.size());
    std::u16string out;
    out.reserve(text.size());
    forEachCharacter(text,
                     [&out](const unsigned char* /*bytes*/, std::size_t length, char32_t cp)
                     {
                         if (length == 0)
                         {
                             invalidUtf8();
                         }
                         if (cp >= 0x10000)
                         {
                             cp -= 0x10000;
                             out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
                             out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
                         }
                         else
                         {
                             out.push_back(static_cast<char16_t>(cp));
                         }
                     });
    return out;
}

bool gf_isUtf8(std::string_view text)
{
    bool valid = true;
    forEachCharacter(text, [&valid](const unsigned char* /*bytes*/, std::size_t length, char32_t /*cp*/)
                     { valid = valid && length != 0; });
    return valid;
}

std::string gf_escapeBytes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    forEachCharacter(text,
                     [&out](const unsigned char* bytes, std::size_t length, char32_t cp)
                     {
                         // U+FFFE and U+FFFF are no XML characters either: their bytes go the same way.
                         if (length != 0 && !isEscapeCharacter(cp) && !isXmlForbiddenControl(cp) &&
                             cp != 0xFFFE && cp != 0xFFFF)
                         {
                             out.append(reinterpret_cast<const char*>(bytes), length);
                             return;
                         }
                         for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i)
                         {
                             // U+F700 plus the byte: always three bytes of UTF-8.
                             const char32_t e = kEscapeBase + bytes[i];
                             out += {static_cast<char>(0xE0 | (e >> 12)),
                                     static_cast<char>(0x80 | ((e >> 6) & 0x3F)),
                                     static_cast<char>(0x80 | (e & 0x3F))};
                         }
                     });
    return out;
}

std::string gf_restoreBytes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    forEachCharacter(text,
                     [&out](const unsigned char* bytes, std::size_t length, char32_t cp)
                     {
                         if (length == 3 && isEscapeCharacter(cp))
                             out.push_back(static_cast<char>(cp - kEscapeBase));
                         else
                             out.append(reinterpret_cast<const char*>(bytes),
                                        std::max<std::size_t>(length, 1));
                     });
    return out;
}

namespace
{
// Characters that change how the rest of a line reads or where it ends: controls (C0, DEL, C1), the line
// and paragraph separators, and the bidirectional marks, embeddings, overrides and isolates.
bool isHiddenCharacter(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E || cp == 0x200F;
}

// The shown form of one character (its bytes, `length` 0 for a byte that starts none), appended.
void appendShown(std::string& out, const unsigned char* bytes, std::size_t length, char32_t cp,
                 Backslash backslash)
{
    static constexpr char kHex[] = "0123456789abcdef";
    if (length != 0 && !isHiddenCharacter(cp))
    {
        if (cp == '\\' && backslash == Backslash::doubled)
            out += '\\';
        out.append(reinterpret_cast<const char*>(bytes), length);
    }
    else if (length == 1 && (cp == '\n' || cp == '\r' || cp == '\t'))
        out.append(1, '\\').append(1, cp == '\n' ? 'n' : cp == '\r' ? 'r' : 't');
    else
        for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i)
            out.append("\\x").append(1, kHex[bytes[i] >> 4]).append(1, kHex[bytes[i] & 0xF]);
}

bool isPlainAscii(std::string_view text, Backslash backslash)
{
    return std::all_of(text.begin(), text.end(),
                       [backslash](char c)
                       {
                           const auto byte = static_cast<unsigned char>(c);
                           return byte >= 0x20 && byte < 0x7F &&
                                  (byte != '\\' || backslash == Backslash::kept);
                       });
}
} // namespace

std::string gf_showBytes(std::string_view text, Backslash backslash, std::size_t limit, std::size_t* taken)
{
    // The common case, printable ASCII that fits, is shown as it is.
    if (text.size() <= limit && isPlainAscii(text, backslash))
    {
        if (taken != nullptr)
            *taken = text.size();
        return std::string(text);
    }
    std::string out;
    out.reserve(std::min(text.size(), limit) + 16);
    std::size_t used = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end)
    {
        char32_t cp = 0;
        const std::size_t length = decodeOne(p, end, cp);
        const std::size_t before = out.size();
        appendShown(out, p, length, cp, backslash);
        if (out.size() > limit)
        {
            out.resize(before);
            break;
        }
        const std::size_t step = std::max<std::size_t>(length, 1);
        used += step;
        p += step;
    }
    if (taken != nullptr)
        *taken = used;
    return out;
}

std::string gf_utf16ToUtf8(std::u16string_view text)
{
    if (text.empty())
    {
        return {};
    }
    checkLength(text.size());
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF)
        {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
            {
                invalidUtf16();
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        else if (cp >= 0xDC00 && cp <= 0xDFFF)
        {
            invalidUtf16();
        }
        if (cp < 0x80)
        {
            out.push_back(static_cast<char>(cp));
        }
        else if (cp < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else if (cp < 0x10000)
        {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace oxl
