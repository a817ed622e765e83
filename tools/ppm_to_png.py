#!/usr/bin/env python3
"""Converts a binary PPM (P6, 8 bits) into a PNG: ppm_to_png.py IN.ppm OUT.png.

The window tests leave their screenshots as PPM files in build/screenshots; the README shows one of them
as docs/main_window.png."""
import struct
import sys
import zlib


def read_ppm(path):
    data = open(path, 'rb').read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b'P6' or int(fields[3]) != 255:
        raise SystemExit(f'{path}: not an 8-bit binary PPM')
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        raise SystemExit(f'{path}: cut short')
    return width, height, pixels


def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(path, width, height, pixels):
    row = width * 3
    raw = b''.join(b'\x00' + pixels[y * row:(y + 1) * row] for y in range(height))
    png = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
           chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
    with open(path + '.tmp', 'wb') as out:
        out.write(png)
    import os
    os.replace(path + '.tmp', path)


if __name__ == '__main__':
    if len(sys.argv) != 3:
        raise SystemExit('usage: ppm_to_png.py IN.ppm OUT.png')
    write_png(sys.argv[2], *read_ppm(sys.argv[1]))
