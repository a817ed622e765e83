// Learned files read back: what one run learned at the park airport (options, stand sizes and cargo
// marks, stands made by hand, hand-made files, the airport's settings) comes back in the next run, in
// the window's controls too, and is saved again with what that run learns; files that cannot be used
// are kept aside before a save can replace them.
#include "airports/airport_reading.h"
#include "airports/learned_files.h"
#include "airports/occupancy_learning.h"

#include "foundation/config_keys.h"
#include "foundation/half_hours.h"
#include "foundation/range.h"
#include "foundation/units.h"
#include "liveries/liveries_state.h"
#include "tests/support/airport_file_builder.h"
#include "tests/support/temp_folder.h"
#include "tests/window/window_fixture.h"
#include "window/parking_controls.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::AirportFileBuilder;
using test::optionAttributes;

constexpr const char* kAirportFile = "airports/my_ORBX/EHAM.xml";
constexpr const char* kLearnedFile = "airports/learned/simaddon/EHAM.xml";
constexpr const char* kKeptFile = "airports/learned/simaddon/EHAM0.xml";

/// A stand as a line: name, size, marks, then its options with identity, weekday, half-hours, callsigns.
std::string describe(const Stand& stand)
{
    std::string text =
        fmt::format("{} {:.1f}m{}{}{}{}", stand.name, nmToMetres(stand.radius),
                    stand.cargo != 0 ? " cargo" : "", stand.radiusChanged != 0 ? " radius_change" : "",
                    stand.cargoChanged != 0 ? " cargo_change" : "", stand.manual != 0 ? " manual" : "");
    for (const StandOccupancy& o : stand.options)
    {
        text += fmt::format(" [{} {} {} d{} {} {}{}{}{}]", o.registration, o.airline, o.type, o.weekday,
                            gf_bitset2hours(o.halfHours), o.callsign,
                            o.coupledCallsign.empty() ? "" : ":" + o.coupledCallsign,
                            o.kind == StandOptionKind::soft ? " soft" : "", o.fixed != 0 ? " fixed" : "");
    }
    return text;
}

/// Lists the choices in the setting's combo box, as the start of a cycle does.
void fillCombo(const ComboParameter& combo)
{
    const win::Hwnd box = win::getDlgItem(win::kMainWindow, combo.controlId);
    for (const std::int32_t choice : combo.choices)
        win::comboAddString(box, std::to_string(choice));
}

class LearnedRuns : public test::WindowTest
{
  protected:
    LearnedRuns()
    {
        test::resetSettingsToDefaults();
        gLiveries.gDbase.registrations.clear();
        open();
        fillCombo(RANGE);
        fillCombo(MAX_LIVE_SEL);
        AirportFileBuilder::airportFile("Schiphol", "simaddon", -11)
            .stand("A1", 52.30, 4.76, 30.0)
            .opt(optionAttributes("PH-FIX", "KLM", "B738", 1, "10,11", "KLM1"))
            .stand("B2", 52.31, 4.76, 30.0)
            .stand("C3", 52.32, 4.76, 30.0, 0.0, {{"cargo", "true"}})
            .write(kAirportFile);
    }
    ~LearnedRuns() override { test::resetSettingsToDefaults(); }

  public:
    /// A live aircraft seen standing at the stand at the time.
    void learn(const char* standName, const char* reg, const char* airline, const char* type,
               const char* callsign, DayHalfHour time)
    {
        const Stand* found = gf_findStandByName(state_.stands, standName);
        ASSERT_NE(found, nullptr) << standName;
        AcIdent ident;
        ident.registration = reg;
        ident.airline = airline;
        ident.type = type;
        ident.callsign = callsign;
        EXPECT_TRUE(lt_addStandOption(state_, found->standId, AcProfile(ident), time, false)) << reg;
    }

    /// The park airport's stand of that name; it must exist.
    Stand& stand(const char* name)
    {
        Stand* found = gf_findStandByName(state_.stands, name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }

  protected:
    /// A new run at the airport: the stands read from the airport file and its learned file.
    void startRun()
    {
        state_.reset();
        state_.parkAirport.code = "EHAM";
        info_ = {};
        ASSERT_EQ(gf_readApf(state_, kAirportFile, info_, quality_), "");
    }

    /// The run leaves the airport: what it learned, or a changed setting, is saved.
    void endRun()
    {
        bool parametersChanged = true;
        ASSERT_TRUE(gf_saveAirportFile(state_, info_, state_.handmadeFile != 0, parametersChanged));
    }

    std::vector<std::string> stands() const
    {
        std::vector<std::string> lines;
        for (const Stand& stand : state_.stands)
            lines.push_back(describe(stand));
        return lines;
    }

    bool logged(const std::string& line) const { return settings.logged(line); }

    static bool checked(const CheckBoxParameter& box)
    {
        return win::isDlgButtonChecked(win::kMainWindow, box.controlId);
    }
    static std::string boxText(const ControlBinding& box)
    {
        return win::getWindowText(win::getDlgItem(win::kMainWindow, box.controlId));
    }
    static int selected(const ComboParameter& combo)
    {
        return win::comboGetCurSel(win::getDlgItem(win::kMainWindow, combo.controlId));
    }
    static bool enabled(const ControlBinding& control)
    {
        return win::isWindowEnabled(win::getDlgItem(win::kMainWindow, control.controlId));
    }

    test::TempFolder program_;
    test::ScopedCurrentPath cwd_{program_.path()};
    ParkingState state_;
    ParkFileInfo info_;
    QualityPair quality_;
};

struct RunsRow
{
    const char* name;
    std::function<void()> prepare;          ///< before the first run: a learned file written by hand, if any
    std::function<void(LearnedRuns&)> run1; ///< what the first run learns
    std::function<void(LearnedRuns&)> run2; ///< what the second run learns
    std::vector<std::string> stands;        ///< the stands every later run reads
};

const std::string kA1Fixed = "[PH-FIX KLM B738 d1 10,11 KLM1 fixed]";

std::vector<RunsRow> runsRows()
{
    return {
        {"ChangedStands",
         [] {},
         [](LearnedRuns& r)
         {
             r.learn("A1", "PH-BXA", "KLM", "B738", "KLM1234", {1, 20});
             Stand& b2 = r.stand("B2");
             b2.radius = metresToNm(44.0);
             b2.radiusChanged = 1;
             Stand& c3 = r.stand("C3");
             c3.cargo = 0;
             c3.cargoChanged = 1;
         },
         [](LearnedRuns& r)
         {
             // The same aircraft a half-hour later stretches the option it left last time.
             r.learn("A1", "PH-BXA", "KLM", "B738", "KLM1234", {1, 21});
             r.learn("B2", "D-AIBA", "DLH", "A320", "DLH5", {2, 30});
         },
         {"A1 30.0m " + kA1Fixed + " [PH-BXA KLM B738 d1 20,21 KLM1234]",
          "B2 44.0m radius_change [D-AIBA DLH A320 d2 30 DLH5]", "C3 30.0m cargo_change"}},
        {"ManualStands",
         []
         {
             AirportFileBuilder::learnedFile("Schiphol", "simaddon")
                 .stand("M1", 52.33, 4.76, 25.0, 90.0, {{"manual", "true"}})
                 .write(kLearnedFile);
         },
         [](LearnedRuns& r) {
             r.learn("M1", "N123", "PVT", "C172", "N123", {3, 5});
         },
         [](LearnedRuns& r) {
             r.learn("M1", "N456", "PVT", "PA28", "", {3, 6});
         },
         {"A1 30.0m " + kA1Fixed, "B2 30.0m", "C3 30.0m cargo",
          "M1 25.0m manual [N123 PVT C172 d3 5 N123] [N456 PVT PA28 d3 6 ]"}},
        {"HandMadeFile",
         []
         {
             // Whatever its value, the key makes the file hand-made: its stands replace the airport file's.
             AirportFileBuilder::learnedFile("Schiphol", "simaddon")
                 .param("handmade", "false")
                 .param("altitude", -11)
                 .stand("H1", 52.34, 4.76, 20.0, 0.0, {{"ramp", "true"}})
                 .opt(optionAttributes("PH-HND", "KLM", "E190", 5, "1,2", "KLM9"))
                 .stand("H2", 52.35, 4.76, 40.0)
                 .write(kLearnedFile);
         },
         [](LearnedRuns& r) {
             r.learn("H2", "PH-BXA", "KLM", "B738", "KLM1234", {1, 20});
         },
         [](LearnedRuns& r) {
             r.learn("H1", "N123", "PVT", "C172", "N123", {2, 4});
         },
         {"H1 20.0m [PH-HND KLM E190 d5 1,2 KLM9 fixed] [N123 PVT C172 d2 4 N123 fixed]",
          "H2 40.0m [PH-BXA KLM B738 d1 20 KLM1234 fixed]"}},
    };
}

TEST_F(LearnedRuns, EveryRunKeepsWhatTheRunsBeforeLearned)
{
    for (const RunsRow& row : runsRows())
    {
        SCOPED_TRACE(row.name);
        fs::remove_all("airports/learned");
        row.prepare();
        startRun();
        row.run1(*this);
        endRun();
        startRun();
        EXPECT_TRUE(logged(fmt::format("Read from learned airport file: '{}'", kLearnedFile)));
        row.run2(*this);
        endRun();
        // A run that learns nothing but saves a changed setting, and the run after it: nothing is lost
        // and nothing doubles.
        startRun();
        EXPECT_EQ(stands(), row.stands);
        endRun();
        startRun();
        EXPECT_EQ(stands(), row.stands);
        EXPECT_FALSE(fs::exists(kKeptFile));
    }
}

TEST_F(LearnedRuns, TheAirportsSettingsComeBackInTheirControls)
{
    startRun();
    LEARN_SOFT.set(false);
    MAX_LIVE_SEL.set(75);
    RANGE.set(25);
    AUTO_RANGE.set(false);
    PARK_FAKE.set(true);
    WEEK.set(true);
    PARK_SOFT.set(false);
    parking_percentage.set(65);
    INITIAL_LOAD_ONLY.set(true);
    MAX_FIT.set(9);
    endRun();
    test::resetSettingsToDefaults();
    for (const CheckBoxParameter* box :
         {&LEARN_SOFT, &AUTO_RANGE, &PARK_FAKE, &WEEK, &PARK_SOFT, &INITIAL_LOAD_ONLY})
        gf_showCheckMark(*box);

    startRun();
    EXPECT_FALSE(LEARN_SOFT.value());
    EXPECT_FALSE(checked(LEARN_SOFT));
    EXPECT_EQ(MAX_LIVE_SEL.value(), 75);
    EXPECT_EQ(selected(MAX_LIVE_SEL), MAX_LIVE_SEL.choiceIndex(75));
    EXPECT_EQ(RANGE.value(), 25);
    EXPECT_EQ(selected(RANGE), RANGE.choiceIndex(25));
    EXPECT_TRUE(enabled(RANGE));
    EXPECT_FALSE(AUTO_RANGE.value());
    EXPECT_FALSE(checked(AUTO_RANGE));
    EXPECT_TRUE(PARK_FAKE.value() && checked(PARK_FAKE));
    EXPECT_TRUE(WEEK.value() && checked(WEEK));
    EXPECT_FALSE(PARK_SOFT.value() || checked(PARK_SOFT));
    EXPECT_EQ(parking_percentage.value(), 65);
    EXPECT_EQ(boxText(parking_percentage), "65");
    EXPECT_TRUE(INITIAL_LOAD_ONLY.value() && checked(INITIAL_LOAD_ONLY));
    EXPECT_EQ(MAX_FIT.value(), 9);
    EXPECT_FLOAT_EQ(MAX_FIT_FL.value(), 5.0F);
    EXPECT_EQ(boxText(MAX_FIT_FL), "5");
    for (const std::string line :
         {"          LEARN_SOFT              : false", "          MAX_LIVE                : 75",
          "          LATERAL_RANGE           : 25", "          AUTO_RANGE              : false",
          "          PARK_FAKE               : true", "          WEEK                    : true",
          "          PARK_SOFT               : false", "          parking_percentage      : 65",
          "          INITIAL_LOAD_ONLY       : true",
          "          MAX_FIT                 : 9 (max number of half hours, is 5 hrs decimal)"})
        EXPECT_TRUE(logged(line)) << line;
}

TEST_F(LearnedRuns, StoredNumbersAreMappedOntoTheChoices)
{
    struct Row
    {
        const char* name;
        std::vector<std::pair<const char*, const char*>> parameters;
        std::int32_t maxLive;
        std::int32_t range;
        bool autoRange;
        std::int32_t percentage;
    };
    const Row rows[] = {
        // An older save wrote -1 after a file without MAX_LIVE; -1 selects no choice, so it is read as 500.
        {"OlderSave", {{"MAX_LIVE", "-1"}, {"LATERAL_RANGE", "33"}}, 500, 35, false, 30},
        {"Twelve", {{"MAX_LIVE", "12"}, {"LATERAL_RANGE", "1"}}, 10, 2, false, 30},
        {"Zero", {{"MAX_LIVE", "0"}, {"parking_percentage", "0"}}, 0, 40, false, 0},
        {"BandEnds", {{"MAX_LIVE", "299"}, {"parking_percentage", "250"}}, 100, 40, false, 100},
        {"AboveTheLimit", {{"MAX_LIVE", "300"}, {"parking_percentage", "-5"}}, 500, 40, false, 0},
        // Without the keys the choices stay; the parking share goes back to its 30 %.
        {"Absent", {}, 50, 40, false, 30},
        // The radius of the file becomes the one to go back to when the user switches the box off.
        {"AutoRange", {{"LATERAL_RANGE", "20"}, {"AUTO_RANGE", "true"}}, 50, 20, true, 30},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        test::resetSettingsToDefaults();
        AUTO_RANGE.set(false);
        MAX_LIVE_SEL.set(50);
        gf_setIntBoxText(MAX_LIVE_SEL);
        parking_percentage.set(70);
        AirportFileBuilder file = AirportFileBuilder::learnedFile("Schiphol", "simaddon");
        for (const auto& [key, value] : row.parameters)
            file.param(key, value);
        file.write(kLearnedFile);
        startRun();
        EXPECT_EQ(MAX_LIVE_SEL.value(), row.maxLive);
        EXPECT_EQ(selected(MAX_LIVE_SEL), MAX_LIVE_SEL.choiceIndex(row.maxLive));
        EXPECT_EQ(RANGE.value(), row.range);
        EXPECT_EQ(AUTO_RANGE.value(), row.autoRange);
        EXPECT_EQ(enabled(RANGE), !row.autoRange);
        if (row.autoRange)
        {
            EXPECT_EQ(gf_manualRange(), row.range);
        }
        EXPECT_EQ(parking_percentage.value(), row.percentage);
        EXPECT_EQ(boxText(parking_percentage), std::to_string(row.percentage));
    }
}

TEST_F(LearnedRuns, LearnedStandsAreCheckedAgainstTheAirportFile)
{
    AirportFileBuilder::learnedFile("Schiphol", "simaddon")
        .stand("M1", 0.00005, 4.7, 20.0, 0.0, {{"manual", "true"}})
        .stand("M2", 52.4, 4.7, 0.0, 0.0, {{"manual", "true"}})
        .stand("M3", 0.00005, -0.00005, 20.0, 0.0, {{"manual", "true"}})
        .stand("A1", 52.5, 4.7, 20.0, 0.0, {{"manual", "true"}})
        .parkpos({{"id", "Z9"}, {"radius_change", "true"}, {"radius", "50.0"}})
        .parkpos({{"id", "A1"}})
        // The airport file's option again, overlapping at 11: only its other half-hour is learned; the same
        // aircraft again at 12 joins the learned option with its 13.
        .opt(optionAttributes("PH-FIX", "KLM", "B738", 1, "11,40", "KLM1"))
        .opt(optionAttributes("PH-FIX", "KLM", "B738", 1, "12", "KLM1"))
        .opt(optionAttributes("PH-FIX", "KLM", "B738", 1, "12,13", "KLM2"))
        .opt(optionAttributes("PH-FIX", "KLM", "B738", 1, "11", "", true))
        .write(kLearnedFile);

    startRun();
    EXPECT_EQ(stands(),
              (std::vector<std::string>{"A1 30.0m " + kA1Fixed +
                                            " [PH-FIX KLM B738 d1 40 KLM1] [PH-FIX KLM B738 d1 12,13 KLM1]"
                                            " [PH-FIX KLM B738 d1 11  soft]",
                                        "B2 30.0m", "C3 30.0m cargo", "M1 20.0m manual"}));
    const std::string path = fs::path(kLearnedFile).string();
    for (const std::string& line :
         {fmt::format("===> manually created standid M2 misses correct attributes in {}", path),
          fmt::format("===> manually created standid M3 misses correct attributes in {}", path),
          fmt::format("===> manually created standid A1 already exists in {}", path),
          fmt::format("learned stand Z9 in {} not found?", path)})
        EXPECT_TRUE(logged(line)) << line;
}

TEST_F(LearnedRuns, FilesThatCannotBeUsedAreKeptAside)
{
    struct Row
    {
        const char* name;
        std::string bytes;
        std::string logLine;
        std::vector<std::string> stands; ///< what the run reads
        const char* learnedAt;           ///< the stand at which the run learns
    };
    const std::vector<std::string> airportStands = {"A1 30.0m " + kA1Fixed, "B2 30.0m", "C3 30.0m cargo"};
    const Row rows[] = {
        {"Unparsable", "<meta><info name=\"author\"/></parameters>",
         fmt::format("{} found, but could not be loaded, saved as *.0.xml: Start-end tags mismatch",
                     kLearnedFile),
         airportStands, "A1"},
        {"NoAuthor",
         AirportFileBuilder::learnedFile("Schiphol", "simaddon")
             .withoutMeta("author")
             .stand("X1", 1, 1, 20, 0, {{"manual", "true"}})
             .text(),
         fmt::format("'{}' kept as '{}'", kLearnedFile, kKeptFile), airportStands, "A1"},
        // The stands before the repeated one stay, but the file is kept whole.
        {"RepeatedStandOfAHandMadeFile",
         AirportFileBuilder::handmadeFile("Schiphol", "simaddon", -11)
             .stand("H1", 52.3, 4.7, 20.0)
             .stand("H2", 52.4, 4.7, 20.0)
             .stand("H1", 52.5, 4.7, 20.0)
             .text(),
         "lf_readLearned: 94: Parking position H1 appears more than once?",
         {"H1 20.0m", "H2 20.0m"},
         "H2"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        fs::remove_all("airports/learned");
        test::writeBytes(kLearnedFile, row.bytes);
        startRun();
        EXPECT_EQ(stands(), row.stands);
        EXPECT_TRUE(logged(row.logLine)) << row.logLine;
        // The save that follows replaces the learned file; the copy keeps what the user had.
        learn(row.learnedAt, "PH-BXA", "KLM", "B738", "KLM1234", {1, 20});
        endRun();
        EXPECT_EQ(test::readBytes(kKeptFile), row.bytes);
    }
}

} // namespace
} // namespace oxl
