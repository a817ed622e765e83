// Whole cycles of the program beside both stand-ins: traffic from the source reaches the simulator as
// AI aircraft, a reader that cannot bind its port restarts the cycle after its countdown with the scans
// off and no version check, a close during the countdown ends the program, a new flight ends it, a link
// to the simulator that breaks restarts the cycle, which connects again, and a simulator that quits ends it.
#include "platform/net_udp.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "tests/support/temp_folder.h"

#include <gsl/util>
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

constexpr const char* kConnected = "Lockheed Martin Prepar3D v5 (5.3.17.28160) connected";
constexpr const char* kVersionCheckFailed = "Downloading version info from my web site failed!";
constexpr const char* kReaderFailed =
    "The Traffic Reader has stopped with error: bind to stream socket failed, "
    "error: 10048 Address already in use";

std::string settingsOf(const RoadRun& run)
{
    return readBytes(run.folder() / "appdata" / "Ordalis_P3D" / "parameters.xml");
}

// For each handshake with the traffic source, the age [s] of the simulator time that the time line after
// it carried, as the source received it; NaN when no time line came before the first user state.
std::vector<double> timeLineAges(const std::vector<std::string>& record)
{
    std::vector<double> ages;
    for (std::size_t i = 0; i < record.size(); ++i)
    {
        if (!record[i].ends_with(" Qs999=version"))
            continue;
        double age = std::nan("");
        for (std::size_t j = i + 1; j < record.size(); ++j)
        {
            if (const std::size_t at = record[j].find(" Qs123="); at != std::string::npos)
            {
                age = std::stod(record[j].substr(0, at)) - std::stod(record[j].substr(at + 7)) / 1000.0;
                break;
            }
            if (record[j].find("Qs121=") != std::string::npos || record[j].ends_with(" Qs999=version"))
                break;
        }
        ages.push_back(age);
    }
    return ages;
}

// The Traffic Reader's port taken by another program: the cycle ends with READER ERROR.
class ReaderPortTaken : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(plat::net::bindUdp(holder_, "127.0.0.1", run_.trafficPort()));
        ASSERT_TRUE(run_.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
        ASSERT_TRUE(run_.startTraffic({"--qnh", "1013"}));
        ASSERT_TRUE(run_.startProgram());
    }

    plat::net::Socket holder_ = plat::net::openUdp();
    // Both scans asked for: the restart after a failure must switch them off.
    RoadRun run_{{{"SCAN_LIVERIES", "true"}, {"SCAN_AIRPORTS", "true"}}};
};

TEST_F(ReaderPortTaken, RestartsAfterItsCountdownWithTheScansOffAndNoVersionCheck)
{
    ASSERT_TRUE(run_.waitLog(kReaderFailed, 60s));
    EXPECT_TRUE(run_.waitLog("Exiting: READER ERROR", 10s));
    EXPECT_TRUE(run_.waitLog("Prepare for a restart ...", 10s));
    EXPECT_TRUE(run_.waitLog("Restarting after 15 seconds", 10s));
    ASSERT_TRUE(waitUntil([&] { return run_.logCount(kConnected) == 2; }, 60s));
    EXPECT_NE(settingsOf(run_).find("<parameter name=\"SCAN_LIVERIES\" value=\"false\""), std::string::npos);
    EXPECT_NE(settingsOf(run_).find("<parameter name=\"SCAN_AIRPORTS\" value=\"false\""), std::string::npos);
    EXPECT_EQ(run_.logCount(kVersionCheckFailed), 1u);
    // The traffic source is accepted anew by the second cycle.
    EXPECT_TRUE(waitUntil([&] { return run_.logCount("RealTraffic connected") == 2; }, 60s));

    ASSERT_TRUE(run_.program().terminate());
    EXPECT_EQ(run_.program().wait(30000), std::optional<int>(0));
}

TEST_F(ReaderPortTaken, CloseDuringTheCountdownEndsTheProgram)
{
    ASSERT_TRUE(run_.waitLog("Restarting after 15 seconds", 60s));
    ASSERT_TRUE(run_.program().terminate());
    EXPECT_EQ(run_.program().wait(30000), std::optional<int>(0));
    EXPECT_EQ(run_.logCount("Waiting for Prepar3Dv5 ..."), 1u);
    EXPECT_EQ(run_.logCount(kConnected), 1u);
}

TEST(MainLoop, TrafficFromTheSourceIsCreatedInTheSimulator)
{
    RoadRun run;
    // The program starts with its output on a small disk of its own, full to its last file: it waits, says
    // why, and goes on by itself once there is room.
    const std::filesystem::path output = run.programFolder() / "output";
    const std::string scan = readBytes(output / "LiveriesScanned.xml");
    const bool full = ::mount("tmpfs", output.c_str(), "tmpfs", 0, "size=1m,nr_inodes=16") == 0;
    const auto unmount = gsl::finally([&] { ::umount2(output.c_str(), MNT_DETACH); });
    writeBytes(output / "LiveriesScanned.xml", scan);
    std::filesystem::create_directory(output / "fillers");
    for (int i = 0; full && std::ofstream(output / "fillers" / std::to_string(i)); ++i)
    {
    }
    // The simulator adds each object at its own pace, as when it loads a model: every delay up to 30 s, and
    // 90 s for the seventh creation.
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt,
                             {"--add-delay-ms", "0,2000,7000,15000,30000,0,90000"}));
    // Aircraft with an installed livery flying east past Zurich, a report every 2 s: callsigns plain,
    // non-ASCII, too long with a registration (which stands in for it), too long alone, with a NUL or a
    // control byte (never shown, or under the registration).
    const std::vector<std::array<std::string, 3>> flights{
        {"EDW23", "HB-IHY", "EDW23"},
        {"\u00c4\u00d6\u00dc1", "HB-IHZ", "\u00c4\u00d6\u00dc1"},
        {"EDW23LONGER", "HB-IHX", "HB-IHX"},
        {"EDW23LONGEST", "", ""},
        {"EDW24", "HB-IJU", "EDW24"},
        {"EDW25", "HB-IJV", "EDW25"},
        {std::string("EDW\0"
                     "26",
                     6),
         "", ""},
        {"EDW\x01"
         "27",
         "HB-IJW", "HB-IJW"}};
    // EDW28 reports from 10 to 16 s only (two reports kept): created last, it waits 90 s for its object, and
    // its reports end long before.
    std::string replay;
    for (int i = 0; i < 60; ++i)
        for (std::size_t k = 0; k <= flights.size(); ++k)
            if (k < flights.size() || (i >= 5 && i <= 8))
                replay += trafficLine(4922923 + k, 47.46 + 0.01 * k, 8.50 + 0.0015 * i, 4000, 0, true, 90,
                                      180, k < flights.size() ? flights[k][0] : "EDW28", "A320",
                                      k < flights.size() ? flights[k][1] : "HB-IJX", "LSZH", "LPMA",
                                      1796640000.0 + 2.0 * i) +
                          "\n";
    writeBytes(run.folder() / "replay.txt", replay);
    ASSERT_TRUE(run.startTraffic({"--replay", (run.folder() / "replay.txt").string(), "--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
    if (full)
    {
        ASSERT_TRUE(run.waitLog("Error The disk is full (No space left on device): " +
                                    (output / "info").string() + " cannot be written",
                                60s));
        std::filesystem::remove_all(output / "fillers");
        EXPECT_TRUE(run.waitLog("===> The disk has room again: the start-up goes on", 30s));
    }
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    ASSERT_TRUE(run.waitObjects([](const auto& objects) { return !objects.empty(); }, 90s));
    const TrackedObject created = run.objects().begin()->second;
    EXPECT_FALSE(created.title.empty());
    EXPECT_FALSE(created.tail.empty());
    // Each is created once, moves however long the simulator took, and keeps its callsign while its
    // reports come in; the log says why one is not shown.
    const auto moving = [](const auto& o) { return o.second.positions.size() > 1 && !o.second.removed; };
    EXPECT_TRUE(run.waitObjects(
        [&](const auto& objects) { return std::ranges::count_if(objects, moving) >= 6; }, 120s));
    // EDW28, let go once its reports ended, has its late object removed before it ever moved.
    EXPECT_TRUE(run.waitLog("EDW28 added by the simulator after its creation was let go: removed", 180s));
    EXPECT_TRUE(run.waitObjects(
        [](const auto& objects)
        {
            return std::ranges::any_of(objects, [](const auto& o)
                                       { return o.second.tail == "EDW28" && o.second.removed; });
        },
        30s));
    const auto objects = run.objects();
    EXPECT_EQ(objects.size(), 7u);
    for (const auto& [id, object] : objects)
        EXPECT_TRUE(object.tail == "EDW28"
                        ? object.positions.size() == 1 && object.removed
                        : std::ranges::count(flights, object.tail, [](const auto& f) { return f[2]; }) == 1 &&
                              !object.removed)
            << object.tail;
    EXPECT_EQ(run.logCount("not shown: no valid callsign"), 2u);
    EXPECT_EQ(run.logCount("creation given up"), 0u);
    // The user state reaches the source from the main loop every second.
    EXPECT_TRUE(waitUntil(
        [&]
        {
            const auto lines = run.sourceRecord();
            return std::count_if(lines.begin(), lines.end(),
                                 [](const std::string& line)
                                 { return line.find("Qs121=") != std::string::npos; }) >= 3;
        },
        30s));

    ASSERT_TRUE(run.program().terminate());
    EXPECT_EQ(run.program().wait(30000), std::optional<int>(0));
    EXPECT_TRUE(run.logHas("Exiting: USER CLOSED SIM"));
}

// Thirty aircraft whose one livery the simulator lacks: it is refused once, none is shown, the traffic goes
// on.
TEST(MainLoop, OneLiveryTheSimulatorLacksIsRefusedOnce)
{
    RoadRun run;
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt,
                             {"--title", "Ordalis Demo A320 Air France F-GKXC"}));
    ASSERT_TRUE(run.startTraffic({"--aircraft", "30", "--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(run.waitLog("Intake: ", 180s));
    EXPECT_EQ(run.logCount("'Ordalis Demo A320 Edelweiss HB-IHY' could not be created by your Sim!"), 1u);
    EXPECT_TRUE(run.objects().empty());
    EXPECT_FALSE(run.logHas("Exiting:"));
}

TEST(NewFlight, LoadedFlightEndsTheProgramAfterItsMessage)
{
    RoadRun run;
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    EXPECT_EQ(run.sim().command("newflight C:\\Flights\\Zurich.fxml"), "ok");
    EXPECT_TRUE(run.waitLog("Exiting: NEW FLIGHT", 30s));
    EXPECT_TRUE(run.waitLog("New flight detected, Ordalis_P3D will close, please restart manually ...", 30s));
    // The message stays for 10 s before the program ends.
    EXPECT_EQ(run.program().wait(40000), std::optional<int>(0));
    EXPECT_EQ(run.logCount("Prepare for a restart ..."), 0u);
    EXPECT_EQ(run.logCount(kConnected), 1u);
}

TEST(SimulatorGone, DroppedLinkRestartsTheCycleAndWaitsForTheSimulator)
{
    RoadRun run{{{"SCAN_LIVERIES", "true"}, {"SCAN_AIRPORTS", "true"}}};
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    // The link breaks without the simulator's goodbye, as when it crashes.
    EXPECT_EQ(run.sim().command("drop reset"), "ok");
    EXPECT_TRUE(run.waitLog("SimConnect request error", 30s));
    EXPECT_TRUE(run.waitLog("Exiting: SIMCONNECT ERROR", 30s));
    EXPECT_TRUE(run.waitLog("Restarting after 9 seconds", 30s));
    // The simulator stand-in still listens: the next cycle connects again and the traffic comes back.
    ASSERT_TRUE(waitUntil([&] { return run.logCount(kConnected) == 2; }, 60s));
    EXPECT_TRUE(waitUntil([&] { return run.logCount("Traffic Reader connected") == 2; }, 60s));
    EXPECT_EQ(run.logCount("Exiting: SIM WAS CLOSED"), 0u);
    EXPECT_NE(settingsOf(run).find("<parameter name=\"SCAN_LIVERIES\" value=\"false\""), std::string::npos);
    EXPECT_NE(settingsOf(run).find("<parameter name=\"SCAN_AIRPORTS\" value=\"false\""), std::string::npos);
    // The source (professional level) gets the simulator's time of each cycle right after its handshake:
    // seconds old at most, never the time that the cycle before kept.
    const std::vector<double> ages = timeLineAges(run.sourceRecord());
    ASSERT_EQ(ages.size(), 2u);
    for (const double age : ages)
    {
        EXPECT_GE(age, -1.0);
        EXPECT_LE(age, 6.0);
    }
}

TEST(SimulatorGone, QuitThenCloseEndsTheProgram)
{
    RoadRun run;
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013"}));
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    // The simulator says goodbye, then closes its end of the link, as when the user quits it.
    EXPECT_EQ(run.sim().command("quit"), "ok");
    EXPECT_EQ(run.sim().command("drop"), "ok");
    EXPECT_TRUE(run.waitLog(
        "SimConnect: the link to the simulator is gone (closed by the simulator, status 4, error 0xC000013E)",
        30s));
    EXPECT_TRUE(run.waitLog("Exiting: SIM WAS CLOSED", 30s));
    EXPECT_EQ(run.program().wait(30000), std::optional<int>(0));
    EXPECT_EQ(run.logCount("SimConnect request error"), 0u);
    EXPECT_EQ(run.logCount("Prepare for a restart ..."), 0u);
}

} // namespace
} // namespace oxl::test
