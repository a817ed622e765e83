// Stands of the park airport with their learned occupancy, and the fit tests shared by the stand search,
// the static parking and the learning.
#pragma once

#include "foundation/geodesy.h"
#include "foundation/half_hours.h"
#include "foundation/units.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oxl
{

/// [m] an aircraft may be this much larger than a stand and still fit it.
inline constexpr double kStandOversizeToleranceM = 1.8;
/// [m] aircraft radius up to which sizes are compared in the small step.
inline constexpr double kSmallAircraftRadiusM = 17.8;
/// [m] size step of small aircraft.
inline constexpr double kSmallSizeStepM = 14.0;
/// [m] size step of larger aircraft.
inline constexpr double kLargeSizeStepM = 21.0;

/// How an occupancy option was learned.
enum class StandOptionKind : std::uint32_t
{
    soft = 0, ///< taken from the aircraft that drove to the stand without a stand report
    real = 1, ///< observed standing at the stand
};

/// One learned option of a stand: what the stand held on one weekday.
struct StandOccupancy
{
    std::string airline;         ///< ICAO airline code
    std::string type;            ///< ICAO aircraft type
    std::string registration;    ///< registration; the callsign when a live aircraft had none
    std::string callsign;        ///< callsign under which the aircraft stood there, trailing '_' removed
    std::string coupledCallsign; ///< the flight's second callsign (the one it leaves with); mostly empty
    HalfHourSet halfHours;       ///< half-hours of the weekday in which the stand held it
    std::uint32_t id = 0;        ///< 1..n, unique within the stand; 0 = disabled
    std::uint32_t weekday = 0;   ///< 1..7, Monday 1
    std::uint32_t fixed = 0;     ///< 1 for options of the airport file and fake occupants
    std::uint8_t fake = 0;       ///< a made-up occupant of this run; never saved
    StandOptionKind kind = StandOptionKind::soft; ///< real (observed) or soft
};

/// A visit of one live aircraft being learned: when it was last updated and the option it extends.
struct StandVisit
{
    DayHalfHour lastUpdate;     ///< time of week of the visit's last update
    std::uint32_t optionId = 0; ///< id of the option that the visit extends
};

/// One parking position of the park airport.
struct Stand
{
    Stand() = default;
    /// A stand with its position and its size in metres (kept in nautical miles); every flag clear.
    Stand(std::string standName, std::uint32_t id, double lat, double lon, double headingRad, double radiusM);

    std::vector<StandOccupancy> options;                      ///< learned options, in file order
    std::unordered_map<std::uint32_t, StandVisit> realVisits; ///< hexid -> visit learned as a real option
    std::unordered_map<std::uint32_t, StandVisit> softVisits; ///< hexid -> visit learned as a soft option
    std::string name;                    ///< the stand's name, the "id" of the airport file
    std::vector<std::uint32_t> adjacent; ///< stand ids of the neighbouring stands
    double latitude = 0.0;               ///< [deg]
    double longitude = 0.0;              ///< [deg]
    double heading = 0.0;                ///< [rad] parking heading
    double radius = 0.0;                 ///< [nm] stand size
    std::uint32_t standId = 0;           ///< unique within the airport; 0 is never used
    std::uint8_t manual = 0;             ///< defined by hand in a learned file
    std::uint8_t radiusChanged = 0;      ///< radius learned in this run
    std::uint8_t cargoChanged = 0;       ///< cargo flag learned in this run
    std::uint8_t taken = 0;    ///< a static aircraft is planned or a live one parked (this calculation)
    std::uint8_t occupied = 0; ///< a live aircraft was sent to it or stands at it
    std::uint8_t excluded = 0; ///< reserved or user stand; never used for static aircraft
    std::uint8_t blocked = 0;  ///< a neighbour is taken; no static aircraft
    std::uint8_t cargo = 0;    ///< cargo stand
    std::uint8_t ramp = 0;     ///< ramp (non-gate) position
    std::uint8_t helipad = 0;  ///< helipad
};

/// True when two positions are certainly more than limitNm apart because their latitudes alone are: a
/// great circle is never shorter than the meridian arc between its ends' latitudes. Lets the searches
/// skip the haversine for most stands and airports.
[[nodiscard]] inline bool gf_latitudesApart(double latA, double latB, double limitNm)
{
    constexpr double kNmPerDegree = kDistanceFactorNm / 2.0 * kDegToRad; // 60 nm
    return std::fabs(latA - latB) * kNmPerDegree * (1.0 - 1e-9) > limitNm;
}

/// A nautical-mile size in metres, snapped to the micrometre so that exact half steps stay exact.
[[nodiscard]] double gf_sizeMetres(double nm);

/// [m] how much larger the aircraft is than the stand (negative when it is smaller), snapped.
[[nodiscard]] double gf_oversizeMetres(double standRadiusNm, double aircraftRadiusNm);

/// [m] size step for an aircraft: 14 m up to a radius of 17.8 m, else 21 m.
[[nodiscard]] double gf_sizeStepMetres(double aircraftRadiusNm);

/// True when the option is enabled, real, of the weekday and the registration, and holds half or a
/// neighbouring half-hour (modulo 48); half ≥ 48 raises std::out_of_range.
[[nodiscard]] bool gf_fitsHalfHour(const StandOccupancy& option, std::uint32_t weekday, std::uint32_t half,
                                   std::string_view registration);

/// True when the option is enabled and real and its callsign or coupled callsign is the callsign, or
/// its airline and type are the airline and type.
[[nodiscard]] bool gf_occupancyMatches(const StandOccupancy& option, std::string_view callsign,
                                       std::string_view airline, std::string_view type);

/// True when an aircraft of the radius [nm] fits the stand exactly: not more than 1.8 m larger and in
/// the stand's own size step.
[[nodiscard]] bool gf_fitsRadius(const Stand& stand, double aircraftRadiusNm);

/// The first stand of that name, or nullptr.
[[nodiscard]] Stand* gf_findStandByName(std::vector<Stand>& stands, std::string_view name);
/// The first stand of that name, or nullptr.
[[nodiscard]] const Stand* gf_findStandByName(const std::vector<Stand>& stands, std::string_view name);

/// The id for a new option of the stand: one above the largest, so ids stay unique even when the last
/// option is disabled (id 0) for a calculation.
[[nodiscard]] std::uint32_t gf_nextOptionId(const Stand& stand);
/// The stand with that id, or nullptr (id 0 never names a stand).
[[nodiscard]] Stand* gf_findStandById(std::vector<Stand>& stands, std::uint32_t standId);

/// The stand's name; "sid==0?" for id 0 and "unknown" when there is no such stand.
[[nodiscard]] std::string gf_standNameById(const std::vector<Stand>& stands, std::uint32_t standId);

} // namespace oxl
