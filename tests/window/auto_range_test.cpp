// The automatic traffic radius from the user aircraft's height and its distance to the park airport.
#include "foundation/units.h"
#include "tests/window/window_fixture.h"

#include "foundation/config_keys.h"
#include "window/auto_range.h"

namespace oxl::test
{
namespace
{

// A point the given distance [nm] due north of the user aircraft at (50, 8).
LatLon northOfUser(double nm)
{
    return {50.0 + nm / 60.0, 8.0};
}

using AutoRangeTest = WindowTest;

TEST_F(AutoRangeTest, RadiusFromHeightAndDistance)
{
    struct Row
    {
        const char* name;
        bool onGround;
        double altitudeFt;
        std::optional<double> parkAirportNm;
        std::int32_t nm;
    };
    const Row rows[] = {
        {"on the ground", true, 60000.0, 20.0, 10},
        {"above the auto-range height", false, 48001.0, 20.0, 100},
        {"at the auto-range height, above the airport height", false, 48000.0, 20.0, 40},
        {"above the airport height", false, 18001.0, 3.0, 40},
        {"exactly 7 nm away", false, 1000.0, 7.0, 10},
        {"close to the airport", false, 1000.0, 2.0, 10},
        {"20 nm away: snapped 23", false, 1000.0, 20.0, 25},
        {"12.4 nm away: snapped 15", false, 1000.0, 12.4, 16},
        {"36.9 nm away: snapped 40", false, 1000.0, 36.9, 40},
        {"exactly 37 nm away", false, 1000.0, 37.0, 40},
        {"no park airport", false, 1000.0, std::nullopt, 40},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.name);
        AutoRangeInputs in;
        in.user = UserAcData{.lat = 50.0, .lon = 8.0, .alt = r.altitudeFt, .onGround = r.onGround};
        if (r.parkAirportNm)
            in.firstParkAirport = northOfUser(*r.parkAirportNm);
        EXPECT_EQ(gf_autoRangeNm(in), r.nm);
    }
}

TEST_F(AutoRangeTest, StepAppliesTheRadiusAndShowsItInTheCombo)
{
    open();
    for (const std::int32_t choice : RANGE.choices)
        win::comboAddString(RANGE.controlId, std::to_string(choice));
    win::comboSetCurSel(RANGE.controlId, RANGE.choiceIndex(40));
    AutoRangeInputs& in = useFixedTrafficView().inputs.emplace();
    in.user = UserAcData{.lat = 50.0, .lon = 8.0, .alt = 2000.0};
    in.firstParkAirport = northOfUser(20.0);

    gf_autoRangeStep();
    EXPECT_EQ(RANGE.value(), 25);
    EXPECT_EQ(gRangeNm.load(), 25.0);
    EXPECT_EQ(gRangeMeters.load(), wholeNmToMetres(25));
    EXPECT_EQ(win::getWindowText(RANGE.controlId), "25");

    in.user.onGround = true;
    gf_autoRangeStep();
    EXPECT_EQ(RANGE.value(), 10);
    EXPECT_EQ(win::getWindowText(RANGE.controlId), "10");
}

TEST_F(AutoRangeTest, WithoutAUserAircraftNothingChanges)
{
    RANGE.set(65);
    gf_autoRangeStep();
    EXPECT_EQ(RANGE.value(), 65);
}

} // namespace
} // namespace oxl::test
