// The simulator link's process-wide state: the connection handle, the flags other threads read, the
// user aircraft's data, the window's simulator status, and the port through which the link reaches the
// engine (installed by the program, replaced by tests). The SimClient thread itself is the cycle worker's
// (gf_startSimClientThread), stopped before the program ends.
#pragma once

#include "foundation/geodesy.h"
#include "foundation/repeat_limit.h"
#include "foundation/status_service.h"
#include "foundation/thread_owner.h"
#include "records/aircraft_records.h"
#include "records/sim_queues.h"
#include "simlink/ai_create.h"
#include "simlink/client/simconnect.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace oxl
{

/// What the link needs of the engine and the program beyond the status service. Every call may run on
/// the SimClient thread.
class SimLinkPort
{
  public:
    SimLinkPort() = default;
    virtual ~SimLinkPort() = default;
    SimLinkPort(const SimLinkPort&) = delete;
    SimLinkPort& operator=(const SimLinkPort&) = delete;

    /// This link won the cycle's stop flag: record the exit reason and the restart delay [s].
    virtual void setExitReason(std::uint32_t reason, std::uint32_t restartDelaySec) = 0;
    /// The simulator went away (the engine's gf_simGone).
    virtual void simGone() = 0;
    /// The simulator version text of the install path (gf_p3dVersionFromPath).
    [[nodiscard]] virtual std::string simulatorVersionText() = 0;
    /// The simulator install path found at start-up, as text.
    [[nodiscard]] virtual std::string installPathText() = 0;
    /// The user aircraft stands still at a named stand: the cycle worker updates the park-airport list.
    virtual void userStandAtRest(const std::string& standName) = 0;
};

/// The link on its own (tests, and before the program installs its port): no exit reason is recorded,
/// a simulator that goes away stops the cycle as SIM WAS CLOSED, the version text is gSimVersion, the
/// install path is empty and a stand at rest goes nowhere.
class NoSimLinkPort : public SimLinkPort
{
  public:
    void setExitReason(std::uint32_t /*reason*/, std::uint32_t /*restartDelaySec*/) override {}
    void simGone() override;
    [[nodiscard]] std::string simulatorVersionText() override;
    [[nodiscard]] std::string installPathText() override { return {}; }
    void userStandAtRest(const std::string& /*standName*/) override {}
};

/// Installs the program's port (not owned; it must outlive the link); null restores the link on its own.
void gf_installSimLinkPort(SimLinkPort* port);
/// The installed port.
[[nodiscard]] SimLinkPort& gf_simLinkPort();

/// The simulator link's state, one instance (gSimLink).
struct SimLinkState
{
    // The connection, guarded by gRecords.gSimQueues.simMutex.
    ScHandle gSimHandle = nullptr; ///< the open connection; null until opened; used for sending
    UserAcData gUserAcData; ///< the user aircraft's latest position block; the atomics below hold the rest

    // Shared: written by the SimClient thread, read by the cycle worker and the main loop.
    /// 1 while the simulator reports a running flight.
    std::atomic<std::uint8_t> gSimRunning{0};
    /// Set when the simulator said goodbye (QUIT) on this connection: its link then closes as a normal end.
    std::atomic<std::uint8_t> gSimQuit{0};
    /// Set by the first failing simulator call of a cycle; the frame sender then only empties the queues.
    std::atomic<std::uint8_t> gSimError{0};
    /// Simulator major version of the cycle (5 or 6).
    std::atomic<std::uint32_t> gSimVersion{5};
    /// Object id of the user aircraft (2 until the first position reply).
    std::atomic<std::uint32_t> gUserObjectId{2};
    /// Set by the per-second reply; the main loop clears it when it has done its per-second work.
    std::atomic<std::uint8_t> gSecondTick{0};
    /// 1 while the user aircraft stands on the ground.
    std::atomic<std::uint8_t> gUserOnGround{0};
    /// Set once the on-ground reply arrived with a known user position.
    std::atomic<std::uint8_t> gUserDataValid{0};
    /// Simulator time [s since 1970, UTC] of the latest user-position reply of this cycle; 0 until one came.
    std::atomic<std::int64_t> gSimUtcSeconds{0};
    /// Half the user aircraft's wing span [nm].
    std::atomic<double> gUserHalfSpan{0.0};
    /// Category of the user aircraft.
    std::atomic<AcCategory> gUserCategory{AcCategory::Light};

    // Written by the SimClient thread, read by the window thread, under gStatusMutex.
    std::mutex gStatusMutex;
    std::string gUserTitle; ///< cut to 48 characters
    std::string gUserStand; ///< empty when none

    // The SimClient thread's own, checked by simClientOwner in debug builds; released by gf_resetSimLink.
    ThreadOwner simClientOwner;
    std::vector<PendingCreate> gPendingCreates;   ///< creations sent and not yet paired, wanted or let go
    std::vector<std::uint32_t> gNewObjects;       ///< objects added and not yet paired
    std::vector<SimPosition> gFramePositions;     ///< the positions the frame sender took over
    ScFrame gFrame;                               ///< the frame built from them and the queues below
    std::vector<SimEventEntry> gFrameEvents;      ///< the events the frame sender took over
    std::vector<CreateRequest> gFrameCreates;     ///< the creations the frame sender took over
    std::vector<std::uint32_t> gFrameRemovals;    ///< the removals the frame sender took over
    std::vector<std::uint32_t> gFrameWithdrawals; ///< the hexids whose creations the frame sender lets go
    std::vector<std::size_t> gFrameCreateAt;      ///< each taken creation's message in the frame, if there
    std::vector<std::uint32_t> gFrameSendIds;     ///< the send ids the frame's messages were stamped with
    LatLon gPreviousUserPosition;
    std::uint32_t gFrameCounter = 0; ///< keeps counting across cycles

    // The simulator's own lines: a message it repeats is logged once a second and counted, and so is a kind
    // of message that comes with a new number each time.
    RepeatLimitedLog gRepeats{{}, RepeatLimitedLog::NewSources::foldedWhenFlooding};

    // The flight-plan folder, set at start-up and read by the SimClient thread, under gFolderMutex.
    std::mutex gFolderMutex;
    std::filesystem::path gFolder;

    // The port the program installs before the cycles start; null while the link is on its own.
    std::atomic<SimLinkPort*> gPort{nullptr};
};

/// The simulator link's state.
extern SimLinkState gSimLink;

/// The user aircraft now: its latest position block with its ground state and size (any thread that does
/// not hold simMutex).
[[nodiscard]] UserAcData gf_userAcData();
/// The title of the user aircraft (cut to 48 characters).
std::string gf_userTitle();
/// The stand at the user aircraft's position; empty when none.
std::string gf_userStand();
/// Sets one of the main window's simulator flags and repaints its status band.
void gf_setWindowFlag(StatusFlag which, bool on);
/// Sets one of the main window's status texts and repaints its status band.
void gf_setWindowText(StatusText which, const std::string& text);
/// Sets the user title (SimClient thread).
void gf_setUserTitle(const std::string& title);
/// Sets the user stand (SimClient thread).
void gf_setUserStand(const std::string& stand);

/// Stops the cycle with a reason unless another reason stopped it first.
void gf_stopCycle(std::uint32_t reason, std::uint32_t restartDelaySec);
/// The cycle stop of a new flight (NEW FLIGHT, restart after 30 s).
void gf_newFlightStop();
/// The common failure path of every simulator call: message, error state, cycle stop (SIMCONNECT ERROR).
void gf_simRequestError();
/// Tells the installed port that the simulator went away.
void gf_notifySimGone();

/// Writes a line that a simulator's message caused through the link's repeat limit (gRepeats), keyed by
/// its kind and a number (a message, exception, object or hexid): the first line of each at once, repeats
/// once a second with their count; numbers that flood in new are counted as their kind's. `makeLine` is
/// called only for a line that is written.
void gf_logSimRepeated(std::string_view kind, const std::function<std::string()>& makeLine,
                       LogForm form = LogForm::plain, std::string_view number = {});
/// The same for a fixed line, which is its own kind.
void gf_logSimRepeated(std::string_view line, LogForm form = LogForm::plain);
/// "! short message id {} size {}" through the repeat limit, counted by the message id.
void gf_logShortMessage(std::uint32_t id, std::uint32_t size);

/// The reset that closes every cycle: queues, tables, flags, handle and user data back to their start.
void gf_resetSimLink();

} // namespace oxl
