#!/usr/bin/env python3
"""Writes data/demo_traffic_LSZH.txt, the demo's recording of traffic around Zurich (LSZH).

No public recording of live traffic ships as a Debian package, so the recording is synthesized: eight
minutes of traffic lines (the program's 29-field format, one per line, report times from a fixed
start) along the airport's real layout. Arrivals fly the 3 degree approach to runway 14 at 160 kt,
touch down 300 m past the threshold, roll out, vacate and taxi at 20 kt to a stand of the main apron;
departures taxi from their stands to runway 28, hold, roll and climb out on the runway heading; parked
aircraft report standing at their stands; a helicopter crosses the field at 1 000 ft above ground.
Callsigns, types and registrations are those of the shipped database (data/dbase/registrations.tsv).

Runway ends and apron positions are taken from the published aerodrome chart, rounded to about 50 m;
elevation 1416 ft as in data/airports_p3d.xml.

Usage: tools/make_demo_traffic.py [--out FILE] [--check]
--check fails when the committed file differs from what the script makes (CI runs it).
"""

import argparse
import math
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = ROOT / "data" / "demo_traffic_LSZH.txt"

START_UNIX_S = 1735732800.0  # 2025-01-01 12:00 UTC; the stand-in sends each line stamped "now"
DURATION_S = 480.0
MOVING_INTERVAL_S = 4.0      # report spacing of moving aircraft
PARKED_INTERVAL_S = 15.0     # and of aircraft standing at a stand
ELEVATION_FT = 1416.0
NM_M = 1852.0
KT_MS = NM_M / 3600.0
GLIDE_SLOPE_RAD = math.radians(3.0)
TAXI_KT = 15.0
ARRIVAL_TAXI_KT = 20.0   # taxi-in on the long straight taxiways

# Runway ends (threshold positions, degrees).
RWY14 = (47.48220, 8.53510)
RWY32 = (47.46000, 8.56180)
RWY10 = (47.45950, 8.54100)
RWY28 = (47.45750, 8.57400)

# Taxi routes of the main apron (Docks A and B, south-east of runway 10/28).
APRON_STANDS = [
    (47.45120, 8.56250), (47.45160, 8.56330), (47.45200, 8.56410), (47.45240, 8.56490),
    (47.45080, 8.56450), (47.45040, 8.56370), (47.45000, 8.56290), (47.44960, 8.56210),
]
APRON_EXIT = (47.45300, 8.56400)
# Runway 14 vacated at its crossing with runway 10/28, then south over the apron taxiway.
VACATE_14 = [(47.46420, 8.55120), (47.46180, 8.55330), (47.45780, 8.55700), (47.45450, 8.56050)]
# To the holding point of runway 28, along the taxiway north of the apron.
TO_HOLD_28 = [(47.45450, 8.56600), (47.45620, 8.57100), (47.45700, 8.57420)]


def offset(pos, bearing_rad, distance_m):
    lat, lon = pos
    dlat = distance_m * math.cos(bearing_rad) / 111320.0
    dlon = distance_m * math.sin(bearing_rad) / (111320.0 * math.cos(math.radians(lat)))
    return (lat + dlat, lon + dlon)


def bearing(a, b):
    dy = (b[0] - a[0]) * 111320.0
    dx = (b[1] - a[1]) * 111320.0 * math.cos(math.radians(a[0]))
    return math.atan2(dx, dy) % (2 * math.pi)


def distance(a, b):
    dy = (b[0] - a[0]) * 111320.0
    dx = (b[1] - a[1]) * 111320.0 * math.cos(math.radians(a[0]))
    return math.hypot(dx, dy)


class Track:
    """One aircraft's states over time: (time, position, altitude ft, track rad, ground speed kt, vs fpm)."""

    def __init__(self, start_s, pos, track_rad):
        self.t = start_s
        self.pos = pos
        self.track = track_rad
        self.states = []

    def add(self, alt_ft, gs_kt, vs_fpm):
        self.states.append((self.t, self.pos, alt_ft, self.track, gs_kt, vs_fpm))

    def fly(self, seconds, gs_kt, alt_of=lambda t: 0.0, vs_fpm=0.0, gs_end_kt=None, step=1.0):
        """Moves along the current track, the speed changing evenly from gs_kt to gs_end_kt."""
        gs_end_kt = gs_kt if gs_end_kt is None else gs_end_kt
        elapsed = 0.0
        while elapsed < seconds:
            gs = gs_kt + (gs_end_kt - gs_kt) * elapsed / seconds
            self.add(alt_of(elapsed), gs, vs_fpm)
            self.pos = offset(self.pos, self.track, gs * KT_MS * step)
            self.t += step
            elapsed += step

    def taxi(self, points, gs_kt=TAXI_KT):
        for point in points:
            self.track = bearing(self.pos, point)
            self.fly(distance(self.pos, point) / (gs_kt * KT_MS), gs_kt)
            self.pos = point

    def stand(self, seconds):
        end = self.t + seconds
        while self.t < end:
            self.add(0.0, 0.0, 0.0)
            self.t += 1.0


def arrival(start_s, stand):
    track_14 = bearing(RWY14, RWY32)
    touchdown = offset(RWY14, track_14, 300.0)
    # Start 9 nm before touchdown on the extended centre line, on the glide path.
    distance_m = 9 * NM_M
    tr = Track(start_s, offset(touchdown, track_14 + math.pi, distance_m), track_14)
    approach_s = distance_m / (150 * KT_MS)
    vs = -150 * KT_MS * math.tan(GLIDE_SLOPE_RAD) * 196.85  # [ft/min] from m/s

    def glide(elapsed):
        left_m = distance_m - 150 * KT_MS * elapsed
        return ELEVATION_FT + max(left_m, 0.0) * math.tan(GLIDE_SLOPE_RAD) / 0.3048

    tr.fly(approach_s, 160, glide, vs, gs_end_kt=140)
    tr.fly(35, 135, gs_end_kt=20)              # roll-out
    tr.taxi(VACATE_14 + [APRON_EXIT, stand], ARRIVAL_TAXI_KT)
    tr.stand(DURATION_S)
    return tr


def departure(start_s, stand, stand_s):
    tr = Track(start_s, stand, math.radians(320.0))
    tr.stand(stand_s)
    tr.taxi([APRON_EXIT] + TO_HOLD_28)
    tr.track = bearing(RWY28, RWY10)
    tr.pos = RWY28
    tr.stand(20)                               # lined up, waiting for the clearance
    tr.fly(35, 0, gs_end_kt=150)               # take-off roll
    climb_fpm = 2200.0
    tr.fly(240, 160, lambda e: ELEVATION_FT + 50 + climb_fpm * e / 60.0, climb_fpm, gs_end_kt=250)
    return tr


def helicopter(start_s):
    # From the south-east across the field towards the north-west, 1000 ft above the ground.
    tr = Track(start_s, (47.40500, 8.62000), math.radians(315.0))
    tr.fly(300, 110, lambda e: ELEVATION_FT + 1000.0)
    return tr


def parked(stand):
    tr = Track(0.0, stand, math.radians(320.0))
    tr.stand(DURATION_S)
    return tr


# hexid (ICAO address), callsign, type, registration, origin, destination, category, track
FLIGHTS = [
    (4916012, "SWR15", "A333", "HB-JHB", "KJFK", "LSZH", "A5", arrival(-180.0, APRON_STANDS[0])),
    (3949321, "AFR1614", "A320", "F-GKXC", "LFPG", "LSZH", "A3", arrival(-60.0, APRON_STANDS[1])),
    (4916108, "EDW23", "A320", "HB-IHY", "LPPT", "LSZH", "A3", arrival(120.0, APRON_STANDS[2])),
    (3949570, "DLH5LK", "A321", "D-AIDB", "EDDF", "LSZH", "A3", arrival(300.0, APRON_STANDS[3])),
    (4916201, "SWR8", "B773", "HB-JNC", "LSZH", "KJFK", "A5", departure(0.0, APRON_STANDS[4], 10.0)),
    (4916245, "SWR1084", "BCS3", "HB-JCD", "LSZH", "EDDH", "A3", departure(0.0, APRON_STANDS[5], 70.0)),
    (4007453, "BAW713", "A320", "G-EUUC", "LSZH", "EGLL", "A3", departure(0.0, APRON_STANDS[6], 130.0)),
    (4718112, "KLM1956", "B738", "PH-BCB", "LSZH", "EHAM", "A3", parked(APRON_STANDS[7])),
    (4916300, "SWR52", "A343", "HB-JMB", "LSZH", "KBOS", "A5", parked((47.45280, 8.56570))),
    (3949777, "DLH1189", "A319", "D-AIBC", "LSZH", "EDDF", "A3", parked((47.45320, 8.56650))),
    (4916402, "HBZRA", "EC35", "HB-ZRA", "", "", "A7", helicopter(40.0)),
]


def field(value, digits):
    text = f"{value:.{digits}f}"
    return "0" if text in ("-0", "-0.0") else text


def lines():
    out = []
    for hexid, callsign, actype, registration, origin, destination, category, track in FLIGHTS:
        last_report = -1e9
        for t, pos, alt, trk, gs, vs in track.states:
            if t >= DURATION_S:
                break
            if t < 0:
                continue  # flown before the recording begins
            interval = PARKED_INTERVAL_S if gs == 0 and alt == 0 else MOVING_INTERVAL_S
            if t - last_report < interval:
                continue
            last_report = t
            heading = math.degrees(trk) % 360.0
            airborne = 1 if alt > 0 else 0
            fields = ["RTTFC", str(hexid), field(pos[0], 5), field(pos[1], 5), field(alt, 0),
                      field(vs if airborne else 0, 0), str(airborne), field(heading, 1), field(gs, 0),
                      callsign, actype, registration, origin, destination,
                      field(START_UNIX_S + t, 2), "", "", "adsb_icao", "", "", "-1", "", "", "0", "",
                      field(heading if heading > 0 else 360.0, 1), "", "", category]
            out.append((t, hexid, ",".join(fields)))
    out.sort()
    return "".join(line + "\n" for _, _, line in out)


def write_or_check(description, tool, default_out, make, summary):
    """The command line of a demo file maker: writes make()'s text to --out and says summary(text), or
    with --check only fails when the file there is not that text."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--out", type=pathlib.Path, default=default_out)
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    text = make()
    if args.check:
        if not args.out.exists() or args.out.read_text() != text:
            print(f"{args.out} is not what {tool} makes; run it", file=sys.stderr)
            return 1
        return 0
    args.out.write_text(text)
    print(f"{args.out}: {summary(text)}")
    return 0


def main():
    return write_or_check(__doc__.splitlines()[0], "tools/make_demo_traffic.py", OUT, lines,
                          lambda text: f"{text.count(chr(10))} traffic lines")


if __name__ == "__main__":
    sys.exit(main())
