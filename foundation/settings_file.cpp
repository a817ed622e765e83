// parameters.xml: place, lock, atomic replacement and the start-up load.
#include "foundation/settings_file.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <fmt/format.h>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "foundation/config_keys.h"
#include "foundation/foundation_state.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "foundation/system_lookups.h"
#include "foundation/text_files.h"
#include "foundation/version_update.h"
#include "platform/clock.h"

namespace oxl
{
namespace
{

NoSettingsView gNoView;

SettingsPaths lf_paths()
{
    const std::lock_guard lock(gFoundation.gPathsMutex);
    if (!gFoundation.gSettingsPaths)
    {
        const std::filesystem::path folder = gf_getAppDataPath() / kSettingsFolderName;
        gFoundation.gSettingsPaths = SettingsPaths{folder, folder / kParametersFileName};
    }
    return *gFoundation.gSettingsPaths;
}

// A string setting the document lacks gets an element with its (now current) default.
void lf_readOrAddString(pugi::xml_document& doc, StringParameter& parameter)
{
    if (!parameter.read(doc))
    {
        if (pugi::xml_node root = doc.child("parameters"))
        {
            gf_addStringNode(root, parameter.name, parameter.value());
        }
    }
}

void lf_readExisting(pugi::xml_document& doc, SettingsView& view, const std::vector<BoolParameter*>& bools,
                     const std::vector<CheckBoxParameter*>& checkBoxes,
                     const std::vector<IntParameter*>& hiddenInts, const std::vector<BoundInt>& controlInts,
                     const std::vector<StringParameter*>& strings,
                     const std::vector<StringEditParameter*>& editStrings)
{
    gf_logIfRunning(fmt::format("from '{}'", gf_parametersPathText()));
    gf_dropRepeatedParameters(doc);
    for (BoolParameter* parameter : bools)
    {
        gf_readOrAddBool(doc, *parameter);
    }
    for (CheckBoxParameter* box : checkBoxes)
    {
        gf_readOrAddBool(doc, *box);
        view.showCheck(*box);
    }
    for (IntParameter* parameter : hiddenInts)
    {
        gf_readOrAddInt(doc, *parameter);
    }
    for (const BoundInt& bound : controlInts)
    {
        gf_readOrAddInt(doc, bound.setting);
        if (bound.control != nullptr)
            view.showInt(bound.setting, *bound.control);
    }
    for (StringParameter* parameter : strings)
    {
        if (!gf_isFolderParameter(parameter->name))
        {
            lf_readOrAddString(doc, *parameter);
            continue;
        }
        gf_readFolder(*parameter, doc);
        if (parameter->value().empty())
        {
            // An empty folder setting does not stay in the file.
            if (const pugi::xml_node element = gf_findParameterNode(doc, parameter->name))
            {
                element.parent().remove_child(element);
            }
            gf_removeParameterFromFile(*parameter);
        }
    }
    for (StringEditParameter* box : editStrings)
    {
        lf_readOrAddString(doc, *box);
        view.showString(*box);
    }
    gf_saveXml(doc, gf_parametersPath());
}

// How many damaged settings files are kept: a file torn at every start must not fill the disk.
constexpr std::size_t kKeptDamagedCopies = 5;
constexpr std::string_view kDamagedMark = ".damaged-";

using DamagedCopy = std::pair<std::pair<std::string, int>, std::filesystem::path>;

// The damaged copies of the file, oldest first. Their names end in the UTC time of the damage, then "-2",
// "-3" … for more in the same second.
std::vector<DamagedCopy> lf_damagedCopies(const std::filesystem::path& file)
{
    const std::string prefix = file.filename().string() + std::string(kDamagedMark);
    std::vector<DamagedCopy> copies;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(file.parent_path(), error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error))
    {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(prefix))
            continue;
        const std::string stamp = name.substr(prefix.size());
        const std::size_t dash = stamp.find('-', stamp.find('-') + 1);
        const int n = dash == std::string::npos ? 1 : std::atoi(stamp.c_str() + dash + 1);
        copies.push_back({{stamp.substr(0, dash), n}, entry->path()});
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

// The name for a new damaged copy: after every copy of the same second, even one already removed.
std::filesystem::path lf_newDamagedCopyName(const std::filesystem::path& file, const std::string& stamp)
{
    int last = 0;
    for (const DamagedCopy& copy : lf_damagedCopies(file))
        if (copy.first.first == stamp)
            last = std::max(last, copy.first.second);
    const std::string base = file.string() + std::string(kDamagedMark) + stamp;
    return last == 0 ? base : base + fmt::format("-{}", last + 1);
}

// Removes the oldest damaged copies beyond the few kept.
void lf_removeOldDamagedCopies(const std::filesystem::path& file)
{
    const std::vector<DamagedCopy> copies = lf_damagedCopies(file);
    std::error_code error;
    for (std::size_t i = 0; i + kKeptDamagedCopies < copies.size(); ++i)
    {
        if (std::filesystem::remove(copies[i].second, error))
            gf_logIfRunning(fmt::format("Older damaged copy {} removed", copies[i].second.string()));
    }
}

// A settings file that exists but does not load (torn by a power cut, edited by hand) is moved aside under
// a name of its own, so that the defaults written next destroy nothing. A link to nothing (the settings on
// a drive not mounted) is left as it is. Nothing when there is no file; false when it was left or could
// not be moved.
std::optional<bool> lf_keepUnreadableFile()
{
    const std::filesystem::path file = gf_parametersPath();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(file, error);
    if (!std::filesystem::exists(status))
    {
        return std::nullopt;
    }
    if (std::filesystem::is_symlink(status) && !std::filesystem::exists(file, error))
    {
        const std::string text = fmt::format(
            "{} is a link to {}, which is missing: default values taken, the link is left as it is",
            gf_parametersPathText(), std::filesystem::read_symlink(file, error).string());
        gf_status().showMessage(text, false);
        gf_logIfRunning(text + ":");
        return false;
    }
    std::tm utc{};
    (void)plat::breakDownUtc(plat::utcNowSeconds(), utc);
    const std::filesystem::path copy = lf_newDamagedCopyName(
        file, fmt::format("{:04}{:02}{:02}-{:02}{:02}{:02}", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                          utc.tm_hour, utc.tm_min, utc.tm_sec));
    std::filesystem::rename(file, copy, error);
    const std::string text =
        error ? fmt::format(
                    "{} could not be read nor kept ({}), default values taken, the file is left as it is",
                    gf_parametersPathText(), error.message())
              : fmt::format("{} could not be read, kept as {}, default values taken", gf_parametersPathText(),
                            copy.string());
    // The window keeps it in view beside the start-up error that the defaults bring, short enough to
    // leave that error room; the log names the file and where it went.
    gf_status().showNotice(error ? "settings reset, unreadable file left as it is, see Log.txt"
                                 : "settings reset, unreadable file kept, see Log.txt");
    gf_logIfRunning(text + ":");
    if (!error)
    {
        lf_removeOldDamagedCopies(file);
    }
    return !error;
}

void lf_writeDefaults(SettingsView& view, const std::vector<BoolParameter*>& bools,
                      const std::vector<CheckBoxParameter*>& checkBoxes,
                      const std::vector<IntParameter*>& hiddenInts, const std::vector<BoundInt>& controlInts,
                      const std::vector<StringParameter*>& strings,
                      const std::vector<StringEditParameter*>& editStrings)
{
    const std::optional<bool> kept = lf_keepUnreadableFile();
    if (!kept)
    {
        gf_logIfRunning(fmt::format("{} not found, default values taken:", gf_parametersPathText()));
    }
    pugi::xml_document doc;
    const pugi::xml_node root = doc.append_child("parameters");
    for (BoolParameter* parameter : bools)
    {
        gf_addBoolParam(*parameter, root);
    }
    for (CheckBoxParameter* box : checkBoxes)
    {
        gf_addBoolParam(*box, root);
        view.showCheck(*box);
    }
    for (IntParameter* parameter : hiddenInts)
    {
        gf_addIntParam(*parameter, root);
    }
    for (const BoundInt& bound : controlInts)
    {
        gf_addIntParam(bound.setting, root);
        if (bound.control != nullptr)
            view.showInt(bound.setting, *bound.control);
    }
    for (StringParameter* parameter : strings)
    {
        if (!gf_isFolderParameter(parameter->name))
        {
            gf_addStringParam(*parameter, root);
        }
    }
    for (StringEditParameter* box : editStrings)
    {
        gf_addStringParam(*box, root);
        view.showString(*box);
    }
    if (kept.value_or(true))
    {
        gf_saveXml(doc, gf_parametersPath());
    }
}

} // namespace

std::filesystem::path gf_settingsFolder()
{
    return lf_paths().folder;
}

std::filesystem::path gf_parametersPath()
{
    return lf_paths().file;
}

std::string gf_parametersPathText()
{
    return lf_paths().file.string();
}

void gf_refreshSettingsPaths()
{
    const std::lock_guard lock(gFoundation.gPathsMutex);
    gFoundation.gSettingsPaths.reset();
}

std::mutex& gf_parametersFileMutex()
{
    return gFoundation.gParametersFileMutex;
}

bool gf_loadParametersFile(pugi::xml_document& doc)
{
    return static_cast<bool>(doc.load_file(gf_parametersPath().c_str()));
}

bool gf_writeParametersFile(const pugi::xml_document& doc)
{
    return static_cast<bool>(
        gf_replaceFile(gf_parametersPath(), [&doc](std::ostream& out) { doc.save(out); }));
}

void gf_installSettingsView(SettingsView* view)
{
    gFoundation.gSettingsView.store(view);
}

SettingsView& gf_settingsView()
{
    SettingsView* const view = gFoundation.gSettingsView.load();
    return view != nullptr ? *view : gNoView;
}

void gf_readOrAddBool(pugi::xml_document& doc, BoolParameter& parameter)
{
    if (!parameter.read(doc))
    {
        if (pugi::xml_node root = doc.child("parameters"))
        {
            gf_addBoolNode(root, parameter.name, parameter.value());
        }
    }
}

void gf_readOrAddInt(pugi::xml_document& doc, IntParameter& parameter)
{
    if (!parameter.read(doc, true))
    {
        if (pugi::xml_node root = doc.child("parameters"))
        {
            gf_addIntNode(root, parameter.name, parameter.value());
        }
    }
}

void gf_readParameters(const std::vector<BoolParameter*>& bools,
                       const std::vector<CheckBoxParameter*>& checkBoxes,
                       const std::vector<IntParameter*>& hiddenInts, const std::vector<BoundInt>& controlInts,
                       const std::vector<StringParameter*>& strings,
                       const std::vector<StringEditParameter*>& editStrings)
{
    SettingsView& view = gf_settingsView();
    if (!gf_stopSeen())
        gf_logSpaced("\n{}", gf_boxedText(70, 0, false, false, "parameters"));
    {
        // The whole read, append and write is one change of the file: a save from another thread
        // waits for it instead of being overwritten by it.
        const std::lock_guard lock(gf_parametersFileMutex());
        pugi::xml_document doc;
        if (gf_loadParametersFile(doc))
        {
            lf_readExisting(doc, view, bools, checkBoxes, hiddenInts, controlInts, strings, editStrings);
        }
        else
        {
            lf_writeDefaults(view, bools, checkBoxes, hiddenInts, controlInts, strings, editStrings);
        }
    }
    if (!gf_stopSeen())
        gf_logSpaced("{}\n", gf_boxedText(70, 10, false, false, ""));
}

namespace
{

// The six lists of the start-up load, in their order.
struct StartupLists
{
    std::vector<BoolParameter*> bools;
    std::vector<CheckBoxParameter*> checkBoxes;
    std::vector<IntParameter*> hiddenInts;
    std::vector<BoundInt> controlInts;
    std::vector<StringParameter*> strings;
    std::vector<StringEditParameter*> editStrings;
};

StartupLists lf_startupLists()
{
    std::vector<BoolParameter*> bools{&RANDOM};
    std::vector<CheckBoxParameter*> checkBoxes{&DRELLAND,
                                               &AFG_AUTOMATIC,
                                               &COLLISION_USER_AIR,
                                               &COLLISION_USER_GND,
                                               &COLLISION_LIVE_PARKED_GND,
                                               &SUPPRESS_STUB,
                                               &LOG,
                                               &ALWAYS_ON_TOP,
                                               &SCAN_LIVERIES,
                                               &LIG_AUTOMATIC,
                                               &LIG_PRIORITIZE,
                                               &SCAN_AIRPORTS,
                                               &LIGHT_AIRCRAFT,
                                               &HELICOPTERS,
                                               &HIGH_PERF_AIRCRAFT,
                                               &NAV_LIGHTS_WHILE_PARKED,
                                               &AUTO_RANGE,
                                               &LEARN_SOFT,
                                               &STRAIGHT_PBS_ONLY,
                                               &PARK_SOFT,
                                               &PARK_FAKE,
                                               &WEEK,
                                               &INITIAL_LOAD_ONLY,
                                               &GUID_CHANGES};
    std::vector<IntParameter*> hiddenInts{&CUSTOM_PARKING_PERCENTAGE,
                                          &MAIN_WINDOW_X,
                                          &MAIN_WINDOW_Y,
                                          &LATERAL_RANGE,
                                          &AIRPORT_RANGE,
                                          &AUTO_RANGE_ABOVE_HEIGHT,
                                          &AIRPORT_HEIGHT,
                                          &LAST_EPOCH_TIME,
                                          &HOLDING_THRESHOLD_METERS,
                                          &MAX_HOLDING_MINUTES,
                                          &CUSTOM_MAX_PARK,
                                          &MAX_LIVE,
                                          &P3D_VERSION};
    // MAX_FIT has no control of its own: the "Max fit" box shows MAX_FIT_FL, which follows from it.
    std::vector<BoundInt> controlInts{{MATCHING_DEPTH, &MATCHING_DEPTH},
                                      {RANGE, &RANGE},
                                      {MAX_FIT, nullptr},
                                      {AR_ABOVE_HEIGHT, &AR_ABOVE_HEIGHT},
                                      {MAX_PARK_SEL, &MAX_PARK_SEL},
                                      {MAX_LIVE_SEL, &MAX_LIVE_SEL},
                                      {AIRP_RANGE, &AIRP_RANGE},
                                      {AIRP_HEIGHT, &AIRP_HEIGHT}};
    std::vector<StringParameter*> strings{&PROGRAM_VERSION, &SIM_INSTALL_PATH, &PORT_NUMBER};
    for (StringParameter& folder : lfolder)
    {
        strings.push_back(&folder);
    }
    for (StringParameter& folder : afolder)
    {
        strings.push_back(&folder);
    }
    strings.insert(strings.end(), {&PROGRAM_INSTALL_PATH, &AIG_VERSION, &DBASE_VERSION, &DESTINATION});
    std::vector<StringEditParameter*> editStrings{&BLOCK_CALLSIGN};

    return {std::move(bools),       std::move(checkBoxes), std::move(hiddenInts),
            std::move(controlInts), std::move(strings),    std::move(editStrings)};
}

} // namespace

void gf_addCurrentSettings(pugi::xml_node root)
{
    const StartupLists lists = lf_startupLists();
    for (const BoolParameter* parameter : lists.bools)
        gf_addBoolNode(root, parameter->name, parameter->value());
    for (const CheckBoxParameter* box : lists.checkBoxes)
        gf_addBoolNode(root, box->name, box->value());
    for (const IntParameter* parameter : lists.hiddenInts)
        gf_addIntNode(root, parameter->name, parameter->value());
    for (const BoundInt& bound : lists.controlInts)
        gf_addIntNode(root, bound.setting.name, bound.setting.value());
    for (const StringParameter* parameter : lists.strings)
        if (!gf_isFolderParameter(parameter->name) || !parameter->value().empty())
            gf_addStringNode(root, parameter->name, parameter->value());
    for (const StringEditParameter* box : lists.editStrings)
        gf_addStringNode(root, box->name, box->value());
}

void gf_loadAllParameters()
{
    const StartupLists lists = lf_startupLists();
    gf_readParameters(lists.bools, lists.checkBoxes, lists.hiddenInts, lists.controlInts, lists.strings,
                      lists.editStrings);

    gf_checkVersionUpdate();
    gf_settingsView().applyRange(RANGE.value());
}

} // namespace oxl
