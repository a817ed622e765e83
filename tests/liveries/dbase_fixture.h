// Database files for tests: dbase.xml texts made of chosen sections, encrypted by the encryption tool
// into input/dbase.enc of a temporary working folder.
#pragma once

#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>

namespace oxl::test
{

/// The sections of a small valid database, by name; a test replaces or erases entries.
inline std::map<std::string, std::string> minimalSections()
{
    return {
        {"aircrafts", R"(<aircrafts><aircraft types="A320,B744,C172,EC35,F16,GLF5"/></aircrafts>)"},
        {"high_performance", R"(<high_performance><hpf types="F16"/></high_performance>)"},
        {"heavy", R"(<heavy><hvy types="B744"/></heavy>)"},
        {"large", R"(<large><lar types="A320"/></large>)"},
        {"buzjet", R"(<buzjet><bzj types="GLF5"/></buzjet>)"},
        {"rotorcraft", R"(<rotorcraft><rot types="EC35"/></rotorcraft>)"},
        {"cargo_types", R"(<cargo_types><cargo_type types="B744"/></cargo_types>)"},
        {"ICAO_airlines", R"(<ICAO_airlines><ICAO codes="BAW,DLH"/></ICAO_airlines>)"},
        {"cargo_operators", R"(<cargo_operators><ICAO codes="BOX"/></cargo_operators>)"},
        {"simaddonsP3D", R"(<simaddonsP3D><simaddonP3D arpts="LOWI"/></simaddonsP3D>)"},
    };
}

/// A dbase.xml text: the declaration, then every section at the top level.
inline std::string dbaseXml(const std::map<std::string, std::string>& sections)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    for (const auto& [name, body] : sections)
    {
        text += body + "\n";
    }
    return text;
}

/// Encrypts a plain file with the program's encryption tool; true when the tool succeeded.
inline bool encryptWithTool(const std::filesystem::path& plain, const std::filesystem::path& enc)
{
    const std::string command = std::string("'") + OXL_BIN_DIR + "/oxl_encrypt' '" + plain.string() + "' '" +
                                enc.string() + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/// A temporary working folder whose input/dbase.enc holds the given text, made the current folder.
class DbaseFolder
{
  public:
    explicit DbaseFolder(const std::string& xml) : current_(folder_.path())
    {
        writeBytes(folder_ / "plain.xml", xml);
        std::filesystem::create_directories(folder_ / "input");
        encrypted_ = encryptWithTool(folder_ / "plain.xml", folder_ / "input" / "dbase.enc");
    }
    /// True when the tool made input/dbase.enc.
    bool encrypted() const { return encrypted_; }
    /// The working folder.
    const TempFolder& folder() const { return folder_; }

  private:
    TempFolder folder_;
    ScopedCurrentPath current_;
    bool encrypted_ = false;
};

} // namespace oxl::test
