// The objects of every setting, in the order in which the program makes them.
#include "foundation/config_keys.h"

#include "foundation/units.h"

namespace oxl
{
namespace
{

constexpr std::int32_t kRangeDefaultNm = 40;

// Each combo's choices are made just before the combo.
const std::vector<std::int32_t> kMaxLiveChoices{0, 10, 25, 50, 75, 100, 500};
const std::vector<std::int32_t> kRangeChoices{2,  3,  4,  5,  6,  8,  10, 12, 14, 16,
                                              18, 20, 25, 30, 35, 40, 50, 65, 80, 100};
const std::vector<std::int32_t> kMatchingDepthChoices{1, 2, 3, 4};
const std::vector<std::int32_t> kArAboveHeightChoices{18000, 21000, 24000, 27000, 30000, 33000,
                                                      36000, 39000, 42000, 45000, 48000};
const std::vector<std::int32_t> kAirpRangeChoices{5, 10, 15, 20, 25, 30};
const std::vector<std::int32_t> kAirpHeightChoices{2000,  4000,  6000,  8000,  10000, 12000,
                                                   14000, 16000, 18000, 36000, 48000};

} // namespace

StringParameter DBASE_VERSION{"DBASE_VERSION", ""};
StringParameter AIG_VERSION{"AIG_VERSION", ""};
CheckBoxParameter HIGH_PERF_AIRCRAFT{"HIGH_PERF_AIRCRAFT", true, 32811, 203};
CheckBoxParameter HELICOPTERS{"HELICOPTERS", true, 32810, 203};
CheckBoxParameter LIGHT_AIRCRAFT{"LIGHT_AIRCRAFT", true, 32809, 203};
StringParameter PROGRAM_VERSION{"PROGRAM_VERSION", ""};
ButtonControl gFlushStaticButton{"Flush static", 32858, 369};
EditParameter<FloatParameter> MAX_FIT_FL{"MAX_FIT_FL", 24.0F, 0.5F, 24.0F, 32855, 371};
ComboParameter MAX_LIVE_SEL{"MAX_LIVE_SEL", 500, kMaxLiveChoices, 32847, 315};
ComboParameter RANGE{"RANGE", kRangeDefaultNm, kRangeChoices, 32818, 231};
IntParameter MAX_LIVE{"MAX_LIVE", -1, -1, 300};
CheckBoxParameter LEARN_SOFT{"LEARN_SOFT", true, 32777, 175};
CheckBoxParameter WEEK{"WEEK", false, 32854, 371};
EditParameter<IntParameter> MAX_FIT{"MAX_FIT", 47, 0, 47, 32853, 371};
EditParameter<IntParameter> parking_percentage{"parking_percentage", 30, 0, 100, 32848, 371};
CheckBoxParameter PARK_FAKE{"PARK_FAKE", false, 32852, 371};
CheckBoxParameter PARK_SOFT{"PARK_SOFT", true, 32851, 371};
CheckBoxParameter INITIAL_LOAD_ONLY{"INITIAL_LOAD_ONLY", false, 32850, 371};
CheckBoxParameter AUTO_RANGE{"AUTO_RANGE", true, 32819, 231};
IntParameter LATERAL_RANGE{"LATERAL_RANGE", 40, 2, 100};
IntParameter HOLDING_THRESHOLD_METERS{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
IntParameter MAX_HOLDING_MINUTES{"MAX_HOLDING_MINUTES", 20, 1, 60};
IntParameter CUSTOM_PARKING_PERCENTAGE{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
StringParameter PROGRAM_INSTALL_PATH{"PROGRAM_INSTALL_PATH", ""};
IntParameter LAST_EPOCH_TIME{"LAST_EPOCH_TIME:", 0, 0, 2147483647};
BoolParameter RANDOM{"RANDOM", true};
StringParameter PORT_NUMBER{"PORT_NUMBER", "10747"};
IntParameter P3D_VERSION{"P3D_VERSION", 5, 5, 6};
std::array<StringParameter, 10> lfolder{StringParameter{"lfolder0", ""}, StringParameter{"lfolder1", ""},
                                        StringParameter{"lfolder2", ""}, StringParameter{"lfolder3", ""},
                                        StringParameter{"lfolder4", ""}, StringParameter{"lfolder5", ""},
                                        StringParameter{"lfolder6", ""}, StringParameter{"lfolder7", ""},
                                        StringParameter{"lfolder8", ""}, StringParameter{"lfolder9", ""}};
std::array<StringParameter, 10> afolder{StringParameter{"afolder0", ""}, StringParameter{"afolder1", ""},
                                        StringParameter{"afolder2", ""}, StringParameter{"afolder3", ""},
                                        StringParameter{"afolder4", ""}, StringParameter{"afolder5", ""},
                                        StringParameter{"afolder6", ""}, StringParameter{"afolder7", ""},
                                        StringParameter{"afolder8", ""}, StringParameter{"afolder9", ""}};
StringEditParameter ALL_INSTALL_PATH{"ALL_INSTALL_PATH", "", 32788, 119};
StringParameter SIM_INSTALL_PATH{"SIM_INSTALL_PATH", ""};
CheckBoxParameter SCAN_LIVERIES{"SCAN_LIVERIES", true, 32797, 147};
CheckBoxParameter LIG_AUTOMATIC{"LIG_AUTOMATIC", true, 32798, 147};
CheckBoxParameter LIG_PRIORITIZE{"LIG_PRIORITIZE", false, 32799, 147};
CheckBoxParameter SUPPRESS_STUB{"SUPPRESS_STUB", true, 32800, 147};
CheckBoxParameter LOG{"LOG", true, 32779, 147};
CheckBoxParameter ALWAYS_ON_TOP{"ALWAYS_ON_TOP", false, 32771, 147};
CheckBoxParameter SCAN_AIRPORTS{"SCAN_AIRPORTS", true, 32801, 175};
CheckBoxParameter AFG_AUTOMATIC{"AFG_AUTOMATIC", true, 32802, 175};
CheckBoxParameter NAV_LIGHTS_WHILE_PARKED{"NAV_LIGHTS_WHILE_PARKED", true, 32778, 175};
ComboParameter MATCHING_DEPTH{"MATCHING_DEPTH", 4, kMatchingDepthChoices, 32808, 203};
CheckBoxParameter DRELLAND{"DRELLAND", false, 32775, 203};
CheckBoxParameter GUID_CHANGES{"GUID_CHANGES", true, 32773, 203};
ComboParameter AR_ABOVE_HEIGHT{"AR_ABOVE_HEIGHT", 48000, kArAboveHeightChoices, 32820, 231};
IntParameter AUTO_RANGE_ABOVE_HEIGHT{"AUTO_RANGE_ABOVE_HEIGHT", 49000, 18000, 49000};
StringEditParameter BLOCK_CALLSIGN{"BLOCK_CALLSIGN", "", 32828, 259};
ButtonControl gUnblockButton{"Unblock", 32829, 257};
CheckBoxParameter COLLISION_USER_AIR{"COLLISION_USER_AIR", true, 32833, 287};
CheckBoxParameter COLLISION_USER_GND{"COLLISION_USER_GND", true, 32834, 287};
CheckBoxParameter COLLISION_LIVE_PARKED_GND{"COLLISION_LIVE_PARKED_GND", false, 32835, 287};
ComboParameter MAX_PARK_SEL{"MAX_PARK_SEL", 500, MAX_LIVE_SEL.choices, 32846, 315};
IntParameter CUSTOM_MAX_PARK{"CUSTOM_MAX_PARK", -1, -1, 500};
StringEditParameter DESTINATION{"DESTINATION", "", 32839, 343};
ComboParameter AIRP_RANGE{"AIRP_RANGE", 20, kAirpRangeChoices, 32840, 343};
IntParameter AIRPORT_RANGE{"AIRPORT_RANGE", 20, 8, 30};
ComboParameter AIRP_HEIGHT{"AIRP_HEIGHT", 18000, kAirpHeightChoices, 32841, 343};
IntParameter AIRPORT_HEIGHT{"AIRPORT_HEIGHT", 18000, 2000, 45000};
CheckBoxParameter STRAIGHT_PBS_ONLY{"STRAIGHT_PBS_ONLY", false, 32856, 315};
ButtonControl gRereadButton{"Re-read", 32838, 341};
IntParameter MAIN_WINDOW_X{"MAIN_WINDOW_X", 400, -30000, 30000};
IntParameter MAIN_WINDOW_Y{"MAIN_WINDOW_Y", 20, -30000, 30000};

StringParameter gMetaAuthor{"author", ""};
StringParameter gMetaDate{"date", ""};
StringParameter gMetaVersion{"version", ""};
StringParameter gMetaCopyright{"copyright", "Copyright (C) the Ordalis_P3D developers. All rights reserved."};
StringParameter gMetaMsfs{"MSFS", ""};
StringParameter gMetaP3d{"P3D", ""};

// Constant-initialised, so that they hold RANGE's default even before any dynamic initialisation.
constinit std::atomic<double> gRangeNm{static_cast<double>(kRangeDefaultNm)};
constinit std::atomic<std::uint32_t> gRangeMeters{
    wholeNmToMetres(static_cast<std::uint32_t>(kRangeDefaultNm))};

const std::filesystem::path gDbasePath = std::filesystem::path(kDataFolderName) / kDbaseFileName;
const std::filesystem::path gRegcodePath = std::filesystem::path(kDataFolderName) / kRegcodeFileName;

const std::vector<Parameter*>& gf_configurationKeys()
{
    static const std::vector<Parameter*> keys{&DBASE_VERSION,
                                              &AIG_VERSION,
                                              &HIGH_PERF_AIRCRAFT,
                                              &HELICOPTERS,
                                              &LIGHT_AIRCRAFT,
                                              &PROGRAM_VERSION,
                                              &gFlushStaticButton,
                                              &MAX_FIT_FL,
                                              &MAX_LIVE_SEL,
                                              &RANGE,
                                              &MAX_LIVE,
                                              &LEARN_SOFT,
                                              &WEEK,
                                              &MAX_FIT,
                                              &parking_percentage,
                                              &PARK_FAKE,
                                              &PARK_SOFT,
                                              &INITIAL_LOAD_ONLY,
                                              &AUTO_RANGE,
                                              &LATERAL_RANGE,
                                              &HOLDING_THRESHOLD_METERS,
                                              &MAX_HOLDING_MINUTES,
                                              &CUSTOM_PARKING_PERCENTAGE,
                                              &PROGRAM_INSTALL_PATH,
                                              &LAST_EPOCH_TIME,
                                              &RANDOM,
                                              &PORT_NUMBER,
                                              &P3D_VERSION,
                                              &lfolder[0],
                                              &lfolder[1],
                                              &lfolder[2],
                                              &lfolder[3],
                                              &lfolder[4],
                                              &lfolder[5],
                                              &lfolder[6],
                                              &lfolder[7],
                                              &lfolder[8],
                                              &lfolder[9],
                                              &afolder[0],
                                              &afolder[1],
                                              &afolder[2],
                                              &afolder[3],
                                              &afolder[4],
                                              &afolder[5],
                                              &afolder[6],
                                              &afolder[7],
                                              &afolder[8],
                                              &afolder[9],
                                              &ALL_INSTALL_PATH,
                                              &SIM_INSTALL_PATH,
                                              &SCAN_LIVERIES,
                                              &LIG_AUTOMATIC,
                                              &LIG_PRIORITIZE,
                                              &SUPPRESS_STUB,
                                              &LOG,
                                              &ALWAYS_ON_TOP,
                                              &SCAN_AIRPORTS,
                                              &AFG_AUTOMATIC,
                                              &NAV_LIGHTS_WHILE_PARKED,
                                              &MATCHING_DEPTH,
                                              &DRELLAND,
                                              &GUID_CHANGES,
                                              &AR_ABOVE_HEIGHT,
                                              &AUTO_RANGE_ABOVE_HEIGHT,
                                              &BLOCK_CALLSIGN,
                                              &gUnblockButton,
                                              &COLLISION_USER_AIR,
                                              &COLLISION_USER_GND,
                                              &COLLISION_LIVE_PARKED_GND,
                                              &MAX_PARK_SEL,
                                              &CUSTOM_MAX_PARK,
                                              &DESTINATION,
                                              &AIRP_RANGE,
                                              &AIRPORT_RANGE,
                                              &AIRP_HEIGHT,
                                              &AIRPORT_HEIGHT,
                                              &STRAIGHT_PBS_ONLY,
                                              &gRereadButton,
                                              &MAIN_WINDOW_X,
                                              &MAIN_WINDOW_Y};
    return keys;
}

} // namespace oxl
