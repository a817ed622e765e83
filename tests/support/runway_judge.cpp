// The track is read every tenth of a second, the frame at or before each time, so that the 10-ms frames
// of the harness and the irregular ones of the simulator stand-in read alike; speeds are over a second.
#include "tests/support/runway_judge.h"

#include "foundation/geodesy.h"
#include "foundation/units.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace oxl::test
{
namespace
{

constexpr double kStepS = 0.1;
constexpr std::size_t kStepsPerS = 10;
constexpr double kOnGroundFt = 30;     // shown on the ground: this near the field
constexpr double kRollOutEndKt = 40;   // a roll-out ends at taxi speed
constexpr double kRollingKt = 5;       // a take-off roll starts when the aircraft moves
constexpr double kClimbedFt = 300;     // beyond a source's height noise
constexpr double kReportsSankFt = 100; // a sink the reports show too is theirs
constexpr double kMpsPerKt = ktToMps(1.0);
constexpr double kTicksPerS = 100; // of the harness

struct Step
{
    double atS;
    double altFt;
    double headingRad;
    bool ground;
    double mps;        // the metres of the last second
    double offNoseRad; // that motion against the nose
};

// The worst value of a kind and when it was met.
struct Worst
{
    double value = 0;
    double atS = 0;
    void take(double v, double t)
    {
        if (v > value)
            std::tie(value, atS) = std::pair(v, t);
    }
};

} // namespace

RunwayVerdict& RunwayVerdict::operator|=(const RunwayVerdict& o)
{
    backwardsOrSidewaysAirS += o.backwardsOrSidewaysAirS;
    againstNoseGroundMps = std::max(againstNoseGroundMps, o.againstNoseGroundMps);
    gainedIn4sMps = std::max(gainedIn4sMps, o.gainedIn4sMps);
    rollOutSpeedUpKt = std::max(rollOutSpeedUpKt, o.rollOutSpeedUpKt);
    rollOutBrakeMps2 = std::max(rollOutBrakeMps2, o.rollOutBrakeMps2);
    rollSlowedKt = std::max(rollSlowedKt, o.rollSlowedKt);
    liftOffOffS = std::max(liftOffOffS, o.liftOffOffS);
    takeOffWithoutClimb += o.takeOffWithoutClimb;
    sinkAfterLiftOffFt = std::max(sinkAfterLiftOffFt, o.sinkAfterLiftOffFt);
    worst += worst.empty() || o.worst.empty() ? o.worst : "; " + o.worst;
    return *this;
}

bool RunwayVerdict::asAnAircraftCan(bool onItsOwnTicks) const
{
    return backwardsOrSidewaysAirS == 0 && againstNoseGroundMps <= 10 && gainedIn4sMps <= 40 &&
           (!onItsOwnTicks || (rollOutSpeedUpKt < 10 && rollOutBrakeMps2 <= 8 && rollSlowedKt < 10)) &&
           liftOffOffS <= 20 && takeOffWithoutClimb == 0 && sinkAfterLiftOffFt < 200;
}

RunwayVerdict judgeRunway(const std::vector<ShownFrame>& frames, const std::vector<ShownReport>& reports,
                          double fieldFt)
{
    if (frames.empty())
        return {};
    std::vector<Step> s;
    std::vector<const ShownFrame*> at; // the frame of each step
    for (std::size_t j = 0, f = 0; j * kStepS <= frames.back().atS - frames.front().atS; ++j)
    {
        const double t = frames.front().atS + static_cast<double>(j) * kStepS;
        while (f + 1 < frames.size() && frames[f + 1].atS <= t + 1e-9)
            ++f;
        at.push_back(&frames[f]);
        const ShownFrame &now = frames[f], &was = *at[j < kStepsPerS ? 0 : j - kStepsPerS];
        const double m = nmToMetres(gf_distanceNm({was.lat, was.lon}, {now.lat, now.lon}));
        const double off =
            m > 0 ? gf_wrapPi(gf_bearingRad({was.lat, was.lon}, {now.lat, now.lon}) - now.headingRad) : 0;
        s.push_back({t, now.altFt, now.headingRad, now.altFt <= fieldFt + kOnGroundFt, m, off});
    }
    std::vector<std::pair<double, double>> reportedLiftOffs; // [s] the last ground report, the first airborne
    for (std::size_t i = 1; i < reports.size(); ++i)
        if (!reports[i - 1].airborne && reports[i].airborne)
            reportedLiftOffs.emplace_back(reports[i - 1].atS, reports[i].atS);
    const auto reportedFt = [&](const ShownReport& r) { return r.airborne ? r.altFt : fieldFt; };

    Worst sideways, against, gained, speedUp, brake, slowed, liftOff, sink, noClimb, rollOutUp;
    std::size_t rollOut = 0; // the step of its touchdown (0: none)
    double slowest = 0;
    bool touchedDown = false;
    for (std::size_t j = kStepsPerS; j < s.size(); ++j) // each step with a second behind it
    {
        const Step& c = s[j];
        const bool touchdown = c.ground && !s[j - 1].ground, lift = !c.ground && s[j - 1].ground;
        if (!c.ground && c.mps > ktToMps(40) && std::abs(c.offNoseRad) > degToRad(45))
            sideways.take(sideways.value + kStepS, sideways.value > 0 ? sideways.atS : c.atS);
        double least = c.mps;
        for (std::size_t k = std::max(j, 5 * kStepsPerS) - 4 * kStepsPerS; k < j && c.ground; ++k)
            least = s[k].ground ? std::min(least, s[k].mps) : least;
        gained.take(c.mps - least, c.atS);
        if (c.ground)
            against.take(-c.mps * std::cos(c.offNoseRad), c.atS);
        touchedDown = touchedDown || touchdown;
        if (touchdown && c.mps >= ktToMps(kRollOutEndKt))
            std::tie(rollOut, slowest, rollOutUp) = std::tuple(j, c.mps, Worst{});
        if (rollOut && c.ground)
        {
            slowest = std::min(slowest, c.mps);
            rollOutUp.take((c.mps - slowest) / kMpsPerKt, c.atS);
            if (j >= rollOut + 2 * kStepsPerS)
                brake.take((s[j - 2 * kStepsPerS].mps - c.mps) / 2, c.atS);
        }
        // A roll-out that ends in a lift-off was a touch-and-go: its speeding up belongs to the take-off.
        if (rollOut && c.ground && (c.mps < ktToMps(kRollOutEndKt) || j + 1 == s.size()))
            speedUp.take(rollOutUp.value, rollOutUp.atS);
        rollOut = c.ground && c.mps >= ktToMps(kRollOutEndKt) ? rollOut : 0;
        if (!lift)
            continue;
        // The roll is the straight stretch before the lift-off where the aircraft moved; after a
        // touchdown (a touch-and-go) it starts where the aircraft was slowest.
        std::size_t from = j - 1;
        while (from > 0 && s[from - 1].ground && s[from - 1].mps >= ktToMps(kRollingKt) &&
               std::abs(gf_wrapPi(s[from - 1].headingRad - s[j - 1].headingRad)) <= degToRad(15))
            --from;
        if (from > 0 && !s[from - 1].ground)
            from = static_cast<std::size_t>(std::min_element(s.begin() + from, s.begin() + j,
                                                             [](auto& a, auto& b) { return a.mps < b.mps; }) -
                                            s.begin());
        // Up to where the wheels leave the runway: the climb-out below 30 ft is no roll.
        for (double fastest = 0, rollFt = s[from].altFt; from < j && s[from].altFt <= rollFt + 1; ++from)
        {
            fastest = std::max(fastest, s[from].mps);
            slowed.take((fastest - s[from].mps) / kMpsPerKt, s[from].atS);
        }
        double offS = std::numeric_limits<double>::infinity();
        for (const auto& [lastGroundS, firstAirborneS] : reportedLiftOffs)
            offS = std::min(offS, std::max({0.0, lastGroundS - c.atS, c.atS - firstAirborneS}));
        liftOff.take(offS, c.atS);
        double highestFt = fieldFt, reportsHighestFt = -1e9, reportsSankFt = 0, lowestFt = 1e9, climbedFt = 0;
        for (const ShownReport& r : reports)
        {
            if (r.atS >= c.atS - 60 && r.atS <= c.atS + 120)
            {
                lowestFt = std::min(lowestFt, reportedFt(r));
                climbedFt = std::max(climbedFt, reportedFt(r) - lowestFt);
            }
            if (r.atS >= c.atS && r.atS <= c.atS + 180)
            {
                reportsHighestFt = std::max(reportsHighestFt, reportedFt(r));
                reportsSankFt = std::max(reportsSankFt, reportsHighestFt - reportedFt(r));
            }
        }
        if (touchedDown && climbedFt <= kClimbedFt)
            noClimb.take(noClimb.value + 1, c.atS);
        for (std::size_t k = j; reportsSankFt < kReportsSankFt && k < s.size() && s[k].atS <= c.atS + 180;
             ++k)
        {
            highestFt = std::max(highestFt, s[k].altFt);
            sink.take(highestFt - s[k].altFt, s[k].atS);
        }
    }
    RunwayVerdict v{sideways.value, against.value,
                    gained.value,   speedUp.value,
                    brake.value,    slowed.value,
                    liftOff.value,  static_cast<int>(noClimb.value),
                    sink.value,     {}};
    for (const auto& [w, what] :
         {std::pair(sideways, "s backwards or sideways in the air from"),
          std::pair(against, "m/s against the nose on the ground at"),
          std::pair(gained, "m/s gained in 4 s on the ground at"),
          std::pair(speedUp, "kt faster on a roll-out at"), std::pair(brake, "m/s2 braking on a roll-out at"),
          std::pair(slowed, "kt slower on a take-off roll at"),
          std::pair(liftOff, "s between the lift-off and its reports' at"),
          std::pair(noClimb, "take-offs without a reported climb, the last at"),
          std::pair(sink, "ft sunk after a lift-off at")})
        if (w.value >= 0.05) // as printed
            v.worst += fmt::format("{}{:.1f} {} {:.1f} s", v.worst.empty() ? "" : "; ", w.value, what, w.atS);
    return v;
}

std::vector<ShownFrame> shownFrames(const std::vector<RecordedPosition>& positions)
{
    std::vector<ShownFrame> frames;
    for (const RecordedPosition& p : positions)
        frames.push_back(
            {p.tick / kTicksPerS, p.position.lat, p.position.lon, p.position.alt, p.position.heading});
    return frames;
}

} // namespace oxl::test
