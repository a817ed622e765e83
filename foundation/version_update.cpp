#include "foundation/version_update.h"

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "foundation/range.h"
#include "foundation/status_service.h"
#include "foundation/version_data.h"

#include <fmt/format.h>

#include <filesystem>
#include <system_error>

namespace oxl
{

namespace
{

/// Moves one old hidden setting onto its combo setting and removes the old
/// element.
void carryOver(IntParameter& oldSetting, ComboParameter& newSetting, std::int32_t (*convert)(std::int32_t))
{
    newSetting.set(newSetting.clamped(convert(oldSetting.value())));
    newSetting.save();
    gf_removeParameter(oldSetting);
}

void switchScanOn(CheckBoxParameter& scan)
{
    scan.set(true);
    scan.save();
    gf_status().showSetting(scan);
}

} // namespace

std::int32_t gf_convertCount(std::int32_t oldCount)
{
    // Negative counts, the old default -1 among them, meant "no limit" and land
    // above 299.
    const auto count = static_cast<std::uint32_t>(oldCount);
    if (count > 299)
    {
        return 500;
    }
    if (count >= 88)
    {
        return 100;
    }
    if (count >= 63)
    {
        return 75;
    }
    if (count >= 38)
    {
        return 50;
    }
    if (count >= 18)
    {
        return 25;
    }
    return count >= 1 ? 10 : 0;
}

std::int32_t gf_convertAirportRange(std::int32_t oldRangeNm)
{
    if (oldRangeNm >= 27)
    {
        return 30;
    }
    if (oldRangeNm >= 23)
    {
        return 25;
    }
    if (oldRangeNm >= 18)
    {
        return 20;
    }
    if (oldRangeNm >= 13)
    {
        return 15;
    }
    return oldRangeNm >= 8 ? 10 : 5;
}

void gf_checkVersionUpdate()
{
    const std::string programText = gProgramVersion.toString();
    const std::string storedText = PROGRAM_VERSION.value();
    if (storedText == PROGRAM_VERSION.defaultValue)
    {
        PROGRAM_VERSION.setAndSave(programText);
        return;
    }
    const VersionData stored(storedText);
    if (stored != gProgramVersion)
    {
        PROGRAM_VERSION.setAndSave(programText);
    }
    if (!(gProgramVersion > stored))
    {
        return;
    }
    gf_log(fmt::format("This is a version update from {} -> {}", stored.toString(), programText));

    // Files of 11.0.2 and 11.0.3 already hold the combo settings.
    const bool combosKnown =
        stored.major == 11 && stored.minor == 0 && (stored.patch == 2 || stored.patch == 3);
    if (!combosKnown)
    {
        carryOver(CUSTOM_MAX_PARK, MAX_PARK_SEL, gf_convertCount);
        carryOver(MAX_LIVE, MAX_LIVE_SEL, gf_convertCount);
        carryOver(LATERAL_RANGE, RANGE, gf_snapRange);
        carryOver(AIRPORT_RANGE, AIRP_RANGE, gf_convertAirportRange);
        carryOver(AUTO_RANGE_ABOVE_HEIGHT, AR_ABOVE_HEIGHT, gf_snapHeight);
        carryOver(AIRPORT_HEIGHT, AIRP_HEIGHT, gf_snapHeight);
    }

    const std::filesystem::path installer{std::string(kInstallerFileName)};
    std::error_code error;
    std::filesystem::remove(installer, error);
    if (error)
    {
        gf_log(fmt::format("Failed to remove {}: {}", installer.string(), error.message()));
    }

    switchScanOn(SCAN_LIVERIES);
    switchScanOn(SCAN_AIRPORTS);
}

} // namespace oxl
