#include "window/window_status.h"

#include "window/auto_range.h"
#include "window/control_text.h"
#include "window/controls.h"
#include "window/parking_controls.h"
#include "window/window_state.h"

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
        return gWindow.gMainWindow.simConnected;
    case StatusFlag::simRunning:
        return gWindow.gMainWindow.simRunning;
    case StatusFlag::userModelKnown:
        return gWindow.gMainWindow.userModelKnown;
    case StatusFlag::simaddonComplete:
        return gWindow.gMainWindow.simaddonComplete;
    case StatusFlag::reservedStandOk:
        return gWindow.gMainWindow.reservedStandOk;
    case StatusFlag::parkAirportActive:
        return gWindow.gMainWindow.parkAirportActive;
    case StatusFlag::handmadeFile:
        return gWindow.gMainWindow.handmadeFile;
    case StatusFlag::softUsed:
        return gWindow.gMainWindow.softUsed;
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
    void showNotice(const std::string& text) override { gf_showNotice(text); }

    void setText(StatusText which, const std::string& value) override
    {
        gWindow.gMainWindow.setText(which, value);
    }
    [[nodiscard]] std::string text(StatusText which) const override
    {
        return gWindow.gMainWindow.text(which);
    }
    void setCount(StatusCount which, std::uint64_t value) override
    {
        const auto small = static_cast<std::uint32_t>(value);
        switch (which)
        {
        case StatusCount::liveries:
            return gWindow.gMainWindow.liveryCount.store(value);
        case StatusCount::tbloFiles:
            return gWindow.gMainWindow.tbloFileCount.store(value);
        case StatusCount::stands:
            return gWindow.gMainWindow.standCount.store(value);
        case StatusCount::maxPark:
            return gWindow.gMainWindow.maxPark.store(small);
        case StatusCount::maxParkPercent:
            return gWindow.gMainWindow.maxParkPercent.store(small);
        case StatusCount::learnedUpdates:
            return gWindow.gMainWindow.updateCount.store(small);
        }
    }
    void setFlag(StatusFlag which, bool on) override { lf_flagField(which).store(on ? 1 : 0); }
    [[nodiscard]] bool flag(StatusFlag which) const override { return lf_flagField(which).load() != 0; }
    void setAverageStays(float staticHours, float liveHours) override
    {
        gWindow.gMainWindow.liveAverageFit.store(liveHours);
        gWindow.gMainWindow.staticAverageFit.store(staticHours);
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
    [[nodiscard]] bool parkingControlsOff() const override
    {
        return gWindow.gMainWindow.parkingBusy.load() != 0;
    }
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
