// The automatic traffic radius.
#include "window/auto_range.h"

#include <cmath>
#include <gsl/narrow>

#include "foundation/config_keys.h"
#include "foundation/range.h"
#include "window/control_text.h"

namespace oxl
{
namespace
{

constexpr std::int32_t kGroundRangeNm = 10;   // on the ground, and close to the airport
constexpr std::int32_t kHighRangeNm = 100;    // above AR_ABOVE_HEIGHT
constexpr std::int32_t kCruiseRangeNm = 40;   // above AIRP_HEIGHT, or far from any park airport
constexpr double kCloseNm = 7.0;              // [nm] within this the ground radius holds
constexpr double kApproachNm = 37.0;          // [nm] below this the radius follows the distance
constexpr std::int32_t kApproachMarginNm = 3; // [nm] added to the distance
constexpr double kNoParkAirportNm = 10000.0;  // [nm] distance assumed without a park airport

} // namespace

std::int32_t gf_autoRangeNm(const AutoRangeInputs& in)
{
    if (in.user.onGround)
        return kGroundRangeNm;
    if (in.user.alt > AR_ABOVE_HEIGHT.value())
        return kHighRangeNm;
    if (in.user.alt > AIRP_HEIGHT.value())
        return kCruiseRangeNm;
    const double x = in.firstParkAirport ? gf_distanceNm({in.user.lat, in.user.lon}, *in.firstParkAirport)
                                         : kNoParkAirportNm;
    if (x <= kCloseNm)
        return kGroundRangeNm;
    if (x < kApproachNm)
        return gf_snapRange(gsl::narrow<std::int32_t>(std::lround(x)) + kApproachMarginNm);
    return kCruiseRangeNm;
}

void gf_autoRangeStep()
{
    const std::optional<AutoRangeInputs> inputs = gf_trafficViewPort().autoRangeInputs();
    if (!inputs)
        return;
    const std::int32_t before = RANGE.value();
    gf_setRange(gf_autoRangeNm(*inputs));
    if (RANGE.value() != before)
        gf_setIntBoxText(RANGE);
}

} // namespace oxl
