// The traffic link's part of the main window's status: the source-connected flag, the source's edition
// text, the two reader states and the QNH shown, plus the message line. The window shows these values;
// the link and the readers write them and ask for a repaint through the installed window.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace oxl
{

/// State of a UDP reader as the main window shows it.
enum class ReaderState : std::uint8_t
{
    receiving = 1,  ///< datagrams arrive
    quiet = 2,      ///< no new datagram since the last check
    notRunning = 3, ///< the reader does not run
};

/// What the traffic link and the readers ask of the main window.
class TrafficDisplayPort
{
  public:
    virtual ~TrafficDisplayPort() = default;
    /// Repaints the status band.
    virtual void repaint() = 0;
    /// Shows (and logs) a message line.
    virtual void showMessage(std::string_view text) = 0;
    /// Empties the message line.
    virtual void clearMessage() = 0;
};

/// No window: nothing is painted, a message only goes to the log.
class NoTrafficWindow : public TrafficDisplayPort
{
  public:
    void repaint() override {}
    void showMessage(std::string_view text) override;
    void clearMessage() override {}
};

/// The status values of the traffic link and readers.
class TrafficDisplay
{
  public:
    std::atomic<std::uint8_t> sourceConnected{0};  ///< the window's source-connected flag
    std::atomic<std::uint8_t> waitingForSource{1}; ///< set by the cycle reset, cleared by the handshake
    std::atomic<ReaderState> trafficState{ReaderState::notRunning}; ///< Traffic Reader state
    std::atomic<ReaderState> qnhState{ReaderState::notRunning};     ///< QNH Reader state
    std::atomic<std::int32_t> qnh{0};                               ///< [hPa] QNH shown

    /// Installs the window (not owned; it must outlive its installation); null, and until then, none.
    void install(TrafficDisplayPort* window) { window_ = window != nullptr ? window : &noWindow_; }
    /// Asks the window to repaint.
    void repaint() const;
    /// Shows a message line; without a window it goes to the log.
    void showMessage(std::string_view text) const;
    /// Clears the message line.
    void clearMessage() const;
    /// Sets the source's edition text.
    void setSourceStatus(std::string text);
    /// The source's edition text.
    std::string sourceStatus() const;
    /// Back to the values of a new cycle (the window kept).
    void resetForCycle();

  private:
    NoTrafficWindow noWindow_;
    TrafficDisplayPort* window_ = &noWindow_;
    mutable std::mutex textMutex_;
    std::string sourceStatus_; // guarded by textMutex_
};

} // namespace oxl
