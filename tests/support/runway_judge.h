// What a user at the airport sees of an aircraft on and near the runway, measured on the frames one
// simulator object was shown in against the reports of its aircraft.
#pragma once

#include "tests/support/live_harness.h"

#include <string>
#include <vector>

namespace oxl::test
{

/// One frame an object was shown in.
struct ShownFrame
{
    double atS = 0; ///< [s]
    double lat = 0;
    double lon = 0;
    double altFt = 0;
    double headingRad = 0;
};

/// One report of the aircraft at the time it is shown: its source time plus the show delay.
struct ShownReport
{
    double atS = 0; ///< [s]
    double lat = 0;
    double lon = 0;
    double altFt = 0;
    bool airborne = false;
};

/// The worst of each kind the judge finds; 0 where none.
struct RunwayVerdict
{
    double backwardsOrSidewaysAirS = 0; ///< [s] in the air above 40 kt, moving over 45 degrees off the nose
    double againstNoseGroundMps = 0;    ///< [m/s] the fastest motion against the nose on the ground
    double gainedIn4sMps = 0;           ///< [m/s] the most speed gained within 4 s on the ground
    double rollOutSpeedUpKt = 0;        ///< [kt] a roll-out faster than its slowest so far
    double rollOutBrakeMps2 = 0;        ///< [m/s²] the hardest braking of a roll-out over 2 s
    double rollSlowedKt = 0;            ///< [kt] a take-off roll slower than its fastest so far
    double liftOffOffS = 0;             ///< [s] a lift-off outside its reports' (inf: they never lift off)
    int takeOffWithoutClimb = 0;        ///< lift-offs after a touchdown, their reports not climbing 300 ft
    double sinkAfterLiftOffFt = 0;      ///< [ft] sunk below the highest after a lift-off, its reports not
    std::string worst;                  ///< the findings with their times, for messages

    /// Takes the worse of each kind of another object of the aircraft.
    RunwayVerdict& operator|=(const RunwayVerdict& other);
    /// Whether every kind lies within what an aircraft can do: no backwards or sideways frame in the air, on
    /// the ground nothing against the nose faster than a push-back (10 m/s) nor 40 m/s gained in 4 s, a
    /// roll-out never 10 kt faster again nor braking over 8 m/s² over 2 s, a roll never 10 kt slower, a
    /// lift-off within 20 s of its reports', none after a landing whose reports do not climb, no sink of
    /// 200 ft after it where the reports do not sink. Frames stamped by another process's clock on a loaded
    /// machine (not on the program's own ticks) are not held to the roll-out's and the roll's speed changes,
    /// which a stall of the program's loop moves.
    bool asAnAircraftCan(bool onItsOwnTicks = true) const;
};

/// Judges the frames of one object, in time order, against its aircraft's reports, at a field [ft].
RunwayVerdict judgeRunway(const std::vector<ShownFrame>& frames, const std::vector<ShownReport>& reports,
                          double fieldFt);

/// The frames of the harness's recorded positions (its ticks of 10 ms).
std::vector<ShownFrame> shownFrames(const std::vector<RecordedPosition>& positions);

} // namespace oxl::test
