#include "traffic/engine/track_reading.h"

#include "foundation/units.h"
#include "records/aircraft_words.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/stream_ops.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace oxl
{

namespace
{
// [rad] a report less than this off the way the aircraft moves lies ahead of it.
constexpr double kAheadRad = 90.0 * kDegToRad;
// [s] the shortest span of source time over which two positions show a speed.
constexpr double kLegSpanS = 1.0;
// A speed field this share beyond the slowest or fastest leg of the positions is stale.
constexpr double kFieldMargin = 0.05;
// Legs whose speeds differ more than this factor are too scattered to belie a speed field.
constexpr double kScatteredSpread = 1.5;
// The aircraft may fly this much faster than its positions show while it turns between two of them.
constexpr double kTurnSpeedMargin = 1.25;
// [nm] what a source's own positions are off the track they draw without being scatter.
constexpr double kPositionNoiseNm = 0.05;
// Reports a track is fitted to at the least: two more than a line needs, so that one alone cannot draw it.
constexpr std::size_t kFitReports = 4;
// [s] the source time from the report before over which the track is fitted: short enough that a turn
// bends it little.
constexpr double kFitS = 25.0;
// A track that bends no more than a turn at this share of the category's fastest is one a source drew
// smoothly: two feeds or scattered positions bend it more.
constexpr double kSmoothTurnShare = 0.5;
// [nm] a report further off the fitted line than this weighs less, by this share of how far off it lies:
// one report alone or a pair on one side moves the line little, while reports on either side keep it in
// their middle.
constexpr double kFitWeightNm = 0.2;
// Rounds of fitting, each weighing the reports by how far off the line of the round before they lie.
constexpr int kFitRounds = 10;
// Reports' worth near a line, at the least, for it to be weighed again.
constexpr double kNearReports = 3.0;
// The weight of the report before in the fit: the aircraft flew there, and its track goes on from there.
constexpr double kFromWeight = 3.0;
// [deg/s] a rate-one turn: what any aircraft turns at the least.
constexpr double kRateOneDegPerS = 3.0;
// [m/s2] standard gravity: a banked turn's rate.
constexpr double kGravityMps2 = 9.80665;
// A drawn track bends at most this factor of what the category turns over the leg, and kBendNoiseRad more:
// scatter drawn so never swings the aircraft about.
constexpr double kBendFactor = 2.0;
constexpr double kBendNoiseRad = 5.0 * kDegToRad;
// [ft] a rise from one report to the next beyond a source's own height noise (its 25-ft steps and their
// jitter): reports that climb away.
constexpr double kClimbStepFt = 100.0;
// Reports from a height on that draw a descent together at the least: two alone may be a stuck height
// resumed.
constexpr std::size_t kAgreedHeights = 3;
// Legs of a roll-out read together: a source's positions on a runway are irregular leg by leg.
constexpr std::size_t kRollOutLegs = 3;

bool realReport(const Report& r)
{
    return r.sourceTime > 0.0 && r.airborne != 0;
}

// [kt] the speed of nm [nm] flown over spanS [s] of source time; 0 where they show none: a position
// repeated, or too short a span.
double overSourceTimeKt(double nm, double spanS)
{
    return spanS >= kLegSpanS && nm >= kRepeatedPositionNm ? nm / (spanS / kSecondsPerHour) : 0.0;
}

// [kt] the speeds of the legs between the stream's real reports that the category can fly, in order. One
// scattered position moves their median little. A position repeated is no leg at 0 kt: the leg runs from
// where the source first put it. A leg faster than the category flies is a jump (one feed's to another's
// position), no speed. One leg alone may be a jump the source confirmed.
std::vector<double> legSpeedsKt(const std::deque<Report>& stream, AcCategory category)
{
    std::vector<double> legsKt;
    const Report* from = nullptr;
    for (const Report& r : stream)
    {
        if (!realReport(r))
            continue;
        if (from == nullptr)
        {
            from = &r;
            continue;
        }
        const double kt = gf_shownLegKt(*from, r);
        if (kt == 0.0)
            continue;
        if (kt <= gf_topSpeedKt(category))
            legsKt.push_back(kt);
        from = &r;
    }
    std::ranges::sort(legsKt);
    return legsKt;
}

// [kt] the median of sorted leg speeds; 0 for fewer than two (one leg alone may be a jump the source
// confirmed).
double medianKt(const std::vector<double>& legsKt)
{
    const std::size_t n = legsKt.size();
    return n < 2 ? 0.0 : (legsKt[(n - 1) / 2] + legsKt[n / 2]) / 2.0;
}

// Whether r lies further from `before` than the category flies in the time between them.
bool leaps(const Report& before, const Report& r, AcCategory category)
{
    const double spanS = r.sourceTime - before.sourceTime;
    return realReport(before) && realReport(r) && spanS > 0.0 &&
           gf_distanceNm({before.lat, before.lon}, {r.lat, r.lon}) / (spanS / kSecondsPerHour) >
               gf_topSpeedKt(category);
}

// Whether the category climbs or descends from a's height to b's in the time between them.
bool heightReaches(const Report& a, const Report& b, AcCategory category)
{
    const double spanS = std::abs(b.sourceTime - a.sourceTime);
    return std::abs(b.alt - a.alt) <=
           gf_categoryConstants(category).maxClimbStepFt * kTicksPerHour / kSecondsPerHour * spanS +
               kHeightNoiseFt;
}

// Where a point lies from `origin` [nm east, nm north], flat over the few miles between reports.
struct Flat
{
    double east;
    double north;
};

// Along the great circle to it, so that it holds across the antimeridian and over a pole too.
Flat flat(const Report& origin, const Report& r)
{
    const LatLon from{origin.lat, origin.lon}, to{r.lat, r.lon};
    const double nm = gf_distanceNm(from, to);
    const double bearingRad = gf_bearingRad(from, to);
    return {nm * std::sin(bearingRad), nm * std::cos(bearingRad)};
}

// [rad] how far the category's fastest turn takes the aircraft round in spanS [s].
double turnReachRad(AcCategory category, double spanS)
{
    return gf_categoryConstants(category).maxTurnStepDeg * kDegToRad * kTicksPerHour / kSecondsPerHour *
           spanS;
}

// [nm] how far r lies from the segment from `before` to `after`.
double offSegmentNm(const Report& before, const Report& r, const Report& after)
{
    const Flat a = flat(before, after);
    const Flat p = flat(before, r);
    const double len2 = a.east * a.east + a.north * a.north;
    const double u = len2 > 0.0 ? std::clamp((p.east * a.east + p.north * a.north) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(p.east - u * a.east, p.north - u * a.north);
}

// Whether r lies where no aircraft of the category flying from `before` to `after` passes: further than it
// reaches in their time, or off their line by more than it can turn away and back in that time. False
// when the three cannot be read so (not real reports of the air, no time between them).
bool offTheirTrack(const Report& before, const Report& r, const Report& after, AcCategory category,
                   double shownKt)
{
    if (!realReport(before) || !realReport(r) || !realReport(after))
        return false;
    const double spanS = after.sourceTime - before.sourceTime;
    if (!(spanS > 0.0) || !(r.sourceTime > before.sourceTime) || !(r.sourceTime < after.sourceTime))
        return false;
    const double hours = spanS / kSecondsPerHour;
    const LatLon b{before.lat, before.lon}, p{r.lat, r.lon}, a{after.lat, after.lon};
    const double chordNm = gf_distanceNm(b, a);
    if ((gf_distanceNm(b, p) + gf_distanceNm(p, a)) / hours > gf_topSpeedKt(category))
        return true;
    // The farthest a path of that length strays from its chord: the arc of the category's fastest turn,
    // or, when the aircraft could turn round in the time, the ellipse of all paths that long.
    const double pathNm = kTurnSpeedMargin * std::max(shownKt, chordNm / hours) * hours;
    const double turnRad = turnReachRad(category, spanS);
    const double strayNm = turnRad < kPi
                               ? pathNm / turnRad * (1.0 - std::cos(turnRad / 2.0))
                               : std::sqrt(std::max(pathNm * pathNm - chordNm * chordNm, 0.0)) / 2.0;
    return offSegmentNm(before, r, after) > strayNm + kPositionNoiseNm;
}

// Whether r lies off where `before` and `after` put the aircraft at its time by more than a turn at a share
// of the category's fastest bends a path in that time (three reports in order of time).
bool bendsBeyondTurn(const Report& before, const Report& r, const Report& after, AcCategory category,
                     double shownKt)
{
    const double toR = r.sourceTime - before.sourceTime;
    const double fromR = after.sourceTime - r.sourceTime;
    if (!(toR > 0.0) || !(fromR > 0.0))
        return false;
    const double share = toR / (toR + fromR);
    const Flat a = flat(before, after);
    const Flat p = flat(before, r);
    const double offNm = std::hypot(p.east - share * a.east, p.north - share * a.north);
    // The sideways drift of such a turn at the speed shown, over the times either side.
    const double nmPerS = std::max(shownKt, gf_distanceNm({before.lat, before.lon}, {after.lat, after.lon}) /
                                                ((toR + fromR) / kSecondsPerHour)) /
                          kSecondsPerHour;
    return offNm >
           kSmoothTurnShare * nmPerS * turnReachRad(category, 1.0) / 2.0 * toR * fromR + kPositionNoiseNm;
}

// Scatter: stream[index] and up to one report after it lie off the track that stream[index - 1] and a
// later report draw, and that later report continues that track (the next one after it lies on it, or it
// is the newest). Reports off it that agree with each other for longer are a turn or a jump.
bool scatterBetweenNeighbours(const std::deque<Report>& stream, std::size_t index, AcCategory category)
{
    const Report& before = stream[index - 1];
    const double shownKt = gf_shownSpeedKt(stream, category);
    for (std::size_t j = index + 1; j < stream.size() && j <= index + kGlitchRun; ++j)
    {
        bool allOff = true;
        for (std::size_t k = index; k < j && allOff; ++k)
            allOff = offTheirTrack(before, stream[k], stream[j], category, shownKt);
        if (!allOff)
            continue;
        // The newest continues it unless it leaps from it.
        if (j + 1 == stream.size() ? !leaps(before, stream[j], category)
                                   : !offTheirTrack(before, stream[j], stream[j + 1], category, shownKt))
            return realReport(stream[j]);
    }
    return false;
}

// [kt] the reported speed of the leg to the next report, no faster than its two positions show over their
// source times: the leg then takes the time its source took.
double noFasterThanShownKt(const LiveAc& ac, double reportedKt)
{
    const double shownKt = ac.stream.size() < 2 ? 0.0 : gf_shownLegKt(ac.stream[0], ac.stream[1]);
    return shownKt > 0.0 ? std::min(reportedKt, shownKt) : reportedKt;
}

// Whether a report after stream[index] lies ahead of a point moving on headingRad [rad].
bool laterReportAhead(LatLon from, double headingRad, const std::deque<Report>& stream, std::size_t index)
{
    return std::any_of(stream.begin() + static_cast<std::ptrdiff_t>(index) + 1, stream.end(),
                       [&](const Report& r)
                       {
                           return r.stationary == 0 &&
                                  gf_distanceNm(from, {r.lat, r.lon}) > metresToNm(5.0) &&
                                  !gf_liesBehind(from, headingRad, r, kAheadRad);
                       });
}

// A report behind the aircraft: while a later report lies ahead it was passed, scatter; else a turn, unless
// (where its neighbours draw no track: the newest, or one beside a report that is no real one) its
// source's own track could not have drawn it.
NextReport readBehind(LatLon from, double headingRad, const std::deque<Report>& stream, std::size_t index,
                      AcCategory category, bool onNeighboursTrack)
{
    if (laterReportAhead(from, headingRad, stream, index))
        return NextReport::scatter;
    if (onNeighboursTrack)
        return NextReport::turn;
    // Bending round from the report before faster than the aircraft turns, or leaping there faster than it
    // flies, is no turn.
    const Report& before = stream[index - 1];
    const Report& r = stream[index];
    const double spanS = r.sourceTime - before.sourceTime;
    if (!realReport(before) || !realReport(r) || !(spanS > 0.0))
        return NextReport::turn;
    const double offRad =
        std::abs(gf_wrapPi(gf_bearingRad({before.lat, before.lon}, {r.lat, r.lon}) - headingRad));
    // A chord that far off the nose follows a turn of twice the angle.
    return turnReachRad(category, spanS) < 2.0 * offRad || leaps(before, r, category) ? NextReport::scatter
                                                                                      : NextReport::turn;
}
} // namespace

NextReport gf_readReport(LatLon from, double headingRad, const std::deque<Report>& stream, std::size_t index,
                         AcCategory category)
{
    if (category == AcCategory::Rotorcraft || index == 0 || index >= stream.size())
        return NextReport::ahead;
    // A report is judged against the track its neighbours draw, whatever its angle to the nose: a small
    // sideways position ahead is as much scatter as one behind.
    const bool judged = index + 1 < stream.size() && realReport(stream[index - 1]) &&
                        realReport(stream[index]) && realReport(stream[index + 1]);
    if (judged && scatterBetweenNeighbours(stream, index, category))
        return NextReport::scatter;
    if (!gf_liesBehind(from, headingRad, stream[index], kTurnRoundRad))
        return NextReport::ahead;
    return readBehind(from, headingRad, stream, index, category, judged);
}

NextReport gf_readNextReport(const LiveAc& ac)
{
    return gf_readReport({ac.lat, ac.lon}, ac.heading, ac.stream, 1, ac.category);
}

bool gf_passedDrawnReport(const LiveAc& ac)
{
    const LatLon at{ac.lat, ac.lon};
    return gf_liesBehind(at, ac.heading, ac.stream[1], kTurnRoundRad) &&
           laterReportAhead(at, ac.heading, ac.stream, 1);
}

namespace
{
// [ft] the height of stream[index] read against `before`, a report of the air before it: its own, unless it
// and up to one report after it lie further from both `before` and a later report than the category climbs
// or descends in the time between them, while those two agree: then the height they draw at its time.
double heightBetween(const Report& before, const std::deque<Report>& stream, std::size_t index,
                     AcCategory category)
{
    const Report& r = stream[index];
    // As with positions: a report or two off what their neighbours agree on is scatter; more that agree with
    // each other are a real change, flown within the category's rate.
    for (std::size_t j = index + 1; j < stream.size() && j <= index + kGlitchRun; ++j)
    {
        const Report& after = stream[j];
        if (!realReport(after) || !(after.sourceTime > before.sourceTime))
            return r.alt;
        bool allOff = heightReaches(before, after, category);
        for (std::size_t k = index; k < j && allOff; ++k)
            allOff =
                !heightReaches(before, stream[k], category) && !heightReaches(stream[k], after, category);
        if (allOff)
            return before.alt +
                   (after.alt - before.alt) *
                       std::clamp((r.sourceTime - before.sourceTime) / (after.sourceTime - before.sourceTime),
                                  0.0, 1.0);
    }
    return r.alt;
}

// The real reports of the air from stream[from] over kFitS of source time, the glitches of their heights
// left out.
std::vector<const Report*> heightsFrom(const std::deque<Report>& stream, std::size_t from,
                                       AcCategory category)
{
    std::vector<const Report*> kept;
    for (std::size_t j = from; j < stream.size() && realReport(stream[j]) &&
                               stream[j].sourceTime <= stream[from].sourceTime + kFitS;
         ++j)
        if (j == from || heightBetween(stream[from], stream, j, category) == stream[j].alt)
            kept.push_back(&stream[j]);
    return kept;
}

// The straight line fitted in time to the heights of those reports.
struct HeightLine
{
    std::size_t reports = 0;
    double atS = 0.0;     ///< [s] the source time it is measured from
    double ft = 0.0;      ///< [ft] its height then
    double ftPerS = 0.0;  ///< [ft/s] climbing, or descending below 0
    double driftFt = 0.0; ///< [ft] from the mean of its first two reports to that of its last two
};

HeightLine fitHeights(const std::deque<Report>& stream, std::size_t from, AcCategory category)
{
    HeightLine line;
    line.atS = stream[from].sourceTime;
    const std::vector<const Report*> kept = heightsFrom(stream, from, category);
    double sumS = 0.0, sumFt = 0.0, sumSS = 0.0, sumSFt = 0.0;
    for (const Report* r : kept)
    {
        const double s = r->sourceTime - line.atS;
        sumS += s, sumFt += r->alt, sumSS += s * s, sumSFt += s * r->alt;
    }
    const auto n = static_cast<double>(kept.size());
    const double spread = n * sumSS - sumS * sumS;
    if (kept.size() < 2 || !(spread > 0.0))
        return line;
    line.reports = kept.size();
    line.ftPerS = (n * sumSFt - sumS * sumFt) / spread;
    line.ft = (sumFt - line.ftPerS * sumS) / n;
    // Pairs in a row: two sources by turns weigh the same in either.
    line.driftFt = (kept.end()[-1]->alt + kept.end()[-2]->alt - kept[0]->alt - kept[1]->alt) / 2.0;
    return line;
}
} // namespace

double gf_readHeightFt(const std::deque<Report>& stream, std::size_t index, AcCategory category)
{
    const Report& r = stream[index];
    if (index == 0 || !realReport(stream[index - 1]) || !realReport(r))
        return r.alt;
    const Report& before = stream[index - 1];
    const double readFt = heightBetween(before, stream, index, category);
    if (readFt != r.alt)
        return readFt;
    // Two sources' heights by turns, or heights in steps, stray about the height they draw together: while
    // that keeps within their noise of the height flown and they draw no climb or descent, it is held,
    // level; else the line they draw is flown.
    // A height the report before could not have reached it from (the engine's own, between the ground and
    // the air) draws no line.
    const HeightLine line =
        fitHeights(stream, heightReaches(before, r, category) ? index - 1 : index, category);
    if (line.reports < kFitReports)
        return r.alt;
    const double lineFt = line.ft + line.ftPerS * (r.sourceTime - line.atS);
    return std::abs(line.driftFt) <= kHeightNoiseFt / 2.0 &&
                   std::abs(lineFt - before.alt) <= kHeightNoiseFt / 2.0
               ? before.alt
               : lineFt;
}

double gf_readDescentFpm(const std::deque<Report>& stream, std::size_t index, AcCategory category)
{
    const double climbFpm = gf_categoryConstants(category).maxClimbStepFt * kTicksPerHour / 60.0;
    double steepestFpm = climbFpm;
    // Three reports in a row on one descent, their glitches left out, from it on over the time a line is
    // fitted: a height stuck and then resumed draws none.
    const std::vector<const Report*> kept = heightsFrom(stream, index, category);
    for (std::size_t k = kAgreedHeights - 1; k < kept.size(); ++k)
    {
        const Report &a = *kept[k - 2], &b = *kept[k - 1], &c = *kept[k];
        const double ftPerS = (c.alt - a.alt) / (c.sourceTime - a.sourceTime);
        if (std::abs(a.alt + ftPerS * (b.sourceTime - a.sourceTime) - b.alt) <= kHeightNoiseFt / 2.0)
            steepestFpm = std::max(steepestFpm, -ftPerS * 60.0);
    }
    return std::min(steepestFpm, std::max(gf_categoryEnvelope(category).maxDescentFpm, climbFpm));
}

bool gf_awaitsNextReport(const LiveAc& ac)
{
    return ac.category != AcCategory::Rotorcraft && ac.onGround == 0 && ac.stream.size() == 2 &&
           (leaps(ac.stream[0], ac.stream[1], ac.category) || ac.stream[1].offTrack != 0);
}

namespace
{
// The straight line of points in time: where it puts them at time 0, and how far on per second.
struct TimeLine
{
    Flat at;
    Flat perS;
};

// The line fitted in time to points at their times, each by its weight; nullopt where the times do not
// spread.
std::optional<TimeLine> fitTimeLine(const std::vector<Flat>& at, const std::vector<double>& secs,
                                    const std::vector<double>& weights)
{
    double sumW = 0.0, sumS = 0.0, sumE = 0.0, sumN = 0.0, sumSS = 0.0, sumSE = 0.0, sumSN = 0.0;
    for (std::size_t i = 0; i < at.size(); ++i)
    {
        const double w = weights[i], s = secs[i];
        sumW += w, sumS += w * s, sumE += w * at[i].east, sumN += w * at[i].north;
        sumSS += w * s * s, sumSE += w * s * at[i].east, sumSN += w * s * at[i].north;
    }
    const double spread = sumW * sumSS - sumS * sumS;
    if (!(spread > 0.0))
        return std::nullopt;
    return TimeLine{{(sumE * sumSS - sumS * sumSE) / spread, (sumN * sumSS - sumS * sumSN) / spread},
                    {(sumW * sumSE - sumS * sumE) / spread, (sumW * sumSN - sumS * sumN) / spread}};
}

// [rad/s] how fast an aircraft of the category turns at kt [kt]: banked as far as it banks, or rate one.
double turnRateRadPerS(AcCategory category, double kt)
{
    const double mps = ktToMps(std::max(kt, 1.0));
    return std::max(kRateOneDegPerS * kDegToRad,
                    kGravityMps2 * std::tan(gf_categoryConstants(category).maxBankDeg * kDegToRad) / mps);
}
} // namespace

bool gf_drawFeedsTogether(std::deque<Report>& stream, AcCategory category, std::size_t index,
                          double headingRad)
{
    if (category == AcCategory::Rotorcraft || stream.size() < kFitReports || index > 1)
        return false;
    std::size_t n = 0;
    while (n < stream.size() && realReport(stream[n]) && stream[n].sourceTime <= stream[0].sourceTime + kFitS)
        ++n;
    if (n < kFitReports)
        return false;
    // A track its reports draw smoothly, turning as the category can, is kept as they draw it.
    const double shownKt = gf_shownSpeedKt(stream, category);
    bool contradicted = false;
    for (std::size_t i = 1; i + 1 < n && !contradicted; ++i)
        contradicted = bendsBeyondTurn(stream[i - 1], stream[i], stream[i + 1], category, shownKt);
    if (!contradicted)
        return false;
    // The line fitted in time to the real reports from the one before: where it puts the aircraft at the
    // report's time. Each round weighs the reports by how far off the line of the round before they lie.
    const Report& r = stream[index];
    std::vector<Flat> at(n);
    std::vector<double> secs(n), weights(n, 1.0);
    const auto baseWeight = [&](std::size_t i) { return i == 0 && index == 1 ? kFromWeight : 1.0; };
    for (std::size_t i = 0; i < n; ++i)
        at[i] = flat(r, stream[i]), secs[i] = stream[i].sourceTime - r.sourceTime, weights[i] = baseWeight(i);
    // Where fewer than three reports' worth lie near a line, the reports scatter on either side of it in
    // runs: their middle, that line, is the track.
    std::optional<TimeLine> line;
    for (int round = 0; round < kFitRounds; ++round)
    {
        line = fitTimeLine(at, secs, weights);
        if (!line)
            return false;
        double nearShare = 0.0;
        for (std::size_t i = 0; i < n; ++i)
        {
            const double offNm = std::hypot(at[i].east - line->at.east - line->perS.east * secs[i],
                                            at[i].north - line->at.north - line->perS.north * secs[i]);
            const double share = offNm <= kFitWeightNm ? 1.0 : kFitWeightNm / offNm;
            weights[i] = baseWeight(i) * share;
            nearShare += share;
        }
        if (nearShare < kNearReports)
            break;
    }
    Flat to = line->at;
    // Farther off than two feeds lie apart is a glitch or a jump, for the rules that read those.
    if (std::hypot(to.east, to.north) > kFeedSpreadNm)
        return false;
    // From the report before, no more round from the nose than the category turns over the leg.
    if (index == 1 && headingRad >= 0.0)
    {
        const Flat from = flat(r, stream[0]);
        const double legNm = std::hypot(to.east - from.east, to.north - from.north);
        const double offRad = gf_wrapPi(std::atan2(to.east - from.east, to.north - from.north) - headingRad);
        const double mostRad = kBendFactor * turnRateRadPerS(category, shownKt) *
                                   std::max(r.sourceTime - stream[0].sourceTime, kLegSpanS) +
                               kBendNoiseRad;
        if (legNm > 0.0 && std::abs(offRad) > mostRad)
        {
            const double bearingRad = headingRad + std::copysign(mostRad, offRad);
            to = {from.east + legNm * std::sin(bearingRad), from.north + legNm * std::cos(bearingRad)};
        }
    }
    // Along the great circle, as flat() measures: near a pole a shift north may carry it over.
    Report& moved = stream[index];
    const LatLon drawnAt = gf_destinationPoint({moved.lat, moved.lon}, std::atan2(to.east, to.north),
                                               std::hypot(to.east, to.north) * kFeetPerNm);
    moved.lat = drawnAt.lat;
    moved.lon = drawnAt.lon;
    return true;
}

double gf_offDrawnTrackNm(const std::deque<Report>& stream, const Report& report)
{
    std::vector<Flat> at;
    std::vector<double> secs;
    for (const Report& q : stream)
        if (realReport(q) && q.sourceTime < report.sourceTime &&
            q.sourceTime >= report.sourceTime - 2.0 * kFitS)
            at.push_back(flat(report, q)), secs.push_back(q.sourceTime - report.sourceTime);
    const std::optional<TimeLine> line =
        at.size() < 3 ? std::nullopt : fitTimeLine(at, secs, std::vector<double>(at.size(), 1.0));
    return line ? std::hypot(line->at.east, line->at.north) : -1.0;
}

double gf_shownSpeedKt(const std::deque<Report>& stream, AcCategory category)
{
    return medianKt(legSpeedsKt(stream, category));
}

double gf_shownLegKt(const Report& from, const Report& to)
{
    // Reports the engine made up show no speed.
    return from.sourceTime > 0.0 ? overSourceTimeKt(gf_distanceNm({from.lat, from.lon}, {to.lat, to.lon}),
                                                    to.sourceTime - from.sourceTime)
                                 : 0.0;
}

bool gf_landedOnGround(const LiveAc& ac)
{
    // Touching down it is still in its flying phase for one report.
    return ac.onGround != 0 &&
           (ac.rollOut != 0 || ac.phase == GroundPhase::flying || ac.previousPhase == GroundPhase::flying);
}

double gf_groundLegSpeedKt(const LiveAc& ac, double reportedKt)
{
    if (!gf_landedOnGround(ac) || ac.stream.size() < 2)
        return reportedKt;
    // The legs ahead together, up to the first report the engine made up.
    const std::deque<Report>& stream = ac.stream;
    double nm = 0.0;
    std::size_t to = 0;
    for (std::size_t i = 1; i < stream.size() && i <= kRollOutLegs && stream[i].sourceTime > 0.0; to = i++)
        nm += gf_distanceNm({stream[i - 1].lat, stream[i - 1].lon}, {stream[i].lat, stream[i].lon});
    const double shownKt = to > 0 && stream[0].sourceTime > 0.0
                               ? overSourceTimeKt(nm, stream[to].sourceTime - stream[0].sourceTime)
                               : 0.0;
    return shownKt > 0.0 ? std::min(reportedKt, shownKt) : reportedKt;
}

bool gf_climbsAway(const LiveAc& ac, const Report& last, const Report& report)
{
    // Beyond the noise of one source's heights from one report to the next, or of two sources' anywhere.
    return report.airborne != 0 && report.alt > last.alt &&
           (report.alt > ac.alt + kHeightNoiseFt ||
            (last.airborne != 0 && report.alt >= last.alt + kClimbStepFt));
}

double gf_airLegSpeedKt(const LiveAc& ac, double reportedKt)
{
    // The field where the legs do not belie it: it lies among their speeds, or they differ too much among
    // themselves to tell (positions scattered along the track). Off legs that agree, it is stale, by
    // whatever factor. Where they are too few to tell because the touchdown lies ahead, the leg's own
    // positions cap it: a final is straight, its chord no shorter than its way. Elsewhere (the last leg,
    // reports far apart) the speed the legs flown before drew counts as one more leg.
    std::vector<double> legsKt = legSpeedsKt(ac.stream, ac.category);
    if (legsKt.size() < 2 && std::ranges::any_of(ac.stream, [](const Report& r) { return r.airborne == 0; }))
        return noFasterThanShownKt(ac, reportedKt);
    if (legsKt.size() == 1 && ac.drawnKt > 0.0)
        legsKt.insert(std::ranges::lower_bound(legsKt, ac.drawnKt), ac.drawnKt);
    if (legsKt.size() < 2)
        return reportedKt;
    if (legsKt.back() > legsKt.front() * kScatteredSpread ||
        (reportedKt >= legsKt.front() * (1.0 - kFieldMargin) &&
         reportedKt <= legsKt.back() * (1.0 + kFieldMargin)))
        return reportedKt;
    return medianKt(legsKt);
}

double gf_catchUpKt(const LiveAc& ac, double reportedKt, double altFt)
{
    return gf_catchUpCeilingKt(ac.category, gf_airLegSpeedKt(ac, reportedKt), altFt);
}

} // namespace oxl
