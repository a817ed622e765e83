// The main-window object and the message line.
#include "window/main_window.h"

#include <algorithm>
#include <fmt/format.h>

#include "foundation/config_keys.h"
#include "foundation/log.h"

namespace oxl
{

MainWindow gMainWindow;

namespace
{
std::mutex gSourcesMutex;
std::function<TrafficStatus()> gTrafficSource; // gSourcesMutex
std::function<AircraftCounts()> gCounter;      // gSourcesMutex
} // namespace

MainWindow::MainWindow() : MAIN_WINDOW_X(oxl::MAIN_WINDOW_X), MAIN_WINDOW_Y(oxl::MAIN_WINDOW_Y)
{
    guiReady.exchange(1);
}

std::string MainWindow::text(StatusText which) const
{
    std::lock_guard lock(statusMutex_);
    return texts_[static_cast<std::size_t>(which)];
}

void MainWindow::setText(StatusText which, std::string value)
{
    std::lock_guard lock(statusMutex_);
    texts_[static_cast<std::size_t>(which)] = std::move(value);
}

void MainWindow::resetForCycle()
{
    {
        std::lock_guard lock(statusMutex_);
        // The folder of the offline-learning files belongs to the scan, which outlives the cycle.
        for (std::size_t i = 0; i < texts_.size(); ++i)
            if (i != static_cast<std::size_t>(StatusText::tbloFolder))
                texts_[i].clear();
    }
    {
        std::lock_guard lock(messageMutex);
        messageText.clear();
        errorText.clear();
        messageShownAt.store(0);
    }
    staticAverageFit.store(-1.0f);
    liveAverageFit.store(-1.0f);
    for (auto* count : {&liveCount, &parkedLiveCount, &parkedStaticCount, &standCount})
        count->store(0);
    for (auto* number : {&maxPark, &guiSeconds, &updateCount})
        number->store(0);
    noSourceLink.store(1);
    for (auto* flag : {&parkAirportActive, &simConnected, &simRunning, &handmadeFile, &softUsed})
        flag->store(0);
    userModelKnown.store(1);
    win::invalidateWindow(win::kMainWindow);
}

void gf_invalidateBand(const win::Rect& band)
{
    win::invalidateRect(win::kMainWindow, band);
}

void gf_showMessage(const std::string& text, bool log)
{
    {
        std::lock_guard lock(gMainWindow.messageMutex);
        if (!gMainWindow.errorText.empty())
            return;
        gMainWindow.messageText = text;
        gMainWindow.messageShownAt.store(
            text.empty() ? 0 : std::max<std::uint32_t>(1, gMainWindow.guiSeconds.load()));
        if (log && !text.empty())
            gf_logIfRunning(text);
    }
    gf_invalidateBand(kMessageBand);
}

void gf_clearMessage()
{
    gf_showMessage("", true);
}

void gf_showError(const std::string& text)
{
    {
        std::lock_guard lock(gMainWindow.messageMutex);
        gMainWindow.messageText.clear();
        gMainWindow.messageShownAt.store(0);
        gMainWindow.errorText = text;
        gf_logIfRunning(fmt::format("Error {}", text));
    }
    gf_invalidateBand(kMessageBand);
}

void gf_clearErrorAndMessage()
{
    {
        std::lock_guard lock(gMainWindow.messageMutex);
        gMainWindow.errorText.clear();
    }
    gf_clearMessage();
}

void gf_messageSecondTick()
{
    bool aged = false;
    {
        // Test and clear under one lock, so that a message shown in between is never the one cleared.
        std::lock_guard lock(gMainWindow.messageMutex);
        const std::uint64_t now = gMainWindow.guiSeconds.fetch_add(1) + 1;
        const std::uint64_t shownAt = gMainWindow.messageShownAt.load();
        if (shownAt >= 1 && now >= shownAt + kMessageLifeSeconds && gMainWindow.errorText.empty())
        {
            gMainWindow.messageText.clear();
            gMainWindow.messageShownAt.store(0);
            aged = true;
        }
    }
    if (aged)
        gf_invalidateBand(kMessageBand);
}

std::string gf_shownError()
{
    std::lock_guard lock(gMainWindow.messageMutex);
    return gMainWindow.errorText;
}

std::string gf_shownMessage()
{
    std::lock_guard lock(gMainWindow.messageMutex);
    return gMainWindow.messageText;
}

void gf_setTrafficStatusSource(std::function<TrafficStatus()> source)
{
    std::lock_guard lock(gSourcesMutex);
    gTrafficSource = std::move(source);
}

TrafficStatus gf_trafficStatus()
{
    std::function<TrafficStatus()> source;
    {
        std::lock_guard lock(gSourcesMutex);
        source = gTrafficSource;
    }
    return source ? source() : TrafficStatus{};
}

void gf_setAircraftCounter(std::function<AircraftCounts()> counter)
{
    std::lock_guard lock(gSourcesMutex);
    gCounter = std::move(counter);
}

bool gf_aircraftCounterInstalled()
{
    std::lock_guard lock(gSourcesMutex);
    return static_cast<bool>(gCounter);
}

void gf_refreshCounts()
{
    std::function<AircraftCounts()> counter;
    {
        std::lock_guard lock(gSourcesMutex);
        counter = gCounter;
    }
    if (!counter)
        return;
    const AircraftCounts counts = counter();
    if (gMainWindow.liveCount.exchange(counts.live) != counts.live)
        gf_invalidateBand(kStatusBand);
    const bool staticChanged =
        gMainWindow.parkedStaticCount.exchange(counts.parkedStatic) != counts.parkedStatic;
    const bool liveChanged = gMainWindow.parkedLiveCount.exchange(counts.parkedLive) != counts.parkedLive;
    if (staticChanged || liveChanged)
        gf_invalidateBand(kStatisticsBand);
}

} // namespace oxl
