// The handlers of the main window's check boxes, combo boxes and buttons.
#include "window/control_handlers.h"

#include <array>
#include <atomic>
#include <exception>
#include <fmt/format.h>

#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/log.h"
#include "foundation/periodic_requests.h"
#include "foundation/program.h"
#include "foundation/range.h"
#include "foundation/run_state.h"
#include "foundation/strings.h"
#include "foundation/utf.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/edit_boxes.h"
#include "window/window_state.h"

namespace oxl
{
namespace
{

constexpr std::int32_t kScanRestartDelayS = 2; // [s] a scan asked for while the cycle starts
constexpr std::int32_t kRespondPeriodS = 15;   // [s] the 15-second routine recomputes static parking
constexpr std::uint8_t kLightsOff = 1;         // gFoundation.gNavLightsRequest values
constexpr std::uint8_t kLightsOn = 2;

// A message when `show`, else the message line emptied.
void messageOrClear(bool show, const std::string& text)
{
    if (show)
        gf_showMessage(text, false);
    else
        gf_clearMessage();
}

bool staticParkingActive()
{
    return gWindow.gMainWindow.parkAirportActive.load() != 0;
}

void markParametersChangedWhileActive()
{
    if (staticParkingActive())
        gFoundation.gParametersChanged.store(1);
}

// A scan asked for: at once while the cycle still starts (it ends and restarts with the scan), else at
// the next start of the program.
void scanAsked(std::string_view now, std::string_view later)
{
    if (gWindow.gMainWindow.waitingForSource.load() != 0)
    {
        gf_showMessage(std::string(now), true);
        gf_requestStop(ExitReason::newSettings, kScanRestartDelayS);
    }
    else
    {
        gf_showMessage(fmt::format("{} at the next start of {}, {}", now, kProductName, later), false);
    }
}

void autoRangeSwitched(bool on)
{
    gFoundation.gParametersChanged.store(1);
    gf_enableControl(RANGE, !on);
    gf_enableControl(AR_ABOVE_HEIGHT, on);
    if (on)
    {
        gf_rememberManualRange();
        // The step reads the user aircraft and the park-airport list, which the cycle worker owns.
        gFoundation.gAutoRangeRequest.store(1);
        return;
    }
    const std::int32_t manual = gf_manualRange();
    RANGE.set(manual);
    gf_setRange(manual);
    gf_setIntBoxText(RANGE);
    gf_clearMessage();
}

// What a box does once its new state is stored and saved.
struct BoxEffect
{
    CheckBoxParameter* box;
    void (*effect)(bool on); // nullptr: nothing further
};

const auto& boxEffects()
{
    static const auto effects = std::to_array<BoxEffect>({
        {&LIG_AUTOMATIC, [](bool on)
         { messageOrClear(!on, "The liveries defined by your lfolder parameters will be scanned"); }},
        {&LIG_PRIORITIZE,
         [](bool on)
         {
             messageOrClear(on, "Liveries, for airl+model, in lower lfolders that are already available will "
                                "be skipped");
         }},
        {&COLLISION_LIVE_PARKED_GND,
         [](bool on)
         {
             messageOrClear(
                 !on, "Be aware, no collision avoidance with live aircraft vs parked static on the ground");
         }},
        {&COLLISION_USER_GND, [](bool on)
         { messageOrClear(!on, "Be aware, no collision avoidance with user aircraft on the ground"); }},
        {&COLLISION_USER_AIR, [](bool on)
         { messageOrClear(!on, "Be aware, no collision avoidance with user aircraft in the air"); }},
        {&INITIAL_LOAD_ONLY,
         [](bool on)
         {
             messageOrClear(on,
                            "Initial Load Only: static parked aircraft are generated once, no renewal every "
                            "20 minutes");
             gf_invalidateBand(kControlBand);
             markParametersChangedWhileActive();
         }},
        {&ALWAYS_ON_TOP,
         [](bool on)
         {
             messageOrClear(on, fmt::format("{}'s window will remain visible", kProductName));
             win::setTopmost(win::kMainWindow, on);
         }},
        {&SUPPRESS_STUB,
         [](bool on) { messageOrClear(on, "Exclude FSLTL-liveries titles ending with _STUB from scan"); }},
        {&GUID_CHANGES,
         [](bool on)
         {
             messageOrClear(!on, "Be aware, no more livery updates: you miss correct data for Learn, "
                                 "LittleNavMap, etc!");
         }},
        {&DRELLAND,
         [](bool on)
         {
             messageOrClear(
                 on, fmt::format("Note: This mode is for Drelland Morvath users only, please re-start {}",
                                 kProductName));
         }},
        {&AUTO_RANGE, [](bool on) { autoRangeSwitched(on); }},
        {&SCAN_LIVERIES,
         [](bool on)
         {
             if (on)
             {
                 if (gWindow.gMainWindow.waitingForSource.load() != 0)
                     gFoundation.gLiveryIndexClearRequest.store(
                         1); // served when the restarted cycle reads the liveries
                 scanAsked("Your liveries will be scanned",
                           "recommended after you have add/removed AI aircraft models/liveries");
             }
             else
             {
                 gf_clearMessage();
             }
             gf_invalidateBand(kControlBand);
         }},
        {&SCAN_AIRPORTS,
         [](bool on)
         {
             if (on)
                 scanAsked("Your airports will be scanned",
                           "recommended after you have add/removed airports");
             else
                 gf_clearMessage();
             gf_invalidateBand(kControlBand);
         }},
        {&AFG_AUTOMATIC,
         [](bool on)
         {
             if (!on)
                 gf_showMessage("The airports defined by your afolder parameters will be scanned", true);
         }},
        {&NAV_LIGHTS_WHILE_PARKED,
         [](bool on) { gFoundation.gNavLightsRequest.store(on ? kLightsOn : kLightsOff); }},
        {&LEARN_SOFT, [](bool) { markParametersChangedWhileActive(); }},
        {&PARK_SOFT, [](bool) { gf_respondCountdown(); }},
        {&PARK_FAKE, [](bool) { gf_respondCountdown(); }},
        {&WEEK, [](bool) { gf_respondCountdown(); }},
        {&STRAIGHT_PBS_ONLY, nullptr},
        {&LOG, nullptr},
        {&LIGHT_AIRCRAFT, nullptr},
        {&HELICOPTERS, nullptr},
        {&HIGH_PERF_AIRCRAFT, nullptr},
    });
    return effects;
}

void comboChosen(ComboParameter& combo, std::int32_t value)
{
    if (&combo == &MAX_PARK_SEL)
    {
        gf_respondCountdown();
    }
    else if (&combo == &RANGE)
    {
        gf_setRange(value);
        gFoundation.gParametersChanged.store(1);
    }
    else if (&combo == &MAX_LIVE_SEL)
    {
        if (staticParkingActive())
            gFoundation.gParametersChanged.store(1);
        else
            gFoundation.gSavedLiveLimit.store(value);
        gFoundation.gTrimLiveRequest.store(1);
    }
}

} // namespace

bool gf_HandleWMCOMMAND(win::WParam wParam)
{
    try
    {
        const unsigned id = win::loWord(wParam);
        if (gf_handleButtons(id) || gf_handleCheckBoxes(id) || gf_handleComboBoxes(wParam))
            return true;
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", e.what()));
    }
    gf_invalidateBand(kControlBand);
    return false;
}

bool gf_handleButtons(unsigned controlId)
{
    if (controlId == gUnblockButton.controlId)
    {
        if (BLOCK_CALLSIGN.value().empty())
            gf_showMessage("Nothing to block or unblock...", false);
        else
            gf_unblockCallsigns();
        return true;
    }
    if (controlId == gRereadButton.controlId)
    {
        gFoundation.gStandCheckRequest.store(1);
        gf_enableControl(gRereadButton, false);
        gf_enableControl(DESTINATION, false);
        return true;
    }
    if (controlId == gFlushStaticButton.controlId)
    {
        gf_showMessage("All static parked aircraft will be removed ...", false);
        gFoundation.gFlushStaticRequest.store(1);
        gf_enableControl(gFlushStaticButton, false);
        return true;
    }
    return false;
}

bool gf_handleCheckBoxes(unsigned controlId)
{
    for (const BoxEffect& entry : boxEffects())
    {
        CheckBoxParameter& box = *entry.box;
        if (box.controlId != controlId)
            continue;
        const bool on = !win::isDlgButtonChecked(win::kMainWindow, controlId);
        win::setButtonCheck(win::getDlgItem(win::kMainWindow, controlId), on);
        box.set(on);
        box.save();
        if (entry.effect != nullptr)
            entry.effect(on);
        return true;
    }
    return false;
}

std::optional<std::pair<int, std::string>> gf_getComboSelection(unsigned comboId, win::WParam wParam)
{
    if (win::loWord(wParam) != comboId || win::hiWord(wParam) != win::CBN_SELCHANGE)
        return std::nullopt;
    const win::Hwnd box = win::getDlgItem(win::kMainWindow, comboId);
    const int index = win::comboGetCurSel(box);
    if (index == win::CB_ERR)
        return std::nullopt;
    std::optional<std::string> text = win::comboGetLbText(box, index);
    if (!text)
        return std::nullopt;
    gf_utf8ToUtf16(*text); // throws the conversion error for a text that is no valid UTF-8
    return std::pair{index, std::move(*text)};
}

bool gf_handleComboBoxes(win::WParam wParam)
{
    for (ComboParameter* combo :
         {&MATCHING_DEPTH, &MAX_PARK_SEL, &RANGE, &AIRP_RANGE, &AR_ABOVE_HEIGHT, &AIRP_HEIGHT, &MAX_LIVE_SEL})
    {
        const auto selection = gf_getComboSelection(combo->controlId, wParam);
        if (!selection)
            continue;
        const std::int32_t value =
            combo->clamped(combo->choices.at(static_cast<std::size_t>(selection->first)));
        combo->set(value);
        combo->save();
        gf_setIntBoxText(*combo);
        comboChosen(*combo, value);
        return true;
    }
    return false;
}

void gf_respondCountdown()
{
    if (!staticParkingActive())
        return;
    gFoundation.gParametersChanged.store(1);
    if (INITIAL_LOAD_ONLY.value())
    {
        gf_clearMessage();
        return;
    }
    const std::int32_t s = gFoundation.gLoopSecondsShown.load();
    const std::int32_t wait = (s / kRespondPeriodS + 1) * kRespondPeriodS - s;
    gf_showMessage(fmt::format("{} will respond in {} second{} ...", kProductName, wait, gf_pluralS(wait)),
                   false);
    gFoundation.gRenewalRequest.store(1);
}

} // namespace oxl
