// Control texts of bound settings.
#include "window/control_text.h"

#include <cmath>
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

win::Hwnd lf_controlOrLog(std::uint32_t controlId)
{
    const win::Hwnd box = win::getDlgItem(win::kMainWindow, controlId);
    if (box == win::kNoWindow)
        gf_log(fmt::format("GetDlgItem failed for ID {}", controlId));
    return box;
}

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
    const win::Hwnd box = lf_controlOrLog(controlId);
    if (box == win::kNoWindow)
        return;
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

void gf_showCheckMark(const CheckBoxParameter& box)
{
    const win::Hwnd control = win::getDlgItem(win::kMainWindow, box.controlId);
    if (control != win::kNoWindow)
        win::setButtonCheck(control, box.value());
}

std::string gf_getTextFromId(std::uint32_t controlId)
{
    const win::Hwnd box = lf_controlOrLog(controlId);
    if (box == win::kNoWindow)
        return {};
    try
    {
        std::string text = win::getWindowText(box);
        gf_utf8ToUtf16(text); // the text as the control holds it must convert back
        return text;
    }
    catch (const std::exception& error)
    {
        gf_logMarked(fmt::format("{} {}", "lf_getTextFromId", error.what()));
        return {};
    }
}

void gf_clearControlText(std::uint32_t controlId)
{
    const win::Hwnd box = win::getDlgItem(win::kMainWindow, controlId);
    if (box != win::kNoWindow)
        win::setWindowText(box, "");
}

} // namespace oxl
