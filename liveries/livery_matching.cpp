#include "liveries/livery_matching.h"

#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "liveries/dbase.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_indexes.h"
#include "liveries/regcodes.h"
#include "liveries/registrations.h"
#include "liveries/similar_models.h"
#include "records/aircraft_words.h"

#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace oxl
{

namespace
{

// The simulator's short name in the texts about failed creations.
constexpr std::string_view kSimShortName = "P3D";
constexpr std::string_view kSummaryTitle = "live traffic livery matching summary";
// [characters] width of the summary's frame.
constexpr int kSummaryWidth = 100;
constexpr std::string_view kReverseThrustMark = "FSLTL_";

// The (airline, type) pair a lookup walks with; the similar-type walk overwrites its type.
struct MatchKey
{
    std::string airline;
    std::string type;
};

bool lf_isSpecialTitle(std::string_view title)
{
    return std::find(gLiveries.SpecialTitles.begin(), gLiveries.SpecialTitles.end(), title) !=
           gLiveries.SpecialTitles.end();
}

std::size_t lf_kindOf(const AcProfile& ac)
{
    return ac.cargo ? kCargoIndex : kPaxIndex;
}

void lf_pickLivery(AcProfile& ac, const TitleViews& candidates)
{
    if (candidates.empty())
        return;
    const std::size_t n = candidates.size();
    const bool random = RANDOM.value() && n >= 2;
    for (int tries = 0; tries < kSpecialPickTries; ++tries)
    {
        const std::size_t index = random ? static_cast<std::size_t>(gf_randomEngine()() % n) : 0;
        ac.livery = candidates[index];
        if (gLiveries.SpecialTitles.empty() || !lf_isSpecialTitle(ac.livery))
            return;
    }
    TitleViews ordinary;
    std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(ordinary),
                 [](std::string_view title) { return !lf_isSpecialTitle(title); });
    // Every candidate reserved for a registration: the last pick stays rather than no livery at all.
    if (!ordinary.empty())
        ac.livery = ordinary[gf_randomIndex(static_cast<std::int64_t>(ordinary.size()))];
}

bool lf_findSpecialLivery(AcProfile& ac)
{
    if (ac.registration.empty())
        return false;
    const auto found = gLiveries.RegcodeMap.find(ac.registration);
    ac.livery = found == gLiveries.RegcodeMap.end() ? std::string_view{} : found->second;
    return !ac.livery.empty();
}

bool lf_findLiveryByAirlineType(AcProfile& ac, const MatchKey& key, std::size_t kind)
{
    if (kind != kPaxIndex && kind != kCargoIndex)
        throw std::out_of_range(fmt::format("livery index kind {}", kind));
    const auto airline = gLiveries.AirlineLiveryIndex[kind].find(key.airline);
    if (airline == gLiveries.AirlineLiveryIndex[kind].end())
        return false;
    const auto type = airline->second.find(key.type);
    if (type == airline->second.end())
        return false;
    lf_pickLivery(ac, type->second);
    return !ac.livery.empty();
}

// A cargo aircraft falls back to its airline's passenger liveries; a passenger aircraft never gets a
// cargo livery.
bool lf_findLiveryCargoFirst(AcProfile& ac, const MatchKey& key)
{
    if (lf_findLiveryByAirlineType(ac, key, lf_kindOf(ac)))
        return true;
    return ac.cargo && lf_findLiveryByAirlineType(ac, key, kPaxIndex);
}

bool lf_findLiveryByType(AcProfile& ac, const std::string& type)
{
    const TypeTitleViews& index = gLiveries.TypeLiveryIndex[lf_kindOf(ac)];
    const auto found = index.find(type);
    if (found == index.end())
        return false;
    lf_pickLivery(ac, found->second);
    return !ac.livery.empty();
}

// The live walk keeps to the aircraft's own category, so that a light aircraft never borrows a jet.
bool lf_findLiveryBySimilarType(AcProfile& ac, MatchKey key)
{
    const std::vector<std::string>& similar = gf_lookupSimilarList(key.airline, key.type);
    for (const std::string& type : similar)
    {
        if (gf_aircraftCategory(type) != ac.category)
            continue;
        key.type = type;
        if (lf_findLiveryCargoFirst(ac, key))
            return true;
    }
    return false;
}

// The static walk tries every similar type whatever its category.
bool lf_findStaticLiveryBySimilarType(AcProfile& ac, MatchKey key)
{
    const std::vector<std::string>& similar = gf_lookupSimilarList(key.airline, key.type);
    for (const std::string& type : similar)
    {
        key.type = type;
        if (lf_findLiveryCargoFirst(ac, key))
            return true;
    }
    return false;
}

std::string lf_randomTypeOfCategory(AcCategory category)
{
    switch (category)
    {
    case AcCategory::Light:
        return gf_randomLightType();
    case AcCategory::Buzjets:
        return gf_randomBuzjetType();
    case AcCategory::Rotorcraft:
        return gf_randomRotorcraftType();
    default:
        return {};
    }
}

bool lf_reachesAnyTypeSteps(AcCategory category)
{
    return category == AcCategory::Light || category == AcCategory::Buzjets ||
           category == AcCategory::Rotorcraft;
}

void lf_matchGenericSteps(AcProfile& ac, std::int64_t& step)
{
    const std::int32_t depth = MATCHING_DEPTH.value();
    const MatchKey generic{std::string(kGenericAirline), ac.type};
    if (depth == 4 && ac.livery.empty() && lf_findLiveryCargoFirst(ac, generic))
    {
        step = 4;
        return;
    }
    // Airliners without a livery of their own type stay out: any other airline's jet would mislead.
    if (!lf_reachesAnyTypeSteps(ac.category))
        return;
    if (depth >= 3 && ac.airline != kPrivateAirline && lf_findLiveryCargoFirst(ac, generic))
    {
        step = 4;
        return;
    }
    if (lf_findLiveryByType(ac, ac.type))
    {
        step = 5;
        return;
    }
    const auto similar = gLiveries.SimilarModels.find(ac.type);
    std::vector<std::string>* candidates = nullptr;
    if (similar != gLiveries.SimilarModels.end())
    {
        gf_shuffle(similar->second);
        candidates = &similar->second;
    }
    else
    {
        const AcCategory category = gf_aircraftCategory(ac.type);
        candidates = &gf_singleKeyList([category] { return lf_randomTypeOfCategory(category); });
    }
    for (const std::string& type : *candidates)
    {
        if (lf_findLiveryByType(ac, type))
        {
            step = 6;
            return;
        }
    }
}

void lf_noteMatchStep(AcProfile& ac, std::int64_t step)
{
    if (gf_isFailedTitle(ac.livery))
    {
        ac.livery = {};
        return;
    }
    if (step < 1 || step > kMatchSteps)
        throw std::out_of_range(fmt::format("livery match step {}", step));
    ++gLiveries.MatchStepCounters[static_cast<std::size_t>(step - 1)];
    if (LOG.value())
        gf_log(fmt::format("          {} ={}= {}", gf_acLabel(ac), step, ac.livery));
    ac.reverseMarker = ac.livery.find(kReverseThrustMark) != std::string_view::npos ? 1 : 0;
}

// A static hit stands unless the simulator failed to create its title.
bool lf_settleStatic(AcProfile& ac, std::string_view stepMark)
{
    if (gf_isFailedTitle(ac.livery))
    {
        ac.livery = {};
        return false;
    }
    if (LOG.value())
        gf_log(fmt::format("          {} ={}= {}", gf_acLabel(ac), stepMark, ac.livery));
    return true;
}

bool lf_noStaticMatch(const AcProfile& ac, const std::string& standName)
{
    if (LOG.value())
        gf_log(fmt::format("{:8}: {} no livery match ...", standName, gf_acShortLabel(ac)));
    return false;
}

} // namespace

bool gf_isFailedTitle(std::string_view title)
{
    return std::find(gLiveries.FailedTitles.begin(), gLiveries.FailedTitles.end(), title) !=
           gLiveries.FailedTitles.end();
}

void gf_matchLiveAcLivery(AcProfile& ac)
{
    gLiveries.cycleOwner.check();
    const std::int32_t depth = MATCHING_DEPTH.value();
    ac.reverseMarker = 0;
    if (lf_findSpecialLivery(ac))
    {
        lf_noteMatchStep(ac, 1);
        return;
    }
    if (depth < 2)
        return;
    if (ac.airline == kPrivateAirline && lf_findLiveryCargoFirst(ac, {std::string(kGenericAirline), ac.type}))
    {
        lf_noteMatchStep(ac, 4);
        return;
    }
    const std::string opr = gf_lookupRegOperator(ac.registration);
    // The record's airline is asked only when the record names an operator, which then flies for it.
    const std::string recordAirline = opr.empty() ? std::string() : gf_lookupRegAirline(ac.registration);
    if (!ac.airline.empty())
    {
        if (lf_findLiveryCargoFirst(ac, {ac.airline, ac.type}) ||
            (!opr.empty() && lf_findLiveryCargoFirst(ac, {recordAirline, ac.type})))
        {
            lf_noteMatchStep(ac, 2);
            return;
        }
    }
    if (depth < 3)
        return;
    if (!ac.airline.empty())
    {
        if (lf_findLiveryBySimilarType(ac, {ac.airline, ac.type}) ||
            (!opr.empty() && lf_findLiveryBySimilarType(ac, {recordAirline, ac.type})))
        {
            lf_noteMatchStep(ac, 3);
            return;
        }
    }
    std::int64_t step = 0;
    lf_matchGenericSteps(ac, step);
    if (!ac.livery.empty())
        lf_noteMatchStep(ac, step);
}

bool gf_matchStaticAcLivery(AcProfile& ac, const std::string& standName, bool standCargo)
{
    gLiveries.cycleOwner.check();
    if (!ac.livery.empty())
    {
        if (LOG.value())
            gf_log(fmt::format("          {} =s= {}", gf_acLabel(ac), ac.livery));
        return true;
    }
    const std::int32_t depth = MATCHING_DEPTH.value();
    ac.cargo = standCargo ? 1 : 0;
    if (lf_findSpecialLivery(ac))
        return lf_settleStatic(ac, "1");
    if (depth < 2)
        return lf_noStaticMatch(ac, standName);
    if (ac.airline == kPrivateAirline && lf_findLiveryCargoFirst(ac, {std::string(kGenericAirline), ac.type}))
        return lf_settleStatic(ac, "4");
    const std::string opr = gf_lookupRegOperator(ac.registration);
    const std::string recordAirline = opr.empty() ? std::string() : gf_lookupRegAirline(ac.registration);
    if (lf_findLiveryCargoFirst(ac, {ac.airline, ac.type}) ||
        (!opr.empty() && lf_findLiveryCargoFirst(ac, {recordAirline, ac.type})))
        return lf_settleStatic(ac, "2");
    if (depth < 3)
        return lf_noStaticMatch(ac, standName);
    if (lf_findStaticLiveryBySimilarType(ac, {ac.airline, ac.type}) ||
        (!opr.empty() && lf_findStaticLiveryBySimilarType(ac, {recordAirline, ac.type})))
        return lf_settleStatic(ac, "3");
    std::int64_t step = 0;
    lf_matchGenericSteps(ac, step);
    if (!ac.livery.empty())
        return lf_settleStatic(ac, std::to_string(step));
    return lf_noStaticMatch(ac, standName);
}

std::string_view gf_takePendingTitle(std::uint32_t hexid)
{
    gLiveries.cycleOwner.check();
    const auto found = gLiveries.PendingTitles.find(hexid);
    if (found == gLiveries.PendingTitles.end())
        return {};
    if (gf_isFailedTitle(found->second))
    {
        gLiveries.PendingTitles.erase(found);
        return {};
    }
    return found->second;
}

void gf_storePendingTitle(std::uint32_t hexid, std::string_view title)
{
    gLiveries.cycleOwner.check();
    gLiveries.PendingTitles[hexid] = title;
}

void gf_erasePendingTitle(std::uint32_t hexid)
{
    gLiveries.cycleOwner.check();
    gLiveries.PendingTitles.erase(hexid);
}

void gf_clearPendingTitles()
{
    gLiveries.cycleOwner.check();
    gLiveries.PendingTitles.clear();
}

void gf_onLiveryNotCreated(const AcProfile& ac)
{
    gLiveries.cycleOwner.check();
    if (gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0)
        return;
    gf_status().showMessage(
        fmt::format("{} '{}' could not be created by your Sim!", gf_outsideText(ac.callsign), ac.livery),
        true);
    gLiveries.FailedTypeAirlines.insert(ac.type + " " + ac.airline);
    // The limit counts liveries the simulator cannot create: creations of one broken title that were under
    // way when it was first refused would otherwise end all traffic for a single livery.
    if (gf_isFailedTitle(ac.livery))
        return;
    gLiveries.FailedTitles.emplace_back(ac.livery);
    if (gLiveries.FailedTitles.size() >= kFailedTitlesLimit)
    {
        const std::string text =
            fmt::format("There are too many liveries that could not be created by {}!", kSimShortName);
        gf_logSpaced("\n{}Error 81, {}\n", "===> ", text);
        throw UserErrorException(81, fmt::format("{}, see Log.txt", text));
    }
}

std::vector<std::string> gf_failedLiveriesList()
{
    std::vector<std::string> lines;
    lines.reserve(gLiveries.FailedTypeAirlines.size());
    for (const std::string& entry : gLiveries.FailedTypeAirlines)
        lines.push_back("  " + entry);
    return lines;
}

void gf_logLiveryMatchSummary()
{
    gLiveries.cycleOwner.check();
    if (std::all_of(gLiveries.MatchStepCounters.begin(), gLiveries.MatchStepCounters.end(),
                    [](std::int32_t n) { return n < 1; }))
        return;
    gf_logSpaced("\n{}", gf_boxedText(kSummaryWidth - static_cast<int>(kSummaryTitle.size()), 0, false, false,
                                      std::string(kSummaryTitle)));
    gf_log("Matches at step: ");
    for (std::size_t i = 0; i < gLiveries.MatchStepCounters.size(); ++i)
        gf_log(fmt::format("  {}: {}", i + 1, gLiveries.MatchStepCounters[i]));
    if (!gLiveries.FailedTypeAirlines.empty())
    {
        gf_logSpaced("\nCould not be created by {}:", kSimShortName);
        for (const std::string& line : gf_failedLiveriesList())
            gf_log(line);
    }
    gf_logSpaced("{}\n", gf_boxedText(kSummaryWidth, 0, false, false, ""));
}

void gf_logNoMatchList(const std::vector<std::string>& unmatched)
{
    if (unmatched.empty() || !LOG.value())
        return;
    gf_logSpaced("\nNo match found for:");
    // The keys hold identity texts as the traffic source sent them.
    for (const std::string& entry : unmatched)
        gf_log(gf_outsideText(entry));
    gf_log("");
}

} // namespace oxl
