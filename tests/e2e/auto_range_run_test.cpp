// "Auto range" in the running program: with the user aircraft on the ground the radius steps down from the
// stored 40 nm to 10 nm, and the aircraft circling on its edge are all found when created: every object
// created moves with its reports or is removed.
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "tests/e2e/road_run.h"
#include "tests/e2e/zurich.h"
#include "traffic/cycle/main_loop.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include <nlohmann/json.hpp>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

const std::uint32_t kGroundRadiusM = gf_inRangeRequestM(wholeNmToMetres(10));
// The simulator stand-in's Frame events a second; the program writes a moving object's position once a frame.
constexpr std::int64_t kFramesPerSecond = 30;

// The radii [m] of the program's requests for the aircraft within range, oldest first.
std::vector<std::uint32_t> requestedRadii(RoadRun& run)
{
    std::vector<std::uint32_t> radii;
    for (const nlohmann::json& entry : run.sim().journal())
        if (entry.value("call", "") == "SimConnect_RequestDataOnSimObjectType" && entry.contains("fields") &&
            entry["fields"].contains("radiusM"))
            radii.push_back(entry["fields"]["radiusM"].get<std::uint32_t>());
    return radii;
}

TEST(AutoRangeRun, OnTheGroundTheRadiusStepsDownToTenMiles)
{
    RoadRun run{{{"AUTO_RANGE", "true"}, {"RANGE", "40"}}};
    ASSERT_TRUE(run.startSim(kZurichUserLatDeg, kZurichUserLonDeg, kZurichGroundFt));
    ASSERT_TRUE(run.startTraffic({"--qnh", "1013", "--aircraft", "300"}));
    ASSERT_TRUE(run.startProgram());
    // The step runs when the simulator connects and then every 30 simulated seconds.
    const bool stepped = waitUntil(
        [&]
        {
            const std::vector<std::uint32_t> radii = requestedRadii(run);
            return !radii.empty() && radii.back() == kGroundRadiusM;
        },
        120s);
    if (!stepped)
        run.dumpOnFailure();
    ASSERT_TRUE(stepped);
    for (const std::uint32_t radius : requestedRadii(run))
        EXPECT_TRUE(radius == kGroundRadiusM || radius == gf_inRangeRequestM(wholeNmToMetres(40))) << radius;
    // The first twenty objects created each move with their reports or are removed.
    const auto settled = [](const std::map<std::uint32_t, TrackedObject>& objects)
    {
        return objects.size() >= 20 &&
               std::all_of(objects.begin(), std::next(objects.begin(), 20),
                           [](const auto& o) { return o.second.positions.size() > 1 || o.second.removed; });
    };
    EXPECT_TRUE(run.waitObjects(settled, 120s)) << run.objects().size() << " objects";
    EXPECT_EQ(run.sim().state()["brokenFlapsTrios"], 0);
}

// The user flies to the south-west over aircraft circling Zurich, the simulator stand-in's user moved every
// 0.5 s: level and straight on over 150 of them 9 nm out, or climbing out of Zurich (the park airport: the
// automatic range follows the distance to it) and back over 250 from 1 to 40 nm out, every 25th also
// reported 9 nm north by a second feed in turns of a minute. An aircraft let in by the range is shown 30 s
// later, maybe beyond any range request's radius; one shown stays as the automatic range changes.
struct UserFlight
{
    const char* name;
    RunSettings settings;
    bool out; // climbing out of Zurich and back
    double speedKt, altFt;
};
class FlyingUserRun : public testing::TestWithParam<UserFlight>
{
};

TEST_P(FlyingUserRun, NoObjectIsLeftFrozenBehindTheUser)
{
    const UserFlight& f = GetParam();
    RoadRun run{f.settings};
    if (f.out)
        run.parkAt("LSZH", std::filesystem::path(OXL_SOURCE_DIR) / "data" / "demo_airport_LSZH.xml");
    // [deg] per nm flown to the south-west
    const double dLat = -1.0 / 60.0 / std::sqrt(2.0), dLon = dLat / std::cos(degToRad(kZurichUserLatDeg));
    const double startNm = f.out ? 12.0 : 0.0;
    const double lat0 = kZurichUserLatDeg - startNm * dLat, lon0 = kZurichUserLonDeg - startNm * dLon;
    ASSERT_TRUE(run.startSim(lat0, lon0, kZurichGroundFt));
    ASSERT_TRUE(
        run.startTraffic({"--qnh", "1013", "--aircraft", f.out ? "250" : "150", "--radius", f.out ? "1" : "9",
                          "--outer-radius", f.out ? "40" : "9", "--second-feed", f.out ? "25,9,60" : "0,0,1",
                          "--centre", fmt::format("{},{}", kZurichUserLatDeg, kZurichUserLonDeg)}));
    ASSERT_TRUE(run.startProgram());
    ASSERT_TRUE(run.waitLog("Traffic Reader connected", 60s));
    const auto start = std::chrono::steady_clock::now();
    for (std::chrono::duration<double> s{}; s < 210s; s = std::chrono::steady_clock::now() - start)
    {
        // 105 s out, climbing at 2000 ft/min since its take-off from Zurich 12 nm back, then back descending.
        const double backS = f.out ? std::max(s.count() - 105.0, 0.0) : 0.0;
        const double nm = f.speedKt * (s.count() - 2.0 * backS) / kSecondsPerHour;
        const double upFt = (s.count() - backS + startNm / f.speedKt * kSecondsPerHour) * 2000.0 / 60.0;
        const double altFt =
            f.out ? std::min(f.altFt, kZurichGroundFt + upFt) - backS * 2000.0 / 60.0 : f.altFt;
        ASSERT_EQ(
            run.sim().command(fmt::format("teleport {} {} {}", lat0 + nm * dLat, lon0 + nm * dLon, altFt)),
            "ok");
        std::this_thread::sleep_for(500ms);
    }
    // Every live object moves or goes once the program has had ten seconds of frames after its creation
    // (static ones, "*", stand still). Those frames are counted by the writes another object got since
    // (one a frame), so that the verdict is the program's, however fast the machine runs it.
    const auto objects = run.objects();
    const auto moved = [&](const TrackedObject& o)
    {
        if (o.tail.ends_with('*') || o.positions.size() > 1 || o.removed)
            return true;
        const std::int64_t createdMs = o.positions.front().ms;
        for (const auto& [id, other] : objects)
        {
            const auto later = std::ranges::count_if(other.positions, [&](const TrackEvent& p)
                                                     { return p.event == "moved" && p.ms > createdMs; });
            if (later >= kFramesPerSecond * 10)
                return false;
        }
        return true;
    };
    EXPECT_GT(objects.size(), 50u);
    std::map<std::string, int> created;
    for (const auto& [id, o] : objects)
    {
        EXPECT_TRUE(moved(o)) << o.tail << " created at " << o.positions.front().ms << " ms and left frozen";
        // Over 5 s spans none flies faster than 350 kt (it catches up at 250 kt) or sideways for over 10 s.
        int fastS = 0, sidewaysS = 0;
        for (std::size_t from = 0, i = 1; i < o.positions.size(); ++i)
        {
            const TrackEvent &a = o.positions[from], &b = o.positions[i], &mid = o.positions[(from + i) / 2];
            const double nm = gf_distanceNm({a.latDeg, a.lonDeg}, {b.latDeg, b.lonDeg}), ms = b.ms - a.ms;
            const double off =
                gf_bearingRad({a.latDeg, a.lonDeg}, {b.latDeg, b.lonDeg}) - degToRad(mid.headingDeg);
            fastS += ms >= 5000 && nm * kSecondsPerHour * 1000.0 / ms > 350.0 ? 5 : 0;
            sidewaysS += ms >= 5000 && nm > 0.05 && std::abs(gf_wrapPi(off)) > degToRad(30.0) ? 5 : 0;
            from = ms >= 5000 ? i : from;
        }
#if defined(__SANITIZE_THREAD__)
        // Under ThreadSanitizer a loaded machine's program writes the positions of a hold-up in bursts:
        // their times say nothing of the speed.
        fastS = 0;
#endif
        EXPECT_TRUE(fastS <= 10 && sidewaysS <= 10)
            << o.tail << ": " << fastS << " s above 350 kt, " << sidewaysS << " s sideways";
        // Only an aircraft of two feeds (EDW125, EDW150, ...) is created again, once where each reports it.
        int n = 0;
        EXPECT_LE(++created[o.tail], std::sscanf(o.tail.c_str(), "EDW%d", &n) == 1 && n % 25 == 0 ? 2 : 1)
            << o.tail;
    }
    // Every flaps event (the parked aircraft's at Zurich among them) reached the simulator between the two
    // releases of its object, whatever else was sent.
    const nlohmann::json state = run.sim().state();
    EXPECT_EQ(state["brokenFlapsTrios"], 0);
    EXPECT_TRUE(!f.out || state["flapsTrios"] > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Flights, FlyingUserRun,
    testing::Values(UserFlight{"ClimbOutAndBackAutoRange", {}, true, 250.0, 10000.0},
                    UserFlight{
                        "FastTenMiles", {{"AUTO_RANGE", "false"}, {"RANGE", "10"}}, false, 400.0, 5000.0}),
    [](const testing::TestParamInfo<UserFlight>& info) { return info.param.name; });

} // namespace
} // namespace oxl::test
