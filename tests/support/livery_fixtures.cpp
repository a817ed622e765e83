#include "tests/support/livery_fixtures.h"

#include "foundation/utf.h"
#include "tests/support/temp_folder.h"

#include <array>
#include <fmt/format.h>

namespace oxl::test
{
namespace fs = std::filesystem;

namespace
{

constexpr std::array<CfgCharset, 5> kCharsets = {CfgCharset::Ansi, CfgCharset::Utf8, CfgCharset::Utf8Bom,
                                                 CfgCharset::Utf16Le, CfgCharset::Utf16Be};

void appendUtf16(std::string& bytes, std::string_view utf8, bool bigEndian)
{
    for (const char16_t unit : gf_utf8ToUtf16(utf8))
    {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
}

std::string windowsText(const fs::path& relative)
{
    std::string text;
    for (const fs::path& part : relative)
    {
        if (!text.empty())
        {
            text += '\\';
        }
        text += part.string();
    }
    return text;
}

// An accented letter in the file's own charset, so titles carry a byte above 0x7F.
std::string eAcute(CfgCharset charset)
{
    return charset == CfgCharset::Ansi ? "\xE9" : "\xC3\xA9";
}

// Sections of an ordinary file; every fifth kind repeats. Names of the entries are written in one case
// in the file and another on disk.
GeneratedCfg ordinaryFile(const fs::path& root, int package, int model, const TreeSpec& spec, int serial)
{
    const std::string type = spec.types[static_cast<std::size_t>(serial) % spec.types.size()];
    const CfgCharset charset = kCharsets[static_cast<std::size_t>(serial) % kCharsets.size()];
    AircraftFolder folder;
    folder.folder = fs::path(fmt::format("Pkg{}", package)) / "SimObjects" / "Airplanes" /
                    fmt::format("AI {} M{}", type, model);
    folder.cfgName = serial % 3 == 0 ? "Aircraft.CFG" : (serial % 3 == 1 ? "aircraft.cfg" : "sim.cfg");
    folder.charset = charset;
    folder.lineEnd = serial % 2 == 0 ? LineEnd::CrLf : LineEnd::Lf;
    folder.lines = {"[General]", fmt::format("atc_type={} {}", "Boeing", eAcute(charset)),
                    fmt::format("atc_model={}", type), ""};
    folder.subfolders = {"Model.Base", "model"};
    folder.files = {fmt::format("{}.AIR", type)};

    GeneratedCfg cfg;
    for (int s = 0; s < spec.sectionsPerFile; ++s)
    {
        const std::string tag = fmt::format("{}-{}-{}", package, model, s);
        const std::string title = fmt::format("{} {} {} {}", type, tag, eAcute(charset), "livery");
        const std::string texture = fmt::format("t{}", s);
        ExpectedLivery livery{"", type, title, "", false};
        folder.lines.push_back((s % 4 == 0 ? "[fltsim." : "[FltSim.") + std::to_string(s) + "]");
        folder.lines.push_back("title=" + title);
        folder.lines.push_back(fmt::format("sim={}", type));
        folder.lines.push_back(s % 3 == 0 ? "model=" : "model = base");
        folder.lines.push_back("texture=" + texture);
        switch (s % 5)
        {
        case 0:
            folder.lines.push_back("atc_parking_codes=BAW,SHT");
            folder.lines.push_back(fmt::format("atc_id=G-E{:03}", serial * 10 + s));
            livery.airl = "BAW";
            livery.atcid = fmt::format("G-E{:03}", serial * 10 + s);
            break;
        case 1:
            folder.lines.push_back("atc_parking_codes = DLHX");
            livery.airl = "DLH";
            break;
        case 2:
            folder.lines.push_back("atc_parking_codes=BAW");
            folder.lines.push_back("atc_parking_types=GATE_HEAVY, cargo");
            livery.airl = "BAW";
            livery.cargo = true;
            break;
        case 3:
            folder.lines.push_back("atc_parking_codes=ZZZ");
            folder.lines.push_back("atc_id=N123AB");
            livery.airl = "ZZZ";
            break;
        default:
            folder.lines.push_back("atc_parking_codes=DLH");
            folder.lines.push_back(fmt::format("atc_id=D-A{:03} ;painted by hand", serial * 10 + s));
            livery.airl = "DLH";
            livery.atcid = fmt::format("D-A{:03}", serial * 10 + s);
            break;
        }
        folder.lines.push_back("");
        folder.lines.push_back("//last line of the section");
        folder.subfolders.push_back(s % 2 == 0 ? "TEXTURE." + texture : "Texture." + texture);
        cfg.liveries.push_back(std::move(livery));
    }
    cfg.real = writeAircraftFolder(root, folder);
    cfg.windowsRelative = windowsText(folder.folder / folder.cfgName);
    return cfg;
}

GeneratedCfg ivaoFile(const fs::path& root, int model, const TreeSpec& spec)
{
    const std::string type = spec.types[static_cast<std::size_t>(model) % spec.types.size()];
    const CfgCharset charset = kCharsets[static_cast<std::size_t>(model + 1) % kCharsets.size()];
    AircraftFolder folder;
    folder.folder = fs::path("IVAO") / "IVAO_MTL" / fmt::format("IVAO_{}w", type);
    folder.charset = charset;
    folder.lineEnd = model % 2 == 0 ? LineEnd::Lf : LineEnd::CrLf;
    folder.lines = {"[general]", "atc_type=BOEING", ""};
    folder.subfolders = {"Model"};
    folder.files = {"ivao.air"};
    GeneratedCfg cfg;
    cfg.ivao = true;
    for (int s = 0; s < spec.sectionsPerFile; ++s)
    {
        const std::string airline = s % 2 == 0 ? "BAW" : "DLH";
        const std::string title = fmt::format("{} {} IVAO {}-{}", type, airline, model, s);
        folder.lines.push_back(fmt::format("[fltsim.{}]", s));
        folder.lines.push_back("title=" + title);
        folder.lines.push_back("sim=IVAO");
        folder.lines.push_back("model=");
        folder.lines.push_back(fmt::format("texture={}", airline));
        folder.lines.push_back("atc_parking_types=GATE,CARGO [unused]");
        folder.lines.push_back("");
        cfg.liveries.push_back(ExpectedLivery{airline, type, title, "", false});
    }
    folder.subfolders.push_back("texture.baw");
    folder.subfolders.push_back("TEXTURE.DLH");
    cfg.real = writeAircraftFolder(root, folder);
    cfg.windowsRelative = windowsText(folder.folder / folder.cfgName);
    return cfg;
}

GeneratedCfg brokenFile(const fs::path& root, std::string name, std::vector<std::string> lines,
                        CfgOutcome outcome, bool ivao = false)
{
    AircraftFolder folder;
    folder.folder = ivao ? fs::path("Broken") / "IVAO_MTL" / name : fs::path("Broken") / name;
    folder.lines = std::move(lines);
    GeneratedCfg cfg;
    cfg.ivao = ivao;
    cfg.outcome = outcome;
    cfg.real = writeAircraftFolder(root, folder);
    cfg.windowsRelative = windowsText(folder.folder / folder.cfgName);
    return cfg;
}

} // namespace

std::string charsetName(CfgCharset charset)
{
    static const std::array<std::string, 5> names = {"Ansi", "Utf8", "Utf8Bom", "Utf16Le", "Utf16Be"};
    return names.at(static_cast<std::size_t>(charset));
}

std::string encodeLines(const std::vector<std::string>& lines, CfgCharset charset, LineEnd lineEnd)
{
    const std::string end = lineEnd == LineEnd::CrLf ? "\r\n" : "\n";
    std::string bytes;
    switch (charset)
    {
    case CfgCharset::Utf16Le:
    case CfgCharset::Utf16Be:
    {
        const bool bigEndian = charset == CfgCharset::Utf16Be;
        bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const std::string& line : lines)
        {
            appendUtf16(bytes, line + end, bigEndian);
        }
        return bytes;
    }
    case CfgCharset::Utf8Bom:
        bytes = "\xEF\xBB\xBF";
        break;
    default:
        break;
    }
    for (const std::string& line : lines)
    {
        bytes += line + end;
    }
    return bytes;
}

fs::path writeAircraftFolder(const fs::path& root, const AircraftFolder& folder)
{
    const fs::path base = root / folder.folder;
    fs::create_directories(base);
    for (const std::string& sub : folder.subfolders)
    {
        fs::create_directories(base / sub);
    }
    for (const std::string& file : folder.files)
    {
        writeBytes(base / file, "");
    }
    const fs::path cfg = base / folder.cfgName;
    writeBytes(cfg, encodeLines(folder.lines, folder.charset, folder.lineEnd));
    return cfg;
}

std::vector<GeneratedCfg> writeLiveryTree(const fs::path& root, const TreeSpec& spec)
{
    std::vector<GeneratedCfg> files;
    int serial = 0;
    for (int p = 0; p < spec.packages; ++p)
    {
        for (int m = 0; m < spec.modelsPerPackage; ++m)
        {
            files.push_back(ordinaryFile(root, p, m, spec, serial++));
        }
    }
    for (int m = 0; m < spec.ivaoModels; ++m)
    {
        files.push_back(ivaoFile(root, m, spec));
    }
    if (spec.brokenFiles)
    {
        files.push_back(
            brokenFile(root, "GeneralOnly", {"[General]", "atc_model=B738"}, CfgOutcome::EmptyCfg));
        files.push_back(brokenFile(root, "NumberAboveLimit",
                                   {"[General]", "atc_model=B738", "[fltsim.0]", "title=x", "[fltsim.10001]"},
                                   CfgOutcome::InvalidCfg));
        files.push_back(brokenFile(root, "NoAtcModel", {"[General]", "[fltsim.0]", "title=no model"},
                                   CfgOutcome::InvalidCfg));
        files.push_back(brokenFile(root, "UnknownType",
                                   {"[General]", "atc_model=XX99", "[fltsim.0]", "title=y"},
                                   CfgOutcome::InvalidModel));
        files.push_back(brokenFile(root, "NumberOverflow",
                                   {"[General]", "atc_model=B738", "[fltsim.99999999999]", "title=z"},
                                   CfgOutcome::LoggedOnly));
        files.push_back(brokenFile(root, "OneByte", {}, CfgOutcome::Nothing));
        writeBytes(files.back().real, "[");
        files.push_back(brokenFile(root, "ivao_x-csl", {"[fltsim.0]", "title=B738 BAW 1"},
                                   CfgOutcome::InvalidModel, true));
    }
    return files;
}

} // namespace oxl::test
