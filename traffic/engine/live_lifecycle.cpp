#include "traffic/engine/live_lifecycle.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "records/aircraft_words.h"
#include "traffic/engine/aircraft_profile.h"
#include "traffic/engine/live_spawning.h"
#include "traffic/engine/stream_ops.h"
#include "traffic/engine/track_reading.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <mutex>
#include <system_error>

namespace oxl
{

namespace
{

constexpr double kMinReportSpacingS = 1.0;
constexpr double kSlowKt = 5.0;
constexpr double kJumpFromSlowKt = 80.0;
constexpr double kJumpFactor = 10.0;
// A position repeated (kRepeatedPositionNm) is no report once the speed field says the aircraft has moved
// this factor further since.
constexpr double kRepeatedMotionFactor = 2.0;
// [nm] a position in the air this near the line the reports before it draw is a source's scatter: the feeds'
// spread (kFeedSpreadNm), and a third more for how far that scatter moves the line itself.
constexpr double kScatterOffTrackNm = 1.3 * kFeedSpreadNm;
constexpr double kAirSpacingMinKt = 120.0;
constexpr double kAirSameTrackDeg = 1.0;
constexpr double kAirSpacingNm = metresToNm(450.0);
constexpr double kGroundSpacingMaxKt = 30.0;
constexpr double kGroundSameTrackDeg = 2.0;
constexpr double kGroundSpacingNm = metresToNm(20.0);
constexpr double kGroundSpacingMaxS = 15.0;
constexpr double kArrivalJitterS = 0.5;
constexpr double kEchoCeilingFt = 10000.0;
constexpr double kEchoBandFt = 120.0;
constexpr double kNoParkAirportElevationFt = -1000.0;
constexpr double kMinStaticCgFt = 1.0;
constexpr double kMaxStaticCgFt = 35.0;
constexpr double kLowestStaticPitchRad = -1.0 * kDegToRad;
constexpr double kHighestStaticPitchRad = 2.5 * kDegToRad;
constexpr double kDefaultStaticPitchRad = 0.7 * kDegToRad;
constexpr std::uint32_t kFirstOwnObjectId = 3; // ids below belong to the simulator and the user

// [ticks] how long jumps back to where an aircraft was removed behind its reports are dropped, from the
// last one (5 minutes).
constexpr std::int32_t kLeftPlaceTicks = 30000;

// While it catches up with its reports an aircraft flies up to a quarter faster than its reports, at least
// 40 kt; below 10,000 ft no faster than its category flies there.
constexpr double kCatchUpFactor = 1.25;
constexpr double kCatchUpLeastKt = 40.0;
constexpr double kLowAltitudeFt = 10000.0;

// [nm] a report this near the stand keeps an aircraft parked.
constexpr double kStillParkedNm = metresToNm(85.0);

bool finiteLine(const TrafficLine& line)
{
    const Report& r = line.report;
    return std::isfinite(line.timestamp) && std::isfinite(r.lat) && std::isfinite(r.lon) &&
           std::isfinite(r.alt) && std::isfinite(r.gs) && std::isfinite(r.track) && std::isfinite(r.vs) &&
           std::isfinite(r.tas) && (!r.roll || std::isfinite(*r.roll)) &&
           (!r.trueHeading || std::isfinite(*r.trueHeading));
}

double parkAirportElevationFt(const LiveEngine& engine)
{
    const Airport& airport = engine.n.parking->parkAirport;
    return airport.code.empty() ? kNoParkAirportElevationFt : airport.altitude;
}

bool altitudeEcho(const LiveEngine& engine, double altFt)
{
    return altFt > 0.0 && altFt < kEchoCeilingFt &&
           std::fabs(altFt - parkAirportElevationFt(engine)) <= kEchoBandFt;
}

// A flying aircraft's source may report positions it only extrapolated and then jump to the real one,
// kilometres off. The reports after the jump are dropped while they may still be a glitch: a report that
// continues from them at a speed the category flies, after more of them than a glitch lasts, confirms the
// new track, and the aircraft catches up with it. A report back on the old track ends them unconfirmed,
// and the reports queued along that track are kept.
bool confirmsJump(LiveAc& ac, const TrafficLine& line)
{
    const double sinceS = line.timestamp - ac.jumpTime;
    const bool continues = ac.jumpTime > 0.0 && sinceS > 0.0 && line.report.airborne != 0 &&
                           ac.onGround == 0 && ac.simState == SimState::active && ac.landing == 0 &&
                           ac.rollOut == 0 &&
                           gf_distanceNm({ac.jumpLat, ac.jumpLon}, {line.report.lat, line.report.lon}) /
                                   (sinceS / kSecondsPerHour) <=
                               gf_topSpeedKt(ac.category);
    ac.jumpReports = continues ? static_cast<std::uint8_t>(ac.jumpReports + 1) : 1;
    const bool confirmed = ac.jumpReports > kGlitchRun;
    ac.jumpLat = line.report.lat;
    ac.jumpLon = line.report.lon;
    ac.jumpTime = confirmed ? 0.0 : line.timestamp;
    ac.jumpConfirmed = confirmed ? 1 : 0;
    if (confirmed)
        ac.jumpReports = 0;
    return confirmed;
}

// Whether a report lies within a source's noise of the position it first sent movingS [s] ago, while its
// speed field says it has moved well beyond that since.
bool repeatsPosition(LatLon sourceAt, const Report& r, double gsKt, double movingS)
{
    return gf_distanceNm(sourceAt, {r.lat, r.lon}) < kRepeatedPositionNm &&
           gsKt * movingS / kSecondsPerHour > kRepeatedMotionFactor * kRepeatedPositionNm;
}

// The spacing and jump rules against the newest report of the stream; true = drop.
bool tooCloseOrJumping(LiveAc& ac, TrafficLine& line)
{
    const Report& last = ac.stream.back();
    const double g = line.report.gs;
    // A speed jump is judged against the last report received: the stream may keep a report that stood
    // still as a copy at 0 kt, and against that copy every report of a take-off roll would be a jump.
    // A dropped report counts too, so that one spike loses at most the report after it.
    const double g0 = ac.lastReceivedGs;
    const double elapsedS = line.timestamp - ac.lastTime;
    if (elapsedS <= kMinReportSpacingS)
        return true;
    ac.lastReceivedGs = g;
    // A source that has no new position of a flying aircraft repeats its last one while it reports the
    // aircraft moving on: no aircraft stands still in the air, and the real position comes later. The
    // repeat is no report, as in a pause, however long it lasts: it is judged against the position the
    // source last sent, not against the reports the aircraft flies on along meanwhile.
    const LatLon sourceAt{ac.positionLat, ac.positionLon};
    const double movingS = std::max(line.timestamp - ac.positionTime, elapsedS);
    const bool flying = ac.simState == SimState::active && ac.onGround == 0;
    if (line.report.airborne != 0 && last.airborne != 0 && g > kSlowKt &&
        (gf_samePosition(last, line.report) ||
         (flying && repeatsPosition(sourceAt, line.report, g, movingS))))
    {
        // Its track field still tells which way the aircraft has turned meanwhile.
        ac.heldTrackDeg = line.report.track;
        return true;
    }
    ac.heldTrackDeg = -1.0;
    if ((g0 > kSlowKt && g >= kJumpFactor * g0) || (g > kSlowKt && g0 >= kJumpFactor * g) ||
        (g0 <= kSlowKt && g >= kJumpFromSlowKt) || (g <= kSlowKt && g0 >= kJumpFromSlowKt))
        return true;
    // A position that no aircraft of the category reaches in the time since the source first reported the
    // last position is a jump too. That time, not the time since the last report: a source that repeats a
    // stale position while the aircraft moves on sends the real one later, and it is no jump.
    // In the air a position as near the track the reports before it draw as a source's positions scatter
    // about it is that scatter, for the track reading to tell, not a jump; with too few reports to draw a
    // track, one the aircraft reaches but for that spread.
    const double apartNm = gf_distanceNm(sourceAt, {line.report.lat, line.report.lon});
    const bool inAir = line.report.airborne != 0 && last.airborne != 0 && ac.onGround == 0;
    const double offTrackNm = inAir ? gf_offDrawnTrackNm(ac.stream, line.report) : -1.0;
    const double leapNm = !inAir                             ? apartNm
                          : offTrackNm < 0.0                 ? apartNm - kFeedSpreadNm
                          : offTrackNm <= kScatterOffTrackNm ? 0.0
                                                             : apartNm;
    if (leapNm / (movingS / kSecondsPerHour) > gf_topSpeedKt(ac.category))
        return !confirmsJump(ac, line);
    line.report.offTrack = apartNm / (movingS / kSecondsPerHour) > gf_topSpeedKt(ac.category);
    ac.jumpTime = 0.0;
    if (ac.extensionCount >= 1)
        return false;
    const double trackDiffDeg = std::fabs(line.report.track - last.track);
    if (line.report.airborne && g > kAirSpacingMinKt && trackDiffDeg <= kAirSameTrackDeg)
        return elapsedS <= kAirSpacingNm / (g / kSecondsPerHour);
    if (!line.report.airborne && g <= kGroundSpacingMaxKt && trackDiffDeg <= kGroundSameTrackDeg)
    {
        // A source that reports every 15 s sends a report a hair early now and then: it is no report too
        // many, and dropping it can leave a new aircraft with one report when it is due.
        const double capS = kGroundSpacingMaxS - kArrivalJitterS;
        const double limitS = g > 0.0 ? std::min(kGroundSpacingNm / (g / kSecondsPerHour), capS) : capS;
        return elapsedS <= limitS;
    }
    return false;
}

// A report of a hexid lately removed behind its reports that its aircraft could not catch up with from its
// newest report in the time since: the source jumps back to where the aircraft was (two feeds, one hexid).
bool jumpsBack(LiveEngine& engine, const TrafficLine& line)
{
    if (engine.leftPlaces.empty())
        return false;
    const std::int32_t tick = engine.tick();
    std::erase_if(engine.leftPlaces, [&](const LeftPlace& p) { return p.untilTick < tick; });
    const auto place = std::find_if(engine.leftPlaces.begin(), engine.leftPlaces.end(),
                                    [&](const LeftPlace& p) { return p.hexid == line.hexid; });
    if (place == engine.leftPlaces.end())
        return false;
    // Only while the source also reports the aircraft where it was created again: a source that jumps back
    // alone (its reports were off for a moment) is followed, and the aircraft is created again there.
    const LiveAc* ac = engine.findByHexid(line.hexid);
    if (ac == nullptr || ac->stream.empty() || ac->simState == SimState::removingfromsim)
        return false;
    // Back where the aircraft could not catch up with it, at the speed it flies.
    const Report& newest = ac->stream.back();
    const double apartNm = gf_distanceNm({newest.lat, newest.lon}, {line.report.lat, line.report.lon});
    const double sinceS = line.timestamp - ac->lastTime;
    if (sinceS > 0.0 &&
        apartNm / (sinceS / kSecondsPerHour) <= gf_catchUpKt(*ac, line.report.gs, line.report.alt))
        return false;
    place->untilTick = tick + kLeftPlaceTicks;
    if (!place->logged)
    {
        place->logged = true;
        gf_log(fmt::format("{} jumps back {:.1f} nm to where it was behind its reports, such reports dropped",
                           gf_acLabel(static_cast<const AcIdent&>(line)), apartNm));
    }
    return true;
}

// A line of an aircraft removed for the max-park limit while it still stands where it was removed: it
// would be created again, park, and push the next one out. It comes back once it moves or flies.
bool stillParkedAfterMaxPark(LiveEngine& engine, const TrafficLine& line)
{
    auto& removed = engine.n.parking->maxParkRemoved;
    const auto it = removed.find(line.hexid);
    if (it == removed.end())
        return false;
    const auto [lat, lon] = it->second;
    if (line.report.airborne == 0 &&
        gf_distanceNm({lat, lon}, {line.report.lat, line.report.lon}) <= kStillParkedNm)
        return true;
    removed.erase(it);
    return false;
}

template <class Record> void eraseAt(std::vector<Record>& records, std::size_t index)
{
    if (index + 1 != records.size())
        records[index] = std::move(records.back());
    records.pop_back();
}

void backToBuffer(LiveAc& ac)
{
    ac.simState = SimState::buffer;
    ac.throttleIndex = 5;
    ac.flapsIndex = 4;
    ac.objectId = 0;
}

void deleteFlightPlan(const LiveEngine& engine, std::uint32_t objectId)
{
    const std::filesystem::path folder = engine.n.sim->flightPlanFolder();
    if (folder.empty())
        return;
    const std::filesystem::path file = folder / fmt::format("{}.pln", objectId);
    // A locked or vanished file must not end the cycle: the plan is only an aid to the simulator.
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && !ec)
        std::filesystem::remove(file, ec);
    if (ec)
        gf_logMarked(fmt::format("deleting flight plan {} failed: {}", file.string(), ec.message()));
}

// Calls the simulator directly under simMutex; a failure logs the line and takes the failure path.
void directCall(LiveEngine& engine, std::int32_t (SimulatorPort::*call)(std::uint32_t),
                std::uint32_t objectId, std::string_view failureLine)
{
    std::int32_t result = 0;
    {
        std::lock_guard lock(engine.n.simQueues->simMutex);
        result = (engine.n.sim.get()->*call)(objectId);
    }
    if (result < 0)
    {
        gf_logMarked(failureLine);
        engine.n.sim->simRequestError();
    }
}

void onLiveCreated(LiveEngine& engine, LiveAc& ac, const SimAnswer& answer)
{
    ac.objectId = answer.objectId;
    ac.agl = answer.value2;
    engine.n.phases->onLiveCreated(ac);
    directCall(engine, &SimulatorPort::requestStaticCg, ac.objectId, "SimConnect request StaticCG fails");
}

// A live aircraft whose creation the simulator has yet to answer.
bool awaitsObject(const LiveAc* ac)
{
    return ac != nullptr && ac->simState == SimState::adding2sim && ac->objectId == 0 && !ac->createCancelled;
}

// An object paired while its aircraft left, or after another object took its place: nothing would move it.
void removeUnawaited(LiveEngine& engine, const SimAnswer& answer)
{
    gf_log(fmt::format("object {} (hexid {}) added by the simulator for no aircraft waiting: removed",
                       answer.objectId, answer.hexid));
    engine.n.mainQueues->removals.push_back(answer.objectId);
}

void onGroundData(LiveEngine& engine, const SimAnswer& answer)
{
    LiveAc* ac = engine.findByObjectId(answer.objectId);
    if (ac == nullptr)
        return;
    if (answer.hexid == 1 && !ac->onGround && ac->rotationCounter < 2 &&
        ac->simState != SimState::removingfromsim && ac->phase != GroundPhase::take_off)
    {
        if (ac->flareState != 0 || ac->landing)
            engine.n.phases->onTouchdown(*ac);
        ac->onGround = 1;
        ac->altStep = 0.0;
        ac->rotationCounter = 1;
    }
    ac->agl = answer.value2;
    ac->simGroundFt = answer.value1;
    if (ac->onGround || ac->rotationCounter >= 2)
        ac->alt = answer.value1 + ac->staticCgHeight;
}

void onStaticCg(LiveEngine& engine, const SimAnswer& answer)
{
    LiveAc* ac = engine.findByObjectId(answer.objectId);
    if (ac == nullptr)
        return;
    if (answer.value1 >= kMinStaticCgFt && answer.value1 <= kMaxStaticCgFt)
        ac->staticCgHeight = answer.value1;
    const double pitch = answer.value2;
    // A pitch that is no number must not pass the range test as if it were inside it.
    ac->staticPitch =
        (!std::isfinite(pitch) || pitch <= kLowestStaticPitchRad || pitch > kHighestStaticPitchRad)
            ? kDefaultStaticPitchRad
            : pitch;
}

void onCallsignBlocked(LiveEngine& engine, const SimAnswer& answer)
{
    LiveAc* ac = engine.findByHexid(answer.hexid);
    if (ac == nullptr)
        return;
    if (ac->simState == SimState::buffer)
    {
        gf_log(fmt::format("{} will be removed from buffer while blocked", gf_acLabel(*ac)));
        ac->erase = 1;
    }
    else if (ac->simState == SimState::active)
    {
        gf_log(fmt::format("{} removed from simulator immediately while blocked", gf_acLabel(*ac)));
        removeAircraftFromSim(engine, *ac);
    }
}

// A creation that failed drops its aircraft; only a failure of the livery itself counts against it.
void onCreateFailed(LiveEngine& engine, const SimAnswer& answer)
{
    if (answer.kind == SimAnswerKind::createFailed)
    {
        auto& statics = engine.n.parking->staticAircraft;
        const auto it = std::find_if(statics.begin(), statics.end(),
                                     [&](const SimAc& s) { return s.hexid == answer.hexid; });
        const SimAc* ac = answer.hexid > kLastStaticHexid ? engine.findByHexid(answer.hexid)
                          : it != statics.end()           ? &*it
                                                          : nullptr;
        if (ac != nullptr)
            engine.n.liveries->onLiveryNotCreated(*ac);
    }
    engine.dropByHexid(answer.hexid);
}

void handleAnswer(LiveEngine& engine, const SimAnswer& answer)
{
    switch (answer.kind)
    {
    case SimAnswerKind::liveCreated:
        if (answer.objectId < kFirstOwnObjectId)
            return;
        if (LiveAc* ac = engine.findByHexid(answer.hexid); awaitsObject(ac))
        {
            onLiveCreated(engine, *ac, answer);
            engine.deferred.push_back(DeferredAnswer{answer, 0});
        }
        else
            removeUnawaited(engine, answer);
        return;
    case SimAnswerKind::staticCreated:
        engine.deferred.push_back(DeferredAnswer{answer, 0});
        return;
    case SimAnswerKind::objectRemoved:
        onSimObjectRemoved(engine, answer.objectId);
        return;
    case SimAnswerKind::groundData:
        onGroundData(engine, answer);
        return;
    case SimAnswerKind::staticCg:
        onStaticCg(engine, answer);
        return;
    case SimAnswerKind::callsignBlocked:
        onCallsignBlocked(engine, answer);
        return;
    case SimAnswerKind::createFailed:
    case SimAnswerKind::createRefused:
        onCreateFailed(engine, answer);
        return;
    }
    // Kinds that no producer knows are skipped.
}

// The removal asked for while the simulator created the object; the flag is cleared first, as it would
// otherwise stop the removal it stands for.
void removeIfAskedWhileCreating(LiveEngine& engine, SimAc& ac)
{
    if (!ac.removeWhenCreated)
        return;
    ac.removeWhenCreated = 0;
    removeAircraftFromSim(engine, ac);
}

// Activation of a static aircraft 200 ticks after its creation; false when its record is gone.
bool activateStatic(LiveEngine& engine, const SimAnswer& answer)
{
    auto& statics = engine.n.parking->staticAircraft;
    auto it =
        std::find_if(statics.begin(), statics.end(), [&](const SimAc& s) { return s.hexid == answer.hexid; });
    // Static parking may queue its records in buffer or adding2sim; an active or leaving one is not ours.
    if (it == statics.end() || it->simState == SimState::active || it->simState == SimState::removingfromsim)
        return false;
    it->simState = SimState::active;
    it->objectId = answer.objectId;
    engine.n.phases->setParkedConfig(*it);
    if (LOG.value())
        gf_log(fmt::format("{:8}: {:8} parked", gf_standNameById(it->standId), gf_outsideText(it->callsign)));
    removeIfAskedWhileCreating(engine, *it);
    return true;
}

// Activation of a live aircraft; only the record that the answer created is activated.
bool activateLive(LiveEngine& engine, const SimAnswer& answer)
{
    LiveAc* ac = engine.findByHexid(answer.hexid);
    if (ac == nullptr || ac->simState != SimState::adding2sim || ac->objectId != answer.objectId)
        return false;
    engine.n.phases->onAiCreated(*ac);
    ac->simState = SimState::active;
    removeIfAskedWhileCreating(engine, *ac);
    return true;
}

} // namespace

double gf_topSpeedKt(AcCategory category)
{
    return gf_categoryEnvelope(category).topSpeedKt;
}

double gf_catchUpCeilingKt(AcCategory category, double speedKt, double altFt)
{
    // What the category flies at the least in the air (a source may report a climbing aircraft far too
    // slow), and at the most below 10,000 ft.
    double lowestKt = 120.0;
    double lowTopKt = 350.0;
    switch (category)
    {
    // Light turboprops and jets fly low down as fast as airliners do.
    case AcCategory::Light:
        lowestKt = 50.0;
        break;
    case AcCategory::Buzjets:
        lowestKt = 100.0;
        break;
    case AcCategory::Large:
        break;
    case AcCategory::Heavy:
        lowestKt = 130.0;
        break;
    case AcCategory::HighPerf:
        lowTopKt = 600.0;
        break;
    case AcCategory::Rotorcraft:
        lowestKt = 0.0;
        lowTopKt = 160.0;
        break;
    }
    const double topKt = gf_topSpeedKt(category);
    const double flies = std::clamp(speedKt, lowestKt, topKt);
    const double phaseTopKt = altFt < kLowAltitudeFt ? std::min(lowTopKt, topKt) : topKt;
    return std::min(std::max(flies * kCatchUpFactor, flies + kCatchUpLeastKt), std::max(phaseTopKt, flies));
}

bool categoryAllowed(AcCategory category)
{
    switch (category)
    {
    case AcCategory::Light:
        return LIGHT_AIRCRAFT.value();
    case AcCategory::HighPerf:
        return HIGH_PERF_AIRCRAFT.value();
    case AcCategory::Rotorcraft:
        return HELICOPTERS.value();
    case AcCategory::Buzjets:
    case AcCategory::Large:
    case AcCategory::Heavy:
        return true;
    }
    return false;
}

void acceptReport(LiveEngine& engine, TrafficLine&& line)
{
    // A number that is no number would pass every range test and poison the spacing rule for good.
    if (!finiteLine(line) || jumpsBack(engine, line))
        return;
    line.report.sourceTime = line.timestamp;
    LiveAc* ac = engine.findByHexid(line.hexid);
    if (ac == nullptr)
    {
        // Beyond the range only an aircraft already known is followed: the reader knew this one when it
        // read the line, but it has gone since.
        if (line.beyondRange != 0 || stillParkedAfterMaxPark(engine, line))
            return;
        if (!line.callsign.empty() && engine.live.firstWithCallsign(line.callsign, [&](const LiveAc& other)
                                                                    { return other.type == line.type; }))
            return;
        acceptNewHexid(engine, std::move(line));
        return;
    }
    if (ac->simState == SimState::liveryrespawn || ac->simState == SimState::removingfromsim)
        return;
    if (!ac->stream.empty() && tooCloseOrJumping(*ac, line))
        return;
    if (ac->simState == SimState::buffer && altitudeEcho(engine, line.report.alt))
        return;
    if (!checkRespawn(engine, *ac, line))
        return;
    const bool moved = ac->stream.empty() || !gf_samePosition(ac->stream.back(), line.report);
    ac->lastTime = line.timestamp;
    engine.n.phases->appendReport(*ac, line.report);
    if (moved)
    {
        ac->positionTime = line.timestamp;
        ac->positionLat = line.report.lat;
        ac->positionLon = line.report.lon;
    }
}

void gf_rememberLeftPlace(LiveEngine& engine, const LiveAc& ac)
{
    const LeftPlace place{ac.hexid, engine.tick() + kLeftPlaceTicks, false};
    const auto known = std::find_if(engine.leftPlaces.begin(), engine.leftPlaces.end(),
                                    [&](const LeftPlace& p) { return p.hexid == ac.hexid; });
    if (known != engine.leftPlaces.end())
        *known = place;
    else
        engine.leftPlaces.push_back(place);
}

void acceptNewHexid(LiveEngine& engine, TrafficLine&& line)
{
    std::optional<DbaseRecord> record;
    if (!line.registration.empty())
        record = engine.lookupRegistration(line.registration);
    if (line.type.empty() && record)
        line.type = record->type;
    if (gf_isKnownType(line.type))
    {
        createLiveAc(engine, std::move(line));
        return;
    }
    if (record && !record->type.empty())
    {
        line.type = record->type;
        createLiveAc(engine, std::move(line));
    }
}

void createLiveAc(LiveEngine& engine, TrafficLine&& line)
{
    const AcCategory category = gf_aircraftCategory(line.type);
    if (static_cast<std::uint32_t>(category) > static_cast<std::uint32_t>(AcCategory::Rotorcraft) ||
        !categoryAllowed(category))
        return;
    if (altitudeEcho(engine, line.report.alt))
        return;
    line.secondCallsign = line.callsign;
    line.coupledCallsign.clear();
    line.coupledSearchDone = 0;
    AcProfile profile = gf_acProfile(static_cast<const AcIdent&>(line));
    profile.hexid = line.hexid;
    profile.turnStep = profile.maxTurnStep;
    const CategoryConstants& constants = gf_categoryConstants(profile.category);
    profile.maxClimbStep = constants.maxClimbStepFt;
    profile.taxiInSpeed = constants.taxiInSpeedKt;
    engine.live.emplace_back(line.report, std::move(profile), line.timestamp);
}

void removeAircraftFromSim(LiveEngine& engine, SimAc& ac)
{
    switch (ac.simState)
    {
    case SimState::buffer:
        ac.erase = 1;
        return;
    case SimState::adding2sim:
    {
        if (ac.removeWhenCreated)
            return;
        MainLoopQueues& queues = *engine.n.mainQueues;
        // Two live aircraft may share a callsign: a live request is withdrawn by its hexid.
        const bool withdrawn = ac.hexid > kLastStaticHexid
                                   ? gf_removeFromCreateDequeByHexid(queues.liveCreates, ac.hexid)
                                   : gf_removeFromCreateDeque(queues.staticCreates, ac.callsign);
        // A live creation the simulator has not answered yet is let go by the link, which removes its
        // object should it still come: the aircraft need not wait for a slow simulator to leave.
        if (!withdrawn && ac.hexid > kLastStaticHexid && ac.objectId == 0)
            engine.n.simQueues->withdrawCreation(ac.hexid);
        else if (!withdrawn)
        {
            ac.removeWhenCreated = 1;
            return;
        }
        ac.createCancelled = 1;
        return;
    }
    case SimState::active:
    case SimState::liveryrespawn:
    case SimState::removingfromsim:
        if (ac.removeWhenCreated)
            return;
        ac.simState = SimState::removingfromsim;
        if (ac.objectId != 0)
        {
            engine.n.mainQueues->removals.push_back(ac.objectId);
            return;
        }
        gf_logMarked(
            fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", gf_acLabel(ac)));
        // No object means no removal answer will ever come: erase the record instead of keeping it.
        ac.erase = 1;
        return;
    }
}

void liveryRespawn(LiveEngine& engine, LiveAc& ac)
{
    try
    {
        if (ac.stream.empty())
            return;
        Report r = ac.stream.front();
        if (ac.phase != GroundPhase::parked)
        {
            r.lat = ac.lat;
            r.lon = ac.lon;
            r.alt = ac.alt;
            r.roll = ac.bank;
            Report& front = ac.stream.front();
            front.stationary = gf_samePosition(front, r) ? 1 : 0;
        }
        else
        {
            ac.stream.resize(1);
            ac.stream.front().stationary = 1;
            r.stationary = 1;
            ac.stream.front().track = ac.heading * kRadToDeg;
        }
        r.dueTick = engine.tick() + 1;
        ac.stream.push_front(r);
        ac.simState = SimState::liveryrespawn;
        ac.storedHeading = ac.heading;
        ac.storedHeadingSet = 1;
        if (ac.objectId != 0)
        {
            engine.n.mainQueues->removals.push_back(ac.objectId);
            return;
        }
        gf_logMarked(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn", gf_acLabel(ac)));
        // Without an object no removal answer comes back: return to buffer at once.
        backToBuffer(ac);
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{}: {}", "liveryRespawn", e.what()));
    }
}

bool gf_removeFromCreateDeque(std::deque<CreateRequest>& deque, const std::string& callsign)
{
    if (callsign.empty())
        return false;
    const auto before = deque.size();
    std::erase_if(deque, [&](const CreateRequest& r) { return r.callsign == callsign; });
    return deque.size() != before;
}

bool gf_removeFromCreateDequeByHexid(std::deque<CreateRequest>& deque, std::uint32_t hexid)
{
    const auto before = deque.size();
    std::erase_if(deque, [&](const CreateRequest& r) { return r.hexid == hexid; });
    return deque.size() != before;
}

bool gf_removeFarthestLive(LiveEngine& engine, double d0Nm)
{
    const UserAcData user = engine.user();
    double best = d0Nm;
    std::uint32_t candidate = 0;
    bool found = false;
    for (const LiveAc& ac : engine.live)
    {
        if (ac.simState != SimState::active)
            continue;
        const double d = gf_distanceNm({user.lat, user.lon}, {ac.lat, ac.lon});
        if (d > best + 0.1)
        {
            best = d;
            candidate = ac.hexid;
            found = true;
        }
    }
    if (!found)
        return true;
    removeAircraftFromSim(engine, *engine.findByHexid(candidate));
    return false;
}

void gf_trimLiveToMax(LiveEngine& engine)
{
    // Creations the simulator has yet to add count too: their aircraft join the sky when added.
    const auto shown = static_cast<std::int64_t>(
        std::count_if(engine.live.begin(), engine.live.end(),
                      [](const LiveAc& ac) {
                          return ac.simState == SimState::active ||
                                 (ac.simState == SimState::adding2sim && !ac.createCancelled);
                      }));
    for (std::int64_t i = 0; i < shown - MAX_LIVE_SEL.value(); ++i)
        gf_removeFarthestLive(engine, -1.0);
}

void simHousekeeping(LiveEngine& engine)
{
    {
        std::lock_guard lock(engine.n.simAnswers->simAnswerMutex);
        engine.answersInHand.swap(engine.n.simAnswers->answers);
    }
    for (const SimAnswer& answer : engine.answersInHand)
        handleAnswer(engine, answer);
    engine.answersInHand.clear();
    if (!engine.deferred.empty())
        handleCreatedAc(engine);
}

void handleCreatedAc(LiveEngine& engine)
{
    bool anyCompleted = false;
    // Activation may erase records but never touches the deferred list, so indexes stay valid.
    for (DeferredAnswer& entry : engine.deferred)
    {
        if (entry.counter < 0)
            continue;
        const bool isLive = entry.answer.kind == SimAnswerKind::liveCreated;
        if (entry.counter < kActivationTicks)
        {
            ++entry.counter;
            if (isLive &&
                (entry.counter == kFirstLightsToggleTicks || entry.counter == kSecondLightsToggleTicks))
                directCall(engine, &SimulatorPort::allLightsToggle, entry.answer.objectId,
                           "SimConnect gf_allLightsToggle fails");
            continue;
        }
        const bool activated =
            isLive ? activateLive(engine, entry.answer) : activateStatic(engine, entry.answer);
        if (!activated)
            gf_logMarked(fmt::format("{} no aircraft for created object {}, hexid {}", "handleCreatedAc",
                                     entry.answer.objectId, entry.answer.hexid));
        // An answer whose record has gone would wait for ever, and could later activate a stranger.
        entry.counter = -1;
        anyCompleted = true;
    }
    if (anyCompleted)
        std::erase_if(engine.deferred, [](const DeferredAnswer& e) { return e.counter < 0; });
}

void onSimObjectRemoved(LiveEngine& engine, std::uint32_t objectId)
{
    if (LiveAc* ac = engine.findByObjectId(objectId))
    {
        if (ac->simState == SimState::liveryrespawn)
        {
            backToBuffer(*ac);
            return;
        }
        if (ac->flightPlanSet)
            deleteFlightPlan(engine, objectId);
        engine.live.eraseAt(engine.live.positionOf(*ac));
        return;
    }
    if (objectId == 0)
        return;
    auto& statics = engine.n.parking->staticAircraft;
    auto it =
        std::find_if(statics.begin(), statics.end(), [&](const SimAc& s) { return s.objectId == objectId; });
    if (it != statics.end())
        eraseAt(statics, static_cast<std::size_t>(it - statics.begin()));
}

} // namespace oxl
