#include "traffic/engine/live_cycle.h"

#include "airports/free_stands.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_spawning.h"

#include <algorithm>
#include <mutex>

namespace oxl
{

namespace
{

constexpr std::size_t kLiveCapacity = 512;
constexpr std::size_t kAnswerCapacity = 256;
constexpr std::size_t kDeferredCapacity = 128;
constexpr std::size_t kSpawnStackCapacity = 64;
constexpr std::size_t kGhostCallsignCapacity = 64;

} // namespace

void gf_reserveLiveContainers(LiveEngine& engine)
{
    engine.live.reserve(kLiveCapacity);
    engine.deferred.reserve(kDeferredCapacity);
    engine.spawnStack.reserve(kSpawnStackCapacity);
    engine.ghostCallsigns.reserve(kGhostCallsignCapacity);
    engine.answersInHand.reserve(kAnswerCapacity);
    std::lock_guard lock(engine.n.simAnswers->simAnswerMutex);
    engine.n.simAnswers->answers.reserve(kAnswerCapacity);
}

void gf_clearLiveCycleData(LiveEngine& engine)
{
    engine.reset();
    engine.n.mainQueues->clear();
    std::lock_guard lock(engine.n.simAnswers->simAnswerMutex);
    engine.n.simAnswers->answers.clear();
}

void gf_takeLiveAircraftOut(LiveEngine& engine)
{
    bool anyWithdrawn = false;
    for (LiveAc& ac : engine.live)
    {
        if (ac.simState == SimState::active)
            removeAircraftFromSim(engine, ac);
        else if (ac.simState == SimState::adding2sim && !ac.createCancelled && !ac.removeWhenCreated)
        {
            removeAircraftFromSim(engine, ac);
            anyWithdrawn = anyWithdrawn || ac.createCancelled;
        }
    }
    if (anyWithdrawn)
        engine.live.eraseIf([](const LiveAc& ac) { return ac.createCancelled != 0; });
}

void gf_serveCouplingQueue(LiveEngine& engine)
{
    if (engine.couplingQueue.empty() || engine.live.empty())
        return;
    const std::uint32_t hexid = engine.couplingQueue.front();
    engine.couplingQueue.pop_front();
    LiveAc* ac = engine.findByHexid(hexid);
    if (ac == nullptr)
        return;
    if (!ac->coupledSearchDone)
    {
        gf_searchForCoupledCsAroundThisTime(*engine.n.parking, engine.weekdayHalfHour(), *ac);
        ac->coupledSearchDone = 1;
    }
    removeStaticTwin(engine, *ac, ac->onGround != 0);
}

} // namespace oxl
