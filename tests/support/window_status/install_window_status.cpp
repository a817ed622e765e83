// Linked into the test programs of the subsystems below the window: their tests look at what the main
// window shows, so they run with the window's status service, as the program does.
#include "foundation/status_service.h"
#include "window/window_status.h"

namespace
{

const bool kWindowStatusInstalled = []
{
    oxl::gf_installStatusService(&oxl::gf_windowStatusService());
    return true;
}();

} // namespace
