#include "traffic/live_livery_hooks.h"

#include "liveries/livery_matching.h"
#include "liveries/regcodes.h"

namespace oxl
{

LiveLiveryHooks gf_matchingLiveryHooks()
{
    LiveLiveryHooks hooks;
    hooks.takePendingTitle = [](std::uint32_t hexid) { return gf_takePendingTitle(hexid); };
    hooks.storePendingTitle = [](std::uint32_t hexid, std::string_view title)
    { gf_storePendingTitle(hexid, title); };
    hooks.erasePendingTitle = [](std::uint32_t hexid) { gf_erasePendingTitle(hexid); };
    hooks.matchLiveAcLivery = [](LiveAc& ac) { gf_matchLiveAcLivery(ac); };
    hooks.regcodeTitle = [](const std::string& registration) { return gf_regcodeTitle(registration); };
    hooks.onLiveryNotCreated = [](const SimAc& ac) { gf_onLiveryNotCreated(ac); };
    return hooks;
}

void gf_installLiveLiveryHooks(LiveEngine& engine)
{
    engine.n.liveries = gf_matchingLiveryHooks();
}

std::vector<std::string> gf_unmatchedList(const LiveEngine& engine)
{
    return {engine.unmatchedSet.begin(), engine.unmatchedSet.end()};
}

} // namespace oxl
