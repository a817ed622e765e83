#include "foundation/utf.h"

#include "foundation/errors.h"
#include "platform/win32_error.h"

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

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
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
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end)
    {
        const unsigned char lead = *p;
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80)
        {
            out.push_back(lead);
            ++p;
            continue;
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
            invalidUtf8();
        }
        if (static_cast<std::size_t>(end - p) < length)
        {
            invalidUtf8();
        }
        for (std::size_t i = 1; i < length; ++i)
        {
            if (!isContinuation(p[i]))
            {
                invalidUtf8();
            }
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, encoded surrogates and code points past U+10FFFF are not characters.
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
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
        p += length;
    }
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
