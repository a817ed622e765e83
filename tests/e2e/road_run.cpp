#include "tests/e2e/road_run.h"

#include "foundation/units.h"
#include "foundation/utf.h"
#include "platform/net_tcp.h"
#include "platform/net_udp.h"
#include "platform/single_instance.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fmt/format.h>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>
#include <thread>

namespace oxl::test
{

namespace fs = std::filesystem;

namespace
{

std::string settingsXml(const fs::path& simFolder, const std::map<std::string, std::string>& extra)
{
    // The scans are off: the liveries come from the scan file the demo's script writes. A run that asks
    // for a livery scan scans the demo's aircraft folders, which lie among the simulator's own aircraft.
    std::map<std::string, std::string> settings = {
        {"PROGRAM_VERSION", "11.0.4"},
        {"SIM_INSTALL_PATH", simFolder.string()},
        {"SCAN_LIVERIES", "false"},
        {"LIG_AUTOMATIC", "false"},
        {"lfolder0", (simFolder / "SimObjects" / "Airplanes").string()},
        {"SCAN_AIRPORTS", "false"},
        {"AUTO_RANGE", "false"},
        {"RANGE", "40"}};
    for (const auto& [key, value] : extra)
        settings[key] = value;
    std::string xml = "<?xml version=\"1.0\"?>\n<parameters>\n";
    for (const auto& [key, value] : settings)
        xml += fmt::format("<parameter name=\"{}\" value=\"{}\"/>\n", key, value);
    return xml + "</parameters>\n";
}

double distanceM(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg)
{
    constexpr double kEarthM = 6371000.0;
    const double dLat = (lat2Deg - lat1Deg) * kDegToRad;
    const double dLon = (lon2Deg - lon1Deg) * kDegToRad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(lat1Deg * kDegToRad) *
                                                                   std::cos(lat2Deg * kDegToRad) *
                                                                   std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * kEarthM * std::atan2(std::sqrt(a), std::sqrt(std::max(0.0, 1.0 - a)));
}

// Three ports (traffic, QNH, source) of a block below the system's range for ports it hands out by
// itself, the block held for the rest of the process by a lock that every run on this machine takes: no
// other run, and no datagram or connection sent from a port of the system's choice, can take one of them
// between their choice here and the program's bind.
std::array<std::uint16_t, 3> reservePorts()
{
    constexpr int kFirstPort = 20000;
    constexpr int kBlocks = 4000; // up to port 31999, below the usual 32768
    const int start = static_cast<int>(std::random_device{}() % kBlocks);
    for (int i = 0; i < kBlocks; ++i)
    {
        const int block = (start + i) % kBlocks;
        const auto first = static_cast<std::uint16_t>(kFirstPort + 3 * block);
        if (!plat::acquireSingleInstance(fmt::format("oxl-test-ports-{}", block)))
            continue;
        plat::net::Socket traffic = plat::net::openUdp();
        plat::net::Socket qnh = plat::net::openUdp();
        const plat::net::Listener source = plat::net::openTcpListener(std::to_string(first + 2));
        if (plat::net::bindUdp(traffic, "127.0.0.1", first) &&
            plat::net::bindUdp(qnh, "127.0.0.1", first + 1) && source.socket.valid())
            return {first, static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 2)};
    }
    return {0, 0, 0};
}

} // namespace

namespace
{
constexpr std::int64_t kFrameMs = 100; ///< [ms] frames closer than this are never a hold-up
constexpr double kFastestMps = 300.0;  ///< [m/s] faster than any aircraft of the recordings
} // namespace

double largestStepM(const TrackedObject& object)
{
    double largest = 0;
    for (std::size_t i = 1; i < object.positions.size(); ++i)
    {
        const TrackEvent& a = object.positions[i - 1];
        const TrackEvent& b = object.positions[i];
        // A busy machine may hold a frame back: the travel such a gap allows at the fastest airliner
        // speed is not a jump.
        const double gapS = static_cast<double>(std::max<std::int64_t>(b.ms - a.ms - kFrameMs, 0)) / 1000.0;
        largest = std::max(largest, distanceM(a.latDeg, a.lonDeg, b.latDeg, b.lonDeg) - kFastestMps * gapS);
    }
    return largest;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound)
{
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!done())
    {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

std::string trafficLine(std::uint32_t hexid, double latDeg, double lonDeg, double altFt, double vsFpm,
                        bool airborne, double trackDeg, double groundSpeedKt, const std::string& callsign,
                        const std::string& type, const std::string& registration, const std::string& origin,
                        const std::string& destination, double reportTimeS)
{
    const double heading = trackDeg > 0 ? trackDeg : 360.0;
    return fmt::format(
        "RTTFC,{},{:.5f},{:.5f},{:.0f},{:.0f},{},{:.1f},{:.0f},{},{},{},{},{},{:.2f},,,adsb_icao,,,-1,,,"
        "0,,{:.1f},,,A3",
        hexid, latDeg, lonDeg, altFt, airborne ? vsFpm : 0.0, airborne ? 1 : 0, heading, groundSpeedKt,
        callsign, type, registration, origin, destination, reportTimeS, heading);
}

RoadRun::RoadRun(const RunSettings& settings)
{
    const std::array<std::uint16_t, 3> ports = reservePorts();
    trafficPort_ = ports[0];
    qnhPort_ = ports[1];
    sourcePort_ = ports[2];
    const fs::path program = programFolder();
    const fs::path appData = work_ / "appdata";
    for (const fs::path& folder :
         {program / "docs", program / "input", appData / "Ordalis_P3D", work_ / "documents", work_ / "public",
          work_ / "P3Dv5" / "Scenery", work_ / "pipes", work_ / "run"})
        fs::create_directories(folder);
    fs::permissions(work_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    fs::copy(fs::path(OXL_BIN_DIR) / "input", program / "input", fs::copy_options::recursive);
    writeBytes(work_ / "registry.xml", "<registry/>\n");
    // The traffic source is installed: the program opens its TCP server for it.
    writeBytes(appData / "InsideSystems" / "RealTraffic.jar", "");
    std::map<std::string, std::string> all = {{"PORT_NUMBER", std::to_string(sourcePort_)}};
    for (const auto& [key, value] : settings)
        all[key] = value;
    writeBytes(appData / "Ordalis_P3D" / "parameters.xml", settingsXml(work_ / "P3Dv5", all));

    plat::ChildProcess script;
    const std::string tool = std::string(OXL_SOURCE_DIR) + "/tools/make_demo_liveries.py";
    const bool written =
        script.start("/usr/bin/env", {"python3", tool, "--sim", (work_ / "P3Dv5").string(), "--out",
                                      (program / "output" / "LiveriesScanned.xml").string()}) &&
        script.wait(60000) == std::optional<int>(0);
    EXPECT_TRUE(written) << "the demo's liveries were not written";
}

RoadRun::~RoadRun()
{
    // The program first, so that it closes its links to both stand-ins as a user would.
    if (program_.running())
    {
        program_.terminate();
        if (!program_.wait(20000))
            program_.kill();
    }
    traffic_.reset();
    if (::testing::Test::HasFailure())
        dumpOnFailure();
}

void RoadRun::parkAt(const std::string& icao, const fs::path& airportFile)
{
    const fs::path stock = work_ / "site" / "P3D" / "archive" / "stock";
    fs::create_directories(stock);
    fs::copy_file(airportFile, stock / (icao + ".xml"), fs::copy_options::overwrite_existing);
    fs::create_directories(programFolder() / "airports");
    writeBytes(programFolder() / "airports" / "my_park_airports.txt", icao + "\n");
    downloadBase_ = "file://" + (work_ / "site").string() + "/";
}

bool RoadRun::startSim(double latDeg, double lonDeg, double groundFt,
                       const std::vector<std::string>& extraArgs)
{
    std::vector<std::string> args = {"--ground-ft",      fmt::format("{}", groundFt),
                                     "--track",          (work_ / "sim_track.jsonl").string(),
                                     "--journal-memory", "20000"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    if (!sim_.start(OXL_STANDIN_DIR, args, (work_ / "pipes").string()))
        return false;
    return sim_.command(fmt::format("teleport {:.6f} {:.6f} {}", latDeg, lonDeg, groundFt)) == "ok";
}

bool RoadRun::startTraffic(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"--record",       (work_ / "traffic_received.txt").string(),
                                    "--port",         std::to_string(sourcePort_),
                                    "--traffic-port", std::to_string(trafficPort_),
                                    "--qnh-port",     std::to_string(qnhPort_)};
    all.insert(all.end(), args.begin(), args.end());
    traffic_ = std::make_unique<ToolProcess>(OXL_STANDIN_DIR, "traffic_standin", all);
    return traffic_->started();
}

int RoadRun::stopTraffic()
{
    const int status = traffic_ ? traffic_->stop() : -1;
    traffic_.reset();
    return status;
}

bool RoadRun::startProgram(const std::vector<std::string>& extraEnv)
{
    const fs::path appData = work_ / "appdata";
    const std::string command =
        "cd '" + programFolder().string() + "' && exec '" + std::string(OXL_BIN_DIR) + "/ordalis_p3d'";
    std::vector<std::string> env = {"OXL_HEADLESS=1",
                                    "OXL_APPDATA=" + appData.string(),
                                    "OXL_REGISTRY=" + (work_ / "registry.xml").string(),
                                    "OXL_DOCUMENTS=" + (work_ / "documents").string(),
                                    "OXL_PUBLIC_DOCUMENTS=" + (work_ / "public").string(),
                                    "OXL_PIPE_DIR=" + (work_ / "pipes").string(),
                                    "OXL_DOWNLOAD_BASE=" + downloadBase_,
                                    "XDG_RUNTIME_DIR=" + (work_ / "run").string(),
                                    "OXL_TRAFFIC_PORT=" + std::to_string(trafficPort_),
                                    "OXL_QNH_PORT=" + std::to_string(qnhPort_)};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    return program_.start("/bin/sh", {"-c", command}, env);
}

std::vector<std::string> RoadRun::log() const
{
    std::vector<std::string> lines = splitLines(readBytes(programFolder() / "Log.txt"));
    if (!lines.empty())
        lines.erase(lines.begin());
    return lines;
}

bool RoadRun::logHas(const std::string& text) const
{
    return logCount(text) > 0;
}

std::size_t RoadRun::logCount(const std::string& text) const
{
    const auto lines = log();
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(),
                                                  [&](const std::string& line)
                                                  { return line.find(text) != std::string::npos; }));
}

bool RoadRun::waitLog(const std::string& text, std::chrono::milliseconds bound)
{
    return waitUntil([&] { return logHas(text); }, bound);
}

std::vector<TrackEvent> RoadRun::track() const
{
    std::vector<TrackEvent> events;
    for (const std::string& line : splitLines(readBytes(work_ / "sim_track.jsonl")))
    {
        // The stand-in may be writing the last line right now.
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        if (entry.is_discarded() || !entry.is_object())
            continue;
        TrackEvent event;
        event.ms = entry.value("ms", std::int64_t{0});
        event.event = entry.value("event", "");
        event.id = entry.value("id", 0u);
        event.latDeg = entry.value("lat", 0.0);
        event.lonDeg = entry.value("lon", 0.0);
        event.altFt = entry.value("alt", 0.0);
        event.headingDeg = entry.value("hdg", 0.0);
        event.title = gf_restoreBytes(entry.value("title", ""));
        event.tail = gf_restoreBytes(entry.value("tail", ""));
        events.push_back(std::move(event));
    }
    return events;
}

std::int64_t RoadRun::trackMs() const
{
    // Only the last whole line: the track grows by every frame of every aircraft.
    const std::vector<std::string> lines = splitLines(readBytes(work_ / "sim_track.jsonl"));
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
    {
        const nlohmann::json entry = nlohmann::json::parse(*line, nullptr, false);
        if (entry.is_object())
            return entry.value("ms", std::int64_t{0});
    }
    return 0;
}

std::map<std::uint32_t, TrackedObject> RoadRun::objects() const
{
    std::map<std::uint32_t, TrackedObject> objects;
    for (TrackEvent& event : track())
    {
        TrackedObject& object = objects[event.id];
        object.id = event.id;
        if (event.event == "created")
        {
            object.title = event.title;
            object.tail = event.tail;
        }
        if (event.event == "removed")
            object.removed = true;
        else
            object.positions.push_back(std::move(event));
    }
    return objects;
}

bool RoadRun::waitObjects(const std::function<bool(const std::map<std::uint32_t, TrackedObject>&)>& pred,
                          std::chrono::milliseconds bound)
{
    return waitUntil([&] { return pred(objects()); }, bound);
}

std::vector<std::string> RoadRun::sourceRecord() const
{
    return splitLines(readBytes(work_ / "traffic_received.txt"));
}

void RoadRun::dumpOnFailure() const
{
    const auto lines = log();
    std::cerr << "---- program log (last 80 of " << lines.size() << " lines) ----\n";
    for (std::size_t i = lines.size() > 80 ? lines.size() - 80 : 0; i < lines.size(); ++i)
        std::cerr << lines[i] << "\n";
    std::cerr << "---- end of program log ----\n";
    for (const auto& [id, object] : objects())
    {
        std::cerr << fmt::format("object {} '{}' '{}': {} positions, largest step {:.0f} m{}\n", id,
                                 object.tail, object.title, object.positions.size(), largestStepM(object),
                                 object.removed ? ", removed" : "");
        // Every 30th position: enough to follow the path.
        for (std::size_t i = 0; i < object.positions.size(); i += 30)
        {
            const TrackEvent& p = object.positions[i];
            std::cerr << fmt::format("  {:>7} ms {:.5f} {:.5f} {:.0f} ft {:.0f} deg\n", p.ms, p.latDeg,
                                     p.lonDeg, p.altFt, p.headingDeg);
        }
    }
}

} // namespace oxl::test
