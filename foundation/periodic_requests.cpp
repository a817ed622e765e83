#include "foundation/periodic_requests.h"

namespace oxl
{

std::atomic<std::uint8_t> gRenewalRequest{0};
std::atomic<std::uint8_t> gStandCheckRequest{0};
std::atomic<std::uint8_t> gFlushStaticRequest{0};
std::atomic<std::uint8_t> gBlockCallsignRequest{0};
std::atomic<std::uint8_t> gParametersChanged{0};

void gf_clearPeriodicRequests()
{
    gRenewalRequest.store(0);
    gStandCheckRequest.store(0);
    gFlushStaticRequest.store(0);
    gBlockCallsignRequest.store(0);
}

} // namespace oxl
