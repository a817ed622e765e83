#include "traffic/engine/live_livery_hooks.h"

#include "liveries/livery_matching.h"
#include "liveries/regcodes.h"
#include "liveries/registrations.h"
#include "traffic/engine/live_spawning.h"

#include <memory>

namespace oxl
{

namespace
{

// The livery matching of the aircraft data; registrations are looked up in the aircraft database.
class MatchingLiveries final : public LiveryPort
{
  public:
    std::string_view takePendingTitle(std::uint32_t hexid) override { return gf_takePendingTitle(hexid); }
    void storePendingTitle(std::uint32_t hexid, std::string_view title) override
    {
        gf_storePendingTitle(hexid, title);
    }
    void erasePendingTitle(std::uint32_t hexid) override { gf_erasePendingTitle(hexid); }
    void matchLiveAcLivery(LiveAc& ac) override { gf_matchLiveAcLivery(ac); }
    std::optional<std::string_view> regcodeTitle(const std::string& registration) override
    {
        return gf_regcodeTitle(registration);
    }
    void onLiveryNotCreated(const SimAc& ac) override { gf_onLiveryNotCreated(ac); }
    bool isFailedTitle(std::string_view title) override { return gf_isFailedTitle(title); }
    std::optional<DbaseRecord> lookupRegistration(const std::string& registration) override
    {
        return gf_lookupRegistration(registration);
    }
};

} // namespace

void gf_installLiveLiveryHooks(LiveEngine& engine)
{
    engine.n.liveries = std::make_unique<MatchingLiveries>();
}

bool rematchOrDropRefusedTitle(LiveEngine& engine, CreateRequest& request)
{
    if (!engine.n.liveries->isFailedTitle(request.title))
        return true;
    if (LiveAc* ac = request.hexid > kLastStaticHexid ? engine.findByHexid(request.hexid) : nullptr)
    {
        ac->livery = {};
        if (chooseLiveLivery(engine, *ac))
        {
            request.title = ac->livery;
            return true;
        }
    }
    engine.dropByHexid(request.hexid);
    return false;
}

std::vector<std::string> gf_unmatchedList(const LiveEngine& engine)
{
    return {engine.unmatchedSet.begin(), engine.unmatchedSet.end()};
}

} // namespace oxl
