// The main window's side of the start-up load.
#include "window/settings_view.h"

#include "foundation/range.h"
#include "foundation/settings_file.h"
#include "platform/win.h"
#include "window/control_text.h"

namespace oxl
{

void gf_connectSettingsView()
{
    SettingsView view;
    view.showCheck = [](const CheckBoxParameter& box) { gf_showCheckMark(box); };
    view.showInt = [](const IntParameter& setting, const ControlBinding& control)
    { gf_setIntBoxText(setting, control); };
    view.showString = [](const StringEditParameter& setting) { gf_setStringBoxText(setting); };
    view.applyRange = [](std::int32_t nm) { return gf_setRange(nm); };
    gf_setSettingsView(std::move(view));
}

} // namespace oxl
