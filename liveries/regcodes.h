// Registration codes: which installed livery title belongs to which real aircraft registration. They
// come from the liveries' own ATC ids, the downloaded input/AIG-regcodes.enc and the user's text files
// in input/my_regcodes, merged in that order, a later source overriding an earlier one.
#pragma once

#include "liveries/dbase.h"

#include <filesystem>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oxl
{

/// One entry of a regcode file.
struct RegcodeEntry
{
    std::string title;                 ///< livery title
    std::vector<std::string> regcodes; ///< in the order written; none marks a title not to be used
    bool special = false;              ///< the title is reserved for its registrations
};

/// Titles reserved for their registrations, once per special entry merged.
/// Report lines of the offline pass (output/info/OfflineRegcodes.txt).

/// input/AIG-regcodes.enc.
std::filesystem::path gf_regcodesEncPath();
/// input/AIG-regcodes.xml, which exists only while it is read.
std::filesystem::path gf_regcodesXmlPath();
/// input/my_regcodes.
std::filesystem::path gf_myRegcodesFolder();
/// output/info/OfflineRegcodes.txt.
std::filesystem::path gf_offlineRegcodesReportPath();
/// output/errors/InlineRegcodes.txt.
std::filesystem::path gf_inlineRegcodesReportPath();

/// Appends the entries of the plain AIG-regcodes XML (decrypted in memory, named in the log as
/// input/AIG-regcodes.xml); true when it was read without error.
bool gf_readRegcodesXml(std::string_view plain, std::list<RegcodeEntry>& entries);
/// Appends the entries of the .TXT files directly in the folder; true when every line was good.
/// A failing directory walk raises std::filesystem::filesystem_error.
bool gf_readRegcodeTextFiles(const std::filesystem::path& folder, std::list<RegcodeEntry>& entries);

/// Maps the ATC ids of the scanned liveries; clashes go to output/errors/InlineRegcodes.txt.
void gf_processInlineRegcodes();
/// Merges entries into gLiveries.RegcodeMap and gLiveries.SpecialTitles, adding their summary line to
/// gLiveries.RegcodeReport.
void gf_mergeRegcodes(const std::list<RegcodeEntry>& entries);
/// The downloaded file and then the user's files, merged, and the report written.
void gf_processOfflineRegcodes();
/// The downloaded file's part of the offline pass, from its decrypted text.
void gf_processRegcodesXmlOffline(std::string_view plain);
/// The user's files' part of the offline pass.
void gf_processRegcodeFolderOffline();

/// Before a livery scan: fills gLiveries.DontUseTitles from the entries of both sources that have no regcode.
void gf_readDontUseTitles();
/// The downloaded file's part of gf_readDontUseTitles.
void gf_collectDontUseTitlesXml();
/// The user's files' part of gf_readDontUseTitles.
void gf_collectDontUseTitlesFolder();

/// The livery title the regcode map gives a registration; none when it holds no such regcode.
std::optional<std::string_view> gf_regcodeTitle(const std::string& registration);

/// Empties gLiveries.RegcodeMap and gLiveries.SpecialTitles (their views die with the indexes).
void gf_clearRegcodes();

} // namespace oxl
