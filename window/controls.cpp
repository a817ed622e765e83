// Creation of the main window's controls.
#include "window/controls.h"

#include <fmt/format.h>

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "window/edit_boxes.h"
#include "window/main_window.h"

namespace oxl
{
namespace
{

constexpr int kCheckBoxSize = 12; // [px]
constexpr int kCheckBoxDrop = 2;  // [px] a check box sits this far below its row
constexpr int kButtonHeight = 20; // [px]
constexpr int kEditHeight = 16;   // [px]
constexpr int kComboRise = 5;     // [px] a combo box starts this far above its row
constexpr int kComboHeight = 22;  // [px] the closed combo box

using win::ControlKind;

ControlPlace check(CheckBoxParameter& p, int x)
{
    return {ControlKind::CheckBox, &p, x, kCheckBoxSize, 0};
}
ControlPlace combo(ComboParameter& p, int x, int width, int listHeight)
{
    return {ControlKind::Combo, &p, x, width, listHeight};
}
ControlPlace edit(ControlBinding& p, int x, int width)
{
    return {ControlKind::Edit, &p, x, width, 0};
}
ControlPlace button(ButtonControl& p, int x, int width)
{
    return {ControlKind::PushButton, &p, x, width, 0};
}

// The caption of a push button, the first mark of a check box.
std::string captionOf(const ControlPlace& place)
{
    if (const auto* b = dynamic_cast<const ButtonControl*>(place.binding))
        return b->name;
    return {};
}
bool checkedOf(const ControlPlace& place)
{
    if (const auto* c = dynamic_cast<const CheckBoxParameter*>(place.binding))
        return c->value();
    return false;
}

} // namespace

const std::vector<ControlPlace>& gf_controlPlaces()
{
    static const std::vector<ControlPlace> places{
        edit(ALL_INSTALL_PATH, 111, 1200),
        check(SCAN_LIVERIES, 5),
        check(LIG_AUTOMATIC, 217),
        check(LIG_PRIORITIZE, 450),
        check(SUPPRESS_STUB, 536),
        check(LOG, 652),
        check(ALWAYS_ON_TOP, 748),
        check(SCAN_AIRPORTS, 5),
        check(AFG_AUTOMATIC, 217),
        check(NAV_LIGHTS_WHILE_PARKED, 652),
        check(LEARN_SOFT, 748),
        combo(MATCHING_DEPTH, 217, 40, 120),
        check(LIGHT_AIRCRAFT, 323),
        check(HELICOPTERS, 430),
        check(HIGH_PERF_AIRCRAFT, 536),
        check(DRELLAND, 652),
        check(GUID_CHANGES, 748),
        combo(RANGE, 217, 50, 200),
        check(AUTO_RANGE, 323),
        combo(AR_ABOVE_HEIGHT, 455, 70, 230),
        edit(BLOCK_CALLSIGN, 217, 100),
        button(gUnblockButton, 323, 70),
        check(COLLISION_USER_GND, 217),
        check(COLLISION_USER_AIR, 323),
        check(COLLISION_LIVE_PARKED_GND, 430),
        combo(MAX_PARK_SEL, 323, 55, 144),
        combo(MAX_LIVE_SEL, 536, 55, 144),
        check(STRAIGHT_PBS_ONLY, 652),
        edit(DESTINATION, 217, 50),
        combo(AIRP_RANGE, 353, 45, 144),
        combo(AIRP_HEIGHT, 566, 70, 230),
        button(gRereadButton, 758, 90),
        check(PARK_FAKE, 5),
        check(WEEK, 71),
        check(PARK_SOFT, 151),
        edit(parking_percentage, 323, 34),
        check(INITIAL_LOAD_ONLY, 430),
        edit(MAX_FIT_FL, 566, 34),
        button(gFlushStaticButton, 758, 90),
    };
    return places;
}

void gf_enableControl(const ControlBinding& control, bool enable)
{
    win::enableWindow(control.controlId, enable);
    // Some labels are drawn grey while their control is off.
    gf_invalidateBand(kControlBand);
}

void gf_createControls()
{
    win::setControlBackground(MainWindow::lightBlueBrush);
    for (const ControlPlace& place : gf_controlPlaces())
    {
        win::ControlSpec spec;
        spec.kind = place.kind;
        spec.id = place.binding->controlId;
        spec.x = place.x;
        spec.width = place.width;
        spec.caption = captionOf(place);
        switch (place.kind)
        {
        case ControlKind::CheckBox:
            spec.y = place.binding->rowY + kCheckBoxDrop;
            spec.height = kCheckBoxSize;
            spec.checked = checkedOf(place);
            spec.enabled = true;
            break;
        case ControlKind::PushButton:
            spec.y = place.binding->rowY;
            spec.height = kButtonHeight;
            spec.enabled = false;
            break;
        case ControlKind::Edit:
            spec.y = place.binding->rowY;
            spec.height = kEditHeight;
            spec.enabled = false;
            break;
        case ControlKind::Combo:
            spec.y = place.binding->rowY - kComboRise;
            spec.height = kComboHeight;
            spec.enabled = true;
            break;
        }
        const win::Hwnd made = win::createControl(spec);
        if (made == win::kNoWindow)
            gf_logMarked(fmt::format("Cannot create the control with ID {}", spec.id));
        place.binding->window = made == win::kNoWindow ? win::kNoWindow : win::kMainWindow;
        // An edit box acts on Enter in its own procedure and passes everything else on.
        if (made != win::kNoWindow && place.kind == ControlKind::Edit)
            place.binding->previousProc = win::setWindowProc(made, gf_editBoxProcFor(*place.binding));
    }
}

} // namespace oxl
