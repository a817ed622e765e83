// What the window asks of the traffic side: the traffic source's status for the status band, the
// aircraft counts, and what the automatic radius looks at. The traffic side sits above the window, so
// the program installs its port; until then, and in tests that install none, a port that knows nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/geodesy.h"
#include "records/aircraft_records.h"

namespace oxl
{

/// What a reader of traffic datagrams is doing, as the window shows it.
enum class ShownReaderState : std::uint32_t
{
    receiving = 1,  ///< datagrams arrived since the last check
    quiet = 2,      ///< no new datagram since the last check
    notRunning = 3, ///< the reader does not run
};

/// The traffic source's part of the status band. The traffic link keeps these values itself.
struct TrafficStatus
{
    bool sourceConnected = false;                                 ///< the source's state is shown
    std::string editionText;                                      ///< the source's edition text
    ShownReaderState trafficState = ShownReaderState::notRunning; ///< Traffic Reader
    ShownReaderState qnhState = ShownReaderState::notRunning;     ///< QNH Reader
    std::int32_t qnh = 0;                                         ///< [hPa] last QNH; 0 = none
};

/// Aircraft counts shown in the status and statistics bands.
struct AircraftCounts
{
    std::uint64_t live = 0;         ///< active live aircraft that are not parked
    std::uint64_t parkedStatic = 0; ///< static parked aircraft
    std::uint64_t parkedLive = 0;   ///< live aircraft parked at stands
};

/// What one automatic radius step looks at.
struct AutoRangeInputs
{
    UserAcData user;                        ///< the user aircraft
    std::optional<LatLon> firstParkAirport; ///< the first entry of the park-airport list, if any
};

/// What the window asks of the traffic side.
class TrafficViewPort
{
  public:
    TrafficViewPort() = default;
    virtual ~TrafficViewPort() = default;
    TrafficViewPort(const TrafficViewPort&) = delete;
    TrafficViewPort& operator=(const TrafficViewPort&) = delete;

    /// The traffic source's status; asked by the window thread when it paints.
    [[nodiscard]] virtual TrafficStatus trafficStatus() = 0;
    /// The live and parked aircraft now; asked by the main loop's per-second routine. None: the shown
    /// counts stay.
    [[nodiscard]] virtual std::optional<AircraftCounts> aircraftCounts() = 0;
    /// The user aircraft and the park-airport list; asked on the thread that runs the automatic step.
    /// None: no user aircraft is known and the step changes nothing.
    [[nodiscard]] virtual std::optional<AutoRangeInputs> autoRangeInputs() = 0;
};

/// The window without a traffic side (tests, and before the program installs its port): no source
/// shown, no counts, no user aircraft.
class NoTrafficView : public TrafficViewPort
{
  public:
    [[nodiscard]] TrafficStatus trafficStatus() override { return {}; }
    [[nodiscard]] std::optional<AircraftCounts> aircraftCounts() override { return std::nullopt; }
    [[nodiscard]] std::optional<AutoRangeInputs> autoRangeInputs() override { return std::nullopt; }
};

/// Installs the window's view of the traffic side (not owned; it must outlive the window and the cycle);
/// null restores the one that knows nothing.
void gf_installTrafficViewPort(TrafficViewPort* port);
/// The installed port.
[[nodiscard]] TrafficViewPort& gf_trafficViewPort();

} // namespace oxl
