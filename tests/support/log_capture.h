// Captures the program's log in a temporary folder so tests can assert on its lines.
#pragma once

#include "tests/support/temp_folder.h"

#include <string>
#include <vector>

namespace oxl::test
{

/// Opens the log as Log.txt in a fresh temporary folder; closes it at the end.
class LogCapture
{
  public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    /// Every line written so far after the header line.
    std::vector<std::string> lines() const;
    /// True when some line equals the text.
    bool contains(const std::string& line) const;
    /// The log file.
    std::filesystem::path file() const { return folder_ / "Log.txt"; }

  private:
    TempFolder folder_;
};

/// Makes each steady-clock reading a second after the one before, so that no repeated log line is held
/// back; plat::setSteadySource({}) ends it.
void stepSteadyClock();

/// The lines of a file split at line feeds (a last line without one counts too).
std::vector<std::string> splitLines(const std::string& bytes);

} // namespace oxl::test
