// The main loop's work once per simulated second and on multiples of 15, 16, 30, 59, 60, 61, 1200 and
// 86400 seconds: resuming after a pause, ageing the message line, callsign coupling, the window's
// requests, keeping live aircraft out of the user aircraft's way, the double-aircraft check, the renewal
// of static parking in two passes, the reader watchdog, the automatic range and the daily reset.
#pragma once

#include "foundation/units.h"
#include "traffic/engine/live_engine.h"
#include "traffic/source/adding_stack.h"

#include <cstdint>
#include <string>

namespace oxl
{

/// What the main loop's periodic work asks of the park airport, static parking and the reader watchdog.
class PeriodicPort
{
  public:
    virtual ~PeriodicPort() = default;
    /// gf_updateParkAirport (true at the loop's start).
    virtual void updateParkAirport(bool atLoopStart) = 0;
    /// gf_checkParkAirports(true, text): true when the filled text is to be shown.
    virtual bool checkParkAirports(std::string& text) = 0;
    /// gf_adjustParking: the renewal's second pass.
    virtual void adjustParking() = 0;
    /// gf_removeQueuedStatic ("Flush static").
    virtual void removeQueuedStatic() = 0;
    /// gf_disableParkingControls: the renewal's first pass.
    virtual void disableParkingControls() = 0;
    /// The reader watchdog's look at the two readers.
    virtual void updateReaderStatus() = 0;
};

/// No park airport and no static parking: their steps are skipped, nothing is to be shown; the readers
/// are watched by the program's own watchdog.
class NoParkingWork : public PeriodicPort
{
  public:
    void updateParkAirport(bool) override {}
    bool checkParkAirports(std::string&) override { return false; }
    void adjustParking() override {}
    void removeQueuedStatic() override {}
    void disableParkingControls() override {}
    void updateReaderStatus() override;
};

/// Installs the periodic work's neighbour (before a cycle starts, or in tests; not owned, it must outlive
/// its installation); null restores NoParkingWork.
void gf_installPeriodicPort(PeriodicPort* port);
/// The installed neighbour.
PeriodicPort& gf_periodicPort();

/// The values of the main loop and its periodic work for one cycle.
struct LoopValues
{
    bool paused = false;                    ///< the simulator stopped running; lines are not accepted
    std::int32_t notRunningCountdown = 100; ///< passes while not running, back to 100 every 100
    std::int32_t seconds = 0;               ///< n: simulated seconds since the loop began, 0 again at 86400
    bool renewalPass = false;               ///< the renewal's first pass ran (callsigns are being collected)
    double lastUserLat = 0.0;               ///< [deg] user position at the last static check on the ground
    double lastUserLon = 0.0;               ///< [deg]

    /// Back to the values of a new cycle.
    void reset() { *this = LoopValues{}; }
};

/// What the loop works on: the engine, the adding stack and the loop's values.
struct LoopContext
{
    LiveEngine& engine;  ///< live aircraft and their neighbours
    AddingStack& adding; ///< traffic lines from the Traffic Reader
    LoopValues& values;  ///< the loop's own values
};

/// The program's engine, adding stack and loop values.
LoopContext gf_programLoop();

/// The per-second routine: resume, message ageing, counts, time of week, n + 1, coupling, flush,
/// avoidance of the user aircraft, static aircraft in the way of taxiing ones, callsign blocking.
void gf_everySecond(LoopContext& loop);

/// The work of a second divisible by 15: range reference, simulator time, reserved stand, stand check
/// and the 15-second routine.
void gf_fifteenSecondWork(LoopContext& loop);

/// The 15-second routine: the renewal passes, the reader watchdog, and the 30, 60, 1200 and 86400-second
/// work.
void gf_every15Seconds(LoopContext& loop);

/// The work of the other seconds: the park-airport step (16), the reader status (59) and the
/// double-aircraft check (61).
void gf_otherSecondWork(LoopContext& loop);

/// Serves the stand-check request unless the parking controls are busy.
void gf_pendingStandCheck();

/// Removes at most one active live aircraft (or, on the ground, one static aircraft) that is in the
/// user aircraft's way; true when one was removed.
bool gf_avoidUserAircraft(LoopContext& loop);

/// Removes the first active static aircraft that duplicates an active live aircraft on the ground; true
/// when one was removed.
bool gf_removeDoubleAircraft(LiveEngine& engine);

} // namespace oxl
