#include "traffic/engine/track_reading.h"

#include "foundation/units.h"
#include "records/aircraft_words.h"
#include "traffic/engine/live_lifecycle.h"
#include "traffic/engine/stream_ops.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace oxl
{

namespace
{
// [rad] a report less than this off the way the aircraft moves lies ahead of it.
constexpr double kAheadRad = 90.0 * kDegToRad;
// [s] the shortest span of source time over which two positions show a speed.
constexpr double kLegSpanS = 1.0;
// A speed field off the shown speed by more than this factor is stale (positions scattered along the track
// show speeds half again above and below).
constexpr double kStaleSpeedFactor = 3.0;

bool realReport(const Report& r)
{
    return r.sourceTime > 0.0 && r.airborne != 0;
}
} // namespace

NextReport gf_readReport(LatLon from, double headingRad, const std::deque<Report>& stream, std::size_t index,
                         AcCategory category)
{
    if (category == AcCategory::Rotorcraft || index >= stream.size() ||
        !gf_liesBehind(from, headingRad, stream[index], kTurnRoundRad))
        return NextReport::ahead;
    const bool laterAhead = std::any_of(stream.begin() + static_cast<std::ptrdiff_t>(index) + 1, stream.end(),
                                        [&](const Report& r)
                                        {
                                            return r.stationary == 0 &&
                                                   gf_distanceNm(from, {r.lat, r.lon}) > metresToNm(5.0) &&
                                                   !gf_liesBehind(from, headingRad, r, kAheadRad);
                                        });
    if (laterAhead)
        return NextReport::scatter;
    // Newer reports all lie behind: a turn, unless the source's own track could not have drawn it, bending
    // round from the report before faster than the aircraft turns, or leaping there faster than it flies.
    const Report& before = stream[index - 1];
    const Report& r = stream[index];
    const double spanS = r.sourceTime - before.sourceTime;
    if (!realReport(before) || !realReport(r) || !(spanS > 0.0))
        return NextReport::turn;
    const double offRad =
        std::abs(gf_wrapPi(gf_bearingRad({before.lat, before.lon}, {r.lat, r.lon}) - headingRad));
    // A chord that far off the nose follows a turn of twice the angle.
    const double turnS =
        2.0 * offRad /
        (gf_categoryConstants(category).maxTurnStepDeg * kDegToRad * kTicksPerHour / kSecondsPerHour);
    const double legKt = gf_distanceNm({before.lat, before.lon}, {r.lat, r.lon}) / (spanS / kSecondsPerHour);
    return spanS < turnS || legKt > gf_topSpeedKt(category) ? NextReport::scatter : NextReport::turn;
}

NextReport gf_readNextReport(const LiveAc& ac)
{
    return gf_readReport({ac.lat, ac.lon}, ac.heading, ac.stream, 1, ac.category);
}

double gf_shownSpeedKt(const std::deque<Report>& stream, AcCategory category)
{
    // The median of the legs between real reports: one scattered position moves it little, and a leg faster
    // than the category flies is a jump (one feed's to another's position), no speed.
    std::vector<double> legsKt;
    const Report* from = nullptr;
    for (const Report& r : stream)
    {
        if (!realReport(r))
            continue;
        if (from != nullptr && r.sourceTime - from->sourceTime >= kLegSpanS)
        {
            const double kt = gf_distanceNm({from->lat, from->lon}, {r.lat, r.lon}) /
                              ((r.sourceTime - from->sourceTime) / kSecondsPerHour);
            if (kt <= gf_topSpeedKt(category))
                legsKt.push_back(kt);
            from = &r;
        }
        else if (from == nullptr)
            from = &r;
    }
    // One leg alone may be a jump the source confirmed: no speed of the aircraft.
    if (legsKt.size() < 2)
        return 0.0;
    std::ranges::sort(legsKt);
    const std::size_t n = legsKt.size();
    return (legsKt[(n - 1) / 2] + legsKt[n / 2]) / 2.0;
}

double gf_airLegSpeedKt(const LiveAc& ac, double reportedKt)
{
    const double shownKt = gf_shownSpeedKt(ac.stream, ac.category);
    if (shownKt > 0.0 &&
        (reportedKt * kStaleSpeedFactor < shownKt || reportedKt > shownKt * kStaleSpeedFactor))
        return shownKt;
    return reportedKt;
}

double gf_catchUpKt(const LiveAc& ac, double reportedKt, double altFt)
{
    return gf_catchUpCeilingKt(ac.category, gf_airLegSpeedKt(ac, reportedKt), altFt);
}

} // namespace oxl
