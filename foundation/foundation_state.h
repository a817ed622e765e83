// The foundation's process-wide state: the run flags, the requests between the window and the cycle
// worker, the cycle's values, the scan workers' slots, the installed services, the log file and the repeat
// limits' allowance, the settings file's paths and lock, and the download bounds.
#pragma once

#include "foundation/download_limits.h"
#include "platform/log_file.h"
#include "platform/win_path.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace oxl
{

class MessageLinePort;
class SettingsView;
class StatusService;

/// Where parameters.xml lies: its folder below AppData and the file.
struct SettingsPaths
{
    std::filesystem::path folder;
    std::filesystem::path file;
};

/// What the repeat limits of the log may still write, in bytes, shared by all of them: for lines (and each
/// sender's share of that) and for count lines (and each limit's share of that). A bucket is full when first
/// used and refilled at a steady rate up to its size.
struct RepeatAllowance
{
    struct Bucket
    {
        double bytes = 0.0; // below zero after a write that took more than was left
        std::chrono::steady_clock::time_point refilled;
        bool started = false;
    };
    struct Sender
    {
        std::string address;
        Bucket lines;
        std::chrono::steady_clock::time_point seen; // its last line, written or not
    };
    struct Limiter
    {
        std::uint64_t id = 0;
        Bucket counts;
        std::chrono::steady_clock::time_point seen; // its last count asked for
    };
    Bucket lines;
    Bucket counts;
    std::vector<Sender> senders;
    std::vector<Limiter> limiters;
};

/// The foundation's state, one instance (gFoundation); constant-initialised, so that it holds its
/// starting values before any dynamic initialisation.
struct FoundationState
{
    // The run flags: set by any thread (the first exchange wins), cleared by the cycle reset on the cycle
    // worker.
    /// Set once the current cycle must end (first exchange from 0 to 1 wins); cleared only by the cycle
    /// reset.
    std::atomic<std::uint8_t> gStopRequested{0};
    /// Set when the main window was closed; cleared only by the cycle reset.
    std::atomic<std::uint8_t> gWindowClosed{0};
    /// The exit reason of the running cycle (an ExitReason value); written with gRestartDelay.
    std::atomic<std::uint32_t> gExitReason{0};
    /// [s] countdown before a restart.
    std::atomic<std::int32_t> gRestartDelay{0};

    // Written by the traffic-source link and its reader, read by the cycle worker and the window.
    /// Source time of the latest traffic data [s since 1970, UTC]; written by the traffic reader.
    std::atomic<double> gTrafficTime{0.0};
    /// Non-zero while the traffic source runs at its professional level; written by the traffic-source link.
    std::atomic<std::uint8_t> gProfessionalLevel{0};

    // The requests: set by the window thread or the periodic work, served and cleared by the main loop on
    // the cycle worker.
    /// A renewal of static parking is wanted (every 20 minutes, or after a parking setting changed).
    std::atomic<std::uint8_t> gRenewalRequest{0};
    /// "Re-read": the park airports' reserved stands are to be checked again.
    std::atomic<std::uint8_t> gStandCheckRequest{0};
    /// "Flush static": the queued static aircraft are to be removed.
    std::atomic<std::uint8_t> gFlushStaticRequest{0};
    /// The live aircraft with the callsign of BLOCK_CALLSIGN is to be removed.
    std::atomic<std::uint8_t> gBlockCallsignRequest{0};
    /// The nav lights of the parked aircraft are to follow NAV_LIGHTS_WHILE_PARKED.
    std::atomic<std::uint8_t> gNavLightsRequest{0};
    /// Live aircraft above MAX_LIVE_SEL are to be removed, farthest first.
    std::atomic<std::uint8_t> gTrimLiveRequest{0};
    /// One step of the automatic radius is wanted now ("Auto range" was switched on).
    std::atomic<std::uint8_t> gAutoRangeRequest{0};
    /// The livery indexes are to be cleared and the scanned liveries processed again at the next cycle start.
    std::atomic<std::uint8_t> gLiveryIndexClearRequest{0};
    /// A setting that the park airport's file stores changed while static parking ran: the file is saved
    /// with it when the park airport closes.
    std::atomic<std::uint8_t> gParametersChanged{0};

    // Written by the cycle worker, read by the window thread.
    /// [s] the main loop's seconds counter as the window may read it (the respond countdown).
    std::atomic<std::int32_t> gLoopSecondsShown{0};
    /// The current weekday and half hour, packed by gf_packDayHalfHour; 0 between cycles.
    std::atomic<std::uint64_t> gCurrentDayHalfHour{0};
    /// The value of MAX_LIVE_SEL when the cycle started; leaving a park airport restores it.
    std::atomic<std::int32_t> gSavedLiveLimit{0};

    // The scan workers' slots: taken by the scan on the cycle worker, given back by each worker.
    /// Scan workers running now; a scan adds one after starting a worker, the worker releases it.
    std::atomic<std::int32_t> gRunningWorkers{0};
    /// The most scan workers that may run at once.
    std::atomic<std::int32_t> gWorkerLimit{1};

    // The destination typed in the window, taken by the cycle worker; under gDestinationMutex.
    std::mutex gDestinationMutex;
    std::optional<std::string> gDestinationRequest;
    // The stock airports folder, set at start-up and read by the readers; under gStockMutex. Empty until
    // set (held in an optional so that the state stays constant-initialised with every compiler).
    std::mutex gStockMutex;
    std::optional<WinPath> gStockAirports;
    // [nm] RANGE as the window last set it; -1 until then. Window thread, read by any.
    std::atomic<std::int32_t> gManualRangeNm{-1};
    // The status service the program installs before the window opens; null: the one that shows nothing.
    std::atomic<StatusService*> gStatus{nullptr};
    // The settings view the program connects before the window opens; null: the one that shows nothing.
    std::atomic<SettingsView*> gSettingsView{nullptr};
    // The message line the window installs when it opens; null: the one that only logs.
    std::atomic<MessageLinePort*> gMessageLine{nullptr};

    // The log file, written by every thread under gLogMutex and only while open.
    std::mutex gLogMutex;
    plat::AppendFile gLogFile;
    // The open log's path (none while the log is closed), where its last whole line ends, and how many
    // lines since then could not be written; under gLogMutex.
    std::optional<std::filesystem::path> gLogPath;
    std::uint64_t gLogGoodEnd = 0;
    std::uint64_t gLogUnwritten = 0;
    // When the log last found its file still at its path, and the lines written since; under gLogMutex.
    std::chrono::steady_clock::time_point gLogCheckedAt;
    std::uint64_t gLogLinesSinceCheck = 0;
    // Why the log cannot be written now ("the disk is full"), none while it can; and what its opening
    // had to do instead of the usual (the earlier log kept, another folder), none when nothing. Under
    // gLogMutex; optional, so that the state stays constant-initialised.
    std::optional<std::string> gLogTrouble;
    std::optional<std::string> gLogStartNotice;
    // True while the log is written to a folder of the user's own because its folder took none; under
    // gLogMutex.
    bool gLogElsewhere = false;
    // Lines handed to the log while a thread writes to it: that thread takes them all with its next write,
    // so that a slow disk is written once per batch, not once per line. Under gLogQueueMutex; gLogDone
    // (lines written or dropped, in the order handed over) is waited on by their callers.
    std::mutex gLogQueueMutex;
    std::vector<char> gLogPending; // (a vector: a string has no constant initializer under every compiler)
    std::uint64_t gLogPendingLines = 0;
    std::uint64_t gLogQueued = 0;
    bool gLogWriting = false;
    std::atomic<std::uint64_t> gLogDone{0};
    // What the repeat limits of every reader together may still write (RepeatLimitedLog); under
    // gRepeatMutex.
    std::mutex gRepeatMutex;
    RepeatAllowance gRepeatAllowance;
    // Numbers the repeat limits, so that each has its share of the allowance for counts.
    std::atomic<std::uint64_t> gRepeatLimitSerial{0};
    // parameters.xml's paths, found on first use and forgotten when AppData may have changed; under
    // gPathsMutex. Empty until found.
    std::mutex gPathsMutex;
    std::optional<SettingsPaths> gSettingsPaths;
    // Held by every reader and writer of parameters.xml, on any thread.
    std::mutex gParametersFileMutex;
    // The bounds of every download, replaced by tests on the test's thread; under gLimitsMutex.
    std::mutex gLimitsMutex;
    DownloadLimits gDownloadLimits;
    // Numbers the temporary files of rewritten files, so that two writers of one file never share one.
    std::atomic<unsigned> gTemporarySerial{0};
    // Per folder that a save wrote into, the temporary files that saves cut short by a kill had left there
    // when this process first looked; the folder's first save lists it, later saves only take their own
    // from here. Under gLeftoversMutex.
    std::mutex gLeftoversMutex;
    std::vector<std::pair<std::filesystem::path, std::vector<std::string>>> gLeftovers;
    // Set once the log has said that saves go without a flush to the disk.
    std::atomic<bool> gUnflushedSaid{false};
};

/// The foundation's state.
extern constinit FoundationState gFoundation;

} // namespace oxl
