#include "tests/e2e/flight_script.h"

#include "foundation/units.h"
#include "tests/e2e/road_run.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <cmath>

namespace oxl::test
{

namespace
{

// [ft] above the ground an aircraft reports itself airborne.
constexpr double kAirborneAboveFt = 50.0;

} // namespace

FlightScript::FlightScript(std::uint32_t hexid, std::string callsign, std::string type,
                           std::string registration, double latDeg, double lonDeg, double headingDeg,
                           double startS, double intervalS)
    : hexid_(hexid), callsign_(std::move(callsign)), type_(std::move(type)),
      registration_(std::move(registration)), latDeg_(latDeg), lonDeg_(lonDeg), headingDeg_(headingDeg),
      timeS_(startS), intervalS_(intervalS)
{
}

FlightScript& FlightScript::flying(double altFt, double speedKt)
{
    altFt_ = altFt;
    speedKt_ = speedKt;
    return *this;
}

FlightScript& FlightScript::hold(double seconds)
{
    speedKt_ = altFt_ - groundFt > kAirborneAboveFt ? speedKt_ : 0.0;
    return move(seconds, speedKt_, 0.0);
}

FlightScript& FlightScript::move(double seconds, double endKt, double verticalFpm)
{
    const int steps = std::max(1, static_cast<int>(std::lround(seconds / intervalS_)));
    const double startKt = speedKt_;
    for (int i = 1; i <= steps; ++i)
    {
        const double before = speedKt_;
        speedKt_ = startKt + (endKt - startKt) * i / steps;
        const double metres = ktToMps((before + speedKt_) / 2.0) * intervalS_;
        const double heading = degToRad(headingDeg_);
        latDeg_ += metres * std::cos(heading) / kMetresPerDegLat;
        lonDeg_ += metres * std::sin(heading) / (kMetresPerDegLat * std::cos(degToRad(latDeg_)));
        verticalFpm_ = verticalFpm;
        altFt_ = std::max(groundFt, altFt_ + verticalFpm / 60.0 * intervalS_);
        timeS_ += intervalS_;
        report();
    }
    return *this;
}

FlightScript& FlightScript::turnTo(double headingDeg)
{
    headingDeg_ = headingDeg;
    return *this;
}

FlightScript& FlightScript::route(std::string origin, std::string destination)
{
    origin_ = std::move(origin);
    destination_ = std::move(destination);
    return *this;
}

void FlightScript::report()
{
    const bool airborne = altFt_ - groundFt > kAirborneAboveFt;
    // The source reports aircraft on the ground at altitude 0.
    lines_.emplace_back(timeS_, trafficLine(hexid_, latDeg_, lonDeg_, airborne ? altFt_ : 0.0, verticalFpm_,
                                            airborne, headingDeg_, speedKt_, callsign_, type_, registration_,
                                            origin_, destination_, timeS_));
}

void writeReplay(const std::string& file, const std::vector<FlightScript>& scripts)
{
    std::vector<std::pair<double, std::string>> all;
    for (const FlightScript& script : scripts)
        all.insert(all.end(), script.lines().begin(), script.lines().end());
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string text;
    for (const auto& [time, line] : all)
        text += line + "\n";
    writeBytes(file, text);
}

} // namespace oxl::test
