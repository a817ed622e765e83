#include "foundation/periodic_requests.h"

#include <mutex>
#include <utility>

namespace oxl
{
namespace
{

} // namespace

void gf_requestDestination(std::string code)
{
    std::lock_guard lock(gFoundation.gDestinationMutex);
    gFoundation.gDestinationRequest = std::move(code);
}

std::optional<std::string> gf_takeDestinationRequest()
{
    std::lock_guard lock(gFoundation.gDestinationMutex);
    return std::exchange(gFoundation.gDestinationRequest, std::nullopt);
}

void gf_clearPeriodicRequests()
{
    gFoundation.gRenewalRequest.store(0);
    gFoundation.gStandCheckRequest.store(0);
    gFoundation.gFlushStaticRequest.store(0);
    gFoundation.gBlockCallsignRequest.store(0);
    gFoundation.gNavLightsRequest.store(0);
    gFoundation.gTrimLiveRequest.store(0);
    gFoundation.gAutoRangeRequest.store(0);
    gFoundation.gLoopSecondsShown.store(0);
    gf_takeDestinationRequest();
}

} // namespace oxl
