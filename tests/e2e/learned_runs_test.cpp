// Learning at Zurich that accumulates from run to run of the real program: the first run learns from the
// demo's traffic, the next one reads that back, shows static aircraft of it and saves it again with what
// it learned itself, and a run killed while it saves loses nothing of what the runs before learned.
#include "foundation/units.h"
#include "tests/e2e/flight_script.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace oxl::test
{
namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kLearnedFile = "airports/learned/stock/LSZH.xml";

fs::path demoFile(const char* name)
{
    return fs::path(OXL_SOURCE_DIR) / "data" / name;
}

/// "stand callsign" of every option of a learned file.
std::set<std::string> learnedOptions(const fs::path& file)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(file.c_str())) << file;
    std::set<std::string> options;
    for (const pugi::xml_node parkpos : doc.child("parkpositions").children("parkpos"))
        for (const pugi::xml_node opt : parkpos.children("opt"))
            options.insert(std::string(parkpos.attribute("id").value()) + " " + opt.attribute("cs").value());
    return options;
}

/// Stand positions of the demo's airport file by name.
std::map<std::string, std::pair<double, double>> standPositions()
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(demoFile("demo_airport_LSZH.xml").c_str()));
    std::map<std::string, std::pair<double, double>> stands;
    for (const pugi::xml_node parkpos : doc.child("parkpositions").children("parkpos"))
        stands[parkpos.attribute("id").value()] = {parkpos.attribute("latitude").as_double(),
                                                   parkpos.attribute("longitude").as_double()};
    return stands;
}

double distanceM(double latA, double lonA, double latB, double lonB)
{
    const double dy = (latB - latA) * kMetresPerDegLat;
    const double dx = (lonB - lonA) * kMetresPerDegLat * std::cos(degToRad(latA));
    return std::hypot(dx, dy);
}

class LearnedRuns : public ::testing::Test
{
  protected:
    // Every stand wanted: each option learned within the last day gets its static aircraft, whichever
    // half-hour run 2 starts in and however many stands the airport file's own occupants fill.
    LearnedRuns() : run_(RunSettings{{"RANDOM", "false"}, {"CUSTOM_PARKING_PERCENTAGE", "100"}}) {}

    void SetUp() override
    {
        run_.parkAt("LSZH", demoFile("demo_airport_LSZH.xml"));
        ASSERT_TRUE(run_.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    }

    /// Replays the traffic file and starts the program; the objects the simulator held before are noted.
    void startRun(const std::string& replay, const std::vector<std::string>& env = {})
    {
        for (const auto& [id, object] : run_.objects())
            before_.insert(id);
        run_.stopTraffic();
        ASSERT_TRUE(run_.startTraffic({"--replay", replay, "--qnh", "1013"}));
        ASSERT_TRUE(run_.startProgram(env));
    }

    /// Closes the program as its window's close box does; it saves what it learned.
    void closeRun()
    {
        ASSERT_TRUE(run_.program().terminate());
        ASSERT_TRUE(run_.program().wait(60000).has_value());
    }

    /// True when the run's simulator objects include one with each of the tails.
    bool created(const std::set<std::string>& tails) const
    {
        std::set<std::string> seen;
        for (const auto& [id, object] : run_.objects())
            if (!before_.contains(id))
                seen.insert(object.tail);
        for (const std::string& tail : tails)
            if (!seen.contains(tail))
                return false;
        return true;
    }

    fs::path learnedFile() const { return run_.programFolder() / kLearnedFile; }

    RoadRun run_;
    std::set<std::uint32_t> before_;
};

TEST_F(LearnedRuns, EveryRunKeepsWhatTheRunsBeforeLearned)
{
    // Run 1: the demo's aircraft standing at their stands are learned where they stand.
    startRun(demoFile("demo_traffic_LSZH.txt").string());
    ASSERT_TRUE(run_.waitObjects(
        [this](const auto&) {
            return created({"KLM1956", "SWR52", "DLH1189"});
        },
        180s));
    closeRun();
    EXPECT_TRUE(run_.logHas(std::string("'") + kLearnedFile + "' saved with"));
    const std::set<std::string> run1 = learnedOptions(learnedFile());
    for (const char* option : {"A 18 KLM1956", "B 31 SWR52", "B 32 DLH1189"})
        EXPECT_TRUE(run1.contains(option)) << option;

    // Run 2 reads them back and shows static aircraft of them; it learns one aircraft at stand A 11.
    const std::string replay = (run_.folder() / "run2.txt").string();
    const auto stands = standPositions();
    const auto [a11Lat, a11Lon] = stands.at("A 11");
    writeReplay(replay,
                {FlightScript(3949321, "AFR1614", "A320", "F-GKXC", a11Lat, a11Lon, 320.0, 1735732800.0)
                     .route("LFPG", "LSZH")
                     .hold(900)});
    startRun(replay);
    EXPECT_TRUE(run_.waitLog(std::string("Read from learned airport file: '") + kLearnedFile + "'", 120s));
    ASSERT_TRUE(run_.waitObjects([this](const auto&) { return created({"AFR1614", "KLM1956*"}); }, 180s));
    for (const auto& [id, object] : run_.objects())
    {
        if (before_.contains(id) || object.tail.empty() || object.tail.back() != '*')
            continue;
        // A static aircraft of the first run's options stands at the stand where it was learned.
        for (const std::string& option : run1)
        {
            const std::size_t split = option.rfind(' ');
            if (option.substr(split + 1) + "*" != object.tail)
                continue;
            const auto [lat, lon] = stands.at(option.substr(0, split));
            EXPECT_LT(distanceM(object.positions.front().latDeg, object.positions.front().lonDeg, lat, lon),
                      30.0)
                << object.tail;
        }
    }
    closeRun();
    std::set<std::string> run2 = learnedOptions(learnedFile());
    for (const std::string& option : run1)
        EXPECT_TRUE(run2.contains(option)) << option;
    EXPECT_TRUE(run2.contains("A 11 AFR1614"));

    // Run 3 learns again and is killed while it saves: the learned file still holds everything.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const fs::path mark = run_.folder() / "saving";
    startRun(replay,
             {"LD_PRELOAD=" + std::string(OXL_BIN_DIR) + "/liboxl_hold_rename.so",
              "OXL_HOLD_RENAME_OF=" + std::string(kLearnedFile), "OXL_HOLD_RENAME_MARK=" + mark.string(),
              std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":verify_asan_link_order=0"});
    ASSERT_TRUE(run_.waitObjects([this](const auto&) { return created({"AFR1614"}); }, 180s));
    ASSERT_TRUE(run_.program().terminate());
    ASSERT_TRUE(waitUntil([&] { return fs::exists(mark); }, 60s)) << "the save never reached its rename";
    run_.program().kill();
    EXPECT_EQ(learnedOptions(learnedFile()), run2);

    // Run 4 reads the file the killed run left.
    startRun(replay);
    EXPECT_TRUE(run_.waitLog(std::string("Read from learned airport file: '") + kLearnedFile + "'", 120s));
    EXPECT_FALSE(run_.logHas("could not be loaded"));
}

} // namespace
} // namespace oxl::test
