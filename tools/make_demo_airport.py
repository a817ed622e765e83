#!/usr/bin/env python3
"""Writes data/demo_airport_LSZH.xml, the demo's airport file of Zurich (LSZH).

The stands are those the demo recording uses (tools/make_demo_traffic.py: the arrivals' stands, the
departures' stands and the stands of the aircraft parked through the recording), plus one row of
stands on the apron north-east of them, 70 m apart, for static aircraft. No public stand list of the
airport ships as a Debian package, so the positions are the recording's own, taken from the published
aerodrome chart and rounded to about 50 m.

The static row carries learned occupants: on every weekday and in every half-hour one registration of
the shipped database (data/dbase/registrations.tsv) of an airline and type the demo has liveries of,
with a callsign of its airline. The recording's own stands carry no occupants, so they stay free for live aircraft.

The file has the layout of an archived airport file of the download site: meta, parameters and
parkpositions as top-level elements, publisher "stock". The demo serves it as
archive/stock/LSZH.xml of a local download folder.

Usage: tools/make_demo_airport.py [--out FILE] [--check]
--check fails when the committed file differs from what the script makes (CI runs it).
"""

import math
import pathlib
import sys
from xml.sax.saxutils import quoteattr

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import make_demo_traffic as traffic  # noqa: E402  (the recording's stands and geometry, the command line)

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = ROOT / "data" / "demo_airport_LSZH.xml"
REGISTRATIONS = ROOT / "data" / "dbase" / "registrations.tsv"

STAND_HEADING_DEG = 320.0
STAND_RADIUS_M = 30.0        # narrow-body stands
WIDE_STAND_RADIUS_M = 40.0   # the stands of the wide-body aircraft
STATIC_ROW_START = (47.45380, 8.56760)
STATIC_ROW_BEARING_DEG = 53.0
STATIC_ROW_SPACING_M = 70.0
STATIC_ROW_STANDS = 12
STATIC_AIRLINES = ("EDW", "DLH")   # airlines and types of the demo's installed liveries
STATIC_TYPES = {"A319", "A320", "A321"}
WIDE_TYPES = {"A332", "A333", "A343", "A346", "A359", "B77W", "B773", "B788", "B789"}
DAYS = range(1, 8)           # Monday 1 .. Sunday 7
ALL_HALF_HOURS = ",".join(str(h) for h in range(48))


def recording_stands():
    """The recording's stands with their radius: wide stands where a wide-body stands."""
    stands = []
    for index, pos in enumerate(traffic.APRON_STANDS):
        stands.append((f"A {11 + index}", pos, STAND_RADIUS_M))
    for _, _, actype, _, _, _, _, track in traffic.FLIGHTS:
        first = track.states[0][1]
        if all(traffic.distance(first, s[1]) > 20.0 for s in stands) and track.states[0][2] == 0.0:
            radius = WIDE_STAND_RADIUS_M if actype in WIDE_TYPES else STAND_RADIUS_M
            stands.append((f"B {31 + len(stands) - len(traffic.APRON_STANDS)}", first, radius))
    return stands


def static_occupants():
    regs = []
    for line in REGISTRATIONS.read_text().splitlines():
        if line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) >= 3 and fields[1] in STATIC_AIRLINES and fields[2] in STATIC_TYPES:
            regs.append((fields[0], fields[1]))
    if len(regs) < STATIC_ROW_STANDS:
        raise SystemExit(f"{REGISTRATIONS}: too few registrations of {', '.join(STATIC_AIRLINES)}")
    return regs[:STATIC_ROW_STANDS]


def fmt_stand(name, pos, radius_m, options=()):
    head = (f"\t<parkpos id={quoteattr(name)} latitude=\"{pos[0]:.6f}\" longitude=\"{pos[1]:.6f}\" "
            f"heading=\"{STAND_HEADING_DEG:.1f}\" radius=\"{radius_m:.1f}\" cargo=\"false\" ramp=\"false\"")
    if not options:
        return head + " />\n"
    body = "".join(f"\t\t<opt reg={quoteattr(reg)} day=\"{day}\" hh=\"{ALL_HALF_HOURS}\" cs={quoteattr(cs)} />\n"
                   for reg, day, cs in options)
    return head + ">\n" + body + "\t</parkpos>\n"


def document():
    stands = recording_stands()
    out = ['<?xml version="1.0"?>\n', "<meta>\n"]
    for name, value in (("author", "Ordalis_P3D"), ("version", "1.0.0"), ("date", "Jan 1 2025"),
                        ("copyright", "Demo data of the Ordalis_P3D developers."), ("P3D", "v5/v6")):
        out.append(f"\t<info name=\"{name}\" value={quoteattr(value)} />\n")
    out.append("</meta>\n<parameters>\n")
    for name, value in (("airport_name", "Zurich"), ("publisher", "stock"),
                        ("altitude", str(int(traffic.ELEVATION_FT))),
                        ("num_parkpos", str(len(stands) + STATIC_ROW_STANDS))):
        out.append(f"\t<parameter name=\"{name}\" value={quoteattr(value)} />\n")
    out.append("</parameters>\n<parkpositions>\n")
    for name, pos, radius in stands:
        out.append(fmt_stand(name, pos, radius))
    bearing = math.radians(STATIC_ROW_BEARING_DEG)
    for index, (reg, airline) in enumerate(static_occupants()):
        pos = traffic.offset(STATIC_ROW_START, bearing, index * STATIC_ROW_SPACING_M)
        options = [(reg, day, f"{airline}{100 + 10 * index + day}") for day in DAYS]
        out.append(fmt_stand(f"E {51 + index}", pos, STAND_RADIUS_M, options))
    out.append("</parkpositions>\n")
    return "".join(out)


def main():
    return traffic.write_or_check(__doc__.splitlines()[0], "tools/make_demo_airport.py", OUT, document,
                                  lambda text: f"{text.count('<parkpos ')} stands")


if __name__ == "__main__":
    sys.exit(main())
