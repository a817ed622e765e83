#include "traffic/traffic_display.h"

#include "foundation/log.h"

namespace oxl
{

TrafficDisplay gTrafficDisplay;

void TrafficDisplay::install(TrafficDisplayHooks hooks)
{
    hooks_ = std::move(hooks);
}

void TrafficDisplay::repaint() const
{
    if (hooks_.repaint)
        hooks_.repaint();
}

void TrafficDisplay::showMessage(std::string_view text) const
{
    if (hooks_.showMessage)
        hooks_.showMessage(text);
    else
        gf_log(text);
}

void TrafficDisplay::clearMessage() const
{
    if (hooks_.clearMessage)
        hooks_.clearMessage();
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
