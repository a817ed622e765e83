// The park airport: the one airport at which static aircraft are parked and stand occupancy is learned,
// either the airport the user aircraft stands at or the nearest listed one that comes into sight in the
// air. The per-second step chooses it, reads its airport file, starts the static parking there, keeps
// the user's reserved stand and leaves the airport again when it goes out of sight.
#pragma once

#include "airports/park_airports.h"
#include "airports/parking_state.h"
#include "records/aircraft_records.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace oxl
{

/// What reading an airport file tells the park airport.
struct ParkFileSummary
{
    std::string airportName;  ///< the file's airport_name
    std::int32_t qfReal = -1; ///< quality of the observed occupancy; -1 = not known
};

/// The neighbours of the park airport; installed by the program, replaced by tests.
class ParkAirportPort
{
  public:
    ParkAirportPort() = default;
    virtual ~ParkAirportPort() = default;
    ParkAirportPort(const ParkAirportPort&) = delete;
    ParkAirportPort& operator=(const ParkAirportPort&) = delete;

    /// The folder that holds my_park_airports.txt.
    [[nodiscard]] virtual std::filesystem::path airportsFolder() const = 0;
    /// The user aircraft now; its data is valid once the simulator gave its state.
    [[nodiscard]] virtual UserAcData userAircraft() = 0;
    /// gf_haveAirportFile(code).
    [[nodiscard]] virtual FileAnswer haveAirportFile(const std::string& code) = 0;
    /// gf_findAirportFile(code).
    [[nodiscard]] virtual std::string findAirportFile(const std::string& code) = 0;
    /// gf_readApf(path): fills the stand vector; "" on success, else the reason.
    [[nodiscard]] virtual std::string readApf(const std::string& path, ParkFileSummary& summary) = 0;
    /// gf_saveAirportFile: the learned occupancy.
    virtual void saveAirportFile() = 0;
    /// gf_startStaticParking(showMessage).
    virtual void startStaticParking(bool showMessage) = 0;
    /// gf_calcStaticParking.
    virtual void calcStaticParking() = 0;
    /// gf_removeQueuedStatic: every static aircraft.
    virtual void removeQueuedStatic() = 0;
    /// Static and live parked counts with their averages, for the window.
    virtual void countParkedForWindow() = 0;
    /// The engine's live aircraft, to change in place; none without an engine.
    [[nodiscard]] virtual std::span<LiveAc> liveAircraft() = 0;
    /// The live limit changed: trim the active aircraft.
    virtual void recountLive() = 0;
    /// The traffic filter's park airport (or none).
    virtual void parkAirportChanged(const Airport* airport) = 0;
};

/// The park airport on its own (tests): files in "airports", no user aircraft, no airport file,
/// nothing to start, count or remove, and no engine.
class NoParkAirportPort : public ParkAirportPort
{
  public:
    [[nodiscard]] std::filesystem::path airportsFolder() const override { return "airports"; }
    [[nodiscard]] UserAcData userAircraft() override { return {}; }
    [[nodiscard]] FileAnswer haveAirportFile(const std::string& /*code*/) override
    {
        return FileAnswer::none;
    }
    [[nodiscard]] std::string findAirportFile(const std::string& /*code*/) override { return {}; }
    [[nodiscard]] std::string readApf(const std::string& path, ParkFileSummary& summary) override;
    void saveAirportFile() override {}
    void startStaticParking(bool /*showMessage*/) override {}
    void calcStaticParking() override {}
    void removeQueuedStatic() override {}
    void countParkedForWindow() override {}
    [[nodiscard]] std::span<LiveAc> liveAircraft() override { return {}; }
    void recountLive() override {}
    void parkAirportChanged(const Airport* /*airport*/) override {}
};

/// Installs the park airport's neighbours (not owned); null restores the park airport on its own.
void gf_installParkAirportPort(ParkAirportPort* port);
/// The installed neighbours.
[[nodiscard]] ParkAirportPort& gf_parkAirportPort();

/// True while static parking runs at a park airport whose file was read.
[[nodiscard]] bool gf_staticParkingActive();
/// Sets or clears static parking active (set when the airport file has been read).
void gf_setStaticParkingActive(bool active);
/// True when soft occupancy may be learned at the park airport (its file has too little observed data).
[[nodiscard]] bool gf_softLearningAllowed();
/// True while the park airport's file is to be read and its static parking computed at the next step.
[[nodiscard]] bool gf_parkCalculationRequested();
/// Forgets the flags, the last user position and a posted user stand (a new cycle, or a test).
void gf_resetParkAirport();

/// Any thread: the user aircraft stands still at this stand. The cycle worker takes it at its next
/// park-airport step (or when it leaves the park airport) and keeps it as the reserved stand.
void gf_postUserStand(const std::string& standName);

/// The per-second step: placement finished, the pending calculation, the distances of the list, and the
/// choice or the sight check of the park airport. showMessage at the main loop's start.
void gf_updateParkAirport(ParkingState& state, bool showMessage);
/// Chooses the airport the user aircraft stands at, or the first listed airport in sight in the air.
void gf_chooseParkAirport(ParkingState& state, const UserAcData& user, bool showMessage);
/// Leaves the park airport when it went out of sight or a nearer listed airport came into sight.
void gf_checkParkAirportSight(ParkingState& state, const UserAcData& user);
/// Makes the listed airport with the code the park airport; false when the airport list lacks it.
bool gf_setParkAirport(ParkingState& state, const std::string& code);
/// Reads the park airport's file into the stand vector and settles its reserved stand; "" on success,
/// else the reason.
std::string gf_readParkedFile(ParkingState& state);
/// Removes the static aircraft and the live ones at or leaving stands, then closes the park airport.
void gf_leaveParkAirport(ParkingState& state);
/// Saves what was learned, clears static parking and forgets the park airport and its stands.
void gf_closeParkAirport(ParkingState& state);

/// Re-reads the park-airport list; with check, takes over a reserved stand that the user changed in the
/// file. The text says what changed; false when the list could not be read.
bool gf_checkParkAirports(ParkingState& state, bool check, std::string& message);

} // namespace oxl
