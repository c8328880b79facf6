#!/usr/bin/env python3
"""Reads the screen of an Xvfb started with -fbdir (an XWD image), counts the
coloured pixels in a band at the top of the screen, where the main window's
menu bar and toolbar sit, and optionally writes the screen as a PNG file.

The toolbar's icons are coloured SVG drawings; the rest of the band (menus,
button texts, background) is grey. Without the SVG image plug-in the buttons
keep their texts but lose their icons, and the band stays grey.

Usage: screen_check.py XWD_FILE TOP BOTTOM [PNG_FILE]
Prints the number of coloured pixels in rows TOP..BOTTOM-1."""
import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, version = fields[0], fields[1]
    if version != 7:
        raise SystemExit(f"{path}: not an XWD image (version {version})")
    width, height = fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    ncolors = fields[19]
    if bits_per_pixel != 32:
        raise SystemExit(f"{path}: {bits_per_pixel} bits per pixel; start Xvfb with depth 24")
    start = header_size + 12 * ncolors
    pixels = data[start:start + bytes_per_line * height]
    if len(pixels) < bytes_per_line * height:
        raise SystemExit(f"{path}: image is cut short")
    # LSBFirst (0) stores a 32-bit pixel as B, G, R, X.
    order = (2, 1, 0) if byte_order == 0 else (1, 2, 3)
    return width, height, bytes_per_line, pixels, order


def rgb(row, x, bytes_per_line, pixels, order):
    at = row * bytes_per_line + 4 * x
    return pixels[at + order[0]], pixels[at + order[1]], pixels[at + order[2]]


def write_png(path, width, height, bytes_per_line, pixels, order):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(rgb(y, x, bytes_per_line, pixels, order))

    def chunk(kind, body):
        block = kind + body
        return struct.pack(">I", len(body)) + block + struct.pack(">I", zlib.crc32(block))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 6)))
        f.write(chunk(b"IEND", b""))


def main():
    if len(sys.argv) not in (4, 5):
        raise SystemExit(__doc__)
    width, height, bytes_per_line, pixels, order = read_xwd(sys.argv[1])
    top, bottom = int(sys.argv[2]), min(int(sys.argv[3]), height)
    coloured = 0
    for y in range(top, bottom):
        for x in range(width):
            r, g, b = rgb(y, x, bytes_per_line, pixels, order)
            if max(r, g, b) - min(r, g, b) >= 60:
                coloured += 1
    if len(sys.argv) == 5:
        write_png(sys.argv[4], width, height, bytes_per_line, pixels, order)
    print(coloured)


main()
