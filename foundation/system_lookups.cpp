// Registry, AppData and folder lookups.
#include "foundation/system_lookups.h"

#include <cctype>
#include <fmt/format.h>
#include <system_error>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/utf.h"
#include "platform/folders.h"
#include "platform/win32_error.h"

namespace oxl
{
namespace
{

// Opens the simulator's key for reading in the 64-bit view; winreg::RegException when it fails.
plat::RegKey lf_openP3dKey(int version)
{
    plat::RegKey key = 0;
    const std::uint32_t result = plat::regOpenKeyEx(plat::kHkeyLocalMachine, gf_p3dRegistryKey(version), 0,
                                                    plat::kKeyRead | plat::kKeyWow64_64Key, &key);
    if (result != plat::kErrorSuccess)
    {
        throw winreg::RegException(result, "RegOpenKeyExW failed.");
    }
    return key;
}

} // namespace

std::u16string gf_p3dRegistryKey(int version)
{
    const std::string digits = std::to_string(version);
    return u"SOFTWARE\\Lockheed Martin\\Prepar3D v" + std::u16string(digits.begin(), digits.end());
}

bool gf_isP3dInstalled(int version)
{
    try
    {
        plat::RegKey key = lf_openP3dKey(version);
        gf_regCloseKey(key);
        return true;
    }
    catch (const winreg::RegException&)
    {
        return false;
    }
}

std::filesystem::path gf_getP3dSetupPath(int version)
{
    plat::RegKey key = 0;
    try
    {
        key = lf_openP3dKey(version);
        const std::u16string setupPath = gf_regGetString(key, u"SetupPath");
        gf_regCloseKey(key);
        return std::filesystem::path(gf_utf16ToUtf8(setupPath));
    }
    catch (const winreg::RegException&)
    {
        gf_regCloseKey(key);
        return {};
    }
    catch (const win32::Utf8ConversionException&)
    {
        gf_regCloseKey(key);
        return {};
    }
}

std::u16string gf_regGetString(plat::RegKey key, std::u16string_view valueName)
{
    std::uint32_t bytes = 0;
    std::uint32_t result =
        plat::regGetValue(key, u"", valueName, plat::kRrfRtRegSz, nullptr, nullptr, &bytes);
    if (result != plat::kErrorSuccess)
    {
        throw winreg::RegException(result, "Cannot get size of string value: RegGetValueW failed.");
    }
    std::u16string text(bytes / 2, u'\0');
    result = plat::regGetValue(key, u"", valueName, plat::kRrfRtRegSz, nullptr, text.data(), &bytes);
    if (result != plat::kErrorSuccess)
    {
        throw winreg::RegException(result, "Cannot get string value: RegGetValueW failed.");
    }
    // The size counts the terminating zero.
    text.resize(bytes / 2 > 0 ? bytes / 2 - 1 : 0);
    return text;
}

void gf_regCloseKey(plat::RegKey& key)
{
    if (key != 0 && !plat::isPredefinedKey(key))
    {
        plat::regCloseKey(key);
    }
    key = 0;
}

std::optional<std::filesystem::path> gf_shellAppDataFolder()
{
    return plat::roamingAppData();
}

std::filesystem::path gf_getAppDataPath()
{
    if (auto folder = gf_shellAppDataFolder())
    {
        return *folder;
    }
    gf_logMarked("Could not find the AppData path");
    return {};
}

void gf_removeFileIfExists(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
    {
        return;
    }
    if (!std::filesystem::remove(path, error) && error)
    {
        gf_logMarked(fmt::format("Warning: could not remove {}, errorcode: {}", path.string(),
                                 plat::errorText(plat::win32FromErrno(error.value()))));
    }
}

void gf_cleanFolder(const std::filesystem::path& folder)
{
    gf_log(fmt::format("Cleaning folder: {}", folder.string()));
    try
    {
        if (!std::filesystem::is_directory(folder))
        {
            return;
        }
        for (const auto& entry : std::filesystem::directory_iterator(folder))
        {
            // Only empty sub-folders go: remove, not remove_all.
            std::filesystem::remove(entry.path());
        }
    }
    catch (const std::filesystem::filesystem_error& error)
    {
        throw UserErrorException(5, fmt::format("Filesystem error: {}", error.what()));
    }
    catch (const std::exception& error)
    {
        throw UserErrorException(5, error.what());
    }
}

std::int64_t gf_countFiles(const std::filesystem::path& folder)
{
    if (!std::filesystem::exists(folder))
    {
        return 0;
    }
    std::int64_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        // A link is not counted, whatever it points to.
        if (entry.symlink_status().type() == std::filesystem::file_type::regular)
        {
            ++count;
        }
    }
    return count;
}

std::vector<std::string> gf_listXmlFiles(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    if (!std::filesystem::exists(folder))
    {
        return names;
    }
    names.reserve(512);
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        if (!entry.is_regular_file())
        {
            continue;
        }
        std::string extension = entry.path().extension().string();
        for (char& c : extension)
        {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (extension == ".XML")
        {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

} // namespace oxl
