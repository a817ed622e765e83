// Texts built from aircraft records (log labels, keys, value words) and the per-category flight
// constants. Header-only like the records, so that every layer labels aircraft the same way.
#pragma once

#include "foundation/log.h"
#include "records/aircraft_records.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

#include <fmt/format.h>

namespace oxl
{

/// The word of a category: "Light" .. "Rotorcraft"; std::out_of_range outside the table.
inline std::string_view gf_categoryWord(AcCategory category)
{
    static const std::unordered_map<std::uint32_t, std::string_view> words{
        {0, "Light"}, {1, "Buzjets"}, {2, "Large"}, {3, "Heavy"}, {4, "HighPerf"}, {5, "Rotorcraft"}};
    return words.at(static_cast<std::uint32_t>(category));
}

/// The word of a ground phase: "pushing_back" .. "birth"; std::out_of_range outside the table.
inline std::string_view gf_groundPhaseWord(GroundPhase phase)
{
    static const std::unordered_map<std::uint32_t, std::string_view> words{
        {0, "pushing_back"}, {1, "pushed_back"}, {2, "taxi"},   {3, "take_off"},
        {4, "flying"},       {5, "parking"},     {6, "parked"}, {7, "birth"}};
    return words.at(static_cast<std::uint32_t>(phase));
}

/// The word of a simulator state: "buffer" .. "removingfromsim"; std::out_of_range outside the table.
inline std::string_view gf_simStateWord(SimState state)
{
    static const std::unordered_map<std::uint32_t, std::string_view> words{
        {0, "buffer"}, {1, "adding2sim"}, {2, "active"}, {3, "liveryrespawn"}, {4, "removingfromsim"}};
    return words.at(static_cast<std::uint32_t>(state));
}

/// True when airline and type of two identities are equal.
inline bool gf_sameAirlType(const AcIdent& a, const AcIdent& b)
{
    return a.airline == b.airline && a.type == b.type;
}

/// "{:3} {:4}" of airline and type.
inline std::string gf_airlTypeKey(const AcIdent& ident)
{
    return fmt::format("{:3} {:4}", ident.airline, ident.type);
}

/// "{:3} {:4}" of airline and type as the log shows them (escaped as outside text).
inline std::string gf_airlTypeLabel(const AcIdent& ident)
{
    return fmt::format("{:3} {:4}", gf_outsideText(ident.airline), gf_outsideText(ident.type));
}

/// "{:3}->{:3}" of origin and destination, or eight blanks when both are empty. The identity's texts are
/// kept as the source sent them; the labels escape them, as they are written to the log.
inline std::string gf_routeLabel(const AcIdent& ident)
{
    if (ident.origin.empty() && ident.destination.empty())
        return std::string(8, ' ');
    return fmt::format("{:3}->{:3}", gf_outsideText(ident.origin), gf_outsideText(ident.destination));
}

/// The callsign padded to eight characters.
inline std::string gf_callsign8(const AcIdent& ident)
{
    return fmt::format("{:8}", gf_outsideText(ident.callsign));
}

/// Callsign, registration and route.
inline std::string gf_acIdentLabel(const AcIdent& ident)
{
    return fmt::format("{} {:8} {}", gf_callsign8(ident), gf_outsideText(ident.registration),
                       gf_routeLabel(ident));
}

/// The label of every log line about one aircraft: callsign, registration, route, airline and type.
inline std::string gf_acLabel(const AcIdent& ident)
{
    return fmt::format("{} {}", gf_acIdentLabel(ident), gf_airlTypeLabel(ident));
}

/// The short label: callsign, registration, airline and type.
inline std::string gf_acShortLabel(const AcIdent& ident)
{
    return fmt::format("{} {} {}", gf_callsign8(ident), gf_outsideText(ident.registration),
                       gf_airlTypeLabel(ident));
}

/// The key of the set of aircraft without a livery: airline/type key, a blank and the registration.
inline std::string gf_unmatchedKey(const AcIdent& ident)
{
    return gf_airlTypeKey(ident) + " " + ident.registration;
}

/// True when the text holds no NUL or other control byte (C0 or DEL), which a simulator would not carry as
/// sent in a tail number or ATC ID.
inline bool gf_noControlBytes(std::string_view text)
{
    return std::none_of(text.begin(), text.end(),
                        [](char c)
                        {
                            const auto byte = static_cast<unsigned char>(c);
                            return byte < 0x20 || byte == 0x7F;
                        });
}

/// A usable callsign: non-empty, not "@@@@@@@@", at most eight characters, none of them a control byte.
inline bool gf_validCallsign(const AcIdent& ident)
{
    return !ident.callsign.empty() && ident.callsign != "@@@@@@@@" && ident.callsign.size() <= 8 &&
           gf_noControlBytes(ident.callsign);
}

/// The airline of an airline-style callsign (three letters, then a digit), upper-cased; none otherwise.
inline std::optional<std::string> gf_callsignAirline(std::string_view callsign)
{
    // ASCII ranges: a byte of a UTF-8 callsign must never reach isalpha as a negative char.
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (callsign.size() < 4 || !isLetter(callsign[0]) || !isLetter(callsign[1]) || !isLetter(callsign[2]) ||
        callsign[3] < '0' || callsign[3] > '9')
        return std::nullopt;
    std::string airline(callsign.substr(0, 3));
    for (char& c : airline)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return airline;
}

/// Takes the airline from an airline-style callsign; true when it did.
inline bool gf_airlineFromCallsign(AcIdent& ident)
{
    auto airline = gf_callsignAirline(ident.callsign);
    if (!airline)
        return false;
    ident.airline = std::move(*airline);
    return true;
}

/// Flight constants of one aircraft category (angles in degrees; the records hold radians).
struct CategoryConstants
{
    double rotationPitchDeg;       ///< [deg] pitch target of the take-off rotation
    double climbPitchDeg;          ///< [deg] pitch target of the initial climb
    double maxTurnStepDeg;         ///< [deg per tick] largest heading change
    double maxClimbStepFt;         ///< [ft per tick] largest altitude change
    double taxiInSpeedKt;          ///< [kt] speed to a stand and for push-back
    std::uint32_t flareTicks;      ///< ticks to reach the flare pitch
    std::uint32_t settleTicks;     ///< ticks to settle after touchdown
    std::uint32_t rotationTicks;   ///< duration of the rotation
    std::uint32_t climbPitchTicks; ///< ticks from rotation pitch to climb pitch
    double liftOffSpeedKt;         ///< [kt]
    double maxBankDeg;             ///< [deg] largest bank
    double maxBankStepDeg;         ///< [deg per tick] largest bank change
    double maxPitchStepDeg;        ///< [deg per tick] largest pitch change in the air
};

/// The constants of Light, Buzjets, Large, Heavy, HighPerf and Rotorcraft, in category order.
inline constexpr std::array<CategoryConstants, 6> kCategoryConstants{{
    {-9.0, -15.0, 0.15, 0.5, 5.0, 250, 250, 100, 200, 90.0, 40.0, 0.035, 0.01},
    {-8.0, -18.0, 0.1, 0.75, 4.5, 300, 300, 200, 250, 110.0, 35.0, 0.0275, 0.0085},
    {-6.0, -16.5, 0.07, 0.6, 4.0, 400, 350, 200, 300, 140.0, 30.0, 0.02, 0.0075},
    {-5.0, -12.5, 0.05, 0.5, 3.0, 450, 450, 250, 400, 150.0, 20.0, 0.015, 0.005},
    {-6.0, -20.0, 0.1, 1.0, 4.5, 150, 150, 100, 200, 220.0, 90.0, 0.1, 0.03},
    {-20.0, -30.0, 0.2, 0.75, 5.0, 100, 100, 100, 100, 0.0, 75.0, 0.06, 0.03},
}};

/// What an aircraft of one category can do in motion, with the lift-off speed, climb step and taxi-in
/// speed of its constants: the bounds within which every frame it is shown in moves.
struct CategoryEnvelope
{
    double topSpeedKt;       ///< [kt] fastest over the ground
    double takeOffAccelMps2; ///< [m/s2] acceleration of a take-off roll and the climb-out after it
    double groundAccelMps2;  ///< [m/s2] acceleration on the ground otherwise
    double brakeMps2;        ///< [m/s2] hardest braking on the ground
    double pushBackMps;      ///< [m/s] fastest against the nose
    double maxDescentFpm;    ///< [ft/min] steepest descent (an airliner asked to expedite)
};

/// The envelopes of Light, Buzjets, Large, Heavy, HighPerf and Rotorcraft, in category order.
inline constexpr std::array<CategoryEnvelope, 6> kCategoryEnvelopes{{
    {400.0, 2.5, 1.5, 6.0, 3.0, 3000.0},
    {600.0, 3.0, 1.5, 6.0, 3.0, 6000.0},
    {600.0, 2.5, 1.5, 6.0, 3.0, 6000.0},
    {650.0, 2.0, 1.2, 6.0, 3.0, 6000.0},
    {1500.0, 5.0, 2.0, 6.0, 3.0, 10000.0},
    {200.0, 2.0, 1.5, 6.0, 3.0, 3000.0},
}};

/// The envelope of a category; std::out_of_range for a value outside the table.
inline const CategoryEnvelope& gf_categoryEnvelope(AcCategory category)
{
    const auto index = static_cast<std::size_t>(category);
    if (index >= kCategoryEnvelopes.size())
        throw std::out_of_range(fmt::format("no envelope for aircraft category {}", index));
    return kCategoryEnvelopes[index];
}

/// The constants of a category; std::out_of_range for a value outside the table.
inline const CategoryConstants& gf_categoryConstants(AcCategory category)
{
    const auto index = static_cast<std::size_t>(category);
    if (index >= kCategoryConstants.size())
        throw std::out_of_range(fmt::format("no constants for aircraft category {}", index));
    return kCategoryConstants[index];
}

} // namespace oxl
