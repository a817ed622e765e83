// The traffic link's status in the main window.
#include "traffic/traffic_window.h"

#include <string>

namespace oxl
{

TrafficStatus gf_trafficStatusOf(const TrafficDisplay& display)
{
    TrafficStatus status;
    status.sourceConnected = display.sourceConnected.load() != 0;
    status.editionText = display.sourceStatus();
    status.trafficState = static_cast<ShownReaderState>(display.trafficState.load());
    status.qnhState = static_cast<ShownReaderState>(display.qnhState.load());
    status.qnh = display.qnh.load();
    return status;
}

void gf_connectTrafficDisplayToWindow()
{
    TrafficDisplayHooks hooks;
    hooks.repaint = [] { gf_invalidateBand(kStatusBand); };
    hooks.showMessage = [](std::string_view text) { gf_showMessage(std::string(text), true); };
    hooks.clearMessage = [] { gf_clearMessage(); };
    gTrafficDisplay.install(std::move(hooks));
    gf_setTrafficStatusSource([] { return gf_trafficStatusOf(gTrafficDisplay); });
}

} // namespace oxl
