// Scripted flights for end-to-end runs: one aircraft's reports along straight legs with speed and climb
// changes, written as traffic lines for the traffic-source stand-in's replay.
#pragma once

#include "tests/e2e/zurich.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oxl::test
{

/// [m] per degree of latitude on the sphere the scripted flights and their checks use.
inline constexpr double kMetresPerDegLat = 111320.0;

/// One aircraft's reports, every `intervalS` seconds of report time.
class FlightScript
{
  public:
    /// An aircraft standing at the position with the heading, first reported at startS.
    FlightScript(std::uint32_t hexid, std::string callsign, std::string type, std::string registration,
                 double latDeg, double lonDeg, double headingDeg, double startS, double intervalS = 2.0);

    /// Puts the aircraft at the altitude and speed before its first report (an aircraft already flying).
    FlightScript& flying(double altFt, double speedKt);
    /// Stays where it is for the seconds (reports on the ground, or level flight when airborne).
    FlightScript& hold(double seconds);
    /// Moves on its heading for the seconds, the speed changing evenly to endKt and the altitude by
    /// the vertical speed; airborne while its height above groundFt is more than 50 ft.
    FlightScript& move(double seconds, double endKt, double verticalFpm = 0);
    /// Turns (instantly) to the heading.
    FlightScript& turnTo(double headingDeg);
    /// Sets the origin and destination of the following reports.
    FlightScript& route(std::string origin, std::string destination);

    /// The traffic lines so far, in time order.
    const std::vector<std::pair<double, std::string>>& lines() const { return lines_; }
    /// [ft] the elevation of the ground the aircraft starts on.
    static constexpr double groundFt = kZurichGroundFt;

  private:
    void report();

    std::uint32_t hexid_;
    std::string callsign_, type_, registration_, origin_ = "LSZH", destination_ = "EDDF";
    double latDeg_, lonDeg_, headingDeg_, timeS_, intervalS_;
    double speedKt_ = 0, altFt_ = groundFt, verticalFpm_ = 0;
    std::vector<std::pair<double, std::string>> lines_;
};

/// Writes the lines of the scripts, merged in time order, one per line, to the file.
void writeReplay(const std::string& file, const std::vector<FlightScript>& scripts);

} // namespace oxl::test
