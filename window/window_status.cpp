#include "window/window_status.h"

#include "window/auto_range.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/main_window.h"
#include "window/parking_controls.h"

#include <stdexcept>

namespace oxl
{
namespace
{

std::atomic<std::uint8_t>& lf_flagField(StatusFlag which)
{
    switch (which)
    {
    case StatusFlag::simConnected:
        return gMainWindow.simConnected;
    case StatusFlag::simRunning:
        return gMainWindow.simRunning;
    case StatusFlag::userModelKnown:
        return gMainWindow.userModelKnown;
    case StatusFlag::simaddonComplete:
        return gMainWindow.simaddonComplete;
    case StatusFlag::reservedStandOk:
        return gMainWindow.reservedStandOk;
    case StatusFlag::parkAirportActive:
        return gMainWindow.parkAirportActive;
    case StatusFlag::handmadeFile:
        return gMainWindow.handmadeFile;
    case StatusFlag::softUsed:
        return gMainWindow.softUsed;
    }
    throw std::invalid_argument("not a status flag");
}

void lf_repaint(WindowBand band)
{
    switch (band)
    {
    case WindowBand::status:
        return gf_invalidateBand(kStatusBand);
    case WindowBand::controls:
        return gf_invalidateBand(kControlBand);
    case WindowBand::statistics:
        return gf_invalidateBand(kStatisticsBand);
    case WindowBand::message:
        return gf_invalidateBand(kMessageBand);
    case WindowBand::all:
        return win::invalidateWindow(win::kMainWindow);
    }
}

class WindowStatusService final : public StatusService
{
  public:
    void showMessage(const std::string& text, bool log) override { gf_showMessage(text, log); }
    void clearMessage() override { gf_clearMessage(); }
    void showError(const std::string& text) override { gf_showError(text); }

    void setText(StatusText which, const std::string& value) override { gMainWindow.setText(which, value); }
    [[nodiscard]] std::string text(StatusText which) const override { return gMainWindow.text(which); }
    void setCount(StatusCount which, std::uint64_t value) override
    {
        const auto small = static_cast<std::uint32_t>(value);
        switch (which)
        {
        case StatusCount::liveries:
            return gMainWindow.liveryCount.store(value);
        case StatusCount::tbloFiles:
            return gMainWindow.tbloFileCount.store(value);
        case StatusCount::stands:
            return gMainWindow.standCount.store(value);
        case StatusCount::maxPark:
            return gMainWindow.maxPark.store(small);
        case StatusCount::maxParkPercent:
            return gMainWindow.maxParkPercent.store(small);
        case StatusCount::learnedUpdates:
            return gMainWindow.updateCount.store(small);
        }
    }
    void setFlag(StatusFlag which, bool on) override { lf_flagField(which).store(on ? 1 : 0); }
    [[nodiscard]] bool flag(StatusFlag which) const override { return lf_flagField(which).load() != 0; }
    void setAverageStays(float staticHours, float liveHours) override
    {
        gMainWindow.liveAverageFit.store(liveHours);
        gMainWindow.staticAverageFit.store(staticHours);
    }

    void enableControl(const ControlBinding& control, bool enable) override
    {
        gf_enableControl(control, enable);
    }
    void showSetting(const ComboParameter& setting) override { gf_setIntBoxText(setting); }
    void showSetting(const EditParameter<IntParameter>& setting) override { gf_setIntBoxText(setting); }
    void showSetting(const EditParameter<FloatParameter>& setting) override { gf_setFloatBoxText(setting); }
    void showSetting(const CheckBoxParameter& box) override { gf_showCheckMark(box); }
    void disableParkingControls() override { gf_disableParkingControls(); }
    void enableParkingControls() override { gf_enableParkingControls(); }
    [[nodiscard]] bool parkingControlsOff() const override { return gMainWindow.parkingBusy.load() != 0; }
    void autoRangeStep() override { gf_autoRangeStep(); }

    void repaint(WindowBand band) override { lf_repaint(band); }
};

WindowStatusService gWindowStatus;

} // namespace

StatusService& gf_windowStatusService()
{
    return gWindowStatus;
}

} // namespace oxl
