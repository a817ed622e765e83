// Reader of private-profile (INI) files such as SimConnect.cfg, with the lookup rules of the
// Windows profile calls: names ignore case, the first matching section and key win.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oxl::plat
{

// One parsed INI file.
class IniFile
{
  public:
    // Reads the file; nullopt when it can not be opened.
    static std::optional<IniFile> load(const std::filesystem::path& path);
    // Parses INI text.
    static IniFile parse(const std::string& text);

    // The value of key in section (blanks trimmed, one pair of surrounding quotes removed), or
    // nullopt when the section or key is missing.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // True when the section exists and holds at least one line that is not a comment.
    bool sectionHasContent(const std::string& section) const;

  private:
    struct Entry
    {
        std::string key;
        std::string value;
        bool hasEqual = false;
    };
    struct Section
    {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* find(const std::string& section) const;
    std::vector<Section> sections_;
};

} // namespace oxl::plat
