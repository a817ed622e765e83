#include "liveries/regcodes.h"

#include "foundation/decryption.h"
#include "foundation/log.h"
#include "foundation/status_service.h"
#include "foundation/strings.h"
#include "foundation/system_lookups.h"
#include "foundation/text_files.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_indexes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

namespace oxl
{

namespace fs = std::filesystem;

namespace
{

// Length limits of a regcode in the user's text files [characters].
constexpr std::size_t kMinRegcodeChars = 3;
constexpr std::size_t kMaxRegcodeChars = 12;

// The downloaded list, decrypted in memory: no plain copy is ever readable on the disk, and a full or
// read-only disk cannot stop the reading. A plain file that an older version left goes.
std::optional<std::string> lf_decryptRegcodes()
{
    gf_removeFileIfExists(gf_regcodesXmlPath());
    return gf_streamDecrypt(gf_regcodesEncPath());
}

std::string_view lf_liveryWord(std::size_t count)
{
    return count == 1 ? "livery" : "liveries";
}

// The regcodes of a `reg` attribute: distinct, sorted, each trimmed; blank items are dropped since a
// registration never holds a blank.
std::vector<std::string> lf_regAttributeCodes(std::string_view reg)
{
    std::vector<std::string> codes;
    for (const std::string& part : gf_splitCommaSet(reg))
    {
        std::string code = gf_trim(part);
        if (!code.empty())
        {
            codes.push_back(std::move(code));
        }
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

bool lf_validRegcodeLength(const std::string& code)
{
    return code.size() >= kMinRegcodeChars && code.size() <= kMaxRegcodeChars;
}

// One line of a user regcode file; false when it is malformed.
bool lf_readRegcodeLine(const std::string& line, const std::string& file, std::list<RegcodeEntry>& entries)
{
    const std::vector<std::string> fields = gf_splitString(line, ';');
    const std::size_t n = fields.size();
    if (n == 1)
    {
        if (!fields[0].empty())
        {
            entries.push_back(RegcodeEntry{fields[0], {}, false});
        }
        return true;
    }
    if (n != 2 && n != 3)
    {
        gf_logMarked(fmt::format("{}: wrong format '{}'", file, line));
        return false;
    }
    if (fields[0].empty())
    {
        // Its regcodes would lead every matching registration to a livery that cannot exist.
        gf_logMarked(fmt::format("{}: no title in '{}'", file, line));
        return false;
    }
    const std::vector<std::string> regs = gf_splitCommaVector(fields[1]);
    if (regs.empty())
    {
        return true;
    }
    if (regs.size() == 1)
    {
        if (!lf_validRegcodeLength(regs[0]))
        {
            gf_logMarked(fmt::format("wrong regcode length '{}' in {}", regs[0], file));
            return false;
        }
        entries.push_back(RegcodeEntry{fields[0], regs, true});
        return true;
    }
    bool good = true;
    std::vector<std::string> valid;
    for (const std::string& code : regs)
    {
        if (lf_validRegcodeLength(code))
        {
            valid.push_back(code);
        }
        else
        {
            gf_logMarked(fmt::format("wrong regcode length '{}' in {}", code, file));
            good = false;
        }
    }
    if (valid.empty())
    {
        gf_logMarked(fmt::format("{} ; regs empty? ", file));
        return good;
    }
    entries.push_back(RegcodeEntry{fields[0], std::move(valid), n == 3 && fields[2] == "#"});
    return good;
}

// The user's regcode files of the folder in name order, so that which file wins for a regcode does not
// depend on the file system.
std::vector<fs::path> lf_regcodeTextFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    {
        if (entry.is_regular_file() && gf_equalsUpperCased(".TXT", entry.path().extension().string()))
        {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::size_t lf_appendDontUseTitles(const std::list<RegcodeEntry>& entries)
{
    std::size_t appended = 0;
    for (const RegcodeEntry& entry : entries)
    {
        if (entry.regcodes.empty())
        {
            gLiveries.DontUseTitles.push_back(entry.title);
            ++appended;
        }
    }
    return appended;
}

} // namespace

fs::path gf_regcodesEncPath()
{
    return fs::path("input") / "AIG-regcodes.enc";
}

fs::path gf_regcodesXmlPath()
{
    return fs::path("input") / "AIG-regcodes.xml";
}

fs::path gf_myRegcodesFolder()
{
    return fs::path("input") / "my_regcodes";
}

fs::path gf_offlineRegcodesReportPath()
{
    return fs::path("output") / "info" / "OfflineRegcodes.txt";
}

fs::path gf_inlineRegcodesReportPath()
{
    return fs::path("output") / "errors" / "InlineRegcodes.txt";
}

bool gf_readRegcodesXml(std::string_view plain, std::list<RegcodeEntry>& entries)
{
    const fs::path file = gf_regcodesXmlPath();
    pugi::xml_document doc;
    if (!doc.load_buffer(plain.data(), plain.size()))
    {
        gf_logMarked(fmt::format("Failed to load {}", file.string()));
        return false;
    }
    bool good = true;
    std::string previous;
    for (const pugi::xml_node& livery : doc.child("AIG-regcodes").children("livery"))
    {
        std::string title = livery.attribute("title").value();
        if (title.empty())
        {
            continue;
        }
        if (title == previous)
        {
            gf_logMarked(fmt::format("SAME AS PREVIOUS title '{}'", title));
            good = false;
            continue;
        }
        previous = title;
        entries.push_back(RegcodeEntry{std::move(title),
                                       lf_regAttributeCodes(livery.attribute("reg").value()),
                                       livery.attribute("special").as_bool()});
    }
    gf_log(fmt::format("{} {} read from {}", entries.size(), lf_liveryWord(entries.size()), file.string()));
    return good;
}

bool gf_readRegcodeTextFiles(const fs::path& folder, std::list<RegcodeEntry>& entries)
{
    bool good = true;
    for (const fs::path& file : lf_regcodeTextFiles(folder))
    {
        const std::string fileText = file.string();
        gf_log(fmt::format("Processing regcodes file '{}'", fileText));
        std::vector<std::string> lines = gf_readPlainLines(file);
        // A file saved by an editor that marks UTF-8 would otherwise hide its first title.
        if (!lines.empty() && lines.front().starts_with("\xEF\xBB\xBF"))
        {
            lines.front().erase(0, 3);
        }
        for (const std::string& line : lines)
        {
            if (!line.empty() && !lf_readRegcodeLine(line, fileText, entries))
            {
                good = false;
            }
        }
    }
    gf_log(fmt::format("{} {}", entries.size(), lf_liveryWord(entries.size())));
    return good;
}

void gf_processInlineRegcodes()
{
    std::list<std::string> clashes;
    for (const LiveryData& livery : gLiveries.ScannedLiveries)
    {
        if (livery.atcid.empty())
        {
            continue;
        }
        const std::string_view title = gf_findLiveryTitle(livery.title);
        if (title.empty())
        {
            clashes.push_back(
                fmt::format("==> [{:3} {:4}] {} '{}' not available, system error, should not happen?",
                            livery.airl, livery.type, livery.atcid, livery.title));
            continue;
        }
        const auto [mapped, inserted] = gLiveries.RegcodeMap.try_emplace(livery.atcid, title);
        if (!inserted && mapped->second != title)
        {
            clashes.push_back(
                fmt::format("{} '{}' => already in use by '{}'", livery.atcid, livery.title, mapped->second));
        }
    }
    if (clashes.empty())
    {
        return;
    }
    const fs::path report = gf_inlineRegcodesReportPath();
    if (gf_writeReportLines(clashes, report))
    {
        gf_log(fmt::format("{} in-line regcode clashes, see '{}'", clashes.size(), report.string()));
    }
}

void gf_mergeRegcodes(const std::list<RegcodeEntry>& entries)
{
    std::int32_t added = 0;
    std::int32_t replaced = 0;
    std::int32_t special = 0;
    for (const RegcodeEntry& entry : entries)
    {
        const std::string_view title = gf_findLiveryTitle(entry.title);
        if (title.empty())
        {
            continue;
        }
        for (const std::string& code : entry.regcodes)
        {
            const auto [mapped, inserted] = gLiveries.RegcodeMap.try_emplace(code, title);
            if (inserted)
            {
                ++added;
            }
            else if (mapped->second != title)
            {
                gLiveries.RegcodeReport.push_back(fmt::format(
                    "   regcode {} for '{}', instead of the same for '{}'", code, title, mapped->second));
                mapped->second = title;
                ++replaced;
            }
        }
        if (entry.special)
        {
            gLiveries.SpecialTitles.push_back(title);
            ++special;
        }
    }
    std::string line = fmt::format("{} new regcode{} added", added, gf_pluralS32(added));
    if (replaced != 0)
    {
        line += fmt::format(", {} regcode{} replaced", replaced, gf_pluralS32(replaced));
    }
    if (special != 0)
    {
        line += fmt::format(", {} regcode{} defined as special", special, gf_pluralS32(special));
    }
    gLiveries.RegcodeReport.push_back(std::move(line));
}

void gf_processRegcodesXmlOffline(std::string_view plain)
{
    const fs::path file = gf_regcodesXmlPath();
    gLiveries.RegcodeReport.push_back(fmt::format("Processing file {}", file.string()));
    std::list<RegcodeEntry> entries;
    if (!gf_readRegcodesXml(plain, entries))
    {
        gLiveries.RegcodeReport.push_back(fmt::format(
            "There were errors processing the AIG-regcode file '{}', see Log.txt", file.string()));
    }
    gf_mergeRegcodes(entries);
}

void gf_processRegcodeFolderOffline()
{
    const fs::path folder = gf_myRegcodesFolder();
    if (gf_countFiles(folder) == 0)
    {
        return;
    }
    gLiveries.RegcodeReport.push_back(fmt::format("Processing files in {}", folder.string()));
    std::list<RegcodeEntry> entries;
    if (!gf_readRegcodeTextFiles(folder, entries))
    {
        gf_status().showMessage(
            fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt",
                        folder.string()),
            true);
    }
    gf_mergeRegcodes(entries);
}

void gf_processOfflineRegcodes()
{
    gLiveries.RegcodeReport.clear();
    // A missing or damaged download only drops its own part: the user's files still count.
    if (const std::optional<std::string> plain = lf_decryptRegcodes())
    {
        gf_processRegcodesXmlOffline(*plain);
    }
    gf_processRegcodeFolderOffline();

    // A report that cannot be removed or written (a read-only program folder) is said in the log and
    // stops nothing.
    const fs::path report = gf_offlineRegcodesReportPath();
    if (gLiveries.RegcodeReport.empty())
    {
        gf_removeFileIfExists(report);
        return;
    }
    if (gf_writeReportLines(gLiveries.RegcodeReport, report))
    {
        gf_log(fmt::format("Offline regcode files processed, results can be found in '{}'", report.string()));
    }
    if (!gLiveries.SpecialTitles.empty())
    {
        gf_log(fmt::format("{} special liveries", gLiveries.SpecialTitles.size()));
    }
}

void gf_collectDontUseTitlesXml()
{
    const std::optional<std::string> plain = lf_decryptRegcodes();
    if (!plain)
    {
        return;
    }
    std::list<RegcodeEntry> entries;
    gf_readRegcodesXml(*plain, entries);
    const std::size_t appended = lf_appendDontUseTitles(entries);
    gf_log(
        fmt::format("{} don't use title{} read", appended, gf_pluralS(static_cast<std::int64_t>(appended))));
}

void gf_collectDontUseTitlesFolder()
{
    const fs::path folder = gf_myRegcodesFolder();
    if (gf_countFiles(folder) == 0)
    {
        return;
    }
    std::list<RegcodeEntry> entries;
    gf_readRegcodeTextFiles(folder, entries);
    const std::size_t appended = lf_appendDontUseTitles(entries);
    gf_log(fmt::format("{} don't use title{} read from files in {}", appended,
                       gf_pluralS(static_cast<std::int64_t>(appended)), folder.string()));
}

void gf_readDontUseTitles()
{
    for (void (*step)() : {&gf_collectDontUseTitlesXml, &gf_collectDontUseTitlesFolder})
    {
        try
        {
            step();
        }
        catch (const std::exception& error)
        {
            gf_logMarked(fmt::format("exception: {}", error.what()));
        }
    }
}

std::optional<std::string_view> gf_regcodeTitle(const std::string& registration)
{
    const auto found = gLiveries.RegcodeMap.find(registration);
    if (found == gLiveries.RegcodeMap.end())
    {
        return std::nullopt;
    }
    return found->second;
}

void gf_clearRegcodes()
{
    gLiveries.RegcodeMap.clear();
    gLiveries.SpecialTitles.clear();
    gLiveries.RegcodeReport.clear();
}

} // namespace oxl
