// Static parking selection: the wanted count, the offset search over the learned options and the checks
// that keep one aircraft from showing twice.
#include "airports/static_selection.h"

#include "airports/airports_state.h"
#include "airports/free_stands.h"
#include "airports/week_time.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/status_service.h"
#include "foundation/strings.h"
#include "foundation/time_text.h"
#include "liveries/dbase.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include <fmt/format.h>

namespace oxl
{
namespace
{

/// Half-hours of a day; the last one is followed by half-hour 0 of the next weekday.
constexpr std::uint32_t kLastHalfHour = kHalfHoursPerDay - 1;

StandOptionKind optionKind(StaticSearchMode mode)
{
    return mode == StaticSearchMode::real ? StandOptionKind::real : StandOptionKind::soft;
}

std::int32_t takenStands(const ParkingState& state)
{
    return static_cast<std::int32_t>(
        std::count_if(state.stands.begin(), state.stands.end(), [](const Stand& s) { return s.taken != 0; }));
}

std::string hoursText(std::int64_t halfHours)
{
    return gf_formatNumber(static_cast<float>(halfHours) * 0.5f + 0.5f);
}

StandOccupancy* optionById(Stand& stand, std::uint32_t id)
{
    for (StandOccupancy& o : stand.options)
        if (o.id == id)
            return &o;
    return nullptr;
}

/// An active static aircraft next to the stand being searched, with what its clearance test needs.
struct NeighbourStatic
{
    double halfSpanNm; ///< [nm] of its type
    double distanceNm; ///< [nm] from its stand position to the searched stand
};

std::vector<NeighbourStatic> neighbourStatics(const ParkingState& state, const Stand& stand)
{
    std::vector<NeighbourStatic> found;
    for (const std::uint32_t adjacentId : stand.adjacent)
    {
        for (const SimAc& ac : state.staticAircraft)
        {
            if (ac.standId != adjacentId || ac.simState != SimState::active)
                continue;
            found.push_back({gf_wingspan(ac.type),
                             gf_distanceNm({ac.standLat, ac.standLon}, {stand.latitude, stand.longitude})});
        }
    }
    return found;
}

bool clearOfNeighbours(const std::vector<NeighbourStatic>& neighbours, const std::string& type)
{
    if (neighbours.empty())
        return true;
    const double halfSpan = gf_wingspan(type);
    return std::none_of(neighbours.begin(), neighbours.end(),
                        [&](const NeighbourStatic& n) { return halfSpan + n.halfSpanNm > n.distanceNm; });
}

/// Whether the aircraft of a coupled option is still at the stand in the half-hour after now, or leaves
/// under its coupled callsign before that.
bool staysPastNow(const Stand& stand, const StandOccupancy& option, DayHalfHour now)
{
    if (now.half < kLastHalfHour)
        return option.halfHours.test(now.half + 1);
    const std::uint32_t nextDay = gf_stepForward(now).weekday;
    return std::any_of(stand.options.begin(), stand.options.end(),
                       [&](const StandOccupancy& o)
                       {
                           return o.id >= 1 && o.weekday == nextDay && o.airline == option.airline &&
                                  o.type == option.type && o.halfHours.test(0);
                       });
}

bool sameNonEmpty(const std::string& value, const std::string& wanted)
{
    return !wanted.empty() && value == wanted;
}

/// True when a record of this pass already shows the option's aircraft: the records of one offset reach
/// the StaticParked list only after the pass, and one aircraft must not stand at two stands at once.
bool plannedInPass(const std::vector<StaticParked>& list, const StandOccupancy& option)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const StaticParked& p)
                       {
                           return sameNonEmpty(p.registration, option.registration) ||
                                  sameNonEmpty(p.callsign, option.callsign) ||
                                  sameNonEmpty(p.callsign, option.coupledCallsign);
                       });
}

} // namespace

void gf_startStaticParking(ParkingState& state, bool showMessage)
{
    gf_status().disableParkingControls();
    state.services->startCallsignCollection();
    if (showMessage)
        gf_status().showMessage("Calculating static parked aircraft ...", false);
}

void gf_startStaticParking(bool showMessage)
{
    gf_startStaticParking(gAirports.gParking, showMessage);
}

DayHalfHour gf_logDayAndHour()
{
    const auto [weekday, half] = gf_weekdayHalfHour();
    gf_logSpaced("\n{} (utc) It is day {} ({}), {} hours", gf_simTimeOfDay(), weekday, WeekdayNames[weekday],
                 hoursText(half));
    // A failed clock gives -1, which the half-hour tests of the search then report as out of range.
    return DayHalfHour{static_cast<std::uint32_t>(weekday), static_cast<std::uint32_t>(half)};
}

void gf_clearParkingLists(ParkingState& state)
{
    state.liveCallsignSnapshot = state.services->takeCollectedCallsigns();
}

void gf_excludeUserStands(ParkingState& state)
{
    if (!state.reservedStand.empty())
    {
        if (Stand* reserved = gf_findStandByName(state.stands, state.reservedStand))
            reserved->excluded = 1;
    }
    const UserAcData user = state.services->userAircraft();
    const std::string userStand = gf_standAtPosition(state, user.lat, user.lon);
    if (!userStand.empty() && userStand != state.reservedStand)
    {
        if (Stand* s = gf_findStandByName(state.stands, userStand))
            s->excluded = 1;
    }
}

std::int32_t gf_wantedStaticCount(ParkingState& state)
{
    const std::int32_t maxPark = MAX_PARK_SEL.value();
    if (maxPark <= 0)
    {
        state.maxPark = 0;
        state.wantedPercentage = parking_percentage.value();
        return 0;
    }
    const std::int32_t pct = CUSTOM_PARKING_PERCENTAGE.value() >= 0 ? CUSTOM_PARKING_PERCENTAGE.value()
                                                                    : parking_percentage.value();
    const auto s = static_cast<std::int64_t>(state.stands.size());
    // Small fields get one static aircraft even at low percentages.
    const std::int64_t n = s > 1 && (s > 3 || pct >= 50)
                               ? std::llround(static_cast<double>(pct) * static_cast<double>(s) / 100.0)
                               : 1;
    const auto wanted = static_cast<std::int32_t>(std::min<std::int64_t>(maxPark, n));
    state.maxPark = static_cast<std::uint32_t>(std::max(wanted, 0));
    state.wantedPercentage = gf_percentage(wanted, s);
    state.services->repaint();
    return wanted;
}

void gf_fillStaticParked(ParkingState& state, DayHalfHour now, std::int32_t wanted, std::int32_t already)
{
    state.lastRealOffset = 0;
    state.lastSoftOffset = -1;
    gf_collectStaticParked(state, now, wanted, already, StaticSearchMode::real);
    if (static_cast<std::int32_t>(state.staticParked.size()) + already < wanted &&
        (PARK_SOFT.value() || PARK_FAKE.value()))
        gf_collectStaticParked(state, now, wanted, already, StaticSearchMode::soft);
}

void gf_collectStaticParked(ParkingState& state, DayHalfHour now, std::int32_t wanted, std::int32_t already,
                            StaticSearchMode mode)
{
    std::vector<StaticParked> local;
    local.reserve(kStaticSearchCapacity);
    if (!gf_countPositionsFound(state, now, mode, wanted, local))
        return;
    // The last offset took more stands than wanted: which of them stay is left to chance.
    if (RANDOM.value())
        std::shuffle(local.begin(), local.end(), gf_randomEngine());
    state.staticParked.insert(state.staticParked.end(), std::make_move_iterator(local.begin()),
                              std::make_move_iterator(local.end()));
    while (!state.staticParked.empty() &&
           static_cast<std::int64_t>(state.staticParked.size()) > std::int64_t{wanted} - already)
        state.staticParked.pop_back();
}

bool gf_countPositionsFound(ParkingState& state, DayHalfHour now, StaticSearchMode mode, std::int32_t wanted,
                            std::vector<StaticParked>& local)
{
    if (wanted == 0)
        return true;
    const std::int32_t before = takenStands(state);
    const std::int32_t maxFit = MAX_FIT.value();
    std::int32_t offset = 0;
    bool enough = false;
    for (;;)
    {
        gf_searchStands(state, now, mode, static_cast<std::uint32_t>(offset), local);
        if (takenStands(state) >= wanted)
        {
            enough = true;
            break;
        }
        state.staticParked.insert(state.staticParked.end(), std::make_move_iterator(local.begin()),
                                  std::make_move_iterator(local.end()));
        local.clear();
        ++offset;
        if (offset > maxFit)
            break;
    }
    const std::int32_t found = takenStands(state) - before;
    if (mode == StaticSearchMode::real)
    {
        state.lastRealOffset = offset;
        state.lastSoftOffset = -1;
    }
    else
        state.lastSoftOffset = offset;
    if (found >= 1)
    {
        const std::string when = WEEK.value() ? std::string(", week") : fmt::format(", day {}", now.weekday);
        gf_log(fmt::format("{} {} position{} found, Max fit={} hours{}{}", found,
                           mode == StaticSearchMode::real ? "real" : "soft", gf_pluralS(found),
                           hoursText(maxFit), when,
                           fmt::format(", hh:{} or {} hrs, fit: {} hour", now.half, hoursText(now.half),
                                       hoursText(offset))));
    }
    state.softUsed = mode == StaticSearchMode::soft && found > 0;
    state.services->repaint();
    return enough;
}

void gf_searchStands(ParkingState& state, DayHalfHour now, StaticSearchMode mode, std::uint32_t offset,
                     std::vector<StaticParked>& list)
{
    try
    {
        const DayHalfHour t = gf_shiftBack(now, offset);
        const StandOptionKind kind = optionKind(mode);
        const bool anyDay = WEEK.value();
        const bool helicopters = HELICOPTERS.value();
        std::vector<std::uint32_t> ids;
        for (Stand& stand : state.stands)
        {
            if (stand.excluded || stand.taken || stand.blocked || (stand.helipad && !helicopters))
                continue;
            ids.clear();
            std::vector<NeighbourStatic> neighbours;
            bool neighboursKnown = false;
            for (const StandOccupancy& o : stand.options)
            {
                if (o.id == 0 || o.kind != kind || (!anyDay && o.weekday != t.weekday) ||
                    !o.halfHours.test(t.half))
                    continue;
                if (!neighboursKnown)
                {
                    neighbours = neighbourStatics(state, stand);
                    neighboursKnown = true;
                }
                if (clearOfNeighbours(neighbours, o.type))
                    ids.push_back(o.id);
            }
            if (ids.empty())
                continue;
            if (ids.size() >= 2 && RANDOM.value())
                gf_pickStandOption(state, ids, stand);
            StandOccupancy* option = optionById(stand, ids.front());
            if (option == nullptr)
                continue;
            if (gf_optionInUse(state, *option) || plannedInPass(list, *option))
            {
                // Not offered again until the renewal numbers the options anew.
                option->id = 0;
                continue;
            }
            StaticParked record;
            record.standId = stand.standId;
            record.offset = offset;
            record.airline = option->airline;
            record.type = option->type;
            record.callsign = option->callsign;
            record.coupledCallsign = option->coupledCallsign;
            record.registration = option->registration;
            // Stays is judged at the half-hour after now, not after the search time.
            record.stays = option->coupledCallsign.empty() || staysPastNow(stand, *option, now) ? 1 : 0;
            list.push_back(std::move(record));
            stand.taken = 1;
            for (const std::uint32_t adjacentId : stand.adjacent)
                if (Stand* adjacent = gf_findStandById(state.stands, adjacentId))
                    adjacent->blocked = 1;
        }
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{}: day: {}, offset {}: {}", "lf_searchStands",
                                 fmt::format("[{},{}]", now.weekday, now.half), offset, e.what()));
    }
}

void gf_pickStandOption(const ParkingState& state, std::vector<std::uint32_t>& candidateIds,
                        const Stand& stand)
{
    for (const SimAc& ac : state.staticAircraft)
    {
        if (ac.standId != stand.standId)
            continue;
        for (const StandOccupancy& o : stand.options)
        {
            if (o.id != 0 && o.airline == ac.airline && o.type == ac.type &&
                (gf_equalsWithStar(o.callsign, ac.callsign) ||
                 gf_equalsWithStar(o.coupledCallsign, ac.callsign)))
            {
                candidateIds.front() = o.id;
                return;
            }
        }
    }
    std::shuffle(candidateIds.begin(), candidateIds.end(), gf_randomEngine());
}

bool gf_optionInUse(const ParkingState& state, const StandOccupancy& option)
{
    const std::string& cs = option.callsign;
    const std::string& coupled = option.coupledCallsign;
    const std::string& reg = option.registration;
    const auto live = [&](const std::string& callsign)
    {
        return !callsign.empty() && (state.liveCallsignSnapshot.contains(callsign) ||
                                     state.liveCallsignSnapshot.contains(callsign + '_'));
    };
    if (live(cs) || live(coupled))
        return true;
    // Most options have no coupled callsign and some no registration: an empty value names nobody.
    const auto named = [&](const std::string& value)
    { return sameNonEmpty(value, cs) || sameNonEmpty(value, coupled); };
    for (const StaticParked& p : state.staticParked)
        if (sameNonEmpty(p.registration, reg) || named(p.callsign))
            return true;
    for (const SimAc& ac : state.staticAircraft)
        if (named(ac.secondCallsign) || sameNonEmpty(ac.registration, reg))
            return true;
    for (const RetireEntry& r : state.retire)
        if (named(r.callsign))
            return true;
    return false;
}

void gf_calcStaticParking(ParkingState& state)
{
    const DayHalfHour now = gf_logDayAndHour();
    gf_status().showMessage(
        "Making changes to airport parking parameters is disabled while static parking takes place ...",
        false);
    state.staticParked.clear();
    state.parkCandidates.clear();
    state.liveParked.clear();
    state.averageLiveStay = -1.0f;
    state.averageStaticStay = -1.0f;
    state.softUsed = false;
    state.services->repaint();

    gf_clearParkingLists(state);
    for (Stand& s : state.stands)
    {
        s.taken = 0;
        s.excluded = 0;
        s.blocked = 0;
    }
    gf_excludeUserStands(state);

    const std::int32_t wanted = gf_wantedStaticCount(state);
    if (wanted > 0)
        gf_fillStaticParked(state, now, wanted, 0);
    std::stable_sort(state.staticParked.begin(), state.staticParked.end(),
                     [](const StaticParked& a, const StaticParked& b) { return a.offset < b.offset; });
    while (!state.staticParked.empty() && static_cast<std::int64_t>(state.staticParked.size()) > wanted)
        state.staticParked.pop_back();

    if (state.staticParked.empty())
    {
        gf_log("no parking positions found");
        gf_status().enableParkingControls();
        return;
    }
    const auto count = static_cast<std::int64_t>(state.staticParked.size());
    gf_logSpaced("{} positions ({}% vs wanted {}%, with Max fit={} hours)\n", count,
                 gf_percentage(count, static_cast<std::int64_t>(state.stands.size())),
                 parking_percentage.value(), hoursText(MAX_FIT.value()));
    // The placement takes records from the end: the closest matches go first.
    std::stable_sort(state.staticParked.begin(), state.staticParked.end(),
                     [](const StaticParked& a, const StaticParked& b) { return a.offset > b.offset; });
}

void gf_calcStaticParking()
{
    gf_calcStaticParking(gAirports.gParking);
}

} // namespace oxl
