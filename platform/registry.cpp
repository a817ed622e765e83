// Registry stand-in over an XML file of keys and typed values.
#include "platform/registry.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "platform/folders.h"
#include "platform/win32_error.h"

namespace oxl::plat
{
namespace
{

constexpr std::uint32_t kErrorInvalidHandle = 6;

struct OpenKey
{
    RegKey root = 0;
    bool view32 = false;
    std::u16string path; // components joined by '\', no empty ones
};

std::mutex gKeysMutex;
std::map<RegKey, OpenKey> gOpenKeys;
RegKey gNextHandle = 0x10000;

// The file is UTF-8; names and REG_SZ data are UTF-16 as the Windows calls see them. Bytes that
// are not UTF-8 become U+FFFD, as the file is written by hand and must not make the lookup fail.
std::u16string lf_widen(std::string_view text)
{
    std::u16string wide;
    std::size_t i = 0;
    while (i < text.size())
    {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        char32_t point = length == 1   ? lead
                         : length == 2 ? (lead & 0x1F)
                         : length == 3 ? (lead & 0x0F)
                                       : (lead & 0x07);
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
        {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && point >= smallest[length] && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
        if (!valid)
        {
            wide.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (point >= 0x10000)
        {
            point -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
        }
        else
        {
            wide.push_back(static_cast<char16_t>(point));
        }
        i += length;
    }
    return wide;
}

char16_t lf_fold(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool lf_equalNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (lf_fold(a[i]) != lf_fold(b[i]))
        {
            return false;
        }
    }
    return true;
}

std::u16string lf_normalize(std::u16string_view path)
{
    std::u16string joined;
    std::size_t start = 0;
    while (start <= path.size())
    {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
        {
            end = path.size();
        }
        if (end > start)
        {
            if (!joined.empty())
            {
                joined.push_back(u'\\');
            }
            joined.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return joined;
}

std::u16string lf_join(std::u16string_view base, std::u16string_view sub)
{
    std::u16string path(base);
    path.push_back(u'\\');
    path.append(sub);
    return lf_normalize(path);
}

std::optional<RegKey> lf_rootFromName(std::string_view name)
{
    static const std::pair<std::string_view, RegKey> names[] = {
        {"HKLM", kHkeyLocalMachine},  {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
        {"HKCU", kHkeyCurrentUser},   {"HKEY_CURRENT_USER", kHkeyCurrentUser},
        {"HKCR", kHkeyClassesRoot},   {"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
        {"HKU", kHkeyUsers},          {"HKEY_USERS", kHkeyUsers},
        {"HKCC", kHkeyCurrentConfig}, {"HKEY_CURRENT_CONFIG", kHkeyCurrentConfig}};
    for (const auto& [text, key] : names)
    {
        if (text == name)
        {
            return key;
        }
    }
    return std::nullopt;
}

// Only the local machine's keys have a separate 32-bit view.
bool lf_sameView(const OpenKey& key, pugi::xml_node element)
{
    if (key.root != kHkeyLocalMachine)
    {
        return true;
    }
    return key.view32 == (std::string_view(element.attribute("view").as_string("64")) == "32");
}

bool lf_isKeyOf(pugi::xml_node element, const OpenKey& key)
{
    const auto root = lf_rootFromName(element.attribute("root").as_string());
    return root && *root == key.root && lf_sameView(key, element);
}

// A key exists when it is listed or lies above a listed key.
bool lf_keyExists(const pugi::xml_document& doc, const OpenKey& key)
{
    for (pugi::xml_node element : doc.child("registry").children("key"))
    {
        if (!lf_isKeyOf(element, key))
        {
            continue;
        }
        const std::u16string listed = lf_normalize(lf_widen(element.attribute("path").as_string()));
        if (key.path.empty() || lf_equalNoCase(listed, key.path) ||
            (listed.size() > key.path.size() && listed[key.path.size()] == u'\\' &&
             lf_equalNoCase(std::u16string_view(listed).substr(0, key.path.size()), key.path)))
        {
            return true;
        }
    }
    return false;
}

pugi::xml_node lf_findValue(const pugi::xml_document& doc, const OpenKey& key, std::u16string_view name)
{
    for (pugi::xml_node element : doc.child("registry").children("key"))
    {
        if (!lf_isKeyOf(element, key) ||
            !lf_equalNoCase(lf_normalize(lf_widen(element.attribute("path").as_string())), key.path))
        {
            continue;
        }
        for (pugi::xml_node value : element.children("value"))
        {
            if (lf_equalNoCase(lf_widen(value.attribute("name").as_string()), name))
            {
                return value;
            }
        }
    }
    return {};
}

std::optional<OpenKey> lf_lookupHandle(RegKey key)
{
    if (isPredefinedKey(key))
    {
        return OpenKey{key, false, {}};
    }
    const std::lock_guard lock(gKeysMutex);
    const auto found = gOpenKeys.find(key);
    if (found == gOpenKeys.end())
    {
        return std::nullopt;
    }
    return found->second;
}

bool lf_loadRegistry(pugi::xml_document& doc)
{
    const std::filesystem::path file = registryFile();
    return !file.empty() && doc.load_file(file.c_str());
}

std::string lf_expandEnvironment(std::string_view text)
{
    std::string expanded;
    std::size_t i = 0;
    while (i < text.size())
    {
        const std::size_t open = text.find('%', i);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos)
        {
            expanded.append(text.substr(i));
            break;
        }
        expanded.append(text.substr(i, open - i));
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        // An unknown variable stays as written, as Windows leaves it.
        expanded.append(value ? std::string_view(value) : text.substr(open, close - open + 1));
        i = close + 1;
    }
    return expanded;
}

template <class T> std::optional<T> lf_parseNumber(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    {
        base = 16;
        text.remove_prefix(2);
    }
    T number{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty())
    {
        return std::nullopt;
    }
    return number;
}

template <class T> void lf_appendLittleEndian(std::vector<unsigned char>& bytes, T number)
{
    for (std::size_t k = 0; k < sizeof(T); ++k)
    {
        bytes.push_back(static_cast<unsigned char>(number >> (8 * k)));
    }
}

struct ValueData
{
    std::uint32_t type = kRegNone;
    std::vector<unsigned char> bytes;
};

// The value as the Windows call returns it; nullopt for an entry the file does not spell right.
std::optional<ValueData> lf_materialize(pugi::xml_node value, bool expand)
{
    const std::string_view typeName = value.attribute("type").as_string();
    const std::string_view text = value.text().as_string();
    ValueData data;
    if (typeName == "REG_SZ" || typeName == "REG_EXPAND_SZ")
    {
        const bool expandable = typeName == "REG_EXPAND_SZ";
        data.type = expandable && !expand ? kRegExpandSz : kRegSz;
        const std::u16string wide =
            lf_widen(expandable && expand ? lf_expandEnvironment(text) : std::string(text));
        for (const char16_t unit : wide)
        {
            lf_appendLittleEndian(data.bytes, static_cast<std::uint16_t>(unit));
        }
        lf_appendLittleEndian(data.bytes, std::uint16_t{0});
        return data;
    }
    if (typeName == "REG_DWORD")
    {
        const auto number = lf_parseNumber<std::uint32_t>(text);
        if (!number)
        {
            return std::nullopt;
        }
        data.type = kRegDword;
        lf_appendLittleEndian(data.bytes, *number);
        return data;
    }
    if (typeName == "REG_QWORD")
    {
        const auto number = lf_parseNumber<std::uint64_t>(text);
        if (!number)
        {
            return std::nullopt;
        }
        data.type = kRegQword;
        lf_appendLittleEndian(data.bytes, *number);
        return data;
    }
    if (typeName == "REG_BINARY")
    {
        if (text.size() % 2 != 0)
        {
            return std::nullopt;
        }
        data.type = kRegBinary;
        for (std::size_t i = 0; i < text.size(); i += 2)
        {
            unsigned char byte = 0;
            const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
            if (error != std::errc{} || end != text.data() + i + 2)
            {
                return std::nullopt;
            }
            data.bytes.push_back(byte);
        }
        return data;
    }
    return std::nullopt;
}

std::uint32_t lf_typeFlag(std::uint32_t type)
{
    switch (type)
    {
    case kRegSz:
        return kRrfRtRegSz;
    case kRegExpandSz:
        return kRrfRtRegExpandSz;
    case kRegBinary:
        return kRrfRtRegBinary;
    case kRegDword:
        return kRrfRtRegDword;
    case kRegQword:
        return kRrfRtRegQword;
    default:
        return 0x01; // RRF_RT_REG_NONE
    }
}

} // namespace

bool isPredefinedKey(RegKey key)
{
    switch (key)
    {
    case kHkeyClassesRoot:
    case kHkeyCurrentUser:
    case kHkeyLocalMachine:
    case kHkeyUsers:
    case kHkeyPerformanceData:
    case kHkeyCurrentConfig:
    case kHkeyCurrentUserLocalSettings:
    case kHkeyPerformanceText:
    case kHkeyPerformanceNlsText:
        return true;
    default:
        return false;
    }
}

std::uint32_t regOpenKeyEx(RegKey parent, std::u16string_view subKey, std::uint32_t /*options*/,
                           std::uint32_t samDesired, RegKey* result)
{
    if (result == nullptr)
    {
        return kErrorInvalidParameter;
    }
    *result = 0;
    std::optional<OpenKey> key = lf_lookupHandle(parent);
    if (!key)
    {
        return kErrorInvalidHandle;
    }
    if (isPredefinedKey(parent))
    {
        key->view32 = parent == kHkeyLocalMachine && (samDesired & kKeyWow64_32Key) != 0;
    }
    key->path = lf_join(key->path, subKey);
    pugi::xml_document doc;
    if (!key->path.empty() && (!lf_loadRegistry(doc) || !lf_keyExists(doc, *key)))
    {
        return kErrorFileNotFound;
    }
    const std::lock_guard lock(gKeysMutex);
    const RegKey handle = gNextHandle;
    gNextHandle += 4;
    gOpenKeys.emplace(handle, std::move(*key));
    *result = handle;
    return kErrorSuccess;
}

std::uint32_t regGetValue(RegKey key, std::u16string_view subKey, std::u16string_view valueName,
                          std::uint32_t flags, std::uint32_t* type, void* data, std::uint32_t* dataBytes)
{
    const bool expand = (flags & kRrfNoExpand) == 0;
    if ((flags & kRrfRtAny) == 0 || (data != nullptr && dataBytes == nullptr) ||
        ((flags & kRrfRtAny) != kRrfRtAny && (flags & kRrfRtRegExpandSz) != 0 && expand))
    {
        return kErrorInvalidParameter;
    }
    const auto fail = [&](std::uint32_t code)
    {
        if ((flags & kRrfZeroOnFailure) != 0 && data != nullptr)
        {
            std::memset(data, 0, *dataBytes);
        }
        return code;
    };
    std::optional<OpenKey> open = lf_lookupHandle(key);
    if (!open)
    {
        return fail(kErrorInvalidHandle);
    }
    open->path = lf_join(open->path, subKey);
    pugi::xml_document doc;
    if (!lf_loadRegistry(doc) || (!open->path.empty() && !lf_keyExists(doc, *open)))
    {
        return fail(kErrorFileNotFound);
    }
    const pugi::xml_node value = lf_findValue(doc, *open, valueName);
    const std::optional<ValueData> found = value ? lf_materialize(value, expand) : std::nullopt;
    if (!found)
    {
        return fail(kErrorFileNotFound);
    }
    if ((flags & lf_typeFlag(found->type)) == 0)
    {
        return fail(kErrorUnsupportedType);
    }
    if (type != nullptr)
    {
        *type = found->type;
    }
    const auto size = static_cast<std::uint32_t>(found->bytes.size());
    if (data == nullptr)
    {
        if (dataBytes != nullptr)
        {
            *dataBytes = size;
        }
        return kErrorSuccess;
    }
    if (*dataBytes < size)
    {
        fail(kErrorMoreData);
        *dataBytes = size;
        return kErrorMoreData;
    }
    // An empty value's bytes may have no storage at all: nothing is copied then.
    if (size > 0)
        std::memcpy(data, found->bytes.data(), size);
    *dataBytes = size;
    return kErrorSuccess;
}

std::uint32_t regCloseKey(RegKey key)
{
    if (isPredefinedKey(key))
    {
        return kErrorSuccess;
    }
    const std::lock_guard lock(gKeysMutex);
    return gOpenKeys.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

std::filesystem::path registryFile()
{
    if (const auto configured = environment("OXL_REGISTRY"))
    {
        return *configured;
    }
    if (const auto appData = roamingAppData())
    {
        return *appData / "registry.xml";
    }
    return {};
}

} // namespace oxl::plat
