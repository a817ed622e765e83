// Control texts of bound settings.
#include "window/control_text.h"

#include <exception>
#include <fmt/format.h>
#include <string>

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/utf.h"

namespace oxl
{
namespace
{

// Any thread may write: the window layer keeps the controls' state under its own lock.
void lf_writeControlText(const char* caller, std::uint32_t controlId, const std::string& text)
{
    try
    {
        // Controls hold UTF-16 text: text that does not convert is reported, not shown.
        gf_utf8ToUtf16(text);
    }
    catch (const std::exception& error)
    {
        gf_logMarked(fmt::format("{} exception: {}", caller, error.what()));
        return;
    }
    const win::Hwnd box = win::getDlgItem(win::kMainWindow, controlId);
    if (box == win::kNoWindow)
    {
        gf_log(fmt::format("GetDlgItem failed for ID {}", controlId));
        return;
    }
    win::setWindowText(box, text);
    win::invalidateRect(win::kMainWindow, kControlBand);
}

} // namespace

void gf_setIntBoxText(const IntParameter& setting, const ControlBinding& control)
{
    lf_writeControlText("gf_setIntBoxText", control.controlId, std::to_string(setting.value()));
}

void gf_setIntBoxText(const ComboParameter& setting)
{
    gf_setIntBoxText(setting, setting);
}

void gf_setIntBoxText(const EditParameter<IntParameter>& setting)
{
    gf_setIntBoxText(setting, setting);
}

void gf_setFloatBoxText(const EditParameter<FloatParameter>& setting)
{
    lf_writeControlText("gf_setFloatBoxText", setting.controlId, gf_formatNumber(setting.value()));
}

void gf_setStringBoxText(const StringEditParameter& setting)
{
    lf_writeControlText("gf_setStringBoxText", setting.controlId, setting.value());
}

void gf_setStringBoxTextNoThrow(const StringEditParameter& setting) noexcept
{
    try
    {
        gf_setStringBoxText(setting);
    }
    catch (...)
    {
        // Serves the simulator install detection, which must go on whatever the window does.
    }
}

} // namespace oxl
