// What the program's subsystems ask of the main window: the message line, the status fields, the
// controls the program switches and fills in, and repaints. The window implements the service and the
// program installs it; until then, and in tests that look at no window, a service that does nothing
// stands in. Every call may come from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/control_binding.h"
#include "foundation/parameters.h"

namespace oxl
{

/// The texts of the status fields.
enum class StatusText : std::size_t
{
    userTitle,          ///< title of the user's aircraft (simulator link)
    parkAirportName,    ///< the airport_name of the park airport's file
    parkPublisher,      ///< the publisher of the park airport's file
    qualityText,        ///< quality factor of the park airport's learned data
    simulatorText,      ///< the simulator's name and version "{} ({}.{}.{}.{})"
    userStand,          ///< the stand at which the user's aircraft stands
    parkAirportDisplay, ///< display name of the chosen park airport; empty = none chosen
    reservedStand,      ///< the park airport's reserved stand; empty = none
    trafficWeek,        ///< RT_traffic_week of the park airport's file
    tbloFolder,         ///< the folder of airport files kept for offline learning
    count_              ///< number of texts
};

/// The numbers of the status and statistics bands that the subsystems set.
enum class StatusCount
{
    liveries,       ///< installed liveries read
    tbloFiles,      ///< airport files kept for offline learning
    stands,         ///< stands of the park airport
    maxPark,        ///< current maximum of parked aircraft
    maxParkPercent, ///< [%] behind maxPark
    learnedUpdates, ///< learned stand updates at the park airport
};

/// The marks of the status and statistics bands that the subsystems set.
enum class StatusFlag
{
    simConnected,      ///< the simulator connection is open
    simRunning,        ///< the simulator reported "Sim" running
    userModelKnown,    ///< the user aircraft's model was recognised
    simaddonComplete,  ///< every my_ORBX file was handled by the scan
    reservedStandOk,   ///< the reserved stand was confirmed
    parkAirportActive, ///< static parking runs at a park airport
    handmadeFile,      ///< the park airport's file is hand-made
    softUsed,          ///< the last static search used its soft pass
};

/// The bands of the main window that the subsystems ask to repaint.
enum class WindowBand
{
    status,     ///< the "Sim" and "RT" boxes and the counts beside them
    controls,   ///< the controls and their labels
    statistics, ///< the static-parking statistics
    message,    ///< the message line
    all,        ///< the whole window
};

/// What the subsystems ask of the main window.
class StatusService
{
  public:
    StatusService() = default;
    virtual ~StatusService() = default;
    StatusService(const StatusService&) = delete;
    StatusService& operator=(const StatusService&) = delete;

    /// Shows a message in the message line unless an error is shown; logs it (while running) on request.
    virtual void showMessage(const std::string& text, bool log) = 0;
    /// Empties the message line (an error stays).
    virtual void clearMessage() = 0;
    /// Shows an error in the message line; it stays, and blocks messages, until it is emptied.
    virtual void showError(const std::string& text) = 0;
    /// Shows a notice after whatever the message line shows until the user acts.
    virtual void showNotice(const std::string& text) = 0;

    /// Replaces a status text.
    virtual void setText(StatusText which, const std::string& value) = 0;
    /// A copy of a status text.
    [[nodiscard]] virtual std::string text(StatusText which) const = 0;
    /// Replaces a number of the status or statistics band.
    virtual void setCount(StatusCount which, std::uint64_t value) = 0;
    /// Sets or clears a mark of the status or statistics band.
    virtual void setFlag(StatusFlag which, bool on) = 0;
    /// The mark as last set (or as a new cycle starts).
    [[nodiscard]] virtual bool flag(StatusFlag which) const = 0;
    /// Replaces the average stays [h] of the static and the live parked aircraft; -1 = none.
    virtual void setAverageStays(float staticHours, float liveHours) = 0;

    /// Enables (or disables) the control of a setting or button.
    virtual void enableControl(const ControlBinding& control, bool enable) = 0;
    /// Shows the setting's value in its combo box (the choice with that text).
    virtual void showSetting(const ComboParameter& setting) = 0;
    /// Shows the setting's value in its edit box.
    virtual void showSetting(const EditParameter<IntParameter>& setting) = 0;
    /// Shows the setting's value in its edit box: no decimals when whole, else one.
    virtual void showSetting(const EditParameter<FloatParameter>& setting) = 0;
    /// Shows the setting's value as its box's check mark.
    virtual void showSetting(const CheckBoxParameter& box) = 0;
    /// Switches the static-parking controls off while static parking is computed or placed.
    virtual void disableParkingControls() = 0;
    /// Switches the static-parking controls on again and restarts the renewal countdown.
    virtual void enableParkingControls() = 0;
    /// True while the static-parking controls are off.
    [[nodiscard]] virtual bool parkingControlsOff() const = 0;
    /// One step of the automatic traffic radius, shown in its combo box when it changed.
    virtual void autoRangeStep() = 0;

    /// Asks for a repaint of a band of the main window.
    virtual void repaint(WindowBand band) = 0;
};

/// The service before the window exists and in tests that look at no window (a test double overrides
/// what it watches): shows nothing; every text, mark and the parking controls' state read back as
/// empty, false and on.
class NoStatusService : public StatusService
{
  public:
    void showMessage(const std::string& /*text*/, bool /*log*/) override {}
    void clearMessage() override {}
    void showError(const std::string& /*text*/) override {}
    void showNotice(const std::string& /*text*/) override {}
    void setText(StatusText /*which*/, const std::string& /*value*/) override {}
    [[nodiscard]] std::string text(StatusText /*which*/) const override { return {}; }
    void setCount(StatusCount /*which*/, std::uint64_t /*value*/) override {}
    void setFlag(StatusFlag /*which*/, bool /*on*/) override {}
    [[nodiscard]] bool flag(StatusFlag /*which*/) const override { return false; }
    void setAverageStays(float /*staticHours*/, float /*liveHours*/) override {}
    void enableControl(const ControlBinding& /*control*/, bool /*enable*/) override {}
    void showSetting(const ComboParameter& /*setting*/) override {}
    void showSetting(const EditParameter<IntParameter>& /*setting*/) override {}
    void showSetting(const EditParameter<FloatParameter>& /*setting*/) override {}
    void showSetting(const CheckBoxParameter& /*box*/) override {}
    void disableParkingControls() override {}
    void enableParkingControls() override {}
    [[nodiscard]] bool parkingControlsOff() const override { return false; }
    void autoRangeStep() override {}
    void repaint(WindowBand /*band*/) override {}
};

/// The installed service; the do-nothing one until the program installs the window's.
[[nodiscard]] StatusService& gf_status();
/// Installs the service (not owned; it must outlive its use); null restores the do-nothing one.
void gf_installStatusService(StatusService* service);

} // namespace oxl
