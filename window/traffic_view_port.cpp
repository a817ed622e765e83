// The window's view of the traffic side, as the program installs it.
#include "window/traffic_view_port.h"

#include "window/window_state.h"

namespace oxl
{
namespace
{

NoTrafficView gNoTrafficView;

} // namespace

void gf_installTrafficViewPort(TrafficViewPort* port)
{
    gWindow.gTrafficView.store(port);
}

TrafficViewPort& gf_trafficViewPort()
{
    TrafficViewPort* const port = gWindow.gTrafficView.load();
    return port != nullptr ? *port : gNoTrafficView;
}

} // namespace oxl
