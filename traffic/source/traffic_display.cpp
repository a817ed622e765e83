#include "traffic/source/traffic_display.h"

#include "foundation/log.h"

namespace oxl
{

void NoTrafficWindow::showMessage(std::string_view text)
{
    gf_log(text);
}

void TrafficDisplay::repaint() const
{
    window_->repaint();
}

void TrafficDisplay::showMessage(std::string_view text) const
{
    window_->showMessage(text);
}

void TrafficDisplay::clearMessage() const
{
    window_->clearMessage();
}

void TrafficDisplay::setSourceStatus(std::string text)
{
    std::lock_guard lock(textMutex_);
    sourceStatus_ = std::move(text);
}

std::string TrafficDisplay::sourceStatus() const
{
    std::lock_guard lock(textMutex_);
    return sourceStatus_;
}

void TrafficDisplay::resetForCycle()
{
    sourceConnected.store(0);
    waitingForSource.store(1);
    trafficState.store(ReaderState::notRunning);
    qnhState.store(ReaderState::notRunning);
    qnh.store(0);
    setSourceStatus({});
}

} // namespace oxl
