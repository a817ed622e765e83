// Private-profile parsing: "[Section]" headers, "key=value" lines, ';' comment lines.
#include "platform/ini_file.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace oxl::plat
{

namespace
{

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool equalNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string unquote(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

std::optional<IniFile> IniFile::load(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

IniFile IniFile::parse(const std::string& text)
{
    IniFile ini;
    std::istringstream in(text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line))
    {
        line = trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[')
        {
            auto close = line.find(']');
            ini.sections_.push_back(
                {trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            current = &ini.sections_.back();
            continue;
        }
        if (!current || line.front() == ';')
            continue;
        auto eq = line.find('=');
        if (eq == std::string::npos)
            current->entries.push_back({line, "", false});
        else
            current->entries.push_back({trim(line.substr(0, eq)), unquote(trim(line.substr(eq + 1))), true});
    }
    return ini;
}

const IniFile::Section* IniFile::find(const std::string& section) const
{
    for (const auto& s : sections_)
        if (equalNoCase(s.name, section))
            return &s;
    return nullptr;
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const
{
    const Section* s = find(section);
    if (!s)
        return std::nullopt;
    for (const auto& e : s->entries)
        if (e.hasEqual && equalNoCase(e.key, key))
            return e.value;
    return std::nullopt;
}

bool IniFile::sectionHasContent(const std::string& section) const
{
    const Section* s = find(section);
    return s && !s->entries.empty();
}

} // namespace oxl::plat
