// Static placement, renewal, max-park limit and removal of static aircraft.
#include "airports/static_placement.h"

#include "airports/airports_state.h"
#include "airports/free_stands.h"
#include "airports/static_selection.h"
#include "airports/week_time.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/status_service.h"
#include "foundation/strings.h"
#include "foundation/time_text.h"
#include "foundation/units.h"
#include "liveries/dbase.h"
#include "platform/clock.h"
#include "records/aircraft_words.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include <fmt/format.h>

namespace oxl
{
namespace
{

/// Room for the parked live aircraft of one check.
constexpr std::size_t kDurationsCapacity = 128;
/// [100 ns per s]
constexpr std::int64_t kTicks100nsPerSecond = 10'000'000;

std::span<LiveAc> liveAircraft(ParkingState& state)
{
    return state.services->liveAircraft();
}

DayHalfHour weekNow()
{
    const auto [weekday, half] = gf_weekdayHalfHour();
    return DayHalfHour{static_cast<std::uint32_t>(weekday), static_cast<std::uint32_t>(half)};
}

std::int64_t steadyNow100ns()
{
    using Ticks100ns = std::chrono::duration<std::int64_t, std::ratio<1, kTicks100nsPerSecond>>;
    return std::chrono::duration_cast<Ticks100ns>(plat::steadyNow().time_since_epoch()).count();
}

bool parkedAndActive(const LiveAc& ac)
{
    return ac.phase == GroundPhase::parked && ac.simState == SimState::active;
}

bool countsAsParked(const SimAc& ac)
{
    return ac.simState == SimState::active || ac.simState == SimState::removingfromsim;
}

bool onOrNextTo(const Stand* stand, std::uint32_t standId, std::uint32_t otherStandId)
{
    if (otherStandId == standId)
        return true;
    return stand != nullptr &&
           std::find(stand->adjacent.begin(), stand->adjacent.end(), otherStandId) != stand->adjacent.end();
}

void retire(ParkingState& state, const SimAc& ac)
{
    state.retire.push_back({ac.callsign, ac.standId});
}

void keep(ParkingState& state, const SimAc& ac)
{
    ParkCandidate c;
    c.shownCallsign = ac.callsign;
    c.callsign = ac.secondCallsign;
    c.coupledCallsign = ac.coupledCallsign;
    c.registration = ac.registration;
    c.airline = ac.airline;
    c.type = ac.type;
    c.parkedSince = gf_unpackDayHalfHour(ac.parkedSlot);
    c.standId = ac.standId;
    state.parkCandidates.push_back(std::move(c));
}

/// True when a later weekday holds the aircraft of the option at its first half-hour.
bool heldAfterMidnight(const Stand& stand, DayHalfHour now, const std::string& airline,
                       const std::string& type)
{
    const std::uint32_t nextDay = gf_stepForward(now).weekday;
    return std::any_of(stand.options.begin(), stand.options.end(),
                       [&](const StandOccupancy& o)
                       {
                           return o.id >= 1 && o.weekday == nextDay && o.airline == airline &&
                                  o.type == type && o.halfHours.test(0);
                       });
}

/// Whether a kept aircraft showing its first callsign must come back under its coupled one: the option it
/// shows does not hold the half-hour after now.
void markCallsignChange(const ParkingState& state, DayHalfHour now, ParkCandidate& c)
{
    if (c.coupledCallsign.empty() || c.shownCallsign.find(c.callsign) == std::string::npos)
        return;
    const auto stand = std::find_if(state.stands.begin(), state.stands.end(),
                                    [&](const Stand& s) { return s.standId == c.standId; });
    if (c.standId == 0 || stand == state.stands.end())
        return;
    std::string_view shown = c.shownCallsign;
    if (!shown.empty() && shown.back() == '*')
        shown.remove_suffix(1);
    for (const StandOccupancy& o : stand->options)
    {
        // Its own option is looked at whatever its id: the search of this renewal disabled it because this
        // very aircraft shows it.
        if (o.weekday != now.weekday || o.callsign != shown || o.airline != c.airline || o.type != c.type)
            continue;
        const bool holdsNext = now.half + 1 < kHalfHoursPerDay
                                   ? o.halfHours.test(now.half + 1)
                                   : heldAfterMidnight(*stand, now, c.airline, c.type);
        c.callsignChangeDue = holdsNext ? 0 : 1;
        return;
    }
}

/// Whether the stand still holds the aircraft in the window of the last search, on today's weekday.
bool stillHeld(const ParkingState& state, const Stand& stand, DayHalfHour now, const SimAc& ac)
{
    const std::int32_t w = std::min(std::max(state.lastRealOffset, state.lastSoftOffset), 47);
    const auto h = static_cast<std::int32_t>(now.half);
    const HalfHourSet window = gf_halfHourRange(static_cast<std::uint32_t>(std::max(h - w, 0)), now.half);
    return std::any_of(stand.options.begin(), stand.options.end(),
                       [&](const StandOccupancy& o)
                       {
                           return o.weekday == now.weekday && o.registration == ac.registration &&
                                  o.airline == ac.airline && o.type == ac.type &&
                                  (o.halfHours & window).any();
                       });
}

std::size_t recordOnStand(const ParkingState& state, std::uint32_t standId)
{
    for (std::size_t i = 0; i < state.staticParked.size(); ++i)
        if (state.staticParked[i].standId == standId)
            return i;
    return state.staticParked.size();
}

} // namespace

std::uint32_t gf_nextStaticSerial()
{
    std::uint32_t serial = gAirports.gStaticSerial.load();
    std::uint32_t next = 0;
    do
        next = serial % kLastStaticSerial + 1;
    while (!gAirports.gStaticSerial.compare_exchange_weak(serial, next));
    return next;
}

std::string gf_markStaticCallsign(std::string_view name)
{
    while (!name.empty() && name.back() == '_')
        name.remove_suffix(1);
    if (!name.empty() && name.back() == '*')
        return std::string(name);
    return fmt::format("{}{}", name, "*");
}

std::string gf_detcs(const StaticParked& record)
{
    const std::string& preferred = record.stays ? record.callsign : record.coupledCallsign;
    const std::string& other = record.stays ? record.coupledCallsign : record.callsign;
    if (preferred.empty() && other.empty())
    {
        gf_logMarked(fmt::format("{} callsign is empty..", "lf_detcs"));
        return {};
    }
    return gf_markStaticCallsign(preferred.empty() ? other : preferred);
}

void gf_assignStaticParking(ParkingState& state)
{
    if (state.staticParked.empty() || state.stands.empty())
        return;
    const StaticParked record = std::move(state.staticParked.back());
    state.staticParked.pop_back();
    Stand* stand = gf_findStandById(state.stands, record.standId);
    const std::string standName = gf_standNameById(state.stands, record.standId);
    const bool log = LOG.value();

    for (const LiveAc& live : liveAircraft(state))
    {
        if ((live.phase != GroundPhase::parking && live.phase != GroundPhase::parked) ||
            !onOrNextTo(stand, record.standId, live.standId))
            continue;
        if (log && live.standId == record.standId)
            gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} standing here", standName,
                               record.callsign, live.callsign));
        else if (log)
            gf_log(fmt::format(
                "{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly colliding",
                standName, record.callsign, live.callsign, gf_standNameById(state.stands, live.standId)));
        return;
    }
    for (const SimAc& other : state.staticAircraft)
    {
        if (!onOrNextTo(stand, record.standId, other.standId))
            continue;
        if (log)
            gf_log(fmt::format(
                "{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly colliding",
                standName, record.callsign, other.callsign, gf_standNameById(state.stands, other.standId)));
        return;
    }
    if (stand == nullptr)
    {
        gf_logMarked(fmt::format("stand with id {} not found", standName));
        return;
    }

    const std::uint32_t serial = gf_nextStaticSerial();
    AcIdent ident;
    ident.airline = record.airline;
    ident.type = record.type;
    ident.callsign =
        record.callsign.empty() ? fmt::format("{}{}{}", record.airline, serial, "*") : gf_detcs(record);
    ident.secondCallsign = record.callsign;
    ident.coupledCallsign = record.coupledCallsign;
    ident.registration = record.registration;
    AcProfile profile = state.services->acProfile(ident);
    profile.hexid = serial;

    SimAc& ac = state.staticAircraft.emplace_back(std::move(profile));
    ac.standId = stand->standId;
    ac.standLat = stand->latitude;
    ac.standLon = stand->longitude;
    ac.standHeading = stand->heading;
    ac.standCargo = stand->cargo;
    const bool matched = state.services->matchStaticLivery(ac, stand->name, stand->cargo != 0);
    if (!matched)
    {
        state.staticAircraft.pop_back();
        return;
    }
    ac.parkedSlot = gf_packDayHalfHour(gf_shiftBack(weekNow(), record.offset));
    ac.simState = SimState::adding2sim;
    CreateRequest request;
    request.lat = stand->latitude;
    request.lon = stand->longitude;
    request.heading = stand->heading * kRadToDeg;
    request.onGround = 1;
    request.callsign = ac.callsign;
    request.title = ac.livery;
    request.hexid = ac.hexid;
    state.services->queueStaticCreate(request);
}

void gf_keepOrRetireStatic(ParkingState& state, DayHalfHour now, const SimAc& aircraft,
                           std::size_t recordIndex)
{
    const DayHalfHour matchedAt = gf_shiftBack(now, state.staticParked[recordIndex].offset);
    if (gf_weekIndex(matchedAt) > gf_weekIndex(gf_unpackDayHalfHour(aircraft.parkedSlot)))
    {
        retire(state, aircraft);
        return;
    }
    keep(state, aircraft);
    state.staticParked.erase(state.staticParked.begin() + static_cast<std::ptrdiff_t>(recordIndex));
}

void gf_matchStaticAircraft(ParkingState& state, DayHalfHour now)
{
    const auto live = [&](const std::string& callsign)
    { return !callsign.empty() && state.liveCallsignSnapshot.contains(callsign); };
    for (const SimAc& ac : state.staticAircraft)
    {
        if (ac.simState != SimState::active)
            continue;
        if (live(ac.secondCallsign) || live(ac.coupledCallsign))
        {
            retire(state, ac);
            continue;
        }
        const std::size_t same = recordOnStand(state, ac.standId);
        if (same < state.staticParked.size())
        {
            const StaticParked& r = state.staticParked[same];
            if (r.airline == ac.airline && r.type == ac.type &&
                (r.callsign + "*" == ac.callsign || r.coupledCallsign + "*" == ac.callsign))
            {
                keep(state, ac);
                state.staticParked.erase(state.staticParked.begin() + static_cast<std::ptrdiff_t>(same));
            }
            else
                gf_keepOrRetireStatic(state, now, ac, same);
            continue;
        }
        const Stand* stand = gf_findStandById(state.stands, ac.standId);
        std::size_t neighbour = state.staticParked.size();
        if (stand != nullptr)
        {
            for (std::size_t i = 0; i < state.staticParked.size() && neighbour == state.staticParked.size();
                 ++i)
            {
                const StaticParked& r = state.staticParked[i];
                if (std::find(stand->adjacent.begin(), stand->adjacent.end(), r.standId) ==
                    stand->adjacent.end())
                    continue;
                const Stand* other = gf_findStandById(state.stands, r.standId);
                if (other != nullptr &&
                    gf_wingspan(r.type) + gf_wingspan(ac.type) >
                        gf_distanceNm({ac.standLat, ac.standLon}, {other->latitude, other->longitude}))
                    neighbour = i;
            }
        }
        if (neighbour < state.staticParked.size())
            gf_keepOrRetireStatic(state, now, ac, neighbour);
        else if (stand != nullptr && stillHeld(state, *stand, now, ac))
            keep(state, ac);
        else
            retire(state, ac);
    }
    std::stable_sort(state.parkCandidates.begin(), state.parkCandidates.end(),
                     [](const ParkCandidate& a, const ParkCandidate& b)
                     { return gf_weekIndex(a.parkedSince) < gf_weekIndex(b.parkedSince); });
    for (ParkCandidate& c : state.parkCandidates)
        markCallsignChange(state, now, c);
}

void gf_trimToWanted(ParkingState& state, std::int32_t wanted)
{
    std::int64_t excess = static_cast<std::int64_t>(state.staticParked.size() + state.parkCandidates.size() +
                                                    state.liveParked.size()) -
                          wanted;
    for (; excess > 0; --excess)
    {
        if (!state.staticParked.empty())
        {
            state.staticParked.pop_back();
            continue;
        }
        if (!state.parkCandidates.empty())
        {
            const ParkCandidate& c = state.parkCandidates.back();
            state.retire.push_back({c.shownCallsign, c.standId});
            state.parkCandidates.pop_back();
            continue;
        }
        if (state.liveParked.empty())
            break;
        const std::uint32_t standId = state.liveParked.back().standId;
        state.liveParked.pop_back();
        for (LiveAc& ac : liveAircraft(state))
        {
            if (ac.standId == standId && parkedAndActive(ac))
            {
                state.services->removeAircraftFromSim(ac);
                break;
            }
        }
    }
}

void gf_adjustParking(ParkingState& state)
{
    const DayHalfHour now = gf_logDayAndHour();
    gf_clearParkingLists(state);
    gf_status().disableParkingControls();
    state.softUsed = false;
    state.services->repaint();

    state.retire.clear();
    state.parkCandidates.clear();
    state.liveParked.clear();
    state.staticParked.clear();
    for (Stand& s : state.stands)
    {
        s.taken = 0;
        s.excluded = 0;
        s.blocked = 0;
        // Options disabled by the last search are offered again.
        std::uint32_t id = 0;
        for (StandOccupancy& o : s.options)
            o.id = ++id;
    }
    gf_excludeUserStands(state);
    const std::int32_t wanted = gf_wantedStaticCount(state);

    const std::span<LiveAc> live = liveAircraft(state);
    gf_checkLiveParkedTimes(state, live);
    if (wanted >= 1 && static_cast<std::int64_t>(state.liveParked.size()) > wanted)
    {
        const auto excess =
            static_cast<std::uint32_t>(state.liveParked.size() - static_cast<std::size_t>(wanted));
        gf_status().showMessage(fmt::format("Parking adjustments: {} more live ac than wanted", excess),
                                true);
        gf_removeLiveParked(state, excess);
        state.liveParked.clear();
        gf_checkLiveParkedTimes(state, live);
    }
    for (const LiveParkedEntry& e : state.liveParked)
    {
        Stand* s = gf_findStandById(state.stands, e.standId);
        if (s == nullptr)
            continue;
        s->taken = 1;
        for (const std::uint32_t adjacentId : s->adjacent)
            if (Stand* adjacent = gf_findStandById(state.stands, adjacentId))
                adjacent->blocked = 1;
    }
    const auto already = static_cast<std::int32_t>(state.liveParked.size());
    if (wanted != already)
        gf_fillStaticParked(state, now, wanted, already);

    gf_matchStaticAircraft(state, now);
    std::erase_if(state.parkCandidates,
                  [&](const ParkCandidate& c)
                  {
                      if (!c.callsignChangeDue)
                          return false;
                      // The same aircraft comes back on its stand under its coupled callsign.
                      StaticParked r;
                      r.standId = c.standId;
                      r.offset = gf_halfHoursElapsed(c.parkedSince, now);
                      r.airline = c.airline;
                      r.type = c.type;
                      r.callsign = c.callsign;
                      r.coupledCallsign = c.coupledCallsign;
                      r.registration = c.registration;
                      r.stays = 0;
                      state.staticParked.push_back(std::move(r));
                      state.retire.push_back({c.shownCallsign, c.standId});
                      return true;
                  });
    gf_trimToWanted(state, wanted);

    std::stable_sort(state.staticParked.begin(), state.staticParked.end(),
                     [](const StaticParked& a, const StaticParked& b) { return a.offset > b.offset; });
    gf_status().showMessage(fmt::format("Parking adjustments: {} to be removed, {} to be added",
                                        state.retire.size(), state.staticParked.size()),
                            true);
    for (const RetireEntry& r : state.retire)
    {
        for (SimAc& ac : state.staticAircraft)
        {
            if (ac.standId != r.standId)
                continue;
            // One already leaving has its removal on the way.
            if (ac.simState == SimState::active)
                state.services->removeAircraftFromSim(ac);
            break;
        }
    }
    state.retire.clear();
}

std::vector<std::pair<std::uint32_t, std::int64_t>> gf_parkedDurations(std::span<const LiveAc> live)
{
    std::vector<std::pair<std::uint32_t, std::int64_t>> durations;
    durations.reserve(kDurationsCapacity);
    const std::int64_t now = steadyNow100ns();
    for (const LiveAc& ac : live)
        if (parkedAndActive(ac))
            durations.emplace_back(ac.hexid, (now - ac.parkedSince) / kTicks100nsPerSecond);
    std::stable_sort(durations.begin(), durations.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return durations;
}

void gf_removeLiveParked(ParkingState& state, std::uint32_t n)
{
    const std::span<LiveAc> live = liveAircraft(state);
    const auto durations = gf_parkedDurations(live);
    for (std::size_t i = 0; i < durations.size() && i < n; ++i)
    {
        const auto it = std::find_if(live.begin(), live.end(),
                                     [&](const LiveAc& ac) { return ac.hexid == durations[i].first; });
        if (it == live.end())
            continue;
        gf_log(fmt::format("live parked {} at {} removed", gf_acLabel(*it),
                           gf_standNameById(state.stands, it->standId)));
        state.services->removeAircraftFromSim(*it);
    }
}

void gf_maxParkCheck(ParkingState& state, std::uint8_t extra)
{
    const std::uint32_t limit = state.maxPark;
    if (limit < 1)
        return;
    const std::span<LiveAc> live = liveAircraft(state);
    const auto liveCount =
        static_cast<std::uint32_t>(std::count_if(live.begin(), live.end(), parkedAndActive)) + extra;
    if (!INITIAL_LOAD_ONLY.value() && liveCount > limit)
    {
        const auto durations = gf_parkedDurations(live);
        if (!durations.empty())
        {
            const auto it =
                std::find_if(live.begin(), live.end(),
                             [&](const LiveAc& ac) { return ac.hexid == durations.front().first; });
            if (it != live.end())
            {
                gf_log(fmt::format("{:8}: {} live max park exceeded, removed",
                                   gf_standNameById(state.stands, it->standId), it->callsign));
                // Its reports go on while it stays parked: the engine must not create it again there.
                state.maxParkRemoved[it->hexid] = {it->lat, it->lon};
                state.services->removeAircraftFromSim(*it);
            }
        }
    }
    const auto statics = static_cast<std::uint32_t>(
        std::count_if(state.staticAircraft.begin(), state.staticAircraft.end(), countsAsParked));
    if (statics + liveCount <= limit)
        return;
    SimAc* earliest = nullptr;
    for (SimAc& ac : state.staticAircraft)
    {
        if (countsAsParked(ac) &&
            (earliest == nullptr || gf_weekIndex(gf_unpackDayHalfHour(ac.parkedSlot)) <
                                        gf_weekIndex(gf_unpackDayHalfHour(earliest->parkedSlot))))
            earliest = &ac;
    }
    if (earliest != nullptr && earliest->simState == SimState::active)
    {
        gf_log(fmt::format("{:8}: {} static max park exceeded, removed",
                           gf_standNameById(state.stands, earliest->standId), earliest->callsign));
        state.services->removeAircraftFromSim(*earliest);
    }
}

void gf_removeQueuedStatic(ParkingState& state)
{
    for (SimAc& ac : state.staticAircraft)
    {
        if (ac.simState == SimState::active || (ac.simState == SimState::adding2sim && !ac.removeWhenCreated))
            state.services->removeAircraftFromSim(ac);
    }
    std::erase_if(state.staticAircraft, [](const SimAc& ac) { return ac.createCancelled != 0; });
}

std::uint32_t gf_countParkedForGui(ParkingState& state, bool withAverage)
{
    const DayHalfHour now = weekNow();
    std::uint32_t count = 0;
    std::uint64_t halfHours = 0;
    for (const SimAc& ac : state.staticAircraft)
    {
        if (!countsAsParked(ac))
            continue;
        ++count;
        const DayHalfHour since = gf_unpackDayHalfHour(ac.parkedSlot);
        if (gf_weekIndex(since) < gf_weekIndex(now))
            halfHours += gf_halfHoursElapsed(since, now);
    }
    if (withAverage && !WEEK.value())
    {
        const float average = count == 0 ? 0.0f : static_cast<float>(halfHours) / (2.0f * count) + 0.5f;
        if (average != state.averageStaticStay)
        {
            state.averageStaticStay = average;
            state.services->repaint();
        }
    }
    return count;
}

} // namespace oxl
