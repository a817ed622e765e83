// A settings folder of its own for a test: AppData in a temporary folder, the log captured, and
// every setting back at its default before and after the test.
#pragma once

#include <filesystem>
#include <string>

#include <pugixml.hpp>

#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

namespace oxl::test
{

/// Gives every setting of the key table its default value again.
void resetSettingsToDefaults();

/// OXL_APPDATA points into a temporary folder for the fixture's life; the log is captured.
class SettingsFolder
{
  public:
    SettingsFolder();
    ~SettingsFolder();
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

    /// <AppData>/Ordalis_P3D/parameters.xml.
    std::filesystem::path parametersFile() const;
    /// Writes parameters.xml with exactly these bytes (creating the folder).
    void writeParameters(const std::string& bytes) const;
    /// Loads parameters.xml; an empty document when it is missing or damaged.
    pugi::xml_document loadParameters() const;
    /// The "value" text of a key's element, or "<none>" without element, "<no value>" without attribute.
    std::string valueOf(const std::string& key) const;
    /// The log lines written so far.
    std::vector<std::string> logLines() const { return log_.lines(); }
    /// True when some log line equals the text.
    bool logged(const std::string& line) const { return log_.contains(line); }

  private:
    TempFolder appData_;
    ScopedEnv env_;
    LogCapture log_;
};

} // namespace oxl::test
