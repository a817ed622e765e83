#include "foundation/periodic_requests.h"

#include <mutex>
#include <utility>

namespace oxl
{
namespace
{

std::mutex gDestinationMutex;
std::optional<std::string> gDestinationRequest; // gDestinationMutex

} // namespace

std::atomic<std::uint8_t> gRenewalRequest{0};
std::atomic<std::uint8_t> gStandCheckRequest{0};
std::atomic<std::uint8_t> gFlushStaticRequest{0};
std::atomic<std::uint8_t> gBlockCallsignRequest{0};
std::atomic<std::uint8_t> gNavLightsRequest{0};
std::atomic<std::uint8_t> gTrimLiveRequest{0};
std::atomic<std::uint8_t> gAutoRangeRequest{0};
std::atomic<std::uint8_t> gLiveryIndexClearRequest{0};
std::atomic<std::uint8_t> gParametersChanged{0};
std::atomic<std::int32_t> gLoopSecondsShown{0};

void gf_requestDestination(std::string code)
{
    std::lock_guard lock(gDestinationMutex);
    gDestinationRequest = std::move(code);
}

std::optional<std::string> gf_takeDestinationRequest()
{
    std::lock_guard lock(gDestinationMutex);
    return std::exchange(gDestinationRequest, std::nullopt);
}

void gf_clearPeriodicRequests()
{
    gRenewalRequest.store(0);
    gStandCheckRequest.store(0);
    gFlushStaticRequest.store(0);
    gBlockCallsignRequest.store(0);
    gNavLightsRequest.store(0);
    gTrimLiveRequest.store(0);
    gAutoRangeRequest.store(0);
    gLoopSecondsShown.store(0);
    gf_takeDestinationRequest();
}

} // namespace oxl
