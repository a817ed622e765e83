// The main window's side of the start-up load.
#include "window/settings_view.h"

#include "foundation/range.h"
#include "platform/win.h"
#include "window/control_text.h"

namespace oxl
{

namespace
{

// Check marks and box texts in the main window's controls, and the range applied to the traffic.
class WindowSettingsView final : public SettingsView
{
  public:
    void showCheck(const CheckBoxParameter& box) override { gf_showCheckMark(box); }
    void showInt(const IntParameter& setting, const ControlBinding& control) override
    {
        gf_setIntBoxText(setting, control);
    }
    void showString(const StringEditParameter& setting) override { gf_setStringBoxText(setting); }
    void applyRange(std::int32_t nm) override { gf_setRange(nm); }
};

} // namespace

SettingsView& gf_windowSettingsView()
{
    static WindowSettingsView view;
    return view;
}

} // namespace oxl
