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
        Entry entry{it->path().filename().string()};
        // The listing's own type answers for every entry but a link, which is followed when asked for.
        std::error_code typeError;
        if (!it->is_symlink(typeError) && !typeError)
        {
            entry.type = it->is_directory(typeError)      ? fs::file_type::directory
                         : it->is_regular_file(typeError) ? fs::file_type::regular
                                                          : fs::file_type::none;
        }
        entries_.push_back(std::move(entry));
    }
    if (ec && !isMissing(ec))
    {
        throw fs::filesystem_error("directory_iterator", real_, ec);
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
}

fs::file_type CfgFolder::typeOfEntry(const Entry& entry) const
{
    return entry.type != fs::file_type::none ? entry.type : typeOf(real_ / entry.name);
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
    const auto exact =
        std::lower_bound(entries_.begin(), entries_.end(), wanted,
                         [](const Entry& entry, const std::string& n) { return entry.name < n; });
    if (exact != entries_.end() && exact->name == wanted)
    {
        return typeOfEntry(*exact);
    }
    // Of several names that differ only in case, the first in byte order, as WinPath resolves them.
    const auto match =
        std::find_if(entries_.begin(), entries_.end(),
                     [&wanted](const Entry& entry) { return namesEqualNoCase(entry.name, wanted); });
    if (match == entries_.end())
    {
        return fs::file_type::not_found;
    }
    return typeOfEntry(*match);
}

} // namespace oxl
