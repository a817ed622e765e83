#!/usr/bin/env python3
"""Floods the program's UDP ports with every kind of bad datagram from many loopback addresses.

Each sender (127.0.0.2, 127.0.0.3, ...) sends, every round, one traffic line with each of the parser's
errors (each from an aircraft of its own, its callsign carrying a line break, an ESC and a byte that is not
UTF-8), one oversize datagram, and each kind of bad QNH datagram. Used to see that the program's log stays
small and names every sender: watch the size of Log.txt while it runs.
"""
import argparse
import random
import socket
import time

GOOD = ("0,{hexid},47.4600,8.5700,5000,0,1,90.0,250,{callsign},A320,N1OX,KJFK,KBOS,{ts:.3f},0,0,adsb_icao,0,0,"
        "-1,0,0,0,0,90.0,0,0,A3")
# Field index and the bad text that makes each of the parser's errors.
BAD_FIELDS = [(14, "x"), (2, "abc"), (3, "abc"), (2, "0"), (25, "400"), (1, "x12"), (8, "abc"), (4, "12x"),
              (7, "abc"), (5, "abc"), (23, "abc"), (20, "abc")]
BAD_QNH = [b"not json", b"{}", b'{"QNH": "abc"}', b'{"QNH": 500}', b'{"QNH": 1e300}', b'{"QNH": null}']


def bad_lines(rng):
    for index, text in BAD_FIELDS:
        fields = GOOD.format(hexid=rng.randrange(10001, 99999999), callsign="X\n===> FORGED\x1b[31m\udce9",
                             ts=time.time()).split(",")
        if index == 2 and text == "0":
            fields[3] = "0"
        fields[index] = text
        yield ",".join(fields).encode("utf-8", "surrogateescape")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--senders", type=int, default=50)
    parser.add_argument("--traffic-port", type=int, default=49005)
    parser.add_argument("--qnh-port", type=int, default=49004)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--rounds-per-second", type=float, default=2.0)
    parser.add_argument("--seconds", type=float, default=60.0)
    args = parser.parse_args()
    rng = random.Random(1)
    senders = []
    for i in range(args.senders):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind((f"127.0.0.{2 + i}", 0))
        senders.append(s)
    end = time.monotonic() + args.seconds
    sent = 0
    while time.monotonic() < end:
        started = time.monotonic()
        for s in senders:
            for line in bad_lines(rng):
                s.sendto(line, (args.host, args.traffic_port))
            s.sendto(b"x" * 20000, (args.host, args.traffic_port))
            for qnh in BAD_QNH:
                s.sendto(qnh, (args.host, args.qnh_port))
            sent += len(BAD_FIELDS) + 1 + len(BAD_QNH)
        time.sleep(max(0.0, 1.0 / args.rounds_per_second - (time.monotonic() - started)))
    print(f"{sent} datagrams from {args.senders} senders in {args.seconds:.0f} s")


if __name__ == "__main__":
    main()
