// WM_PAINT of the main window.
#include "window/painting.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/strings.h"
#include "foundation/utf.h"
#include "window/window_state.h"

namespace oxl
{
namespace
{

using win::ColorRef;
MainWindow& w = gWindow.gMainWindow;

// A label as it shows now; nothing when it is not drawn.
struct Shown
{
    std::string text;
    ColorRef colour = kBlackText;
};

// One label of the control band: x, the control whose row it sits on, and what it shows.
struct Label
{
    int x;
    const ControlBinding* row;
    std::optional<Shown> (*show)();
};

ColorRef yellowWhen(bool on)
{
    return on ? kYellowText : kBlackText;
}
ColorRef greyUnless(bool on)
{
    return on ? kBlackText : kGreyText;
}
bool enabled(const ControlBinding& control)
{
    return win::isWindowEnabled(control.controlId);
}
// The label "Max park (static+live):" and "Max live (park incl):" turn red when both maxima are 0.
bool bothMaximaZero()
{
    return MAX_PARK_SEL.value() == 0 && MAX_LIVE_SEL.value() == 0;
}

#define OXL_FIXED(TEXT) [] { return std::optional<Shown>{Shown{TEXT, kBlackText}}; }
#define OXL_COLOURED(TEXT, COLOUR) [] { return std::optional<Shown>{Shown{TEXT, COLOUR}}; }

const std::array<Label, 48> kLabels{{
    {672, &DRELLAND, OXL_COLOURED("Drelland", yellowWhen(DRELLAND.value()))},
    {672, &LOG, OXL_FIXED("Log")},
    {768, &ALWAYS_ON_TOP, OXL_COLOURED("Stay on top", yellowWhen(ALWAYS_ON_TOP.value()))},
    {768, &LEARN_SOFT, OXL_FIXED("Learn Soft")},
    {672, &NAV_LIGHTS_WHILE_PARKED, OXL_FIXED("Nav lights")},
    {768, &GUID_CHANGES, OXL_COLOURED("GUID changes", yellowWhen(!GUID_CHANGES.value()))},
    {5, &ALL_INSTALL_PATH, OXL_FIXED("Install path:")},
    {25, &SCAN_LIVERIES, OXL_COLOURED("Scan for liveries", yellowWhen(SCAN_LIVERIES.value()))},
    {237, &LIG_AUTOMATIC, OXL_FIXED("Automatic")},
    {470, &LIG_PRIORITIZE, OXL_FIXED("Prioritize")},
    {556, &SUPPRESS_STUB, OXL_FIXED("Stub")},
    {25, &SCAN_AIRPORTS, OXL_COLOURED("Scan for addon airports", yellowWhen(SCAN_AIRPORTS.value()))},
    {237, &AFG_AUTOMATIC, OXL_FIXED("Automatic")},
    {323, &SCAN_AIRPORTS,
     []
     {
         const std::uint64_t files = w.tbloFileCount.load();
         if (files == 0)
             return std::optional<Shown>{};
         return std::optional<Shown>{Shown{fmt::format("{} airport{} in {} folder", files,
                                                       gf_pluralSU64(files), w.text(StatusText::tbloFolder)),
                                           kYellowText}};
     }},
    {5, &MATCHING_DEPTH, OXL_FIXED("Max aircraft matching depth")},
    {258, &LIGHT_AIRCRAFT, OXL_FIXED("Optional:")},
    {343, &LIGHT_AIRCRAFT, OXL_COLOURED("Light aircraft", greyUnless(enabled(LIGHT_AIRCRAFT)))},
    {450, &HELICOPTERS, OXL_COLOURED("Helicopters", greyUnless(enabled(HELICOPTERS)))},
    {556, &HIGH_PERF_AIRCRAFT, OXL_COLOURED("FighterJets", greyUnless(enabled(HIGH_PERF_AIRCRAFT)))},
    {5, &RANGE, OXL_FIXED("Traffic injection")},
    {163, &RANGE, OXL_FIXED("Radius:")},
    {270, &RANGE, OXL_FIXED("nm, or")},
    {343, &AUTO_RANGE, OXL_FIXED("Auto range")},
    {430, &AR_ABOVE_HEIGHT, OXL_COLOURED("Ah:", greyUnless(AUTO_RANGE.value()))},
    {536, &AR_ABOVE_HEIGHT, OXL_COLOURED("ft", greyUnless(AUTO_RANGE.value()))},
    {5, &BLOCK_CALLSIGN, OXL_FIXED("Callsigns")},
    {172, &BLOCK_CALLSIGN, OXL_FIXED("Block:")},
    {5, &COLLISION_USER_GND, OXL_FIXED("Collision avoidance")},
    {237, &COLLISION_USER_GND, OXL_FIXED("User ground")},
    {343, &COLLISION_USER_AIR, OXL_FIXED("User air")},
    {450, &COLLISION_LIVE_PARKED_GND, OXL_FIXED("Live X parked")},
    {5, &MAX_PARK_SEL,
     []
     {
         const bool busy = w.parkingBusy.load() != 0;
         return std::optional<Shown>{
             Shown{fmt::format("Airport parking{}", busy ? " active" : ""), yellowWhen(busy)}};
     }},
    {171, &MAX_PARK_SEL,
     OXL_COLOURED("Max park (static+live):",
                  bothMaximaZero() ? kRedText : yellowWhen(MAX_PARK_SEL.value() == 0))},
    {401, &MAX_LIVE_SEL,
     OXL_COLOURED("Max live (park incl):",
                  bothMaximaZero() ? kRedText : yellowWhen(MAX_LIVE_SEL.value() == 0))},
    {672, &STRAIGHT_PBS_ONLY,
     OXL_COLOURED("Straight push backs only", greyUnless(STRAIGHT_PBS_ONLY.value()))},
    {137, &DESTINATION, OXL_FIXED("Destination:")},
    {303, &AIRP_RANGE, OXL_FIXED("Range:")},
    {403, &AIRP_RANGE, OXL_FIXED("nm")},
    {440, &AIRP_HEIGHT, OXL_FIXED("Height above gnd:")},
    {646, &AIRP_HEIGHT, OXL_FIXED("ft")},
    {5, &AIRP_RANGE,
     []
     {
         const std::uint32_t minutes = w.minutesToRenewal.load();
         if (w.parkAirportActive.load() == 0 || w.parkingBusy.load() != 0 || INITIAL_LOAD_ONLY.value() ||
             minutes < 1 || minutes > 19)
             return std::optional<Shown>{};
         return std::optional<Shown>{Shown{fmt::format("(next in {} min)", minutes), kBlackText}};
     }},
    {25, &PARK_FAKE, OXL_FIXED("Fake")},
    {91, &WEEK, OXL_FIXED("Week")},
    {171, &PARK_SOFT, OXL_FIXED("Soft")},
    {264, &parking_percentage, OXL_FIXED("Target: ")},
    {363, &parking_percentage, OXL_FIXED("%")},
    {450, &INITIAL_LOAD_ONLY, OXL_COLOURED("ILO", yellowWhen(INITIAL_LOAD_ONLY.value()))},
    {506, &MAX_FIT_FL, OXL_FIXED("Max fit:")},
}};

#undef OXL_FIXED
#undef OXL_COLOURED

ColorRef simulatorColour()
{
    if (w.simConnected.load() == 0)
        return kRedText;
    if (w.simRunning.load() != 0 && !w.text(StatusText::userTitle).empty())
        return kLimeText;
    return kYellowText;
}

ColorRef rtColour(const TrafficStatus& traffic)
{
    if (w.noSourceLink.load() != 0)
        return MainWindow::blackBrush;
    if (!traffic.sourceConnected)
        return kRedText;
    return traffic.trafficState == ShownReaderState::receiving ? kLimeText : kYellowText;
}

bool readerSeen(ShownReaderState state)
{
    return state == ShownReaderState::receiving || state == ShownReaderState::quiet;
}

void paintReaderWord(win::Canvas& canvas, int y, std::string_view word, ShownReaderState state)
{
    if (state != ShownReaderState::notRunning)
        gf_textOut(canvas, 458, y, word, state == ShownReaderState::receiving ? kLimeText : kYellowText);
}

constexpr int kMessageX = 3; // [px] the message line's text starts here and keeps as far from the right

// The shown text with the middle of `middle` left out as far as the room asks, or nothing when even
// `before`, the ellipsis and `after` need more room. The end of the middle keeps the odd character.
std::optional<std::string> lf_cutMiddle(const win::Canvas& canvas, const std::string& before,
                                        std::string_view middle, const std::string& after, int room)
{
    const std::string ellipsis = "\u2026";
    if (canvas.textWidth(before + ellipsis + after) > room)
        return std::nullopt;
    std::vector<std::size_t> ends{0}; // whole characters only
    for (std::size_t i = 1; i <= middle.size(); ++i)
        if (i == middle.size() || (static_cast<unsigned char>(middle[i]) & 0xC0u) != 0x80u)
            ends.push_back(i);
    const std::size_t characters = ends.size() - 1;
    const auto kept = [&](std::size_t n)
    {
        return before + std::string(middle.substr(0, ends[n / 2])) + ellipsis +
               std::string(middle.substr(ends[characters - (n + 1) / 2])) + after;
    };
    std::size_t low = 0;
    std::size_t high = characters == 0 ? 0 : characters - 1;
    while (low < high)
    {
        const std::size_t n = (low + high + 1) / 2;
        if (canvas.textWidth(kept(n)) <= room)
            low = n;
        else
            high = n - 1;
    }
    return kept(low);
}

// The notice as it fits the room: the path it names stays whole where it can and the middle of the words
// before it gives way; a longer path gives way in its middle; a notice that names none, in its own.
std::string lf_fitNotice(const win::Canvas& canvas, std::string_view notice, EchoSpan path, int room)
{
    const std::string shown = gf_showBytes(notice);
    if (canvas.textWidth(shown) <= room)
        return shown;
    std::optional<std::string> fitted;
    if (path.size > 0 && path.at + path.size <= notice.size())
    {
        const std::string before = gf_showBytes(notice.substr(0, path.at));
        const std::string named = gf_showBytes(notice.substr(path.at, path.size));
        const std::string after = gf_showBytes(notice.substr(path.at + path.size));
        fitted = lf_cutMiddle(canvas, "", before, named + after, room);
        if (!fitted) // a path too long for the line on its own: the words before it keep at most half
        {
            const std::string words = canvas.textWidth(before) <= room / 2 || before.empty()
                                          ? before
                                          : lf_cutMiddle(canvas, "", before, "", room / 2).value_or("");
            fitted = lf_cutMiddle(canvas, words, named, after, room);
        }
    }
    if (!fitted)
        fitted = lf_cutMiddle(canvas, "", shown, "", room);
    return fitted.value_or(shown);
}

// The message line's text as it fits the band. What is too long goes out of the middle of the user's
// input that the message repeats, so that the verdict around it and the input's start and end stay in
// sight; else out of the middle of the message. A notice at the end is shown whole where it fits beside
// half a line of message, else with the path it names shortened.
std::string lf_fitMessage(const win::Canvas& canvas, std::string_view text, std::string_view notice,
                          EchoSpan echo, EchoSpan noticePath)
{
    constexpr int kRoom = kMessageBand.right - 2 * kMessageX; // [px]
    const std::string shown = gf_showBytes(text);
    if (canvas.textWidth(shown) <= kRoom)
        return shown;
    std::string_view body = text;
    std::string tail;
    if (!notice.empty() && text.ends_with(notice))
    {
        body.remove_suffix(notice.size());
        const std::string gap = body.ends_with(kNoticeGap) ? std::string(kNoticeGap) : std::string();
        body.remove_suffix(gap.size());
        const int bodyRoom = body.empty() ? 0 : std::min(canvas.textWidth(gf_showBytes(body)), kRoom / 2);
        tail = gap + lf_fitNotice(canvas, notice, noticePath, kRoom - bodyRoom - canvas.textWidth(gap));
        if (body.empty() || canvas.textWidth(gf_showBytes(body) + tail) <= kRoom)
            return gf_showBytes(body) + tail;
    }
    if (echo.size > 0 && echo.at + echo.size <= body.size())
    {
        const std::string_view input = body.substr(echo.at, echo.size);
        const std::string before = gf_showBytes(body.substr(0, echo.at));
        const std::string after = gf_showBytes(body.substr(echo.at + echo.size)) + tail;
        // The input's wrong part stays whole where it fits: what gives way is the right part before it.
        std::optional<std::string> fitted;
        if (echo.differsAt > 0 && echo.differsAt < input.size())
            fitted = lf_cutMiddle(canvas, before, gf_showBytes(input.substr(0, echo.differsAt)),
                                  gf_showBytes(input.substr(echo.differsAt)) + after, kRoom);
        if (!fitted)
            fitted = lf_cutMiddle(canvas, before, gf_showBytes(input), after, kRoom);
        if (fitted)
            return *fitted;
    }
    return lf_cutMiddle(canvas, "", gf_showBytes(body), tail, kRoom).value_or(shown);
}

} // namespace

void gf_textOut(win::Canvas& canvas, int x, int y, std::string_view text, win::ColorRef colour)
{
    // A title from an ANSI file is no UTF-8: it is shown with its odd bytes escaped, not left out.
    const std::string shown = gf_showBytes(text);
    try
    {
        gf_utf8ToUtf16(shown);
    }
    catch (const win32::Utf8ConversionException& e)
    {
        gf_logIfRunning(
            fmt::format("{} conversion exception {}, error code: {}", text, e.what(), e.errorCode()));
        return;
    }
    catch (const std::overflow_error& e)
    {
        gf_logIfRunning(fmt::format("{} {}", text, e.what()));
        return;
    }
    canvas.textOut(x, y, shown, colour);
}

void gf_textOutEnabled(win::Canvas& canvas, int x, int y, std::string_view text, bool on)
{
    gf_textOut(canvas, x, y, text, on ? kBlackText : kGreyText);
}

void gf_paintStatus(win::Canvas& canvas)
{
    const ColorRef simColour = simulatorColour();
    canvas.fillRect(kSimBox, simColour);
    gf_textOut(canvas, 398, 63, "Sim", kLimeText);
    if (w.simConnected.load() != 0)
    {
        const std::string stand = w.text(StatusText::userStand);
        gf_textOut(canvas, 5, 35,
                   w.text(StatusText::simulatorText) + (stand.empty() ? "" : ", user stand " + stand),
                   simColour);
        gf_textOut(canvas, 5, 63, w.text(StatusText::userTitle),
                   w.userModelKnown.load() != 0 ? simColour : kYellowText);
    }
    const std::uint64_t liveries = w.liveryCount.load();
    if (liveries != 0)
        gf_textOut(canvas, 5, 91, fmt::format("# liveries: {}", liveries), kLimeText);
    else
        gf_textOut(canvas, 5, 91, "# liveries: ...", kRedText);
    const std::uint64_t simaddon = w.simaddonCount.load();
    if (simaddon != 0)
        gf_textOut(canvas, 141, 91, fmt::format("# {}: {}", "simaddon", simaddon),
                   w.simaddonComplete.load() != 0 ? kLimeText : kYellowText);
    else
        gf_textOut(canvas, 141, 91, std::string("# ") + "simaddon" + ": ...", kYellowText);
    const std::uint64_t thirdp = w.thirdpCount.load();
    if (thirdp != 0)
        gf_textOut(canvas, 278, 91, fmt::format("# thirdp: {}", thirdp), kLimeText);
    else
        gf_textOut(canvas, 278, 91, "# thirdp: ...", kYellowText);

    const TrafficStatus traffic = gf_trafficViewPort().trafficStatus();
    canvas.fillRect(kRtBox, rtColour(traffic));
    gf_textOut(canvas, 430, 63, "RT", kLimeText);
    if (traffic.sourceConnected)
    {
        gf_textOut(canvas, 458, 35, traffic.editionText, kLimeText);
        paintReaderWord(canvas, 63, "Weather", traffic.qnhState);
        paintReaderWord(canvas, 91, "Traffic", traffic.trafficState);
    }
    canvas.line(425, 29, 425, 112, MainWindow::blackPen);
}

void gf_paintQnh(win::Canvas& canvas)
{
    const TrafficStatus traffic = gf_trafficViewPort().trafficStatus();
    if (traffic.sourceConnected && readerSeen(traffic.qnhState) && traffic.qnh >= 1)
        gf_textOut(canvas, 642, 63, fmt::format("qnh: {:4}", traffic.qnh), kLimeText);
}

void gf_paintLabels(win::Canvas& canvas)
{
    for (const Label& label : kLabels)
        if (const std::optional<Shown> shown = label.show())
            gf_textOut(canvas, label.x, label.row->rowY, shown->text, shown->colour);
}

void gf_paintStatistics(win::Canvas& canvas)
{
    const std::string airport = w.text(StatusText::parkAirportDisplay);
    if (airport.empty())
        return;
    const int y1 = static_cast<int>(w.statRowY.load());
    const int y2 = y1 + 28;
    const bool active = w.parkAirportActive.load() != 0;
    gf_textOut(canvas, 5, y1, airport, active ? kLimeText : kYellowText);
    if (!active)
        return;
    gf_textOut(canvas, 85, y1,
               fmt::format(" {}, {}{}, wk={}", w.text(StatusText::parkAirportName),
                           w.text(StatusText::parkPublisher), w.handmadeFile.load() != 0 ? " (h)" : "",
                           w.text(StatusText::trafficWeek)),
               kLimeText);
    if (w.softUsed.load() != 0)
        gf_textOut(canvas, 370, y1, "*S*", kLimeText);
    gf_textOut(canvas, 430, y1, fmt::format("qf: {}", w.text(StatusText::qualityText)), kLimeText);
    const std::string reserved = w.text(StatusText::reservedStand);
    if (!reserved.empty())
        gf_textOut(canvas, 571, y1, fmt::format("reserved stand: {}", reserved),
                   w.reservedStandOk.load() != 0 ? kLimeText : kRedText);
    gf_textOut(canvas, 748, y1, fmt::format("# updates: {:4}", w.updateCount.load()), kLimeText);
    gf_textOut(canvas, 5, y2, fmt::format("# stands: {:3}", w.standCount.load()), kLimeText);
    gf_textOut(canvas, 111, y2, fmt::format("parked live: {:3}", w.parkedLiveCount.load()), kLimeText);
    const float liveFit = w.liveAverageFit.load();
    if (liveFit > 0.0f)
        gf_textOut(canvas, 249, y2, fmt::format("average fit: {}", gf_formatNumber(liveFit)), kLimeText);
    const std::uint32_t maxPark = w.maxPark.load();
    if (maxPark > 0)
    {
        gf_textOut(canvas, 430, y2, fmt::format("parked static: {:3}", w.parkedStaticCount.load()),
                   kLimeText);
        const float staticFit = w.staticAverageFit.load();
        if (!WEEK.value() && staticFit > 0.0f)
            gf_textOut(canvas, 571, y2, fmt::format("average fit: {}", gf_formatNumber(staticFit)),
                       kLimeText);
        gf_textOut(canvas, 708, y2, fmt::format("max park: {:3} (={} %)", maxPark, w.maxParkPercent.load()),
                   kLimeText);
    }
    else
    {
        gf_textOut(canvas, 708, y2, "no max park live", kLimeText);
    }
}

void gf_paintWindow(win::Canvas& canvas)
{
    canvas.fillRect(kHeaderBand, MainWindow::blackBrush);
    canvas.fillRect(kStatusBand, MainWindow::blackBrush);
    canvas.fillRect(kControlBand, MainWindow::lightBlueBrush);
    canvas.fillRect(kStatisticsBand, MainWindow::blackBrush);
    canvas.fillRect(kMessageBand, MainWindow::limeBrush);
    for (const int y : {28, 113, 449, 392})
        canvas.line(0, y, 880, y, MainWindow::whitePen);
    gf_textOut(canvas, 3, 7,
               fmt::format("Version {}", fmt::format("{}.{}.{}", kProgramVersionMajor, kProgramVersionMinor,
                                                     kProgramVersionPatch)),
               kLimeText);
    gf_textOut(canvas, 390, 7, kProductName, kLimeText);
    gf_textOut(canvas, 632, 7, kHeaderNotice, kLimeText);
    for (const RowLine& l : MainWindow::rowLines)
        canvas.line(l.x1, l.y1, l.x2, l.y2, MainWindow::blackPen);
    canvas.line(642, 140, 642, 308, MainWindow::blackPen);
    gf_paintStatus(canvas);
    gf_paintQnh(canvas);
    const TrafficStatus traffic = gf_trafficViewPort().trafficStatus();
    if (traffic.sourceConnected && readerSeen(traffic.trafficState))
        gf_textOut(canvas, 642, 91, fmt::format("live: {:3}", w.liveCount.load()), kLimeText);
    gf_paintLabels(canvas);
    gf_paintStatistics(canvas);

    std::lock_guard lock(w.messageMutex);
    const bool error = !w.errorText.empty();
    canvas.fillRect(kMessageBand, error ? MainWindow::redBrush : MainWindow::limeBrush);
    const std::string& text = error ? w.errorText : w.messageText;
    if (!text.empty())
        gf_textOut(canvas, kMessageX, 455,
                   lf_fitMessage(canvas, text, w.noticeText, error ? EchoSpan{} : w.echo, w.noticeEcho),
                   kYellowText);
}

} // namespace oxl
