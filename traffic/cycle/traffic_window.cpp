// The traffic link's status in the main window.
#include "traffic/cycle/traffic_window.h"
#include "traffic/source/source_state.h"

#include <string>

namespace oxl
{

namespace
{

// The status band and the message line of the main window.
class MainWindowStatus final : public TrafficDisplayPort
{
  public:
    void repaint() override { gf_invalidateBand(kStatusBand); }
    void showMessage(std::string_view text) override { gf_showMessage(std::string(text), true); }
    void clearMessage() override { gf_clearMessage(); }
};

} // namespace

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

TrafficDisplayPort& gf_mainWindowTrafficDisplay()
{
    static MainWindowStatus window;
    return window;
}

} // namespace oxl
