#include "foundation/text_files.h"

#include "foundation/disk_refusal.h"
#include "foundation/errors.h"
#include "foundation/foundation_state.h"
#include "foundation/log.h"
#include "foundation/message_hook.h"
#include "foundation/utf.h"
#include "platform/durable_rename.h"
#include "platform/text_mode.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace oxl
{
namespace fs = std::filesystem;

namespace
{
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

const std::array<std::string, 6> kCharsetWords = {"ANSI",          "Unicode",          "Unicode_big_endian",
                                                  "UTF8_with_BOM", "UTF8_without_BOM", "none_found"};

// Only the structure of UTF-8 is tested here (overlong forms and surrogates pass), as the charset
// decides how to read a file, not whether its characters are valid.
bool isStructurallyUtf8(const unsigned char* bytes, std::size_t count)
{
    std::size_t i = 0;
    while (i < count)
    {
        const unsigned char lead = bytes[i];
        std::size_t length = 0;
        if (lead < 0x80)
        {
            length = 1;
        }
        else if ((lead & 0xE0) == 0xC0)
        {
            length = 2;
        }
        else if ((lead & 0xF0) == 0xE0)
        {
            length = 3;
        }
        else if ((lead & 0xF8) == 0xF0)
        {
            length = 4;
        }
        else
        {
            return false;
        }
        if (i + length > count)
        {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k)
        {
            if ((bytes[i + k] & 0xC0) != 0x80)
            {
                return false;
            }
        }
        i += length;
    }
    return true;
}

Charset detect(const fs::path& file, std::string_view shown)
{
    errno = 0;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr)
    {
        gf_log(fmt::format("Cannot open file {} for character encoding. Win32 error: {}", shown,
                           plat::lastError()));
        return Charset::none_found;
    }
    std::array<unsigned char, kCharsetHeadBytes> head{};
    const std::size_t count = std::fread(head.data(), 1, head.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || count < 2)
    {
        return Charset::none_found;
    }
    if (count >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)
    {
        return Charset::UTF8_with_BOM;
    }
    if (head[0] == 0xFF && head[1] == 0xFE)
    {
        return Charset::Unicode;
    }
    if (head[0] == 0xFE && head[1] == 0xFF)
    {
        return Charset::Unicode_big_endian;
    }
    return isStructurallyUtf8(head.data(), count) ? Charset::UTF8_without_BOM : Charset::ANSI;
}

bool readLines(Charset charset, const fs::path& file, std::string_view shown, std::vector<std::string>& lines)
{
    switch (charset)
    {
    case Charset::Unicode:
    case Charset::Unicode_big_endian:
    {
        std::ifstream in(file, std::ios::binary);
        if (!in.is_open())
        {
            return false;
        }
        try
        {
            gf_getlineUtf8(in, lines);
        }
        catch (const win32::Utf8ConversionException& e)
        {
            gf_foundationShowMessage(
                fmt::format("conversion from error from utf16 to utf8, code: {}", e.errorCode()), true);
            return false;
        }
        catch (const std::runtime_error& e)
        {
            gf_foundationShowMessage(std::string("conversion from error from utf16 to utf8: ") + e.what(),
                                     true);
            return false;
        }
        return true;
    }
    case Charset::UTF8_with_BOM:
    case Charset::ANSI:
    case Charset::UTF8_without_BOM:
    {
        std::ifstream in(file, std::ios::binary);
        if (!in.is_open())
        {
            return false;
        }
        const std::size_t first = lines.size();
        std::string line;
        while (plat::getTextLine(in, line))
        {
            lines.push_back(line);
        }
        // The mark belongs to this file's first line, never to a line an earlier read left in the vector.
        if (charset == Charset::UTF8_with_BOM && lines.size() > first && lines[first].starts_with(kUtf8Bom))
        {
            lines[first].erase(0, kUtf8Bom.size());
        }
        return true;
    }
    default:
        throw std::runtime_error(
            fmt::format("file {} has unknown charset: {}", shown, gf_charsetWord(charset)));
    }
}

bool readExt(const fs::path& file, std::string_view shown, std::vector<std::string>& lines)
{
    try
    {
        const Charset charset = detect(file, shown);
        if (charset == Charset::none_found)
        {
            return false;
        }
        return readLines(charset, file, shown, lines);
    }
    catch (const std::exception& e)
    {
        gf_log(fmt::format("gf_readExtTextFileToStringVector {}", e.what()));
        return false;
    }
}

} // namespace

namespace
{
// The file whose save gave a temporary file its name: "<name>.<serial>.tmp", or "<name>.part" that
// downloads of earlier versions left; "" for any other name.
std::string savedFileOf(std::string_view candidate)
{
    if (candidate.ends_with(".part"))
    {
        return std::string(candidate.substr(0, candidate.size() - 5));
    }
    if (!candidate.ends_with(".tmp"))
    {
        return {};
    }
    const std::string_view rest = candidate.substr(0, candidate.size() - 4);
    const std::size_t dot = rest.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == rest.size() ||
        !std::all_of(rest.begin() + static_cast<std::ptrdiff_t>(dot) + 1, rest.end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
    {
        return {};
    }
    return std::string(rest.substr(0, dot));
}

// The leftovers of the folder as this process first found them (listed now when it was not yet).
std::vector<std::string>& folderLeftovers(const fs::path& folder)
{
    auto& all = gFoundation.gLeftovers;
    const fs::path key = folder.lexically_normal();
    const auto found = std::find_if(all.begin(), all.end(), [&key](const auto& f) { return f.first == key; });
    if (found != all.end())
    {
        return found->second;
    }
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator entry(folder, ec); !ec && entry != fs::directory_iterator();
         entry.increment(ec))
    {
        std::string name = entry->path().filename().string();
        if (!savedFileOf(name).empty())
        {
            names.push_back(std::move(name));
        }
    }
    // A folder that is not there yet has no leftovers, and none of this process's own.
    return all.emplace_back(key, std::move(names)).second;
}

// The last failed call's error, as the system gives it.
std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// Logs a failed save; the result carries the refusal when the disk was why.
SaveResult saveFailed(const fs::path& file, const std::string& reason, const std::error_code& error = {})
{
    gf_log(fmt::format("Saving '{}' did not succeed: {}", file.string(), reason));
    return SaveResult{false, gf_writeRefused(file, error)};
}

// Writes the whole file; why when that fails, with the system's error when it has one.
std::optional<WriteFailure> writeWhole(const fs::path& path, const FileWriter& write)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open())
    {
        const std::error_code error = lastError();
        return WriteFailure{error.message(), error};
    }
    std::optional<WriteFailure> failure = write(out);
    out.flush();
    out.close();
    if (failure)
    {
        return failure;
    }
    if (out.fail())
    {
        const std::error_code error = lastError();
        return WriteFailure{error.message(), error};
    }
    return std::nullopt;
}

// A write that failed: logged as a failed save unless the writer said why itself.
SaveResult writeFailed(const fs::path& file, const WriteFailure& failure)
{
    if (failure.reported)
        return SaveResult{false, gf_writeRefused(file, failure.error)};
    return saveFailed(file, failure.reason, failure.error);
}

// A folder removed while the program runs is made again by the next save into it.
SaveResult folderReady(const fs::path& file, const fs::path& target)
{
    const fs::path folder = target.parent_path();
    std::error_code ec;
    if (folder.empty() || fs::is_directory(folder, ec))
    {
        return SaveResult{true, std::nullopt};
    }
    fs::create_directories(folder, ec);
    if (ec)
    {
        return saveFailed(file, fmt::format("its folder cannot be made ({})", ec.message()), ec);
    }
    gf_log(fmt::format("Folder '{}' was missing and is made again", folder.string()));
    return SaveResult{true, std::nullopt};
}

// A file system without a flush of its own still takes the file; the log says so once.
void noteUnflushed(const fs::path& target, const std::error_code& unflushed)
{
    if (unflushed && !gFoundation.gUnflushedSaid.exchange(true))
    {
        gf_log(
            fmt::format("Files are saved without a flush to the disk: the file system of '{}' has none ({})",
                        target.parent_path().string(), unflushed.message()));
    }
}

// Removes the temporary file unless the save is done with it.
class Temporary
{
  public:
    explicit Temporary(fs::path path) : path_(std::move(path)) {}
    ~Temporary()
    {
        std::error_code ec;
        if (!renamed_)
            fs::remove(path_, ec);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    const fs::path& path() const { return path_; }
    void renamed() { renamed_ = true; }

  private:
    fs::path path_;
    bool renamed_ = false;
};
} // namespace

SaveResult gf_replaceFile(const fs::path& file, const std::function<void(std::ostream&)>& write)
{
    return gf_replaceFileFrom(file,
                              [&write](std::ostream& out) -> std::optional<WriteFailure>
                              {
                                  write(out);
                                  return std::nullopt;
                              });
}

SaveResult gf_replaceFileFrom(const fs::path& file, const FileWriter& write)
{
    std::error_code ec;
    fs::path target = file;
    const fs::file_status status = fs::symlink_status(file, ec);
    if (fs::is_symlink(status))
    {
        // A link (settings kept on another drive) stays: the file it leads to is replaced. A link to
        // nothing (that drive not mounted) is left as it is.
        target = fs::canonical(file, ec);
        if (ec)
        {
            return saveFailed(file, "it is a link to '" + fs::read_symlink(file, ec).string() +
                                        "', which is missing");
        }
    }
    else if (fs::exists(status) && !fs::is_regular_file(status))
    {
        const std::optional<WriteFailure> failure = writeWhole(file, write);
        return failure ? writeFailed(file, *failure) : SaveResult{true, std::nullopt};
    }
    else if (!fs::exists(status))
    {
        if (SaveResult ready = folderReady(file, target); !ready)
            return ready;
    }
    gf_removeStaleTemporaries(target);
    fs::path name = target;
    name += fmt::format(".{}.tmp", gFoundation.gTemporarySerial.fetch_add(1));
    Temporary temporary(name);
    if (const std::optional<WriteFailure> failure = writeWhole(name, write))
    {
        return writeFailed(file, *failure);
    }
    const std::error_code unflushed = plat::renameDurably(name, target, ec);
    if (ec)
    {
        return saveFailed(file, ec.message(), ec);
    }
    temporary.renamed();
    noteUnflushed(target, unflushed);
    return SaveResult{true, std::nullopt};
}

namespace
{
template <typename Lines> bool writeEach(const Lines& lines, const fs::path& file)
{
    return static_cast<bool>(gf_replaceFile(file,
                                            [&lines](std::ostream& out)
                                            {
                                                for (const std::string& line : lines)
                                                {
                                                    out << line << '\n';
                                                }
                                            }));
}

// A report is read by a person, in an editor or on a terminal: its lines hold titles, paths and codes
// from other programs' files and folders, shown by the rule of the log, each element on one line whatever
// it holds (a folder's name may hold a line feed).
template <typename Lines> bool writeReport(const Lines& lines, const fs::path& file)
{
    return static_cast<bool>(gf_replaceFile(file,
                                            [&lines](std::ostream& out)
                                            {
                                                for (const std::string& element : lines)
                                                    out << gf_showBytes(element) << '\n';
                                            }));
}
} // namespace

const std::string& gf_charsetWord(Charset charset)
{
    return kCharsetWords.at(static_cast<std::size_t>(charset));
}

Charset gf_detectCharset(const fs::path& file)
{
    return detect(file, file.string());
}

Charset gf_detectCharset(const WinPath& file)
{
    return detect(file.real(), file.text());
}

bool gf_readLinesWithCharset(Charset charset, const fs::path& file, std::vector<std::string>& lines)
{
    return readLines(charset, file, file.string(), lines);
}

bool gf_readLinesWithCharset(Charset charset, const WinPath& file, std::vector<std::string>& lines)
{
    return readLines(charset, file.real(), file.text(), lines);
}

bool gf_readExtTextFileToStringVector(const fs::path& file, std::vector<std::string>& lines)
{
    return readExt(file, file.string(), lines);
}

bool gf_readExtTextFileToStringVector(const WinPath& file, std::vector<std::string>& lines)
{
    return readExt(file.real(), file.text(), lines);
}

bool gf_readTextFileLines(const fs::path& file, std::vector<std::string>& lines)
{
    return gf_readExtTextFileToStringVector(file, lines);
}

std::vector<std::string>& gf_readPlainLines(TextFileLines& record, std::size_t expectedLines)
{
    record.lines.clear();
    std::ifstream in(fs::path(record.path), std::ios::binary);
    if (!in.is_open())
    {
        return record.lines;
    }
    record.lines.reserve(expectedLines);
    std::string line;
    while (plat::getTextLine(in, line))
    {
        record.lines.push_back(line);
    }
    return record.lines;
}

std::vector<std::string> gf_readPlainLines(const fs::path& file)
{
    TextFileLines record{file.string(), {}};
    gf_readPlainLines(record, 0);
    return std::move(record.lines);
}

void gf_getlineUtf8(std::istream& bytes, std::vector<std::string>& lines)
{
    const std::string raw{std::istreambuf_iterator<char>(bytes), std::istreambuf_iterator<char>()};
    auto byteAt = [&raw](std::size_t i) { return static_cast<unsigned char>(raw[i]); };
    std::size_t pos = 0;
    bool bigEndian = true;
    if (raw.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE)
    {
        bigEndian = false;
        pos = 2;
    }
    else if (raw.size() >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF)
    {
        pos = 2;
    }
    std::u16string line;
    bool pending = false;
    for (; pos + 1 < raw.size(); pos += 2)
    {
        const char16_t unit = bigEndian ? static_cast<char16_t>((byteAt(pos) << 8) | byteAt(pos + 1))
                                        : static_cast<char16_t>((byteAt(pos + 1) << 8) | byteAt(pos));
        if (unit == u'\n')
        {
            lines.push_back(gf_utf16ToUtf8(line));
            line.clear();
            pending = false;
        }
        else
        {
            line.push_back(unit);
            pending = true;
        }
    }
    // Half a code unit at the end is not UTF-16: the last line fails like an unpaired surrogate.
    if (pos < raw.size())
    {
        throw win32::Utf8ConversionException("Invalid UTF-16 sequence found in input string.",
                                             plat::kErrorNoUnicodeTranslation,
                                             win32::Utf8ConversionException::kFromUtf16);
    }
    if (pending)
    {
        lines.push_back(gf_utf16ToUtf8(line));
    }
}

bool gf_writeTextFile(std::string_view text, const fs::path& file)
{
    return static_cast<bool>(gf_replaceFile(file, [text](std::ostream& out) { out << text << '\n'; }));
}

bool gf_writeLines(const std::vector<std::string>& lines, const fs::path& file)
{
    return writeEach(lines, file);
}

bool gf_writeReportLines(const std::vector<std::string>& lines, const fs::path& file)
{
    return writeReport(lines, file);
}

bool gf_writeReportLines(const std::list<std::string>& lines, const fs::path& file)
{
    return writeReport(lines, file);
}

void gf_removeStaleTemporaries(const fs::path& file)
{
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const std::string name = file.filename().string();
    std::vector<fs::path> removed;
    {
        const std::lock_guard lock(gFoundation.gLeftoversMutex);
        std::vector<std::string>& leftovers = folderLeftovers(folder);
        std::erase_if(leftovers,
                      [&](const std::string& leftover)
                      {
                          if (savedFileOf(leftover) != name)
                          {
                              return false;
                          }
                          std::error_code ec;
                          if (fs::remove(folder / leftover, ec))
                          {
                              removed.push_back(folder / leftover);
                          }
                          return true;
                      });
    }
    for (const fs::path& path : removed)
    {
        gf_log(fmt::format("'{}' left by an interrupted save removed", path.string()));
    }
}

SaveResult gf_saveXml(const pugi::xml_document& doc, const fs::path& file)
{
    SaveResult saved = gf_replaceFile(file, [&doc](std::ostream& out) { doc.save(out); });
    gf_log(saved ? fmt::format("'{}' saved", file.string())
                 : fmt::format("could not save to '{}'", file.string()));
    return saved;
}

std::string gf_attributeAsString(const pugi::xml_node& node, std::string_view name)
{
    if (node.empty())
    {
        return {};
    }
    for (const pugi::xml_attribute& attribute : node.attributes())
    {
        if (name == attribute.name())
        {
            return attribute.value();
        }
    }
    return {};
}

} // namespace oxl
