#include "platform/win_path.h"

#include "platform/folders.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{
bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool isDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upperDrive(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::vector<std::string> components(std::string_view text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i)
    {
        if (i == text.size() || isSeparator(text[i]))
        {
            if (i > start)
            {
                parts.push_back(windowsComponentName(text.substr(start, i - start)));
            }
            start = i + 1;
        }
    }
    return parts;
}

// The existing entry of a folder whose name matches ignoring case; the first in byte order when
// several do, so the choice does not depend on the order of the folder listing.
std::optional<std::string> findNoCase(const fs::path& folder, const std::string& name)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    std::optional<std::string> best;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    {
        std::string entry = it->path().filename().string();
        if (namesEqualNoCase(entry, name) && (!best || entry < *best))
        {
            best = std::move(entry);
        }
    }
    return best;
}
// C:\ProgramData may stand apart from the rest of drive C (OXL_PROGRAMDATA); the rest of the text is
// then resolved below that folder.
void lf_mapProgramData(std::string_view& rest, fs::path& result)
{
    const auto folder = plat::environment("OXL_PROGRAMDATA");
    if (!folder)
    {
        return;
    }
    std::string_view tail = rest;
    while (!tail.empty() && isSeparator(tail.front()))
    {
        tail.remove_prefix(1);
    }
    const std::size_t end = std::min(tail.find_first_of("\\/"), tail.size());
    if (!namesEqualNoCase(windowsComponentName(tail.substr(0, end)), "ProgramData"))
    {
        return;
    }
    result = fs::path(*folder);
    rest = tail.substr(end);
}
} // namespace

std::string windowsComponentName(std::string_view name)
{
    // Windows ignores trailing dots of a name; "." and ".." stay.
    if (std::all_of(name.begin(), name.end(), [](char c) { return c == '.'; }))
    {
        return std::string(name);
    }
    while (!name.empty() && name.back() == '.')
    {
        name.remove_suffix(1);
    }
    return std::string(name);
}

bool namesEqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) {
                                                  return foldAscii(static_cast<unsigned char>(x)) ==
                                                         foldAscii(static_cast<unsigned char>(y));
                                              });
}

std::optional<fs::path> driveFolder(char driveLetter)
{
    if (!isDriveLetter(driveLetter))
    {
        return std::nullopt;
    }
    const std::string variable = std::string("OXL_DRIVE_") + upperDrive(driveLetter);
    if (auto folder = plat::environment(variable.c_str()))
    {
        return fs::path(*folder);
    }
    return std::nullopt;
}

WinPath::WinPath(std::string windowsText) : text_(std::move(windowsText))
{
}

WinPath WinPath::fromReal(const fs::path& real)
{
    const fs::path normal = real.lexically_normal();
    for (char letter = 'A'; letter <= 'Z'; ++letter)
    {
        auto folder = driveFolder(letter);
        if (!folder)
        {
            continue;
        }
        const fs::path rest = normal.lexically_relative(folder->lexically_normal());
        if (!rest.empty() && *rest.begin() != "..")
        {
            std::string text = std::string(1, letter) + ":\\";
            if (rest != ".")
            {
                text += rest.generic_string();
            }
            std::replace(text.begin(), text.end(), '/', '\\');
            return WinPath(std::move(text));
        }
    }
    std::string text = real.generic_string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return WinPath(std::move(text));
}

fs::path WinPath::real() const
{
    std::string_view rest = text_;
    fs::path result;
    if (rest.size() >= 2 && isDriveLetter(rest[0]) && rest[1] == ':')
    {
        // An unmapped drive resolves below a root folder named after it, which does not exist here.
        const char letter = upperDrive(rest[0]);
        result = driveFolder(letter).value_or(fs::path("/") / (std::string(1, letter) + ":"));
        rest.remove_prefix(2);
        if (letter == 'C')
        {
            lf_mapProgramData(rest, result);
        }
    }
    else if (!rest.empty() && isSeparator(rest[0]))
    {
        result = driveFolder('C').value_or(fs::path("/"));
    }

    bool resolving = true;
    for (const std::string& part : components(rest))
    {
        if (resolving && part != "." && part != "..")
        {
            std::error_code ec;
            if (!fs::exists(result / part, ec))
            {
                if (auto match = findNoCase(result, part))
                {
                    result /= *match;
                    continue;
                }
                // Below a missing name nothing can exist; keep the rest as written.
                resolving = false;
            }
        }
        result /= part;
    }
    return result;
}

WinPath WinPath::operator/(std::string_view component) const
{
    if (text_.empty())
    {
        return WinPath(std::string(component));
    }
    if (isSeparator(text_.back()))
    {
        return WinPath(text_ + std::string(component));
    }
    return WinPath(text_ + "\\" + std::string(component));
}

WinPath WinPath::parent() const
{
    const auto pos = text_.find_last_of("\\/");
    if (pos == std::string::npos)
    {
        return WinPath();
    }
    return WinPath(text_.substr(0, pos));
}

std::string WinPath::filename() const
{
    const auto pos = text_.find_last_of("\\/");
    return pos == std::string::npos ? text_ : text_.substr(pos + 1);
}

} // namespace oxl
