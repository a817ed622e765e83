#include "foundation/version_update.h"

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "foundation/version_data.h"

#include <fmt/format.h>

#include <filesystem>
#include <mutex>
#include <system_error>

namespace oxl
{

namespace
{

std::mutex gHooksMutex;
VersionUpdateHooks gHooks;

VersionUpdateHooks hooks()
{
    std::lock_guard lock(gHooksMutex);
    return gHooks;
}

/// Moves one old hidden setting onto its combo setting and removes the old
/// element.
void carryOver(IntParameter& oldSetting, ComboParameter& newSetting,
               const std::function<std::int32_t(std::int32_t)>& convert)
{
    const std::int32_t old = oldSetting.value();
    const std::int32_t converted = convert ? convert(old) : old;
    newSetting.set(newSetting.clamped(converted));
    newSetting.save();
    gf_removeParameter(oldSetting);
}

void switchScanOn(CheckBoxParameter& scan, const VersionUpdateHooks& view)
{
    scan.set(true);
    scan.save();
    if (view.showCheck)
    {
        view.showCheck(scan);
    }
}

} // namespace

void gf_setVersionUpdateHooks(VersionUpdateHooks newHooks)
{
    std::lock_guard lock(gHooksMutex);
    gHooks = std::move(newHooks);
}

std::int32_t lf_convertCount(std::int32_t oldCount)
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

std::int32_t lf_convertAirportRange(std::int32_t oldRangeNm)
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

    const VersionUpdateHooks view = hooks();
    // Files of 11.0.2 and 11.0.3 already hold the combo settings.
    const bool combosKnown =
        stored.major == 11 && stored.minor == 0 && (stored.patch == 2 || stored.patch == 3);
    if (!combosKnown)
    {
        carryOver(CUSTOM_MAX_PARK, MAX_PARK_SEL, lf_convertCount);
        carryOver(MAX_LIVE, MAX_LIVE_SEL, lf_convertCount);
        carryOver(LATERAL_RANGE, RANGE, view.snapRange);
        carryOver(AIRPORT_RANGE, AIRP_RANGE, lf_convertAirportRange);
        carryOver(AUTO_RANGE_ABOVE_HEIGHT, AR_ABOVE_HEIGHT, view.snapHeight);
        carryOver(AIRPORT_HEIGHT, AIRP_HEIGHT, view.snapHeight);
    }

    const std::filesystem::path installer{std::string(kInstallerFileName)};
    std::error_code error;
    std::filesystem::remove(installer, error);
    if (error)
    {
        gf_log(fmt::format("Failed to remove {}: {}", installer.string(), error.message()));
    }

    switchScanOn(SCAN_LIVERIES, view);
    switchScanOn(SCAN_AIRPORTS, view);
}

} // namespace oxl
