#include "traffic/engine/track_reading.h"

#include "foundation/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <tuple>

namespace oxl
{
namespace
{

constexpr double kNmPerLonDeg = 60.0 * 0.94322; // at 19.4 degrees north

// A flight east at 280 kt reported every `everyS` seconds, `nm` north of it the reports `at`.
std::deque<Report> east(double everyS, std::initializer_list<int> at = {}, double nm = 0, int n = 6)
{
    std::deque<Report> stream(n);
    for (int i = 0; i < n; ++i)
    {
        Report& r = stream[i];
        std::tie(r.lat, r.lon, r.gs, r.airborne) =
            std::tuple(19.4, -99.0 + 0.0778 * everyS * i / kNmPerLonDeg, 280, 1);
        r.sourceTime = 1.7e9 + everyS * i;
    }
    for (const int i : at)
        stream[i].lat += nm / 60.0;
    return stream;
}

LiveAc flying(std::deque<Report> stream)
{
    LiveAc ac;
    ac.category = AcCategory::Large;
    ac.stream = std::move(stream);
    return ac;
}

// The reading of stream[1] from `eastNm` east of the first report, the nose east.
double read(const std::deque<Report>& s, double eastNm = 0)
{
    return double(
        gf_readReport({s[0].lat, s[0].lon + eastNm / kNmPerLonDeg}, kPi / 2, s, 1, AcCategory::Large));
}

TEST(TrackReading, EachRuleReadsTheTrackTheReportsDraw)
{
    std::deque<Report> repeated = east(10, {2}, 20, 10), turn = east(30, {1, 2}, -1.17, 3),
                       sharp = east(5, {1}, -0.5, 2);
    for (const int i : {1, 2, 4, 5, 7, 8}) // two reports in three repeat the one before; one jumps 20 nm
        repeated[i].lon = repeated[i - 1].lon;
    turn[1].lon = turn[0].lon + 1.17 / kNmPerLonDeg;
    turn[2].lat -= 1.17 / 60.0, turn[2].lon = turn[0].lon;
    sharp[1].lon = sharp[0].lon;
    const double scatter = double(NextReport::scatter), ahead = double(NextReport::ahead);
    const struct
    {
        const char* name;
        double got, want;
    } rows[] = {
        {"a field stale by 1.2x is a hint", gf_airLegSpeedKt(flying(east(10)), 233), 280},
        {"so is one 1.75x too fast", gf_airLegSpeedKt(flying(east(10)), 490), 280},
        {"a field that agrees is the aircraft's own", gf_airLegSpeedKt(flying(east(10)), 270), 270},
        {"repeats and a jump are no legs", gf_shownSpeedKt(repeated, AcCategory::Large), 280},
        {"catch-up at the positions' speed, within the top below 10,000 ft",
         gf_catchUpKt(flying(east(10)), 95, 5000), 350},
        {"0.5 nm aside of its neighbours' track, ahead of the nose: scatter", read(east(5, {1}, 0.5)),
         scatter},
        {"so are two reports 3 nm aside", read(east(5, {1, 2}, -3)), scatter},
        {"reports that agree 3 nm aside are a jump", read(east(5, {1, 2, 3, 4, 5}, -3)), ahead},
        {"a turn round reported every 30 s is flown", read(turn, 1), ahead},
        {"a report passed while the next lies ahead: scatter", read(east(5), 0.8), scatter},
        {"the newest bending off the nose faster than a turn: scatter", read(sharp, 0.5), scatter},
    };
    for (const auto& row : rows)
        EXPECT_NEAR(row.got, row.want, row.want * 0.01) << row.name;
}

} // namespace
} // namespace oxl
