#include "liveries/cfg_folder.h"

#include <algorithm>
#include <system_error>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{

bool isMissing(const std::error_code& ec)
{
    return ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
}

fs::file_type typeOf(const fs::path& real)
{
    std::error_code ec;
    const fs::file_status status = fs::status(real, ec);
    if (ec)
    {
        if (isMissing(ec))
        {
            return fs::file_type::not_found;
        }
        throw fs::filesystem_error("status", real, ec);
    }
    return status.type();
}

} // namespace

CfgFolder::CfgFolder(WinPath folder) : path_(std::move(folder))
{
}

void CfgFolder::list()
{
    listed_ = true;
    real_ = path_.real();
    if (real_.empty())
    {
        real_ = ".";
    }
    std::error_code ec;
    fs::directory_iterator it(real_, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    {
        names_.push_back(it->path().filename().string());
    }
    if (ec && !isMissing(ec))
    {
        throw fs::filesystem_error("directory_iterator", real_, ec);
    }
    std::sort(names_.begin(), names_.end());
}

fs::file_type CfgFolder::entryType(const std::string& name)
{
    // A name that reaches into other folders is resolved on its own, component by component.
    if (name.find_first_of("\\/") != std::string::npos)
    {
        return typeOf((path_ / name).real());
    }
    if (!listed_)
    {
        list();
    }
    const std::string wanted = windowsComponentName(name);
    if (std::binary_search(names_.begin(), names_.end(), wanted))
    {
        return typeOf(real_ / wanted);
    }
    // Of several names that differ only in case, the first in byte order, as WinPath resolves them.
    const auto match =
        std::find_if(names_.begin(), names_.end(),
                     [&wanted](const std::string& entry) { return namesEqualNoCase(entry, wanted); });
    if (match == names_.end())
    {
        return fs::file_type::not_found;
    }
    return typeOf(real_ / *match);
}

} // namespace oxl
