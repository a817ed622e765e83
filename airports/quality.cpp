#include "airports/quality.h"

#include "airports/airports_state.h"
#include "foundation/geodesy.h"
#include "foundation/time_text.h"
#include "liveries/dbase.h"

#include <fmt/format.h>
#include <gsl/narrow>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <string_view>
#include <utility>

namespace oxl
{

namespace
{

/// [m] stands up to this radius weigh little: mostly small general-aviation spots.
constexpr double kSmallStandRadiusM = 7.0;
/// [m] stands up to this radius weigh most.
constexpr double kMediumStandRadiusM = 10.0;
/// Scales a stand's score (at most 15900 points) to the 0..100 of a quality number.
constexpr double kScoreToQuality = 0.00625;

using Pair = std::pair<std::string_view, std::string_view>;

constexpr Pair kHelipadPair{"PVT", "EC35"};
constexpr std::array<Pair, 5> kFakeCargoPairs{
    {{"FDX", "C208"}, {"FDX", "B752"}, {"FDX", "B763"}, {"UPS", "A306"}, {"DHK", "B763"}}};
constexpr std::array<std::string_view, 19> kFakeGaTypes{
    "C172", "C206", "P28A", "PC12", "C550", "TBM9", "LJ25", "GLF6", "FA6X", "FA8X",
    "GLF4", "GLF5", "LJ60", "DHC7", "DH8A", "DH8C", "E550", "CL30", "GA6C"};
constexpr std::array<Pair, 4> kFakeRegionC{
    {{"ACA", "B789"}, {"ACA", "B38M"}, {"ROU", "A321"}, {"JZA", "CRJ9"}}};
constexpr std::array<Pair, 7> kFakeRegionE{{{"KLM", "B77W"},
                                            {"SAS", "A320"},
                                            {"EZY", "A320"},
                                            {"RYR", "B738"},
                                            {"DLH", "A320"},
                                            {"KLM", "B738"},
                                            {"BAW", "A21N"}}};
constexpr std::array<Pair, 10> kFakeRegionK{{{"UAL", "B77W"},
                                             {"DAL", "B739"},
                                             {"JBU", "BCS3"},
                                             {"FFT", "A320"},
                                             {"UAL", "B78X"},
                                             {"UAL", "B738"},
                                             {"AAL", "B738"},
                                             {"SKW", "E75L"},
                                             {"SWA", "B737"},
                                             {"FFT", "A320"}}};
constexpr std::array<Pair, 3> kFakeRegionR{{{"ANA", "A20N"}, {"JAL", "A35K"}, {"JAL", "B738"}}};
constexpr std::array<Pair, 3> kFakeRegionZ{{{"CSA", "A320"}, {"CES", "A333"}, {"CES", "A321"}}};
constexpr Pair kFakeAnyRegion{"ZZZ", "B738"};

double standWeight(const Stand& stand)
{
    const double radiusM = gf_sizeMetres(stand.radius);
    if (radiusM <= kSmallStandRadiusM)
    {
        return 0.3;
    }
    return radiusM <= kMediumStandRadiusM ? 1.5 : 1.0;
}

/// The stand's score for the options of one kind; 0 without such options.
double standScore(const Stand& stand, StandOptionKind kind)
{
    std::int64_t options = 0;
    std::int64_t halfHours = 0;
    std::bitset<8> weekdays;
    for (const StandOccupancy& option : stand.options)
    {
        if (option.id == 0 || option.kind != kind)
        {
            continue;
        }
        ++options;
        halfHours += option.halfHours.count();
        if (option.weekday >= 1 && option.weekday <= 7)
        {
            weekdays.set(option.weekday);
        }
    }
    if (options == 0)
    {
        return 0.0;
    }
    return static_cast<double>(std::min<std::int64_t>(20 * options, 4000) + 10000 +
                               100 * static_cast<std::int64_t>(weekdays.count()) +
                               2 * std::min<std::int64_t>(halfHours, 600));
}

std::int32_t qualityNumber(double total, double weights)
{
    const double rounded = std::clamp(std::round(total / weights * kScoreToQuality), 0.0, 100.0);
    return gsl::narrow<std::int32_t>(rounded);
}

template <std::size_t N>
void addFitting(std::vector<Pair>& candidates, const Stand& stand, const std::array<Pair, N>& pairs)
{
    for (const Pair& pair : pairs)
    {
        if (gf_fitsRadius(stand, gf_wingspan(std::string(pair.second))))
        {
            candidates.push_back(pair);
        }
    }
}

std::vector<Pair> fakeCandidates(char region, const Stand& stand)
{
    std::vector<Pair> candidates;
    if (stand.helipad != 0)
    {
        candidates.push_back(kHelipadPair);
    }
    else if (stand.cargo != 0)
    {
        addFitting(candidates, stand, kFakeCargoPairs);
    }
    else if (stand.ramp != 0)
    {
        for (std::string_view type : kFakeGaTypes)
        {
            if (gf_fitsRadius(stand, gf_wingspan(std::string(type))))
            {
                candidates.emplace_back("PVT", type);
            }
        }
    }
    else
    {
        switch (region)
        {
        case 'C':
            addFitting(candidates, stand, kFakeRegionC);
            break;
        case 'E':
            addFitting(candidates, stand, kFakeRegionE);
            break;
        case 'K':
            addFitting(candidates, stand, kFakeRegionK);
            break;
        case 'R':
            addFitting(candidates, stand, kFakeRegionR);
            break;
        case 'Z':
            addFitting(candidates, stand, kFakeRegionZ);
            break;
        default:
            candidates.push_back(kFakeAnyRegion);
            break;
        }
    }
    return candidates;
}

} // namespace

QualityPair gf_qualityFactor(const std::vector<Stand>& stands)
{
    const bool anyOption =
        std::any_of(stands.begin(), stands.end(), [](const Stand& s) { return !s.options.empty(); });
    if (!anyOption)
    {
        return QualityPair{};
    }
    double weights = 0.0;
    double realTotal = 0.0;
    double softTotal = 0.0;
    for (const Stand& stand : stands)
    {
        const double weight = standWeight(stand);
        weights += weight;
        realTotal += weight * standScore(stand, StandOptionKind::real);
        softTotal += weight * standScore(stand, StandOptionKind::soft);
    }
    return QualityPair{qualityNumber(realTotal, weights), qualityNumber(softTotal, weights)};
}

QualityPair gf_qualityFactor()
{
    return gf_qualityFactor(gAirports.gParking.stands);
}

std::string gf_pairText(const QualityPair& quality)
{
    if (quality.real < 0 && quality.soft < 0)
    {
        return "  ";
    }
    if (quality.real < 45)
    {
        return fmt::format("{:2}/{:2}", quality.real, quality.soft);
    }
    return fmt::format("{:2}", quality.real);
}

void gf_fillFakeOccupants(std::string_view fileName, std::vector<Stand>& stands, DayHalfHour now)
{
    HalfHourSet halfHours;
    halfHours.set(now.half);
    const char region = fileName.empty() ? '\0' : fileName.front();
    std::uint32_t counter = 1;
    for (Stand& stand : stands)
    {
        const std::vector<Pair> candidates = fakeCandidates(region, stand);
        if (candidates.empty())
        {
            continue;
        }
        const Pair& pick = candidates[gf_randomIndex(static_cast<std::int64_t>(candidates.size()))];
        StandOccupancy option;
        option.airline = pick.first;
        option.type = pick.second;
        option.registration = fmt::format("REGFAKE{}", counter);
        option.callsign = fmt::format("FAKE{}", counter);
        option.halfHours = halfHours;
        option.weekday = now.weekday;
        option.id = gf_nextOptionId(stand);
        option.fixed = 1;
        option.fake = 1;
        option.kind = StandOptionKind::soft;
        stand.options.push_back(std::move(option));
        ++counter;
    }
}

void gf_fillFakeOccupants(std::string_view fileName, std::vector<Stand>& stands)
{
    const auto [weekday, half] = gf_weekdayHalfHour();
    // A failed clock gives -1, which the half-hour set refuses as out of range.
    gf_fillFakeOccupants(fileName, stands,
                         DayHalfHour{static_cast<std::uint32_t>(weekday), static_cast<std::uint32_t>(half)});
}

} // namespace oxl
