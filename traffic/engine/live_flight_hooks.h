// Connects the movement, flight phases and creation steps to the engine.
#pragma once

#include "traffic/engine/live_engine.h"
#include "traffic/engine/live_movement.h"

#include <memory>

namespace oxl
{

/// The movement with the flight phases: take-off rotation, flare and the set-ups of airborne and ground
/// reports. The ground, end-of-stream and stand-learning steps are left to the class that completes it.
class LiveFlightMovement : public MovementSteps
{
  public:
    void flyingStep(LiveEngine& engine, LiveAc& ac) const final;
    void groundReportStep(LiveEngine& engine, LiveAc& ac) const final;
    void rotationTick(LiveEngine& engine, LiveAc& ac) const final;
    void rollTick(LiveEngine& engine, LiveAc& ac) const final;
    void flareTick(LiveEngine& engine, LiveAc& ac) const final;
};

/// The flight phases on plain ground: no ground manoeuvre, no re-timing, a stream simply ends and
/// nothing is learned.
class FlightOnPlainGround final : public LiveFlightMovement
{
  public:
    void nextPosGround(LiveEngine&, LiveAc&) const override {}
    void stationaryTiming(LiveEngine&, LiveAc&) const override {}
    bool endOfStream(LiveEngine&, LiveAc&) const override { return false; }
    void learnStandOnDeparture(LiveEngine&, LiveAc&, bool) const override {}
};

/// Installs the movement with the flight phases, the appending of new reports, the creation,
/// activation, touchdown and parked configuration steps and the clearing of a stand; the ground,
/// end-of-stream and stand-learning steps are those of `movement`.
void installLiveFlight(LiveEngine& engine, std::unique_ptr<LiveFlightMovement> movement =
                                               std::make_unique<FlightOnPlainGround>());

} // namespace oxl
