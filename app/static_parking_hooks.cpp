// Static parking as the program runs it: the parking code's services (the engine, the simulator link, the
// livery index, the Traffic Reader's callsign collection and the window), and the parking code's and the
// park airport's steps for the engine's queues and the main loop's periodic work.
#include "app/hook_parts.h"

#include "airports/airport_list.h"
#include "airports/park_airport.h"
#include "airports/parking_state.h"
#include "airports/parking_window.h"
#include "airports/static_placement.h"
#include "liveries/livery_matching.h"
#include "simlink/sim_state.h"
#include "traffic/cycle/periodic_work.h"
#include "traffic/engine/aircraft_profile.h"
#include "traffic/engine/live_cycle.h"
#include "traffic/engine/live_engine.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_filter.h"
#include "traffic/source/udp_readers.h"
#include "window/parking_controls.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

namespace oxl
{

namespace
{

// The park airport and static parking of the engine's parking state, and the program's reader watchdog.
class ProgramParkingWork final : public PeriodicPort
{
  public:
    explicit ProgramParkingWork(ParkingState& parking) : parking_(parking) {}
    void updateParkAirport(bool atLoopStart) override { gf_updateParkAirport(parking_, atLoopStart); }
    bool checkParkAirports(std::string& text) override { return gf_checkParkAirports(parking_, true, text); }
    void adjustParking() override { gf_adjustParking(parking_); }
    void removeQueuedStatic() override { gf_removeQueuedStatic(parking_); }
    void disableParkingControls() override { gf_disableParkingControls(); }
    void updateReaderStatus() override { gf_updateReaderStatus(); }

  private:
    ParkingState& parking_;
};

// The static parking of the engine's parking state; an aircraft this near a listed airport is on its ground.
class ProgramParking final : public ParkingPort
{
  public:
    explicit ProgramParking(ParkingState& parking) : parking_(parking) {}
    void assignStaticParking() override { gf_assignStaticParking(parking_); }
    void maxParkCheck(std::uint8_t extra) override { gf_maxParkCheck(parking_, extra); }
    std::optional<double> nearestAirportElevationFt(double lat, double lon) override
    {
        const Airport* airport = gf_nearestAirport(lat, lon, kGroundAirportNm);
        return airport == nullptr ? std::nullopt : std::optional<double>(airport->altitude);
    }

  private:
    ParkingState& parking_;
};

// The parking code's neighbours: the simulator link's user aircraft, the engine's live aircraft, queues,
// profiles and removals, the livery index, the Traffic Reader's callsign collection and the main window.
class ProgramParkingServices final : public ParkingServices
{
  public:
    explicit ProgramParkingServices(LiveEngine& engine) : engine_(engine) {}
    // Any thread.
    UserAcData userAircraft() override { return gf_userAcData(); }
    // Over-long stays and the reserved stand leave through the engine.
    void removeAircraftFromSim(SimAc& ac) override { oxl::removeAircraftFromSim(engine_, ac); }
    std::span<LiveAc> liveAircraft() override { return engine_.live.records(); }
    void queueStaticCreate(const CreateRequest& request) override
    {
        engine_.n.mainQueues->staticCreates.push_back(request);
    }
    AcProfile acProfile(const AcIdent& ident) override { return gf_acProfile(ident); }
    bool matchStaticLivery(AcProfile& ac, const std::string& standName, bool standCargo) override
    {
        return gf_matchStaticAcLivery(ac, standName, standCargo);
    }
    void startCallsignCollection() override { gSource.gCallsignCollector.start(); }
    std::unordered_set<std::string> takeCollectedCallsigns() override
    {
        gSource.gCallsignCollector.stop();
        auto collected = gSource.gCallsignCollector.copy();
        gSource.gCallsignCollector.clear();
        return collected;
    }
    void repaint() override { gf_showParkingState(*engine_.n.parking); }

  private:
    LiveEngine& engine_;
};

} // namespace

void gf_installParkingServices(LiveEngine& engine)
{
    engine.n.parking->services = std::make_unique<ProgramParkingServices>(engine);
}

void gf_installStaticParking(LiveEngine& engine)
{
    engine.n.staticParking = std::make_unique<ProgramParking>(*engine.n.parking);
}

PeriodicPort& gf_parkingWork(ParkingState& parking)
{
    static ProgramParkingWork work(parking);
    return work;
}

} // namespace oxl
