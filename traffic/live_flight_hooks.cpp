#include "traffic/live_flight_hooks.h"

#include "traffic/flight_commands.h"
#include "traffic/flight_phases.h"
#include "traffic/live_completion.h"
#include "traffic/report_append.h"

#include <utility>

namespace oxl
{

void installLiveFlight(LiveEngine& engine, MovementSteps ground)
{
    const LearnStandHook learnStand = ground.learnStandOnDeparture;
    ground.flyingStep = [](LiveEngine& e, LiveAc& ac) { flyingStep(e, ac); };
    ground.groundReportStep = [learnStand](LiveEngine& e, LiveAc& ac)
    { groundReportStep(e, learnStand, ac); };
    ground.rotationTick = [](LiveEngine& e, LiveAc& ac) { rotationTick(e, ac); };
    ground.flareTick = [](LiveEngine& e, LiveAc& ac) { flareTick(e, ac); };
    installMovement(engine, std::move(ground));
    LivePhaseHooks& hooks = engine.n.phases;
    hooks.appendReport = [&engine, learnStand](LiveAc& ac, const Report& report)
    { appendReport(engine, learnStand, ac, report); };
    hooks.onLiveCreated = [&engine](LiveAc& ac) { onLiveCreated(engine, ac); };
    hooks.onAiCreated = [&engine](LiveAc& ac) { onAiCreated(engine, ac); };
    hooks.onTouchdown = [&engine](LiveAc& ac) { onTouchdown(engine, ac); };
    hooks.setParkedConfig = [&engine](SimAc& ac) { setParkedConfig(engine, ac); };
}

} // namespace oxl
