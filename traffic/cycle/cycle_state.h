// The cycle folder's process-wide state: the once-per-process flags, the ports the program installs, the
// main loop's values, and the threads the cycle worker starts, with the thread or lock of each.
#pragma once

#include "foundation/thread_owner.h"
#include "traffic/cycle/cycle_ports.h"
#include "traffic/cycle/main_loop.h"
#include "traffic/cycle/periodic_work.h"
#include "traffic/source/udp_readers.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace oxl
{

/// The Traffic Reader's and the QNH Reader's threads of the running cycle.
struct ReaderThreads
{
    ReaderThread traffic; ///< Traffic Reader
    ReaderThread qnh;     ///< QNH Reader
};

/// The cycle folder's state, one instance (gCycle).
struct CycleState
{
    // Set by closing down when it restarts, read by the next cycle's start-up checks.
    /// The next cycle skips the version check.
    std::atomic<std::uint8_t> gSkipVersionCheck{0};
    // Set once per process by the cycle worker, forgotten by gf_forgetOncePerProcess.
    /// The database has been read.
    std::atomic<bool> gDbaseRead{false};
    /// The cycle's containers have been reserved.
    std::atomic<bool> gContainersReserved{false};

    // The ports the program installs before the cycles start (tests between cycles); read by the cycle
    // worker. Until then the cycle's own.
    CyclePorts gPorts = gf_noCyclePorts();
    ProgramLoopPort gProgramLoopPort;
    MainLoopPort* gLoopPort = &gProgramLoopPort;
    NoParkingWork gNoParkingWork;
    PeriodicPort* gPeriodic = &gNoParkingWork;

    // The cycle worker's own, checked by loopOwner in debug builds; released by the main loop's reset.
    ThreadOwner loopOwner;
    LoopValues gLoopValues;

    // The cycle worker's: the reader threads it starts, joined at closing down.
    ReaderThreads gReaderThreads;
    // The cycle worker's: the SimClient thread object, the one the program and the tests run the link on,
    // under gSimClientMutex (closing down and the program's end stop it). Last, so that at exit the thread is
    // joined before the state it uses goes away.
    std::mutex gSimClientMutex;
    std::jthread gSimClientThread;
};

/// The cycle folder's state.
extern CycleState gCycle;

} // namespace oxl
