// Traffic radius and the snapping of radii and heights onto the combo choices.
#include "foundation/range.h"

#include <algorithm>
#include <atomic>

#include "foundation/config_keys.h"
#include "foundation/foundation_state.h"
#include "foundation/units.h"
#include "platform/win.h"

namespace oxl
{
namespace
{

// Written by the AUTO_RANGE box (GUI thread) and by a learned airport file (cycle worker).
// -1 until one is remembered.

} // namespace

std::uint32_t gf_setRange(std::int32_t nm)
{
    RANGE.set(RANGE.clamped(nm));
    const int index = RANGE.choiceIndex(RANGE.value());
    if (index >= 0)
    {
        const win::Hwnd combo = win::getDlgItem(win::kMainWindow, RANGE.controlId);
        if (combo != win::kNoWindow)
        {
            win::comboSetCurSel(combo, index);
        }
    }
    // The kept radius is the one asked for, even outside RANGE's own limits; only a negative one,
    // which no caller means, is held at 0 instead of wrapping round to a huge distance.
    gRangeNm.store(static_cast<double>(nm));
    const std::uint32_t meters = wholeNmToMetres(static_cast<std::uint32_t>(std::max(nm, 0)));
    gRangeMeters.store(meters);
    return meters;
}

void gf_rememberManualRange()
{
    gFoundation.gManualRangeNm.store(RANGE.value());
}

std::int32_t gf_manualRange()
{
    const std::int32_t nm = gFoundation.gManualRangeNm.load();
    return nm < 0 ? RANGE.value() : nm;
}

std::int32_t gf_snapRange(std::int32_t nm)
{
    if (nm < 3)
    {
        return 2;
    }
    if (nm >= 100)
    {
        return 100;
    }
    if (nm <= 6)
    {
        return nm;
    }
    // Lowest value of each band and the choice it maps onto, from the top.
    static constexpr std::pair<std::int32_t, std::int32_t> kBands[] = {
        {90, 100}, {73, 80}, {57, 65}, {45, 50}, {38, 40}, {33, 35}, {28, 30}, {23, 25},
        {19, 20},  {17, 18}, {15, 16}, {13, 14}, {11, 12}, {9, 10},  {7, 8}};
    for (const auto& [lowest, choice] : kBands)
    {
        if (nm >= lowest)
        {
            return choice;
        }
    }
    return 8;
}

std::int32_t gf_snapHeight(std::int32_t feet)
{
    static constexpr std::pair<std::int32_t, std::int32_t> kThresholds[] = {
        {47000, 48000}, {27000, 36000}, {17000, 18000}, {15000, 16000}, {13000, 14000},
        {11000, 12000}, {9000, 10000},  {7000, 8000},   {5000, 6000},   {3000, 4000}};
    for (const auto& [threshold, choice] : kThresholds)
    {
        if (feet >= threshold)
        {
            return choice;
        }
    }
    return 2000;
}

} // namespace oxl
