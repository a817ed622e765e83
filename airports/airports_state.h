// The airport folder's process-wide state: the ports the program installs, the airport list, the parking
// state, the scan's and the park-airport list's flags, and the locks the readers and writers share.
#pragma once

#include "airports/airport_list.h"
#include "airports/parking_state.h"
#include "foundation/thread_owner.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace oxl
{

class AirportReadPort;
class AirportScanPort;
class ParkAirportPort;

/// The park-airport list's state between two checks.
struct ParkAirportFlags
{
    // Written on the cycle worker, read by the window and the learning on other threads.
    std::atomic<bool> calcRequested{false};
    std::atomic<bool> softLearningAllowed{true};
    // The cycle worker's own, checked by cycleOwner in debug builds; released by gf_resetParkAirport.
    ThreadOwner cycleOwner;
    bool positionKnown = false;
    double lastLat = 0.0; // [deg]
    double lastLon = 0.0; // [deg]
    // The SimClient thread posts the user's stand here; the cycle worker takes it.
    std::mutex postedMutex;
    std::optional<std::string> postedStand;
    // Airports found without a file this cycle: asking again would download a probe every 16 seconds
    // (the cycle worker's own).
    std::set<std::string> withoutFile;
};

/// The airport folder's state, one instance (gAirports).
struct AirportsState
{
    // The ports the program installs before the cycles start; null while the folder is on its own.
    std::atomic<AirportReadPort*> gReadPort{nullptr};
    std::atomic<AirportScanPort*> gScanPort{nullptr};
    std::atomic<ParkAirportPort*> gParkPort{nullptr};

    // Set by the linking and generation of a decoded airport (the scan has produced at least one file),
    // cleared by a new scan; read by any thread.
    std::atomic<bool> gAirportsFound{false};
    // Any thread: the serial number of the next static aircraft.
    std::atomic<std::uint32_t> gStaticSerial{0};

    // The readers, each under its lock.
    std::mutex gProbeMutex;
    std::map<std::string, bool> gProbeAnswers; ///< code -> the site has its stock file
    std::mutex gScanLogMutex;
    std::vector<std::string> gScanLog;
    /// Serialises the publisher and archive lookups and the link files of concurrent workers.
    std::mutex gArchiveLinkMutex;
    /// One writer of the park-airport file at a time: it is read, changed and replaced as a whole.
    std::mutex gWriteMutex;

    // The park-airport list's flags (owners as marked there).
    ParkAirportFlags gPark;

    /// The program's airport list: read at the first cycle's start-up, then fixed and read by any thread.
    AirportList gAirportList;
    /// The program's parking state: the cycle worker's, but for its stand locator that any thread asks.
    ParkingState gParking;
};

/// The airport folder's state.
extern AirportsState gAirports;

} // namespace oxl
