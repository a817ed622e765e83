// Text files written by many hands: charset detection, reading lines as UTF-8, writing text files and
// saving XML documents.
#pragma once

#include "foundation/disk_refusal.h"
#include "foundation/foundation_state.h"
#include "platform/win_path.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <list>
#include <optional>
#include <ostream>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// The encoding of a text file, decided from its first 1027 bytes.
enum class Charset : std::uint32_t
{
    ANSI = 0,               ///< single-byte text that is not valid UTF-8
    Unicode = 1,            ///< UTF-16 little-endian (FF FE)
    Unicode_big_endian = 2, ///< UTF-16 big-endian (FE FF)
    UTF8_with_BOM = 3,      ///< UTF-8 starting with EF BB BF
    UTF8_without_BOM = 4,   ///< valid UTF-8 sequences, plain ASCII included
    none_found = 5,         ///< the file could not be opened or read, or holds fewer than 2 bytes
};

/// Number of bytes at the head of a file that decide its charset.
inline constexpr std::size_t kCharsetHeadBytes = 1027;

/// The word of a charset ("ANSI" … "none_found"); std::out_of_range for any other value.
const std::string& gf_charsetWord(Charset charset);

/// The charset of a file from its first 1027 bytes; none_found (logged when it cannot be opened) on failure.
Charset gf_detectCharset(const std::filesystem::path& file);
/// The same for a Windows path; the log line names its Windows text.
Charset gf_detectCharset(const WinPath& file);

/// Appends the file's lines as UTF-8; false when it cannot be opened or its UTF-16 is invalid (shown on the
/// message line); std::runtime_error "file {} has unknown charset: {}" for none_found.
bool gf_readLinesWithCharset(Charset charset, const std::filesystem::path& file,
                             std::vector<std::string>& lines);
/// The same for a Windows path.
bool gf_readLinesWithCharset(Charset charset, const WinPath& file, std::vector<std::string>& lines);

/// Detects the charset and appends the file's lines as UTF-8; false (failures logged) when not read.
bool gf_readExtTextFileToStringVector(const std::filesystem::path& file, std::vector<std::string>& lines);
/// The same for a Windows path.
bool gf_readExtTextFileToStringVector(const WinPath& file, std::vector<std::string>& lines);
/// Another name of gf_readExtTextFileToStringVector, used by the livery and airport readers.
bool gf_readTextFileLines(const std::filesystem::path& file, std::vector<std::string>& lines);

/// A file path and the lines read from it.
struct TextFileLines
{
    std::string path;               ///< the file (UTF-8 path text)
    std::vector<std::string> lines; ///< its lines, without line ends
};

/// Replaces the record's lines by the file's lines read as 8-bit text (no conversion); empty when unreadable.
std::vector<std::string>& gf_readPlainLines(TextFileLines& record, std::size_t expectedLines);
/// The lines of a file read as 8-bit text (no conversion); empty when it cannot be opened.
std::vector<std::string> gf_readPlainLines(const std::filesystem::path& file);

/// Appends every remaining line of a UTF-16 byte stream as UTF-8: a mark FE FF or FF FE is consumed and
/// chooses the byte order (big-endian without one); a CR before each LF stays. Invalid UTF-16 raises
/// win32::Utf8ConversionException after the lines before it were appended.
void gf_getlineUtf8(std::istream& bytes, std::vector<std::string>& lines);

/// Replaces the file by what write puts out: a regular (or new) file through a temporary file beside it,
/// flushed to the disk before it is renamed over the file, so that neither a failed write nor a power cut
/// destroys the good copy; the temporary files that earlier saves of it left are removed first. A link is
/// kept and the file it leads to replaced the same way; a link to nothing is left alone; anything else (a
/// device) is written in place. Not done on failure, which is logged with its reason and carries the disk's
/// refusal when the disk was why.
SaveResult gf_replaceFile(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write);
/// Why a writer could not put out its bytes: the reason, and the system's error when writing them failed.
struct WriteFailure
{
    std::string reason;
    std::error_code error;
    /// The writer has logged why itself (a transfer that failed: nothing was saved), so no failed save is
    /// logged.
    bool reported = false;
};
/// What writes a file's bytes and can fail on its own (a transfer): the failure, or nothing when it is done.
using FileWriter = std::function<std::optional<WriteFailure>(std::ostream&)>;
/// As gf_replaceFile, for a writer that can fail on its own: then the old file stays, and the reason is
/// logged unless the writer reported it.
SaveResult gf_replaceFileFrom(const std::filesystem::path& file, const FileWriter& write);
/// Writes the text and a line feed, replacing the file; false when it could not be written.
bool gf_writeTextFile(std::string_view text, const std::filesystem::path& file);
/// Writes one line per element, replacing the file; false when it could not be written.
bool gf_writeLines(const std::vector<std::string>& lines, const std::filesystem::path& file);
/// Writes a report for people, one line per element shown as the log shows text (gf_showBytes), a line
/// feed inside an element escaped as well; replaces the file; false when it could not be written.
bool gf_writeReportLines(const std::vector<std::string>& lines, const std::filesystem::path& file);
/// The same for a list.
bool gf_writeReportLines(const std::list<std::string>& lines, const std::filesystem::path& file);

/// Removes the temporary files that saves of `file` cut short by a crash or a kill left beside it; logs each.
void gf_removeStaleTemporaries(const std::filesystem::path& file);
/// Saves the document with the XML library's defaults, replacing the file; logs "'{}' saved" or
/// "could not save to '{}'".
SaveResult gf_saveXml(const pugi::xml_document& doc, const std::filesystem::path& file);
/// The value of the node's first attribute of that name, "" when it has none.
std::string gf_attributeAsString(const pugi::xml_node& node, std::string_view name);

} // namespace oxl
