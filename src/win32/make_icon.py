#!/usr/bin/env python3
"""Draws ovelin's icon, a prompt ">_" on a blue rounded square, and writes
ovelin.ico beside this script: 16, 24, 32 and 48 pixels as 32-bit bitmaps,
256 as PNG, the sizes Explorer, the taskbar and Alt+Tab ask for.

Small sizes step the chevron's arms a whole pixel at a time, so their edges
stay sharp; 48 and 256 sweep them smoothly and are anti-aliased.

    python3 src/win32/make_icon.py [out.ico] [--preview strip.png]
"""

import math
import struct
import sys
import zlib
from pathlib import Path

BLUE = (30, 78, 121)
GLYPH = (236, 240, 245)
SIZES = (16, 24, 32, 48, 256)
SAMPLES = 8  # per pixel side


def geometry(size):
    t = max(2, round(size / 8))  # stroke
    n = round(size * 0.22)  # steps in each chevron arm
    gap = max(1, round(size / 16))
    length = max(3, round(size * 0.25))  # of the underscore
    x0 = (size - (n + t + gap + length)) // 2
    y0 = (size - (2 * n + t)) // 2
    return t, n, gap, length, x0, y0


def in_rounded_square(px, py, size):
    r = size * 0.1875
    cx = min(max(px, r), size - r)
    cy = min(max(py, r), size - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def in_glyph(px, py, size):
    t, n, gap, length, x0, y0 = geometry(size)
    stepped = size < 48
    # Each arm is a t x t square moved along a diagonal by s in [0, n]:
    # the point is covered when some s puts the square over it.
    for down in (True, False):
        lo = max(px - x0 - t, 0.0)
        hi = min(px - x0, float(n))
        if down:
            lo, hi = max(lo, py - y0 - t), min(hi, py - y0)
        else:
            lo, hi = max(lo, y0 + 2 * n - py), min(hi, y0 + 2 * n - py + t)
        if stepped:
            lo, hi = math.ceil(lo), math.floor(hi)
        if lo <= hi:
            return True
    ux = x0 + n + t + gap
    uy = y0 + 2 * n
    return ux <= px < ux + length and uy <= py < uy + t


def render(size):
    """RGBA rows, top first."""
    rows = []
    k = SAMPLES
    for y in range(size):
        row = []
        for x in range(size):
            square = glyph = 0
            for sy in range(k):
                for sx in range(k):
                    px, py = x + (sx + 0.5) / k, y + (sy + 0.5) / k
                    if in_rounded_square(px, py, size):
                        square += 1
                        glyph += in_glyph(px, py, size)
            a = square / (k * k)
            g = glyph / square if square else 0.0
            rgb = tuple(round(b + (f - b) * g) for b, f in zip(BLUE, GLYPH))
            row.append(rgb + (round(255 * a),))
        rows.append(row)
    return rows


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(rows):
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def preview(rendered, path, scale=8):
    """Every size side by side, magnified, on the dark window background."""
    height = max(SIZES) * 2
    width = sum(s * (scale if s < 256 else 2) + 16 for s in SIZES)
    canvas = [[(12, 14, 18, 255)] * width for _ in range(height)]
    left = 8
    for size in SIZES:
        f = scale if size < 256 else 2
        for y in range(size * f):
            for x in range(size * f):
                r, g, b, a = rendered[size][y // f][x // f]
                bg = canvas[y][left + x]
                canvas[y][left + x] = tuple(round(c * a / 255 + d * (255 - a) / 255) for c, d in zip((r, g, b), bg)) + (255,)
        left += size * f + 16
    Path(path).write_bytes(png(canvas))


def main(argv):
    out = Path(__file__).with_name("ovelin.ico")
    preview_path = None
    args = list(argv)
    while args:
        a = args.pop(0)
        if a == "--preview":
            preview_path = args.pop(0)
        else:
            out = Path(a)
    rendered = {size: render(size) for size in SIZES}
    images = [(size, png(rows) if size >= 256 else dib(rows)) for size, rows in rendered.items()]
    out.write_bytes(ico(images))
    if preview_path:
        preview(rendered, preview_path)


if __name__ == "__main__":
    main(sys.argv[1:])
