// The program's log, Log.txt in the working folder: one line per event from every thread, each flushed.
#pragma once

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace oxl
{

/// The log's output stream; written only under gLogMutex and only while open.
extern std::ofstream gLogFile;
/// Held while one line is written.
extern std::mutex gLogMutex;

/// The log's file name, relative to the working folder.
inline constexpr std::string_view kLogFileName = "Log.txt";

/// Writes the text as one line.
void gf_log(std::string_view text);
/// Writes "===> " and the text (warnings and failures).
void gf_logMarked(std::string_view text);
/// Writes ten blanks and the text (continuation lines).
void gf_logIndented(std::string_view text);
/// Writes the text only while neither gFoundation.gStopRequested nor gFoundation.gWindowClosed is set.
void gf_logIfRunning(const std::string& text);

/// Rotates the backups (Log0.txt, Log00.txt), opens Log.txt afresh and writes the header line;
/// std::runtime_error "Failed to write file Log.txt" when it cannot be opened.
void gf_openLog();
/// The same for a log at another path (the backups are named after it).
void gf_openLog(const std::filesystem::path& logPath);
/// Flushes and closes the log; later lines are dropped until it is opened again.
void gf_closeLog();
/// Copies the first backup over the second and the log over the first (a path without '.' is left alone).
void gf_rotateLog(const std::filesystem::path& logPath);

/// A heading or closing line of stars of width a + b (rounded up to even), with an optional title.
std::string gf_boxedText(int a, int b, bool leadingBreak, bool trailingBreak, const std::string& title);

} // namespace oxl
