#include "traffic/engine/live_tick.h"

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "records/aircraft_words.h"
#include "traffic/engine/end_of_stream.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_livery_hooks.h"
#include "traffic/engine/live_spawning.h"

#include <fmt/format.h>

#include <algorithm>

namespace oxl
{

namespace
{
// [ticks] how long the ground found under an aircraft holds before it is looked up again.
constexpr std::int32_t kGroundFloorTicks = 100;
// [ticks] how often the reader learns the hexids of the live aircraft, when they changed.
constexpr std::int32_t kPublishHexidsTicks = 10;

// The ground the program knows under the aircraft [ft]; NaN when it knows none.
double knownGroundFt(const LiveEngine& engine, const LiveAc& ac)
{
    const Airport& park = engine.n.parking->parkAirport;
    if (!park.code.empty() &&
        gf_distanceNm({ac.lat, ac.lon}, {park.latitude, park.longitude}) <= kGroundAirportNm)
        return park.altitude;
    if (const auto elevation = engine.n.staticParking->nearestAirportElevationFt(ac.lat, ac.lon))
        return *elevation;
    return ac.simGroundFt;
}

// An aircraft whose reports ended while it waited for its turn in the creation queue is let go as at the
// end of any stream: created now, it would only fly what the end made up after it has gone, or be taken
// away at once far behind its reports.
bool letGoEndedCreation(LiveEngine& engine, std::uint32_t hexid)
{
    LiveAc* ac = engine.findByHexid(hexid);
    if (ac == nullptr || ac->simState != SimState::adding2sim || ac->objectId != 0 || ac->removeWhenCreated ||
        !gf_reportsEnded(engine, *ac))
        return false;
    ++engine.intake.endOfStreamRemovals;
    removeAircraftFromSim(engine, *ac);
    return true;
}

} // namespace

void awaitObject(LiveEngine& engine, LiveAc& ac)
{
    if (ac.objectId != 0 || ac.createCancelled || ac.removeWhenCreated || ac.stream.empty() ||
        ac.stream.back().dueTick > engine.tick())
        return;
    // Its newest report is due: the stream has run dry where an active aircraft's would, and the reports
    // before it have passed. Carried on as far as one in the simulator, or let go: its creation is withdrawn
    // and its object removed should it still come.
    ac.stream.erase(ac.stream.begin(), ac.stream.end() - 1);
    if (engine.n.phases->endOfWaitingStream(ac) && ac.stream.size() > 1)
        return;
    ++engine.intake.endOfStreamRemovals;
    removeAircraftFromSim(engine, ac);
}

void keepAboveGround(LiveEngine& engine, LiveAc& ac)
{
    if (ac.onGround != 0)
        return;
    const std::int32_t tick = engine.tick();
    if (ac.groundFloorTick < 0 || tick - ac.groundFloorTick >= kGroundFloorTicks)
    {
        ac.groundFloorFt = knownGroundFt(engine, ac);
        ac.groundFloorTick = tick;
    }
    // NaN (no ground known) compares false and leaves the altitude as it is.
    if (ac.alt < ac.groundFloorFt)
        ac.alt = ac.groundFloorFt;
}

bool updateLiveAc(LiveEngine& engine, LiveAc& ac)
{
    if (ac.simState == SimState::buffer)
        bufferStep(engine, ac);
    else if (ac.simState == SimState::adding2sim)
        awaitObject(engine, ac);
    else if (ac.simState == SimState::active)
    {
        if (ac.stream.empty())
        {
            gf_logMarked(
                fmt::format("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{}, TAS:{:.0f}",
                            "updateLiveAc", gf_acLabel(ac), ac.hexid, ac.objectId, ac.alt,
                            fmt::format("{:.6f},{:.6f}", ac.lat, ac.lon), ac.tas));
            removeAircraftFromSim(engine, ac);
        }
        else
        {
            engine.n.phases->moveActive(ac);
            if (ac.simState == SimState::active)
            {
                keepAboveGround(engine, ac);
                if (ac.objectId == 0)
                {
                    gf_logMarked(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}",
                                             "updateLiveAc", ac.hexid, gf_outsideText(ac.callsign),
                                             gf_outsideText(ac.registration), gf_airlTypeLabel(ac),
                                             ac.stream.size()));
                    removeAircraftFromSim(engine, ac);
                }
                else
                    engine.n.simQueues->fill->push_back(SimPosition{
                        ac.lat, ac.lon, ac.pitch, ac.bank, ac.heading, ac.alt, ac.vs, ac.tas, ac.objectId});
            }
        }
    }
    // Flags set elsewhere during the last tick (answers, lines, other aircraft) are swept here too.
    return ac.erase || ac.createCancelled;
}

void updateAllLiveAc(LiveEngine& engine)
{
    bool sweep = false;
    // By index: a step may append to nothing but may flag any record; erasing waits for the sweep.
    for (std::size_t i = 0; i < engine.live.size(); ++i)
        sweep = updateLiveAc(engine, engine.live[i]) || sweep;
    if (sweep)
        engine.live.eraseIf([](const LiveAc& ac) { return ac.erase || ac.createCancelled; });
    engine.n.simQueues->handOverPositions();
}

CreateRequest makeCreateRequest(const LiveAc& ac)
{
    CreateRequest request;
    request.lat = ac.lat;
    request.lon = ac.lon;
    request.alt = ac.alt;
    request.pitch = ac.pitch * kRadToDeg;
    request.bank = ac.bank * kRadToDeg;
    request.heading = ac.heading * kRadToDeg;
    request.onGround = (!ac.stream.empty() && !ac.stream.front().airborne) ? 1 : 0;
    request.airspeed = 0;
    request.callsign = ac.callsign;
    request.title = ac.livery;
    request.hexid = ac.hexid;
    return request;
}

void createRequestFromSpawnStack(LiveEngine& engine)
{
    if (engine.spawnStack.empty())
        return;
    const std::uint32_t hexid = engine.spawnStack.back();
    engine.spawnStack.pop_back();
    const LiveAc* ac = engine.findByHexid(hexid);
    if (ac == nullptr)
        return;
    if (ac->callsign.empty())
    {
        gf_logMarked(fmt::format("{} {} objectid = 0?", "lf_handleAddingStack", gf_acLabel(*ac)));
        return;
    }
    engine.n.mainQueues->liveCreates.push_back(makeCreateRequest(*ac));
}

void serviceQueues(LiveEngine& engine)
{
    const std::int32_t tick = engine.tick();
    if (tick % kRemovalPeriodTicks != 0)
        return;
    MainLoopQueues& queues = *engine.n.mainQueues;
    SimQueues& sim = *engine.n.simQueues;
    if (!queues.removals.empty())
    {
        sim.queueRemoval(queues.removals.front());
        queues.removals.pop_front();
    }
    if (tick % kCreatePeriodTicks != 0)
        return;
    // A request that goes no further takes no slot: the next one takes the turn. Each turn takes the
    // front's hexid out of the queue, so the loop ends whatever the removal did with the queue.
    while (!queues.liveCreates.empty())
    {
        const std::uint32_t hexid = queues.liveCreates.front().hexid;
        // Let go while its request is queued, so that its removal withdraws the request, not a creation.
        if (letGoEndedCreation(engine, hexid))
        {
            gf_removeFromCreateDequeByHexid(queues.liveCreates, hexid);
            continue;
        }
        CreateRequest request = std::move(queues.liveCreates.front());
        queues.liveCreates.pop_front();
        if (rematchOrDropRefusedTitle(engine, request))
        {
            sim.queueCreateAc(request);
            return;
        }
    }
    while (!queues.staticCreates.empty())
    {
        CreateRequest request = std::move(queues.staticCreates.front());
        queues.staticCreates.pop_front();
        if (rematchOrDropRefusedTitle(engine, request))
        {
            sim.queueCreateAc(request);
            break;
        }
    }
    if (!engine.n.parking->staticParked.empty())
        engine.n.staticParking->assignStaticParking();
}

std::size_t takeTrafficLines(LiveEngine& engine, AddingStack& adding)
{
    const std::int32_t tick = engine.tick();
    IntakeCounts& counts = engine.intake;
    std::size_t accepted = 0;
    const auto take = [&](TrafficLine& line)
    {
        if (line.report.dueTick <= tick)
        {
            ++counts.droppedPastDue;
            return;
        }
        acceptReport(engine, std::move(line));
        ++accepted;
    };
    adding.takeUpTo(kLinesPerTick, take);
    if (adding.size() > kLinesPerTick)
    {
        // Share by share, so that the reader gets the mutex between them and never waits long.
        const std::int64_t deadline = engine.steadyNow100ns() + kIntakeBudget100ns;
        while (engine.steadyNow100ns() < deadline && adding.takeUpTo(kLinesPerTick, take) > 0)
        {
        }
    }
    counts.linesTaken += accepted;
    return accepted;
}

namespace
{

// Logs the interval's counts with the ticks per second of the running time it covered; clears them.
void logIntake(LiveEngine& engine, AddingStack& adding, std::int64_t covered100ns)
{
    IntakeCounts& counts = engine.intake;
    const double ticksPerSecond =
        covered100ns > 0 ? static_cast<double>(counts.ticks) * 1e7 / static_cast<double>(covered100ns) : 0.0;
    gf_log(fmt::format(
        "Intake: {:.1f} ticks/s, {} lines taken, {} dropped past due, {} removed at end of stream, "
        "{} waiting, {} aircraft, {} active, {} datagrams dropped by the system",
        ticksPerSecond, counts.linesTaken, counts.droppedPastDue, counts.endOfStreamRemovals, adding.size(),
        engine.live.size(), engine.activeCount(), adding.takeSystemDrops()));
    counts = IntakeCounts{};
}

} // namespace

void countIntakeTick(LiveEngine& engine, AddingStack& adding)
{
    IntakeCounts& counts = engine.intake;
    const std::int64_t now = engine.steadyNow100ns();
    // Written as the next tick begins, the line covers the whole of each tick it counts, its wait included;
    // the next interval runs on from here.
    if (counts.ticks >= kIntakeLogTicks)
        logIntake(engine, adding,
                  counts.covered100ns + (counts.stretchStart100ns < 0 ? 0 : now - counts.stretchStart100ns));
    if (counts.stretchStart100ns < 0)
        counts.stretchStart100ns = now;
    counts.lastTickStart100ns = now;
    ++counts.ticks;
}

void logLastIntake(LiveEngine& engine, AddingStack& adding)
{
    const IntakeCounts& counts = engine.intake;
    if (counts.ticks == 0 && counts.linesTaken == 0 && counts.droppedPastDue == 0 &&
        counts.endOfStreamRemovals == 0)
        return;
    std::int64_t covered = counts.covered100ns;
    // A loop that ends within its last tick's 10 ms still gave that tick its whole period.
    if (counts.stretchStart100ns >= 0)
        covered += std::max(engine.steadyNow100ns(), counts.lastTickStart100ns + kTickPeriod100ns) -
                   counts.stretchStart100ns;
    logIntake(engine, adding, covered);
}

void pauseIntake(LiveEngine& engine)
{
    IntakeCounts& counts = engine.intake;
    if (counts.stretchStart100ns < 0)
        return;
    counts.covered100ns += engine.steadyNow100ns() - counts.stretchStart100ns;
    counts.stretchStart100ns = -1;
}

void liveTickWork(LiveEngine& engine, AddingStack& adding)
{
    simHousekeeping(engine);
    updateAllLiveAc(engine);
    serviceQueues(engine);
    takeTrafficLines(engine, adding);
    createRequestFromSpawnStack(engine);
    if (engine.tick() % kPublishHexidsTicks == 0)
        engine.publishKnownHexids();
}

} // namespace oxl
