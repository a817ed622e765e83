#include "foundation/status_service.h"

#include <atomic>

namespace oxl
{
namespace
{

NoStatusService gNoStatus;
std::atomic<StatusService*> gStatus{&gNoStatus};

} // namespace

StatusService& gf_status()
{
    return *gStatus.load();
}

void gf_installStatusService(StatusService* service)
{
    gStatus.store(service != nullptr ? service : &gNoStatus);
}

} // namespace oxl
