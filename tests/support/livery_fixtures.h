// SimObjects trees for the livery scan's tests and benchmarks: aircraft.cfg files in every charset and
// line end the scan meets, with the model, texture and flight-model entries their sections name, in
// mixed case; ordinary and IVAO packages; broken files.
#pragma once

#include "liveries/addon_packages.h"

#include <filesystem>
#include <string>
#include <vector>

namespace oxl::test
{

/// The simulator as version 5 for the livery code, for as long as it lives.
class SimulatorVersionFive final : public SimulatorVersionPort
{
  public:
    SimulatorVersionFive() { gf_installSimulatorVersionPort(this); }
    ~SimulatorVersionFive() override { gf_installSimulatorVersionPort(nullptr); }
    SimulatorVersionFive(const SimulatorVersionFive&) = delete;
    SimulatorVersionFive& operator=(const SimulatorVersionFive&) = delete;
    [[nodiscard]] std::string majorVersion() override { return "5"; }
};

/// How a generated text file is encoded.
enum class CfgCharset
{
    Ansi,    ///< single-byte text written as given (0xE9 for e-acute)
    Utf8,    ///< UTF-8 without a byte-order mark
    Utf8Bom, ///< UTF-8 after EF BB BF
    Utf16Le, ///< UTF-16 little-endian after FF FE
    Utf16Be, ///< UTF-16 big-endian after FE FF
};

/// How lines end in a generated text file.
enum class LineEnd
{
    Lf,
    CrLf,
};

/// The name of a charset for test names ("Ansi", "Utf8" …).
std::string charsetName(CfgCharset charset);
/// The bytes of a text file holding the lines (UTF-8 text, or single-byte text for Ansi), each ended.
std::string encodeLines(const std::vector<std::string>& lines, CfgCharset charset, LineEnd lineEnd);

/// An aircraft folder below a tree root: its configuration file and the entries its sections name.
struct AircraftFolder
{
    std::filesystem::path folder;         ///< relative to the root
    std::string cfgName = "aircraft.cfg"; ///< the configuration file's name
    std::vector<std::string> lines;       ///< the configuration file's lines
    CfgCharset charset = CfgCharset::Utf8;
    LineEnd lineEnd = LineEnd::CrLf;
    std::vector<std::string> subfolders; ///< created as spelled, e.g. "Model.B738", "texture.BAW"
    std::vector<std::string> files;      ///< created empty, e.g. "B738.AIR"
};

/// Writes the folder below the root (the file, its sub-folders and files); returns the file's real path.
std::filesystem::path writeAircraftFolder(const std::filesystem::path& root, const AircraftFolder& folder);

/// What a generated file should give.
enum class CfgOutcome
{
    Liveries,     ///< the listed liveries, nothing reported
    EmptyCfg,     ///< no header: listed in gLiveries.EmptyCfgFiles
    InvalidCfg,   ///< rejected in gLiveries.InvalidCfgFiles
    InvalidModel, ///< rejected in gLiveries.InvalidModelCodes
    LoggedOnly,   ///< rejected with a log line only
    Nothing,      ///< no charset: nothing at all
};

/// A livery a generated file should give.
struct ExpectedLivery
{
    std::string airl;
    std::string type;
    std::string title;
    std::string atcid;
    bool cargo = false;
};

/// A generated configuration file and what reading it should give.
struct GeneratedCfg
{
    std::filesystem::path real;  ///< the file on disk
    std::string windowsRelative; ///< the file relative to the root, components joined by '\'
    bool ivao = false;           ///< read by the IVAO reader
    CfgOutcome outcome = CfgOutcome::Liveries;
    std::vector<ExpectedLivery> liveries; ///< in section order
};

/// The shape of a generated tree.
struct TreeSpec
{
    int packages = 2;                                  ///< ordinary packages
    int modelsPerPackage = 3;                          ///< aircraft folders per package
    int sectionsPerFile = 5;                           ///< [fltsim.N] sections per file
    int ivaoModels = 2;                                ///< aircraft folders in an IVAO_MTL package (0: none)
    bool brokenFiles = true;                           ///< add one file of each broken kind
    std::vector<std::string> types = {"B738", "A320"}; ///< known, not Heavy
};

/// Writes a tree below the root. Ordinary sections use the airline codes BAW, DLH (as DLHX) and ZZZ and
/// the registrations they carry; files cycle through every charset and line end. Titles are unique.
std::vector<GeneratedCfg> writeLiveryTree(const std::filesystem::path& root, const TreeSpec& spec);

} // namespace oxl::test
