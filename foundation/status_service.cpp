#include "foundation/status_service.h"

#include "foundation/foundation_state.h"

#include <atomic>

namespace oxl
{
namespace
{

NoStatusService gNoStatus;

} // namespace

StatusService& gf_status()
{
    StatusService* const service = gFoundation.gStatus.load();
    return service != nullptr ? *service : gNoStatus;
}

void gf_installStatusService(StatusService* service)
{
    gFoundation.gStatus.store(service);
}

} // namespace oxl
