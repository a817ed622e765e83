#include "traffic/engine/live_flight_hooks.h"

#include "traffic/engine/flight_commands.h"
#include "traffic/engine/flight_phases.h"
#include "traffic/engine/live_completion.h"
#include "traffic/engine/report_append.h"
#include "traffic/engine/stand_approach.h"

#include <utility>

namespace oxl
{

namespace
{

// The engine's flight steps: the movement, the flight phases and the creation steps.
class LiveFlight final : public FlightSteps
{
  public:
    LiveFlight(LiveEngine& engine, std::unique_ptr<LiveFlightMovement> movement)
        : engine_(engine), movement_(std::move(movement))
    {
    }
    void appendReport(LiveAc& ac, const Report& report) override
    {
        oxl::appendReport(engine_, *movement_, ac, report);
    }
    void onLiveCreated(LiveAc& ac) override { oxl::onLiveCreated(engine_, ac); }
    void onAiCreated(LiveAc& ac) override { oxl::onAiCreated(engine_, ac); }
    void onTouchdown(LiveAc& ac) override { oxl::onTouchdown(engine_, ac); }
    void setParkedConfig(SimAc& ac) override { oxl::setParkedConfig(engine_, ac); }
    void moveActive(LiveAc& ac) override { moveActiveAc(engine_, *movement_, ac); }
    void makeWayAtStand(LiveAc& ac, const Stand& stand) override { oxl::makeWayAtStand(engine_, ac, stand); }
    bool endOfWaitingStream(LiveAc& ac) override { return movement_->endOfStream(engine_, ac); }

  private:
    LiveEngine& engine_;
    std::unique_ptr<LiveFlightMovement> movement_;
};

} // namespace

void LiveFlightMovement::flyingStep(LiveEngine& engine, LiveAc& ac) const
{
    oxl::flyingStep(engine, ac);
}

void LiveFlightMovement::groundReportStep(LiveEngine& engine, LiveAc& ac) const
{
    oxl::groundReportStep(engine, *this, ac);
}

void LiveFlightMovement::rotationTick(LiveEngine& engine, LiveAc& ac) const
{
    oxl::rotationTick(engine, ac);
}

void LiveFlightMovement::rollTick(LiveEngine& engine, LiveAc& ac) const
{
    oxl::takeOffRollTick(engine, *this, ac);
}

void LiveFlightMovement::flareTick(LiveEngine& engine, LiveAc& ac) const
{
    oxl::flareTick(engine, ac);
}

void installLiveFlight(LiveEngine& engine, std::unique_ptr<LiveFlightMovement> movement)
{
    engine.n.phases = std::make_unique<LiveFlight>(engine, std::move(movement));
}

} // namespace oxl
