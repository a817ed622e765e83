// The program's log, Log.txt in the working folder: one line per event from every thread, each flushed,
// and each one line of valid UTF-8 without control characters, whatever its caller passed.
#pragma once

#include <filesystem>
#include <fmt/format.h>
#include <string>
#include <string_view>

namespace oxl
{

/// The log's file name, relative to the working folder.
inline constexpr std::string_view kLogFileName = "Log.txt";

/// Writes the text as one line, whatever it holds: every line feed in it (at its start and end too), other
/// control characters and bytes that are not UTF-8 are escaped as gf_showBytes shows them.
void gf_log(std::string_view text);
/// Writes "===> " and the text (warnings and failures).
void gf_logMarked(std::string_view text);
/// Writes ten blanks and the text (continuation lines).
void gf_logIndented(std::string_view text);
/// Writes the text only while neither gFoundation.gStopRequested nor gFoundation.gWindowClosed is set.
void gf_logIfRunning(const std::string& text);

/// Rotates the backups (Log0.txt, Log00.txt), opens Log.txt afresh and writes the header line. A log that
/// cannot be rotated is kept and this run's lines follow it; a folder that takes no log sends it to a
/// folder of the user's own (plat::privateFolder "Ordalis_P3D"). No link at a log's name is followed.
/// std::runtime_error "Failed to write file Log.txt" when no log can be opened anywhere. A log removed or
/// renamed away while the program runs is made again at its path, and says so.
void gf_openLog();
/// The same for a log at another path (the backups are named after it), with the folder it falls back to
/// (empty: none), taken only when it is the user's own (plat::makePrivateFolder).
void gf_openLog(const std::filesystem::path& logPath, const std::filesystem::path& fallbackFolder = {});
/// Flushes and closes the log; later lines are dropped until it is opened again.
void gf_closeLog();
/// Moves the first backup onto the second and the log onto the first; without a log, copies the first
/// backup over the second. A failed step raises std::filesystem::filesystem_error and leaves every earlier
/// log whole. A path without '.' is left alone.
void gf_rotateLog(const std::filesystem::path& logPath);
/// For the message line: why the log cannot be written now ("The log Log.txt cannot be written: the disk
/// is full"); empty while it can.
std::string gf_logTrouble();
/// For the message line: what the last opening did instead of the usual (the log kept unrotated, or written
/// to another folder); empty when nothing. A log written to another folder is said on standard error too.
std::string gf_logStartNotice();
/// The path the log is written to when its folder took none and it went to a folder of the user's own;
/// empty while it is written where it was opened for (or not at all).
std::string gf_logElsewhere();

/// Outside text (datagrams, replies of other programs) as a field of a line: shown by gf_showBytes with its
/// backslashes doubled ("\\", "\n", "\x1b"), so that what it holds cannot pass for an escape, and cut
/// after a few hundred characters, followed by "... (N bytes)". Every line of the log is safe without it;
/// it keeps a field of outside text short and readable.
std::string gf_outsideText(std::string_view text);

/// How a line is written: as gf_log, gf_logMarked or gf_logIndented write it.
enum class LogForm
{
    plain,
    marked,
    indented,
};

/// Writes the text in the form.
void gf_logAs(LogForm form, std::string_view text);

namespace log_detail
{
/// gf_logSpaced's work, for a format that the compiler checked to be one of the program's literals.
void logSpaced(std::string_view format, fmt::format_args args);
} // namespace log_detail

/// Writes one line of the program's own format, a literal, with its arguments, set apart by the empty
/// lines that line feeds at the format's start and end ask for ("\nReading {} ..."). The arguments are
/// escaped as gf_log escapes text: only the program's literal, never outside text, sets lines apart.
template <typename... Args> void gf_logSpaced(fmt::format_string<Args...> format, const Args&... args)
{
    const fmt::string_view literal = format;
    log_detail::logSpaced({literal.data(), literal.size()}, fmt::make_format_args(args...));
}

/// A heading or closing line of stars of width a + b (rounded up to even), with an optional title.
std::string gf_boxedText(int a, int b, bool leadingBreak, bool trailingBreak, const std::string& title);

} // namespace oxl
