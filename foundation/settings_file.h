// parameters.xml: its place, its lock and atomic replacement, and the start-up load of every setting.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "foundation/parameters.h"

namespace oxl
{

/// The program's folder name below AppData.
inline constexpr const char* kSettingsFolderName = "Ordalis_P3D";
/// The settings file's name.
inline constexpr const char* kParametersFileName = "parameters.xml";

/// <AppData>/Ordalis_P3D (empty AppData gives a relative folder, as the lookup failed).
std::filesystem::path gf_settingsFolder();
/// <AppData>/Ordalis_P3D/parameters.xml.
std::filesystem::path gf_parametersPath();
/// The settings file's path as text, as every log line about the file shows it.
std::string gf_parametersPathText();
/// Looks AppData up again (once per process otherwise); tests call it after changing OXL_APPDATA.
void gf_refreshSettingsPaths();

/// Held around every load, change and write of parameters.xml.
std::mutex& gf_parametersFileMutex();
/// Loads parameters.xml into doc; false when it is missing, unreadable or not well-formed.
bool gf_loadParametersFile(pugi::xml_document& doc);
/// Writes doc to a temporary file beside parameters.xml and renames it over the file; false on failure.
/// The caller holds gf_parametersFileMutex().
bool gf_writeParametersFile(const pugi::xml_document& doc);
/// Appends every setting of the start-up load with its current value (empty folder settings left out).
void gf_addCurrentSettings(pugi::xml_node root);
/// gf_removeParameter for a caller that already holds gf_parametersFileMutex().
bool gf_removeParameterFromFile(const Parameter& parameter);

/// A whole-number setting of the control group: shown in a combo box or a number edit box.
struct BoundInt
{
    IntParameter& setting;         ///< the value
    const ControlBinding* control; ///< its control; null when another control's box sets it
};

/// What the start-up load shows in the main window and how it applies the range. The window layer
/// sits above the foundation, so the main window installs its own; tests derive from NoSettingsView.
class SettingsView
{
  public:
    SettingsView() = default;
    virtual ~SettingsView() = default;
    SettingsView(const SettingsView&) = delete;
    SettingsView& operator=(const SettingsView&) = delete;

    /// The check mark from the value.
    virtual void showCheck(const CheckBoxParameter& box) = 0;
    /// gf_setIntBoxText.
    virtual void showInt(const IntParameter& setting, const ControlBinding& control) = 0;
    /// gf_setStringBoxText.
    virtual void showString(const StringEditParameter& box) = 0;
    /// gf_setRange.
    virtual void applyRange(std::int32_t nm) = 0;
};

/// No window: nothing is shown and the range is not applied.
class NoSettingsView : public SettingsView
{
  public:
    void showCheck(const CheckBoxParameter& /*box*/) override {}
    void showInt(const IntParameter& /*setting*/, const ControlBinding& /*control*/) override {}
    void showString(const StringEditParameter& /*box*/) override {}
    void applyRange(std::int32_t /*nm*/) override {}
};

/// Installs the main window's side of the start-up load (not owned; replaces the previous one); null
/// restores the load without a window.
void gf_installSettingsView(SettingsView* view);
/// The installed view.
[[nodiscard]] SettingsView& gf_settingsView();

/// The start-up load: every listed setting from parameters.xml, the version update, the range.
void gf_loadAllParameters();

/// Reads the six lists in order, appends missing settings with their defaults, removes empty folder
/// settings, shows the values in their controls and logs them in one framed block.
void gf_readParameters(const std::vector<BoolParameter*>& bools,
                       const std::vector<CheckBoxParameter*>& checkBoxes,
                       const std::vector<IntParameter*>& hiddenInts, const std::vector<BoundInt>& controlInts,
                       const std::vector<StringParameter*>& strings,
                       const std::vector<StringEditParameter*>& editStrings);

/// Reads an on/off setting; appends its element with the now current default when it has none.
void gf_readOrAddBool(pugi::xml_document& doc, BoolParameter& parameter);
/// Reads a whole-number setting (logged); appends its element with the default when it has none.
void gf_readOrAddInt(pugi::xml_document& doc, IntParameter& parameter);

} // namespace oxl
