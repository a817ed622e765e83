// The connection phase of a cycle: the simulator link, the traffic source's TCP link, the two UDP
// readers, the first user state and the first traffic, then the main loop.
#include "traffic/cycle/cycle_worker.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/log.h"
#include "traffic/cycle/cycle_detail.h"
#include "traffic/cycle/cycle_state.h"
#include "traffic/source/adding_stack.h"
#include "traffic/source/source_link.h"
#include "traffic/source/source_state.h"
#include "traffic/source/traffic_filter.h"
#include "traffic/source/udp_readers.h"

#include <optional>

namespace oxl
{

namespace
{

using namespace std::chrono_literals;

// Rounds of 100 ms that the worker waits for the first traffic datagram (15 s).
constexpr int kFirstTrafficRounds = 150;

constexpr std::size_t kStaticAircraftCapacity = 256;
constexpr std::size_t kStandCapacity = 512;
constexpr std::size_t kParkCandidateCapacity = 256;
constexpr std::size_t kStaticParkedCapacity = 512;
constexpr std::size_t kLiveParkedCapacity = 64;
constexpr std::size_t kStaticRemovalCapacity = 256;

// The ground state came in with a known position.
bool lf_userReady(CycleSimulatorPort& sim)
{
    const UserAcData user = sim.userAircraft();
    return user.dataValid && user.positionKnown();
}

// A reader that ends with an error is shown and logged by the cycle worker.
class ProgramReaderStop final : public ReaderStopListener
{
  public:
    void readerStopped(std::string_view name, std::string_view error) override
    {
        gf_readerStopped(name, error);
    }
};

} // namespace

void gf_reserveCycleContainers()
{
    if (gCycle.gContainersReserved.exchange(true))
        return;
    gAirports.gParking.staticAircraft.reserve(kStaticAircraftCapacity);
    gAirports.gParking.stands.reserve(kStandCapacity);
    gAirports.gParking.parkCandidates.reserve(kParkCandidateCapacity);
    gAirports.gParking.staticParked.reserve(kStaticParkedCapacity);
    gAirports.gParking.liveParked.reserve(kLiveParkedCapacity);
    gAirports.gParking.retire.reserve(kStaticRemovalCapacity);
    gf_cyclePorts().engine->reserveContainers();
}

bool gf_waitForSimulator()
{
    CycleSimulatorPort& sim = *gf_cyclePorts().sim;
    while (!sim.simRunning() || sim.simError())
    {
        cycle::sleepFor(100ms);
        if (gf_stopSeen())
            return false;
    }
    if (!sim.requestUserDataEverySecond())
    {
        gf_logMarked("SimConnect request ac gnd/air fails");
        sim.simRequestError();
    }
    while (!lf_userReady(sim))
    {
        sim.requestUserAcPosition();
        cycle::sleepFor(500ms);
        if (gf_stopSeen())
            break;
    }
    if (!gf_stopSeen())
    {
        sim.requestUserAcTitleModel();
        while (!sim.userAircraft().positionKnown())
        {
            sim.requestUserAcPosition();
            cycle::sleepFor(200ms);
            if (gf_stopSeen())
                break;
        }
    }
    return !gf_stopSeen();
}

void gf_waitForFirstTraffic()
{
    for (int round = 0;
         round < kFirstTrafficRounds && static_cast<std::int64_t>(gFoundation.gTrafficTime.load()) == 0;
         ++round)
    {
        cycle::sleepFor(100ms);
        if (gf_stopSeen())
            return;
    }
    if (static_cast<std::int64_t>(gFoundation.gTrafficTime.load()) == 0)
        gf_log("No traffic in this region?");
}

void gf_runCycle()
{
    const CyclePorts& ports = gf_cyclePorts();
    gSource.gTrafficDisplay.sourceConnected.store(0);
    cycle::repaintWindow();
    ports.window->setSimConnected(false);
    cycle::repaintWindow();

    gf_reserveCycleContainers();
    ports.liveries->reserveLiveryIndexes();
    ports.sim->initSimQueues(P3D_VERSION.value());
    cycle::repaintWindow();

    gf_startSimClientThread();
    if (!gf_waitForSimulator())
        return;

    if (AUTO_RANGE.value())
    {
        ports.window->autoRangeStep();
        ports.window->enableControl(RANGE, false);
    }
    const bool morvath = DRELLAND.value();
    const bool sourceOnThisPc = gSource.gSourceLink.sourceOnThisPc.load() != 0;
    if (!sourceOnThisPc || morvath)
    {
        gSource.gTrafficDisplay.sourceConnected.store(1);
        cycle::repaintWindow();
    }
    else
    {
        gSource.gSourceLink.listenForRealTraffic(PORT_NUMBER.value());
    }
    if (gf_stopSeen())
        return;

    if (!morvath)
    {
        gSource.gSourceLink.gf_waitForRealTraffic();
        if (gFoundation.gProfessionalLevel.load() != 0)
            if (const std::optional<std::int64_t> simSeconds = ports.sim->simUtcSeconds())
                gSource.gSourceLink.gf_sendQs123(*simSeconds);
    }
    else
    {
        gFoundation.gProfessionalLevel.store(0);
    }
    // Until the source has answered the cycle still starts: a scan asked for restarts it at once.
    ports.window->setWaitingForSource(false);
    cycle::repaintWindow();
    if (gf_stopSeen())
        return;

    gSource.gAddingStack.setAccept(false);
    static ProgramReaderStop readerStop;
    gSource.gTrafficReader.setStopListener(readerStop);
    gSource.gQnhReader.setStopListener(readerStop);
    cycle::readerThreads().qnh.start(gSource.gQnhReader, ports.qnhPort, sourceOnThisPc);
    cycle::sleepFor(2000ms);
    cycle::readerThreads().traffic.start(gSource.gTrafficReader, ports.trafficPort, sourceOnThisPc);

    const UserAcData user = ports.sim->userAircraft();
    gSource.gSourceLink.gf_sendUserState(user);
    gSource.gTrafficFilter.setRangeReference(user.lat, user.lon);
    gf_waitForFirstTraffic();
    gf_storeCurrentDayHalfHour();

    ports.engine->mainLoop();
}

} // namespace oxl
