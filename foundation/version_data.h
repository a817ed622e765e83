// Three-number versions: the program's own, the installed data files' and the stored settings'.
#pragma once

#include "foundation/program.h"

#include <nlohmann/json_fwd.hpp>

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxl
{

/// A version major.minor.patch; ordered by major, then minor, then patch.
struct VersionData
{
    std::int32_t major = 0; ///< first number
    std::int32_t minor = 0; ///< second number
    std::int32_t patch = 0; ///< third number

    /// 0.0.0.
    constexpr VersionData() = default;
    /// The version of the three numbers.
    constexpr VersionData(std::int32_t majorNumber, std::int32_t minorNumber, std::int32_t patchNumber)
        : major(majorNumber), minor(minorNumber), patch(patchNumber)
    {
    }
    /// Parses "1.2.3" (any single character between the numbers) or a JSON object with "major",
    /// "minor", "patch"; anything else gives 0.0.0. Never raises: failures are logged.
    explicit VersionData(std::string_view text);

    /// "{}.{}.{}".
    std::string toString() const;

    /// Orders versions number by number.
    constexpr auto operator<=>(const VersionData&) const = default;
};

/// The version in a JSON object's "major", "minor" and "patch" members. A member that is not a whole
/// number in i32 range raises; a missing one raises when `allRequired`, else leaves 0.
VersionData gf_versionFromJson(const nlohmann::json& object, bool allRequired);

/// The version of this program (11.0.4).
inline constexpr VersionData gProgramVersion{kProgramVersionMajor, kProgramVersionMinor,
                                             kProgramVersionPatch};

} // namespace oxl
