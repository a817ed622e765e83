// Free stands for live aircraft and the list of parked live aircraft.
#include "airports/free_stands.h"

#include "airports/week_time.h"
#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/units.h"
#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <string_view>

#include <fmt/format.h>
#include <gsl/narrow>

namespace oxl
{
namespace
{

/// [nm] a stand this near is taken even when the aircraft is too large for it.
constexpr double kOversizeStandNm = metresToNm(20.0);
/// [nm] a stand this near may be taken when its learned option matches the aircraft.
constexpr double kMatchStandNm = metresToNm(85.0);
/// [nm] start value of the nearest-stand walks, farther than any stand of one airport.
constexpr double kFarNm = 900.0;
/// Best size step a pass starts from.
constexpr int kNoStep = 100;
/// Room for the candidates of one search.
constexpr std::size_t kCandidateCapacity = 256;
/// An airport with at most this many stands gets a second search at the next half-hour.
constexpr std::size_t kRetryStandLimit = 10;
/// [min] a parked Heavy live aircraft is removed after this time; others after kMaxParkedMinutes.
constexpr std::uint32_t kMaxParkedMinutesHeavy = 180;
constexpr std::uint32_t kMaxParkedMinutes = 90;
/// Half-hours to each side of the time in which the coupled callsign is looked for.
constexpr std::uint32_t kCoupledWindowHeavy = 14;
constexpr std::uint32_t kCoupledWindow = 10;

/// One stand that fits at the searched time.
struct FitCandidate
{
    const std::string* name;
    int step;
    bool match;
};

/// Which stands a pass looks at.
using StandFilter = bool (*)(const Stand&);

bool isHelipad(const Stand& s)
{
    return s.helipad != 0;
}
bool isRamp(const Stand& s)
{
    return s.ramp != 0;
}
bool isCargoStand(const Stand& s)
{
    return s.cargo != 0 && s.helipad == 0;
}
bool isNoHelipad(const Stand& s)
{
    return s.helipad == 0;
}
bool isRampOnly(const Stand& s)
{
    return s.ramp != 0 && s.cargo == 0 && s.helipad == 0;
}
bool isGate(const Stand& s)
{
    return s.ramp == 0 && s.cargo == 0 && s.helipad == 0;
}

bool hasMatchingOption(const Stand& stand, const AcProfile& ac)
{
    if (ac.callsign.empty())
    {
        return false;
    }
    return std::any_of(stand.options.begin(), stand.options.end(),
                       [&ac](const StandOccupancy& o)
                       { return gf_occupancyMatches(o, ac.callsign, ac.airline, ac.type); });
}

/// A rounded size step as an int; a value that no int holds (a non-finite size included) raises the
/// narrowing error instead of reaching an undefined conversion.
int toStep(double rounded)
{
    if (!(std::fabs(rounded) < 2147483647.0))
    {
        throw gsl::narrowing_error{};
    }
    return gsl::narrow<int>(rounded);
}

/// True when an enabled option of the time's weekday holds the time's half-hour.
bool usedAt(const Stand& stand, DayHalfHour time)
{
    return std::any_of(stand.options.begin(), stand.options.end(),
                       [time](const StandOccupancy& o)
                       { return o.id != 0 && o.weekday == time.weekday && o.halfHours.test(time.half); });
}

/// The step pass for one stand: it must fit within 1.8 m, in a step not above the best so far.
void lf_stepFit(const Stand& stand, const AcProfile& ac, DayHalfHour time, int& bestStep,
                std::vector<FitCandidate>& found)
{
    const double oversizeM = gf_oversizeMetres(stand.radius, ac.radius);
    if (oversizeM > kStandOversizeToleranceM)
    {
        return;
    }
    const int n = toStep(std::round(-oversizeM / gf_sizeStepMetres(ac.radius)));
    if (n > bestStep || usedAt(stand, time))
    {
        return;
    }
    bestStep = n;
    found.push_back({&stand.name, n, hasMatchingOption(stand, ac)});
}

/// The fallback pass for one stand: any size, the step being the size difference in whole nautical
/// miles (so every stand under half a mile is step 0).
void lf_freeFit(const Stand& stand, const AcProfile& ac, DayHalfHour time, int& bestStep,
                std::vector<FitCandidate>& found)
{
    const double differenceNm = metresToNm(std::fabs(gf_oversizeMetres(stand.radius, ac.radius)));
    const int n = toStep(std::round(differenceNm));
    if (n > bestStep || usedAt(stand, time))
    {
        return;
    }
    bestStep = n;
    found.push_back({&stand.name, n, hasMatchingOption(stand, ac)});
}

using FitFunction = void (*)(const Stand&, const AcProfile&, DayHalfHour, int&, std::vector<FitCandidate>&);

/// Runs one pass over the stands the filter admits; true when it found any.
bool runPass(const std::vector<Stand>& stands, StandFilter filter, FitFunction fit, const AcProfile& ac,
             DayHalfHour time, std::vector<FitCandidate>& found)
{
    int bestStep = kNoStep;
    const std::size_t before = found.size();
    for (const Stand& s : stands)
    {
        if (filter(s))
        {
            fit(s, ac, time, bestStep, found);
        }
    }
    return found.size() > before;
}

/// The step pass, then the fallback pass, over the gates or the ramp stands (no cargo, no helipads).
bool lf_fitPass(const std::vector<Stand>& stands, bool gates, const AcProfile& ac, DayHalfHour time,
                std::vector<FitCandidate>& found)
{
    const StandFilter filter = gates ? isGate : isRampOnly;
    return runPass(stands, filter, lf_stepFit, ac, time, found) ||
           runPass(stands, filter, lf_freeFit, ac, time, found);
}

bool gateFirst(const ParkingState& state)
{
    // US airports park airliners at gates; elsewhere one in ten goes to a ramp position. The draw is
    // taken whether or not random choices are on, so the sequence of draws does not depend on it.
    const bool us = !state.parkAirport.code.empty() && state.parkAirport.code.front() == 'K';
    const bool draw = gf_randomEngine()() % 100 >= 10;
    return us || draw;
}

void collectFits(const ParkingState& state, DayHalfHour time, const AcProfile& ac,
                 std::vector<FitCandidate>& found)
{
    const std::vector<Stand>& stands = state.stands;
    if (ac.category == AcCategory::Rotorcraft)
    {
        (void)(runPass(stands, isHelipad, lf_stepFit, ac, time, found) ||
               runPass(stands, isRamp, lf_stepFit, ac, time, found) ||
               runPass(stands, isHelipad, lf_freeFit, ac, time, found) ||
               runPass(stands, isRamp, lf_freeFit, ac, time, found));
    }
    else if (ac.cargo != 0)
    {
        (void)(runPass(stands, isCargoStand, lf_stepFit, ac, time, found) ||
               runPass(stands, isCargoStand, lf_freeFit, ac, time, found) ||
               runPass(stands, isNoHelipad, lf_stepFit, ac, time, found) ||
               runPass(stands, isNoHelipad, lf_freeFit, ac, time, found));
    }
    else if (ac.category == AcCategory::Light || ac.category == AcCategory::Buzjets || ac.airline == "PVT")
    {
        (void)(runPass(stands, isRampOnly, lf_stepFit, ac, time, found) ||
               runPass(stands, isRampOnly, lf_freeFit, ac, time, found));
    }
    else
    {
        const bool gates = gateFirst(state);
        (void)(lf_fitPass(stands, gates, ac, time, found) || lf_fitPass(stands, !gates, ac, time, found));
    }
}

std::int64_t steadyNow100ns()
{
    using Ticks100ns = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    return std::chrono::duration_cast<Ticks100ns>(plat::steadyNow().time_since_epoch()).count();
}

bool parkedAndActive(const LiveAc& ac)
{
    return ac.phase == GroundPhase::parked && ac.simState == SimState::active;
}

/// True while reports keep arriving for the parked aircraft (its stream is not being extended).
bool stillReported(const LiveAc& ac)
{
    return ac.extensionCount == 0;
}

} // namespace

std::string gf_standAtPosition(ParkingState& state, double lat, double lon)
{
    if (!state.services->userAircraft().onGround)
    {
        return {};
    }
    return state.locator.standAt(lat, lon);
}

Stand* gf_nearestFreeStand(ParkingState& state, double lat, double lon, const AcProfile& aircraft,
                           double maxDistanceNm, bool match)
{
    Stand* result = nullptr;
    Stand* oversizeChoice = nullptr;
    Stand* matchCandidate = nullptr;
    double best = kFarNm;
    double bestMatch = kFarNm;
    bool matchSearch = match;
    const double reachNm = match ? std::max(maxDistanceNm, kMatchStandNm) : maxDistanceNm;
    for (Stand& s : state.stands)
    {
        if (s.occupied != 0 || gf_latitudesApart(lat, s.latitude, reachNm))
        {
            continue;
        }
        const double d = gf_distanceNm({lat, lon}, {s.latitude, s.longitude});
        const bool fits = gf_oversizeMetres(s.radius, aircraft.radius) <= kStandOversizeToleranceM;
        if (d <= maxDistanceNm && d < best)
        {
            if (fits)
            {
                result = &s;
            }
            else if (d <= kOversizeStandNm)
            {
                result = &s;
                oversizeChoice = &s;
            }
            else
            {
                continue;
            }
            best = d;
            matchSearch = false;
        }
        else if (matchSearch && d <= kMatchStandNm && d < bestMatch && fits && hasMatchingOption(s, aircraft))
        {
            matchCandidate = &s;
            bestMatch = d;
        }
    }
    if (result == nullptr)
    {
        result = matchCandidate;
    }
    if (result == nullptr)
    {
        return nullptr;
    }
    const bool rotorcraft = aircraft.category == AcCategory::Rotorcraft;
    if ((result->helipad != 0) != rotorcraft)
    {
        return nullptr;
    }
    if (result == oversizeChoice)
    {
        result->radius = aircraft.radius - metresToNm(1.0);
        result->radiusChanged = 1;
        ++state.learnedUpdates;
        if (state.learnedUpdates != state.learnedUpdatesShown)
        {
            state.services->repaint();
        }
    }
    return result;
}

Stand* gf_searchFittingStands(ParkingState& state, DayHalfHour time, const AcProfile& aircraft, bool retry)
{
    std::vector<FitCandidate> found;
    found.reserve(kCandidateCapacity);
    collectFits(state, time, aircraft, found);
    if (found.empty())
    {
        if (retry && state.stands.size() <= kRetryStandLimit)
        {
            return gf_searchFittingStands(state, gf_stepForward(time), aircraft, false);
        }
        return nullptr;
    }
    if (RANDOM.value())
    {
        std::shuffle(found.begin(), found.end(), gf_randomEngine());
    }
    std::sort(found.begin(), found.end(),
              [](const FitCandidate& a, const FitCandidate& b)
              {
                  if (a.match != b.match)
                  {
                      return a.match;
                  }
                  return a.step < b.step;
              });
    return gf_findStandByName(state.stands, *found.front().name);
}

void gf_searchForCoupledCsAroundThisTime(const ParkingState& state, DayHalfHour time, AcProfile& aircraft)
{
    try
    {
        const std::uint32_t w = aircraft.category == AcCategory::Heavy ? kCoupledWindowHeavy : kCoupledWindow;
        const std::uint32_t h = time.half;
        // An impossible half-hour is reported like a bad bit position anywhere else.
        (void)HalfHourSet{}.test(h);
        const HalfHourSet mask = gf_halfHourRange(h > w ? h - w : 0, std::min(h + w, kHalfHoursPerDay - 1));
        std::string_view name = aircraft.callsign;
        if (!name.empty() && name.back() == '_')
        {
            name.remove_suffix(1);
        }
        for (const Stand& s : state.stands)
        {
            for (const StandOccupancy& o : s.options)
            {
                if (o.id != 0 && o.weekday == time.weekday && (o.halfHours & mask).any() &&
                    o.airline == aircraft.airline && !o.coupledCallsign.empty() &&
                    (o.callsign == name || o.coupledCallsign == name))
                {
                    aircraft.secondCallsign = o.callsign;
                    aircraft.coupledCallsign = o.coupledCallsign;
                    return;
                }
            }
        }
    }
    catch (const std::out_of_range& e)
    {
        gf_logMarked(fmt::format("{}: {}", "lf_searchForCoupledCsAroundThisTime", e.what()));
    }
}

void gf_checkLiveParkedTimes(ParkingState& state, std::span<LiveAc> live)
{
    state.liveParked.clear();
    const std::int64_t now = steadyNow100ns();
    for (LiveAc& ac : live)
    {
        if (!parkedAndActive(ac))
        {
            continue;
        }
        if (stillReported(ac))
        {
            state.liveParked.push_back({ac.callsign, 0, ac.standId, 0});
            continue;
        }
        const std::int64_t elapsed = std::max<std::int64_t>(now - ac.parkedSince, 0);
        const auto minutes =
            static_cast<std::uint32_t>(std::min<std::int64_t>(elapsed / 600'000'000, UINT32_MAX));
        const std::uint32_t limit =
            ac.category == AcCategory::Heavy ? kMaxParkedMinutesHeavy : kMaxParkedMinutes;
        if (!INITIAL_LOAD_ONLY.value() && minutes > limit)
        {
            state.services->removeAircraftFromSim(ac);
            continue;
        }
        state.liveParked.push_back({ac.callsign, 0, ac.standId, minutes});
    }
    std::sort(state.liveParked.begin(), state.liveParked.end(),
              [](const LiveParkedEntry& a, const LiveParkedEntry& b) { return a.minutes < b.minutes; });
}

std::uint32_t gf_countLiveParked(ParkingState& state, std::span<const LiveAc> live, DayHalfHour now,
                                 bool withAverage)
{
    std::uint32_t count = 0;
    std::uint64_t halfHours = 0;
    for (const LiveAc& ac : live)
    {
        if (!parkedAndActive(ac))
        {
            continue;
        }
        ++count;
        const DayHalfHour since = gf_unpackDayHalfHour(ac.parkedSlot);
        if (withAverage && gf_weekIndex(since) < gf_weekIndex(now))
        {
            halfHours += gf_halfHoursElapsed(since, now);
        }
    }
    if (withAverage)
    {
        const float average = count == 0 ? 0.0f : static_cast<float>(halfHours) / (2.0f * count) + 0.5f;
        if (average != state.averageLiveStay)
        {
            state.averageLiveStay = average;
            state.services->repaint();
        }
    }
    return count;
}

void gf_removeAtReservedStand(ParkingState& state, std::span<LiveAc> live)
{
    const Stand* reserved = gf_findStandByName(state.stands, state.reservedStand);
    if (reserved == nullptr)
    {
        // Stand id 0 would name every aircraft that has no stand; a reserved stand that is not at this
        // airport has nobody on it.
        return;
    }
    const std::uint32_t standId = reserved->standId;
    for (SimAc& ac : state.staticAircraft)
    {
        if (ac.standId == standId && ac.simState == SimState::active)
        {
            state.services->removeAircraftFromSim(ac);
            return;
        }
    }
    for (LiveAc& ac : live)
    {
        if (ac.standId == standId && parkedAndActive(ac))
        {
            state.services->removeAircraftFromSim(ac);
            return;
        }
    }
}

} // namespace oxl
