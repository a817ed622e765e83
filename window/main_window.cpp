// The main-window object and the message line.
#include "window/main_window.h"
#include "window/window_state.h"

#include <algorithm>
#include <fmt/format.h>

#include "foundation/config_keys.h"
#include "foundation/log.h"

namespace oxl
{
namespace
{

// A text of the message line with the notice after it.
std::string withNotice(const std::string& text, const std::string& notice)
{
    if (notice.empty())
        return text;
    if (text.empty())
        return notice;
    return text + std::string(kNoticeGap) + notice;
}

// The text of the message line without the notice after it.
std::string withoutNotice(const std::string& text, const std::string& notice)
{
    if (notice.empty() || !text.ends_with(notice))
        return text;
    std::string rest = text.substr(0, text.size() - notice.size());
    if (rest.ends_with(kNoticeGap))
        rest.resize(rest.size() - kNoticeGap.size());
    return rest;
}

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
        messageText = noticeText;
        echo = {};
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

EchoedMessage gf_echoed(std::string_view format, std::string_view input)
{
    const std::size_t at = format.find("{}");
    if (at == std::string_view::npos)
        return {std::string(format), {}};
    std::string text(format.substr(0, at));
    text.append(input).append(format.substr(at + 2));
    return {std::move(text), {at, input.size()}};
}

void gf_showMessage(const std::string& text, bool log)
{
    gf_showMessage(EchoedMessage{text, {}}, log);
}

void gf_showMessage(const EchoedMessage& message, bool log)
{
    const std::string& text = message.text;
    {
        std::lock_guard lock(gWindow.gMainWindow.messageMutex);
        if (!gWindow.gMainWindow.errorText.empty())
            return;
        gWindow.gMainWindow.messageText = withNotice(text, gWindow.gMainWindow.noticeText);
        gWindow.gMainWindow.echo = message.echo;
        gWindow.gMainWindow.messageShownAt.store(
            text.empty() ? 0 : std::max<std::uint32_t>(1, gWindow.gMainWindow.guiSeconds.load()));
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
        std::lock_guard lock(gWindow.gMainWindow.messageMutex);
        gWindow.gMainWindow.messageText.clear();
        gWindow.gMainWindow.messageShownAt.store(0);
        gWindow.gMainWindow.echo = {};
        gWindow.gMainWindow.errorText = withNotice(text, gWindow.gMainWindow.noticeText);
        gf_logIfRunning(fmt::format("Error {}", text));
    }
    gf_invalidateBand(kMessageBand);
}

void gf_showNotice(const std::string& text)
{
    const std::string logPath = gf_logElsewhere();
    const std::size_t at = logPath.empty() ? std::string::npos : text.rfind(logPath);
    {
        std::lock_guard lock(gWindow.gMainWindow.messageMutex);
        MainWindow& w = gWindow.gMainWindow;
        w.errorText = withoutNotice(w.errorText, w.noticeText);
        w.messageText = withoutNotice(w.messageText, w.noticeText);
        w.noticeText = text;
        w.noticeEcho = at == std::string::npos ? EchoSpan{} : EchoSpan{at, logPath.size()};
        if (!w.errorText.empty())
            w.errorText = withNotice(w.errorText, text);
        else
            w.messageText = withNotice(w.messageText, text);
    }
    gf_invalidateBand(kMessageBand);
}

void gf_dismissNotice()
{
    {
        std::lock_guard lock(gWindow.gMainWindow.messageMutex);
        MainWindow& w = gWindow.gMainWindow;
        if (w.noticeText.empty())
            return;
        w.errorText = withoutNotice(w.errorText, w.noticeText);
        w.messageText = withoutNotice(w.messageText, w.noticeText);
        w.noticeText.clear();
        w.noticeEcho = {};
    }
    gf_invalidateBand(kMessageBand);
}

void gf_clearErrorAndMessage()
{
    {
        std::lock_guard lock(gWindow.gMainWindow.messageMutex);
        gWindow.gMainWindow.errorText.clear();
    }
    gf_clearMessage();
}

void gf_messageSecondTick()
{
    // A log that cannot be written is said whenever the message line is free, until it can again.
    const std::string logTrouble = gf_logTrouble();
    bool changed = false;
    {
        // Test and clear under one lock, so that a message shown in between is never the one cleared.
        std::lock_guard lock(gWindow.gMainWindow.messageMutex);
        const std::uint64_t now = gWindow.gMainWindow.guiSeconds.fetch_add(1) + 1;
        const std::uint64_t shownAt = gWindow.gMainWindow.messageShownAt.load();
        if (shownAt >= 1 && now >= shownAt + kMessageLifeSeconds && gWindow.gMainWindow.errorText.empty())
        {
            gWindow.gMainWindow.messageText = gWindow.gMainWindow.noticeText;
            gWindow.gMainWindow.echo = {};
            gWindow.gMainWindow.messageShownAt.store(0);
            changed = true;
        }
        if (!logTrouble.empty() && gWindow.gMainWindow.messageText.empty() &&
            gWindow.gMainWindow.errorText.empty())
        {
            gWindow.gMainWindow.messageText = logTrouble;
            gWindow.gMainWindow.echo = {};
            gWindow.gMainWindow.messageShownAt.store(static_cast<std::uint32_t>(now));
            changed = true;
        }
    }
    if (changed)
        gf_invalidateBand(kMessageBand);
}

std::string gf_shownError()
{
    std::lock_guard lock(gWindow.gMainWindow.messageMutex);
    return gWindow.gMainWindow.errorText;
}

std::string gf_shownMessage()
{
    std::lock_guard lock(gWindow.gMainWindow.messageMutex);
    return gWindow.gMainWindow.messageText;
}

void gf_refreshCounts()
{
    const std::optional<AircraftCounts> counted = gf_trafficViewPort().aircraftCounts();
    if (!counted)
        return;
    const AircraftCounts& counts = *counted;
    if (gWindow.gMainWindow.liveCount.exchange(counts.live) != counts.live)
        gf_invalidateBand(kStatusBand);
    const bool staticChanged =
        gWindow.gMainWindow.parkedStaticCount.exchange(counts.parkedStatic) != counts.parkedStatic;
    const bool liveChanged =
        gWindow.gMainWindow.parkedLiveCount.exchange(counts.parkedLive) != counts.parkedLive;
    if (staticChanged || liveChanged)
        gf_invalidateBand(kStatisticsBand);
}

} // namespace oxl
