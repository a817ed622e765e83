// What a flying aircraft's buffered reports say about its source's track: whether the next report
// continues it, is the scatter of the source's positions about it, or a turn; the speed the positions
// show over their source times; and how fast a late aircraft may catch up with them. Every in-air rule
// about reports asks here.
#pragma once

#include "foundation/geodesy.h"
#include "records/aircraft_records.h"

#include <cstddef>
#include <deque>

namespace oxl
{

/// [ft] how far a source's heights stray from the climb or descent they draw without being scatter: their
/// steps, a barometric and a geometric height by turns.
inline constexpr double kHeightNoiseFt = 300.0;

/// Reports of a glitch in a row at the most: more that agree are a jump.
inline constexpr std::size_t kGlitchRun = 2;

/// [nm] the farthest apart two feeds of one aircraft (a multilateration and an ADS-B position) are read as
/// one track; as far as a source's positions scatter about it.
inline constexpr double kFeedSpreadNm = 1.0;

/// What the report at an index of the stream is to an aircraft in the air.
enum class NextReport
{
    ahead,   ///< on the track its neighbours draw, or within 120 degrees of the way the aircraft moves: flown
             ///< to
    scatter, ///< off the track the reports before and after it draw, or behind while a later one lies ahead:
             ///< skipped
    turn,    ///< behind the aircraft, on its neighbours' track (or the newest, and its source's track could
             ///< bend there): flown to
};

/// Reads stream[index] (index >= 1) from a point moving on headingRad [rad]: against the report before and
/// the one after it where they are real reports of the air, else against the nose. A helicopter's reports
/// are always ahead.
NextReport gf_readReport(LatLon from, double headingRad, const std::deque<Report>& stream, std::size_t index,
                         AcCategory category);

/// Reads the next report of a flying aircraft from where it is and the way its nose points.
NextReport gf_readNextReport(const LiveAc& ac);

/// Whether a flying aircraft has passed its next report, drawn onto its track: it lies behind while a later
/// report lies ahead.
bool gf_passedDrawnReport(const LiveAc& ac);

/// [ft] the height of stream[index] (index >= 1) in the air: its own, unless it and up to one report after it
/// lie further from the heights of the report before and a later report than the category climbs or descends
/// in the time between them, while those two agree: then the height they draw at its time. Heights that
/// stray about the height of the report before within their noise (two sources by turns, steps) keep it;
/// beyond it, the line fitted to them in time is read.
double gf_readHeightFt(const std::deque<Report>& stream, std::size_t index, AcCategory category);

/// [ft/min] the steepest descent to stream[index]: the category's climb rate, or as steep as several reports
/// from it on agree on, up to the category's descent.
double gf_readDescentFpm(const std::deque<Report>& stream, std::size_t index, AcCategory category);

/// Whether the newest report leaps from the one the aircraft flies to faster than its category flies (a
/// source's jump, confirmed by one report), or was kept as scatter (Report::offTrack): a glitch, scatter or
/// a jump, as the report after it will show.
bool gf_awaitsNextReport(const LiveAc& ac);

/// Two feeds of one aircraft taking turns, or positions scattered about the track, alone, in pairs or in runs
/// on either side, draw one track: where the reports of the next 25 s bend more than a smooth turn does,
/// stream[index] (0 or 1) is moved to where the line fitted to them in time puts the aircraft, the reports
/// far off it weighing less, unless that lies further than two feeds lie apart (a glitch or a jump). Moving
/// on from stream[0] on headingRad [rad] (given for index 1, else negative), the track bends no faster than
/// the category turns. True when the report was drawn so; a helicopter's reports are kept as sent.
bool gf_drawFeedsTogether(std::deque<Report>& stream, AcCategory category, std::size_t index = 1,
                          double headingRad = -1.0);

/// [nm] how far a report lies from where the line fitted in time to the stream's real reports of the 50 s
/// before it puts the aircraft at its time; negative where fewer than three draw a line.
double gf_offDrawnTrackNm(const std::deque<Report>& stream, const Report& report);

/// [kt] the speed the stream's positions show over their source times: the median of the legs between its
/// real reports that the category can fly, a repeated position no leg; 0 when the stream shows fewer than
/// two.
double gf_shownSpeedKt(const std::deque<Report>& stream, AcCategory category);

/// [kt] the speed one leg's positions show over their source times; 0 where they show none (a position
/// repeated, a report the engine made up).
double gf_shownLegKt(const Report& from, const Report& to);

/// Whether an aircraft on the ground came down from the air: rolling out, or taxiing in after it.
bool gf_landedOnGround(const LiveAc& ac);

/// [kt] the speed of a ground leg: the reported speed, after a landing no faster than the positions of the
/// next few legs show together (a source may leave its field at the approach speed, and its positions on a
/// runway are irregular leg by leg).
double gf_groundLegSpeedKt(const LiveAc& ac, double reportedKt);

/// Whether a report shows an aircraft on the ground after a landing climbing away again: in the air, above
/// the report before it by more than one source's height steps, or more than two sources' height noise above
/// the aircraft.
bool gf_climbsAway(const LiveAc& ac, const Report& last, const Report& report);

/// [kt] the speed of a leg in the air: the reported ground speed where it lies among the speeds of the legs
/// the positions show (or they show none), else, the field stale by whatever factor, the speed they show.
/// Where they show fewer than two legs before the touchdown, no faster than the leg's own positions show;
/// elsewhere the speed the legs flown before drew (LiveAc::drawnKt) counts as one more leg.
double gf_airLegSpeedKt(const LiveAc& ac, double reportedKt);

/// [kt] the fastest a late aircraft flies to catch up: a margin above the speed of its leg (as
/// gf_airLegSpeedKt reads it), within what its category flies at that altitude.
double gf_catchUpKt(const LiveAc& ac, double reportedKt, double altFt);

} // namespace oxl
