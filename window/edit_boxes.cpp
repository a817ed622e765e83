// The edit boxes' procedures and what Enter does in each.
#include "window/edit_boxes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fmt/format.h>
#include <gsl/narrow>
#include <system_error>

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/periodic_requests.h"
#include "foundation/program.h"
#include "foundation/run_state.h"
#include "foundation/strings.h"
#include "platform/win_path.h"
#include "window/control_handlers.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/window_state.h"

namespace oxl
{
namespace
{

constexpr std::size_t kMinCallsign = 4;   // characters
constexpr std::size_t kMaxCallsign = 8;   // characters
constexpr std::size_t kIcaoLength = 4;    // characters
constexpr std::int32_t kPathRestartS = 3; // [s] restart delay after a new install path

bool isEnter(unsigned msg, win::WParam wParam)
{
    return msg == win::WM_CHAR && wParam == win::kEnterKey;
}

// Runs the Enter handling of a box; nothing it throws leaves the box procedure.
template <class F> void guarded(const char* procedure, F&& body)
{
    try
    {
        body();
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{} exception: {}", procedure, e.what()));
    }
}

// Characters of a UTF-8 text: bytes that start a character.
std::size_t characters(const std::string& text)
{
    std::size_t n = 0;
    for (const unsigned char c : text)
        n += (c & 0xC0u) != 0x80u ? 1 : 0;
    return n;
}

// A line break or other control character (typed or pasted) makes a code invalid.
bool hasControlCharacter(const std::string& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20u || c == '\x7F'; });
}

// The text as a message shows it: with a control character in it, escaped, so that it keeps to one line.
std::string shownCode(const std::string& text)
{
    return hasControlCharacter(text) ? gf_outsideText(text) : text;
}

// Upper-cases ASCII letters only; other bytes stay as they are.
std::string upperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Where a typed path stops naming what exists: the start of its first missing component.
std::size_t firstMissingComponent(const std::string& path)
{
    std::size_t start = 0;
    for (std::size_t end = path.find_first_of("\\/");; end = path.find_first_of("\\/", end + 1))
    {
        std::error_code ignored;
        const std::string prefix = path.substr(0, end);
        if (!prefix.empty() && !std::filesystem::exists(WinPath(prefix).real(), ignored))
            return start;
        if (end == std::string::npos)
            return std::string::npos;
        start = end + 1;
    }
}

win::LResult passOn(const ControlBinding& box, win::Hwnd hwnd, unsigned msg, win::WParam wParam,
                    win::LParam lParam)
{
    return win::callWindowProc(box.previousProc, hwnd, msg, wParam, lParam);
}

win::LResult installPathBoxProc(win::Hwnd h, unsigned m, win::WParam w, win::LParam l)
{
    return gf_editBoxProc(ALL_INSTALL_PATH, h, m, w, l);
}
win::LResult blockCallsignBoxProc(win::Hwnd h, unsigned m, win::WParam w, win::LParam l)
{
    return gf_editBoxProc(BLOCK_CALLSIGN, h, m, w, l);
}
win::LResult destinationBoxProc(win::Hwnd h, unsigned m, win::WParam w, win::LParam l)
{
    return gf_editBoxProc(DESTINATION, h, m, w, l);
}

} // namespace

std::optional<std::int32_t> gf_parseWholeNumber(std::string_view text, bool* outOfRange)
{
    const std::string trimmed = gf_trim(std::string(text));
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (last - first >= 2 && *first == '+' && first[1] >= '0' && first[1] <= '9')
        ++first; // "+5" is a number as the user means it
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (outOfRange != nullptr)
        *outOfRange = error == std::errc::result_out_of_range && end == last;
    if (error != std::errc{} || end != last || first == last)
        return std::nullopt;
    return value;
}

std::optional<float> gf_parseFiniteNumber(std::string_view text)
{
    const std::string trimmed = gf_trim(std::string(text));
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (last - first >= 2 && *first == '+' && first[1] != '-')
        ++first;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc{} || end != last || first == last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

win::WndProc gf_editBoxProcFor(const ControlBinding& box)
{
    if (&box == &ALL_INSTALL_PATH)
        return installPathBoxProc;
    if (&box == &BLOCK_CALLSIGN)
        return blockCallsignBoxProc;
    if (&box == &DESTINATION)
        return destinationBoxProc;
    if (&box == &parking_percentage)
        return gf_parkingPercentageBoxProc;
    if (&box == &MAX_FIT_FL)
        return gf_maxFitBoxProc;
    return nullptr;
}

win::LResult gf_editBoxProc(StringEditParameter& setting, win::Hwnd hwnd, unsigned msg, win::WParam wParam,
                            win::LParam lParam)
{
    if (!isEnter(msg, wParam))
        return passOn(setting, hwnd, msg, wParam, lParam);
    gf_dismissNotice();
    guarded("lf_editBoxProc",
            [&]
            {
                gf_clearMessage();
                if (&setting == &BLOCK_CALLSIGN)
                    gf_processBlockCallsign();
                else if (&setting == &DESTINATION)
                    gf_processDestination();
                else if (&setting == &ALL_INSTALL_PATH)
                    gf_processInstallPath(gf_getTextFromId(ALL_INSTALL_PATH.controlId));
            });
    return 0;
}

win::LResult gf_parkingPercentageBoxProc(win::Hwnd hwnd, unsigned msg, win::WParam wParam, win::LParam lParam)
{
    if (!isEnter(msg, wParam))
        return passOn(parking_percentage, hwnd, msg, wParam, lParam);
    gf_dismissNotice();
    guarded("lf_parkingPercentageBoxProc",
            []
            {
                gf_clearMessage();
                gf_processTbInt(parking_percentage);
            });
    return 0;
}

win::LResult gf_maxFitBoxProc(win::Hwnd hwnd, unsigned msg, win::WParam wParam, win::LParam lParam)
{
    if (!isEnter(msg, wParam))
        return passOn(MAX_FIT_FL, hwnd, msg, wParam, lParam);
    gf_dismissNotice();
    guarded("lf_maxFitBoxProc",
            []
            {
                gf_clearMessage();
                if (gWindow.gMainWindow.parkAirportActive.load() != 0 && gf_processTbFloat(MAX_FIT_FL))
                    gf_respondCountdown();
            });
    return 0;
}

void gf_processTbInt(EditParameter<IntParameter>& setting)
{
    const std::string text = gf_getTextFromId(setting.controlId);
    bool changed = false;
    // Only an emptied box means 0: blanks alone are no number and are refused as other text is.
    if (text.empty())
    {
        setting.set(0);
        changed = true;
    }
    else
    {
        bool outOfRange = false;
        const std::optional<std::int32_t> n = gf_parseWholeNumber(text, &outOfRange);
        if (outOfRange)
        {
            gf_logMarked(fmt::format("{}: {}, h={} ", "lf_processTbInt", "number out of range", text));
            gf_showMessage(
                gf_echoed(fmt::format("This number is out of range: {{}}; type a whole number from "
                                      "{} to {} and press Enter",
                                      setting.minimum, setting.maximum),
                          shownCode(text)),
                false);
        }
        else if (!n)
            gf_showMessage(gf_echoed("invalid input: {}", text), true);
        else if (*n == setting.value())
            gf_showMessage(fmt::format("Same {} value {}, no changes made", setting.name, *n), true);
        else
        {
            setting.set(setting.clamped(*n));
            changed = true;
        }
    }
    // The percentage is one of the park airport's settings and is saved with its file.
    if (changed)
        gf_showMessage(fmt::format("The new {} is {}", setting.name, setting.value()), false);
    gf_setIntBoxText(setting);
}

bool gf_processTbFloat(EditParameter<FloatParameter>& setting)
{
    const std::string text = gf_getTextFromId(setting.controlId);
    bool changed = false;
    if (text.empty())
    {
        setting.set(setting.clamped(setting.defaultValue));
        MAX_FIT.set(MAX_FIT.clamped(MAX_FIT.defaultValue));
        MAX_FIT.save();
        changed = true;
    }
    else if (const std::optional<float> v = gf_parseFiniteNumber(text); !v)
    {
        gf_log(fmt::format("{}: {}, h={}", "lf_processTbFloat", "not a finite number", text));
        gf_showMessage(
            gf_echoed(fmt::format("This is not a number of hours: {{}}; type one from {} to {} and "
                                  "press Enter",
                                  gf_formatNumber(setting.minimum), gf_formatNumber(setting.maximum)),
                      shownCode(text)),
            false);
    }
    else if (*v == setting.value())
    {
        gf_showMessage(fmt::format("Same {} value {}, no changes made", setting.name, gf_formatNumber(*v)),
                       true);
    }
    else
    {
        // Whole and half hours only: MAX_FIT counts half hours beyond the first.
        setting.set(setting.clamped(*v));
        const auto halfHours = gsl::narrow<std::int32_t>(std::lround(2.0f * setting.value())) - 1;
        MAX_FIT.set(MAX_FIT.clamped(halfHours));
        MAX_FIT.save();
        setting.set(setting.clamped(static_cast<float>(MAX_FIT.value()) * 0.5f + 0.5f));
        changed = true;
    }
    if (changed)
        gf_showMessage(fmt::format("The new {} is {:.1f}", setting.name, setting.value()), false);
    gf_setFloatBoxText(setting);
    return changed;
}

void gf_processInstallPath(const std::string& text)
{
    gf_clearErrorAndMessage();
    // An empty path names nothing that exists: it is refused as well, never saved as the simulator's path.
    std::error_code error;
    const bool exists = !text.empty() && std::filesystem::exists(WinPath(text).real(), error);
    if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory)
    {
        gf_showMessage(
            gf_echoed(
                fmt::format("This install path cannot be checked: {{}} ({}); type one whose folders you may "
                            "read and press Enter",
                            error.message()),
                text),
            true);
        gf_setStringBoxText(ALL_INSTALL_PATH); // the box shows the path in force again
        return;
    }
    if (!exists)
    {
        if (gf_trim(text).empty())
            gf_showMessage(std::string(kEmptyInstallPath), true);
        else
        {
            EchoedMessage refusal = gf_echoed("This install path does not exist: {}", text);
            refusal.echo.differsAt = firstMissingComponent(text);
            gf_showMessage(refusal, true);
        }
        gf_setStringBoxText(ALL_INSTALL_PATH);
        return;
    }
    // A file (the simulator's program, as a shortcut shows it) or a device names no folder to look in.
    if (!std::filesystem::is_directory(WinPath(text).real(), error))
    {
        gf_showMessage(gf_echoed(kNotAFolderInstallPath, text), true);
        gf_setStringBoxText(ALL_INSTALL_PATH);
        return;
    }
    SIM_INSTALL_PATH.setAndSave(text);
    ALL_INSTALL_PATH.set(text);
    gf_showMessage(fmt::format("Install path exists, {} will restart", kProductName), true);
    gf_requestStop(ExitReason::newSettings, kPathRestartS);
}

void gf_processBlockCallsign()
{
    gf_clearMessage();
    const std::string text = gf_getTextFromId(BLOCK_CALLSIGN.controlId);
    if (text.empty())
    {
        if (!BLOCK_CALLSIGN.value().empty())
            gf_unblockCallsigns();
        return;
    }
    const std::size_t length = characters(text);
    if (length < kMinCallsign || length > kMaxCallsign || hasControlCharacter(text))
    {
        gf_showMessage(gf_echoed("callsign '{}' is not valid", shownCode(text)), true);
        gf_setStringBoxText(BLOCK_CALLSIGN);
        return;
    }
    const std::string callsign = upperAscii(text);
    if (callsign == BLOCK_CALLSIGN.value())
    {
        gf_showMessage(fmt::format("callsign '{}' was already set ...", callsign), true);
        gf_setStringBoxText(BLOCK_CALLSIGN);
        return;
    }
    BLOCK_CALLSIGN.setAndSave(callsign);
    gf_setStringBoxText(BLOCK_CALLSIGN);
    gf_enableControl(gUnblockButton, true);
    gf_showMessage(fmt::format("live aircraft with callsign '{}' will be blocked", callsign), true);
    gFoundation.gBlockCallsignRequest.store(1);
}

void gf_unblockCallsigns()
{
    const std::string blocked = BLOCK_CALLSIGN.value();
    if (blocked.empty())
        return;
    BLOCK_CALLSIGN.setAndSave("");
    gf_setStringBoxText(BLOCK_CALLSIGN);
    gf_enableControl(gUnblockButton, false);
    gf_showMessage(fmt::format("no more blocking of live aircraft '{}'", blocked), true);
    gFoundation.gBlockCallsignRequest.store(1);
}

void gf_processDestination()
{
    gf_clearMessage();
    const std::string text = gf_getTextFromId(DESTINATION.controlId);
    if (text.empty())
    {
        DESTINATION.set("");
        gf_enableControl(gRereadButton, true);
        gf_showMessage("destination set to empty", true);
        return;
    }
    if (characters(text) != kIcaoLength || hasControlCharacter(text))
    {
        gf_showMessage(gf_echoed("destination '{}' is not valid", shownCode(text)), true);
        gf_setStringBoxText(DESTINATION);
        return;
    }
    const std::string code = upperAscii(text);
    if (code == DESTINATION.value())
    {
        gf_showMessage(fmt::format("destination '{}' was already set ...", code), true);
        gf_setStringBoxText(DESTINATION);
        return;
    }
    // The airport list and the park-airport list belong to the cycle worker, which looks the code up.
    gf_requestDestination(code);
}

} // namespace oxl
