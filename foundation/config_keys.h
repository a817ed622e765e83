// Every setting of the program as one global object, with its key, default, range or choices and
// the control that shows it; the meta-block entry names; the radius values derived from RANGE;
// the fixed names of the data files. All are made before main, in this order, in one source file.
// Each setting guards its own current value (atomics; strings behind their own mutex), so any thread
// may read or set one; the radius values are constant-initialised atomics.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "foundation/parameters.h"

namespace oxl
{

// Settings, in the order in which they are made. Controls show the quoted labels.
extern StringParameter DBASE_VERSION;            ///< version of the installed dbase data file
extern StringParameter AIG_VERSION;              ///< version of the installed registration-code data file
extern CheckBoxParameter HIGH_PERF_AIRCRAFT;     ///< "FighterJets"
extern CheckBoxParameter HELICOPTERS;            ///< "Helicopters"
extern CheckBoxParameter LIGHT_AIRCRAFT;         ///< "Light aircraft"
extern StringParameter PROGRAM_VERSION;          ///< program version of the last run
extern ButtonControl gFlushStaticButton;         ///< button "Flush static"
extern EditParameter<FloatParameter> MAX_FIT_FL; ///< "Max fit:" [h]
extern ComboParameter MAX_LIVE_SEL;              ///< "Max live (park incl):"
extern ComboParameter RANGE;                     ///< "Radius:" traffic injection radius [nm]
extern IntParameter MAX_LIVE;                    ///< older form of MAX_LIVE_SEL
extern CheckBoxParameter LEARN_SOFT;             ///< "Learn Soft"
extern CheckBoxParameter WEEK;                   ///< "Week"
extern EditParameter<IntParameter> MAX_FIT;      ///< fit limit in half hours; set by the "Max fit:" box
extern EditParameter<IntParameter> parking_percentage; ///< "Target: " ... "%"
extern CheckBoxParameter PARK_FAKE;                    ///< "Fake"
extern CheckBoxParameter PARK_SOFT;                    ///< "Soft"
extern CheckBoxParameter INITIAL_LOAD_ONLY;            ///< "ILO"
extern CheckBoxParameter AUTO_RANGE;                   ///< "Auto range"
extern IntParameter LATERAL_RANGE;                     ///< older form of RANGE [nm]
extern IntParameter HOLDING_THRESHOLD_METERS;          ///< holding threshold [m]
extern IntParameter MAX_HOLDING_MINUTES;               ///< longest holding [min]
extern IntParameter CUSTOM_PARKING_PERCENTAGE;         ///< custom parking percentage (-1: none)
extern StringParameter PROGRAM_INSTALL_PATH;           ///< program install path
extern IntParameter LAST_EPOCH_TIME;                   ///< stored as "LAST_EPOCH_TIME:" [s since 1970]
extern BoolParameter RANDOM;                           ///< switches random picks and shuffles on
extern StringParameter PORT_NUMBER;                    ///< TCP port of the traffic-source link
extern IntParameter P3D_VERSION;                       ///< simulator version 5 or 6
extern std::array<StringParameter, 10> lfolder;   ///< livery folders of a manual livery scan (lfolder0..9)
extern std::array<StringParameter, 10> afolder;   ///< airport folders of a manual airport scan (afolder0..9)
extern StringEditParameter ALL_INSTALL_PATH;      ///< "Install path:"
extern StringParameter SIM_INSTALL_PATH;          ///< simulator install path
extern CheckBoxParameter SCAN_LIVERIES;           ///< "Scan for liveries"
extern CheckBoxParameter LIG_AUTOMATIC;           ///< "Automatic" (livery row)
extern CheckBoxParameter LIG_PRIORITIZE;          ///< "Prioritize"
extern CheckBoxParameter SUPPRESS_STUB;           ///< "Stub"
extern CheckBoxParameter LOG;                     ///< "Log"
extern CheckBoxParameter ALWAYS_ON_TOP;           ///< "Stay on top"
extern CheckBoxParameter SCAN_AIRPORTS;           ///< "Scan for addon airports"
extern CheckBoxParameter AFG_AUTOMATIC;           ///< "Automatic" (airport row)
extern CheckBoxParameter NAV_LIGHTS_WHILE_PARKED; ///< "Nav lights"
extern ComboParameter MATCHING_DEPTH;             ///< "Max aircraft matching depth"
extern CheckBoxParameter DRELLAND;           ///< "Drelland": mode for users of the host simulator Morvath
extern CheckBoxParameter GUID_CHANGES;       ///< "GUID changes"
extern ComboParameter AR_ABOVE_HEIGHT;       ///< "Ah:" ... "ft" [ft]
extern IntParameter AUTO_RANGE_ABOVE_HEIGHT; ///< older form of AR_ABOVE_HEIGHT [ft]
extern StringEditParameter BLOCK_CALLSIGN;   ///< "Block:" callsign to block
extern ButtonControl gUnblockButton;         ///< button "Unblock"
extern CheckBoxParameter COLLISION_USER_AIR; ///< "User air"
extern CheckBoxParameter COLLISION_USER_GND; ///< "User ground"
extern CheckBoxParameter COLLISION_LIVE_PARKED_GND; ///< "Live X parked"
extern ComboParameter MAX_PARK_SEL;                 ///< "Max park (static+live):"
extern IntParameter CUSTOM_MAX_PARK;                ///< older form of MAX_PARK_SEL
extern StringEditParameter DESTINATION;             ///< "Destination:" ICAO code
extern ComboParameter AIRP_RANGE;                   ///< "Range:" ... "nm" [nm]
extern IntParameter AIRPORT_RANGE;                  ///< older form of AIRP_RANGE [nm]
extern ComboParameter AIRP_HEIGHT;                  ///< "Height above gnd:" ... "ft" [ft]
extern IntParameter AIRPORT_HEIGHT;                 ///< older form of AIRP_HEIGHT [ft]
extern CheckBoxParameter STRAIGHT_PBS_ONLY;         ///< "Straight push backs only"
extern ButtonControl gRereadButton;                 ///< button "Re-read"
/// Main window's left edge [px], stored in parameters.xml; made with the main window's settings.
extern IntParameter MAIN_WINDOW_X;
/// Main window's top edge [px], stored in parameters.xml.
extern IntParameter MAIN_WINDOW_Y;

// Entry names of the meta block of XML data files (not settings, never in parameters.xml).
extern StringParameter gMetaAuthor;    ///< "author"
extern StringParameter gMetaDate;      ///< "date"
extern StringParameter gMetaVersion;   ///< "version"
extern StringParameter gMetaCopyright; ///< "copyright"; its default is the program's notice
extern StringParameter gMetaMsfs;      ///< "MSFS"
extern StringParameter gMetaP3d;       ///< "P3D"

/// Traffic radius [nm], unclamped, kept in step with RANGE by the main window's range setter.
extern std::atomic<double> gRangeNm;
/// Traffic radius [m] (RANGE x 1852), kept in step with RANGE.
extern std::atomic<std::uint32_t> gRangeMeters;

/// Data folder of the encrypted data files, relative to the program folder.
inline constexpr std::string_view kDataFolderName = "input";
/// Encrypted aircraft and airline database.
inline constexpr std::string_view kDbaseFileName = "dbase.enc";
/// Encrypted registration-code list.
inline constexpr std::string_view kRegcodeFileName = "AIG-regcodes.enc";
/// Installer of a new program version, removed after an update.
inline constexpr std::string_view kInstallerFileName = "install_new_version.exe";
/// input/dbase.enc.
extern const std::filesystem::path gDbasePath;
/// input/AIG-regcodes.enc.
extern const std::filesystem::path gRegcodePath;

/// Every setting and button above (MAIN_WINDOW_X and MAIN_WINDOW_Y last), in the order they are made.
const std::vector<Parameter*>& gf_configurationKeys();

} // namespace oxl
