#include "platform/folders.h"

#include "platform/win_path.h"

#include <cstdlib>
#include <string>

namespace oxl::plat
{
namespace
{
std::optional<std::filesystem::path> home()
{
    if (auto h = environment("HOME"))
    {
        return std::filesystem::path(*h);
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> overrideOrHome(const char* variable, const char* belowHome)
{
    if (auto v = environment(variable))
    {
        return std::filesystem::path(*v);
    }
    if (auto h = home())
    {
        return *h / belowHome;
    }
    return std::nullopt;
}
} // namespace

std::optional<std::string> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
    {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::filesystem::path> roamingAppData()
{
    if (auto v = environment("OXL_APPDATA"))
    {
        return std::filesystem::path(*v);
    }
    return overrideOrHome("XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> documents()
{
    return overrideOrHome("OXL_DOCUMENTS", "Documents");
}

std::optional<std::filesystem::path> publicDocuments()
{
    // The desktop's shared folder for all users (XDG "Public") is the nearest thing to Public Documents.
    return overrideOrHome("OXL_PUBLIC_DOCUMENTS", "Public");
}

std::optional<std::filesystem::path> programData()
{
    if (auto v = environment("OXL_PROGRAMDATA"))
    {
        return std::filesystem::path(*v);
    }
    if (driveFolder('C'))
    {
        return WinPath("C:\\ProgramData").real();
    }
    return std::nullopt;
}

} // namespace oxl::plat
