#include "liveries/livery_processing.h"

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "foundation/periodic_requests.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "liveries/liveries_scanned.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_indexes.h"
#include "liveries/livery_scan.h"
#include "liveries/regcodes.h"
#include "liveries/similar_models.h"

#include <fmt/format.h>

namespace oxl
{

namespace
{

// Empties the scanned list even when a build step throws: it holds data only while it is processed.
class ScannedListGuard
{
  public:
    ScannedListGuard() = default;
    ~ScannedListGuard() { gLiveries.ScannedLiveries.clear(); }
    ScannedListGuard(const ScannedListGuard&) = delete;
    ScannedListGuard& operator=(const ScannedListGuard&) = delete;
};

} // namespace

void gf_requestLiveryIndexClear()
{
    gFoundation.gLiveryIndexClearRequest.store(1);
}

bool gf_liveryIndexClearRequested()
{
    return gFoundation.gLiveryIndexClearRequest.load() != 0;
}

bool gf_serveLiveryIndexClearRequest()
{
    if (gFoundation.gLiveryIndexClearRequest.exchange(0) == 0)
    {
        return false;
    }
    gf_clearLiveryIndexes();
    gLiveries.gLiveriesProcessed.store(false);
    return true;
}

void gf_scanLiveries()
{
    gLiveries.cycleOwner.check();
    gf_serveLiveryIndexClearRequest();
    if (SCAN_LIVERIES.value())
    {
        gf_scanInstalledLiveries();
        // A stopped scan wrote no file; the cycle ends without the liveries.
        if (gf_stopSeen())
        {
            return;
        }
    }
    gf_processScannedLiveries();
}

void gf_processScannedLiveries()
{
    const ScannedListGuard emptiedAfterwards;
    if (gLiveries.gLiveriesProcessed.load())
    {
        gf_log("Processing scanned liveries skipped; already done in previous start-up");
        gf_showCategorySwitches();
        return;
    }
    // A build that stopped half-way must not leave views of a list that is about to be emptied.
    gf_clearLiveryIndexes();
    gf_readLiveriesScanned();
    gf_status().setCount(StatusCount::liveries, gLiveries.ScannedLiveries.size());
    gf_status().repaint(WindowBand::status);

    gf_buildMainIndex();
    gf_buildAirlineIndexes();
    gf_processInlineRegcodes();
    gf_processOfflineRegcodes();
    gf_log(fmt::format("{} registration codes", gLiveries.RegcodeMap.size()));
    gf_buildTypeIndexes();
    gf_log(fmt::format("{} airlines, {} pax aircraft models and {} cargo aircraft models",
                       gLiveries.MainLiveryIndex.size(), gLiveries.TypeLiveryIndex[kPaxIndex].size(),
                       gLiveries.TypeLiveryIndex[kCargoIndex].size()));
    gf_buildSimilarModels();
    for (AcCategory category : {AcCategory::Light, AcCategory::Buzjets, AcCategory::Large, AcCategory::Heavy,
                                AcCategory::HighPerf, AcCategory::Rotorcraft})
    {
        gf_summarizeCategory(category);
    }
    gLiveries.gLiveriesProcessed.store(true);
    gf_status().repaint(WindowBand::status);
}

} // namespace oxl
