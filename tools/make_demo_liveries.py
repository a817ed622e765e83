#!/usr/bin/env python3
"""Writes the demo's installed liveries: aircraft folders with their aircraft.cfg below a simulator
folder, and the LiveriesScanned.xml that a livery scan of those folders gives.

The demo runs with the livery scan switched off, so the program reads the liveries from
LiveriesScanned.xml; the folders are there so that a scan, when the user asks for one, finds the same
liveries. Every airline and type of the demo recording (data/demo_traffic_LSZH.txt) has a livery with the
aircraft's own registration, and the two most common types a private house livery besides, so that an
aircraft of another airline still finds a model. Private liveries have no parking code; the scan
remarks on each of them that its airline is missing.

Usage: tools/make_demo_liveries.py --sim SIM_FOLDER --out LIVERIES_SCANNED_XML
"""

import argparse
import pathlib
from xml.sax.saxutils import quoteattr

# (package folder, ICAO type, flight-model name, liveries: (airline, registration, title, cargo))
PACKAGES = [
    ("Ordalis Demo A319", "A319", "A319", [
        ("DLH", "D-AIBC", "Ordalis Demo A319 Lufthansa D-AIBC", False),
    ]),
    ("Ordalis Demo A320", "A320", "A320", [
        ("AFR", "F-GKXC", "Ordalis Demo A320 Air France F-GKXC", False),
        ("BAW", "G-EUUC", "Ordalis Demo A320 British Airways G-EUUC", False),
        ("EDW", "HB-IHY", "Ordalis Demo A320 Edelweiss HB-IHY", False),
        ("PVT", "", "Ordalis Demo A320 house colours", False),
    ]),
    ("Ordalis Demo A321", "A321", "A321", [
        ("DLH", "D-AIDB", "Ordalis Demo A321 Lufthansa D-AIDB", False),
    ]),
    ("Ordalis Demo A330-300", "A333", "A333", [
        ("SWR", "HB-JHB", "Ordalis Demo A330-300 Swiss HB-JHB", False),
    ]),
    ("Ordalis Demo A340-300", "A343", "A343", [
        ("SWR", "HB-JMB", "Ordalis Demo A340-300 Swiss HB-JMB", False),
    ]),
    ("Ordalis Demo 737-800", "B738", "B738", [
        ("KLM", "PH-BCB", "Ordalis Demo 737-800 KLM PH-BCB", False),
        ("PVT", "", "Ordalis Demo 737-800 house colours", False),
    ]),
    ("Ordalis Demo 777-300", "B773", "B773", [
        ("SWR", "HB-JNC", "Ordalis Demo 777-300 Swiss HB-JNC", False),
    ]),
    ("Ordalis Demo A220-300", "BCS3", "BCS3", [
        ("SWR", "HB-JCD", "Ordalis Demo A220-300 Swiss HB-JCD", False),
    ]),
    ("Ordalis Demo EC135", "EC35", "EC135", [
        ("PVT", "HB-ZRA", "Ordalis Demo EC135 HB-ZRA", False),
    ]),
]


def texture_of(airline, registration):
    return (airline + "_" + registration.replace("-", "")) if registration else airline


def section(number, flight_model, airline, registration, title, cargo):
    lines = [
        "[fltsim.{}]".format(number),
        "title={}".format(title),
        "sim={}".format(flight_model),
        "model=",
        "texture={}".format(texture_of(airline, registration)),
    ]
    # A private aircraft has no parking code: the scan takes its airline from the registration.
    if airline != "PVT":
        lines.append("atc_parking_codes={}".format(airline))
    lines.append("atc_parking_types={}".format("CARGO" if cargo else "GATE"))
    if registration:
        lines.append("atc_id={}".format(registration))
    lines.append("")
    return lines


def write_folders(sim):
    for package, icao_type, flight_model, liveries in PACKAGES:
        folder = sim / "SimObjects" / "Airplanes" / package
        (folder / "model").mkdir(parents=True, exist_ok=True)
        (folder / (flight_model + ".air")).write_bytes(b"")
        lines = ["[General]", "atc_type=", "atc_model={}".format(icao_type), ""]
        for number, (airline, registration, title, cargo) in enumerate(liveries):
            (folder / ("texture." + texture_of(airline, registration))).mkdir(exist_ok=True)
            lines += section(number, flight_model, airline, registration, title, cargo)
        (folder / "aircraft.cfg").write_bytes("\r\n".join(lines).encode("utf-8"))


def scanned_xml():
    entries = []
    for _package, icao_type, _model, liveries in PACKAGES:
        for airline, registration, title, cargo in liveries:
            attributes = "airl={} type={}".format(quoteattr(airline), quoteattr(icao_type))
            if cargo:
                attributes += ' cargo="true"'
            attributes += " title={}".format(quoteattr(title))
            if registration:
                attributes += " atcid={}".format(quoteattr(registration))
            entries.append("\t<liv {} />".format(attributes))
    return '<?xml version="1.0"?>\n<liveries>\n' + "\n".join(entries) + "\n</liveries>\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sim", required=True, type=pathlib.Path, help="the simulator's install folder")
    parser.add_argument("--out", required=True, type=pathlib.Path, help="LiveriesScanned.xml to write")
    args = parser.parse_args()
    write_folders(args.sim)
    args.out.parent.mkdir(parents=True, exist_ok=True)
    args.out.write_text(scanned_xml(), encoding="utf-8")


if __name__ == "__main__":
    main()
