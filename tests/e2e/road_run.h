// The whole road on one machine for end-to-end tests: a program folder of its own in a temporary working
// folder, the simulator stand-in, the traffic-source stand-in and the program, each a separate process,
// and readers for what each of them recorded.
#pragma once

#include "platform/child_process.h"
#include "tests/support/sim_standin_process.h"
#include "tests/support/standin_process.h"
#include "tests/support/temp_folder.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oxl::test
{

/// One line of the simulator stand-in's track file: an AI object created, moved or removed.
struct TrackEvent
{
    std::int64_t ms = 0;  ///< since the stand-in started
    std::string event;    ///< "created", "moved" or "removed"
    std::uint32_t id = 0; ///< the simulator's object id
    double latDeg = 0;
    double lonDeg = 0;
    double altFt = 0;
    double headingDeg = 0;
    std::string title; ///< of "created"
    std::string tail;  ///< of "created"
};

/// One simulator object as its track shows it.
struct TrackedObject
{
    std::uint32_t id = 0;
    std::string title;
    std::string tail;
    std::vector<TrackEvent> positions; ///< the creation, then every position write
    bool removed = false;
};

/// The largest distance [m] between two position writes that follow each other, less the travel at the
/// fastest aircraft speed that a hold-up of the frames longer than 100 ms allows.
double largestStepM(const TrackedObject& object);

/// Settings written to parameters.xml beside the ones every run has, by key.
using RunSettings = std::map<std::string, std::string>;

/// The working folder, the three processes and their records.
class RoadRun
{
  public:
    /// Writes the working folder: program folder with docs, the build's input files and the demo's
    /// liveries, AppData with settings (scans off, the source installed) and the given extra settings.
    explicit RoadRun(const RunSettings& settings = {});
    ~RoadRun();
    RoadRun(const RoadRun&) = delete;
    RoadRun& operator=(const RoadRun&) = delete;

    /// Makes the airport the user's park airport, its file served by a local download site as the
    /// archived file of a stock airport; call before startProgram.
    void parkAt(const std::string& icao, const std::filesystem::path& airportFile);
    /// Starts the simulator stand-in with the user's aircraft at the position (ground at groundFt).
    bool startSim(double latDeg, double lonDeg, double groundFt,
                  const std::vector<std::string>& extraArgs = {});
    /// Starts the traffic-source stand-in with the arguments (its record file is added).
    bool startTraffic(const std::vector<std::string>& args);
    /// Starts the program in its program folder, headless, with further environment entries.
    bool startProgram(const std::vector<std::string>& extraEnv = {});

    /// The simulator stand-in (commands, state).
    SimStandinProcess& sim() { return sim_; }
    /// The program's process.
    plat::ChildProcess& program() { return program_; }
    /// Ends the traffic-source stand-in; its exit status.
    int stopTraffic();

    /// The program's log lines after the header.
    std::vector<std::string> log() const;
    /// True when a log line holds the text.
    bool logHas(const std::string& text) const;
    /// How many log lines hold the text.
    std::size_t logCount(const std::string& text) const;
    /// Waits until a log line holds the text; false after the bound.
    bool waitLog(const std::string& text, std::chrono::milliseconds bound);
    /// The simulator stand-in's track, in file order.
    std::vector<TrackEvent> track() const;
    /// The stand-in's time [ms] of the track's last event, 0 before the first: how far the program has
    /// shown its traffic, whatever the machine's speed.
    std::int64_t trackMs() const;
    /// The track grouped by object id.
    std::map<std::uint32_t, TrackedObject> objects() const;
    /// Waits until pred(objects()) holds; false after the bound.
    bool waitObjects(const std::function<bool(const std::map<std::uint32_t, TrackedObject>&)>& pred,
                     std::chrono::milliseconds bound);
    /// The lines the traffic-source stand-in received or noted ("<unix s> <line>").
    std::vector<std::string> sourceRecord() const;
    /// The program's UDP port for traffic datagrams, chosen free for this run.
    std::uint16_t trafficPort() const { return trafficPort_; }
    /// The program's UDP port for QNH datagrams, chosen free for this run.
    std::uint16_t qnhPort() const { return qnhPort_; }
    /// The program's TCP port for the traffic source (PORT_NUMBER), chosen free for this run.
    std::uint16_t sourcePort() const { return sourcePort_; }
    /// The working folder.
    const std::filesystem::path& folder() const { return work_.path(); }
    /// The program folder.
    std::filesystem::path programFolder() const { return work_ / "program"; }
    /// A copy of the program's log kept beside the test output when the test failed.
    void dumpOnFailure() const;

  private:
    // Ports of their own, held while the process runs, so that runs on one machine (other checkouts' tests
    // too) never reach each other.
    std::uint16_t trafficPort_ = 0;
    std::uint16_t qnhPort_ = 0;
    std::uint16_t sourcePort_ = 0;
    // No site by default: the version check fails at once and the program goes on.
    std::string downloadBase_ = "http://127.0.0.1:9/";
    TempFolder work_;
    SimStandinProcess sim_;
    std::unique_ptr<ToolProcess> traffic_;
    plat::ChildProcess program_;
};

/// Waits until done() holds, checking every 100 ms; false after the bound.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound);

/// A traffic line of the source's 29-field format, for replay files (report time in Unix seconds).
std::string trafficLine(std::uint32_t hexid, double latDeg, double lonDeg, double altFt, double vsFpm,
                        bool airborne, double trackDeg, double groundSpeedKt, const std::string& callsign,
                        const std::string& type, const std::string& registration, const std::string& origin,
                        const std::string& destination, double reportTimeS);

} // namespace oxl::test
