#include "tests/support/live_harness.h"

#include "airports/airports_state.h"
#include "airports/static_placement.h"
#include "foundation/units.h"
#include "liveries/dbase.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/live_tick.h"

#include <cmath>
#include <mutex>

namespace oxl::test
{

namespace fs = std::filesystem;

namespace
{
constexpr double kReportedAglLimitFt = 2500.0; // objects higher up get no ground data
constexpr std::int32_t kTicksPerSecond = 100;
} // namespace

bool loadProgramDatabase(const fs::path& binDir)
{
    TempFolder folder;
    std::error_code ec;
    fs::copy_file(binDir / "input" / "dbase.enc", folder / "dbase.enc", ec);
    return !ec && gf_readDbase(folder.path());
}

StreamBuilder::StreamBuilder(FlightIdentity identity, LatLon start, double trackDeg, double t0)
    : identity_(std::move(identity)), position_(start), trackDeg_(trackDeg), t0_(t0)
{
}

StreamBuilder& StreamBuilder::every(double seconds)
{
    everyS_ = seconds;
    return *this;
}

StreamBuilder& StreamBuilder::speed(double kt)
{
    speedKt_ = kt;
    return *this;
}

StreamBuilder& StreamBuilder::altitude(double ft)
{
    altFt_ = ft;
    return *this;
}

StreamBuilder& StreamBuilder::verticalSpeed(double fpm)
{
    vsFpm_ = fpm;
    return *this;
}

StreamBuilder& StreamBuilder::track(double deg)
{
    trackDeg_ = deg;
    return *this;
}

StreamBuilder& StreamBuilder::report()
{
    TimedLine timed;
    timed.atS = nowS_;
    TrafficLine& line = timed.line;
    line.airline = identity_.airline;
    line.type = identity_.type;
    line.origin = identity_.origin;
    line.destination = identity_.destination;
    line.callsign = identity_.callsign;
    line.registration = identity_.registration;
    line.hexid = identity_.hexid;
    line.timestamp = t0_ + nowS_;
    Report& r = line.report;
    r.lat = position_.lat;
    r.lon = position_.lon;
    r.alt = altFt_ > 0.0 ? altFt_ : 0.0;
    r.gs = speedKt_;
    r.tas = speedKt_;
    r.track = trackDeg_;
    r.vs = altFt_ > 0.0 ? vsFpm_ : 0.0;
    r.airborne = altFt_ > 0.0 ? 1 : 0;
    r.stationary = (!moved_ && !lines_.empty()) ? 1 : 0;
    lines_.push_back(std::move(timed));
    advance(everyS_);
    return *this;
}

StreamBuilder& StreamBuilder::fly(double seconds)
{
    const double end = nowS_ + seconds;
    while (nowS_ < end - 1e-9)
        report();
    return *this;
}

StreamBuilder& StreamBuilder::toward(LatLon target)
{
    // At most one hour of reports: a target that is never reached ends the leg anyway.
    for (int i = 0; i < 3600; ++i)
    {
        const double stepNm = speedKt_ * everyS_ / kSecondsPerHour;
        if (gf_distanceNm(position_, target) <= stepNm || stepNm <= 0.0)
            break;
        trackDeg_ = gf_bearingRad(position_, target) * kRadToDeg;
        report();
    }
    return *this;
}

StreamBuilder& StreamBuilder::standStill(double seconds)
{
    const double savedSpeed = speedKt_;
    speedKt_ = 0.0;
    fly(seconds);
    speedKt_ = savedSpeed;
    return *this;
}

void StreamBuilder::advance(double seconds)
{
    nowS_ += seconds;
    const double distanceFt = speedKt_ * seconds / kSecondsPerHour * kFeetPerNm;
    moved_ = distanceFt > 0.0;
    if (moved_)
        position_ = gf_destinationPoint(position_, trackDeg_ * kDegToRad, distanceFt);
    if (altFt_ > 0.0)
        altFt_ = std::max(0.0, altFt_ + vsFpm_ * seconds / 60.0);
}

void GlobalStaticParking::assignStaticParking()
{
    gf_assignStaticParking(gAirports.gParking);
}

void GlobalStaticParking::maxParkCheck(std::uint8_t extra)
{
    gf_maxParkCheck(gAirports.gParking, extra);
}

LiveHarness::LiveHarness()
{
    gAirports.gParking.reset();
    gAirports.gParking.services = std::make_unique<Parking>(*this);
    LiveNeighbours& n = engine_.n;
    n.simQueues = &queues_;
    n.simAnswers = &answers_;
    n.mainQueues = &mainQueues_;
    n.parking = &gAirports.gParking;
    n.tickCounter = &tick_;
    n.clock = std::make_unique<Clock>(*this);
    n.liveries = std::make_unique<Liveries>(*this);
    n.sim = std::make_unique<Simulator>(*this);
    adding_.setAccept(true);
}

std::int32_t LiveHarness::Simulator::allLightsToggle(std::uint32_t objectId)
{
    h_.lightToggles.push_back({h_.tick(), objectId});
    return h_.lightsToggleResult;
}

std::int32_t LiveHarness::Simulator::requestStaticCg(std::uint32_t objectId)
{
    h_.staticCgRequests.push_back({h_.tick(), objectId});
    h_.laterAnswers_.emplace(
        h_.tick() + 1, SimAnswer{objectId, 0, 0, SimAnswerKind::staticCg, h_.staticCgFt, h_.staticPitchRad});
    return 0;
}

void LiveHarness::Simulator::simRequestError()
{
    h_.simRequestErrors.push_back(static_cast<std::uint32_t>(h_.tick()));
}

std::string_view LiveHarness::Liveries::takePendingTitle(std::uint32_t hexid)
{
    const auto it = h_.pendingTitles.find(hexid);
    return it == h_.pendingTitles.end() ? std::string_view{} : it->second;
}

void LiveHarness::Liveries::storePendingTitle(std::uint32_t hexid, std::string_view title)
{
    h_.pendingTitles[hexid] = title;
}

void LiveHarness::Liveries::erasePendingTitle(std::uint32_t hexid)
{
    h_.pendingTitles.erase(hexid);
}

void LiveHarness::Liveries::matchLiveAcLivery(LiveAc& ac)
{
    ac.livery = h_.typesWithoutLivery.contains(ac.type) ? std::string_view{} : h_.titleFor(ac.type);
    ac.reverseMarker = 0;
}

std::optional<std::string_view> LiveHarness::Liveries::regcodeTitle(const std::string& registration)
{
    const auto it = h_.regcodeTitles.find(registration);
    if (it == h_.regcodeTitles.end())
        return std::nullopt;
    return std::string_view(it->second);
}

void LiveHarness::Liveries::onLiveryNotCreated(const SimAc& ac)
{
    h_.notCreated.push_back(ac.hexid);
}

std::optional<DbaseRecord> LiveHarness::Liveries::lookupRegistration(const std::string& registration)
{
    const auto it = h_.registrations.find(registration);
    if (it == h_.registrations.end())
        return std::nullopt;
    return it->second;
}

void LiveHarness::Parking::removeAircraftFromSim(SimAc& ac)
{
    if (removeThroughEngine)
        oxl::removeAircraftFromSim(h_.engine(), ac);
}

std::span<LiveAc> LiveHarness::Parking::liveAircraft()
{
    return liveFromEngine ? h_.engine().live.records() : std::span<LiveAc>{};
}

LiveHarness::~LiveHarness()
{
    gAirports.gParking.reset();
    gAirports.gParking.services = std::make_unique<NoParkingServices>();
}

void LiveHarness::schedule(const std::vector<TimedLine>& lines, std::int32_t startTick)
{
    for (const TimedLine& timed : lines)
        arrivals_.emplace(startTick + static_cast<std::int32_t>(std::lround(timed.atS * kTicksPerSecond)),
                          timed.line);
}

void LiveHarness::accept(TrafficLine line, std::int32_t dueTick)
{
    line.report.dueTick = dueTick;
    acceptReport(engine_, std::move(line));
}

void LiveHarness::run(std::int32_t ticks)
{
    for (std::int32_t i = 0; i < ticks; ++i)
    {
        deliverArrivals();
        answerDueWork();
        liveTickWork(engine_, adding_);
        frame();
        tick_.fetch_add(1);
    }
}

const LiveAc* LiveHarness::aircraft(std::uint32_t hexid)
{
    return engine_.findByHexid(hexid);
}

std::vector<RecordedPosition> LiveHarness::positionsOf(std::uint32_t objectId) const
{
    std::vector<RecordedPosition> result;
    for (const RecordedPosition& p : positions)
        if (p.position.objectId == objectId)
            result.push_back(p);
    return result;
}

std::uint32_t LiveHarness::objectOf(std::uint32_t hexid) const
{
    for (const auto& [id, object] : objects_)
        if (object.hexid == hexid)
            return id;
    return 0;
}

std::string_view LiveHarness::titleFor(const std::string& type)
{
    const std::string title = "TITLE " + type;
    for (const std::string& known : titles_)
        if (known == title)
            return known;
    titles_.push_back(title);
    return titles_.back();
}

void LiveHarness::deliverArrivals()
{
    const auto end = arrivals_.upper_bound(tick());
    for (auto it = arrivals_.begin(); it != end; ++it)
        adding_.push(std::move(it->second), tick());
    arrivals_.erase(arrivals_.begin(), end);
}

void LiveHarness::answerDueWork()
{
    const auto end = laterAnswers_.upper_bound(tick());
    for (auto it = laterAnswers_.begin(); it != end; ++it)
        answers_.push(it->second);
    laterAnswers_.erase(laterAnswers_.begin(), end);
    if (groundDataPeriodTicks <= 0 || tick() % groundDataPeriodTicks != 0)
        return;
    for (const auto& [id, object] : objects_)
    {
        const double agl = object.alt - groundElevationFt - staticCgFt;
        if (agl > kReportedAglLimitFt)
            continue;
        answers_.push(
            SimAnswer{id, agl < 1.0 ? 1u : 0u, 0, SimAnswerKind::groundData, groundElevationFt, agl});
    }
}

void LiveHarness::frame()
{
    std::lock_guard lock(queues_.simMutex);
    for (const SimPosition& p : *queues_.send)
    {
        positions.push_back({tick(), p});
        if (auto it = objects_.find(p.objectId); it != objects_.end())
        {
            it->second.lat = p.lat;
            it->second.lon = p.lon;
            it->second.alt = p.alt;
        }
    }
    queues_.send->clear();
    for (const SimEventEntry& e : queues_.events)
        events.push_back({tick(), e});
    queues_.events.clear();
    for (const CreateRequest& request : queues_.creates)
    {
        creates.push_back({tick(), request});
        const std::int32_t due = tick() + createDelayTicks;
        if (failCreate.contains(request.hexid))
        {
            laterAnswers_.emplace(due, SimAnswer{0, request.hexid, 0, SimAnswerKind::createFailed, 0.0, 0.0});
            continue;
        }
        const std::uint32_t id = nextObjectId_++;
        objects_[id] = FakeObject{request.hexid, request.callsign, request.lat, request.lon, request.alt};
        const bool live = request.hexid > kLastStaticHexid;
        laterAnswers_.emplace(due, SimAnswer{id, request.hexid, 0,
                                             live ? SimAnswerKind::liveCreated : SimAnswerKind::staticCreated,
                                             0.0, live ? request.alt - groundElevationFt : 0.0});
    }
    queues_.creates.clear();
    for (const std::uint32_t id : queues_.removals)
    {
        removals.push_back({tick(), id});
        if (objects_.erase(id) != 0)
            laterAnswers_.emplace(tick() + 1, SimAnswer{id, 0, 0, SimAnswerKind::objectRemoved, 0.0, 0.0});
    }
    queues_.removals.clear();
    // Like a simulator whose objects are already on their way, the fake one still answers these creations.
    queues_.withdrawals.clear();
}

} // namespace oxl::test
