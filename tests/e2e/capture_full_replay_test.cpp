// The whole Mexico City capture replayed at its own pace, with the user on the apron of MMMX and an
// airport file for it, measured against the capture itself: nothing moves faster than its category can,
// nothing is below the ground, every departure in range is shown taking off, no aircraft is created twice
// unless its identity changed or its stream ended, and every short-lived object has a reason.
#include "foundation/geodesy.h"
#include "liveries/dbase.h"
#include "tests/e2e/road_run.h"
#include "tests/support/airport_file_builder.h"
#include "tests/support/capture_data.h"
#include "tests/support/live_harness.h"
#include "tests/support/log_capture.h"
#include "tests/support/runway_judge.h"
#include "traffic/engine/live_lifecycle.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

namespace oxl::test
{
namespace
{

using namespace std::chrono_literals;

constexpr double kFieldLatDeg = 19.436362; // the airport list's MMMX
constexpr double kFieldLonDeg = -99.072198;
constexpr double kFieldFt = 7316;
// The user stands on the apron of terminal 1.
constexpr double kUserLatDeg = 19.4330;
constexpr double kUserLonDeg = -99.0840;
constexpr double kRangeNm = 40;     // RANGE of every road run
constexpr double kShowDelayS = 30;  // reports are shown this late
constexpr double kGivenUpS = 60;    // a source gap this long ends an aircraft's stream
constexpr double kStandApartM = 60; // stands taken from the capture lie this far apart
constexpr double kStandSpotM = 30;  // reports this near the first of a stay are the same spot
constexpr double kStandStayS = 60;  // a stay this long at one spot makes it a stand
constexpr double kStandClearM = 50; // no other aircraft taxied this near a stand
constexpr double kAloftFt = 500;    // shown in the air: this far above the field
constexpr double kOnFieldFt = 30;   // shown on the ground: this near the field
constexpr double kFrameS = 0.1;     // a position write covers at least this much time
constexpr double kSlackM = 5;       // rounding of the recorded positions
constexpr double kKtToMps = ktToMps(1.0);

// One report of the capture, after the program's ground rule at MMMX.
struct CapturedReport
{
    double atS = 0;
    double lat = 0;
    double lon = 0;
    double altFt = 0;
    double gsKt = 0;
    double trackDeg = 0;
    bool airborne = false;
};

struct CapturedAircraft
{
    std::string callsign;
    std::string type;
    std::vector<CapturedReport> reports;
};

double distanceNm(double latA, double lonA, double latB, double lonB)
{
    return gf_distanceNm({latA, lonA}, {latB, lonB});
}

std::vector<std::string> fields(const std::string& datagram)
{
    std::vector<std::string> out(1);
    for (char c : datagram)
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    return out;
}

// The capture by callsign, each report's altitude after the ground rule with the field as reference.
std::map<std::string, CapturedAircraft> readCapture(const std::string& text, double& spanS)
{
    std::map<std::string, CapturedAircraft> aircraft;
    double first = -1;
    for (const std::string& line : splitLines(text))
    {
        const double arrival = std::strtod(line.c_str() + 1, nullptr);
        if (first < 0)
            first = arrival;
        spanS = arrival - first;
        // "(1553203752.422648, ':', 'AITFC,...')"
        const auto open = line.find("AITFC,");
        const auto close = line.rfind('\'');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        const auto f = fields(line.substr(open, close - open));
        if (f.size() < 14 || std::strtoul(f[1].c_str(), nullptr, 10) <= 10000)
            continue;
        // The program shows an aircraft under its callsign, else under its registration.
        const bool validCallsign = !f[9].empty() && f[9] != "null" && f[9].size() <= 8;
        const std::string tail = validCallsign ? f[9] : f[11];
        if (tail.empty() || tail == "null")
            continue;
        CapturedReport r;
        r.atS = arrival - first;
        r.lat = std::strtod(f[2].c_str(), nullptr);
        r.lon = std::strtod(f[3].c_str(), nullptr);
        r.altFt = std::strtod(f[4].c_str(), nullptr);
        r.trackDeg = std::strtod(f[7].c_str(), nullptr);
        r.gsKt = std::strtod(f[8].c_str(), nullptr);
        const bool rotorcraft = gf_aircraftCategory(f[10]) == AcCategory::Rotorcraft;
        const double d = r.altFt - kFieldFt;
        const bool ground = r.altFt <= 0 ||
                            (r.altFt < 14000 && (d <= 0 || (std::fabs(d) <= 45 && r.gsKt <= 120) ||
                                                 (std::fabs(d) <= 90 && r.gsKt <= 80) ||
                                                 (std::fabs(d) <= 120 && r.gsKt <= 43))) ||
                            (r.gsKt <= 35 && !rotorcraft);
        r.airborne = !ground;
        CapturedAircraft& a = aircraft[tail];
        a.callsign = tail;
        a.type = f[10];
        a.reports.push_back(r);
    }
    return aircraft;
}

bool inRange(const CapturedReport& r)
{
    return distanceNm(kUserLatDeg, kUserLonDeg, r.lat, r.lon) <= kRangeNm;
}

// The stands of the airport file: where an aircraft of the capture stood still on the field for a minute
// or more, away from where any other aircraft taxied. A spot where an aircraft merely waited on a taxiway
// is no stand: an aircraft of a real airport file never finds a stand there to park at while it taxis.
std::size_t writeAirportFile(const std::map<std::string, CapturedAircraft>& capture,
                             const std::filesystem::path& file)
{
    struct Spot
    {
        double lat, lon, heading;
    };
    const auto apartM = [](const CapturedReport& a, double lat, double lon)
    { return nmToMetres(distanceNm(a.lat, a.lon, lat, lon)); };
    const auto standing = [](const CapturedReport& r) { return !r.airborne && r.gsKt <= 0; };
    std::vector<Spot> spots;
    for (const auto& [callsign, a] : capture)
        for (std::size_t i = 0; i < a.reports.size();)
        {
            const CapturedReport& r = a.reports[i];
            std::size_t last = i;
            while (last + 1 < a.reports.size() && standing(r) && standing(a.reports[last + 1]) &&
                   apartM(a.reports[last + 1], r.lat, r.lon) < kStandSpotM)
                ++last;
            i = last + 1;
            if (!standing(r) || a.reports[last].atS - r.atS < kStandStayS ||
                distanceNm(kFieldLatDeg, kFieldLonDeg, r.lat, r.lon) > 2.0)
                continue;
            bool onTaxiPath = false;
            for (const auto& [other, b] : capture)
                for (const CapturedReport& o : b.reports)
                    onTaxiPath = onTaxiPath || (other != callsign && !o.airborne && o.gsKt > 0 &&
                                                apartM(o, r.lat, r.lon) < kStandClearM);
            const bool taken =
                std::any_of(spots.begin(), spots.end(),
                            [&](const Spot& s) { return apartM(r, s.lat, s.lon) < kStandApartM; });
            if (!onTaxiPath && !taken)
                spots.push_back({r.lat, r.lon, r.trackDeg});
        }
    AirportFileBuilder builder =
        AirportFileBuilder::airportFile("Mexico City", "stock", static_cast<int>(kFieldFt));
    builder.param("num_parkpos", static_cast<int>(spots.size()));
    int n = 0;
    for (const Spot& s : spots)
        builder.stand(fmt::format("T {}", ++n), s.lat, s.lon, 30.0, s.heading);
    builder.write(file);
    return spots.size();
}

// The demo installs few liveries, and an airliner is shown only in a livery of its airline: every airline
// of the capture gets the demo's house colours of the types the demo has models of.
void addCaptureLiveries(const std::map<std::string, CapturedAircraft>& capture,
                        const std::filesystem::path& file)
{
    const std::map<std::string, std::string> models = {{"A319", "Ordalis Demo A319 Lufthansa D-AIBC"},
                                                       {"A320", "Ordalis Demo A320 house colours"},
                                                       {"A321", "Ordalis Demo A321 Lufthansa D-AIDB"},
                                                       {"B738", "Ordalis Demo 737-800 house colours"}};
    std::set<std::pair<std::string, std::string>> pairs;
    for (const auto& [tail, a] : capture)
    {
        const bool airline = tail.size() >= 4 && std::isalpha(static_cast<unsigned char>(tail[0])) &&
                             std::isalpha(static_cast<unsigned char>(tail[1])) &&
                             std::isalpha(static_cast<unsigned char>(tail[2])) &&
                             std::isdigit(static_cast<unsigned char>(tail[3]));
        if (airline && models.contains(a.type))
            pairs.insert({tail.substr(0, 3), a.type});
    }
    std::string lines;
    for (const auto& [airline, type] : pairs)
        lines +=
            fmt::format("\t<liv airl=\"{}\" type=\"{}\" title=\"{}\" />\n", airline, type, models.at(type));
    std::string xml = readBytes(file);
    const auto end = xml.rfind("</liveries>");
    ASSERT_NE(end, std::string::npos);
    xml.insert(end, lines);
    writeBytes(file, xml);
}

std::string categoryOf(const std::map<std::string, CapturedAircraft>& capture, const std::string& tail,
                       AcCategory& category)
{
    const auto it = capture.find(tail);
    category = it == capture.end() ? AcCategory::Heavy : gf_aircraftCategory(it->second.type);
    return it == capture.end() ? std::string("?") : it->second.type;
}

// The fastest move between two position writes, in m/s, less what the category allows.
double worstOverspeedMps(const TrackedObject& object, double topMps)
{
    double worst = 0;
    for (std::size_t i = 1; i < object.positions.size(); ++i)
    {
        const TrackEvent& a = object.positions[i - 1];
        const TrackEvent& b = object.positions[i];
        const double gapS = std::max(static_cast<double>(b.ms - a.ms) / 1000.0, kFrameS);
        const double m = nmToMetres(distanceNm(a.latDeg, a.lonDeg, b.latDeg, b.lonDeg));
        worst = std::max(worst, (m - kSlackM) / gapS - topMps);
    }
    return worst;
}

// The longest stretch [s] in which the source reported the aircraft nowhere in range, between two times.
double longestGapS(const CapturedAircraft& a, double fromS, double toS)
{
    double last = fromS;
    double longest = 0;
    for (const CapturedReport& r : a.reports)
    {
        if (r.atS < fromS || r.atS > toS || !inRange(r))
            continue;
        longest = std::max(longest, r.atS - last);
        last = r.atS;
    }
    return std::max(longest, toS - last);
}

std::vector<ShownFrame> framesOf(const TrackedObject& object)
{
    std::vector<ShownFrame> frames;
    for (const TrackEvent& p : object.positions)
        frames.push_back({p.ms / 1000.0, p.latDeg, p.lonDeg, p.altFt, degToRad(p.headingDeg)});
    return frames;
}

// [s] how much later than in the capture the track shows its reports: the median, over every object, of the
// times it came within 300 m of a report of its aircraft less the report's.
double shownLaterS(const std::map<std::uint32_t, TrackedObject>& objects,
                   const std::map<std::string, CapturedAircraft>& capture)
{
    std::vector<double> laterS;
    for (const auto& [id, object] : objects)
    {
        const auto it = capture.find(object.tail);
        const std::vector<ShownFrame> frames = framesOf(object);
        for (const CapturedReport& r :
             it == capture.end() ? std::vector<CapturedReport>{} : it->second.reports)
        {
            const auto nearest = std::ranges::min_element(
                frames, {}, [&](const ShownFrame& f) { return distanceNm(f.lat, f.lon, r.lat, r.lon); });
            if (nearest != frames.end() &&
                nmToMetres(distanceNm(nearest->lat, nearest->lon, r.lat, r.lon)) < 300)
                laterS.push_back(nearest->atS - r.atS);
        }
    }
    if (laterS.empty())
        return kShowDelayS;
    std::ranges::nth_element(laterS, laterS.begin() + laterS.size() / 2);
    return laterS[laterS.size() / 2];
}

TEST(CaptureFullReplay, MexicoCityAsTheSourceShowsIt)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer builds replay an 80 s stretch only";
#endif
    // The whole capture takes 25 minutes at its own pace: asked for, not run by default.
    const char* full = std::getenv("OXL_FULL_REPLAY");
    if (full == nullptr || std::string_view(full) != "1")
        GTEST_SKIP() << "set OXL_FULL_REPLAY=1 to replay the whole capture";
    const auto capturePath = std::filesystem::path(OXL_SHARED_DIR) / "data" / "traffic" / "MMMX-capture.txt";
    if (test::captureMissing(capturePath))
        GTEST_SKIP() << "no captured traffic at " << capturePath;
    ASSERT_TRUE(loadProgramDatabase(OXL_BIN_DIR));
    double spanS = 0;
    const auto capture = readCapture(readBytes(capturePath), spanS);

    RoadRun run;
    const auto airportFile = run.folder() / "MMMX.xml";
    ASSERT_GE(writeAirportFile(capture, airportFile), 8u);
    run.parkAt("MMMX", airportFile);
    addCaptureLiveries(capture, run.programFolder() / "output" / "LiveriesScanned.xml");
    ASSERT_TRUE(run.startSim(kUserLatDeg, kUserLonDeg, kFieldFt));
    ASSERT_TRUE(run.startTraffic({"--replay", capturePath.string(), "--qnh", "1016"}));
    ASSERT_TRUE(run.startProgram());
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::seconds(static_cast<int>(spanS + kShowDelayS + 45));
    while (std::chrono::steady_clock::now() < end && run.program().wait(0) == std::nullopt)
        std::this_thread::sleep_for(5s);
    ASSERT_TRUE(run.program().wait(0) == std::nullopt) << "the program ended";
    EXPECT_FALSE(run.logHas("Exiting:"));
    const auto objects = run.objects();

    // Every departure in range whose aircraft the program shows is shown on the ground, then in the air.
    std::size_t departures = 0;
    std::size_t shownDepartures = 0;
    for (const auto& [callsign, a] : capture)
    {
        bool tookOff = false;
        for (std::size_t i = 1; i < a.reports.size(); ++i)
            tookOff =
                tookOff || (!a.reports[i - 1].airborne && a.reports[i].airborne && inRange(a.reports[i - 1]));
        // clang 14 captures no structured binding.
        const auto& tail = callsign;
        const bool shown =
            std::any_of(objects.begin(), objects.end(), [&](const auto& o) { return o.second.tail == tail; });
        if (!tookOff || !shown)
            continue;
        ++departures;
        bool seen = false;
        for (const auto& [id, object] : objects)
        {
            if (object.tail != callsign)
                continue;
            bool ground = false;
            for (const TrackEvent& p : object.positions)
            {
                ground = ground || p.altFt <= kFieldFt + kOnFieldFt;
                seen = seen || (ground && p.altFt >= kFieldFt + kAloftFt);
            }
        }
        shownDepartures += seen ? 1 : 0;
        EXPECT_TRUE(seen) << callsign << " takes off in the capture but is not shown taking off";
    }
    EXPECT_GE(departures, 3u);

    // Speeds, the ground, the runway, creations and short lives.
    const double laterS = shownLaterS(objects, capture);
    std::map<std::string, std::vector<const TrackedObject*>> byTail;
    std::size_t positions = 0;
    double worstMps = 0;
    for (const auto& [id, object] : objects)
    {
        if (object.tail.empty() || object.tail.back() == '*')
            continue; // static aircraft stand still
        byTail[object.tail].push_back(&object);
        positions += object.positions.size();
        AcCategory category = AcCategory::Heavy;
        const std::string type = categoryOf(capture, object.tail, category);
        const double over = worstOverspeedMps(object, gf_topSpeedKt(category) * kKtToMps);
        worstMps = std::max(worstMps, over + gf_topSpeedKt(category) * kKtToMps);
        EXPECT_LE(over, 0.0) << object.tail << " (" << type << ") moves faster than its category allows";
        // Within 10 nm the field's elevation is the real ground, as the stand-in's flat ground is.
        double lowestFt = kFieldFt;
        for (const TrackEvent& p : object.positions)
        {
            if (distanceNm(kFieldLatDeg, kFieldLonDeg, p.latDeg, p.lonDeg) <= 10.0)
                lowestFt = std::min(lowestFt, p.altFt);
        }
        EXPECT_GE(lowestFt, kFieldFt - 1.0) << object.tail << " below the ground";
        // The runway as the user at the airport sees it.
        const auto it = capture.find(object.tail);
        if (it == capture.end() || category == AcCategory::Rotorcraft)
            continue;
        std::vector<ShownReport> reports;
        for (const CapturedReport& r : it->second.reports)
            reports.push_back({r.atS + laterS, r.lat, r.lon, r.altFt, r.airborne});
        const RunwayVerdict runway = judgeRunway(framesOf(object), reports, kFieldFt);
        EXPECT_TRUE(runway.asAnAircraftCan(false)) << object.tail << " (" << type << "): " << runway.worst;
        std::cout << object.tail << " runway: " << runway.worst << "\n";
    }
    // The program takes a new callsign, route or registration of an aircraft it shows as a new identity
    // and creates it again ("… respawns").
    std::set<std::string> respawned;
    for (const std::string& line : run.log())
        if (line.find(" respawns") != std::string::npos)
            for (const auto& [tail, lives] : byTail)
                if (line.find(" " + tail + " ") != std::string::npos)
                    respawned.insert(tail);
    std::size_t recreated = 0;
    for (const auto& [tail, lives] : byTail)
    {
        if (respawned.contains(tail))
            continue; // its identity changed
        // Removed for the max-park limit while the source reported it standing, and shown again once it
        // left its stand.
        if (run.logCount(tail + " live max park exceeded") > 0)
        {
            if (lives.size() > 1)
                std::cout << tail << " created again after its removal for the max-park limit\n";
            continue;
        }
        for (std::size_t i = 1; i < lives.size(); ++i)
        {
            const TrackedObject& before = *lives[i - 1];
            const TrackedObject& after = *lives[i];
            if (before.title != after.title)
                continue; // its identity changed: another livery
            const auto it = capture.find(tail);
            const double fromS = before.positions.back().ms / 1000.0 - kShowDelayS;
            const double toS = after.positions.front().ms / 1000.0 - kShowDelayS;
            // The source lost it for a while, or it left the range: its stream ended.
            if (it != capture.end() && longestGapS(it->second, fromS - kGivenUpS, toS) >= kGivenUpS)
                continue;
            ++recreated;
            std::cout << tail << " created again without a reason\n";
        }
    }
    std::map<std::string, std::size_t> shortLives;
    for (const auto& [id, object] : objects)
    {
        if (!object.removed || object.positions.empty() || object.tail.empty() || object.tail.back() == '*')
            continue;
        const double livedS = (object.positions.back().ms - object.positions.front().ms) / 1000.0;
        if (livedS >= 60)
            continue;
        const auto it = capture.find(object.tail);
        std::string reason = "other";
        if (run.logCount(object.tail + " live max park exceeded") > 0)
            reason = "max park";
        else if (it != capture.end())
        {
            double first = 1e9;
            double last = -1;
            for (const CapturedReport& r : it->second.reports)
                if (inRange(r))
                {
                    first = std::min(first, r.atS);
                    last = std::max(last, r.atS);
                }
            if (last - first < 90)
                reason = "source reports it briefly";
            else if (last > spanS - 90)
                reason = "capture ends";
            else
                reason = "stream ended (source gap or range)";
        }
        ++shortLives[reason];
    }
    std::cout << fmt::format(
        "full replay: {} objects, {} positions, {} departures in range shown taking off of {}, "
        "fastest move {:.0f} m/s, {} created again without reason\n",
        objects.size(), positions, shownDepartures, departures, worstMps, recreated);
    for (const auto& [reason, count] : shortLives)
        std::cout << fmt::format("  lived under a minute: {} ({})\n", count, reason);
    EXPECT_EQ(recreated, 0u) << "aircraft created again without a reason";
    EXPECT_EQ(shortLives.count("other"), 0u);
}

} // namespace
} // namespace oxl::test
