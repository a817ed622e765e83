// The one main-window object: its position settings, its colours, the status fields that the other
// subsystems set and the painter shows, and the message line through which every subsystem speaks to
// the user. Any thread may write the status fields and use the message line: numbers and flags are
// atomics, texts sit behind the status mutex, and the message line only stores its texts and asks for
// a repaint; drawing happens in WM_PAINT alone.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "foundation/parameters.h"
#include "foundation/status_service.h" // StatusText
#include "platform/win.h"
#include "window/control_text.h" // kControlBand: the controls and their labels
#include "window/traffic_view_port.h"

namespace oxl
{

/// Where a message repeats what the user typed: bytes [at, at + size) of its text. A line too narrow for
/// the message shortens this part, in its middle, before any other.
struct EchoSpan
{
    std::size_t at = 0;
    std::size_t size = 0;
    std::size_t differsAt = std::string::npos; ///< in the input, where its wrong part begins; npos: unknown
};

/// A message that repeats the user's input, and where the input stands in it.
struct EchoedMessage
{
    std::string text;
    EchoSpan echo;
};

/// A horizontal or vertical line of the control band, from (x1, y1) to (x2, y2).
struct RowLine
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

/// The bands of the client area (right and bottom exclusive); other subsystems repaint by band.
inline constexpr win::Rect kHeaderBand{0, 0, 880, 28};
inline constexpr win::Rect kStatusBand{0, 28, 880, 112};      ///< status: "Sim" and "RT" boxes
inline constexpr win::Rect kStatisticsBand{0, 392, 880, 448}; ///< static-parking statistics
inline constexpr win::Rect kMessageBand{0, 448, 880, 476};    ///< the message line

inline constexpr int kMainWindowWidth = 880;             ///< [px] outer width of the main window
inline constexpr int kMainWindowHeight = 516;            ///< [px] outer height of the main window
inline constexpr std::int32_t kDefaultWindowX = 400;     ///< [px] left edge when none is stored
inline constexpr std::int32_t kDefaultWindowY = 20;      ///< [px] top edge when none is stored
inline constexpr std::uint32_t kMessageLifeSeconds = 25; ///< [s of simulator time] a message stays
inline constexpr std::string_view kNoticeGap = " - ";    ///< between a message or error and the notice

/// The one main-window object.
class MainWindow
{
  public:
    MainWindow();
    virtual ~MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    IntParameter& MAIN_WINDOW_X; ///< left edge of the window on the screen [px]
    IntParameter& MAIN_WINDOW_Y; ///< top edge of the window on the screen [px]

    static constexpr win::ColorRef redBrush = 0x0000FF;       ///< error line, failed boxes
    static constexpr win::ColorRef lightBlueBrush = 0xFFCC99; ///< control band
    static constexpr win::ColorRef blackBrush = 0x000000;     ///< header, status, statistics
    static constexpr win::ColorRef limeBrush = 0x32CD32;      ///< message band, good boxes
    static constexpr win::ColorRef yellowBrush = 0x00FFFF;    ///< boxes in between
    static constexpr win::ColorRef blackPen = 0x000000;       ///< row lines, box divider
    static constexpr win::ColorRef whitePen = 0xFFFFFF;       ///< band separators
    /// The horizontal row lines of the control band.
    static constexpr std::array<RowLine, 7> rowLines{{{0, 140, 880, 140},
                                                      {0, 168, 642, 168},
                                                      {0, 196, 642, 196},
                                                      {0, 224, 642, 224},
                                                      {0, 252, 642, 252},
                                                      {0, 280, 642, 280},
                                                      {0, 308, 880, 308}}};

    /// Guards messageText, errorText, noticeText, echo and messageShownAt.
    mutable std::mutex messageMutex;
    std::string messageText; ///< the message line's text (messageMutex)
    std::string errorText;   ///< the error line's text; while set no message shows (messageMutex)
    std::string noticeText;  ///< shown after the message or error until the user acts (messageMutex)
    EchoSpan echo;           ///< the user's input in the message shown; none in an error (messageMutex)
    EchoSpan noticeEcho;     ///< the path the notice names, shortened first on a narrow line (messageMutex)

    /// A copy of a status text.
    std::string text(StatusText which) const;
    /// Replaces a status text.
    void setText(StatusText which, std::string value);

    std::atomic<float> staticAverageFit{-1.0f};      ///< [h] of the static parked aircraft; -1 = none
    std::atomic<float> liveAverageFit{-1.0f};        ///< [h] of the live parked aircraft; -1 = none
    std::atomic<std::uint64_t> liveCount{0};         ///< live aircraft in the simulator, not parked
    std::atomic<std::uint64_t> simaddonCount{0};     ///< files in my_ORBX
    std::atomic<std::uint64_t> thirdpCount{0};       ///< files in my_thirdparty
    std::atomic<std::uint64_t> liveryCount{0};       ///< installed liveries read
    std::atomic<std::uint64_t> parkedLiveCount{0};   ///< live aircraft parked at stands
    std::atomic<std::uint64_t> parkedStaticCount{0}; ///< static parked aircraft
    std::atomic<std::uint64_t> standCount{0};        ///< stands of the park airport
    std::atomic<std::uint64_t> tbloFileCount{0};     ///< airport files kept for offline learning
    std::atomic<std::uint32_t> statRowY{399};        ///< [px] first statistics row; the second is 28 below
    std::atomic<std::uint32_t> maxParkPercent{0};    ///< [%] behind maxPark
    std::atomic<std::uint32_t> maxPark{0};           ///< current maximum of parked aircraft
    std::atomic<std::uint32_t> minutesToRenewal{0};  ///< [min] to the next renewal of static parking
    std::atomic<std::uint32_t> guiSeconds{0};        ///< [s of simulator time] the message line's clock
    std::atomic<std::uint32_t> messageShownAt{0};   ///< guiSeconds when the message was shown; 0 = never ages
    std::atomic<std::uint32_t> updateCount{0};      ///< learned stand updates at the park airport
    std::atomic<std::uint16_t> parkingBusy{0};      ///< the parking controls are off during a renewal
    std::atomic<std::uint8_t> handmadeFile{0};      ///< the park airport's file is hand-made
    std::atomic<std::uint8_t> noSourceLink{1};      ///< no TCP link to the traffic source this cycle
    std::atomic<std::uint8_t> parkAirportActive{0}; ///< static parking runs at a park airport
    std::atomic<std::uint8_t> simConnected{0};      ///< the simulator connection is open
    std::atomic<std::uint8_t> simRunning{0};        ///< the simulator reported "Sim" running
    std::atomic<std::uint8_t> userModelKnown{1};    ///< the user aircraft's model was recognised
    std::atomic<std::uint8_t> simaddonComplete{1};  ///< every my_ORBX file was handled by the scan
    std::atomic<std::uint8_t> softUsed{0};          ///< the last static search used its soft pass
    std::atomic<std::uint8_t> reservedStandOk{0};   ///< the reserved stand was confirmed
    std::atomic<std::uint8_t> waitingForSource{1};  ///< the cycle is still starting (before the source link)
    std::atomic<std::uint8_t> guiReady{0};          ///< set as the constructor's last step

    /// The values of a new cycle: texts, message and error empty, counts 0, flags as at start.
    void resetForCycle();

  private:
    mutable std::mutex statusMutex_;
    std::array<std::string, static_cast<std::size_t>(StatusText::count_)> texts_; // statusMutex_
};

/// Shows a message in the message line unless an error is shown; logs it (while running) on request.
void gf_showMessage(const std::string& text, bool log);
/// The text of a format with one "{}" filled with the user's input, and where the input stands in it.
EchoedMessage gf_echoed(std::string_view format, std::string_view input);
/// Shows a message that repeats the user's input: a line too narrow for it shortens the input, never
/// the words around it.
void gf_showMessage(const EchoedMessage& message, bool log);
/// Empties the message line (an error stays).
void gf_clearMessage();
/// Shows an error in the message line; it stays, and blocks messages, until it is emptied.
void gf_showError(const std::string& text);
/// Empties the error line and then the message line.
void gf_clearErrorAndMessage();
/// Shows a notice after whatever the message line shows (message or error) until the user acts.
/// A line too narrow for a notice that names where the log went shortens that path in its middle.
void gf_showNotice(const std::string& text);
/// The user acted (a click, a choice, Enter in a box): the notice leaves the message line.
void gf_dismissNotice();
/// Once per simulator second: advances the message line's clock and clears a message that has aged.
void gf_messageSecondTick();
/// The error text shown, or empty.
std::string gf_shownError();
/// The message text shown, or empty.
std::string gf_shownMessage();

/// Asks for a repaint of a band of the main window (any thread).
void gf_invalidateBand(const win::Rect& band);

/// Recounts the live and parked aircraft and repaints the bands whose numbers changed.
void gf_refreshCounts();

} // namespace oxl
