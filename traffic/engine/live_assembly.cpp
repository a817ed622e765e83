#include "traffic/engine/live_assembly.h"

#include "airports/occupancy_learning.h"
#include "airports/park_airport.h"
#include "records/records_state.h"
#include "simlink/flight_plan.h"
#include "simlink/sim_direct.h"
#include "simlink/sim_state.h"
#include "traffic/engine/live_lifecycle.h"

#include <memory>
#include <utility>

namespace oxl
{

namespace
{

// The simulator link of the program. The engine holds simMutex around every direct call, so these are the
// variants that do not lock.
class LinkSimulator final : public SimulatorPort
{
  public:
    UserAcData userAircraft() override { return gf_userAcData(); }
    std::filesystem::path flightPlanFolder() override { return gf_flightPlanFolder(); }
    std::int32_t allLightsToggle(std::uint32_t objectId) override { return gf_allLightsToggleHeld(objectId); }
    std::int32_t requestStaticCg(std::uint32_t objectId) override { return gf_requestStaticCgHeld(objectId); }
    void simRequestError() override { gf_simRequestError(); }
    std::int32_t setSpoilersThrottles(std::uint32_t objectId, double spoilersPct, double throttle1Pct,
                                      double throttle2Pct) override
    {
        return gf_setSpoilersThrottlesHeld(objectId, spoilersPct, throttle1Pct, throttle2Pct);
    }
    std::int32_t setFlightPlan(std::uint32_t objectId, const std::filesystem::path& file) override
    {
        return gf_setFlightPlanHeld(objectId, file);
    }
};

// The stand learning of the parking state the engine works on; soft options only where the park airport's
// file has too little observed occupancy.
class ParkingStandLearning final : public StandLearningPort
{
  public:
    explicit ParkingStandLearning(LiveEngine& engine) : engine_(engine) {}
    bool learningAllowed() override { return gf_softLearningAllowed(); }
    bool addStandOption(std::uint32_t standId, const LiveAc& ac, DayHalfHour time, bool closeVisit) override
    {
        return lt_addStandOption(*engine_.n.parking, standId, ac, time, closeVisit);
    }
    bool addStandOptionOnDeparture(std::uint32_t standId, const LiveAc& ac, std::uint32_t kind,
                                   DayHalfHour time, bool closeVisit) override
    {
        return lt_addStandOptionOnDeparture(*engine_.n.parking, standId, ac, kind != 0, time, closeVisit);
    }

  private:
    LiveEngine& engine_;
};

} // namespace

void gf_installLinkSimulator(LiveEngine& engine)
{
    engine.n.sim = std::make_unique<LinkSimulator>();
}

void gf_installStandLearning(LiveEngine& engine)
{
    engine.n.stands = std::make_unique<ParkingStandLearning>(engine);
}

} // namespace oxl
